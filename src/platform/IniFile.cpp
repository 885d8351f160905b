#include "platform/IniFile.h"

#include "platform/KelvaroError.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QStringDecoder>
#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <deque>
#include <limits>
#include <optional>
#include <span>
#include <vector>

namespace {

constexpr qsizetype MaxValueLength = 2047;
constexpr QStringView EscapeMarker = u"%%";

enum class Eol : quint8 { None, Cr, Lf, CrLf };
enum class Kind : quint8 { Other, Comment, Key };

bool isBlank(QChar c)
{
    const char16_t u = c.unicode();
    return u == u' ' || u == u'\t' || u == u'\v' || u == u'\f';
}

bool isLineBreak(QChar c)
{
    return c == u'\r' || c == u'\n';
}

bool isQuote(QChar c)
{
    return c == u'"' || c == u'\'';
}

QStringView trimBlanks(QStringView s)
{
    qsizetype begin = 0;
    qsizetype end = s.size();
    while (begin < end && isBlank(s[begin]))
        ++begin;
    while (end > begin && isBlank(s[end - 1]))
        --end;
    return s.sliced(begin, end - begin);
}

// The first CR or LF from p on, or end. Four characters are tested at a time for
// any below 14 (CR is 13, LF 10); only such groups are looked at one by one.
const char16_t *findLineBreak(const char16_t *p, const char16_t *end)
{
    constexpr quint64 ones = 0x0001000100010001u;
    constexpr quint64 highs = 0x8000800080008000u;
    for (;;) {
        while (end - p >= 4) {
            quint64 units;
            std::memcpy(&units, p, sizeof units);
            if (((units - ones * 14) & ~units & highs) != 0)
                break;
            p += 4;
        }
        const char16_t *const group = end - p < 4 ? end : p + 4;
        for (; p < group; ++p) {
            if (*p == u'\r' || *p == u'\n')
                return p;
        }
        if (p == end)
            return end;
    }
}

// --- Names the syntax cannot carry ----------------------------------------------

bool sectionNeedsEscape(QStringView name)
{
    if (name.isEmpty() || name.startsWith(EscapeMarker) || isBlank(name.front()) ||
        isBlank(name.back()))
        return true;
    return std::any_of(name.begin(), name.end(),
                       [](QChar c) { return c == u']' || isLineBreak(c); });
}

bool keyNeedsEscape(QStringView key)
{
    if (key.isEmpty() || key.startsWith(EscapeMarker) || isBlank(key.front()) ||
        isBlank(key.back()) || key.front() == u';' || key.front() == u'[')
        return true;
    return std::any_of(key.begin(), key.end(), [](QChar c) { return c == u'=' || isLineBreak(c); });
}

void appendEscaped(QString &out, QStringView name)
{
    static constexpr char16_t hex[] = u"0123456789ABCDEF";
    out += EscapeMarker;
    const qsizetype last = name.size() - 1;
    for (qsizetype i = 0; i <= last; ++i) {
        const QChar c = name[i];
        const bool escape = c == u'%' || c == u']' || c == u'=' || isLineBreak(c) ||
                            (isBlank(c) && (i == 0 || i == last));
        if (escape) {
            out += u'%';
            out += QChar(hex[(c.unicode() >> 4) & 0xF]);
            out += QChar(hex[c.unicode() & 0xF]);
        } else {
            out += c;
        }
    }
}

int hexValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    return -1;
}

bool isEscaped(QStringView stored)
{
    return stored.startsWith(EscapeMarker);
}

QString unescape(QStringView stored)
{
    if (!isEscaped(stored))
        return stored.toString();
    QString out;
    out.reserve(stored.size() - 2);
    for (qsizetype i = 2; i < stored.size(); ++i) {
        if (stored[i] == u'%' && i + 2 < stored.size() && hexValue(stored[i + 1]) >= 0 &&
            hexValue(stored[i + 2]) >= 0) {
            out += QChar(char16_t(hexValue(stored[i + 1]) * 16 + hexValue(stored[i + 2])));
            i += 2;
        } else {
            out += stored[i];
        }
    }
    return out;
}

// --- Case-insensitive section index -------------------------------------------------

// A section name as a hash key: equal when equal apart from case. Hashing folds the
// case character by character, so a lookup needs no folded copy of the name.
struct NameKey
{
    QString name;
};

// Names equal apart from case have the same length in UTF-16 units, as the comparison
// folds one character at a time. ASCII is compared here; from the first other
// difference on, Qt compares.
bool namesEqual(QStringView a, QStringView b) noexcept
{
    if (a.size() != b.size())
        return false;
    const auto fold = [](char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + 0x20) : c; };
    for (qsizetype i = 0; i < a.size(); ++i) {
        const char16_t x = a[i].unicode();
        const char16_t y = b[i].unicode();
        if (x == y)
            continue;
        if (x < 0x80 && y < 0x80) {
            if (fold(x) != fold(y))
                return false;
            continue;
        }
        if (i > 0 && a[i - 1].isHighSurrogate())
            --i; // compare the whole pair
        return a.sliced(i).compare(b.sliced(i), Qt::CaseInsensitive) == 0;
    }
    return true;
}

bool operator==(const NameKey &a, const NameKey &b) noexcept
{
    return namesEqual(a.name, b.name);
}

