#include "platform/IniFile.h"
#include "platform/KelvaroError.h"

#include "support/TestMain.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtEndian>

using namespace Qt::StringLiterals;

namespace {

QByteArray utf16le(const QString &text, bool bom = true)
{
    QByteArray bytes = bom ? QByteArray("\xFF\xFE", 2) : QByteArray();
    for (QChar c : text) {
        bytes += char(c.unicode() & 0xFF);
        bytes += char(c.unicode() >> 8);
    }
    return bytes;
}

QByteArray utf16be(const QString &text)
{
    QByteArray bytes("\xFE\xFF", 2);
    for (QChar c : text) {
        bytes += char(c.unicode() >> 8);
        bytes += char(c.unicode() & 0xFF);
    }
    return bytes;
}

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<unreadable>");
    return file.readAll();
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

const QString Missing = u"<missing>"_s;

QString read(IniStore &ini, const QString &section, const QString &key)
{
    return ini.readString(section, key, Missing);
}

// What an IniReader reads for the section and key, found as readString finds them.
QString read(const IniReader &reader, const QString &section, const QString &key)
{
    for (qsizetype i = 0; i < reader.sectionCount(); ++i) {
        if (reader.sectionName(i).compare(section, Qt::CaseInsensitive) == 0)
            return reader.readString(i, key, Missing);
    }
    return Missing;
}

QStringList sectionsOf(const IniReader &reader)
{
    QStringList names;
    for (qsizetype i = 0; i < reader.sectionCount(); ++i)
        names += reader.sectionName(i);
    return names;
}

// The reader of a file, as the catalogue reads it.
IniReader readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot open %s", qPrintable(path));
    std::optional<IniReader> reader = IniReader::read(file);
    if (!reader)
        qFatal("cannot read %s", qPrintable(path));
    return std::move(*reader);
}

// The message of the KelvaroError that `f` raises, or "<none>".
template <typename F> QString errorOf(F f)
{
    try {
        f();
    } catch (const KelvaroError &e) {
        return e.message();
    }
    return u"<none>"_s;
}

} // namespace

class TestIniFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void exampleFileBytes();
    void parse_data();
    void parse();
    void readSections_data();
    void readSections();
    void readerReadsAsTheDocument();
    void encodingDetection_data();
    void encodingDetection();
    void updateKeepsEncodingAndUntouchedBytes_data();
    void updateKeepsEncodingAndUntouchedBytes();
    void writeMatchesWithoutCaseAndKeepsSpelling();
    void newKeyGoesAfterLastKeyOfSection();
    void eraseKeepsCommentsAndEncoding();
    void eraseRemovesEveryDuplicate();
    void eraseOfMissingFileOrSectionWritesNothing();
    void valueLengthLimit();
    void valuesRoundTrip_data();
    void valuesRoundTrip();
    void awkwardNamesRoundTrip_data();
    void awkwardNamesRoundTrip();
    void unrepresentableTextTurnsFileIntoUtf16();
    void longNamesAndManySections();
    void writeFailures_data();
    void writeFailures();
    void eraseFailureLeavesFileIntact();
    void writesStartFromTheFileOnDisk();
    void missingFileReadsEmptyAndStaysMissing();
    void windows1252ThatWouldReadAsUtf8();
    void copiesAreIndependent();
    void replaceFile();
    void replaceFileLeavesIdenticalFileAlone_data();
    void replaceFileLeavesIdenticalFileAlone();
    void writerWritesAsTheDocument_data();
    void writerWritesAsTheDocument();
};

void TestIniFile::exampleFileBytes()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"Kelvaro.ini"_s);
    IniFile ini(path);
    ini.writeString(u"Abe"_s, u"Type"_s, u"Game"_s);
    ini.writeString(u"Abe"_s, u"GameFile"_s, uR"(D:\Games\Abe\abe.exe)"_s);
    ini.writeString(u"Abe"_s, u"GamePath"_s, uR"(D:\Games\Abe\)"_s);
    ini.writeString(u"Abe"_s, u"GameParams"_s, QString());
    ini.writeString(u"Abe"_s, u"GameIcon"_s, uR"(D:\Games\Abe\abe.exe,0)"_s);
    ini.writeString(u"Shooters"_s, u"Type"_s, u"Category"_s);
    ini.writeString(u"Shooters"_s, u"CategoryIcon"_s, u"DEFAULTCATICON"_s);
    ini.writeString(u"Shooters"_s, u"CategoryFile"_s, uR"(D:\Launcher\Shooters.ini)"_s);
    ini.close();

    const QString expected = uR"([Abe]
Type=Game
GameFile=D:\Games\Abe\abe.exe
GamePath=D:\Games\Abe\
GameParams=
GameIcon=D:\Games\Abe\abe.exe,0
[Shooters]
Type=Category
CategoryIcon=DEFAULTCATICON
CategoryFile=D:\Launcher\Shooters.ini
)"_s;
    QString crlf = expected;
    crlf.replace(u"\n"_s, u"\r\n"_s);
    QCOMPARE(readBytes(path), utf16le(crlf));

    IniFile again(path);
    QCOMPARE(again.readSections(), QStringList({u"Abe"_s, u"Shooters"_s}));
    QCOMPARE(read(again, u"Abe"_s, u"GameParams"_s), QString());
    QCOMPARE(read(again, u"Abe"_s, u"GamePath"_s), uR"(D:\Games\Abe\)"_s);
}

