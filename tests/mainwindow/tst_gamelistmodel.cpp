#include "mainwindow/GameListModel.h"

#include "ViewTestSupport.h"
#include "support/TestMain.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>

using namespace Qt::StringLiterals;
using namespace ViewTestSupport;

class TestGameListModel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void showsOnlyTheGamesOfTheList();
    void passesTheModelTester();
    void decorationHoldsBothSizesAndIsMadeOnDemand();
    void renameIsReportedNotApplied();
};

void TestGameListModel::showsOnlyTheGamesOfTheList()
{
    TGameList list(u"Shooters"_s, QString(), u"Shooters.ini"_s);
    list.Add(game(u"Doom"_s, u"/g/doom.exe"_s, u"-warp 1"_s));
    auto sub = category(u"Classics"_s);
    sub->Add(game(u"Wolfenstein"_s));
    list.Add(std::move(sub));
    list.Add(game(u"Tom & Jerry"_s, u"/g/tj.exe"_s));

    TGameListModel model;
    QCOMPARE(model.rowCount(), 0);
    model.setList(&list);

    QCOMPARE(model.columnCount(), 3);
    QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), u"Name"_s);
    QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), u"File"_s);
    QCOMPARE(model.headerData(2, Qt::Horizontal).toString(), u"Parameters"_s);

    // The category and what it holds are not rows; the rows keep the list's order.
    QCOMPARE(model.rowCount(), 2);
    QCOMPARE(model.index(0, 0).data().toString(), u"Doom"_s);
    QCOMPARE(model.index(0, 1).data().toString(), u"/g/doom.exe"_s);
    QCOMPARE(model.index(0, 2).data().toString(), u"-warp 1"_s);
    QCOMPARE(model.index(1, 0).data().toString(), u"Tom & Jerry"_s);
    QCOMPARE(model.index(1, 2).data().toString(), QString());

    QCOMPARE(model.gameAt(1), list.Items(2));
    QCOMPARE(model.gameAt(2), nullptr);
    QCOMPARE(model.gameAt(-1), nullptr);
    QCOMPARE(model.rowOf(static_cast<TGame *>(list.Items(2))), 1);

    model.setList(nullptr);
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(model.gameAt(0), nullptr);
}

void TestGameListModel::passesTheModelTester()
{
    CountingIconSource source;
    TGameList first(u"A"_s, QString(), u"A.ini"_s);
    for (int i = 0; i < 20; ++i) {
        auto entry =
            game(u"Game %1"_s.arg(i), u"/g/%1.exe"_s.arg(i), QString(), u"/g/%1.exe"_s.arg(i));
        loadIcons(*entry, source);
        first.Add(std::move(entry));
        if (i % 5 == 0)
            first.Add(category(u"Sub %1"_s.arg(i)));
    }
    TGameList second(u"B"_s, QString(), u"B.ini"_s);
    second.Add(game(u"Only"_s));

    TGameListModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.setList(&first);
    for (int row = 0; row < model.rowCount(); ++row)
        QVERIFY(model.index(row, 0).data(Qt::DecorationRole).isValid());
    model.setData(model.index(3, 0), u"Renamed"_s);
    model.refreshRow(3);
    model.setList(&second);
    model.setList(nullptr);
    model.setList(&first);
}

void TestGameListModel::decorationHoldsBothSizesAndIsMadeOnDemand()
{
    CountingIconSource source;
    TGameList list(u"A"_s, QString(), u"A.ini"_s);
    for (int i = 0; i < 3; ++i) {
        auto entry = game(u"Game %1"_s.arg(i), QString(), QString(), u"icon%1.ico,0"_s.arg(i));
        loadIcons(*entry, source);
        list.Add(std::move(entry));
    }

    TGameListModel model;
    model.setList(&list);
    // Showing the rows decodes nothing; texts do not either.
    QCOMPARE(model.index(2, 0).data().toString(), u"Game 2"_s);
    QCOMPARE(source.total, 0);

    const auto icon = model.index(1, 0).data(Qt::DecorationRole).value<QIcon>();
    QCOMPARE(source.total, 1);
    QCOMPARE(source.extractions.value(u"/icons/icon1.ico"_s), 1);
    const QList<QSize> sizes = icon.availableSizes();
    QVERIFY2(sizes.contains(QSize(16, 16)) && sizes.contains(QSize(32, 32)),
             qPrintable(QDebug::toString(sizes)));
    // Only the first column carries a picture.
    QVERIFY(!model.index(1, 1).data(Qt::DecorationRole).isValid());

    // The same icon object until the rows are replaced.
    const auto again = model.index(1, 0).data(Qt::DecorationRole).value<QIcon>();
    QCOMPARE(again.cacheKey(), icon.cacheKey());
    model.setList(&list);
    const auto afterReset = model.index(1, 0).data(Qt::DecorationRole).value<QIcon>();
    QVERIFY(afterReset.cacheKey() != icon.cacheKey());
    QCOMPARE(source.total, 1);
}

void TestGameListModel::renameIsReportedNotApplied()
{
    TGameList list(u"A"_s, QString(), u"A.ini"_s);
    list.Add(game(u"Old"_s, u"/g/old.exe"_s));
    list.Add(game(u"Other"_s));
    TGameListModel model;
    model.setList(&list);
    QSignalSpy edited(&model, &TGameListModel::nameEdited);

    QVERIFY(model.flags(model.index(0, 0)) & Qt::ItemIsEditable);
    QVERIFY(!(model.flags(model.index(0, 1)) & Qt::ItemIsEditable));
    QVERIFY(!(model.flags(model.index(0, 2)) & Qt::ItemIsEditable));

    QVERIFY(!model.setData(model.index(0, 1), u"/elsewhere.exe"_s));
    QVERIFY(!model.setData(model.index(0, 0), u"X"_s, Qt::DisplayRole + 100));
    QCOMPARE(edited.count(), 0);

    // Exactly as typed, even empty or with "&".
    QVERIFY(model.setData(model.index(1, 0), u" A&B "_s));
    QCOMPARE(edited.count(), 1);
    QCOMPARE(edited.at(0).at(0).toInt(), 1);
    QCOMPARE(edited.at(0).at(1).toString(), u" A&B "_s);
    QCOMPARE(list.Items(1)->Name, u"Other"_s);
    QCOMPARE(model.index(1, 0).data().toString(), u"Other"_s);
}

KELVARO_TEST_MAIN(TestGameListModel)
#include "tst_gamelistmodel.moc"
