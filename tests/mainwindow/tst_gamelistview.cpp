#include "mainwindow/GameListView.h"

#include "mainwindow/GameListModel.h"

#include "ViewTestSupport.h"
#include "support/TestMain.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QListView>
#include <QSignalSpy>
#include <QTreeView>

using namespace Qt::StringLiterals;
using namespace ViewTestSupport;

class TestGameListView : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void viewModes_data();
    void viewModes();
    void selectionIsSharedByTheModes();
    void columnWidths();
    void listColumnsFitTheWidestCaption();
    void selectRow();
    void keys_data();
    void keys();
    void rename_data();
    void rename();
    void listenerMayReplaceTheRowsWhenARenameEnds();
    void renameIsCancelledWhenTheRowsOrTheModeChange();
    void doubleClickOnARowStarts();
    void clickOnTheSelectedRowRenames();
    void reportsChanges();
    void onlyTheRowsOnScreenDecodeIcons_data();
    void onlyTheRowsOnScreenDecodeIcons();

private:
    QLineEdit *openEditor();

    std::unique_ptr<TGameList> m_list;
    std::unique_ptr<TGameListView> m_view;
};

void TestGameListView::init()
{
    m_list = std::make_unique<TGameList>(u"Games"_s, QString(), u"Games.ini"_s);
    m_list->Add(game(u"Abuse"_s, u"/g/abuse.exe"_s));
    m_list->Add(game(u"Blood"_s, u"/g/blood.exe"_s, u"-nosound"_s));
    m_list->Add(category(u"Sub"_s));
    m_list->Add(game(u"Carmageddon"_s, u"/g/carma.exe"_s));
    m_list->Add(game(u"Descent"_s, u"/g/descent.exe"_s));
    m_view = std::make_unique<TGameListView>();
    m_view->resize(400, 300);
    m_view->setList(m_list.get());
    m_view->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
    m_view->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_view.get()));
}

void TestGameListView::cleanup()
{
    m_view.reset();
    m_list.reset();
}

QLineEdit *TestGameListView::openEditor()
{
    QTest::keyClick(m_view->activeView(), Qt::Key_F2);
    return qobject_cast<QLineEdit *>(QApplication::focusWidget());
}

void TestGameListView::viewModes_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("arrangement");
    QTest::addColumn<bool>("wrap");
    QTest::addColumn<int>("listMode");
    QTest::addColumn<int>("flow");
    QTest::addColumn<int>("iconSide");
    QTest::addColumn<bool>("wordWrap");

    QTest::newRow("icons in rows, wrapped")
        << 0 << 0 << true << int(QListView::IconMode) << int(QListView::LeftToRight) << 32 << true;
    QTest::newRow("icons in columns, cut") << 0 << 1 << false << int(QListView::IconMode)
                                           << int(QListView::TopToBottom) << 32 << false;
    QTest::newRow("list") << 1 << 0 << true << int(QListView::ListMode)
                          << int(QListView::TopToBottom) << 16 << false;
    QTest::newRow("details") << 2 << 0 << true << -1 << -1 << 16 << false;
}

void TestGameListView::viewModes()
{
    QFETCH(int, mode);
    QFETCH(int, arrangement);
    QFETCH(bool, wrap);
    QFETCH(int, listMode);
    QFETCH(int, flow);
    QFETCH(int, iconSide);
    QFETCH(bool, wordWrap);

    // Pass through another mode first: every property must be set by the mode itself.
    m_view->setViewMode(mode == 0 ? 1 : 0);
    m_view->setIconArrangement(arrangement);
    m_view->setWrapText(wrap);
    m_view->setViewMode(mode);
    QCOMPARE(m_view->viewMode(), mode);

    QListView *icons = m_view->iconsView();
    QTreeView *details = m_view->detailsView();
    if (mode == TGameListView::DetailsMode) {
        QCOMPARE(m_view->activeView(), details);
        QVERIFY(details->isVisible());
        QVERIFY(!icons->isVisible());
        QVERIFY(!details->rootIsDecorated());
        QVERIFY(details->uniformRowHeights());
        QCOMPARE(details->header()->count(), 3);
        QVERIFY(!details->header()->sectionsClickable());
        QCOMPARE(details->model()->headerData(2, Qt::Horizontal).toString(), u"Parameters"_s);
        QCOMPARE(details->model()->index(1, 2).data().toString(), u"-nosound"_s);
    } else {
        QCOMPARE(m_view->activeView(), icons);
        QVERIFY(icons->isVisible());
        QVERIFY(!details->isVisible());
        QCOMPARE(int(icons->viewMode()), listMode);
        QCOMPARE(int(icons->flow()), flow);
        QVERIFY(icons->isWrapping());
        QCOMPARE(icons->movement(), QListView::Static);
        QVERIFY(icons->uniformItemSizes());
        QCOMPARE(icons->wordWrap(), wordWrap);
    }
    QCOMPARE(m_view->activeView()->iconSize(), QSize(iconSide, iconSide));
    // The four games are laid out one beside or below the other, none on another.
    QAbstractItemView *view = m_view->activeView();
    QRegion covered;
    for (int row = 0; row < 4; ++row) {
        const QRect rect = view->visualRect(m_view->model()->index(row, 0));
        QVERIFY2(!rect.isEmpty(), qPrintable(u"row %1"_s.arg(row)));
        QVERIFY2(!covered.intersects(rect), qPrintable(u"row %1"_s.arg(row)));
        covered += rect;
    }

    // A mode that does not exist changes nothing.
    m_view->setViewMode(3);
    QCOMPARE(m_view->viewMode(), mode);
    m_view->setViewMode(-1);
    QCOMPARE(m_view->activeView(), view);
}