void TestIniFile::parse_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");

    QTest::newRow("plain") << "[S]\nk=v\n"_ba << u"S"_s << u"k"_s << u"v"_s;
    QTest::newRow("blanks trimmed")
        << " \t[ S ] \n\t k \t= \t v w \t\n"_ba << u"S"_s << u"k"_s << u"v w"_s;
    QTest::newRow("double quotes") << "[S]\nk= \" v \" \n"_ba << u"S"_s << u"k"_s << u" v "_s;
    QTest::newRow("single quotes") << "[S]\nk='v'\n"_ba << u"S"_s << u"k"_s << u"v"_s;
    QTest::newRow("unmatched quotes kept") << "[S]\nk=\"v'\n"_ba << u"S"_s << u"k"_s << u"\"v'"_s;
    QTest::newRow("lone quote kept") << "[S]\nk=\"\n"_ba << u"S"_s << u"k"_s << u"\""_s;
    QTest::newRow("only outer quotes removed")
        << "[S]\nk=\"\"v\"\"\n"_ba << u"S"_s << u"k"_s << u"\"v\""_s;
    QTest::newRow("equals in value") << "[S]\nk=a=b\n"_ba << u"S"_s << u"k"_s << u"a=b"_s;
    QTest::newRow("empty value") << "[S]\nk=\n"_ba << u"S"_s << u"k"_s << QString();
    QTest::newRow("comment is no key") << "[S]\n;k=v\n"_ba << u"S"_s << u"k"_s << Missing;
    QTest::newRow("indented comment") << "[S]\n  ;k=v\nk=w\n"_ba << u"S"_s << u"k"_s << u"w"_s;
    QTest::newRow("comment is no section")
        << ";[T]\n[S]\n;[T]\nk=v\n"_ba << u"T"_s << u"k"_s << Missing;
    QTest::newRow("blank lines") << "\n\n[S]\n\n\nk=v\n\n"_ba << u"S"_s << u"k"_s << u"v"_s;
    QTest::newRow("line without equals ignored")
        << "[S]\njunk\nk=v\n"_ba << u"S"_s << u"k"_s << u"v"_s;
    QTest::newRow("key before first section")
        << "k=v\n[S]\nx=y\n"_ba << u"S"_s << u"k"_s << Missing;
    QTest::newRow("duplicate section: first counts")
        << "[S]\nk=first\n[T]\n[S]\nk=second\nother=1\n"_ba << u"S"_s << u"k"_s << u"first"_s;
    QTest::newRow("duplicate section: later keys ignored")
        << "[S]\nk=first\n[s]\nother=1\n"_ba << u"S"_s << u"other"_s << Missing;
    QTest::newRow("duplicate key: first counts")
        << "[S]\nk=1\nK=2\n"_ba << u"S"_s << u"k"_s << u"1"_s;
    QTest::newRow("section case") << "[Doom]\nk=v\n"_ba << u"DOOM"_s << u"k"_s << u"v"_s;
    QTest::newRow("key case") << "[S]\nGameFile=v\n"_ba << u"s"_s << u"GAMEFILE"_s << u"v"_s;
    QTest::newRow("non-ASCII case")
        << "[\xC3\x89t\xC3\xA9]\nk=v\n"_ba << u"\u00E9T\u00C9"_s << u"k"_s << u"v"_s;
    QTest::newRow("CR line ends") << "[S]\rk=v\r[T]\rk=w\r"_ba << u"T"_s << u"k"_s << u"w"_s;
    QTest::newRow("CRLF line ends") << "[S]\r\nk=v\r\n"_ba << u"S"_s << u"k"_s << u"v"_s;
    QTest::newRow("mixed line ends") << "[S]\r\na=1\nb=2\rc=3"_ba << u"S"_s << u"c"_s << u"3"_s;
    QTest::newRow("no line end at the end") << "[S]\nk=v"_ba << u"S"_s << u"k"_s << u"v"_s;
    QTest::newRow("section name up to last bracket")
        << "[a]b] ; note\nk=v\n"_ba << u"a]b"_s << u"k"_s << u"v"_s;
    QTest::newRow("bracket without close is no section")
        << "[S]\n[T\nk=v\n"_ba << u"S"_s << u"k"_s << u"v"_s;
    QTest::newRow("empty section name") << "[]\nk=v\n"_ba << QString() << u"k"_s << u"v"_s;
    QTest::newRow("missing section") << "[S]\nk=v\n"_ba << u"T"_s << u"k"_s << Missing;
    QTest::newRow("empty file") << QByteArray() << u"S"_s << u"k"_s << Missing;
    QTest::newRow("Windows-1252") << "[Caf\xE9]\nk=\x80 5\n"_ba << u"Caf\u00E9"_s << u"k"_s
                                  << u"\u20AC 5"_s;
    QTest::newRow("Windows-1252 undefined byte")
        << "[S]\nk=\x81\xFF\n"_ba << u"S"_s << u"k"_s << u"\u0081\u00FF"_s;
    QTest::newRow("UTF-8") << "[Caf\xC3\xA9]\nk=\xE2\x82\xAC 5\n"_ba << u"Caf\u00E9"_s << u"k"_s
                           << u"\u20AC 5"_s;
    QTest::newRow("UTF-8 with BOM") << "\xEF\xBB\xBF[Caf\xC3\xA9]\nk=\xF0\x9F\x8E\xAE\n"_ba
                                    << u"caf\u00C9"_s << u"k"_s << u"\U0001F3AE"_s;
    QTest::newRow("UTF-16LE") << utf16le(u"[Caf\u00E9]\r\nk=\u4E2D\r\n"_s) << u"Caf\u00E9"_s
                              << u"k"_s << u"\u4E2D"_s;
    QTest::newRow("UTF-16LE odd last byte")
        << utf16le(u"[S]\r\nk=v"_s) + 'x' << u"S"_s << u"k"_s << u"v"_s;
    QTest::newRow("UTF-16BE") << utf16be(u"[S]\r\nk=\u4E2D\r\n"_s) << u"S"_s << u"k"_s
                              << u"\u4E2D"_s;
    QTest::newRow("escaped section name") << "[%%a%5Db]\nk=v\n"_ba << u"a]b"_s << u"k"_s << u"v"_s;
    QTest::newRow("escaped key name") << "[S]\n%%a%3Db=v\n"_ba << u"S"_s << u"a=b"_s << u"v"_s;
    QTest::newRow("second byte-order mark is text")
        << "\xEF\xBB\xBF\xEF\xBB\xBF[S]\nk=v\n"_ba << u"S"_s << u"k"_s << Missing;
}

