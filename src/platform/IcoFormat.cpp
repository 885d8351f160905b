#include "platform/IcoFormat.h"

#include "platform/IconByteReader.h"

#include <QPainter>

#include <cstdlib>

namespace IconFormat {

namespace {

constexpr char PngSignature[] = "\x89PNG\r\n\x1a\n";

bool isPng(QByteArrayView data)
{
    return data.startsWith(QByteArrayView(PngSignature, 8));
}

// A bitmap's colour table: BGR quads, at most 256 of them.
struct Palette
{
    QRgb colors[256];
    int count = 0;

    QRgb at(quint32 index) const { return index < quint32(count) ? colors[index] : qRgb(0, 0, 0); }
};

QImage decodePng(QByteArrayView data)
{
    IconByteReader in(data);
    // The header chunk comes first; its size is checked before the decoder allocates.
    if (in.u32be(8) != 13 || in.slice(12, 4) != QByteArrayView("IHDR"))
        return {};
    const quint32 width = in.u32be(16);
    const quint32 height = in.u32be(20);
    if (!in.ok() || width < 1 || height < 1 || width > quint32(MaxImageSide) ||
        height > quint32(MaxImageSide))
        return {};
    QImage image;
    if (!image.loadFromData(data, "PNG"))
        return {};
    if (image.width() > MaxImageSide || image.height() > MaxImageSide)
        return {};
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

QImage decodeBitmap(QByteArrayView data)
{
    IconByteReader in(data);
    const quint32 headerSize = in.u32(0);
    const qint32 width = in.i32(4);
    const qint32 storedHeight = in.i32(8);
    const int bitCount = in.u16(14);
    const quint32 compression = in.u32(16);
    const quint32 colorsUsed = in.u32(32);
    if (!in.ok() || headerSize < 40 || headerSize > quint32(data.size()))
        return {};
    // The stored height covers the colour bitmap and the AND mask below it.
    const int height = storedHeight / 2;
    if (width < 1 || width > MaxImageSide || height < 1 || height > MaxImageSide)
        return {};
    if (compression != 0) // BI_RGB only; icons use nothing else
        return {};
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 &&
        bitCount != 32)
        return {};

    Palette palette;
    qint64 paletteBytes = 0;
    if (bitCount <= 8) {
        const quint32 entries = colorsUsed != 0 ? colorsUsed : (1u << bitCount);
        if (entries > 256)
            return {};
        palette.count = int(entries);
        paletteBytes = qint64(entries) * 4;
        if (!in.fits(headerSize, paletteBytes))
            return {};
        for (int i = 0; i < palette.count; ++i) {
            const qint64 at = headerSize + qint64(i) * 4;
            palette.colors[i] = qRgb(in.u8(at + 2), in.u8(at + 1), in.u8(at));
        }
    }

    const qint64 colorStride = (qint64(width) * bitCount + 31) / 32 * 4;
    const qint64 maskStride = (qint64(width) + 31) / 32 * 4;
    const qint64 colorOffset = qint64(headerSize) + paletteBytes;
    const qint64 maskOffset = colorOffset + colorStride * height;
    if (!in.fits(colorOffset, colorStride * height))
        return {};
    // Some writers leave the mask out; the image is then opaque.
    const bool hasMask = in.fits(maskOffset, maskStride * height);

    const auto *bytes = reinterpret_cast<const uchar *>(data.data());
    auto masked = [&](int x, int storedRow) {
        if (!hasMask)
            return false;
        const uchar b = bytes[maskOffset + maskStride * storedRow + x / 8];
        return (b >> (7 - x % 8) & 1) != 0;
    };

    bool useAlpha = false;
    if (bitCount == 32) {
        // A 32-bit image whose alpha bytes are all 0 was written for the mask alone.
        for (int row = 0; row < height && !useAlpha; ++row) {
            const uchar *line = bytes + colorOffset + colorStride * row;
            for (int x = 0; x < width; ++x) {
                if (line[x * 4 + 3] != 0) {
                    useAlpha = true;
                    break;
                }
            }
        }
    }

    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return {};
    for (int row = 0; row < height; ++row) {
        const int storedRow = height - 1 - row; // bottom-up
        const uchar *line = bytes + colorOffset + colorStride * storedRow;
        auto *out = reinterpret_cast<QRgb *>(image.scanLine(row));
        for (int x = 0; x < width; ++x) {
            QRgb color;
            switch (bitCount) {
            case 1:
                color = palette.at(line[x / 8] >> (7 - x % 8) & 1);
                break;
            case 4:
                color = palette.at(line[x / 2] >> (x % 2 ? 0 : 4) & 0xf);
                break;
            case 8:
                color = palette.at(line[x]);
                break;
            case 16: {
                const int v = line[x * 2] | line[x * 2 + 1] << 8;
                color =
                    qRgb((v >> 10 & 31) * 255 / 31, (v >> 5 & 31) * 255 / 31, (v & 31) * 255 / 31);
                break;
            }
            case 24:
                color = qRgb(line[x * 3 + 2], line[x * 3 + 1], line[x * 3]);
                break;
            default: {
                const uchar *p = line + x * 4;
                if (useAlpha) {
                    out[x] = qPremultiply(qRgba(p[2], p[1], p[0], p[3]));
                    continue;
                }
                color = qRgb(p[2], p[1], p[0]);
                break;
            }
            }
            out[x] = masked(x, storedRow) ? 0 : color;
        }
    }
    return image;
}

int depthFromColorCount(int colorCount)
{
    if (colorCount == 2)
        return 1;
    if (colorCount > 0 && colorCount <= 16)
        return 4;
    return 8;
}

} // namespace

QList<DirectoryEntry> parseDirectory(QByteArrayView data, DirectoryKind kind)
{
    IconByteReader in(data);
    const int reserved = in.u16(0);
    const int type = in.u16(2);
    const int count = in.u16(4);
    const qint64 entrySize = kind == DirectoryKind::IconFile ? 16 : 14;
    if (!in.ok() || reserved != 0 || type != 1 || count == 0 || !in.fits(6, entrySize * count))
        return {};
    QList<DirectoryEntry> entries;
    entries.reserve(count);
    for (int i = 0; i < count; ++i) {
        const qint64 at = 6 + entrySize * i;
        DirectoryEntry e;
        e.width = in.u8(at) == 0 ? 256 : in.u8(at);
        e.height = in.u8(at + 1) == 0 ? 256 : in.u8(at + 1);
        e.colorCount = in.u8(at + 2);
        e.bitCount = in.u16(at + 6);
        e.bytes = in.u32(at + 8);
        e.offsetOrId = kind == DirectoryKind::IconFile ? in.u32(at + 12) : in.u16(at + 12);
        entries.append(e);
    }
    return entries;
}

int storedBitDepth(QByteArrayView imageData)
{
    if (isPng(imageData))
        return 32;
    IconByteReader in(imageData);
    const quint32 headerSize = in.u32(0);
    const int bitCount = in.u16(14);
    return in.ok() && headerSize >= 40 ? bitCount : 0;
}

int chooseImage(const QList<DirectoryEntry> &entries, const QList<int> &depths, int size,
                int displayDepth)
{
    int best = -1;
    int bestDistance = 0;
    int bestDepthDistance = 0;
    for (int i = 0; i < entries.size(); ++i) {
        const DirectoryEntry &e = entries.at(i);
        const int distance = std::abs(e.width - size) + std::abs(e.height - size);
        const int depthDistance = std::abs((i < depths.size() ? depths.at(i) : 0) - displayDepth);
        if (best < 0 || distance < bestDistance ||
            (distance == bestDistance && depthDistance < bestDepthDistance)) {
            best = i;
            bestDistance = distance;
            bestDepthDistance = depthDistance;
        }
    }
    return best;
}

QImage decodeImage(QByteArrayView data)
{
    if (isPng(data))
        return decodePng(data);
    return decodeBitmap(data);
}

QImage fitToSquare(const QImage &image, int size)
{
    if (image.isNull())
        return {};
    if (image.width() == size && image.height() == size)
        return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage scaled = image.convertToFormat(QImage::Format_ARGB32_Premultiplied)
                              .scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    if (scaled.width() == size && scaled.height() == size)
        return scaled;
    QImage square(size, size, QImage::Format_ARGB32_Premultiplied);
    square.fill(Qt::transparent);
    QPainter painter(&square);
    painter.drawImage((size - scaled.width()) / 2, (size - scaled.height()) / 2, scaled);
    return square;
}

ExtractedIcon
extractFromDirectory(const QList<DirectoryEntry> &entries,
                     const std::function<QByteArrayView(const DirectoryEntry &)> &dataOf)
{
    if (entries.isEmpty())
        return {};
    QList<int> depths;
    depths.reserve(entries.size());
    for (const DirectoryEntry &e : entries) {
        int depth = e.bitCount;
        if (depth == 0)
            depth = storedBitDepth(dataOf(e));
        if (depth == 0)
            depth = depthFromColorCount(e.colorCount);
        depths.append(depth);
    }
    const int choice32 = chooseImage(entries, depths, 32);
    const int choice16 = chooseImage(entries, depths, 16);
    const QImage source32 = decodeImage(dataOf(entries.at(choice32)));
    const QImage source16 =
        choice16 == choice32 ? source32 : decodeImage(dataOf(entries.at(choice16)));
    ExtractedIcon icon;
    icon.image32 = fitToSquare(source32.isNull() ? source16 : source32, 32);
    icon.image16 = fitToSquare(source16.isNull() ? source32 : source16, 16);
    return icon;
}

int countIcoIcons(QByteArrayView file)
{
    return parseDirectory(file, DirectoryKind::IconFile).isEmpty() ? 0 : 1;
}

ExtractedIcon readIcoFile(QByteArrayView file, int index)
{
    if (index != 0)
        return {};
    const QList<DirectoryEntry> entries = parseDirectory(file, DirectoryKind::IconFile);
    IconByteReader in(file);
    return extractFromDirectory(entries, [&](const DirectoryEntry &e) {
        // A stored length running past the end is cut to the data there is; the
        // image decoder then decides whether that is enough.
        if (e.offsetOrId >= quint64(file.size()))
            return QByteArrayView();
        const qint64 available = file.size() - qint64(e.offsetOrId);
        return in.slice(e.offsetOrId, std::min<qint64>(e.bytes, available));
    });
}

} // namespace IconFormat
