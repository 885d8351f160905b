#include "catalogue/CatalogueIO.h"
#include "catalogue/GameClasses.h"
#include "platform/KelvaroError.h"

#include "support/CatalogueFixtures.h"
#include "support/IconFixtures.h"
#include "support/TestMain.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;
using namespace CatalogueFixtures;

namespace {

const QString ReadFailureText =
    u"Error while reading ini files - possibly wrong file format.\n\rFix or delete the "
    u"corrupted file.\n\rKelvaro will now close.\n\r\n\rReported Error was: "_s;

QString couldNotAccess(const QString &fileName)
{
    return u"Could not access "_s + fileName + u"\n\rEnsure access is possible."_s;
}

std::unique_ptr<TGame> game(const QString &name, const QString &file = {})
{
    return std::make_unique<TGame>(name, file, QString(), QString(), QString());
}

// The names along the first categories, depth by depth: how deep the nesting goes.
int nestingDepth(const TGameList &list)
{
    for (const auto &entry : list.Entries) {
        if (const auto *category = dynamic_cast<const TGameList *>(entry.get()))
            return 1 + nestingDepth(*category);
    }
    return 0;
}

int countEntries(const TGameList &list)
{
    int count = list.Count();
    for (const auto &entry : list.Entries) {
        if (const auto *category = dynamic_cast<const TGameList *>(entry.get()))
            count += countEntries(*category);
    }
    return count;
}

} // namespace

class TestCatalogueIO : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readsTheExampleCatalogue();
    void missingRootFileGivesAnEmptyCatalogue();
    void sectionTypes_data();
    void sectionTypes();
    void categoryFiles_data();
    void categoryFiles();
    void relativeCategoryFilesResolveBesideTheirListFile();
    void relativeIconsResolveBesideTheirListFile();
    void selfReferenceNestsTenLevels();
    void elevenLevelsOfOwnFiles();
    void manySelfReferencesStayBounded();
    void eightBitFileIsSavedAsUtf16();
    void longValuesAreCut();
    void longPathsAreRead();
    void readFailureReportsTheChainAndEnds();
    void rereadReplacesTheCatalogue();

    void insertEntryAndSave_data();
    void insertEntryAndSave();
    void insertEntryAndSaveFailures_data();
    void insertEntryAndSaveFailures();
    void removeEntryAndSave();
    void removeEntryAndSaveFailure();
    void sortAndSave();
    void sortAndSaveFailure();
};

void TestCatalogueIO::readsTheExampleCatalogue()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    FakeCatalogueHost host(dir.path());
    QVERIFY(writeListFile(
        dir.filePath(u"Kelvaro.ini"_s),
        gameSection(u"Abe"_s, u"D:\\Games\\Abe\\abe.exe"_s, u"D:\\Games\\Abe\\"_s, u"-w"_s,
                    u"D:\\Games\\Abe\\abe.exe,0"_s) +
            categorySection(u"Shooters"_s, dir.filePath(u"Shooters.ini"_s), u"DEFAULTCATICON"_s) +
            categorySection(u"Puzzles"_s, u"Puzzles.ini"_s)));
    QVERIFY(writeListFile(dir.filePath(u"Shooters.ini"_s),
                          gameSection(u"Doom"_s, u"/g/doom.exe"_s) +
                              gameSection(u"Quake"_s, u"/g/quake.exe"_s)));

    ReadGameLists(host);

    QCOMPARE(describe(host.root), u"Abe, Shooters[Doom, Quake], Puzzles[]"_s);
    QCOMPARE(host.root.CategoryCount, 2);
    auto *abe = dynamic_cast<TGame *>(host.root.Items(0));
    QVERIFY(abe);
    QCOMPARE(abe->FileName, u"D:\\Games\\Abe\\abe.exe"_s);
    QCOMPARE(abe->GamePath, u"D:\\Games\\Abe\\"_s);
    QCOMPARE(abe->GameParams, u"-w"_s);
    QCOMPARE(abe->IconLocation, u"D:\\Games\\Abe\\abe.exe,0"_s);
    auto *shooters = dynamic_cast<TGameList *>(host.root.Items(1));
    QVERIFY(shooters);
    QCOMPARE(shooters->IconLocation, u"DEFAULTCATICON"_s);
    QCOMPARE(shooters->FileName, dir.filePath(u"Shooters.ini"_s));
    QCOMPARE(host.root.Items(2)->FileName, u"Puzzles.ini"_s); // kept as written

    QCOMPARE(host.rebuildCount, 1);
    QCOMPARE(host.rebuiltCatalogues.first(), describe(host.root)); // rebuilt after reading
    QCOMPARE(host.terminateCount, 0);
    QVERIFY(host.fakePrompter.records.isEmpty());
}

