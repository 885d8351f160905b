#include "catalogue/CatalogueIO.h"
#include "catalogue/GameClasses.h"
#include "platform/IniFile.h"
#include "platform/KelvaroError.h"

#include "support/CatalogueFixtures.h"
#include "support/TestMain.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <functional>

using namespace Qt::StringLiterals;
using namespace CatalogueFixtures;

namespace {

// Builds a list from a compact description: "G:name" is a game, "C:name" a category.
void fill(TGameList &list, const QStringList &items)
{
    for (const QString &item : items) {
        const QString name = item.mid(2);
        if (item.startsWith(u"C:"_s))
            list.Add(std::make_unique<TGameList>(name, QString(), name + u".ini"_s));
        else
            list.Add(
                std::make_unique<TGame>(name, name + u".exe"_s, QString(), QString(), QString()));
    }
}

QStringList names(const TGameList &list)
{
    QStringList result;
    for (const auto &entry : list.Entries)
        result.append(entry->Name);
    return result;
}

std::unique_ptr<TGame> game(const QString &name, const QString &file = {}, const QString &path = {},
                            const QString &params = {}, const QString &icon = {})
{
    return std::make_unique<TGame>(name, file, path, params, icon);
}

std::unique_ptr<TGameList> category(const QString &name, const QString &file,
                                    const QString &icon = {})
{
    return std::make_unique<TGameList>(name, icon, file);
}

QImage filledImage(int size, QRgb colour)
{
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

} // namespace

class TestGameClasses : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // In memory.
    void constructorsKeepTheArgumentOrder();
    void indexesOutOfRange_data();
    void indexesOutOfRange();
    void sortByName_data();
    void sortByName();
    void moveEntryWithinList_data();
    void moveEntryWithinList();
    void moveEntryToAnotherList();
    void moveEntryRefusals_data();
    void moveEntryRefusals();
    void categoryCountFollowsAddDeleteAtClearAssignOnly();
    void assignMakesAnIndependentDeepCopy();
    void assignFromAnEntryInsideTheList();
    void assignFromUnsuitableClass_data();
    void assignFromUnsuitableClass();
    void writeEntryWritesEveryKeyInOrder();

    // On disk.
    void saveWritesTheExampleFileExactly();
    void saveWritesWhatTheDocumentWrites_data();
    void saveWritesWhatTheDocumentWrites();
    void saveResolvesRelativeNamesAgainstProgramDir();
    void saveOfAnEmptyListRemovesTheFile();
    void namesEqualApartFromCaseShareOneSection();
    void categoryAndGameOfTheSameName();
    void saveAllWritesEveryListFile();
    void saveAllRewritesOnlyTheListsThatChanged();
    void deleteAtErasesOnlyTheSection();
    void removeErasesTheSectionAndKeepsTheCount();
    void removeOfAForeignEntry();
    void failedSaveKeepsTheOldFile_data();
    void failedSaveKeepsTheOldFile();
    void failedSaveOfAFileThatCannotGrow();
    void failedDeleteKeepsTheEntry();
};

void TestGameClasses::constructorsKeepTheArgumentOrder()
{
    const TGame g(u"Abe"_s, u"/g/abe.exe"_s, u"/g/"_s, u"-w"_s, u"/g/abe.exe,1"_s);
    QCOMPARE(g.Name, u"Abe"_s);
    QCOMPARE(g.FileName, u"/g/abe.exe"_s);
    QCOMPARE(g.GamePath, u"/g/"_s);
    QCOMPARE(g.GameParams, u"-w"_s);
    QCOMPARE(g.IconLocation, u"/g/abe.exe,1"_s);
    QVERIFY(g.SmallIcon.isEmpty() && g.LargeIcon.isEmpty());

    const TGameList l(u"Shooters"_s, u"DEFAULTCATICON"_s, u"Shooters.ini"_s);
    QCOMPARE(l.IconLocation, u"DEFAULTCATICON"_s);
    QCOMPARE(l.FileName, u"Shooters.ini"_s);
    QCOMPARE(l.LastIndex(), -1);

    const TRootList r(u"RootList"_s, QString(), u"/p/Kelvaro.ini"_s);
    QCOMPARE(r.CategoryCount, 0);
    QCOMPARE(r.FileName, u"/p/Kelvaro.ini"_s);
}

void TestGameClasses::indexesOutOfRange_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<int>("index");

    QTest::newRow("Items -1") << u"Items"_s << -1;
    QTest::newRow("Items count") << u"Items"_s << 3;
    QTest::newRow("Insert -1") << u"Insert"_s << -1;
    QTest::newRow("Insert count+1") << u"Insert"_s << 4;
    QTest::newRow("Discard -1") << u"Discard"_s << -1;
    QTest::newRow("Discard count") << u"Discard"_s << 3;
    QTest::newRow("DeleteAt -1") << u"DeleteAt"_s << -1;
    QTest::newRow("DeleteAt count") << u"DeleteAt"_s << 3;
}