size_t qHash(const NameKey &key, size_t seed) noexcept
{
    size_t h = seed;
    const QString &s = key.name;
    for (qsizetype i = 0; i < s.size(); ++i) {
        char32_t c = s[i].unicode();
        if (c < 0x80) {
            if (c >= u'A' && c <= u'Z')
                c += 0x20;
        } else {
            if (QChar::isHighSurrogate(c) && i + 1 < s.size() && s[i + 1].isLowSurrogate()) {
                c = QChar::surrogateToUcs4(char16_t(c), s[i + 1].unicode());
                ++i;
            }
            c = QChar::toCaseFolded(c);
        }
        h ^= size_t(c) + 0x9e3779b9u + (h << 6) + (h >> 2);
    }
    return h;
}

// --- Windows-1252 ---------------------------------------------------------------------

// 0x80-0x9F; the five bytes Windows-1252 leaves undefined map to the C1 controls of
// the same number, as Windows maps them, so that every byte reads and writes back.
constexpr char16_t Cp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

int cp1252Byte(QChar c)
{
    const char16_t u = c.unicode();
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return u;
    for (int i = 0; i < 32; ++i) {
        if (Cp1252High[i] == u)
            return 0x80 + i;
    }
    return -1;
}

QString decodeCp1252(const char *data, qsizetype size)
{
    QString out(size, Qt::Uninitialized);
    QChar *dst = out.data();
    for (qsizetype i = 0; i < size; ++i) {
        const uchar b = uchar(data[i]);
        dst[i] = QChar(b >= 0x80 && b < 0xA0 ? Cp1252High[b - 0x80] : char16_t(b));
    }
    return out;
}

QByteArray encodeCp1252(QStringView text)
{
    QByteArray out(text.size(), Qt::Uninitialized);
    char *dst = out.data();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const int b = cp1252Byte(text[i]);
        dst[i] = char(b < 0 ? '?' : b); // never reached: writes upgrade the encoding first
    }
    return out;
}

// Strict UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF).
bool isValidUtf8(const uchar *p, qsizetype size)
{
    qsizetype i = 0;
    while (i < size) {
        const uchar b = p[i];
        if (b < 0x80) {
            ++i;
            continue;
        }
        int extra;
        char32_t min;
        char32_t c;
        if ((b & 0xE0) == 0xC0) {
            extra = 1;
            min = 0x80;
            c = b & 0x1F;
        } else if ((b & 0xF0) == 0xE0) {
            extra = 2;
            min = 0x800;
            c = b & 0x0F;
        } else if ((b & 0xF8) == 0xF0) {
            extra = 3;
            min = 0x10000;
            c = b & 0x07;
        } else {
            return false;
        }
        if (size - i <= extra)
            return false;
        for (int k = 1; k <= extra; ++k) {
            if ((p[i + k] & 0xC0) != 0x80)
                return false;
            c = (c << 6) | (p[i + k] & 0x3F);
        }
        if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}

bool hasLoneSurrogate(QStringView s)
{
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i].isHighSurrogate()) {
            if (i + 1 < s.size() && s[i + 1].isLowSurrogate())
                ++i;
            else
                return true;
        } else if (s[i].isLowSurrogate()) {
            return true;
        }
    }
    return false;
}

QStringView eolText(Eol eol)
{
    switch (eol) {
    case Eol::None:
        break;
    case Eol::Cr:
        return u"\r";
    case Eol::Lf:
        return u"\n";
    case Eol::CrLf:
        return u"\r\n";
    }
    return {};
}

// The text of a file's bytes and the encoding it was read in (see IniDocument).
QString decodeText(const QByteArray &bytes, IniDocument::Encoding &encoding, bool &bigEndian)
{
    using Encoding = IniDocument::Encoding;
    const auto *b = reinterpret_cast<const uchar *>(bytes.constData());
    const qsizetype size = bytes.size();
    bigEndian = false;
    if (size >= 2 && ((b[0] == 0xFF && b[1] == 0xFE) || (b[0] == 0xFE && b[1] == 0xFF))) {
        encoding = Encoding::Utf16LE;
        bigEndian = b[0] == 0xFE;
        const qsizetype units = (size - 2) / 2; // an odd last byte holds no character
        QString text(units, Qt::Uninitialized);
        auto *dst = reinterpret_cast<char16_t *>(text.data());
        if (units > 0 && bigEndian)
            qFromBigEndian<char16_t>(b + 2, units, dst);
        else if (units > 0)
            qFromLittleEndian<char16_t>(b + 2, units, dst);
        return text;
    }
    if (size >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) {
        encoding = Encoding::Utf8WithBom;
        // A second mark is text, kept like any other character.
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
        return decoder(QByteArrayView(bytes).sliced(3));
    }
    if (size == 0) {
        encoding = Encoding::Utf16LE; // an empty file is written like a new one
        return QString();
    }
    if (isValidUtf8(b, size)) {
        encoding = Encoding::Utf8;
        return QString::fromUtf8(bytes);
    }
    encoding = Encoding::Windows1252;
    return decodeCp1252(bytes.constData(), size);
}