void TestCatalogueIO::missingRootFileGivesAnEmptyCatalogue()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    FakeCatalogueHost host(dir.path());
    host.root.Add(std::make_unique<TGameList>(u"stale"_s, QString(), u"stale.ini"_s));
    QCOMPARE(host.root.CategoryCount, 1);

    ReadGameLists(host);
    QCOMPARE(host.root.Count(), 0);
    QCOMPARE(host.root.CategoryCount, 0);
    QCOMPARE(host.rebuildCount, 1);
    QCOMPARE(host.terminateCount, 0);
    QVERIFY(host.fakePrompter.records.isEmpty());
}

void TestCatalogueIO::sectionTypes_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("catalogue");

    QTest::newRow("lower-case game skipped")
        << QStringList{u"[a]"_s, u"Type=game"_s, u"[b]"_s, u"Type=Game"_s} << u"b"_s;
    QTest::newRow("Folder skipped") << QStringList{u"[a]"_s, u"Type=Folder"_s} << QString();
    QTest::newRow("lower-case category skipped")
        << QStringList{u"[a]"_s, u"Type=category"_s} << QString();
    QTest::newRow("empty type skipped")
        << QStringList{u"[a]"_s, u"Type="_s, u"GameFile=x"_s} << QString();
    QTest::newRow("missing type is a game")
        << QStringList{u"[a]"_s, u"GameFile=a.exe"_s, u"[b]"_s} << u"a, b"_s;
    QTest::newRow("key names ignore case")
        << QStringList{u"[a]"_s, u"TYPE=Category"_s, u"categoryfile=x.ini"_s} << u"a[]"_s;
    QTest::newRow("file order kept")
        << QStringList{u"[z]"_s, u"[m]"_s, u"Type=Category"_s, u"[a]"_s} << u"z, m[], a"_s;
}

void TestCatalogueIO::sectionTypes()
{
    QFETCH(QStringList, lines);
    QFETCH(QString, catalogue);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    FakeCatalogueHost host(dir.path());
    QVERIFY(writeListFile(host.root.FileName, lines));
    ReadGameLists(host);
    QCOMPARE(describe(host.root), catalogue);
    QVERIFY(host.fakePrompter.records.isEmpty());

    // Skipped sections are gone once the list is saved.
    host.root.Save(host.dir);
    ReadGameLists(host);
    QCOMPARE(describe(host.root), catalogue);
    if (catalogue.isEmpty())
        QVERIFY(!QFile::exists(host.root.FileName));
}

void TestCatalogueIO::categoryFiles_data()
{
    QTest::addColumn<QStringList>("rootLines");
    QTest::addColumn<QString>("expectedFileName");
    QTest::addColumn<QString>("catalogue");

    QTest::newRow("default file name") << QStringList{u"[Shooters]"_s, u"Type=Category"_s}
                                       << u"Shooters.ini"_s << u"Shooters[from Shooters.ini]"_s;
    QTest::newRow("named file") << QStringList{u"[Shooters]"_s, u"Type=Category"_s,
                                               u"CategoryFile=other.ini"_s}
                                << u"other.ini"_s << u"Shooters[from other.ini]"_s;
    QTest::newRow("empty CategoryFile: empty category")
        << QStringList{u"[Shooters]"_s, u"Type=Category"_s, u"CategoryFile="_s} << QString()
        << u"Shooters[]"_s;
    QTest::newRow("missing file: empty category")
        << QStringList{u"[Shooters]"_s, u"Type=Category"_s, u"CategoryFile=nowhere.ini"_s}
        << u"nowhere.ini"_s << u"Shooters[]"_s;
}