void TestGameClasses::indexesOutOfRange()
{
    QFETCH(QString, operation);
    QFETCH(int, index);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    TRootList root(u"RootList"_s, QString(), u"Kelvaro.ini"_s);
    fill(root, {u"G:a"_s, u"C:b"_s, u"G:c"_s});
    const QString programDir = dir.path() + u"/"_s;

    try {
        if (operation == u"Items")
            root.Items(index);
        else if (operation == u"Insert")
            root.Insert(game(u"new"_s), index);
        else if (operation == u"Discard")
            root.Discard(index);
        else
            root.DeleteAt(index, programDir);
        QFAIL("no error raised");
    } catch (const ListIndexError &error) {
        QCOMPARE(error.message(), u"List index out of bounds (%1)"_s.arg(index));
    }
    QCOMPARE(names(root), (QStringList{u"a"_s, u"b"_s, u"c"_s}));
    QCOMPARE(root.CategoryCount, 1);
    QVERIFY(!QFile::exists(programDir + u"Kelvaro.ini"_s));
}

void TestGameClasses::sortByName_data()
{
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<QStringList>("sorted");

    QTest::newRow("games around a category")
        << QStringList{u"G:zork"_s, u"C:Shooters"_s, u"G:Abe"_s, u"G:doom"_s}
        << QStringList{u"Abe"_s, u"Shooters"_s, u"doom"_s, u"zork"_s};
    QTest::newRow("category first stays first")
        << QStringList{u"C:Zed"_s, u"G:b"_s, u"G:a"_s} << QStringList{u"Zed"_s, u"a"_s, u"b"_s};
    QTest::newRow("only categories")
        << QStringList{u"C:z"_s, u"C:a"_s, u"C:m"_s} << QStringList{u"z"_s, u"a"_s, u"m"_s};
    QTest::newRow("case does not count")
        << QStringList{u"G:carl"_s, u"G:Baker"_s, u"G:abe"_s, u"G:Dora"_s}
        << QStringList{u"abe"_s, u"Baker"_s, u"carl"_s, u"Dora"_s};
    QTest::newRow("categories keep their indexes")
        << QStringList{u"G:e"_s, u"C:X"_s, u"G:d"_s, u"G:c"_s, u"C:Y"_s, u"G:b"_s, u"G:a"_s}
        << QStringList{u"a"_s, u"X"_s, u"b"_s, u"c"_s, u"Y"_s, u"d"_s, u"e"_s};
    QTest::newRow("digits before letters") << QStringList{u"G:b"_s, u"G:2"_s, u"G:a"_s, u"G:1"_s}
                                           << QStringList{u"1"_s, u"2"_s, u"a"_s, u"b"_s};
    QTest::newRow("empty") << QStringList{} << QStringList{};
    QTest::newRow("one game") << QStringList{u"G:x"_s} << QStringList{u"x"_s};
}

void TestGameClasses::sortByName()
{
    QFETCH(QStringList, items);
    QFETCH(QStringList, sorted);

    TRootList root(u"RootList"_s, QString(), u"Kelvaro.ini"_s);
    fill(root, items);
    const int count = root.CategoryCount;
    root.SortByName();
    QCOMPARE(names(root), sorted);
    QCOMPARE(root.CategoryCount, count);
    // Every entry keeps its class.
    for (const auto &entry : root.Entries) {
        const bool isCategory = dynamic_cast<TGameList *>(entry.get()) != nullptr;
        QVERIFY(items.contains((isCategory ? u"C:"_s : u"G:"_s) + entry->Name));
    }
}

void TestGameClasses::moveEntryWithinList_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<QString>("result");

    QTest::newRow("0 to 3") << 0 << 3 << u"X Y W Z"_s;
    QTest::newRow("0 to 4 (end)") << 0 << 4 << u"X Y Z W"_s;
    QTest::newRow("3 to 0") << 3 << 0 << u"Z W X Y"_s;
    QTest::newRow("2 to 1") << 2 << 1 << u"W Y X Z"_s;
    QTest::newRow("1 to 1") << 1 << 1 << u"W X Y Z"_s;
    QTest::newRow("1 to 2 (same place)") << 1 << 2 << u"W X Y Z"_s;
}