// What the reader reads of a stored value (what stands after "="): trimmed, without
// matching quotes around it, at most MaxValueLength characters.
QStringView readableValue(QStringView stored)
{
    QStringView value = trimBlanks(stored);
    if (value.size() >= 2 && isQuote(value.front()) && value.back() == value.front())
        value = value.sliced(1, value.size() - 2);
    if (value.size() > MaxValueLength) {
        qsizetype keep = MaxValueLength;
        if (value[keep - 1].isHighSurrogate() && value[keep].isLowSurrogate())
            --keep;
        value = value.first(keep);
    }
    return value;
}

[[noreturn]] void raiseUnableToWrite(const QString &fileName)
{
    throw KelvaroError(QStringLiteral("Unable to write to %1").arg(fileName));
}

} // namespace

// --- The document ----------------------------------------------------------------------

namespace {

// One line of the file. A line read from the file is a range of the decoded text; a
// line written since refers to an entry of the added texts, which share the strings
// given to writeString where they can be stored as they are.
struct Line
{
    qsizetype offset = 0;  // into the decoded text, or index of the added text
    qsizetype length = 0;  // of a line read from the file
    quint32 keyOffset = 0; // the trimmed key name within the line (Kind::Key)
    quint32 keyLength = 0;
    Kind kind = Kind::Other;
    Eol eol = Eol::None;
    bool added = false;
};

struct AddedText
{
    QString head;  // a key line: everything before "=" (indentation and key); a header line: all
    QString value; // a key line: everything after "="
};

struct Section
{
    Line header;
    QString name; // as read back: trimmed and unescaped
    // The lines up to the next header: a range of Data::lines until a line has to be
    // inserted in the middle of it, then a vector of its own.
    qsizetype first = 0;
    qsizetype count = 0;
    std::vector<Line> own;
    bool detached = false;
    bool erased = false;    // gone, but for its comments
    bool duplicate = false; // an earlier section has the same name
};

// A value as it is written after "=": on one line, and in quotes when the reader
// would otherwise strip blanks or quotes from it. Mostly the caller's string itself.
QString storedValue(const QString &value)
{
    QString out = value; // shared until changed
    if (std::any_of(value.begin(), value.end(), isLineBreak)) {
        for (QChar &c : out) {
            if (isLineBreak(c))
                c = u' ';
        }
    }
    const QStringView text = out; // never detaches
    if (!text.isEmpty() &&
        (isBlank(text.front()) || isBlank(text.back()) ||
         (text.size() >= 2 && isQuote(text.front()) && text.front() == text.back())))
        out = u'"' + out + u'"';
    return out;
}

} // namespace

struct IniDocument::Data
{
    QString source;                   // the decoded text the document was parsed from
    std::deque<AddedText> addedTexts; // a deque: growing never moves what it holds
    std::vector<Line> preamble;
    std::vector<Line> lines; // the lines of the sections, in file order
    std::vector<Section> sections;
    QHash<NameKey, qsizetype> index; // first section of each name
    qsizetype duplicates = 0;        // sections marked duplicate and not erased
    Encoding encoding = Encoding::Utf16LE;
    bool bigEndian = false;
    Eol newEol = Eol::CrLf;
    // The catalogue reads and writes the keys of one section in a row: the section last
    // found is tried before the index.
    mutable qsizetype lastFound = -1;

    std::span<const Line> body(const Section &s) const
    {
        if (s.detached)
            return s.own;
        return std::span<const Line>(lines).subspan(size_t(s.first), size_t(s.count));
    }
    Line &bodyLine(Section &s, qsizetype i)
    {
        return s.detached ? s.own[size_t(i)] : lines[size_t(s.first + i)];
    }

    QStringView storedKey(const Line &line) const
    {
        if (line.added)
            return QStringView(addedTexts[size_t(line.offset)].head)
                .sliced(line.keyOffset, line.keyLength);
        return QStringView(source).sliced(line.offset + line.keyOffset, line.keyLength);
    }
    // What stands after the "=" of a key line.
    QStringView storedValueOf(const Line &line) const
    {
        if (line.added)
            return addedTexts[size_t(line.offset)].value;
        const QStringView text = QStringView(source).sliced(line.offset, line.length);
        return text.sliced(text.indexOf(u'=', line.keyOffset + line.keyLength) + 1);
    }

    static bool keyMatches(QStringView stored, QStringView key)
    {
        if (isEscaped(stored))
            return namesEqual(unescape(stored), key);
        return namesEqual(stored, key);
    }

    qsizetype findKey(const Section &section, QStringView key) const
    {
        const std::span<const Line> lines = body(section);
        for (size_t i = 0; i < lines.size(); ++i) {
            if (lines[i].kind == Kind::Key && keyMatches(storedKey(lines[i]), key))
                return qsizetype(i);
        }
        return -1;
    }

    qsizetype findSection(const QString &name) const
    {
        if (lastFound >= 0) {
            const Section &last = sections[size_t(lastFound)];
            if (!last.erased && last.name == name)
                return lastFound;
        }
        const auto it = index.constFind(NameKey{name});
        if (it == index.constEnd())
            return -1;
        lastFound = *it;
        return lastFound;
    }

    template <typename F> void forEachPiece(F &&piece) const;
    void addParsedLine(qsizetype offset, qsizetype length, Eol eol);
    bool canEncode(QStringView text) const;
    void ensureEncodable(QStringView text);
    Section &sectionForWrite(const QString &name);
    void insertLine(Section &section, qsizetype position, const Line &line);
    bool erase(const QString &name);
};