void TestCatalogueIO::categoryFiles()
{
    QFETCH(QStringList, rootLines);
    QFETCH(QString, expectedFileName);
    QFETCH(QString, catalogue);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    FakeCatalogueHost host(dir.path());
    QVERIFY(writeListFile(host.root.FileName, rootLines));
    QVERIFY(writeListFile(dir.filePath(u"Shooters.ini"_s), gameSection(u"from Shooters.ini"_s)));
    QVERIFY(writeListFile(dir.filePath(u"other.ini"_s), gameSection(u"from other.ini"_s)));

    ReadGameLists(host);
    QCOMPARE(describe(host.root), catalogue);
    QCOMPARE(host.root.Items(0)->FileName, expectedFileName);
    QVERIFY(host.fakePrompter.records.isEmpty());
    QCOMPARE(host.terminateCount, 0);
}

void TestCatalogueIO::relativeCategoryFilesResolveBesideTheirListFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    FakeCatalogueHost host(dir.path());
    QVERIFY(writeListFile(host.root.FileName, categorySection(u"Outer"_s, u"sub/outer.ini"_s)));
    QVERIFY(writeListFile(dir.filePath(u"sub/outer.ini"_s),
                          categorySection(u"Inner"_s, u"inner.ini"_s)));
    QVERIFY(writeListFile(dir.filePath(u"sub/inner.ini"_s), gameSection(u"found in sub"_s)));
    QVERIFY(writeListFile(dir.filePath(u"inner.ini"_s), gameSection(u"beside the root"_s)));
    // A relative name with ".." climbs from the list file's own directory.
    QVERIFY(writeListFile(dir.filePath(u"sub/deeper/up.ini"_s),
                          categorySection(u"Up"_s, u"../inner.ini"_s)));
    QVERIFY(writeListFile(dir.filePath(u"sub/inner.ini"_s),
                          gameSection(u"found in sub"_s) +
                              categorySection(u"Deeper"_s, u"deeper/up.ini"_s)));

    const QString before = QDir::currentPath();
    ReadGameLists(host);
    QCOMPARE(describe(host.root),
             u"Outer[Inner[found in sub, Deeper[Up[found in sub, Deeper[Up[found in sub, "
             u"Deeper[Up[found in sub, Deeper[Up[found in sub, Deeper[]]]]]]]]]]]"_s);
    QCOMPARE(QDir::currentPath(), before); // the process's directory is never changed

    // The writers resolve the same relative name against the program directory.
    auto *inner = static_cast<TGameList *>(static_cast<TGameList *>(host.root.Items(0))->Items(0));
    QCOMPARE(inner->resolvedFileName(host.dir), host.dir + u"inner.ini"_s);
}

void TestCatalogueIO::relativeIconsResolveBesideTheirListFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    FakeCatalogueHost host(dir.path());
    const auto icon = [](QColor colour) {
        return IconFixtures::icoFile({{16, 16, 32, colour}, {32, 32, 32, colour}});
    };
    QVERIFY(CatalogueFixtures::writeFile(dir.filePath(u"pic.ico"_s), icon(Qt::red)));
    QVERIFY(CatalogueFixtures::writeFile(dir.filePath(u"sub/pic.ico"_s), icon(Qt::blue)));
    QVERIFY(writeListFile(host.root.FileName,
                          gameSection(u"Top"_s, u"top.exe"_s, QString(), QString(), u"pic.ico"_s) +
                              categorySection(u"Sub"_s, u"sub/sub.ini"_s, u"pic.ico,0"_s)));
    QVERIFY(
        writeListFile(dir.filePath(u"sub/sub.ini"_s),
                      gameSection(u"Inner"_s, u"inner.exe"_s, QString(), QString(), u"pic.ico"_s)));

    ReadGameLists(host);
    QCOMPARE(describe(host.root), u"Top, Sub[Inner]"_s);
    const auto *sub = static_cast<TGameList *>(host.root.Items(1));
    // The middle pixel: the fixtures leave the corner transparent.
    QCOMPARE(QColor(host.root.Items(0)->SmallIcon.image().pixel(8, 8)), QColor(Qt::red));
    QCOMPARE(QColor(host.root.Items(0)->LargeIcon.image().pixel(16, 16)), QColor(Qt::red));
    // The category's own icon is named in the root list: beside the root.
    QCOMPARE(QColor(sub->SmallIcon.image().pixel(8, 8)), QColor(Qt::red));
    QCOMPARE(QColor(sub->Items(0)->SmallIcon.image().pixel(8, 8)), QColor(Qt::blue));
    QVERIFY(host.fakePrompter.records.isEmpty());
}