void TestIniFile::parse()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, expected);

    IniDocument doc = IniDocument::parse(bytes);
    QCOMPARE(read(doc, section, key), expected);

    // The same through a file.
    QTemporaryDir dir;
    const QString path = dir.filePath(u"list.ini"_s);
    QVERIFY(writeBytes(path, bytes));
    IniFile ini(path);
    QCOMPARE(read(ini, section, key), expected);
    // The catalogue's reader reads the same, from the bytes and from the file.
    QCOMPARE(read(IniReader::parse(bytes), section, key), expected);
    QCOMPARE(read(readFile(path), section, key), expected);
    // An unchanged document gives back the bytes it was read from.
    if (bytes.size() % 2 == 0 || !bytes.startsWith("\xFF\xFE"))
        QCOMPARE(doc.serialize(), bytes.isEmpty() ? "\xFF\xFE"_ba : bytes);
}

void TestIniFile::readSections_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("empty") << QByteArray() << QStringList();
    QTest::newRow("no sections") << "; just a comment\nk=v\n"_ba << QStringList();
    QTest::newRow("file order") << "[B]\n[A]\nk=v\n[C]\n"_ba
                                << QStringList({u"B"_s, u"A"_s, u"C"_s});
    QTest::newRow("duplicates listed once, first spelling")
        << "[Doom]\n[Abe]\n[DOOM]\n[doom]\n"_ba << QStringList({u"Doom"_s, u"Abe"_s});
    QTest::newRow("comments and blanks")
        << "\n;[X]\n[A]\n\n; [Y]\n[ B ]\n"_ba << QStringList({u"A"_s, u"B"_s});
    QTest::newRow("UTF-16LE") << utf16le(u"[\u00C5]\r\n[\u4E2D]\r\n"_s)
                              << QStringList({u"\u00C5"_s, u"\u4E2D"_s});
}

void TestIniFile::readSections()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, expected);

    QCOMPARE(IniDocument::parse(bytes).readSections(), expected);
    QCOMPARE(IniDocument::parse(bytes).isEmpty(), expected.isEmpty());
    QCOMPARE(sectionsOf(IniReader::parse(bytes)), expected);
}

// The catalogue's reader against the document on many generated files: the same
// sections, and the same value (or none) for every key asked, in every encoding.
void TestIniFile::readerReadsAsTheDocument()
{
    // Pieces that the syntax gives a meaning to, and names in several spellings.
    const QStringList pieces = {
        u"["_s,    u"]"_s,    u"="_s, u";"_s,  u" "_s,      u"\t"_s,     u"\r"_s,     u"\n"_s,
        u"\r\n"_s, u"\""_s,   u"'"_s, u"%%"_s, u"%5D"_s,    u"%3D"_s,    u"k"_s,      u"K"_s,
        u"Type"_s, u"TYPE"_s, u"S"_s, u"s"_s,  u"\u00E9"_s, u"\u00C9"_s, u"\u20AC"_s, u"x"_s};
    const QStringList keys = {u"k"_s, u"Type"_s, u"a]b"_s, u"k="_s, u"x"_s, u"kk"_s};
    QRandomGenerator random(20240611);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(u"list.ini"_s);
    for (int round = 0; round < 400; ++round) {
        QString text;
        const int lines = random.bounded(1, 12);
        for (int line = 0; line < lines; ++line) {
            const int shape = random.bounded(4);
            if (shape == 0)
                text += u"["_s;
            const int count = random.bounded(0, 6);
            for (int i = 0; i < count; ++i)
                text += pieces[random.bounded(pieces.size())];
            if (shape == 0)
                text += u"]"_s;
            else if (shape == 1)
                text += keys[random.bounded(keys.size())] + u"="_s;
            text += u"\r\n"_s;
        }
        QByteArray bytes;
        switch (round % 4) {
        case 0:
            bytes = utf16le(text);
            break;
        case 1:
            bytes = utf16be(text);
            break;
        case 2:
            bytes = text.toUtf8();
            break;
        case 3:
            bytes = "\xEF\xBB\xBF"_ba + text.toUtf8();
            break;
        }
        if (round % 8 == 2)
            bytes += '\xE9'; // no longer valid UTF-8: Windows-1252

        IniDocument doc = IniDocument::parse(bytes);
        QVERIFY(writeBytes(path, bytes));
        const IniReader reader = readFile(path);
        const QStringList sections = doc.readSections();
        QCOMPARE(sectionsOf(reader), sections);
        QCOMPARE(sectionsOf(IniReader::parse(bytes)), sections);
        for (qsizetype i = 0; i < sections.size(); ++i) {
            for (const QString &key : keys) {
                QCOMPARE(reader.readString(i, key, Missing), read(doc, sections[i], key));
                QCOMPARE(reader.value(i, key).isNull(), read(doc, sections[i], key) == Missing);
            }
        }
    }
}