void IniDocument::Data::addParsedLine(qsizetype offset, qsizetype length, Eol eol)
{
    const QStringView line = QStringView(source).sliced(offset, length);
    Line entry;
    entry.offset = offset;
    entry.length = length;
    entry.eol = eol;

    qsizetype first = 0;
    while (first < length && isBlank(line[first]))
        ++first;
    if (first < length && line[first] == u'[') {
        const qsizetype close = line.lastIndexOf(u']');
        if (close > first) {
            Section &section = sections.emplace_back();
            section.header = entry;
            section.name = unescape(trimBlanks(line.sliced(first + 1, close - first - 1)));
            section.first = qsizetype(lines.size());
            const qsizetype before = index.size();
            qsizetype &slot = index[NameKey{section.name}];
            if (index.size() > before) {
                slot = qsizetype(sections.size()) - 1;
            } else {
                section.duplicate = true;
                ++duplicates;
            }
            return;
        }
    }
    if (first < length && line[first] == u';') {
        entry.kind = Kind::Comment;
    } else if (const qsizetype eq = line.indexOf(u'='); eq >= 0) {
        qsizetype end = eq;
        while (end > first && isBlank(line[end - 1]))
            --end;
        // A key beyond 4 G characters is no key anybody wrote: the line is kept, unread.
        if (end <= qsizetype(std::numeric_limits<quint32>::max())) {
            entry.kind = Kind::Key;
            entry.keyOffset = quint32(first);
            entry.keyLength = quint32(end - first);
        }
    }
    if (sections.empty()) {
        preamble.push_back(entry);
    } else {
        lines.push_back(entry);
        ++sections.back().count;
    }
}

bool IniDocument::Data::canEncode(QStringView text) const
{
    switch (encoding) {
    case Encoding::Utf16LE:
        return true;
    case Encoding::Utf8:
    case Encoding::Utf8WithBom:
        return !hasLoneSurrogate(text);
    case Encoding::Windows1252:
        return std::all_of(text.begin(), text.end(), [](QChar c) { return cp1252Byte(c) >= 0; });
    }
    return true;
}

void IniDocument::Data::ensureEncodable(QStringView text)
{
    if (!canEncode(text)) {
        // Rather than lose characters, the file becomes what new files are.
        encoding = Encoding::Utf16LE;
        bigEndian = false;
    }
}

Section &IniDocument::Data::sectionForWrite(const QString &name)
{
    if (const qsizetype found = findSection(name); found >= 0)
        return sections[size_t(found)];
    QString header;
    header.reserve(name.size() + 2);
    header += u'[';
    if (sectionNeedsEscape(name))
        appendEscaped(header, name);
    else
        header += name;
    header += u']';
    Section &section = sections.emplace_back();
    section.header.offset = qsizetype(addedTexts.size());
    section.header.eol = newEol;
    section.header.added = true;
    addedTexts.push_back({std::move(header), QString()});
    section.name = name;
    section.first = qsizetype(lines.size());
    lastFound = qsizetype(sections.size()) - 1;
    index.insert(NameKey{name}, lastFound);
    return section;
}

void IniDocument::Data::insertLine(Section &section, qsizetype position, const Line &line)
{
    if (!section.detached) {
        if (position == section.count && section.first + section.count == qsizetype(lines.size())) {
            lines.push_back(line); // the section ends the file: no copy needed
            ++section.count;
            return;
        }
        const auto begin = lines.begin() + section.first;
        section.own.assign(begin, begin + section.count);
        section.detached = true;
    }
    section.own.insert(section.own.begin() + position, line);
}

bool IniDocument::Data::erase(const QString &name)
{
    const auto it = index.find(NameKey{name});
    if (it == index.end())
        return false;
    const qsizetype first = *it;
    index.erase(it);
    sections[size_t(first)].erased = true;
    if (duplicates > 0) {
        for (size_t i = size_t(first) + 1; i < sections.size(); ++i) {
            Section &s = sections[i];
            if (s.duplicate && !s.erased && namesEqual(s.name, name)) {
                s.erased = true;
                --duplicates;
            }
        }
    }
    return true;
}

// Every line in file order, each with its own line end; a line that had none (the last
// of a file without a final line end) gets one when more lines follow. The lines of an
// erased section are left out but for its comments.
template <typename F> void IniDocument::Data::forEachPiece(F &&piece) const
{
    bool pending = false;
    const auto put = [&](QStringView text) {
        if (!text.isEmpty())
            piece(text);
    };
    const auto emitLine = [&](const Line &line) {
        if (pending)
            put(eolText(newEol));
        if (!line.added) {
            put(QStringView(source).sliced(line.offset, line.length));
        } else {
            const AddedText &text = addedTexts[size_t(line.offset)];
            put(QStringView(text.head));
            if (line.kind == Kind::Key) {
                put(QStringView(u"="));
                put(QStringView(text.value));
            }
        }
        put(eolText(line.eol));
        pending = line.eol == Eol::None;
    };
    for (const Line &line : preamble)
        emitLine(line);
    for (const Section &section : sections) {
        if (!section.erased)
            emitLine(section.header);
        for (const Line &line : body(section)) {
            if (!section.erased || line.kind == Kind::Comment)
                emitLine(line);
        }
    }
}