void TestCatalogueIO::selfReferenceNestsTenLevels()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    FakeCatalogueHost host(dir.path());
    QVERIFY(writeListFile(host.root.FileName,
                          gameSection(u"Abe"_s) + categorySection(u"Again"_s, u"Kelvaro.ini"_s)));

    ReadGameLists(host);
    QString expected = u"[]"_s; // the category at depth 11 is empty
    for (int depth = 10; depth >= 1; --depth)
        expected = u"[Abe, Again"_s + expected + u"]"_s;
    QCOMPARE(describe(host.root), u"Abe, Again"_s + expected);
    QCOMPARE(nestingDepth(host.root), 11);
    QCOMPARE(host.root.CategoryCount, 1);
    QVERIFY(host.fakePrompter.records.isEmpty());
    QCOMPARE(host.terminateCount, 0);
}

void TestCatalogueIO::elevenLevelsOfOwnFiles()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    FakeCatalogueHost host(dir.path());
    // Kelvaro.ini names level1.ini, level1.ini names level2.ini, ... up to level12.ini.
    QVERIFY(writeListFile(host.root.FileName, categorySection(u"L1"_s, u"level1.ini"_s)));
    for (int level = 1; level <= 12; ++level) {
        QVERIFY(writeListFile(
            dir.filePath(u"level%1.ini"_s.arg(level)),
            gameSection(u"game%1"_s.arg(level)) +
                categorySection(u"L%1"_s.arg(level + 1), u"level%1.ini"_s.arg(level + 1))));
    }

    ListReader reader;
    TRootList root(u"RootList"_s, QString(), host.root.FileName);
    reader.read(root, 0, dir.path());
    // Depths 0 to 10 are read: eleven files; level11.ini and deeper are never opened.
    QCOMPARE(reader.listFilesRead(), 11);

    const TGameList *list = &root;
    for (int depth = 1; depth <= 11; ++depth) {
        list = static_cast<const TGameList *>(list->Items(list->LastIndex()));
        QCOMPARE(list->Name, u"L%1"_s.arg(depth));
        if (depth <= 10)
            QCOMPARE(list->Items(0)->Name, u"game%1"_s.arg(depth));
        else
            QCOMPARE(list->Count(), 0);
    }
}

void TestCatalogueIO::manySelfReferencesStayBounded()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    FakeCatalogueHost host(dir.path());
    // Four categories naming the root list: without a bound 4^10 files would be read.
    QStringList lines;
    for (int i = 1; i <= 4; ++i)
        lines += categorySection(u"C%1"_s.arg(i), u"Kelvaro.ini"_s);
    QVERIFY(writeListFile(host.root.FileName, lines));

    // A small bound shows the shape quickly: the first category is followed down to
    // depth 10, and what lies past the bound stays empty.
    {
        ListReader reader(nullptr, nullptr, 15);
        TRootList root(u"RootList"_s, QString(), host.root.FileName);
        reader.read(root, 0, dir.path());
        QCOMPARE(reader.listFilesRead(), 15);
        QCOMPARE(nestingDepth(root), 11);
        QCOMPARE(countEntries(root), 15 * 4);
        QCOMPARE(root.Count(), 4);
        QCOMPARE(static_cast<TGameList *>(root.Items(3))->Count(), 0);
    }

    // The real bound, through the whole read.
    ReadGameLists(host);
    QCOMPARE(countEntries(host.root), ListReader::MaxListFiles * 4);
    QCOMPARE(nestingDepth(host.root), 11);
    QCOMPARE(host.root.CategoryCount, 4);
    QVERIFY(host.fakePrompter.records.isEmpty());
    QCOMPARE(host.rebuildCount, 1);
}

