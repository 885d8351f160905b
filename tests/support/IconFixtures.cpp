#include "IconFixtures.h"

#include <QBuffer>
#include <QFile>

namespace IconFixtures {

namespace {

void put16(QByteArray &data, qsizetype at, quint32 value)
{
    data[at] = char(value & 0xff);
    data[at + 1] = char(value >> 8 & 0xff);
}

void put32(QByteArray &data, qsizetype at, quint32 value)
{
    put16(data, at, value & 0xffff);
    put16(data, at + 2, value >> 16);
}

void append16(QByteArray &data, quint32 value)
{
    data.append(2, '\0');
    put16(data, data.size() - 2, value);
}

void append32(QByteArray &data, quint32 value)
{
    data.append(4, '\0');
    put32(data, data.size() - 4, value);
}

bool hasAlpha(const Image &image)
{
    return image.png || (image.bitCount == 32 && image.alpha);
}

// The colour as the stored depth keeps it.
QColor storedColor(const Image &image)
{
    if (image.png || image.bitCount != 16)
        return image.color;
    auto five = [](int v) { return (v >> 3) * 255 / 31; };
    return QColor(five(image.color.red()), five(image.color.green()), five(image.color.blue()));
}

int directoryColorCount(const Image &image)
{
    return !image.png && image.bitCount < 8 ? 1 << image.bitCount : 0;
}

int directoryBitCount(const Image &image)
{
    if (image.directoryBitCount >= 0)
        return image.directoryBitCount;
    return image.png ? 32 : image.bitCount;
}

QByteArray bitmapData(const Image &image)
{
    const int w = image.width;
    const int h = image.height;
    const int bits = image.bitCount;
    const int colorStride = (w * bits + 31) / 32 * 4;
    const int maskStride = (w + 31) / 32 * 4;
    const int paletteSize = bits <= 8 ? 1 << bits : 0;
    const QColor color = image.color;

    QByteArray data;
    append32(data, 40);
    append32(data, quint32(w));
    append32(data, quint32(h * 2));
    append16(data, 1);
    append16(data, quint32(bits));
    append32(data, 0); // BI_RGB
    append32(data, quint32((colorStride + maskStride) * h));
    append32(data, 0);
    append32(data, 0);
    append32(data, quint32(paletteSize));
    append32(data, 0);
    for (int i = 0; i < paletteSize; ++i) {
        // Entry 0 is the colour; every pixel uses it.
        const QColor entry = i == 0 ? color : QColor(Qt::black);
        data.append(char(entry.blue()));
        data.append(char(entry.green()));
        data.append(char(entry.red()));
        data.append('\0');
    }
    // Rows are stored bottom-up; picture row y is stored row h - 1 - y.
    for (int stored = 0; stored < h; ++stored) {
        const int y = h - 1 - stored;
        QByteArray row(colorStride, '\0');
        for (int x = 0; x < w; ++x) {
            switch (bits) {
            case 16: {
                const quint32 v = quint32(color.red() >> 3) << 10 |
                                  quint32(color.green() >> 3) << 5 | quint32(color.blue() >> 3);
                put16(row, x * 2, v);
                break;
            }
            case 24:
                row[x * 3] = char(color.blue());
                row[x * 3 + 1] = char(color.green());
                row[x * 3 + 2] = char(color.red());
                break;
            case 32: {
                int alpha = 0;
                if (image.alpha)
                    alpha = (x == 0 && y == 0) ? 0 : (x == 1 && y == 0) ? 128 : 255;
                const bool clear = image.alpha && alpha == 0;
                row[x * 4] = char(clear ? 0 : color.blue());
                row[x * 4 + 1] = char(clear ? 0 : color.green());
                row[x * 4 + 2] = char(clear ? 0 : color.red());
                row[x * 4 + 3] = char(alpha);
                break;
            }
            default:
                break; // palette index 0 everywhere
            }
        }
        data.append(row);
    }
    for (int stored = 0; stored < h; ++stored) {
        QByteArray row(maskStride, '\0');
        if (stored == h - 1)
            row[0] = char(0x80); // the top-left pixel is transparent
        data.append(row);
    }
    return data;
}

} // namespace

QColor distinctColor(int i)
{
    // Hues far apart, fully saturated, so that any stored depth keeps them apart.
    return QColor::fromHsv((i * 47) % 360, 255, 255 - (i / 8 % 4) * 40);
}

QImage pictureOf(const Image &image)
{
    QImage picture(image.width, image.height, QImage::Format_ARGB32);
    picture.fill(storedColor(image));
    picture.setPixel(0, 0, qRgba(0, 0, 0, 0));
    if (hasAlpha(image) && image.width > 1) {
        QColor half = image.color;
        half.setAlpha(128);
        picture.setPixel(1, 0, half.rgba());
    }
    return picture;
}

QByteArray imageData(const Image &image)
{
    if (!image.png)
        return bitmapData(image);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    pictureOf(image).save(&buffer, "PNG");
    return png;
}

QByteArray icoFile(const QList<Image> &images)
{
    QList<QByteArray> stored;
    for (const Image &image : images)
        stored.append(imageData(image));
    QByteArray data;
    append16(data, 0);
    append16(data, 1);
    append16(data, quint32(images.size()));
    quint32 offset = quint32(6 + 16 * images.size());
    for (qsizetype i = 0; i < images.size(); ++i) {
        const Image &image = images.at(i);
        data.append(char(image.width >= 256 ? 0 : image.width));
        data.append(char(image.height >= 256 ? 0 : image.height));
        data.append(char(directoryColorCount(image)));
        data.append('\0');
        append16(data, 1);
        append16(data, quint32(directoryBitCount(image)));
        append32(data, quint32(stored.at(i).size()));
        append32(data, offset);
        offset += quint32(stored.at(i).size());
    }
    for (const QByteArray &s : stored)
        data.append(s);
    return data;
}

QByteArray peFile(const QList<Group> &groups, PeKind kind)
{
    // The resources: RT_ICON images numbered from 1, then one directory per group.
    QList<QByteArray> icons;
    QList<QByteArray> groupData;
    for (const Group &group : groups) {
        QByteArray dir;
        append16(dir, 0);
        append16(dir, 1);
        append16(dir, quint32(group.images.size()));
        for (const Image &image : group.images) {
            const QByteArray stored = imageData(image);
            icons.append(stored);
            dir.append(char(image.width >= 256 ? 0 : image.width));
            dir.append(char(image.height >= 256 ? 0 : image.height));
            dir.append(char(directoryColorCount(image)));
            dir.append('\0');
            append16(dir, 1);
            append16(dir, quint32(directoryBitCount(image)));
            append32(dir, quint32(stored.size()));
            append16(dir, quint32(icons.size())); // its identifier
        }
        groupData.append(dir);
    }

    constexpr quint32 SectionRva = 0x1000;
    constexpr quint32 SectionOffset = 0x200;
    const qsizetype iconCount = icons.size();
    const qsizetype groupCount = groupData.size();
    const qsizetype resourceCount = iconCount + groupCount;

    // Layout of the resource section: root, the two type tables, one language table
    // and one data entry per resource, the names, then the data.
    const qsizetype iconTable = 16 + 2 * 8;
    const qsizetype groupTable = iconTable + 16 + iconCount * 8;
    const qsizetype languageTables = groupTable + 16 + groupCount * 8;
    const qsizetype dataEntries = languageTables + resourceCount * 24;
    const qsizetype names = dataEntries + resourceCount * 16;
    QByteArray section(names, '\0');

    QList<quint32> nameOffsets;
    for (const Group &group : groups) {
        nameOffsets.append(quint32(section.size()));
        if (group.name.isEmpty())
            continue;
        append16(section, quint32(group.name.size()));
        for (QChar c : group.name)
            append16(section, c.unicode());
    }
    auto appendBlob = [&](const QByteArray &blob) {
        while (section.size() % 4)
            section.append('\0');
        const quint32 at = quint32(section.size());
        section.append(blob);
        return at;
    };
    auto writeResource = [&](qsizetype i, const QByteArray &blob) {
        const qsizetype languageTable = languageTables + i * 24;
        const qsizetype dataEntry = dataEntries + i * 16;
        put16(section, languageTable + 14, 1);
        put32(section, languageTable + 16, 0x409);
        put32(section, languageTable + 20, quint32(dataEntry));
        const quint32 at = appendBlob(blob);
        put32(section, dataEntry, SectionRva + at);
        put32(section, dataEntry + 4, quint32(blob.size()));
        return quint32(languageTable) | 0x80000000u;
    };

    put16(section, 14, 2); // root: RT_ICON and RT_GROUP_ICON, by identifier
    put32(section, 16, 3);
    put32(section, 20, quint32(iconTable) | 0x80000000u);
    put32(section, 24, 14);
    put32(section, 28, quint32(groupTable) | 0x80000000u);
    put16(section, iconTable + 14, quint32(iconCount));
    for (qsizetype i = 0; i < iconCount; ++i) {
        put32(section, iconTable + 16 + i * 8, quint32(i + 1));
        put32(section, iconTable + 20 + i * 8, writeResource(i, icons.at(i)));
    }
    qsizetype named = 0;
    for (qsizetype g = 0; g < groupCount; ++g) {
        const Group &group = groups.at(g);
        named += group.name.isEmpty() ? 0 : 1;
        const quint32 nameOrId =
            group.name.isEmpty() ? group.id : (nameOffsets.at(g) | 0x80000000u);
        put32(section, groupTable + 16 + g * 8, nameOrId);
        put32(section, groupTable + 20 + g * 8, writeResource(iconCount + g, groupData.at(g)));
    }
    put16(section, groupTable + 12, quint32(named));
    put16(section, groupTable + 14, quint32(groupCount - named));

    const bool plus = kind == PeKind::Pe32Plus;
    const bool hasResources = !groups.isEmpty();
    const quint32 optionalSize = plus ? 240 : 224;
    const quint32 rawSize = quint32((section.size() + 0x1ff) & ~0x1ff);

    QByteArray file(SectionOffset, '\0');
    file[0] = 'M';
    file[1] = 'Z';
    put32(file, 0x3c, 0x40);
    file[0x40] = 'P';
    file[0x41] = 'E';
    const qsizetype coff = 0x44;
    put16(file, coff, plus ? 0x8664 : 0x14c);
    put16(file, coff + 2, hasResources ? 1 : 0);
    put16(file, coff + 16, optionalSize);
    put16(file, coff + 18, 0x0102);
    const qsizetype optional = coff + 20;
    put16(file, optional, plus ? 0x20b : 0x10b);
    put32(file, optional + 32, 0x1000);                                     // section alignment
    put32(file, optional + 36, 0x200);                                      // file alignment
    put32(file, optional + 56, SectionRva + ((rawSize + 0xfff) & ~0xfffu)); // image size
    put32(file, optional + 60, SectionOffset);                              // header size
    const qsizetype rvaCount = optional + (plus ? 108 : 92);
    put32(file, rvaCount, 16);
    if (hasResources) {
        put32(file, rvaCount + 4 + 2 * 8, SectionRva);
        put32(file, rvaCount + 4 + 2 * 8 + 4, quint32(section.size()));
        const qsizetype header = optional + optionalSize;
        file.replace(header, 6, ".rsrc\0", 6);
        put32(file, header + 8, quint32(section.size()));
        put32(file, header + 12, SectionRva);
        put32(file, header + 16, rawSize);
        put32(file, header + 20, SectionOffset);
        put32(file, header + 36, 0x40000040);
        section.resize(rawSize, '\0');
        file.append(section);
    }
    return file;
}

QList<Group> numberedGroups(int count, int side, int bitCount)
{
    QList<Group> groups;
    for (int i = 1; i <= count; ++i) {
        Image image;
        image.width = image.height = side;
        image.bitCount = bitCount;
        image.color = distinctColor(i);
        groups.append(Group{QString(), quint16(i), {image}});
    }
    return groups;
}

bool writeFile(const QString &path, const QByteArray &data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(data) == data.size() && file.flush();
}

bool setModified(const QString &path, const QDateTime &time)
{
    QFile file(path);
    return file.open(QIODevice::ReadWrite) &&
           file.setFileTime(time, QFileDevice::FileModificationTime);
}

} // namespace IconFixtures