void TestGameListView::selectionIsSharedByTheModes()
{
    m_view->setViewMode(TGameListView::ListMode);
    QVERIFY(m_view->selectRow(2));
    QCOMPARE(m_view->selectedGame()->Name, u"Carmageddon"_s);
    for (int mode : {2, 0, 1}) {
        m_view->setViewMode(mode);
        QCOMPARE(m_view->currentRow(), 2);
        QCOMPARE(m_view->activeView()->selectionModel(), m_view->selectionModel());
        QCOMPARE(m_view->activeView()->currentIndex().row(), 2);
        QVERIFY(m_view->activeView()->hasFocus());
    }
    // A single row at a time.
    QTest::keyClick(m_view->activeView(), Qt::Key_Down);
    QCOMPARE(m_view->currentRow(), 3);
    QCOMPARE(m_view->selectionModel()->selectedRows().size(), 1);
}

void TestGameListView::columnWidths()
{
    QCOMPARE(m_view->columnWidth(0), 100);
    QCOMPARE(m_view->columnWidth(1), 200);
    QCOMPARE(m_view->columnWidth(2), 200);
    m_view->setColumnWidth(0, 140);
    m_view->setColumnWidth(2, 60);
    m_view->setColumnWidth(3, 999);
    m_view->setViewMode(TGameListView::DetailsMode);
    QCOMPARE(m_view->columnWidth(0), 140);
    QCOMPARE(m_view->detailsView()->header()->sectionSize(0), 140);
    QCOMPARE(m_view->columnWidth(1), 200);
    QCOMPARE(m_view->columnWidth(2), 60);
}

void TestGameListView::listColumnsFitTheWidestCaption()
{
    TGameList list(u"L"_s, QString(), u"L.ini"_s);
    list.Add(game(u"A"_s));
    list.Add(game(u"Wide Wonderful World War"_s));
    list.Add(game(u"Ελληνικό παιχνίδι με πολύ μακρύ όνομα"_s));
    m_view->setViewMode(TGameListView::ListMode);
    m_view->setList(&list);
    QListView *view = m_view->iconsView();
    const QFontMetrics metrics(view->font());
    const int widest = metrics.horizontalAdvance(list.Items(2)->Name);
    QVERIFY(widest > metrics.horizontalAdvance(list.Items(1)->Name));
    for (int row = 0; row < 3; ++row)
        QVERIFY(view->visualRect(m_view->model()->index(row, 0)).width() >= 16 + widest);

    // One very long name does not make every column as wide as the window.
    list.Add(game(u"Long "_s.repeated(100)));
    m_view->setList(&list);
    const int width = view->visualRect(m_view->model()->index(0, 0)).width();
    QVERIFY(width >= 16 + widest);
    QVERIFY2(width < 400, qPrintable(QString::number(width)));

    // The columns follow a rename.
    list.Discard(3);
    m_view->setList(&list);
    list.Items(0)->Name = u"A"_s.repeated(35);
    QVERIFY(metrics.horizontalAdvance(list.Items(0)->Name) > widest);
    m_view->model()->refreshRow(0);
    QVERIFY(view->visualRect(m_view->model()->index(1, 0)).width() >=
            metrics.horizontalAdvance(list.Items(0)->Name));
}

void TestGameListView::selectRow()
{
    QCOMPARE(m_view->currentRow(), -1);
    QCOMPARE(m_view->selectedGame(), nullptr);
    QVERIFY(m_view->selectRow(3));
    QCOMPARE(m_view->selectedGame()->Name, u"Descent"_s);
    QVERIFY(!m_view->selectRow(4));
    QVERIFY(!m_view->selectRow(-1));
    QCOMPARE(m_view->currentRow(), 3);
    m_view->setList(nullptr);
    QCOMPARE(m_view->currentRow(), -1);
}