void TestGameClasses::moveEntryWithinList()
{
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(QString, result);

    TRootList root(u"RootList"_s, QString(), u"Kelvaro.ini"_s);
    fill(root, {u"G:W"_s, u"C:X"_s, u"G:Y"_s, u"G:Z"_s});
    root.MoveEntry(root, from, to);
    QCOMPARE(names(root).join(u' '), result);
    QCOMPARE(root.CategoryCount, 1);
}

void TestGameClasses::moveEntryToAnotherList()
{
    TRootList root(u"RootList"_s, QString(), u"Kelvaro.ini"_s);
    fill(root, {u"G:a"_s, u"C:b"_s, u"C:c"_s});
    auto *other = static_cast<TGameList *>(root.Items(1));
    fill(*other, {u"G:x"_s, u"G:y"_s});
    TGameEntry *moved = root.Items(2);

    root.MoveEntry(*other, 2, 0);
    QCOMPARE(describe(root), u"a, b[c[], x, y]"_s);
    QCOMPARE(other->Items(0), moved); // the same object, not a copy
    QCOMPARE(root.CategoryCount, 2);  // MoveEntry leaves the count alone

    other->MoveEntry(root, 2, 1);
    QCOMPARE(describe(root), u"a, y, b[c[], x]"_s);
}

void TestGameClasses::moveEntryRefusals_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<bool>("intoOwnCategory");
    QTest::addColumn<QString>("message");

    QTest::newRow("from -1") << -1 << 0 << false << u"List index out of bounds (-1)"_s;
    QTest::newRow("from count") << 3 << 0 << false << u"List index out of bounds (3)"_s;
    QTest::newRow("to past end") << 0 << 4 << false << u"List index out of bounds (3)"_s;
    QTest::newRow("to -1") << 2 << -1 << false << u"List index out of bounds (-1)"_s;
    QTest::newRow("category into itself")
        << 1 << 0 << true << u"Cannot move a category into itself"_s;
}

void TestGameClasses::moveEntryRefusals()
{
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(bool, intoOwnCategory);
    QFETCH(QString, message);

    TRootList root(u"RootList"_s, QString(), u"Kelvaro.ini"_s);
    fill(root, {u"G:a"_s, u"C:b"_s, u"G:c"_s});
    auto *b = static_cast<TGameList *>(root.Items(1));
    fill(*b, {u"C:inner"_s});
    auto *inner = static_cast<TGameList *>(b->Items(0));

    const QString before = describe(root);
    try {
        if (intoOwnCategory) {
            root.MoveEntry(*inner, from, to);
        } else {
            root.MoveEntry(root, from, to);
        }
        QFAIL("no error raised");
    } catch (const KelvaroError &error) {
        QCOMPARE(error.message(), message);
    }
    QCOMPARE(describe(root), before);
    if (intoOwnCategory) {
        try {
            root.MoveEntry(*b, 1, 0);
            QFAIL("no error raised");
        } catch (const KelvaroError &) {
        }
        QCOMPARE(describe(root), before);
    }
}

void TestGameClasses::categoryCountFollowsAddDeleteAtClearAssignOnly()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString programDir = dir.path() + u"/"_s;
    TRootList root(u"RootList"_s, QString(), u"Kelvaro.ini"_s);

    QCOMPARE(root.Add(game(u"a"_s)), 0);
    QCOMPARE(root.CategoryCount, 0);
    QCOMPARE(root.Add(category(u"b"_s, u"b.ini"_s)), 1);
    QCOMPARE(root.CategoryCount, 1);
    root.Insert(category(u"c"_s, u"c.ini"_s), 0);
    QCOMPARE(root.CategoryCount, 1); // Insert does not count
    root.Add(category(u"d"_s, u"d.ini"_s));
    QCOMPARE(root.CategoryCount, 2);
    root.Discard(0); // c
    QCOMPARE(root.CategoryCount, 2);
    root.SortByName();
    QCOMPARE(root.CategoryCount, 2);

    root.DeleteAt(root.LastIndex(), programDir); // d, a category
    QCOMPARE(root.CategoryCount, 1);
    root.DeleteAt(0, programDir); // a, a game
    QCOMPARE(root.CategoryCount, 1);
    root.Remove(root.Items(0), programDir); // b: Remove does not count
    QCOMPARE(root.CategoryCount, 1);
    QCOMPARE(root.Count(), 0);

    TRootList source(u"src"_s, QString(), QString());
    fill(source, {u"C:x"_s, u"G:y"_s});
    source.CategoryCount = 7; // Assign copies the value, whatever it is
    root.Assign(source);
    QCOMPARE(root.CategoryCount, 7);
    root.Clear();
    QCOMPARE(root.CategoryCount, 0);
    QCOMPARE(root.Count(), 0);

    // A plain list counts nothing and has no count to keep.
    TGameList list(u"l"_s, QString(), QString());
    list.Assign(source);
    QCOMPARE(describe(list), u"x[], y"_s);
}

