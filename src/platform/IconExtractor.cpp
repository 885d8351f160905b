#include "platform/IconExtractor.h"

#include "platform/IcoFormat.h"
#include "platform/IconFileReaders.h"
#include "platform/IconFileStamp.h"
#include "platform/PeIconResources.h"

#include <QCache>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QImageReader>
#include <QMutex>

#include <optional>

using IconFileReaders::FileIcons;
using IconFileReaders::Want;

namespace {

// Files up to this size are read into memory; larger ones are mapped.
constexpr qint64 MaxCopiedSize = qint64(256) << 10;
// Files that cannot be mapped are read into memory up to this size.
constexpr qint64 MaxReadSize = qint64(64) << 20;
// Image files whose pixels would need more than this are not decoded.
constexpr qint64 MaxImagePixels = qint64(4096) * 4096;

ExtractedIcon fitIcon(const QImage &image)
{
    ExtractedIcon icon;
    icon.image32 = IconFormat::fitToSquare(image, 32);
    icon.image16 = IconFormat::fitToSquare(image, 16);
    return icon;
}

// Image files that Qt reads. Vector images are drawn at each size; others are read
// once and scaled.
FileIcons readImageFile(const QString &path, int index, Want want)
{
    QImageReader probe(path);
    if (!probe.canRead())
        return {};
    FileIcons result;
    result.count = 1;
    if (want == Want::Count || index != 0)
        return result;
    const QSize size = probe.size();
    if (size.isValid() && qint64(size.width()) * size.height() > MaxImagePixels)
        return result;
    const QByteArray format = probe.format();
    if (format == "svg" || format == "svgz") {
        for (int side : {32, 16}) {
            QImageReader reader(path, format);
            if (size.isValid() && !size.isEmpty())
                reader.setScaledSize(size.scaled(side, side, Qt::KeepAspectRatio));
            else
                reader.setScaledSize(QSize(side, side));
            const QImage image = IconFormat::fitToSquare(reader.read(), side);
            (side == 32 ? result.icon.image32 : result.icon.image16) = image;
        }
        if (result.icon.image32.isNull() || result.icon.image16.isNull())
            result.icon = {};
        return result;
    }
    const QImage image = probe.read();
    if (image.isNull())
        return result;
    result.icon = fitIcon(image);
    return result;
}

FileIcons readBytes(const QString &path, QByteArrayView data, int index, Want want,
                    bool followDesktopEntries)
{
    FileIcons result;
    if (data.startsWith("MZ")) {
        result.count = PeIcons::countIcons(data);
        if (want == Want::CountAndIcon && result.count > 0)
            result.icon = PeIcons::readIcon(data, index);
        return result;
    }
    if (data.startsWith(QByteArrayView("\0\0\1\0", 4))) {
        result.count = IconFormat::countIcoIcons(data);
        if (want == Want::CountAndIcon && result.count > 0)
            result.icon = IconFormat::readIcoFile(data, index);
        return result;
    }
    if (IconFileReaders::isDesktopEntry(path)) {
        if (!followDesktopEntries)
            return {};
        return IconFileReaders::readDesktopEntry(data, index, want);
    }
    return readImageFile(path, index, want);
}

struct FileStamp
{
    QString canonicalPath;
    qint64 size = 0;
    qint64 modifiedNs = 0;
};

QString absolutePath(const QString &fileName)
{
    return QDir::isAbsolutePath(fileName) ? fileName : QFileInfo(fileName).absoluteFilePath();
}

// Only regular files are read: a directory, a device or a named pipe has no icon
// (and opening a pipe could block).
std::optional<FileStamp> stampOf(const QString &fileName)
{
    if (fileName.isEmpty())
        return std::nullopt;
    const IconFileStamp st = statIconFile(fileName);
    if (!st.regular)
        return std::nullopt;
    FileStamp stamp{QFileInfo(fileName).canonicalFilePath(), st.size, st.modifiedNs};
    if (stamp.canonicalPath.isEmpty())
        return std::nullopt;
    return stamp;
}

struct CacheKey
{
    QString path;
    int index;
    bool countOnly;

    bool operator==(const CacheKey &) const = default;
};

size_t qHash(const CacheKey &key, size_t seed)
{
    return qHashMulti(seed, key.path, key.index, key.countOnly);
}

struct CacheValue
{
    qint64 size;
    qint64 modifiedNs;
    FileIcons icons;
};

// A file name as given, and the file it led to when its canonical path was found.
struct ResolvedPath
{
    QString canonicalPath;
    quint64 device;
    quint64 inode;
};

} // namespace

namespace IconFileReaders {

FileIcons readFile(const QString &path, int index, Want want, bool followDesktopEntries)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const qint64 size = file.size();
    if (size <= 0)
        return {};
    // Small files are read: mapping and unmapping costs more than copying them.
    if (size > MaxCopiedSize) {
        if (const uchar *mapped = file.map(0, size)) {
            const QByteArrayView data(mapped, size);
            FileIcons result = readBytes(path, data, index, want, followDesktopEntries);
            file.unmap(const_cast<uchar *>(mapped));
            return result;
        }
    }
    if (size > MaxReadSize)
        return {};
    const QByteArray data = file.read(size);
    return readBytes(path, data, index, want, followDesktopEntries);
}

} // namespace IconFileReaders

