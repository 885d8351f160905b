#include "platform/PeIconResources.h"

#include "platform/IcoFormat.h"
#include "platform/IconByteReader.h"

#include <algorithm>
#include <optional>

namespace {

constexpr quint32 RtIcon = 3;
constexpr quint32 RtGroupIcon = 14;
constexpr quint32 HighBit = 0x80000000u;

struct DirectoryEntry
{
    quint32 nameOrId;
    quint32 offsetToData;
};

// The entries of one resource directory table at `offset` in the resource section.
QList<DirectoryEntry> readDirectory(QByteArrayView resources, quint32 offset)
{
    IconByteReader in(resources);
    const qint64 count = qint64(in.u16(qint64(offset) + 12)) + in.u16(qint64(offset) + 14);
    if (!in.ok() || !in.fits(qint64(offset) + 16, count * 8))
        return {};
    QList<DirectoryEntry> entries;
    entries.reserve(count);
    for (qint64 i = 0; i < count; ++i) {
        const qint64 at = qint64(offset) + 16 + i * 8;
        entries.append({in.u32(at), in.u32(at + 4)});
    }
    return entries;
}

// A resource name: a 16-bit length and that many UTF-16 code units.
bool readName(QByteArrayView resources, quint32 offset, QString &name)
{
    IconByteReader in(resources);
    const qint64 length = in.u16(offset);
    const QByteArrayView units = in.slice(qint64(offset) + 2, length * 2);
    if (!in.ok() || units.size() != length * 2)
        return false;
    name.resize(length);
    for (qint64 i = 0; i < length; ++i) {
        const char16_t unit = char16_t(quint8(units[i * 2]) | quint8(units[i * 2 + 1]) << 8);
        name[i] = QChar(unit).toUpper();
    }
    return true;
}

} // namespace

PeIconResources::PeIconResources(QByteArrayView file) : m_file(file)
{
    parse();
}

void PeIconResources::parse()
{
    IconByteReader in(m_file);
    if (in.u16(0) != 0x5A4D) // "MZ"
        return;
    const qint64 pe = in.u32(0x3C);
    if (!in.ok() || in.u32(pe) != 0x00004550) // "PE\0\0"
        return;
    const qint64 coff = pe + 4;
    const int sectionCount = in.u16(coff + 2);
    const qint64 optionalSize = in.u16(coff + 16);
    const qint64 optional = coff + 20;
    const int magic = in.u16(optional);
    if (!in.ok())
        return;
    qint64 rvaCountAt = 0;
    if (magic == 0x10b) // PE32
        rvaCountAt = optional + 92;
    else if (magic == 0x20b) // PE32+
        rvaCountAt = optional + 108;
    else
        return;
    const qint64 directories = rvaCountAt + 4;
    const qint64 sectionTable = optional + optionalSize;
    if (!in.fits(sectionTable, qint64(sectionCount) * 40))
        return;
    m_sections.reserve(sectionCount);
    for (int i = 0; i < sectionCount; ++i) {
        const qint64 at = sectionTable + qint64(i) * 40;
        m_sections.append({in.u32(at + 12), in.u32(at + 16), in.u32(at + 20)});
    }
    m_isPe = true;

    // The resource directory is data directory 2, when the optional header has it.
    const quint32 rvaCount = in.u32(rvaCountAt);
    if (rvaCount < 3 || directories + 3 * 8 > sectionTable)
        return;
    const quint32 resourceRva = in.u32(directories + 16);
    if (!in.ok() || resourceRva == 0)
        return;
    // Offsets inside the resource tree count from its root, up to the end of the
    // section that holds the root.
    for (const Section &s : std::as_const(m_sections)) {
        if (resourceRva >= s.virtualAddress && resourceRva - s.virtualAddress < s.rawSize) {
            const qint64 start = qint64(s.rawOffset) + (resourceRva - s.virtualAddress);
            const qint64 end = std::min<qint64>(qint64(s.rawOffset) + s.rawSize, m_file.size());
            if (start < end)
                m_resources = m_file.sliced(start, end - start);
            break;
        }
    }
    if (m_resources.isEmpty())
        return;

    std::optional<quint32> groupTable;
    std::optional<quint32> iconTable;
    for (const DirectoryEntry &type : readDirectory(m_resources, 0)) {
        if ((type.nameOrId & HighBit) || !(type.offsetToData & HighBit))
            continue;
        if (type.nameOrId == RtGroupIcon && !groupTable)
            groupTable = type.offsetToData & ~HighBit;
        else if (type.nameOrId == RtIcon && !iconTable)
            iconTable = type.offsetToData & ~HighBit;
    }
    if (groupTable) {
        const QList<DirectoryEntry> entries = readDirectory(m_resources, *groupTable);
        m_groups.reserve(entries.size());
        for (const DirectoryEntry &e : entries) {
            Group group{false, QString(), 0, e.offsetToData};
            if (e.nameOrId & HighBit) {
                group.named = true;
                if (!readName(m_resources, e.nameOrId & ~HighBit, group.sortKey))
                    continue;
            } else {
                group.id = e.nameOrId;
            }
            m_groups.append(group);
        }
        std::stable_sort(m_groups.begin(), m_groups.end(), [](const Group &a, const Group &b) {
            if (a.named != b.named)
                return a.named;
            if (a.named)
                return a.sortKey < b.sortKey;
            return a.id < b.id;
        });
    }
    if (iconTable) {
        for (const DirectoryEntry &e : readDirectory(m_resources, *iconTable)) {
            if (!(e.nameOrId & HighBit))
                m_icons.append({e.nameOrId, e.offsetToData});
        }
        std::stable_sort(m_icons.begin(), m_icons.end(),
                         [](const Icon &a, const Icon &b) { return a.id < b.id; });
    }
}