void TestIniFile::encodingDetection_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<IniDocument::Encoding>("expected");

    QTest::newRow("empty: like a new file") << QByteArray() << IniDocument::Encoding::Utf16LE;
    QTest::newRow("UTF-16LE") << utf16le(u"[S]"_s) << IniDocument::Encoding::Utf16LE;
    QTest::newRow("UTF-8 BOM") << "\xEF\xBB\xBF[S]"_ba << IniDocument::Encoding::Utf8WithBom;
    QTest::newRow("ASCII") << "[S]\r\n"_ba << IniDocument::Encoding::Utf8;
    QTest::newRow("valid UTF-8") << "[\xC3\xA9]"_ba << IniDocument::Encoding::Utf8;
    QTest::newRow("lone high byte") << "[\xE9]"_ba << IniDocument::Encoding::Windows1252;
    QTest::newRow("overlong UTF-8") << "[\xC0\xAF]"_ba << IniDocument::Encoding::Windows1252;
    QTest::newRow("UTF-8 surrogate") << "[\xED\xA0\x80]"_ba << IniDocument::Encoding::Windows1252;
    QTest::newRow("truncated UTF-8") << "[S]\nk=\xE2\x82"_ba << IniDocument::Encoding::Windows1252;
}

void TestIniFile::encodingDetection()
{
    QFETCH(QByteArray, bytes);
    QFETCH(IniDocument::Encoding, expected);
    QCOMPARE(IniDocument::parse(bytes).encoding(), expected);
}

void TestIniFile::updateKeepsEncodingAndUntouchedBytes_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("after");

    QTest::newRow("Windows-1252, changed value")
        << "; caf\xE9\r\n[A]\r\n  k = old \r\nx=\xE9\r\n"_ba << u"A"_s << u"K"_s
        << u"\u00E9\u20AC"_s << "; caf\xE9\r\n[A]\r\n  k=\xE9\x80\r\nx=\xE9\r\n"_ba;
    QTest::newRow("Windows-1252, new section")
        << "[A]\nx=\xE9"_ba << u"B"_s << u"k"_s << u"\u00FC"_s << "[A]\nx=\xE9\n[B]\nk=\xFC\n"_ba;
    QTest::newRow("UTF-8, new key")
        << "[A]\na=\xC3\xA9\n\n[B]\nb=1\n"_ba << u"a"_s << u"c"_s << u"\u4E2D"_s
        << "[A]\na=\xC3\xA9\nc=\xE4\xB8\xAD\n\n[B]\nb=1\n"_ba;
    QTest::newRow("UTF-8 with BOM, CR line ends")
        << "\xEF\xBB\xBF[A]\ra=1\r"_ba << u"A"_s << u"a"_s << u"\u00E9"_s
        << "\xEF\xBB\xBF[A]\ra=\xC3\xA9\r"_ba;
    QTest::newRow("UTF-16LE, LF line ends") << utf16le(u"[A]\na=1\n"_s) << u"B"_s << u"b"_s
                                            << u"2"_s << utf16le(u"[A]\na=1\n[B]\nb=2\n"_s);
    QTest::newRow("UTF-16BE") << utf16be(u"[A]\r\na=1\r\n"_s) << u"A"_s << u"a"_s << u"2"_s
                              << utf16be(u"[A]\r\na=2\r\n"_s);
}

void TestIniFile::updateKeepsEncodingAndUntouchedBytes()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QByteArray, after);

    QTemporaryDir dir;
    const QString path = dir.filePath(u"list.ini"_s);
    QVERIFY(writeBytes(path, before));
    IniFile ini(path);
    ini.writeString(section, key, value);
    QCOMPARE(readBytes(path), after);
    QCOMPARE(read(ini, section, key), value);
}

void TestIniFile::writeMatchesWithoutCaseAndKeepsSpelling()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"list.ini"_s);
    IniFile ini(path);
    ini.writeString(u"Doom"_s, u"GameFile"_s, u"a"_s);
    ini.writeString(u"DOOM"_s, u"gamefile"_s, u"b"_s);
    ini.writeString(u"doom"_s, u"Type"_s, u"Game"_s);
    QCOMPARE(readBytes(path), utf16le(u"[Doom]\r\nGameFile=b\r\nType=Game\r\n"_s));
    QCOMPARE(ini.readSections(), QStringList{u"Doom"_s});
}

void TestIniFile::newKeyGoesAfterLastKeyOfSection()
{
    IniDocument doc =
        IniDocument::parse("[A]\r\n; about A\r\na=1\r\n\r\n; about B\r\n[B]\r\n; none yet\r\n"_ba);
    doc.writeString(u"A"_s, u"b"_s, u"2"_s);
    doc.writeString(u"B"_s, u"c"_s, u"3"_s);
    QCOMPARE(doc.serialize(),
             "[A]\r\n; about A\r\na=1\r\nb=2\r\n\r\n; about B\r\n[B]\r\nc=3\r\n; none yet\r\n"_ba);
}

