#pragma once

#include "catalogue/EntryIcons.h"
#include "catalogue/GameClasses.h"
#include "platform/IconExtractor.h"
#include "platform/IconImages.h"

#include <QColor>
#include <QHash>
#include <QImage>
#include <QString>

#include <memory>

// Helpers shared by the tests of the main window's catalogue views.
namespace ViewTestSupport {

// An icon source that counts the extractions it was asked for, per file, and answers
// each file with a picture of its own colour.
class CountingIconSource : public IconSource
{
public:
    QHash<QString, int> extractions;
    int total = 0;

    int iconCount(const QString &) override { return 1; }
    ExtractedIcon extractIcon(const QString &fileName, int) override
    {
        ++extractions[fileName];
        ++total;
        const QColor colour = QColor::fromHsv(int(qHash(fileName) % 360), 200, 200);
        ExtractedIcon icon;
        icon.image16 = QImage(16, 16, QImage::Format_ARGB32_Premultiplied);
        icon.image16.fill(colour);
        icon.image32 = QImage(32, 32, QImage::Format_ARGB32_Premultiplied);
        icon.image32.fill(colour);
        return icon;
    }
};

// Makes the entry's icons wait on its icon location, as the reader leaves them.
inline void loadIcons(TGameEntry &entry, IconSource &source)
{
    IconContext context;
    context.currentDir = QStringLiteral("/icons");
    context.source = &source;
    LoadEntryIcons(entry.IconLocation, entry.SmallIcon, entry.LargeIcon, context);
}

inline std::unique_ptr<TGame> game(const QString &name, const QString &file = {},
                                   const QString &params = {}, const QString &icon = {})
{
    return std::make_unique<TGame>(name, file, QString(), params, icon);
}

inline std::unique_ptr<TGameList> category(const QString &name, const QString &icon = {},
                                           const QString &file = {})
{
    return std::make_unique<TGameList>(name, icon,
                                       file.isEmpty() ? name + QStringLiteral(".ini") : file);
}

} // namespace ViewTestSupport
