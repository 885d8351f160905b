#include "platform/IconFileStamp.h"

#include <QDateTime>
#include <QFileInfo>

IconFileStamp statIconFile(const QString &path)
{
    IconFileStamp stamp;
    const QFileInfo info(path);
    if (!info.isFile())
        return stamp;
    stamp.regular = true;
    stamp.size = info.size();
    stamp.modifiedNs =
        info.fileTime(QFileDevice::FileModificationTime).toMSecsSinceEpoch() * 1000000;
    return stamp;
}
