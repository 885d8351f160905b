#pragma once

#include "platform/IconImages.h"

#include <QByteArrayView>
#include <QString>

// The readers behind IconExtractor, one per kind of file.
namespace IconFileReaders {

struct FileIcons
{
    int count = 0;
    ExtractedIcon icon; // null unless asked for and found
};

enum class Want { Count, CountAndIcon };

// Reads a regular file of any kind the extractor knows. Desktop entries are followed
// only when `followDesktopEntries` is true, so that one cannot lead to another.
FileIcons readFile(const QString &path, int index, Want want, bool followDesktopEntries);

// Desktop entries (Linux only; elsewhere a desktop entry has no icon). `data` is the
// start of the file.
bool isDesktopEntry(const QString &path);
FileIcons readDesktopEntry(QByteArrayView data, int index, Want want);

// The Icon value of the [Desktop Entry] group, escapes decoded; empty when none.
QString desktopEntryIconValue(QByteArrayView data);

} // namespace IconFileReaders
