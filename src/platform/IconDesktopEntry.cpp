#include "platform/IconFileReaders.h"

namespace IconFileReaders {

namespace {

// Only the start of a desktop entry is looked at; real ones are a few kilobytes.
constexpr qsizetype MaxDesktopEntrySize = 1 << 20;

QString unescape(QStringView value)
{
    QString result;
    result.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c != u'\\' || i + 1 == value.size()) {
            result.append(c);
            continue;
        }
        const QChar next = value.at(++i);
        switch (next.unicode()) {
        case u's':
            result.append(u' ');
            break;
        case u'n':
            result.append(u'\n');
            break;
        case u't':
            result.append(u'\t');
            break;
        case u'r':
            result.append(u'\r');
            break;
        default:
            result.append(next);
            break;
        }
    }
    return result;
}

} // namespace

QString desktopEntryIconValue(QByteArrayView data)
{
    const QString text = QString::fromUtf8(data.first(std::min(data.size(), MaxDesktopEntrySize)));
    bool inEntryGroup = false;
    for (QStringView line : QStringView(text).tokenize(u'\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[')) {
            inEntryGroup = line == u"[Desktop Entry]";
            continue;
        }
        if (!inEntryGroup)
            continue;
        const qsizetype equals = line.indexOf(u'=');
        if (equals < 0 || line.first(equals).trimmed() != u"Icon")
            continue;
        return unescape(line.sliced(equals + 1).trimmed());
    }
    return {};
}

} // namespace IconFileReaders
