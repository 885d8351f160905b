#pragma once

#include "platform/IconImages.h"

#include <QByteArrayView>
#include <QList>
#include <QString>

// The icons inside a program or library in the Portable Executable format (PE32 and
// PE32+): its RT_GROUP_ICON resources, each a directory of RT_ICON images.
//
// Icons are counted and numbered as Windows numbers them: the named groups first, in
// the order of their names compared in upper case, then the numbered groups by
// ascending identifier. Index 0, 1, 2 ... takes a group by that position; a negative
// index -k takes the group whose identifier is k. Of several languages of one
// resource, the first in the file is used.
//
// Nothing in the file is trusted: every offset, size and count is checked against the
// data, and a file that is not a PE file, or a damaged one, simply has no icons.
class PeIconResources
{
public:
    explicit PeIconResources(QByteArrayView file);

    // True when the data holds PE headers that could be read (with or without icons).
    bool isPe() const { return m_isPe; }
    int groupCount() const { return int(m_groups.size()); }
    // The stored RT_GROUP_ICON data of a group; empty when there is no such group.
    QByteArrayView group(int index) const;
    // The stored RT_ICON data with that identifier; empty when there is none.
    QByteArrayView icon(quint32 id) const;

private:
    struct Section
    {
        quint32 virtualAddress;
        quint32 rawSize;
        quint32 rawOffset;
    };
    struct Group
    {
        bool named;
        QString sortKey; // upper-cased name
        quint32 id;
        quint32 offsetToData;
    };
    struct Icon
    {
        quint32 id;
        quint32 offsetToData;
    };

    void parse();
    QByteArrayView mapRva(quint32 rva, quint32 size) const;
    QByteArrayView resourceData(quint32 offsetToData) const;

    QByteArrayView m_file;
    QByteArrayView m_resources; // the resource section from the resource directory on
    QList<Section> m_sections;
    QList<Group> m_groups; // in the order Windows numbers them
    QList<Icon> m_icons;   // by ascending identifier
    bool m_isPe = false;
};

namespace PeIcons {
// The number of icon groups of a PE file; 0 for anything else.
int countIcons(QByteArrayView file);
// The 32x32 and 16x16 images of one icon group (see PeIconResources for the index).
ExtractedIcon readIcon(QByteArrayView file, int index);
} // namespace PeIcons
