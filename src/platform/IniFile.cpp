#include "platform/IniFile.h"

#include "platform/KelvaroError.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QtEndian>

#include <algorithm>
#include <optional>
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

bool operator==(const NameKey &a, const NameKey &b) noexcept
{
    return a.name.compare(b.name, Qt::CaseInsensitive) == 0;
}

size_t qHash(const NameKey &key, size_t seed) noexcept
{
    size_t h = seed;
    const QString &s = key.name;
    for (qsizetype i = 0; i < s.size(); ++i) {
        char32_t c = s[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < s.size() && s[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(char16_t(c), s[i + 1].unicode());
            ++i;
        }
        h ^= size_t(QChar::toCaseFolded(c)) + 0x9e3779b9u + (h << 6) + (h >> 2);
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

void appendEol(QString &out, Eol eol)
{
    switch (eol) {
    case Eol::None:
        break;
    case Eol::Cr:
        out += u'\r';
        break;
    case Eol::Lf:
        out += u'\n';
        break;
    case Eol::CrLf:
        out += u"\r\n";
        break;
    }
}

[[noreturn]] void raiseUnableToWrite(const QString &fileName)
{
    throw KelvaroError(QStringLiteral("Unable to write to %1").arg(fileName));
}

} // namespace

// --- The document ----------------------------------------------------------------------

namespace {

// One line of the file, as a range of the text it was read from or of the text
// added since. Lines written by the document never contain a line break.
struct Line
{
    qsizetype offset = 0;
    qsizetype length = 0;
    qsizetype keyOffset = 0; // the trimmed key name, for Kind::Key
    qsizetype keyLength = 0;
    Kind kind = Kind::Other;
    Eol eol = Eol::None;
    bool added = false;
};

struct Section
{
    Line header;
    QString name;           // as read back: trimmed and unescaped
    std::vector<Line> body; // keys, comments and other lines up to the next header
    bool erased = false;    // only its comments are left
    bool duplicate = false; // an earlier section has the same name
};

} // namespace

struct IniDocument::Data
{
    QString source; // the decoded text the document was parsed from
    QString added;  // the text of every line written since
    std::vector<Line> preamble;
    std::vector<Section> sections;
    QHash<NameKey, qsizetype> index; // first section of each name
    qsizetype duplicates = 0;        // sections marked duplicate and not erased
    Encoding encoding = Encoding::Utf16LE;
    bool bigEndian = false;
    Eol newEol = Eol::CrLf;

    QStringView text(const Line &line) const
    {
        return QStringView(line.added ? added : source).sliced(line.offset, line.length);
    }
    QStringView storedKey(const Line &line) const
    {
        return text(line).sliced(line.keyOffset, line.keyLength);
    }

    static bool keyMatches(QStringView stored, QStringView key)
    {
        if (isEscaped(stored))
            return QStringView(unescape(stored)).compare(key, Qt::CaseInsensitive) == 0;
        return stored.compare(key, Qt::CaseInsensitive) == 0;
    }

    qsizetype findKey(const Section &section, QStringView key) const
    {
        for (qsizetype i = 0; i < qsizetype(section.body.size()); ++i) {
            const Line &line = section.body[size_t(i)];
            if (line.kind == Kind::Key && keyMatches(storedKey(line), key))
                return i;
        }
        return -1;
    }

    const Section *findSection(const QString &name) const
    {
        const auto it = index.constFind(NameKey{name});
        return it == index.constEnd() ? nullptr : &sections[size_t(*it)];
    }

    void addParsedLine(qsizetype offset, qsizetype length, Eol eol);
    bool canEncode(QStringView text) const;
    void ensureEncodable(QStringView text);
    Line addLine(QStringView text, qsizetype keyOffset, qsizetype keyLength);
    Section &sectionForWrite(const QString &name);
    void eraseOne(Section &section);
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
            Section section;
            section.header = entry;
            section.name = unescape(trimBlanks(line.sliced(first + 1, close - first - 1)));
            const auto it = index.constFind(NameKey{section.name});
            if (it == index.constEnd()) {
                index.insert(NameKey{section.name}, qsizetype(sections.size()));
            } else {
                section.duplicate = true;
                ++duplicates;
            }
            sections.push_back(std::move(section));
            return;
        }
    }
    if (first < length && line[first] == u';') {
        entry.kind = Kind::Comment;
    } else if (const qsizetype eq = line.indexOf(u'='); eq >= 0) {
        qsizetype end = eq;
        while (end > first && isBlank(line[end - 1]))
            --end;
        entry.kind = Kind::Key;
        entry.keyOffset = first;
        entry.keyLength = end - first;
    }
    if (sections.empty())
        preamble.push_back(entry);
    else
        sections.back().body.push_back(entry);
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

Line IniDocument::Data::addLine(QStringView text, qsizetype keyOffset, qsizetype keyLength)
{
    Line line;
    line.keyOffset = keyOffset;
    line.offset = added.size();
    line.length = text.size();
    line.keyLength = keyLength;
    line.kind = Kind::Key;
    line.eol = newEol;
    line.added = true;
    added += text;
    return line;
}

Section &IniDocument::Data::sectionForWrite(const QString &name)
{
    if (const auto it = index.constFind(NameKey{name}); it != index.constEnd())
        return sections[size_t(*it)];
    QString header;
    header.reserve(name.size() + 2);
    header += u'[';
    if (sectionNeedsEscape(name))
        appendEscaped(header, name);
    else
        header += name;
    header += u']';
    Section section;
    section.header = addLine(header, 0, 0);
    section.header.kind = Kind::Other;
    section.name = name;
    index.insert(NameKey{name}, qsizetype(sections.size()));
    sections.push_back(std::move(section));
    return sections.back();
}

void IniDocument::Data::eraseOne(Section &section)
{
    section.erased = true;
    std::erase_if(section.body, [](const Line &line) { return line.kind != Kind::Comment; });
}

bool IniDocument::Data::erase(const QString &name)
{
    const auto it = index.find(NameKey{name});
    if (it == index.end())
        return false;
    const qsizetype first = *it;
    index.erase(it);
    eraseOne(sections[size_t(first)]);
    if (duplicates > 0) {
        for (size_t i = size_t(first) + 1; i < sections.size(); ++i) {
            Section &s = sections[i];
            if (s.duplicate && !s.erased && s.name.compare(name, Qt::CaseInsensitive) == 0) {
                eraseOne(s);
                --duplicates;
            }
        }
    }
    return true;
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
IniDocument::IniDocument(IniDocument &&) noexcept = default;
IniDocument &IniDocument::operator=(IniDocument &&) noexcept = default;

IniDocument IniDocument::parse(const QByteArray &bytes)
{
    IniDocument doc;
    Data &d = *doc.d;
    const auto *b = reinterpret_cast<const uchar *>(bytes.constData());
    const qsizetype size = bytes.size();

    if (size >= 2 && ((b[0] == 0xFF && b[1] == 0xFE) || (b[0] == 0xFE && b[1] == 0xFF))) {
        d.encoding = Encoding::Utf16LE;
        d.bigEndian = b[0] == 0xFE;
        const qsizetype units = (size - 2) / 2; // an odd last byte holds no character
        d.source = QString(units, Qt::Uninitialized);
        auto *dst = reinterpret_cast<char16_t *>(d.source.data());
        if (d.bigEndian)
            qFromBigEndian<char16_t>(b + 2, units, dst);
        else
            qFromLittleEndian<char16_t>(b + 2, units, dst);
    } else if (size >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) {
        d.encoding = Encoding::Utf8WithBom;
        d.source = QString::fromUtf8(bytes.constData() + 3, size - 3);
    } else if (size == 0) {
        d.encoding = Encoding::Utf16LE; // an empty file is written like a new one
    } else if (isValidUtf8(b, size)) {
        d.encoding = Encoding::Utf8;
        d.source = QString::fromUtf8(bytes);
    } else {
        d.encoding = Encoding::Windows1252;
        d.source = decodeCp1252(bytes.constData(), size);
    }

    const QChar *text = d.source.constData();
    const qsizetype length = d.source.size();
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
    QString out;
    out.reserve(d->source.size() + d->added.size() + 64);
    bool pending = false; // the last line written had no line end yet
    const auto emitLine = [&](const Line &line) {
        if (pending)
            appendEol(out, d->newEol);
        out += d->text(line);
        appendEol(out, line.eol);
        pending = line.eol == Eol::None;
    };
    for (const Line &line : d->preamble)
        emitLine(line);
    for (const Section &section : d->sections) {
        if (!section.erased)
            emitLine(section.header);
        for (const Line &line : section.body)
            emitLine(line);
    }

    switch (d->encoding) {
    case Encoding::Utf16LE: {
        QByteArray bytes(2 + out.size() * 2, Qt::Uninitialized);
        auto *dst = reinterpret_cast<uchar *>(bytes.data());
        if (d->bigEndian) {
            dst[0] = 0xFE;
            dst[1] = 0xFF;
            qToBigEndian<char16_t>(out.utf16(), out.size(), dst + 2);
        } else {
            dst[0] = 0xFF;
            dst[1] = 0xFE;
            qToLittleEndian<char16_t>(out.utf16(), out.size(), dst + 2);
        }
        return bytes;
    }
    case Encoding::Utf8WithBom:
        return QByteArrayLiteral("\xEF\xBB\xBF") + out.toUtf8();
    case Encoding::Utf8:
        return out.toUtf8();
    case Encoding::Windows1252:
        return encodeCp1252(out);
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
    const Section *s = d->findSection(section);
    if (!s)
        return defaultValue;
    const qsizetype at = d->findKey(*s, key);
    if (at < 0)
        return defaultValue;
    const Line &line = s->body[size_t(at)];
    const QStringView text = d->text(line);
    const qsizetype eq = text.indexOf(u'=', line.keyOffset + line.keyLength);
    QStringView value = trimBlanks(text.sliced(eq + 1));
    if (value.size() >= 2 && isQuote(value.front()) && value.back() == value.front())
        value = value.sliced(1, value.size() - 2);
    if (value.size() > MaxValueLength) {
        qsizetype keep = MaxValueLength;
        if (value[keep - 1].isHighSurrogate() && value[keep].isLowSurrogate())
            --keep;
        value = value.first(keep);
    }
    return value.toString();
}

void IniDocument::writeString(const QString &section, const QString &key, const QString &value)
{
    d->ensureEncodable(section);
    d->ensureEncodable(key);
    d->ensureEncodable(value);

    Section &s = d->sectionForWrite(section);
    const qsizetype existing = d->findKey(s, key);

    QString line;
    line.reserve(key.size() + value.size() + 8);
    if (existing >= 0) {
        // The key keeps its spelling and indentation.
        const Line &target = s.body[size_t(existing)];
        line += d->text(target).first(target.keyOffset + target.keyLength);
    } else if (keyNeedsEscape(key)) {
        appendEscaped(line, key);
    } else {
        line += key;
    }
    const qsizetype keyEnd = line.size();
    line += u'=';

    const qsizetype valueStart = line.size();
    line += value;
    for (qsizetype i = valueStart; i < line.size(); ++i) {
        if (isLineBreak(line[i]))
            line[i] = u' ';
    }
    if (line.size() > valueStart) {
        const QChar first = line[valueStart];
        const QChar last = line.back();
        if (isBlank(first) || isBlank(last) ||
            (line.size() - valueStart >= 2 && isQuote(first) && first == last)) {
            line.insert(valueStart, u'"');
            line += u'"';
        }
    }

    if (existing >= 0) {
        Line &target = s.body[size_t(existing)];
        const Line old = target;
        target = d->addLine(line, old.keyOffset, old.keyLength);
        target.eol = old.eol;
        return;
    }
    // A new key goes after the section's last key (or right after the header), ahead of
    // any comments and blank lines that separate it from the next section.
    auto pos = s.body.end();
    while (pos != s.body.begin() && std::prev(pos)->kind != Kind::Key)
        --pos;
    s.body.insert(pos, d->addLine(line, 0, keyEnd));
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

void writeAtomically(const QString &fileName, const QByteArray &bytes)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
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