IniDocument::IniDocument() : d(std::make_unique<Data>()) {}
IniDocument::~IniDocument() = default;
IniDocument::IniDocument(const IniDocument &other) : d(std::make_unique<Data>(*other.d)) {}
IniDocument &IniDocument::operator=(const IniDocument &other)
{
    if (this != &other)
        d = std::make_unique<Data>(*other.d);
    return *this;
}
// A moved-from document may only be destroyed or assigned to.
IniDocument::IniDocument(IniDocument &&) noexcept = default;
IniDocument &IniDocument::operator=(IniDocument &&) noexcept = default;

IniDocument IniDocument::parse(const QByteArray &bytes)
{
    IniDocument doc;
    Data &d = *doc.d;
    d.source = decodeText(bytes, d.encoding, d.bigEndian);

    const QChar *text = d.source.constData();
    const qsizetype length = d.source.size();
    // Every section header holds a "[": enough room for the sections without a rehash.
    const qsizetype brackets = d.source.count(u'[');
    d.sections.reserve(size_t(brackets));
    d.index.reserve(brackets);
    const qsizetype lineFeeds = d.source.count(u'\n');
    d.lines.reserve(size_t((lineFeeds > 0 ? lineFeeds : d.source.count(u'\r')) + 1));
    bool eolSeen = false;
    qsizetype pos = 0;
    while (pos < length) {
        qsizetype end = pos;
        while (end < length && text[end] != u'\r' && text[end] != u'\n')
            ++end;
        Eol eol = Eol::None;
        qsizetype next = end;
        if (end < length) {
            if (text[end] == u'\n') {
                eol = Eol::Lf;
                next = end + 1;
            } else if (end + 1 < length && text[end + 1] == u'\n') {
                eol = Eol::CrLf;
                next = end + 2;
            } else {
                eol = Eol::Cr;
                next = end + 1;
            }
            if (!eolSeen) {
                d.newEol = eol; // new lines follow the file's own style
                eolSeen = true;
            }
        }
        d.addParsedLine(pos, end - pos, eol);
        pos = next;
    }
    return doc;
}

QByteArray IniDocument::serialize() const
{
    if (d->encoding == Encoding::Utf16LE) {
        qsizetype units = 0;
        d->forEachPiece([&](QStringView piece) { units += piece.size(); });
        QByteArray bytes(2 + units * 2, Qt::Uninitialized);
        auto *dst = reinterpret_cast<uchar *>(bytes.data());
        const bool big = d->bigEndian;
        dst[0] = big ? 0xFE : 0xFF;
        dst[1] = big ? 0xFF : 0xFE;
        dst += 2;
        d->forEachPiece([&](QStringView piece) {
            if (big)
                qToBigEndian<char16_t>(piece.utf16(), piece.size(), dst);
            else
                qToLittleEndian<char16_t>(piece.utf16(), piece.size(), dst);
            dst += piece.size() * 2;
        });
        return bytes;
    }

    QString text;
    text.reserve(d->source.size() + 64);
    d->forEachPiece([&](QStringView piece) { text += piece; });
    switch (d->encoding) {
    case Encoding::Utf8WithBom:
        return QByteArrayLiteral("\xEF\xBB\xBF") + text.toUtf8();
    case Encoding::Utf8:
        return text.toUtf8();
    case Encoding::Windows1252: {
        QByteArray bytes = encodeCp1252(text);
        // Without the bytes that made the file invalid UTF-8 (in an erased section,
        // say), the rest could read back as UTF-8 and mean other characters: then the
        // file is written as UTF-8 with a byte-order mark, which reads back unchanged.
        const auto *b = reinterpret_cast<const uchar *>(bytes.constData());
        const bool highBytes = std::any_of(b, b + bytes.size(), [](uchar c) { return c >= 0x80; });
        if (highBytes && isValidUtf8(b, bytes.size()))
            return QByteArrayLiteral("\xEF\xBB\xBF") + text.toUtf8();
        return bytes;
    }
    case Encoding::Utf16LE:
        break;
    }
    return {};
}

IniDocument::Encoding IniDocument::encoding() const
{
    return d->encoding;
}

bool IniDocument::isEmpty() const
{
    return d->index.isEmpty();
}

QString IniDocument::readString(const QString &section, const QString &key,
                                const QString &defaultValue)
{
    const qsizetype found = d->findSection(section);
    if (found < 0)
        return defaultValue;
    const Section &s = d->sections[size_t(found)];
    const qsizetype at = d->findKey(s, key);
    if (at < 0)
        return defaultValue;
    return readableValue(d->storedValueOf(d->body(s)[size_t(at)])).toString();
}

