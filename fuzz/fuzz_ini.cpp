// Parses arbitrary bytes as a list file, reads it, writes into it and checks that what
// the document holds survives serialising and parsing again, and that the catalogue's
// read-only reader reads and its writer writes the same as the document.

#include "platform/IniFile.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void check(bool condition, const char *what)
{
    if (!condition) {
        std::fprintf(stderr, "fuzz_ini: %s\n", what);
        std::abort();
    }
}

// A value as it reads back: line breaks became blanks, at most 2,047 characters.
QString readBack(QString value)
{
    for (QChar &c : value) {
        if (c == u'\r' || c == u'\n')
            c = u' ';
    }
    if (value.size() > 2047) {
        qsizetype keep = 2047;
        if (value[keep - 1].isHighSurrogate() && value[keep].isLowSurrogate())
            --keep;
        value.truncate(keep);
    }
    return value;
}

// A text taken from the input, so that the fuzzer can steer names and values into
// any character, blanks, brackets and line breaks included.
QString textFrom(const uint8_t *&data, size_t &size)
{
    if (size == 0)
        return QString();
    const size_t length = std::min<size_t>(data[0] % 24, (size - 1) / 2);
    QString text;
    for (size_t i = 0; i < length; ++i)
        text += QChar(char16_t(data[1 + 2 * i] | (data[2 + 2 * i] << 8)));
    data += 1 + 2 * length;
    size -= 1 + 2 * length;
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // The first bytes choose a section, key and value to write; all bytes are the file.
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const uint8_t *cursor = data;
    size_t left = size;
    const QString section = textFrom(cursor, left);
    const QString key = textFrom(cursor, left);
    const QString value = textFrom(cursor, left);

    IniDocument doc = IniDocument::parse(bytes);
    const QStringList sections = doc.readSections();
    check(doc.isEmpty() == sections.isEmpty(), "isEmpty disagrees with readSections");
    for (qsizetype i = 0; i < sections.size() && i < 16; ++i) {
        for (const QString &name : {QStringLiteral("Type"), QStringLiteral("GameFile"), key})
            check(doc.readString(sections[i], name, QString()).size() <= 2047, "value too long");
    }

    // The catalogue's reader reads what the document reads.
    const IniReader reader = IniReader::parse(bytes);
    check(reader.sectionCount() == sections.size(), "the reader found other sections");
    for (qsizetype i = 0; i < sections.size(); ++i) {
        check(reader.sectionName(i) == sections[i], "the reader found other sections");
        if (i >= 16)
            continue;
        for (const QString &name : {QStringLiteral("Type"), QStringLiteral("GameFile"), key})
            check(reader.readString(i, name, QStringLiteral("\1")) ==
                      doc.readString(sections[i], name, QStringLiteral("\1")),
                  "the reader read another value");
    }

    // A new list written by the catalogue's writer has the bytes a document gives for
    // the same writes, unless the writer handed over to the document.
    IniWriter writer;
    IniDocument fresh;
    for (qsizetype i = 0; i < sections.size() && i < 16; ++i) {
        const QString read = doc.readString(sections[i], key, value);
        for (const QString &name : {key, QStringLiteral("Type"), section}) {
            writer.writeString(sections[i], name, read);
            fresh.writeString(sections[i], name, read);
        }
    }
    writer.writeString(section, key, value);
    fresh.writeString(section, key, value);
    check(writer.handedOver() || writer.bytes() == fresh.serialize(),
          "the writer wrote other bytes than the document");

    // Unchanged, the document reads back the same.
    IniDocument again = IniDocument::parse(doc.serialize());
    check(again.readSections() == sections, "sections changed by a round trip");
    for (qsizetype i = 0; i < sections.size() && i < 16; ++i) {
        check(again.readString(sections[i], key, QStringLiteral("\1")) ==
                  doc.readString(sections[i], key, QStringLiteral("\1")),
              "value changed by a round trip");
    }

    // A written value reads back and damages no other section.
    doc.writeString(section, key, value);
    const QStringList written = doc.readSections();
    check(written.size() == sections.size() || written.size() == sections.size() + 1,
          "a write changed the other sections");
    check(written.first(sections.size()) == sections, "a write changed the other sections");
    IniDocument reread = IniDocument::parse(doc.serialize());
    check(reread.readSections() == written, "sections changed after a write");
    check(reread.readString(section, key, QString()) == readBack(value), "written value lost");

    // An erased section is gone, and only it.
    reread.eraseSection(section);
    QStringList expected = written;
    expected.removeIf(
        [&](const QString &name) { return name.compare(section, Qt::CaseInsensitive) == 0; });
    check(reread.readSections() == expected, "erase removed the wrong sections");
    check(IniDocument::parse(reread.serialize()).readSections() == expected,
          "sections changed after an erase");
    return 0;
}
