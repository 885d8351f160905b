// The main window showing a catalogue read from its program directory: the category
// bar, the game list and the list's commands as the window connects them.

#include "catalogue/GameClasses.h"
#include "mainwindow/CatalogueViews.h"
#include "mainwindow/CategoryBar.h"
#include "mainwindow/GameListModel.h"
#include "mainwindow/GameListView.h"
#include "mainwindow/KVMainUnit.h"
#include "mainwindow/TrayMenu.h"
#include "support/CatalogueFixtures.h"
#include "support/FakePrompter.h"
#include "support/TestMain.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace CatalogueFixtures;

namespace {

struct Harness
{
    Harness() : form(prompter, TKVMainForm::Setup{programDir(), std::nullopt}) {}

    QString programDir() const { return QDir::toNativeSeparators(dir.path() + u'/'); }
    QString path(const QString &name) const { return dir.filePath(name); }

    // Kelvaro.ini: two games and two categories, one of them with games of its own.
    bool writeCatalogue(const QStringList &extraRootGames = {})
    {
        QStringList root = gameSection(u"Abe"_s, path(u"abe.exe"_s)) +
                           categorySection(u"Shooters"_s, u"Shooters.ini"_s) +
                           gameSection(u"Zork"_s, path(u"zork.exe"_s)) +
                           categorySection(u"Racing"_s, u"Racing.ini"_s);
        for (const QString &name : extraRootGames)
            root += gameSection(name);
        return writeListFile(path(u"Kelvaro.ini"_s), root) &&
               writeListFile(path(u"Shooters.ini"_s),
                             gameSection(u"Doom"_s) + gameSection(u"Quake"_s)) &&
               writeListFile(path(u"Racing.ini"_s), {});
    }

    bool showActive()
    {
        form.show();
        form.activateWindow();
        return QTest::qWaitForWindowActive(&form);
    }

    QStringList buttons() const
    {
        QStringList result;
        for (int i = 0; i < form.GameCatToolbar->buttonCount(); ++i)
            result << form.GameCatToolbar->button(i)->text();
        return result;
    }
    QStringList rows() const
    {
        QStringList result;
        const TGameListModel *model = form.GameListView->model();
        for (int row = 0; row < model->rowCount(); ++row)
            result << model->index(row, 0).data().toString();
        return result;
    }
    QStringList rootOnDisk() const
    {
        FakeCatalogueHost disk(programDir());
        ReadGameLists(disk);
        return describe(disk.root).split(u", "_s);
    }
    QAbstractItemView *view() const { return form.GameListView->activeView(); }

    QTemporaryDir dir;
    FakePrompter prompter;
    TKVMainForm form;
};

} // namespace

class TestMainWindowCatalogue : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readShowsTheCatalogue();
    void rereadWithF5();
    void removeAsksAndRemoves_data();
    void removeAsksAndRemoves();
    void renameTakesCtrlDel_data();
    void renameTakesCtrlDel();
    void failingRenameShowsTheError();
};

void TestMainWindowCatalogue::readShowsTheCatalogue()
{
    Harness h;
    QVERIFY(h.writeCatalogue());
    h.form.readGameLists();

    QCOMPARE(h.buttons(), QStringList({u"Default"_s, u"Shooters"_s, u"Racing"_s}));
    QVERIFY(h.form.GameCatToolbar->button(0)->isChecked());
    QCOMPARE(h.form.catalogueViews().ShownList(), h.form.RootList.get());
    QCOMPARE(h.rows(), QStringList({u"Abe"_s, u"Zork"_s}));
    // The notification-area menu lists the catalogue before its fixed items.
    const QList<QAction *> trayItems = h.form.TrayMenu->actions();
    QCOMPARE(trayItems.size(), 4 + TrayFixedItemCount);
    QCOMPARE(trayItems.at(1)->text(), u"Shooters"_s);
    QVERIFY(trayItems.at(1)->menu());

    // A category's button shows its games, in the window's view mode.
    h.form.MenuViewDetails->trigger();
    h.form.GameCatToolbar->click(1);
    QCOMPARE(h.rows(), QStringList({u"Doom"_s, u"Quake"_s}));
    QCOMPARE(h.form.GameListView->viewMode(), 2);
    QVERIFY(h.form.PopupDetails->isChecked());

    // Selecting a game fills the status box and enables its commands.
    h.form.GameCatToolbar->click(0);
    QVERIFY(!h.form.MenuRemoveSelGame->isEnabled());
    QVERIFY(h.form.GameListView->selectRow(1));
    QCOMPARE(h.form.GameStatusListBox->item(0)->text(), u"Game-exe: "_s + h.path(u"zork.exe"_s));
    QCOMPARE(h.form.GameStatusListBox->item(1)->text(), u"Status: File not found"_s);
    QVERIFY(h.form.MenuRemoveSelGame->isEnabled());
    QVERIFY(h.form.PopupRemoveSelGame->isEnabled());
    QVERIFY(h.form.MenuInfo->isEnabled());
    QVERIFY(h.prompter.records.isEmpty());
}

void TestMainWindowCatalogue::rereadWithF5()
{
    Harness h;
    QVERIFY(h.writeCatalogue());
    h.form.readGameLists();
    QVERIFY(h.showActive());
    h.form.GameCatToolbar->click(1);
    QCOMPARE(h.rows(), QStringList({u"Doom"_s, u"Quake"_s}));
    QVERIFY(h.writeCatalogue({u"Myst"_s}));

    QTest::keyClick(h.view(), Qt::Key_F5);
    // Read again; the bar's first button is shown, not the category shown before.
    QCOMPARE(h.form.catalogueViews().ShownButtonIndex(), 0);
    QVERIFY(h.form.GameCatToolbar->button(0)->isChecked());
    QCOMPARE(h.rows(), QStringList({u"Abe"_s, u"Zork"_s, u"Myst"_s}));
    QVERIFY(h.prompter.records.isEmpty());
}