void TestGameClasses::assignMakesAnIndependentDeepCopy()
{
    TRootList source(u"RootList"_s, u"root.ico"_s, u"/p/Kelvaro.ini"_s);
    source.Add(game(u"Abe"_s, u"/g/abe.exe"_s, u"/g/"_s, u"-x"_s, u"/g/abe.exe,2"_s));
    auto shooters = category(u"Shooters"_s, u"Shooters.ini"_s, u"DEFAULTCATICON"_s);
    shooters->Add(game(u"Doom"_s, u"/g/doom.exe"_s));
    shooters->Add(category(u"Old"_s, u"Old.ini"_s));
    shooters->SmallIcon.setImage(filledImage(16, qRgb(255, 0, 0)));
    shooters->LargeIcon.setImage(filledImage(32, qRgb(0, 255, 0)));
    source.Add(std::move(shooters));

    TRootList copy{QString(), QString(), QString()};
    copy.Add(game(u"stale"_s));
    copy.Assign(source);

    QCOMPARE(describe(copy), u"Abe, Shooters[Doom, Old[]]"_s);
    QCOMPARE(copy.Name, u"RootList"_s);
    QCOMPARE(copy.IconLocation, u"root.ico"_s);
    QCOMPARE(copy.FileName, u"/p/Kelvaro.ini"_s);
    QCOMPARE(copy.CategoryCount, 1);
    auto *abe = dynamic_cast<TGame *>(copy.Items(0));
    QVERIFY(abe);
    QCOMPARE(abe->FileName, u"/g/abe.exe"_s);
    QCOMPARE(abe->GamePath, u"/g/"_s);
    QCOMPARE(abe->GameParams, u"-x"_s);
    QCOMPARE(abe->IconLocation, u"/g/abe.exe,2"_s);
    auto *copiedShooters = dynamic_cast<TGameList *>(copy.Items(1));
    QVERIFY(copiedShooters);
    QCOMPARE(copiedShooters->FileName, u"Shooters.ini"_s);
    QCOMPARE(copiedShooters->IconLocation, u"DEFAULTCATICON"_s);
    QCOMPARE(copiedShooters->SmallIcon.image().pixel(0, 0), qRgb(255, 0, 0));
    QCOMPARE(copiedShooters->LargeIcon.image().size(), QSize(32, 32));
    QVERIFY(dynamic_cast<TGameList *>(copiedShooters->Items(1)));

    // No object is shared: changing the copy leaves the source alone.
    QVERIFY(copy.Items(0) != source.Items(0));
    copiedShooters->Items(0)->Name = u"Quake"_s;
    copiedShooters->Discard(1);
    copiedShooters->SmallIcon.setImage(filledImage(16, qRgb(0, 0, 255)));
    abe->GameParams = u"changed"_s;
    copy.Discard(0);
    QCOMPARE(describe(source), u"Abe, Shooters[Doom, Old[]]"_s);
    QCOMPARE(static_cast<TGame *>(source.Items(0))->GameParams, u"-x"_s);
    QCOMPARE(source.Items(1)->SmallIcon.image().pixel(0, 0), qRgb(255, 0, 0));
}

void TestGameClasses::assignFromAnEntryInsideTheList()
{
    // The source lies inside the list it is copied into: the copy must be taken before
    // the list's entries are destroyed.
    TGameList list(u"outer"_s, QString(), u"outer.ini"_s);
    auto inner = category(u"inner"_s, u"inner.ini"_s);
    fill(*inner, {u"G:a"_s, u"C:b"_s});
    TGameList *innerPtr = inner.get();
    list.Add(std::move(inner));
    list.Add(game(u"z"_s));

    list.Assign(*innerPtr);
    QCOMPARE(list.Name, u"inner"_s);
    QCOMPARE(describe(list), u"a, b[]"_s);

    list.Assign(list); // onto itself
    QCOMPARE(list.Name, u"inner"_s);
    QCOMPARE(describe(list), u"a, b[]"_s);
}

void TestGameClasses::assignFromUnsuitableClass_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("source");

    QTest::newRow("game from category") << u"game"_s << u"list"_s;
    QTest::newRow("category from game") << u"list"_s << u"game"_s;
    QTest::newRow("root from category") << u"root"_s << u"list"_s;
    QTest::newRow("root from game") << u"root"_s << u"game"_s;
}