void TestCatalogueIO::eightBitFileIsSavedAsUtf16()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    FakeCatalogueHost host(dir.path());
    QVERIFY(writeFile(host.root.FileName,
                      "[Caf\xE9 Racer]\r\nType=Game\r\nGameFile=C:\\Spiele\\caf\xE9.exe\r\n"
                      "GameParams=-\xFC\r\n"));
    ReadGameLists(host);
    QCOMPARE(describe(host.root), u"Café Racer"_s);
    auto *cafe = static_cast<TGame *>(host.root.Items(0));
    QCOMPARE(cafe->FileName, u"C:\\Spiele\\café.exe"_s);
    QCOMPARE(cafe->GameParams, u"-ü"_s);

    host.root.Save(host.dir);
    QCOMPARE(readFile(host.root.FileName),
             utf16le(crlfLines(
                 gameSection(u"Café Racer"_s, u"C:\\Spiele\\café.exe"_s, QString(), u"-ü"_s))));
}

void TestCatalogueIO::longValuesAreCut()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    FakeCatalogueHost host(dir.path());
    const QString longValue = QString(3000, u'p');
    const QString longName = QString(300, u'n');
    QVERIFY(
        writeListFile(host.root.FileName, gameSection(longName, u"a.exe"_s, QString(), longValue)));
    ReadGameLists(host);
    QCOMPARE(host.root.Count(), 1);
    QCOMPARE(host.root.Items(0)->Name, longName);
    QCOMPARE(static_cast<TGame *>(host.root.Items(0))->GameParams, QString(2047, u'p'));
}

void TestCatalogueIO::longPathsAreRead()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    FakeCatalogueHost host(dir.path());
    // A list file whose full path is far longer than 259 characters.
    const QString deep = QString(120, u'a') + u"/"_s + QString(120, u'b') + u"/"_s;
    const QString name = deep + QString(100, u'c') + u".ini"_s;
    QVERIFY(dir.filePath(name).size() > 300);
    QVERIFY(writeListFile(host.root.FileName, categorySection(u"Long"_s, name)));
    QVERIFY(writeListFile(dir.filePath(name), gameSection(u"far away"_s)));
    ReadGameLists(host);
    QCOMPARE(describe(host.root), u"Long[far away]"_s);
    QVERIFY(host.fakePrompter.records.isEmpty());
}

void TestCatalogueIO::readFailureReportsTheChainAndEnds()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    FakeCatalogueHost host(dir.path());
    QVERIFY(writeListFile(host.root.FileName,
                          gameSection(u"Abe"_s) + categorySection(u"Outer"_s, u"sub/outer.ini"_s)));
    QVERIFY(writeListFile(dir.filePath(u"sub/outer.ini"_s),
                          categorySection(u"Inner"_s, u"inner.ini"_s)));
    // A directory stands where the innermost list file should be.
    QVERIFY(QDir(dir.path()).mkpath(u"sub/inner.ini"_s));

    ReadGameLists(host);
    QCOMPARE(host.fakePrompter.records.size(), 1);
    const FakePrompter::Record &record = host.fakePrompter.records.first();
    QCOMPARE(record.kind, FakePrompter::Kind::Message);
    QCOMPARE(record.owner, u"KVMainForm"_s);
    QCOMPARE(record.caption, u"Error"_s);
    QCOMPARE(host.fakePrompter.icons.first(), Prompter::Icon::None);

    const QString root = QDir::toNativeSeparators(host.root.FileName);
    const QString outer = QDir::toNativeSeparators(dir.filePath(u"sub/outer.ini"_s));
    const QString inner = QDir::toNativeSeparators(dir.filePath(u"sub/inner.ini"_s));
    const QString chain =
        u"Error in "_s + root + u": Error in "_s + outer + u": Error in "_s + inner + u": "_s;
    QVERIFY2(record.text.startsWith(ReadFailureText + chain), qPrintable(record.text));
    QVERIFY(record.text.size() > (ReadFailureText + chain).size()); // the cause follows
    QCOMPARE(host.terminateCount, 1);
    QCOMPARE(host.rebuildCount, 0);
}