void IniDocument::writeString(const QString &section, const QString &key, const QString &value)
{
    d->ensureEncodable(section);
    d->ensureEncodable(key);
    d->ensureEncodable(value);

    Section &s = d->sectionForWrite(section);
    const qsizetype existing = d->findKey(s, key);
    if (existing >= 0) {
        Line &target = d->bodyLine(s, existing);
        if (target.added) {
            d->addedTexts[size_t(target.offset)].value = storedValue(value);
            return;
        }
        // The key keeps its spelling and indentation.
        AddedText text;
        text.head = QStringView(d->source)
                        .sliced(target.offset, target.keyOffset + target.keyLength)
                        .toString();
        text.value = storedValue(value);
        target.offset = qsizetype(d->addedTexts.size());
        target.length = 0;
        target.added = true;
        d->addedTexts.push_back(std::move(text));
        return;
    }

    Line line;
    line.offset = qsizetype(d->addedTexts.size());
    line.kind = Kind::Key;
    line.eol = d->newEol;
    line.added = true;
    AddedText text;
    if (keyNeedsEscape(key)) {
        appendEscaped(text.head, key);
    } else {
        text.head = key; // shared, not copied
    }
    line.keyLength = quint32(text.head.size());
    text.value = storedValue(value);
    d->addedTexts.push_back(std::move(text));

    // A new key goes after the section's last key (or right after the header), ahead of
    // any comments and blank lines that separate it from the next section.
    const std::span<const Line> lines = d->body(s);
    qsizetype position = qsizetype(lines.size());
    while (position > 0 && lines[size_t(position - 1)].kind != Kind::Key)
        --position;
    d->insertLine(s, position, line);
}

QStringList IniDocument::readSections()
{
    QStringList names;
    names.reserve(d->index.size());
    for (const Section &section : d->sections) {
        if (!section.erased && !section.duplicate)
            names.append(section.name);
    }
    return names;
}

void IniDocument::eraseSection(const QString &section)
{
    d->erase(section);
}

bool IniDocument::removeSection(const QString &section)
{
    return d->erase(section);
}

// --- The writer ------------------------------------------------------------------------

struct IniWriter::Data
{
    QByteArray bytes;
    QHash<NameKey, qsizetype> sections; // every section written so far
    QString current;                    // the section being written
    std::vector<QString> currentKeys;   // its keys
    bool started = false;
    bool handedOver = false;

    // Appends one line, the pieces in UTF-16LE, followed by CR LF.
    void appendLine(std::initializer_list<QStringView> pieces)
    {
        qsizetype units = 2;
        for (QStringView piece : pieces)
            units += piece.size();
        const qsizetype at = bytes.size();
        bytes.resize(at + units * 2);
        char *out = bytes.data() + at;
        for (QStringView piece : pieces) {
            if (!piece.isEmpty())
                qToLittleEndian<char16_t>(piece.utf16(), piece.size(), out);
            out += piece.size() * 2;
        }
        qToLittleEndian<char16_t>(u"\r\n", 2, out);
    }
};

IniWriter::IniWriter(qsizetype sections) : d(std::make_unique<Data>())
{
    d->sections.reserve(sections);
    d->bytes = QByteArrayLiteral("\xFF\xFE");
}

IniWriter::~IniWriter() = default;

bool IniWriter::handedOver() const
{
    return d->handedOver;
}

bool IniWriter::isEmpty() const
{
    return !d->started;
}

const QByteArray &IniWriter::bytes() const
{
    return d->bytes;
}

QString IniWriter::readString(const QString &, const QString &, const QString &defaultValue)
{
    d->handedOver = true;
    return defaultValue;
}

QStringList IniWriter::readSections()
{
    d->handedOver = true;
    return {};
}

void IniWriter::eraseSection(const QString &)
{
    d->handedOver = true;
}

// The lines are those IniDocument adds to a new document: the header "[name]" when a
// section starts, then "key=value" for each key, each with CR LF; names escaped and
// values stored as IniDocument stores them.
void IniWriter::writeString(const QString &section, const QString &key, const QString &value)
{
    Data &w = *d;
    if (w.handedOver)
        return;
    if (!w.started || !namesEqual(w.current, section)) {
        const qsizetype before = w.sections.size();
        w.sections.insert(NameKey{section}, 0);
        if (w.sections.size() == before) {
            w.handedOver = true; // a section of this name came earlier: the document merges
            return;
        }
        w.started = true;
        w.current = section;
        w.currentKeys.clear();
        if (sectionNeedsEscape(section)) {
            QString escaped;
            appendEscaped(escaped, section);
            w.appendLine({u"[", escaped, u"]"});
        } else {
            w.appendLine({u"[", section, u"]"});
        }
    } else {
        for (const QString &written : w.currentKeys) {
            if (namesEqual(written, key)) {
                w.handedOver = true; // a key written twice: the document replaces its value
                return;
            }
        }
    }
    w.currentKeys.push_back(key);
    QString escapedKey;
    if (keyNeedsEscape(key))
        appendEscaped(escapedKey, key);
    // Most values go as they are: on one line, no blanks or quotes to protect.
    const QStringView text = value;
    const auto *units = reinterpret_cast<const char16_t *>(text.utf16());
    const bool plain =
        text.isEmpty() ||
        (findLineBreak(units, units + text.size()) == units + text.size() &&
         !isBlank(text.front()) && !isBlank(text.back()) &&
         !(text.size() >= 2 && isQuote(text.front()) && text.front() == text.back()));
    const QString stored = plain ? QString() : storedValue(value);
    w.appendLine({escapedKey.isEmpty() ? QStringView(key) : QStringView(escapedKey), u"=",
                  plain ? text : QStringView(stored)});
}

// --- The reader ------------------------------------------------------------------------

