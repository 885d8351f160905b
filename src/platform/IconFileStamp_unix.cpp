#include "platform/IconFileStamp.h"

#include <QFile>

#include <sys/stat.h>

IconFileStamp statIconFile(const QString &path)
{
    IconFileStamp stamp;
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return stamp;
    stamp.regular = true;
    stamp.device = quint64(st.st_dev);
    stamp.inode = quint64(st.st_ino);
    stamp.size = qint64(st.st_size);
    stamp.modifiedNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return stamp;
}