struct IconExtractor::Cache
{
    // Canonical paths remembered for this many file names at most.
    static constexpr qsizetype MaxResolvedPaths = 100000;

    QMutex mutex;
    QCache<CacheKey, CacheValue> entries;
    QHash<QString, ResolvedPath> resolved;

    // Finding a canonical path takes a system call per path component; a file name
    // that still leads to the same file (same device and inode) keeps the one found
    // before, so a cached answer costs one status request.
    std::optional<FileStamp> stampOf(const QString &fileName)
    {
        if (fileName.isEmpty())
            return std::nullopt;
        const QString path = absolutePath(fileName);
        const IconFileStamp st = statIconFile(path);
        if (!st.regular)
            return std::nullopt;
        if (st.hasIdentity()) {
            QMutexLocker lock(&mutex);
            const auto it = resolved.constFind(path);
            if (it != resolved.cend() && it->device == st.device && it->inode == st.inode)
                return FileStamp{it->canonicalPath, st.size, st.modifiedNs};
        }
        FileStamp stamp{QFileInfo(path).canonicalFilePath(), st.size, st.modifiedNs};
        if (stamp.canonicalPath.isEmpty())
            return std::nullopt;
        if (st.hasIdentity()) {
            QMutexLocker lock(&mutex);
            if (resolved.size() >= MaxResolvedPaths)
                resolved.clear();
            resolved.insert(path, ResolvedPath{stamp.canonicalPath, st.device, st.inode});
        }
        return stamp;
    }

    std::optional<FileIcons> find(const CacheKey &key, const FileStamp &stamp)
    {
        QMutexLocker lock(&mutex);
        const CacheValue *value = entries.object(key);
        if (!value || value->size != stamp.size || value->modifiedNs != stamp.modifiedNs)
            return std::nullopt;
        return value->icons;
    }

    void insert(const CacheKey &key, const FileStamp &stamp, const FileIcons &icons)
    {
        const qsizetype cost =
            256 + icons.icon.image32.sizeInBytes() + icons.icon.image16.sizeInBytes();
        QMutexLocker lock(&mutex);
        entries.insert(key, new CacheValue{stamp.size, stamp.modifiedNs, icons}, cost);
    }
};

IconExtractor::IconExtractor(qint64 cacheLimitBytes) : m_cache(std::make_unique<Cache>())
{
    m_cache->entries.setMaxCost(qsizetype(cacheLimitBytes));
}

IconExtractor::~IconExtractor() = default;

IconExtractor &IconExtractor::shared()
{
    static IconExtractor extractor;
    return extractor;
}

int IconExtractor::iconCount(const QString &fileName)
{
    const std::optional<FileStamp> stamp = m_cache->stampOf(fileName);
    if (!stamp)
        return 0;
    const CacheKey key{stamp->canonicalPath, 0, true};
    if (const std::optional<FileIcons> hit = m_cache->find(key, *stamp))
        return hit->count;
    const FileIcons icons = IconFileReaders::readFile(stamp->canonicalPath, 0, Want::Count, true);
    m_cache->insert(key, *stamp, icons);
    return icons.count;
}

ExtractedIcon IconExtractor::extractIcon(const QString &fileName, int index)
{
    const std::optional<FileStamp> stamp = m_cache->stampOf(fileName);
    if (!stamp)
        return {};
    const CacheKey key{stamp->canonicalPath, index, false};
    if (const std::optional<FileIcons> hit = m_cache->find(key, *stamp))
        return hit->icon;
    const FileIcons icons =
        IconFileReaders::readFile(stamp->canonicalPath, index, Want::CountAndIcon, true);
    m_cache->insert(key, *stamp, icons);
    // The count came with it; a later count of the same file needs no read.
    m_cache->insert(CacheKey{stamp->canonicalPath, 0, true}, *stamp, FileIcons{icons.count, {}});
    return icons.icon;
}

void IconExtractor::clearCache()
{
    QMutexLocker lock(&m_cache->mutex);
    m_cache->entries.clear();
    m_cache->resolved.clear();
}

int IconExtractor::countIconsUncached(const QString &fileName)
{
    const std::optional<FileStamp> stamp = stampOf(fileName);
    if (!stamp)
        return 0;
    return IconFileReaders::readFile(stamp->canonicalPath, 0, Want::Count, true).count;
}

ExtractedIcon IconExtractor::extractIconUncached(const QString &fileName, int index)
{
    const std::optional<FileStamp> stamp = stampOf(fileName);
    if (!stamp)
        return {};
    return IconFileReaders::readFile(stamp->canonicalPath, index, Want::CountAndIcon, true).icon;
}
