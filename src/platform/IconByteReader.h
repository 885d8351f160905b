#pragma once

#include <QByteArrayView>

// Bounds-checked little-endian reads from untrusted data: a read that does not fit
// the data yields 0 and `ok` false; callers check `ok` once after a run of reads.
class IconByteReader
{
public:
    explicit IconByteReader(QByteArrayView data) : m_data(data) {}

    qint64 size() const { return m_data.size(); }
    bool ok() const { return m_ok; }
    bool fits(qint64 offset, qint64 length) const
    {
        return offset >= 0 && length >= 0 && offset <= m_data.size() &&
               length <= m_data.size() - offset;
    }

    quint8 u8(qint64 offset) { return quint8(byteAt(offset, 1)); }
    quint16 u16(qint64 offset)
    {
        if (!check(offset, 2))
            return 0;
        return quint16(byte(offset) | byte(offset + 1) << 8);
    }
    quint32 u32(qint64 offset)
    {
        if (!check(offset, 4))
            return 0;
        return quint32(byte(offset)) | quint32(byte(offset + 1)) << 8 |
               quint32(byte(offset + 2)) << 16 | quint32(byte(offset + 3)) << 24;
    }
    qint32 i32(qint64 offset) { return qint32(u32(offset)); }
    quint32 u32be(qint64 offset)
    {
        if (!check(offset, 4))
            return 0;
        return quint32(byte(offset)) << 24 | quint32(byte(offset + 1)) << 16 |
               quint32(byte(offset + 2)) << 8 | quint32(byte(offset + 3));
    }
    // The bytes [offset, offset + length), or an empty view when they do not fit.
    QByteArrayView slice(qint64 offset, qint64 length) const
    {
        return fits(offset, length) ? m_data.sliced(offset, length) : QByteArrayView();
    }

private:
    bool check(qint64 offset, qint64 length)
    {
        if (fits(offset, length))
            return true;
        m_ok = false;
        return false;
    }
    quint32 byte(qint64 offset) const { return quint8(m_data[offset]); }
    quint32 byteAt(qint64 offset, qint64 length)
    {
        return check(offset, length) ? byte(offset) : 0;
    }

    QByteArrayView m_data;
    bool m_ok = true;
};