void TestCatalogueIO::rereadReplacesTheCatalogue()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    FakeCatalogueHost host(dir.path());
    QVERIFY(writeListFile(host.root.FileName,
                          gameSection(u"Abe"_s) + categorySection(u"Cat"_s, u"Cat.ini"_s)));
    ReadGameLists(host);
    QVERIFY(writeListFile(host.root.FileName, gameSection(u"Zork"_s)));
    ReadGameLists(host);
    QCOMPARE(describe(host.root), u"Zork"_s);
    QCOMPARE(host.root.CategoryCount, 0);
    QCOMPARE(host.rebuiltCatalogues, (QStringList{u"Abe, Cat[]"_s, u"Zork"_s}));
}

void TestCatalogueIO::insertEntryAndSave_data()
{
    QTest::addColumn<int>("autoSort");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("catalogue");

    QTest::newRow("AutoSort 0, at the start") << 0 << 0 << u"Moon, Zork, Cat[], Abe"_s;
    QTest::newRow("AutoSort 0, at the end") << 0 << 3 << u"Zork, Cat[], Abe, Moon"_s;
    QTest::newRow("AutoSort 1") << 1 << 0 << u"Abe, Moon, Cat[], Zork"_s;
    QTest::newRow("AutoSort 2 is off") << 2 << 1 << u"Zork, Moon, Cat[], Abe"_s;
}

void TestCatalogueIO::insertEntryAndSave()
{
    QFETCH(int, autoSort);
    QFETCH(int, index);
    QFETCH(QString, catalogue);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    FakeCatalogueHost host(dir.path());
    host.autoSortValue = autoSort;
    // A relative list name is written in the program directory.
    host.root.FileName = u"Kelvaro.ini"_s;
    QVERIFY(writeListFile(dir.filePath(u"Kelvaro.ini"_s),
                          gameSection(u"Zork"_s) + categorySection(u"Cat"_s, u"Cat.ini"_s) +
                              gameSection(u"Abe"_s)));
    ReadGameLists(host);
    QCOMPARE(host.root.CategoryCount, 1);

    QVERIFY(InsertEntryAndSave(host, host.root, game(u"Moon"_s, u"/g/moon.exe"_s), index));
    QCOMPARE(describe(host.root), catalogue);
    QVERIFY(host.fakePrompter.records.isEmpty());

    ReadGameLists(host); // what landed on disk
    QCOMPARE(describe(host.root), catalogue);
}

void TestCatalogueIO::insertEntryAndSaveFailures_data()
{
    QTest::addColumn<int>("autoSort");
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QString>("owner");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("catalogue");

    const QString access = couldNotAccess(u"missing/L.ini"_s);
    QTest::newRow("AutoSort 0") << 0 << 1 << false << u"KVAddForm"_s << access << u"b, new, a"_s;
    QTest::newRow("AutoSort 1") << 1 << 1 << true << u"KVMainForm"_s
                                << u"Error sorting List. Write-protected?"_s << u"a, b, new"_s;
    QTest::newRow("bad index") << 0 << 5 << false << u"KVAddForm"_s << access << u"b, a"_s;
}

void TestCatalogueIO::insertEntryAndSaveFailures()
{
    QFETCH(int, autoSort);
    QFETCH(int, index);
    QFETCH(bool, result);
    QFETCH(QString, owner);
    QFETCH(QString, text);
    QFETCH(QString, catalogue);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    FakeCatalogueHost host(dir.path());
    host.autoSortValue = autoSort;
    TGameList list(u"L"_s, QString(), u"missing/L.ini"_s); // its directory does not exist
    list.Add(game(u"b"_s));
    list.Add(game(u"a"_s));

    QCOMPARE(InsertEntryAndSave(host, list, game(u"new"_s), index), result);
    QCOMPARE(describe(list), catalogue); // the entry stays inserted in memory
    QCOMPARE(host.fakePrompter.records.size(), 1);
    const FakePrompter::Record &record = host.fakePrompter.records.first();
    QCOMPARE(record.kind, FakePrompter::Kind::Message);
    QCOMPARE(record.owner, owner);
    QCOMPARE(record.caption, u"Error"_s);
    QCOMPARE(record.text, text);
    QCOMPARE(host.fakePrompter.icons.first(), Prompter::Icon::None);
    QVERIFY(!QFile::exists(dir.filePath(u"missing"_s)));
}