void TestIniFile::eraseKeepsCommentsAndEncoding()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"list.ini"_s);
    QVERIFY(writeBytes(path, "[A]\r\na=\xE9\r\n[B]\r\n; note\r\nb=1\r\n\r\n[C]\r\nc=\x80\r\n"_ba));
    IniFile ini(path);
    QCOMPARE(ini.readSections(), QStringList({u"A"_s, u"B"_s, u"C"_s}));
    ini.eraseSection(u"b"_s);
    QCOMPARE(readBytes(path), "[A]\r\na=\xE9\r\n; note\r\n[C]\r\nc=\x80\r\n"_ba);
    QCOMPARE(ini.readSections(), QStringList({u"A"_s, u"C"_s}));
    QCOMPARE(read(ini, u"C"_s, u"c"_s), u"\u20AC"_s);

    // Written again, an erased name gets a fresh section at the end.
    ini.writeString(u"B"_s, u"b"_s, u"2"_s);
    QCOMPARE(readBytes(path), "[A]\r\na=\xE9\r\n; note\r\n[C]\r\nc=\x80\r\n[B]\r\nb=2\r\n"_ba);
    QCOMPARE(IniFile(path).readSections(), QStringList({u"A"_s, u"C"_s, u"B"_s}));
}

void TestIniFile::eraseRemovesEveryDuplicate()
{
    IniDocument doc = IniDocument::parse("[A]\nk=1\n[B]\nk=2\n[a]\nk=3\n[C]\n"_ba);
    doc.eraseSection(u"A"_s);
    QCOMPARE(doc.readSections(), QStringList({u"B"_s, u"C"_s}));
    QCOMPARE(read(doc, u"A"_s, u"k"_s), Missing);
    QCOMPARE(doc.serialize(), "[B]\nk=2\n[C]\n"_ba);
    QCOMPARE(IniDocument::parse(doc.serialize()).readSections(), QStringList({u"B"_s, u"C"_s}));
}

void TestIniFile::eraseOfMissingFileOrSectionWritesNothing()
{
    QTemporaryDir dir;
    const QString missing = dir.filePath(u"missing.ini"_s);
    IniFile(missing).eraseSection(u"A"_s);
    QVERIFY(!QFile::exists(missing));
    IniFile(dir.filePath(u"no/such/dir.ini"_s)).eraseSection(u"A"_s);

    const QString path = dir.filePath(u"list.ini"_s);
    const QByteArray bytes = "[A]\nk=1\n"_ba;
    QVERIFY(writeBytes(path, bytes));
    const QDateTime stamp = QFileInfo(path).lastModified();
    QTest::qWait(20);
    IniFile ini(path);
    ini.eraseSection(u"B"_s);
    QCOMPARE(readBytes(path), bytes);
    QCOMPARE(QFileInfo(path).lastModified(), stamp);
}

void TestIniFile::valueLengthLimit()
{
    const QString longValue = QString(2046, u'x') + u"yz"_s + QString(952, u'w');
    IniDocument doc;
    doc.writeString(u"S"_s, u"k"_s, longValue);
    QCOMPARE(read(doc, u"S"_s, u"k"_s), QString(2046, u'x') + u'y');
    IniDocument parsed = IniDocument::parse(doc.serialize());
    QCOMPARE(read(parsed, u"S"_s, u"k"_s).size(), 2047);

    // A value of exactly 2,047 characters is read whole; a cut never splits a pair.
    doc.writeString(u"S"_s, u"k"_s, QString(2047, u'x'));
    QCOMPARE(read(doc, u"S"_s, u"k"_s), QString(2047, u'x'));
    doc.writeString(u"S"_s, u"k"_s, QString(2046, u'x') + u"\U0001F3AE"_s);
    QCOMPARE(read(doc, u"S"_s, u"k"_s), QString(2046, u'x'));
}

void TestIniFile::valuesRoundTrip_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("readBack");
    QTest::addColumn<QByteArray>("line"); // as stored, in UTF-8 for readability

    QTest::newRow("empty") << QString() << QString() << "k="_ba;
    QTest::newRow("plain") << u"a b"_s << u"a b"_s << "k=a b"_ba;
    QTest::newRow("leading blank") << u" a"_s << u" a"_s << "k=\" a\""_ba;
    QTest::newRow("trailing tab") << u"a\t"_s << u"a\t"_s << "k=\"a\t\""_ba;
    QTest::newRow("only blanks") << u"  "_s << u"  "_s << "k=\"  \""_ba;
    QTest::newRow("quoted") << u"\"a\""_s << u"\"a\""_s << "k=\"\"a\"\""_ba;
    QTest::newRow("single-quoted") << u"'a'"_s << u"'a'"_s << "k=\"'a'\""_ba;
    QTest::newRow("inner quotes") << u"a \"b\" c"_s << u"a \"b\" c"_s << "k=a \"b\" c"_ba;
    QTest::newRow("line breaks") << u"a\r\nb\nc\r"_s << u"a  b c "_s << "k=\"a  b c \""_ba;
    QTest::newRow("section header inside")
        << u"\n[B]\nx=1"_s << u" [B] x=1"_s << "k=\" [B] x=1\""_ba;
    QTest::newRow("semicolon") << u";x"_s << u";x"_s << "k=;x"_ba;
}

void TestIniFile::valuesRoundTrip()
{
    QFETCH(QString, value);
    QFETCH(QString, readBack);
    QFETCH(QByteArray, line);

    IniDocument doc = IniDocument::parse("[A]\nk=old\n[B]\nb=1\n"_ba);
    doc.writeString(u"A"_s, u"k"_s, value);
    QCOMPARE(read(doc, u"A"_s, u"k"_s), readBack);
    const QByteArray bytes = doc.serialize();
    QCOMPARE(bytes, "[A]\n"_ba + line + "\n[B]\nb=1\n"_ba);
    IniDocument parsed = IniDocument::parse(bytes);
    QCOMPARE(read(parsed, u"A"_s, u"k"_s), readBack);
    QCOMPARE(parsed.readSections(), QStringList({u"A"_s, u"B"_s}));
}