void TestGameListView::keys_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("selectedRow");
    for (int mode : {0, 1, 2}) {
        QTest::addRow("mode %d, row selected", mode) << mode << 1;
        QTest::addRow("mode %d, nothing selected", mode) << mode << -1;
    }
}

void TestGameListView::keys()
{
    QFETCH(int, mode);
    QFETCH(int, selectedRow);
    m_view->setViewMode(mode);
    if (selectedRow >= 0)
        m_view->selectRow(selectedRow);
    QAbstractItemView *view = m_view->activeView();
    view->setFocus();
    QSignalSpy start(m_view.get(), &TGameListView::startRequested);
    QSignalSpy editing(m_view.get(), &TGameListView::editingStarted);

    // Enter starts whatever is selected (the start handler looks at the selection);
    // modifiers are not looked at.
    QTest::keyClick(view, Qt::Key_Return);
    QTest::keyClick(view, Qt::Key_Enter);
    QTest::keyClick(view, Qt::Key_Return, Qt::ShiftModifier);
    QCOMPARE(start.count(), 3);
    QCOMPARE(editing.count(), 0);

    QTest::keyClick(view, Qt::Key_F2);
    if (selectedRow < 0) {
        QCOMPARE(editing.count(), 0);
        QVERIFY(!m_view->isEditing());
        return;
    }
    QCOMPARE(editing.count(), 1);
    QVERIFY(m_view->isEditing());
    auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
    QVERIFY(editor);
    QCOMPARE(editor->text(), u"Blood"_s);
    // Enter in the editor ends the rename; it does not start the game.
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_VERIFY(!m_view->isEditing());
    QCOMPARE(start.count(), 3);
}

void TestGameListView::rename_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("accept");
    for (int mode : {0, 1, 2}) {
        QTest::addRow("mode %d, accepted", mode) << mode << true;
        QTest::addRow("mode %d, cancelled", mode) << mode << false;
    }
}

void TestGameListView::rename()
{
    QFETCH(int, mode);
    QFETCH(bool, accept);
    m_view->setViewMode(mode);
    m_view->selectRow(3);

    QStringList events;
    connect(m_view.get(), &TGameListView::editingStarted, this, [&] { events << u"started"_s; });
    connect(m_view.get(), &TGameListView::editingFinished, this,
            [&](bool accepted) { events << (accepted ? u"accepted"_s : u"cancelled"_s); });
    connect(m_view.get(), &TGameListView::itemEdited, this, [&](int row, const QString &text) {
        events << u"edited %1 [%2]"_s.arg(row).arg(text);
    });

    QLineEdit *editor = openEditor();
    QVERIFY(editor);
    editor->setText(u"Descent & Freespace "_s);
    QTest::keyClick(editor, accept ? Qt::Key_Return : Qt::Key_Escape);
    QTRY_VERIFY(!m_view->isEditing());

    if (accept)
        QCOMPARE(events,
                 QStringList({u"started"_s, u"accepted"_s, u"edited 3 [Descent & Freespace ]"_s}));
    else
        QCOMPARE(events, QStringList({u"started"_s, u"cancelled"_s}));
    // The game itself is renamed by the listener, not by the list.
    QCOMPARE(m_list->Items(4)->Name, u"Descent"_s);
    QVERIFY(!m_view->isEditing());
}

void TestGameListView::listenerMayReplaceTheRowsWhenARenameEnds()
{
    TGameList other(u"Other"_s, QString(), u"Other.ini"_s);
    other.Add(game(u"Elite"_s));
    bool finished = false;
    connect(m_view.get(), &TGameListView::editingFinished, this, [&] { finished = true; });
    connect(m_view.get(), &TGameListView::itemEdited, this, [&](int row, const QString &text) {
        QVERIFY(finished);
        m_list->Items(row)->Name = text;
        m_view->setList(&other);
        m_view->selectRow(0);
    });

    m_view->selectRow(0);
    QLineEdit *editor = openEditor();
    QVERIFY(editor);
    editor->setText(u"Abuse 2"_s);
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_VERIFY(finished);
    QCOMPARE(m_list->Items(0)->Name, u"Abuse 2"_s);
    QCOMPARE(m_view->model()->rowCount(), 1);
    QCOMPARE(m_view->selectedGame()->Name, u"Elite"_s);
    QVERIFY(!m_view->isEditing());
}

