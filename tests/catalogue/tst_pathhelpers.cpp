#include "catalogue/PathHelpers.h"

#include "support/TestMain.h"

#include <QDir>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(PathSyntax)

class TestPathHelpers : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void extractDirectory_data();
    void extractDirectory();
    void filePartAndExtension_data();
    void filePartAndExtension();
    void parseIconLocation_data();
    void parseIconLocation();
    void nativeHelpersUseThePlatformRules();
    void longPathsAreNotCut();
    void currentDirAndProgramFile();
};

namespace {
constexpr PathSyntax Unix = PathSyntax::Unix;
constexpr PathSyntax Win = PathSyntax::Windows;
} // namespace

void TestPathHelpers::extractDirectory_data()
{
    QTest::addColumn<PathSyntax>("syntax");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("expected");

    QTest::newRow("unix file") << Unix << u"/games/foo/foo.exe"_s << u"/games/foo/"_s;
    QTest::newRow("unix dir with trailing sep") << Unix << u"/games/foo/"_s << u"/games/foo/"_s;
    QTest::newRow("unix root file") << Unix << u"/foo.exe"_s << u"/"_s;
    QTest::newRow("unix root") << Unix << u"/"_s << u"/"_s;
    QTest::newRow("unix bare name") << Unix << u"foo.exe"_s << QString();
    QTest::newRow("unix empty") << Unix << QString() << QString();
    QTest::newRow("unix relative") << Unix << u"sub/outer.ini"_s << u"sub/"_s;
    QTest::newRow("unix doubled sep") << Unix << u"/a//b"_s << u"/a/"_s;
    QTest::newRow("unix backslash is a name") << Unix << u"/x/D:\\Games\\a.exe"_s << u"/x/"_s;
    QTest::newRow("win file") << Win << u"D:\\Games\\Foo\\foo.exe"_s << u"D:\\Games\\Foo\\"_s;
    QTest::newRow("win forward slashes") << Win << u"D:/Games/foo.exe"_s << u"D:/Games/"_s;
    QTest::newRow("win mixed") << Win << u"D:\\Games/foo.exe"_s << u"D:\\Games/"_s;
    QTest::newRow("win drive root file") << Win << u"C:\\foo.exe"_s << u"C:\\"_s;
    QTest::newRow("win drive root") << Win << u"C:\\"_s << u"C:\\"_s;
    QTest::newRow("win drive relative") << Win << u"C:foo.exe"_s << u"C:"_s;
    QTest::newRow("win bare name") << Win << u"foo.exe"_s << QString();
    QTest::newRow("win unc file") << Win << u"\\\\srv\\share\\a.exe"_s << u"\\\\srv\\share\\"_s;
    QTest::newRow("win unc share") << Win << u"\\\\srv\\share"_s << u"\\\\srv\\share\\"_s;
    QTest::newRow("win rooted") << Win << u"\\foo.exe"_s << u"\\"_s;
    QTest::newRow("win relative") << Win << u"sub\\outer.ini"_s << u"sub\\"_s;
}

void TestPathHelpers::extractDirectory()
{
    QFETCH(PathSyntax, syntax);
    QFETCH(QString, path);
    QFETCH(QString, expected);
    QCOMPARE(ExtractDirectory(path, syntax), expected);
}

void TestPathHelpers::filePartAndExtension_data()
{
    QTest::addColumn<PathSyntax>("syntax");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("filePart");
    QTest::addColumn<QString>("extension");
    QTest::addColumn<QString>("withoutExtension");

    QTest::newRow("unix file") << Unix << u"/games/foo.exe"_s << u"foo.exe"_s << u".exe"_s
                               << u"/games/foo"_s;
    QTest::newRow("two dots") << Unix << u"/g/a.tar.gz"_s << u"a.tar.gz"_s << u".gz"_s
                              << u"/g/a.tar"_s;
    QTest::newRow("no extension") << Unix << u"/g.d/readme"_s << u"readme"_s << QString()
                                  << u"/g.d/readme"_s;
    QTest::newRow("dot file") << Unix << u"/home/.profile"_s << u".profile"_s << u".profile"_s
                              << u"/home/"_s;
    QTest::newRow("trailing dot") << Unix << u"a."_s << u"a."_s << u"."_s << u"a"_s;
    QTest::newRow("bare name") << Unix << u"foo.ini"_s << u"foo.ini"_s << u".ini"_s << u"foo"_s;
    QTest::newRow("trailing separator")
        << Unix << u"/games/foo/"_s << u"foo/"_s << QString() << u"/games/foo/"_s;
    QTest::newRow("root") << Unix << u"/"_s << u"/"_s << QString() << u"/"_s;
    QTest::newRow("empty") << Unix << QString() << QString() << QString() << QString();
    QTest::newRow("win file") << Win << u"D:\\Games\\Foo\\foo.exe"_s << u"foo.exe"_s << u".exe"_s
                              << u"D:\\Games\\Foo\\foo"_s;
    QTest::newRow("win dot in dir")
        << Win << u"D:\\a.b\\readme"_s << u"readme"_s << QString() << u"D:\\a.b\\readme"_s;
    QTest::newRow("win drive relative")
        << Win << u"C:foo.lnk"_s << u"foo.lnk"_s << u".lnk"_s << u"C:foo"_s;
    QTest::newRow("win slash") << Win << u"D:/x/y.ico"_s << u"y.ico"_s << u".ico"_s << u"D:/x/y"_s;
}