void TestIniFile::awkwardNamesRoundTrip_data()
{
    QTest::addColumn<QString>("name");

    QTest::newRow("empty") << QString();
    QTest::newRow("closing bracket") << u"a]b"_s;
    QTest::newRow("only bracket") << u"]"_s;
    QTest::newRow("opening bracket") << u"[x"_s;
    QTest::newRow("line break") << u"a\r\n[B]\nb=x"_s;
    QTest::newRow("leading and trailing blanks") << u" \ta b\t "_s;
    QTest::newRow("a single blank") << u" "_s;
    QTest::newRow("escape marker") << u"%%5D"_s;
    QTest::newRow("percent") << u"100% %41"_s;
    QTest::newRow("semicolon") << u";x"_s;
    QTest::newRow("equals") << u"a=b"_s;
    QTest::newRow("non-ASCII") << u"\u00E9\u4E2D\U0001F3AE"_s;
}

void TestIniFile::awkwardNamesRoundTrip()
{
    QFETCH(QString, name);

    for (const QByteArray &start :
         {"[A]\r\na=1\r\n[B]\r\nb=2\r\n"_ba, "[A]\na=\xE9\n[B]\nb=2\n"_ba}) {
        IniDocument doc = IniDocument::parse(start);
        doc.writeString(name, u"k"_s, u"v"_s);
        doc.writeString(u"B"_s, name, u"w"_s);
        const QStringList expected({u"A"_s, u"B"_s, name});
        QCOMPARE(doc.readSections(), expected);

        IniDocument parsed = IniDocument::parse(doc.serialize());
        QCOMPARE(parsed.readSections(), expected);
        QCOMPARE(read(parsed, name, u"k"_s), u"v"_s);
        QCOMPARE(read(parsed, u"B"_s, name), u"w"_s);
        QCOMPARE(read(parsed, u"B"_s, u"b"_s), u"2"_s);
        QCOMPARE(read(parsed, u"A"_s, u"a"_s), read(doc, u"A"_s, u"a"_s));

        parsed.eraseSection(name);
        QCOMPARE(IniDocument::parse(parsed.serialize()).readSections(),
                 QStringList({u"A"_s, u"B"_s}));
    }
}

void TestIniFile::unrepresentableTextTurnsFileIntoUtf16()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"list.ini"_s);
    QVERIFY(writeBytes(path, "[Caf\xE9]\r\nk=\x80\r\n"_ba));
    IniFile ini(path);
    ini.writeString(u"\u4E2D"_s, u"k"_s, u"\u0100"_s);
    QCOMPARE(readBytes(path), utf16le(u"[Caf\u00E9]\r\nk=\u20AC\r\n[\u4E2D]\r\nk=\u0100\r\n"_s));

    // Erasing never changes the encoding.
    QVERIFY(writeBytes(path, "[A]\nk=\xE9\n[B]\n"_ba));
    IniFile other(path);
    other.eraseSection(u"B"_s);
    QCOMPARE(readBytes(path), "[A]\nk=\xE9\n"_ba);
}

void TestIniFile::longNamesAndManySections()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"list.ini"_s);

    const QString longName = QString(300, u'N');
    IniDocument doc;
    QStringList names;
    for (int i = 0; i < 200; ++i) {
        names.append(u"Game number %1 "_s.arg(i) + QString(100, QChar(u'a' + i % 26)));
        doc.writeString(names.back(), u"Type"_s, u"Game"_s);
    }
    doc.writeString(longName, u"Type"_s, u"Category"_s);
    names.append(longName);
    qsizetype total = 0;
    for (const QString &name : names)
        total += name.size() + 1;
    QVERIFY(total > 16383);

    IniFile::replaceFile(path, doc);
    IniFile ini(path);
    QCOMPARE(ini.readSections(), names);
    QCOMPARE(read(ini, longName, u"Type"_s), u"Category"_s);
    ini.writeString(longName, QString(300, u'K'), u"v"_s);
    QCOMPARE(read(ini, longName.toLower(), QString(300, u'k')), u"v"_s);
}

void TestIniFile::writeFailures_data()
{
    QTest::addColumn<QString>("relativePath");
    QTest::newRow("missing directory") << u"no/such/dir/list.ini"_s;
    QTest::newRow("directory in place of the file") << u"taken"_s;
    // The name is so long that the temporary file beside it cannot be made.
    QTest::newRow("no room for the temporary file") << QString(250, u'L');
}

void TestIniFile::writeFailures()
{
    QFETCH(QString, relativePath);

    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(u"taken"_s));
    const QString longPath = dir.filePath(QString(250, u'L'));
    const QByteArray old = "[A]\r\na=1\r\n"_ba;
    QVERIFY(writeBytes(longPath, old));
    if (QFile(longPath + u".XXXXXX"_s).open(QIODevice::WriteOnly))
        QSKIP("This file system takes names of any length");

    // The message names the file exactly as the object was opened on it.
    const QString name = dir.path() + u"/./"_s + relativePath;
    IniFile ini(name);
    const QString message = u"Unable to write to "_s + name;
    QCOMPARE(errorOf([&] { ini.writeString(u"A"_s, u"a"_s, u"2"_s); }), message);
    QCOMPARE(errorOf([&] { ini.writeString(u"B"_s, u"b"_s, u"2"_s); }), message);
    QCOMPARE(errorOf([&] { IniFile::replaceFile(name, IniDocument::parse(old + "[C]\r\n"_ba)); }),
             message);
    QCOMPARE(readBytes(longPath), old);
    QVERIFY(QFileInfo(dir.filePath(u"taken"_s)).isDir());
    QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size(), 2);
}

