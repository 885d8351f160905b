#pragma once

#include <QString>

// What one look at a file tells the icon cache: whether it is a regular file, which
// file it is (device and inode where the system has them, else 0) and the size and
// modification time that decide whether a cached result is still good.
struct IconFileStamp
{
    bool regular = false;
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = 0;
    qint64 modifiedNs = 0;

    bool hasIdentity() const { return device != 0 || inode != 0; }
};

// One status request for the path, following links.
IconFileStamp statIconFile(const QString &path);