void TestCatalogueIO::removeEntryAndSave()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    FakeCatalogueHost host(dir.path());
    QVERIFY(writeListFile(host.root.FileName, gameSection(u"Abe"_s) +
                                                  categorySection(u"Cat"_s, u"Cat.ini"_s) +
                                                  gameSection(u"Zork"_s)));
    QVERIFY(writeListFile(dir.filePath(u"Cat.ini"_s), gameSection(u"inside"_s)));
    ReadGameLists(host);

    RemoveEntryAndSave(host, host.root, host.root.Items(1));
    QCOMPARE(describe(host.root), u"Abe, Zork"_s);
    QVERIFY(host.fakePrompter.records.isEmpty());
    QCOMPARE(readFile(host.root.FileName),
             utf16le(crlfLines(gameSection(u"Abe"_s) + gameSection(u"Zork"_s))));
    QVERIFY(QFile::exists(dir.filePath(u"Cat.ini"_s)));
}

void TestCatalogueIO::removeEntryAndSaveFailure()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    FakeCatalogueHost host(dir.path());
    QStringList lines;
    for (int i = 0; i < 40; ++i)
        lines += gameSection(u"Game %1"_s.arg(i), u"/games/%1/game.exe"_s.arg(i));
    QVERIFY(writeListFile(host.root.FileName, lines));
    ReadGameLists(host);
    const QByteArray before = readFile(host.root.FileName);

    {
        FileSizeLimit limit(200); // the shortened file no longer fits
        if (!limit.active())
            QSKIP("cannot limit the file size here");
        RemoveEntryAndSave(host, host.root, host.root.Items(0));
    }
    QCOMPARE(host.root.Count(), 40);
    QCOMPARE(host.root.Items(0)->Name, u"Game 0"_s);
    QCOMPARE(readFile(host.root.FileName), before);
    QCOMPARE(host.fakePrompter.records.size(), 1);
    QCOMPARE(host.fakePrompter.records.first().owner, u"KVMainForm"_s);
    QCOMPARE(host.fakePrompter.records.first().caption, u"Error"_s);
    QCOMPARE(host.fakePrompter.records.first().text, couldNotAccess(host.root.FileName));

    // An entry that is not in the list is reported the same way.
    TGame stranger(u"x"_s, QString(), QString(), QString(), QString());
    RemoveEntryAndSave(host, host.root, &stranger);
    QCOMPARE(host.fakePrompter.records.size(), 2);
    QCOMPARE(host.root.Count(), 40);
}

void TestCatalogueIO::sortAndSave()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    FakeCatalogueHost host(dir.path());
    QVERIFY(writeListFile(host.root.FileName, gameSection(u"zork"_s) +
                                                  categorySection(u"Shooters"_s, u"S.ini"_s) +
                                                  gameSection(u"Abe"_s) + gameSection(u"doom"_s)));
    ReadGameLists(host);
    SortAndSave(host, host.root);
    QVERIFY(host.fakePrompter.records.isEmpty());
    QCOMPARE(readFile(host.root.FileName),
             utf16le(crlfLines(gameSection(u"Abe"_s) + categorySection(u"Shooters"_s, u"S.ini"_s) +
                               gameSection(u"doom"_s) + gameSection(u"zork"_s))));
}

void TestCatalogueIO::sortAndSaveFailure()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    FakeCatalogueHost host(dir.path());
    QVERIFY(writeListFile(host.root.FileName, gameSection(u"b"_s) + gameSection(u"a"_s)));
    ReadGameLists(host);
    const QByteArray before = readFile(host.root.FileName);

    {
        FileSizeLimit limit(20);
        if (!limit.active())
            QSKIP("cannot limit the file size here");
        SortAndSave(host, host.root);
    }
    QCOMPARE(describe(host.root), u"a, b"_s); // sorted in memory
    QCOMPARE(readFile(host.root.FileName), before);
    QCOMPARE(host.fakePrompter.records.size(), 1);
    QCOMPARE(host.fakePrompter.records.first().owner, u"KVMainForm"_s);
    QCOMPARE(host.fakePrompter.records.first().text, u"Error sorting List. Write-protected?"_s);
}

KELVARO_TEST_MAIN(TestCatalogueIO)
#include "tst_catalogueio.moc"
