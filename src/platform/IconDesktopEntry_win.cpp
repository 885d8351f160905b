#include "platform/IconFileReaders.h"

namespace IconFileReaders {

// Desktop entries are a Linux desktop's; on Windows they are files like any other.
bool isDesktopEntry(const QString &)
{
    return false;
}

FileIcons readDesktopEntry(QByteArrayView, int, Want)
{
    return {};
}

} // namespace IconFileReaders