void TestIniFile::eraseFailureLeavesFileIntact()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QString(250, u'E'));
    const QByteArray old = "[A]\r\na=1\r\n[B]\r\n"_ba;
    QVERIFY(writeBytes(path, old));
    if (QFile(path + u".XXXXXX"_s).open(QIODevice::WriteOnly))
        QSKIP("This file system takes names of any length");

    IniFile ini(path);
    QCOMPARE(errorOf([&] { ini.eraseSection(u"A"_s); }), u"Unable to write to "_s + path);
    QCOMPARE(readBytes(path), old);
    QCOMPARE(ini.readSections(), QStringList({u"A"_s, u"B"_s}));

    // Whether a directory standing in the file's place holds the section cannot be
    // known: that is a failure too, not a missing file.
    const QString taken = dir.filePath(u"taken"_s);
    QVERIFY(QDir(dir.path()).mkdir(u"taken"_s));
    QCOMPARE(errorOf([&] { IniFile(taken).eraseSection(u"A"_s); }),
             u"Unable to write to "_s + taken);
    QVERIFY(QFileInfo(taken).isDir());
}

void TestIniFile::writesStartFromTheFileOnDisk()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"list.ini"_s);
    IniFile first(path);
    IniFile second(path);
    QCOMPARE(first.readSections(), QStringList());
    second.writeString(u"A"_s, u"a"_s, u"1"_s);
    first.writeString(u"B"_s, u"b"_s, u"2"_s); // keeps what the other object wrote
    second.eraseSection(u"A"_s);
    QCOMPARE(IniFile(path).readSections(), QStringList({u"B"_s}));
    QCOMPARE(read(first, u"B"_s, u"b"_s), u"2"_s);
}

void TestIniFile::missingFileReadsEmptyAndStaysMissing()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"missing.ini"_s);
    IniFile ini(path);
    QCOMPARE(ini.readSections(), QStringList());
    QCOMPARE(ini.readString(u"A"_s, u"k"_s, u"default"_s), u"default"_s);
    ini.close();
    QVERIFY(!QFile::exists(path));
    QCOMPARE(IniFile(dir.path()).readSections(), QStringList()); // a directory reads empty
}

void TestIniFile::windows1252ThatWouldReadAsUtf8()
{
    // The only byte that is not valid UTF-8 goes with the erased section; "\xC3\xA9"
    // alone would read back as UTF-8 "\u00E9" instead of "\u00C3\u00A9".
    IniDocument doc = IniDocument::parse("[\xC3\xA9]\r\nk=1\r\n[B]\r\nk=\xFF\r\n"_ba);
    QCOMPARE(doc.encoding(), IniDocument::Encoding::Windows1252);
    QCOMPARE(doc.readSections(), QStringList({u"\u00C3\u00A9"_s, u"B"_s}));
    doc.eraseSection(u"B"_s);
    const QByteArray bytes = doc.serialize();
    QCOMPARE(bytes, "\xEF\xBB\xBF[\xC3\x83\xC2\xA9]\r\nk=1\r\n"_ba);
    QCOMPARE(IniDocument::parse(bytes).readSections(), QStringList({u"\u00C3\u00A9"_s}));

    // Plain ASCII stays as it is.
    IniDocument ascii = IniDocument::parse("[A]\nk=1\n[B]\nk=\xFF\n"_ba);
    ascii.eraseSection(u"B"_s);
    QCOMPARE(ascii.serialize(), "[A]\nk=1\n"_ba);
}

void TestIniFile::copiesAreIndependent()
{
    IniDocument original = IniDocument::parse("[A]\r\nk=1\r\n"_ba);
    IniDocument copy = original;
    copy.writeString(u"A"_s, u"k"_s, u"2"_s);
    copy.writeString(u"B"_s, u"k"_s, u"3"_s);
    copy.eraseSection(u"A"_s);
    QCOMPARE(original.readSections(), QStringList{u"A"_s});
    QCOMPARE(read(original, u"A"_s, u"k"_s), u"1"_s);
    QCOMPARE(original.serialize(), "[A]\r\nk=1\r\n"_ba);

    IniDocument assigned;
    assigned = copy;
    QCOMPARE(assigned.readSections(), QStringList{u"B"_s});
    QCOMPARE(assigned.serialize(), copy.serialize());
}

void TestIniFile::replaceFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"list.ini"_s);
    QVERIFY(writeBytes(path, "[Old]\nk=v\n"_ba));

    IniDocument doc;
    doc.writeString(u"A"_s, u"Type"_s, u"Game"_s);
    doc.writeString(u"A"_s, u"GameParams"_s, QString());
    IniFile::replaceFile(path, doc);
    QCOMPARE(readBytes(path), utf16le(u"[A]\r\nType=Game\r\nGameParams=\r\n"_s));

    IniFile::replaceFile(path, IniDocument());
    QVERIFY(!QFile::exists(path));
    IniFile::replaceFile(path, IniDocument()); // no file to remove: fine
    QVERIFY(!QFile::exists(path));
}