void TestGameClasses::assignFromUnsuitableClass()
{
    QFETCH(QString, target);
    QFETCH(QString, source);

    const auto make = [](const QString &kind) -> std::unique_ptr<TGameEntry> {
        if (kind == u"game")
            return game(u"G"_s, u"g.exe"_s);
        std::unique_ptr<TGameList> list;
        if (kind == u"root")
            list = std::make_unique<TRootList>(u"R"_s, QString(), u"r.ini"_s);
        else
            list = category(u"L"_s, u"l.ini"_s);
        fill(*list, {u"G:kept"_s});
        return list;
    };
    const auto to = make(target);
    const auto from = make(source);
    try {
        to->Assign(*from);
        QFAIL("no error raised");
    } catch (const KelvaroError &error) {
        QCOMPARE(error.message(), u"Invalid class typecast"_s);
    }
    QCOMPARE(to->Name, make(target)->Name); // nothing copied
    if (auto *list = dynamic_cast<TGameList *>(to.get()))
        QCOMPARE(describe(*list), u"kept"_s);
}

void TestGameClasses::writeEntryWritesEveryKeyInOrder()
{
    IniDocument document;
    game(u"Abe"_s, u"D:\\Games\\Abe\\abe.exe"_s, QString(), QString(), u"x,1"_s)
        ->WriteEntry(document);
    category(u"Shooters"_s, QString(), QString())->WriteEntry(document);
    QCOMPARE(
        document.serialize(),
        utf16le(crlfLines({u"[Abe]"_s, u"Type=Game"_s, u"GameFile=D:\\Games\\Abe\\abe.exe"_s,
                           u"GamePath="_s, u"GameParams="_s, u"GameIcon=x,1"_s, u"[Shooters]"_s,
                           u"Type=Category"_s, u"CategoryIcon="_s, u"CategoryFile="_s})));

    game(u"Abe"_s)->EraseEntry(document);
    QCOMPARE(document.readSections(), QStringList{u"Shooters"_s});
}

void TestGameClasses::saveWritesTheExampleFileExactly()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString file = dir.filePath(u"Kelvaro.ini"_s);
    TRootList root(u"RootList"_s, QString(), file);
    root.Add(game(u"Abe"_s, u"D:\\Games\\Abe\\abe.exe"_s, u"D:\\Games\\Abe\\"_s, QString(),
                  u"D:\\Games\\Abe\\abe.exe,0"_s));
    root.Add(category(u"Shooters"_s, u"D:\\Launcher\\Shooters.ini"_s, u"DEFAULTCATICON"_s));
    QVERIFY(writeFile(file, "[Old]\r\nType=Game\r\n")); // replaced, not merged

    root.Save(dir.path() + u"/"_s);

    const QByteArray expected = utf16le(crlfLines({
        u"[Abe]"_s,
        u"Type=Game"_s,
        u"GameFile=D:\\Games\\Abe\\abe.exe"_s,
        u"GamePath=D:\\Games\\Abe\\"_s,
        u"GameParams="_s,
        u"GameIcon=D:\\Games\\Abe\\abe.exe,0"_s,
        u"[Shooters]"_s,
        u"Type=Category"_s,
        u"CategoryIcon=DEFAULTCATICON"_s,
        u"CategoryFile=D:\\Launcher\\Shooters.ini"_s,
    }));
    QCOMPARE(readFile(file), expected);
    QVERIFY(expected.startsWith("\xFF\xFE[\0A\0b\0e\0]\0\r\0\n\0"_ba));
    // Save writes only this list's file.
    QVERIFY(!QFile::exists(dir.filePath(u"Shooters.ini"_s)));
}

// Save writes names of their own straight into the file and lets a document merge
// names equal apart from case: either way the file holds what the document gives.
void TestGameClasses::saveWritesWhatTheDocumentWrites_data()
{
    QTest::addColumn<QStringList>("items"); // as fill() takes them

    QTest::newRow("names of their own")
        << QStringList{u"G:Abe"_s, u"C:Shooters"_s, u"G:abe2"_s, u"G:\u00C9t\u00E9"_s};
    QTest::newRow("awkward names")
        << QStringList{u"G: Lead "_s, u"G:a]b"_s, u"C:%%x"_s, u"G:"_s, u"G:tab\t"_s};
    QTest::newRow("names equal apart from case")
        << QStringList{u"G:Doom"_s, u"C:Quake"_s, u"G:DOOM"_s, u"G:quake"_s, u"G:Other"_s};
    QTest::newRow("non-ASCII names equal apart from case")
        << QStringList{u"G:\u00C9t\u00E9"_s, u"G:x"_s, u"C:\u00E9T\u00C9"_s};
}