void TestPathHelpers::filePartAndExtension()
{
    QFETCH(PathSyntax, syntax);
    QFETCH(QString, path);
    QFETCH(QString, filePart);
    QFETCH(QString, extension);
    QFETCH(QString, withoutExtension);
    QCOMPARE(ExtractFilePart(path, syntax), filePart);
    QCOMPARE(ExtractExtension(path, syntax), extension);
    QCOMPARE(RemoveExtension(path, syntax), withoutExtension);
}

void TestPathHelpers::parseIconLocation_data()
{
    QTest::addColumn<PathSyntax>("syntax");
    QTest::addColumn<QString>("location");
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("index");

    QTest::newRow("with index") << Unix << u"/g/abe.exe,3"_s << u"/g/abe.exe"_s << 3;
    QTest::newRow("no comma") << Unix << u"/g/abe.ico"_s << u"/g/abe.ico"_s << 0;
    QTest::newRow("negative id") << Unix << u"/g/abe.dll,-101"_s << u"/g/abe.dll"_s << -101;
    QTest::newRow("blanks") << Unix << u"a.exe,  7"_s << u"a.exe"_s << 7;
    QTest::newRow("trailing text") << Unix << u"a.exe,12abc"_s << u"a.exe"_s << 12;
    QTest::newRow("no digits") << Unix << u"a.exe,abc"_s << u"a.exe"_s << 0;
    QTest::newRow("empty index") << Unix << u"a.exe,"_s << u"a.exe"_s << 0;
    QTest::newRow("last comma") << Unix << u"/g/a,b.exe,2"_s << u"/g/a,b.exe"_s << 2;
    QTest::newRow("comma in directory") << Unix << u"/g/a,1/x.ico"_s << u"/g/a,1/x.ico"_s << 0;
    QTest::newRow("huge") << Unix << u"a,99999999999"_s << u"a"_s << 2147483647;
    QTest::newRow("huge negative") << Unix << u"a,-99999999999"_s << u"a"_s << -2147483647 - 1;
    QTest::newRow("empty") << Unix << QString() << QString() << 0;
    QTest::newRow("special") << Unix << u"DEFAULTCATICON"_s << u"DEFAULTCATICON"_s << 0;
    QTest::newRow("win") << Win << u"D:\\Games\\Abe\\abe.exe,0"_s << u"D:\\Games\\Abe\\abe.exe"_s
                         << 0;
    QTest::newRow("win comma in dir") << Win << u"D:\\a,2\\b.ico"_s << u"D:\\a,2\\b.ico"_s << 0;
    QTest::newRow("unix backslash after comma") << Unix << u"a,2\\b"_s << u"a"_s << 2;
}

void TestPathHelpers::parseIconLocation()
{
    QFETCH(PathSyntax, syntax);
    QFETCH(QString, location);
    QFETCH(QString, file);
    QFETCH(int, index);
    QCOMPARE(ParseIconLocation(location, syntax), index);
    QCOMPARE(location, file);
}

void TestPathHelpers::nativeHelpersUseThePlatformRules()
{
    const PathSyntax native = QDir::separator() == u'\\' ? Win : Unix;
    QCOMPARE(NativePathSyntax(), native);
    const QString path = u"/games/foo/foo.exe"_s;
    QCOMPARE(ExtractDirectory(path), ExtractDirectory(path, native));
    QCOMPARE(ExtractFilePart(path), u"foo.exe"_s);
    QCOMPARE(ExtractExtension(path), u".exe"_s);
    QCOMPARE(RemoveExtension(path), u"/games/foo/foo"_s);
    QString location = u"/games/foo/foo.exe,4"_s;
    QCOMPARE(ParseIconLocation(location), 4);
    QCOMPARE(location, path);
}

void TestPathHelpers::longPathsAreNotCut()
{
    const QString dir = u"/"_s + QString(300, u'd') + u"/"_s + QString(300, u'e') + u"/"_s;
    const QString path = dir + QString(280, u'f') + u".exe"_s;
    QCOMPARE(ExtractDirectory(path, Unix), dir);
    QCOMPARE(ExtractFilePart(path, Unix), QString(280, u'f') + u".exe"_s);
    QString location = path + u",5"_s;
    QCOMPARE(ParseIconLocation(location, Unix), 5);
    QCOMPARE(location, path);
}

void TestPathHelpers::currentDirAndProgramFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    const QString current = GetCurrentDir();
    QVERIFY(QDir::setCurrent(before));
    QCOMPARE(QFileInfo(current).canonicalFilePath(), QFileInfo(dir.path()).canonicalFilePath());
    QVERIFY(!current.endsWith(QDir::separator()));

    const QString program = GetProgramFileName();
    QCOMPARE(QFileInfo(program).canonicalFilePath(),
             QFileInfo(QCoreApplication::applicationFilePath()).canonicalFilePath());
    QCOMPARE(program, QDir::toNativeSeparators(program));
}

KELVARO_TEST_MAIN(TestPathHelpers)
#include "tst_pathhelpers.moc"