namespace {

// A key line of a section read: where its trimmed key and its stored value lie in the text.
struct ReaderKey
{
    qsizetype keyBegin = 0;
    qsizetype keyEnd = 0;
    qsizetype valueBegin = 0;
    qsizetype valueEnd = 0;
};

struct ReaderSection
{
    QString name;
    qsizetype firstKey = 0; // into Data::keys
    qsizetype keyCount = 0;
};

} // namespace

struct IniReader::Data
{
    QString text;
    std::vector<ReaderSection> sections; // the first of each name only
    std::vector<ReaderKey> keys;         // the key lines of those sections, in file order

    void parse(QString decoded);
};

IniReader::IniReader() : d(std::make_unique<Data>()) {}
IniReader::~IniReader() = default;
IniReader::IniReader(IniReader &&) noexcept = default;
IniReader &IniReader::operator=(IniReader &&) noexcept = default;

IniReader IniReader::parse(const QByteArray &bytes)
{
    IniDocument::Encoding encoding;
    bool bigEndian;
    IniReader reader;
    reader.d->parse(decodeText(bytes, encoding, bigEndian));
    return reader;
}

std::optional<IniReader> IniReader::read(QFileDevice &file)
{
    // A file in UTF-16 is read straight into the text; another is decoded from its bytes.
    const QByteArray head = file.peek(2);
    const bool utf16 = head.size() == 2 && ((head[0] == '\xFF' && head[1] == '\xFE') ||
                                            (head[0] == '\xFE' && head[1] == '\xFF'));
    if (!utf16) {
        const QByteArray bytes = file.readAll();
        if (file.error() != QFileDevice::NoError)
            return std::nullopt;
        return parse(bytes);
    }
    const bool bigEndian = head[0] == '\xFE';
    if (file.skip(2) != 2)
        return std::nullopt;
    // The size is only a hint: the file is read to its end.
    qint64 room = file.isSequential() ? 0 : file.size() - file.pos();
    room = std::max<qint64>(room, 0) + 2;
    QString text((room + 1) / 2, Qt::Uninitialized);
    qint64 filled = 0;
    for (;;) {
        if (filled == qint64(text.size()) * 2)
            text.resize(text.size() * 2);
        char *buffer = reinterpret_cast<char *>(text.data());
        const qint64 got = file.read(buffer + filled, qint64(text.size()) * 2 - filled);
        if (got < 0 || file.error() != QFileDevice::NoError)
            return std::nullopt;
        if (got == 0)
            break;
        filled += got;
    }
    text.resize(filled / 2); // an odd last byte holds no character
    if (bigEndian != (QSysInfo::ByteOrder == QSysInfo::BigEndian)) {
        for (QChar &c : text)
            c = QChar(char16_t(qbswap(quint16(c.unicode()))));
    }
    IniReader reader;
    reader.d->parse(std::move(text));
    return reader;
}

// The lines are classified as IniDocument::Data::addParsedLine classifies them; only
// what a read can reach is kept: the lines before the first section and those of a
// duplicate section are passed over.
void IniReader::Data::parse(QString decoded)
{
    text = std::move(decoded);
    const char16_t *const begin = reinterpret_cast<const char16_t *>(text.constData());
    const char16_t *const stop = begin + text.size();
    const auto blank = [](char16_t c) {
        return c == u' ' || c == u'\t' || c == u'\v' || c == u'\f';
    };

    // The start of the line after the one ending at `end`.
    const auto after = [stop](const char16_t *end) { return end == stop ? stop : end + 1; };

    QHash<NameKey, qsizetype> seen;
    bool inSection = false; // in the first section of its name
    const char16_t *p = begin;
    while (p < stop) {
        const char16_t *const lineStart = p;
        const char16_t *first = p;
        while (first < stop && blank(*first))
            ++first;
        if (first < stop && *first == u'[') {
            const char16_t *const end = findLineBreak(first, stop);
            const QStringView line(lineStart, end);
            const qsizetype close = line.lastIndexOf(u']');
            const qsizetype open = first - lineStart;
            if (close > open) {
                QString name = unescape(trimBlanks(line.sliced(open + 1, close - open - 1)));
                const qsizetype before = seen.size();
                seen.insert(NameKey{name}, 0);
                inSection = seen.size() > before;
                if (inSection) {
                    ReaderSection &section = sections.emplace_back();
                    section.name = std::move(name);
                    section.firstKey = qsizetype(keys.size());
                }
                p = after(end);
                continue;
            }
            // Not a header after all: read on as any other line.
        }
        if (!inSection || (first < stop && *first == u';')) {
            p = after(findLineBreak(first, stop)); // before any section, in a duplicate, a comment
            continue;
        }
        const char16_t *eq = first;
        while (eq < stop && *eq != u'=' && *eq != u'\r' && *eq != u'\n')
            ++eq;
        if (eq == stop || *eq != u'=') {
            p = after(eq);
            continue;
        }
        const char16_t *keyEnd = eq;
        while (keyEnd > first && blank(keyEnd[-1]))
            --keyEnd;
        const char16_t *const end = findLineBreak(eq + 1, stop);
        // A key beyond 4 G characters is no key anybody wrote, as in IniDocument.
        if (keyEnd - lineStart <= qsizetype(std::numeric_limits<quint32>::max())) {
            keys.push_back({first - begin, keyEnd - begin, eq + 1 - begin, end - begin});
            ++sections.back().keyCount;
        }
        p = after(end);
    }
}