void TestGameClasses::saveWritesWhatTheDocumentWrites()
{
    QFETCH(QStringList, items);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    TGameList list(u"L"_s, QString(), dir.filePath(u"L.ini"_s));
    fill(list, items);
    static_cast<TGame *>(list.Items(0))->GameParams = u" -quoted "_s;

    IniDocument document;
    for (const auto &entry : list.Entries)
        entry->WriteEntry(document);
    list.Save(QString());
    QCOMPARE(readFile(list.FileName), document.serialize());
}

void TestGameClasses::saveResolvesRelativeNamesAgainstProgramDir()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString before = QDir::currentPath();
    TGameList list(u"Cat"_s, QString(), u"sub/Cat.ini"_s);
    fill(list, {u"G:a"_s});
    QVERIFY(QDir(dir.path()).mkdir(u"sub"_s));

    list.Save(dir.path() + u"/"_s);
    QVERIFY(QFile::exists(dir.filePath(u"sub/Cat.ini"_s)));
    QCOMPARE(list.FileName, u"sub/Cat.ini"_s); // kept as written
    QCOMPARE(list.resolvedFileName(dir.path() + u"/"_s), dir.path() + u"/sub/Cat.ini"_s);
    QCOMPARE(list.resolvedFileName(dir.path()), dir.path() + u"/sub/Cat.ini"_s);
    QCOMPARE(QDir::currentPath(), before); // the current directory is never changed

    const TGameList absolute(u"A"_s, QString(), u"/abs/A.ini"_s);
    QCOMPARE(absolute.resolvedFileName(dir.path()), u"/abs/A.ini"_s);
}

void TestGameClasses::saveOfAnEmptyListRemovesTheFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString file = dir.filePath(u"Empty.ini"_s);
    QVERIFY(writeListFile(file, gameSection(u"old"_s)));
    TGameList list(u"Empty"_s, QString(), u"Empty.ini"_s);

    list.Save(dir.path() + u"/"_s);
    QVERIFY(!QFile::exists(file));
    list.Save(dir.path() + u"/"_s); // no file to remove: no error, nothing created
    QVERIFY(!QFile::exists(file));

    TGameList read(u"Empty"_s, QString(), u"Empty.ini"_s);
    ReadListFile(read, 1, dir.path());
    QCOMPARE(read.Count(), 0);
}

void TestGameClasses::namesEqualApartFromCaseShareOneSection()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    TGameList list(u"L"_s, QString(), dir.filePath(u"L.ini"_s));
    list.Add(game(u"Doom"_s, u"/g/doom.exe"_s, u"/g/"_s, QString(), u"doom.ico"_s));
    list.Add(game(u"Abe"_s, u"/g/abe.exe"_s));
    list.Add(game(u"DOOM"_s, u"/g2/DOOM.EXE"_s, QString(), u"-fast"_s, QString()));
    list.Save(dir.path());

    QCOMPARE(readFile(list.FileName),
             utf16le(crlfLines({u"[Doom]"_s, u"Type=Game"_s, u"GameFile=/g2/DOOM.EXE"_s,
                                u"GamePath="_s, u"GameParams=-fast"_s, u"GameIcon="_s, u"[Abe]"_s,
                                u"Type=Game"_s, u"GameFile=/g/abe.exe"_s, u"GamePath="_s,
                                u"GameParams="_s, u"GameIcon="_s})));

    TGameList read(u"L"_s, QString(), list.FileName);
    ReadListFile(read, 1, dir.path());
    QCOMPARE(describe(read), u"Doom, Abe"_s);
    auto *doom = static_cast<TGame *>(read.Items(0));
    QCOMPARE(doom->FileName, u"/g2/DOOM.EXE"_s);
    QCOMPARE(doom->GameParams, u"-fast"_s);
    QCOMPARE(doom->GamePath, QString());
}

void TestGameClasses::categoryAndGameOfTheSameName()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    TGameList list(u"L"_s, QString(), dir.filePath(u"L.ini"_s));
    list.Add(category(u"Quake"_s, u"Quake.ini"_s, u"DEFAULTCATICON"_s));
    list.Add(game(u"quake"_s, u"/g/quake.exe"_s));
    list.Save(dir.path());

    QCOMPARE(readFile(list.FileName),
             utf16le(crlfLines({u"[Quake]"_s, u"Type=Game"_s, u"CategoryIcon=DEFAULTCATICON"_s,
                                u"CategoryFile=Quake.ini"_s, u"GameFile=/g/quake.exe"_s,
                                u"GamePath="_s, u"GameParams="_s, u"GameIcon="_s})));
    TGameList read(u"L"_s, QString(), list.FileName);
    ReadListFile(read, 1, dir.path());
    QCOMPARE(read.Count(), 1);
    auto *quake = dynamic_cast<TGame *>(read.Items(0));
    QVERIFY(quake);
    QCOMPARE(quake->Name, u"Quake"_s);
    QCOMPARE(quake->FileName, u"/g/quake.exe"_s);
}