QByteArrayView PeIconResources::mapRva(quint32 rva, quint32 size) const
{
    for (const Section &s : m_sections) {
        if (rva < s.virtualAddress)
            continue;
        const quint32 delta = rva - s.virtualAddress;
        if (delta >= s.rawSize)
            continue;
        if (size > s.rawSize - delta)
            return {};
        const IconByteReader in(m_file);
        return in.slice(qint64(s.rawOffset) + delta, size);
    }
    return {};
}

QByteArrayView PeIconResources::resourceData(quint32 offsetToData) const
{
    quint32 entry = offsetToData;
    if (entry & HighBit) {
        // A table of languages: the first one that leads straight to data.
        entry = 0;
        for (const DirectoryEntry &language : readDirectory(m_resources, offsetToData & ~HighBit)) {
            if (!(language.offsetToData & HighBit)) {
                entry = language.offsetToData;
                break;
            }
        }
        if (entry == 0)
            return {};
    }
    IconByteReader in(m_resources);
    const quint32 rva = in.u32(entry);
    const quint32 size = in.u32(qint64(entry) + 4);
    if (!in.ok() || size == 0)
        return {};
    return mapRva(rva, size);
}

QByteArrayView PeIconResources::group(int index) const
{
    if (index >= 0) {
        if (index >= m_groups.size())
            return {};
        return resourceData(m_groups.at(index).offsetToData);
    }
    const qint64 id = -qint64(index);
    for (const Group &g : m_groups) {
        if (!g.named && g.id == id)
            return resourceData(g.offsetToData);
    }
    return {};
}

QByteArrayView PeIconResources::icon(quint32 id) const
{
    const auto it =
        std::lower_bound(m_icons.begin(), m_icons.end(), id,
                         [](const Icon &icon, quint32 value) { return icon.id < value; });
    if (it == m_icons.end() || it->id != id)
        return {};
    return resourceData(it->offsetToData);
}

namespace PeIcons {

int countIcons(QByteArrayView file)
{
    return PeIconResources(file).groupCount();
}

ExtractedIcon readIcon(QByteArrayView file, int index)
{
    const PeIconResources resources(file);
    const QList<IconFormat::DirectoryEntry> entries = IconFormat::parseDirectory(
        resources.group(index), IconFormat::DirectoryKind::ResourceGroup);
    return IconFormat::extractFromDirectory(
        entries, [&](const IconFormat::DirectoryEntry &e) { return resources.icon(e.offsetOrId); });
}

} // namespace PeIcons