qsizetype IniReader::sectionCount() const
{
    return qsizetype(d->sections.size());
}

const QString &IniReader::sectionName(qsizetype section) const
{
    return d->sections[size_t(section)].name;
}

QStringView IniReader::value(qsizetype section, QStringView key) const
{
    const ReaderSection &s = d->sections[size_t(section)];
    const QStringView text = d->text;
    for (qsizetype i = s.firstKey; i < s.firstKey + s.keyCount; ++i) {
        const ReaderKey &k = d->keys[size_t(i)];
        const QStringView stored = text.sliced(k.keyBegin, k.keyEnd - k.keyBegin);
        if (isEscaped(stored) ? namesEqual(unescape(stored), key) : namesEqual(stored, key))
            return readableValue(text.sliced(k.valueBegin, k.valueEnd - k.valueBegin));
    }
    return {};
}

QString IniReader::readString(qsizetype section, QStringView key, const QString &defaultValue) const
{
    const QStringView found = value(section, key);
    return found.isNull() ? defaultValue : found.toString();
}

// --- The file -----------------------------------------------------------------------

namespace {

// The document on disk for a change: a missing file gives a new document, a file
// that exists but cannot be read must not be overwritten.
IniDocument loadForChange(const QString &fileName)
{
    QFile file(fileName);
    if (file.open(QIODevice::ReadOnly)) {
        const QByteArray bytes = file.readAll();
        if (file.error() != QFileDevice::NoError)
            raiseUnableToWrite(fileName);
        return IniDocument::parse(bytes);
    }
    if (QFileInfo(fileName).exists())
        raiseUnableToWrite(fileName);
    return IniDocument();
}

// True when the file is there and holds exactly `bytes`.
bool holdsExactly(const QString &fileName, const QByteArray &bytes)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered) || file.size() != bytes.size())
        return false;
    constexpr qsizetype Chunk = 256 * 1024;
    QByteArray buffer(std::min(Chunk, bytes.size()), Qt::Uninitialized);
    qsizetype compared = 0;
    while (compared < bytes.size()) {
        const qint64 got =
            file.read(buffer.data(), std::min(buffer.size(), bytes.size() - compared));
        if (got <= 0 ||
            std::memcmp(buffer.constData(), bytes.constData() + compared, size_t(got)) != 0)
            return false;
        compared += got;
    }
    char more;
    return file.read(&more, 1) == 0; // the file did not grow meanwhile
}

// A file that already holds exactly the new bytes is left as it is: saving the whole
// catalogue after one change rewrites only the list files that changed.
void writeAtomically(const QString &fileName, const QByteArray &bytes)
{
    if (holdsExactly(fileName, bytes))
        return;
    QSaveFile file(fileName);
    // QSaveFile buffers the bytes; commit() does not report a write that fails while it
    // flushes them (a full disk, a file size limit), and would then replace the old file
    // with a truncated one. An explicit flush sees the failure first, and the temporary
    // file is dropped when `file` goes out of scope without a commit.
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush() ||
        !file.commit())
        raiseUnableToWrite(fileName);
}

} // namespace

struct IniFile::Data
{
    QString fileName;
    std::optional<IniDocument> cache; // the file as last read or written by this object

    IniDocument &document()
    {
        if (!cache) {
            QFile file(fileName);
            cache =
                file.open(QIODevice::ReadOnly) ? IniDocument::parse(file.readAll()) : IniDocument();
        }
        return *cache;
    }
};

IniFile::IniFile(QString fileName) : d(std::make_unique<Data>())
{
    d->fileName = std::move(fileName);
}

IniFile::~IniFile() = default;

const QString &IniFile::fileName() const
{
    return d->fileName;
}

QString IniFile::readString(const QString &section, const QString &key, const QString &defaultValue)
{
    return d->document().readString(section, key, defaultValue);
}

// Every change starts from the file as it is on disk now, so that changes made
// through other objects since this one last read it are kept.
void IniFile::writeString(const QString &section, const QString &key, const QString &value)
{
    d->cache.reset();
    IniDocument doc = loadForChange(d->fileName);
    doc.writeString(section, key, value);
    writeAtomically(d->fileName, doc.serialize());
    d->cache = std::move(doc);
}

QStringList IniFile::readSections()
{
    return d->document().readSections();
}

void IniFile::eraseSection(const QString &section)
{
    d->cache.reset();
    IniDocument doc = loadForChange(d->fileName);
    if (doc.removeSection(section)) // a missing file or section is left as it is
        writeAtomically(d->fileName, doc.serialize());
    d->cache = std::move(doc);
}

void IniFile::close()
{
    d->cache.reset();
}

void IniFile::replaceFile(const QString &fileName, const IniDocument &document)
{
    if (document.isEmpty()) {
        QFile::remove(fileName); // a missing file is what is wanted anyway
        return;
    }
    writeAtomically(fileName, document.serialize());
}

void IniFile::replaceFile(const QString &fileName, const IniWriter &writer)
{
    Q_ASSERT(!writer.handedOver());
    if (writer.isEmpty()) {
        QFile::remove(fileName);
        return;
    }
    writeAtomically(fileName, writer.bytes());
}