void TestGameClasses::saveAllWritesEveryListFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString programDir = dir.path() + u"/"_s;
    TRootList root(u"RootList"_s, QString(), programDir + u"Kelvaro.ini"_s);
    auto shooters = category(u"Shooters"_s, u"Shooters.ini"_s);
    auto old = category(u"Old"_s, u"Old.ini"_s);
    old->Add(game(u"Wolf"_s));
    shooters->Add(game(u"Doom"_s));
    shooters->Add(std::move(old));
    shooters->Add(category(u"Empty"_s, u"Empty.ini"_s));
    root.Add(game(u"Abe"_s));
    root.Add(std::move(shooters));
    QVERIFY(writeListFile(dir.filePath(u"Empty.ini"_s), gameSection(u"gone"_s)));

    root.SaveAll(programDir);

    TRootList read(u"RootList"_s, QString(), root.FileName);
    ReadListFile(read, 0, programDir);
    QCOMPARE(describe(read), u"Abe, Shooters[Doom, Old[Wolf], Empty[]]"_s);
    QVERIFY(!QFile::exists(dir.filePath(u"Empty.ini"_s)));
}

void TestGameClasses::saveAllRewritesOnlyTheListsThatChanged()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString programDir = dir.path() + u"/"_s;
    TRootList root(u"RootList"_s, QString(), u"Kelvaro.ini"_s);
    auto shooters = category(u"Shooters"_s, u"Shooters.ini"_s);
    auto old = category(u"Old"_s, u"Old.ini"_s);
    old->Add(game(u"Wolf"_s));
    TGameList &oldList = *old;
    shooters->Add(game(u"Doom"_s));
    shooters->Add(std::move(old));
    root.Add(game(u"Abe"_s));
    root.Add(std::move(shooters));
    root.SaveAll(programDir);

    const QStringList files{u"Kelvaro.ini"_s, u"Shooters.ini"_s, u"Old.ini"_s};
    const QDateTime longAgo = QDateTime::currentDateTimeUtc().addDays(-30);
    for (const QString &name : files) {
        QFile file(dir.filePath(name));
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(longAgo, QFileDevice::FileModificationTime));
    }
    oldList.Items(0)->Name = u"Wolfenstein"_s;
    root.SaveAll(programDir);

    const auto rewritten = [&](const QString &name) {
        return qAbs(QFileInfo(dir.filePath(name)).lastModified().toUTC().secsTo(longAgo)) > 2;
    };
    QVERIFY(!rewritten(u"Kelvaro.ini"_s));
    QVERIFY(!rewritten(u"Shooters.ini"_s));
    QVERIFY(rewritten(u"Old.ini"_s));
    TRootList read(u"RootList"_s, QString(), programDir + root.FileName);
    ReadListFile(read, 0, programDir);
    QCOMPARE(describe(read), u"Abe, Shooters[Doom, Old[Wolfenstein]]"_s);
}

void TestGameClasses::deleteAtErasesOnlyTheSection()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString programDir = dir.path() + u"/"_s;
    TRootList root(u"RootList"_s, QString(), u"Kelvaro.ini"_s);
    auto shooters = category(u"Shooters"_s, u"Shooters.ini"_s);
    shooters->Add(game(u"Doom"_s));
    root.Add(game(u"Abe"_s));
    root.Add(std::move(shooters));
    root.Add(game(u"Zork"_s));
    root.SaveAll(programDir);
    const QByteArray shootersFile = readFile(dir.filePath(u"Shooters.ini"_s));

    root.DeleteAt(1, programDir);
    QCOMPARE(describe(root), u"Abe, Zork"_s);
    QCOMPARE(root.CategoryCount, 0);
    QCOMPARE(readFile(dir.filePath(u"Kelvaro.ini"_s)),
             utf16le(crlfLines(gameSection(u"Abe"_s) + gameSection(u"Zork"_s))));
    // The category's own list file stays.
    QCOMPARE(readFile(dir.filePath(u"Shooters.ini"_s)), shootersFile);
}

void TestGameClasses::removeErasesTheSectionAndKeepsTheCount()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString programDir = dir.path() + u"/"_s;
    // An 8-bit file stays 8-bit when a section is erased from it.
    QVERIFY(writeFile(dir.filePath(u"Kelvaro.ini"_s),
                      "[Abe]\r\nType=Game\r\n[Caf\xE9]\r\nType=Category\r\n"));
    TRootList root(u"RootList"_s, QString(), u"Kelvaro.ini"_s);
    ReadListFile(root, 0, programDir);
    QCOMPARE(describe(root), u"Abe, Café[]"_s);
    QCOMPARE(root.CategoryCount, 1);

    root.Remove(root.Items(1), programDir);
    QCOMPARE(describe(root), u"Abe"_s);
    QCOMPARE(root.CategoryCount, 1);
    const QByteArray bytes = readFile(dir.filePath(u"Kelvaro.ini"_s));
    QVERIFY(bytes.startsWith("[Abe]"));
    QVERIFY(!bytes.contains("Caf"));
}