void TestGameListView::renameIsCancelledWhenTheRowsOrTheModeChange()
{
    QSignalSpy finished(m_view.get(), &TGameListView::editingFinished);
    QSignalSpy edited(m_view.get(), &TGameListView::itemEdited);

    m_view->selectRow(1);
    QVERIFY(openEditor());
    m_view->setList(m_list.get());
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.at(0).at(0).toBool(), false);
    QVERIFY(!m_view->isEditing());

    m_view->selectRow(1);
    QLineEdit *editor = openEditor();
    QVERIFY(editor);
    editor->setText(u"Changed"_s);
    m_view->setViewMode(TGameListView::DetailsMode);
    QCOMPARE(finished.count(), 2);
    QCOMPARE(finished.at(1).at(0).toBool(), false);
    QCOMPARE(edited.count(), 0);
    QVERIFY(!m_view->isEditing());
    // The editor is gone once the events have run.
    QTRY_VERIFY(m_view->findChildren<QLineEdit *>().isEmpty());
}

void TestGameListView::doubleClickOnARowStarts()
{
    for (int mode : {0, 1, 2}) {
        m_view->setViewMode(mode);
        QAbstractItemView *view = m_view->activeView();
        QSignalSpy start(m_view.get(), &TGameListView::startRequested);
        QSignalSpy editing(m_view.get(), &TGameListView::editingStarted);

        const QPoint onRow = view->visualRect(m_view->model()->index(1, 0)).center();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, onRow);
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, onRow);
        QCOMPARE(start.count(), 1);
        QCOMPARE(m_view->currentRow(), 1);

        const QPoint empty(view->viewport()->width() - 3, view->viewport()->height() - 3);
        QVERIFY(!view->indexAt(empty).isValid());
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, empty);
        QTest::mouseDClick(view->viewport(), Qt::RightButton, {}, onRow);
        QCOMPARE(start.count(), 1);
        // A double click on a selected row does not open a rename after it.
        QTest::qWait(QApplication::doubleClickInterval() + 50);
        QCOMPARE(editing.count(), 0);
    }
}

void TestGameListView::clickOnTheSelectedRowRenames()
{
    for (int mode : {0, 1, 2}) {
        m_view->setViewMode(mode);
        QAbstractItemView *view = m_view->activeView();
        m_view->selectRow(1);
        QSignalSpy editing(m_view.get(), &TGameListView::editingStarted);

        // A click on another row only selects it.
        const QPoint other = view->visualRect(m_view->model()->index(2, 0)).center();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, other);
        QTest::qWait(QApplication::doubleClickInterval() + 50);
        QCOMPARE(editing.count(), 0);
        QCOMPARE(m_view->currentRow(), 2);

        // A second, slow click on it renames it.
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, other);
        QTRY_COMPARE(editing.count(), 1);
        auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
        QVERIFY(editor);
        QCOMPARE(editor->text(), u"Carmageddon"_s);
        QTest::keyClick(editor, Qt::Key_Escape);
        QTRY_VERIFY(!m_view->isEditing());
    }
}

void TestGameListView::reportsChanges()
{
    QSignalSpy changed(m_view.get(), &TGameListView::changed);
    m_view->selectRow(0);
    QCOMPARE(changed.count(), 1);
    QTest::keyClick(m_view->activeView(), Qt::Key_Down);
    QCOMPARE(changed.count(), 2);
    m_view->setList(m_list.get());
    QCOMPARE(changed.count(), 3);
    QCOMPARE(m_view->currentRow(), -1);
    m_view->model()->refreshRow(0);
    QCOMPARE(changed.count(), 4);
}

void TestGameListView::onlyTheRowsOnScreenDecodeIcons_data()
{
    QTest::addColumn<int>("mode");
    QTest::newRow("icons") << 0;
    QTest::newRow("list") << 1;
    QTest::newRow("details") << 2;
}

void TestGameListView::onlyTheRowsOnScreenDecodeIcons()
{
    QFETCH(int, mode);
    CountingIconSource source;
    TGameList big(u"Big"_s, QString(), u"Big.ini"_s);
    for (int i = 0; i < 10000; ++i) {
        auto entry = game(u"Game number %1"_s.arg(i), QString(), QString(), u"g%1.exe"_s.arg(i));
        loadIcons(*entry, source);
        big.Add(std::move(entry));
    }
    m_view->setViewMode(mode);
    m_view->setList(&big);
    QTest::qWait(50);
    m_view->grab();

    QVERIFY2(source.total > 0, "the rows on screen show their pictures");
    QVERIFY2(source.total < 200, qPrintable(QString::number(source.total)));

    // The last row can be reached and shows its own picture.
    QVERIFY(m_view->selectRow(9999));
    m_view->grab();
    QCOMPARE(source.extractions.value(u"/icons/g9999.exe"_s), 1);
    QVERIFY2(source.total < 400, qPrintable(QString::number(source.total)));
}

KELVARO_TEST_MAIN(TestGameListView)
#include "tst_gamelistview.moc"