void TestMainWindowCatalogue::removeAsksAndRemoves_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("answer");
    QTest::newRow("Ctrl+Del, Yes") << u"key"_s << true;
    QTest::newRow("Ctrl+Del, No") << u"key"_s << false;
    QTest::newRow("List menu, Yes") << u"menu"_s << true;
    QTest::newRow("pop-up menu, Yes") << u"popup"_s << true;
}

void TestMainWindowCatalogue::removeAsksAndRemoves()
{
    QFETCH(QString, how);
    QFETCH(bool, answer);
    Harness h;
    QVERIFY(h.writeCatalogue());
    h.form.readGameLists();
    QVERIFY(h.showActive());
    QVERIFY(h.form.GameListView->selectRow(1));
    h.prompter.questionAnswers = {answer};

    if (how == u"key"_s)
        QTest::keyClick(h.view(), Qt::Key_Delete, Qt::ControlModifier);
    else if (how == u"menu"_s)
        h.form.MenuRemoveSelGame->trigger();
    else
        h.form.PopupRemoveSelGame->trigger();

    QCOMPARE(h.prompter.records.size(), 1);
    QCOMPARE(h.prompter.records[0].kind, FakePrompter::Kind::Question);
    QCOMPARE(h.prompter.records[0].owner, u"KVMainForm"_s);
    QCOMPARE(h.prompter.records[0].caption, u"Are you sure?"_s);
    QCOMPARE(h.prompter.records[0].text, u"Delete Zork?"_s);
    if (answer) {
        QCOMPARE(h.rootOnDisk(),
                 QStringList({u"Abe"_s, u"Shooters[Doom"_s, u"Quake]"_s, u"Racing[]"_s}));
        QCOMPARE(h.rows(), QStringList({u"Abe"_s}));
    } else {
        QCOMPARE(h.rootOnDisk(), QStringList({u"Abe"_s, u"Shooters[Doom"_s, u"Quake]"_s, u"Zork"_s,
                                              u"Racing[]"_s}));
        QCOMPARE(h.rows(), QStringList({u"Abe"_s, u"Zork"_s}));
    }
}

void TestMainWindowCatalogue::renameTakesCtrlDel_data()
{
    QTest::addColumn<bool>("accept");
    QTest::newRow("accepted") << true;
    QTest::newRow("cancelled") << false;
}

void TestMainWindowCatalogue::renameTakesCtrlDel()
{
    QFETCH(bool, accept);
    Harness h;
    QVERIFY(h.writeCatalogue());
    h.form.readGameLists();
    QVERIFY(h.showActive());
    const QKeySequence ctrlDel(Qt::CTRL | Qt::Key_Delete);
    QCOMPARE(h.form.MenuRemoveSelGame->shortcut(), ctrlDel);

    QVERIFY(h.form.GameListView->selectRow(0));
    QTest::keyClick(h.view(), Qt::Key_F2);
    auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
    QVERIFY(editor);
    QVERIFY(h.form.MenuRemoveSelGame->shortcut().isEmpty());
    // Ctrl+Del deletes a word of the name; no game is removed.
    editor->setText(u"Abe Odd"_s);
    editor->setCursorPosition(4);
    QTest::keyClick(editor, Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(editor->text(), u"Abe "_s);
    QVERIFY(h.prompter.records.isEmpty());
    QCOMPARE(h.rootOnDisk().size(), 5);

    QTest::keyClick(editor, accept ? Qt::Key_Return : Qt::Key_Escape);
    QTRY_VERIFY(!h.form.GameListView->isEditing());
    QCOMPARE(h.form.MenuRemoveSelGame->shortcut(), ctrlDel);
    const QString name = accept ? u"Abe "_s : u"Abe"_s;
    QCOMPARE(h.rootOnDisk().first(), name);
    QCOMPARE(h.rows().first(), name);
    QVERIFY(h.prompter.records.isEmpty());
}

void TestMainWindowCatalogue::failingRenameShowsTheError()
{
    Harness h;
    QVERIFY(h.writeCatalogue());
    h.form.readGameLists();
    QVERIFY(h.showActive());
    // The root's file can no longer be written.
    h.form.RootList->FileName = h.path(u"missing/Kelvaro.ini"_s);
    const QByteArray before = readFile(h.path(u"Kelvaro.ini"_s));

    QVERIFY(h.form.GameListView->selectRow(1));
    QTest::keyClick(h.view(), Qt::Key_F2);
    auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
    QVERIFY(editor);
    editor->setText(u"Zork II"_s);
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_VERIFY(!h.form.GameListView->isEditing());

    QCOMPARE(h.prompter.records.size(), 1);
    QCOMPARE(h.prompter.records[0].kind, FakePrompter::Kind::Error);
    QVERIFY2(h.prompter.records[0].text.startsWith(u"Unable to write to"_s),
             qPrintable(h.prompter.records[0].text));
    // The new name stays in memory and in the list; the file is as it was.
    QCOMPARE(h.rows(), QStringList({u"Abe"_s, u"Zork II"_s}));
    QCOMPARE(readFile(h.path(u"Kelvaro.ini"_s)), before);
    QCOMPARE(h.form.MenuRemoveSelGame->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Delete));
    // The window goes on: the next command works.
    h.form.RootList->FileName = h.path(u"Kelvaro.ini"_s);
    h.form.MenuReread->trigger();
    QCOMPARE(h.rows(), QStringList({u"Abe"_s, u"Zork"_s}));
}

KELVARO_TEST_MAIN(TestMainWindowCatalogue)
#include "tst_mainwindowcatalogue.moc"