void TestGameClasses::removeOfAForeignEntry()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    TGameList list(u"L"_s, QString(), u"L.ini"_s);
    fill(list, {u"G:a"_s});
    TGame stranger(u"a"_s, QString(), QString(), QString(), QString());
    try {
        list.Remove(&stranger, dir.path());
        QFAIL("no error raised");
    } catch (const ListIndexError &error) {
        QCOMPARE(error.message(), u"List index out of bounds (-1)"_s);
    }
    QCOMPARE(list.Count(), 1);
}

void TestGameClasses::failedSaveKeepsTheOldFile_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<bool>("directoryInPlace");

    QTest::newRow("missing directory") << u"missing/L.ini"_s << false;
    QTest::newRow("directory where the file is") << u"L.ini"_s << true;
}

void TestGameClasses::failedSaveKeepsTheOldFile()
{
    QFETCH(QString, fileName);
    QFETCH(bool, directoryInPlace);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    if (directoryInPlace) {
        QVERIFY(QDir(dir.path()).mkdir(fileName));
        QVERIFY(writeFile(dir.filePath(fileName + u"/keep.txt"_s), "kept"));
    }
    TGameList list(u"L"_s, QString(), fileName);
    fill(list, {u"G:a"_s, u"C:b"_s});
    try {
        list.Save(dir.path());
        QFAIL("no error raised");
    } catch (const KelvaroError &error) {
        // The name as the list keeps it.
        QCOMPARE(error.message(), u"Unable to write to "_s + fileName);
    }
    QCOMPARE(list.Count(), 2);
    QCOMPARE(readFile(dir.filePath(fileName + u"/keep.txt"_s)),
             directoryInPlace ? "kept"_ba : QByteArray());
    QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
             directoryInPlace ? QStringList{fileName} : QStringList{});
}

void TestGameClasses::failedSaveOfAFileThatCannotGrow()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString file = dir.filePath(u"L.ini"_s);
    const QByteArray old = utf16le(crlfLines(gameSection(u"old"_s)));
    QVERIFY(writeFile(file, old));
    TGameList list(u"L"_s, QString(), file);
    for (int i = 0; i < 50; ++i)
        list.Add(game(u"Game %1"_s.arg(i), u"/games/game%1/game.exe"_s.arg(i)));

    {
        FileSizeLimit limit(old.size() + 100);
        if (!limit.active())
            QSKIP("cannot limit the file size here");
        try {
            list.Save(QString());
            QFAIL("no error raised");
        } catch (const KelvaroError &error) {
            QCOMPARE(error.message(), u"Unable to write to "_s + file);
        }
    }
    QCOMPARE(readFile(file), old);
    QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
             QStringList{u"L.ini"_s}); // no temporary file left behind
}

void TestGameClasses::failedDeleteKeepsTheEntry()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString programDir = dir.path() + u"/"_s;
    TRootList root(u"RootList"_s, QString(), u"Kelvaro.ini"_s);
    root.Add(category(u"Cat"_s, u"Cat.ini"_s));
    for (int i = 0; i < 40; ++i)
        root.Add(game(u"Game %1"_s.arg(i), u"/games/%1/game.exe"_s.arg(i)));
    root.Save(programDir);
    const QByteArray before = readFile(dir.filePath(u"Kelvaro.ini"_s));
    const QString catalogue = describe(root);

    FileSizeLimit limit(200); // the shortened file no longer fits
    if (!limit.active())
        QSKIP("cannot limit the file size here");
    const auto expectFailure = [&](const std::function<void()> &operation) {
        try {
            operation();
            QFAIL("no error raised");
        } catch (const KelvaroError &error) {
            QCOMPARE(error.message(), u"Unable to write to Kelvaro.ini"_s);
        }
    };
    expectFailure([&] { root.DeleteAt(0, programDir); });
    QCOMPARE(root.CategoryCount, 1);
    expectFailure([&] { root.Remove(root.Items(1), programDir); });
    QCOMPARE(describe(root), catalogue);
    QCOMPARE(readFile(dir.filePath(u"Kelvaro.ini"_s)), before);
}

KELVARO_TEST_MAIN(TestGameClasses)
#include "tst_gameclasses.moc"
