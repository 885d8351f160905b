#pragma once

#include "platform/IconImages.h"

#include <QByteArrayView>
#include <QString>

#include <memory>

// Where icons come from: for a file and an icon index, the number of icons in the
// file and one icon's 32x32 and 16x16 images. The program uses IconExtractor; tests
// may hand in their own.
class IconSource
{
public:
    virtual ~IconSource() = default;

    // The number of icons in the file; 0 when it has none, is missing or unreadable.
    virtual int iconCount(const QString &fileName) = 0;
    // The icon at the index: 0, 1, 2 ... by position; -k the program resource whose
    // identifier is k. Null when the file yields no icon there.
    virtual ExtractedIcon extractIcon(const QString &fileName, int index) = 0;
};

// The icon extractor. It reads, on every platform:
// - icon files (.ico, recognised by their header): one icon;
// - programs and libraries in the PE format (.exe, .dll, ...): their icon groups;
// - image files that Qt reads (png, svg, xpm, bmp, ...): one icon;
// - on Linux, desktop entries (.desktop): the entry's Icon, a path or a theme name.
// Anything else has no icon. Of an icon with several images, each size takes the
// image Windows would take; an image of another size is scaled smoothly.
//
// Results are cached by canonical file path, index, file size and modification
// time: asking again for a file that did not change decodes nothing, and a file
// whose size or modification time changed is read again. Relative file names
// resolve against the process's current directory.
class IconExtractor : public IconSource
{
public:
    // The cache drops the least recently used results beyond this many bytes of images.
    explicit IconExtractor(qint64 cacheLimitBytes = qint64(128) << 20);
    ~IconExtractor() override;
    IconExtractor(const IconExtractor &) = delete;
    IconExtractor &operator=(const IconExtractor &) = delete;

    // The extractor the program shares.
    static IconExtractor &shared();

    int iconCount(const QString &fileName) override;
    ExtractedIcon extractIcon(const QString &fileName, int index) override;

    void clearCache();

    // The same, reading the file every time.
    static int countIconsUncached(const QString &fileName);
    static ExtractedIcon extractIconUncached(const QString &fileName, int index);

private:
    struct Cache;
    std::unique_ptr<Cache> m_cache;
};