// Only a file that already holds exactly the new bytes is left alone; any other is
// replaced, whatever it shares with the new bytes.
void TestIniFile::replaceFileLeavesIdenticalFileAlone_data()
{
    QTest::addColumn<QByteArray>("onDisk"); // null: no file
    QTest::addColumn<bool>("leftAlone");

    const QByteArray fresh = utf16le(u"[A]\r\nType=Game\r\n"_s);
    QByteArray sameSize = fresh;
    sameSize[sameSize.size() - 4] = 'X';
    QTest::newRow("same bytes") << fresh << true;
    QTest::newRow("one byte differs") << sameSize << false;
    QTest::newRow("longer") << fresh + utf16le(u"[B]\r\n"_s) << false;
    QTest::newRow("shorter") << fresh.first(fresh.size() - 2) << false;
    QTest::newRow("same text in UTF-8") << "\xEF\xBB\xBF[A]\r\nType=Game\r\n"_ba << false;
    QTest::newRow("empty") << QByteArray("") << false;
    QTest::newRow("missing") << QByteArray() << false;
}

void TestIniFile::replaceFileLeavesIdenticalFileAlone()
{
    QFETCH(QByteArray, onDisk);
    QFETCH(bool, leftAlone);

    QTemporaryDir dir;
    const QString path = dir.filePath(u"list.ini"_s);
    const QDateTime old = QDateTime::currentDateTimeUtc().addDays(-30);
    if (!onDisk.isNull()) {
        QVERIFY(writeBytes(path, onDisk));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(old, QFileDevice::FileModificationTime));
    }

    IniDocument doc;
    doc.writeString(u"A"_s, u"Type"_s, u"Game"_s);
    IniFile::replaceFile(path, doc);
    QCOMPARE(readBytes(path), utf16le(u"[A]\r\nType=Game\r\n"_s));
    const QDateTime stamp = QFileInfo(path).lastModified().toUTC();
    QCOMPARE(qAbs(stamp.secsTo(old)) < 2, leftAlone);
}

// The writer's bytes against a document given the same writes; a sequence that the
// document has to merge hands the writer over instead.
void TestIniFile::writerWritesAsTheDocument_data()
{
    QTest::addColumn<QStringList>("writes"); // section, key, value, section, key, ...
    QTest::addColumn<bool>("handedOver");

    QTest::newRow("nothing") << QStringList() << false;
    QTest::newRow("one key") << QStringList{u"A"_s, u"k"_s, u"v"_s} << false;
    QTest::newRow("entries") << QStringList{u"Doom"_s,  u"Type"_s,         u"Game"_s,
                                            u"Doom"_s,  u"GameFile"_s,     u"C:\\d.exe"_s,
                                            u"Doom"_s,  u"GameParams"_s,   QString(),
                                            u"Quake"_s, u"Type"_s,         u"Category"_s,
                                            u"Quake"_s, u"CategoryFile"_s, u"Quake.ini"_s}
                             << false;
    QTest::newRow("same section in another case goes on")
        << QStringList{u"Doom"_s, u"k"_s, u"1"_s, u"DOOM"_s, u"j"_s, u"2"_s} << false;
    QTest::newRow("non-ASCII case goes on")
        << QStringList{u"\u00C9t\u00E9"_s, u"k"_s, u"1"_s, u"\u00E9T\u00C9"_s, u"j"_s, u"2"_s}
        << false;
    QTest::newRow("names to escape")
        << QStringList{u" a]b "_s, u"k=x"_s, u"1"_s, QString(), u";k"_s, u"2"_s,
                       u"%%x"_s,   u"[k"_s,  u"3"_s, u"l\nf"_s, u" k"_s, u"4"_s}
        << false;
    QTest::newRow("values stored with care")
        << QStringList{u"S"_s,   u"a"_s,  u" v "_s, u"S"_s,      u"b"_s,
                       u"'q'"_s, u"S"_s,  u"c"_s,   u"x\r\ny"_s, u"S"_s,
                       u"d"_s,   u"\""_s, u"S"_s,   u"e"_s,      QString(QChar(0xD800)) + u"z"_s}
        << false;
    QTest::newRow("section again after another")
        << QStringList{u"A"_s, u"k"_s, u"1"_s, u"B"_s, u"k"_s, u"2"_s, u"a"_s, u"j"_s, u"3"_s}
        << true;
    QTest::newRow("key written twice")
        << QStringList{u"A"_s, u"k"_s, u"1"_s, u"A"_s, u"K"_s, u"2"_s} << true;
}

void TestIniFile::writerWritesAsTheDocument()
{
    QFETCH(QStringList, writes);
    QFETCH(bool, handedOver);

    IniWriter writer;
    IniDocument doc;
    for (qsizetype i = 0; i + 2 < writes.size(); i += 3) {
        writer.writeString(writes[i], writes[i + 1], writes[i + 2]);
        doc.writeString(writes[i], writes[i + 1], writes[i + 2]);
    }
    QCOMPARE(writer.handedOver(), handedOver);
    if (!handedOver) {
        QCOMPARE(writer.isEmpty(), doc.isEmpty());
        QCOMPARE(writer.bytes(), doc.serialize());

        QTemporaryDir dir;
        const QString path = dir.filePath(u"list.ini"_s);
        QVERIFY(writeBytes(path, "[Old]\nk=v\n"_ba));
        IniFile::replaceFile(path, writer);
        QCOMPARE(readBytes(path), writer.isEmpty() ? "<unreadable>"_ba : doc.serialize());
    }

    // A read or an erase hands over: the writer keeps nothing to read back.
    IniWriter reading;
    reading.writeString(u"A"_s, u"k"_s, u"v"_s);
    QCOMPARE(reading.readString(u"A"_s, u"k"_s, Missing), Missing);
    QVERIFY(reading.handedOver());
    IniWriter erasing;
    erasing.eraseSection(u"A"_s);
    QVERIFY(erasing.handedOver());
}

KELVARO_TEST_MAIN(TestIniFile)
#include "tst_inifile.moc"
