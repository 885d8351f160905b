#include "platform/IcoFormat.h"
#include "platform/IconFileReaders.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>

namespace IconFileReaders {

bool isDesktopEntry(const QString &path)
{
    return path.endsWith(u".desktop", Qt::CaseInsensitive);
}

// A desktop entry has one icon: its Icon value names a file by absolute path, or an
// icon of the current icon theme by name.
FileIcons readDesktopEntry(QByteArrayView data, int index, Want want)
{
    const QString value = desktopEntryIconValue(data);
    if (value.isEmpty())
        return {};
    FileIcons result;
    if (QDir::isAbsolutePath(value)) {
        if (!QFileInfo(value).isFile())
            return {};
        const FileIcons target = readFile(value, 0, want, false);
        result.count = target.count > 0 ? 1 : 0;
        if (index == 0)
            result.icon = target.icon;
        return result;
    }
    // Theme icons need the GUI application's platform theme.
    if (value.contains(u'/') || !qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return {};
    const QIcon icon = QIcon::fromTheme(value);
    if (icon.isNull())
        return {};
    result.count = 1;
    if (want == Want::CountAndIcon && index == 0) {
        result.icon.image32 = IconFormat::fitToSquare(icon.pixmap(QSize(32, 32)).toImage(), 32);
        result.icon.image16 = IconFormat::fitToSquare(icon.pixmap(QSize(16, 16)).toImage(), 16);
        if (result.icon.image32.isNull() || result.icon.image16.isNull())
            result.icon = {};
    }
    return result;
}

} // namespace IconFileReaders
