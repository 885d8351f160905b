#include "mainwindow/CatalogueViews.h"

#include "catalogue/CatalogueIO.h"
#include "mainwindow/CategoryBar.h"
#include "mainwindow/GameListModel.h"
#include "mainwindow/GameListView.h"
#include "mainwindow/TrayMenu.h"
#include "platform/KelvaroError.h"

#include "ViewTestSupport.h"
#include "support/CatalogueFixtures.h"
#include "support/TestMain.h"

#include <QAbstractItemView>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWidgetAction>

using namespace Qt::StringLiterals;
using namespace CatalogueFixtures;
using namespace ViewTestSupport;

namespace {

const QString Dash = u"-"_s;

// A prompter that can look at the window at the moment a box is shown.
class WatchingPrompter : public FakePrompter
{
public:
    std::function<void()> onBox;

    void message(QObject *owner, const QString &caption, const QString &text, Icon icon) override
    {
        if (onBox)
            onBox();
        FakePrompter::message(owner, caption, text, icon);
    }
};

class ViewsHost : public FakeCatalogueHost
{
public:
    using FakeCatalogueHost::FakeCatalogueHost;

    WatchingPrompter prompts;
    std::function<void()> onRebuild;

    Prompter &prompter() override { return prompts; }
    void rebuildCategoryBar() override
    {
        FakeCatalogueHost::rebuildCategoryBar();
        if (onRebuild)
            onRebuild();
    }
};

// The parts of the main window that show the catalogue, wired as the window wires them.
class Harness
{
public:
    explicit Harness(const QString &programDir) : host(programDir)
    {
        window.setObjectName(u"KVMainForm"_s);
        auto *layout = new QVBoxLayout(&window);
        status = new QListWidget;
        list = new TGameListView;
        bar = new TCategoryBar;
        layout->addWidget(status);
        layout->addWidget(list);
        layout->addWidget(bar);

        tray = new QMenu(&window);
        auto *parameters = new QWidgetAction(tray);
        parameters->setDefaultWidget(new QLineEdit);
        tray->addAction(parameters);
        tray->addSeparator();
        tray->addAction(u"Add Entry"_s);
        tray->addAction(u"Edit List"_s);
        tray->addSeparator();
        tray->addAction(u"Restore Kelvaro"_s);
        tray->addAction(u"Quit Kelvaro"_s);

        removeItem = new QAction(u"Remove selected &Game"_s, &window);
        removePopupItem = new QAction(u"Remove selected Game"_s, &window);
        infoItem = new QAction(u"&Game Info"_s, &window);
        for (size_t i = 0; i < 3; ++i) {
            popupItems[i] = new QAction(&window);
            viewItems[i] = new QAction(&window);
            popupItems[i]->setCheckable(true);
            viewItems[i]->setCheckable(true);
        }

        CatalogueViewsParts parts;
        parts.categoryBar = bar;
        parts.gameList = list;
        parts.statusBox = status;
        parts.trayMenu = tray;
        parts.removeGameItem = removeItem;
        parts.removeGamePopupItem = removePopupItem;
        parts.gameInfoItem = infoItem;
        parts.popupModeItems = popupItems;
        parts.viewModeItems = viewItems;
        CatalogueViewsHooks hooks;
        hooks.disableCMSGS = [this] { return disableCMSGS; };
        hooks.defaultListMode = [this] { return defaultListMode; };
        hooks.setDefaultListMode = [this](int mode) { defaultListMode = mode; };
        hooks.refillAddEntryTree = [this] { ++treeRefills; };
        hooks.trayStart = [this](TGame *game) { started.append(game); };
        views = std::make_unique<TCatalogueViews>(host, parts, hooks);
        host.onRebuild = [this] { views->RebuildCategoryBar(); };

        // The window's handler boundary: an error that the handler does not catch is
        // shown in the standard error box.
        QObject::connect(list, &TGameListView::itemEdited, &window,
                         [this](int row, const QString &text) {
                             try {
                                 views->GameListViewEdited(row, text);
                             } catch (const KelvaroError &error) {
                                 host.prompter().showError(error.message());
                             }
                         });
    }

    QStringList captions() const
    {
        QStringList result;
        for (int i = 0; i < bar->buttonCount(); ++i)
            result << bar->button(i)->text();
        return result;
    }
    // "+" for a pressed button, "-" for a released one.
    QString pressed() const
    {
        QString result;
        for (int i = 0; i < bar->buttonCount(); ++i)
            result += bar->button(i)->isChecked() ? u'+' : u'-';
        return result;
    }
    QStringList rows() const
    {
        QStringList result;
        for (int row = 0; row < list->model()->rowCount(); ++row)
            result << list->model()->index(row, 0).data().toString();
        return result;
    }
    QStringList statusLines() const
    {
        QStringList result;
        for (int i = 0; i < status->count(); ++i)
            result << status->item(i)->text();
        return result;
    }
    // The catalogue items of the notification-area menu (before the seven fixed ones).
    QList<QAction *> trayItems() const
    {
        const QList<QAction *> all = tray->actions();
        return all.mid(0, all.size() - TrayFixedItemCount);
    }
    void show()
    {
        window.resize(500, 400);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
    }

    ViewsHost host;
    int disableCMSGS = 0;
    int defaultListMode = 1;
    int treeRefills = 0;
    QList<TGame *> started;

    QWidget window;
    QListWidget *status;
    TGameListView *list;
    TCategoryBar *bar;
    QMenu *tray;
    QAction *removeItem;
    QAction *removePopupItem;
    QAction *infoItem;
    std::array<QAction *, 3> popupItems{};
    std::array<QAction *, 3> viewItems{};
    std::unique_ptr<TCatalogueViews> views;
};

// The texts of a menu's items; a submenu's own items follow in brackets once it opened.
QString describeMenu(QMenu &menu, int skipLast = 0)
{
    QStringList parts;
    const QList<QAction *> items = menu.actions();
    for (qsizetype i = 0; i < items.size() - skipLast; ++i) {
        QAction *item = items[i];
        if (QMenu *submenu = item->menu()) {
            Q_EMIT submenu->aboutToShow();
            parts << item->text() + u"["_s + describeMenu(*submenu) + u"]"_s;
        } else {
            parts << item->text();
        }
    }
    return parts.join(u", "_s);
}

// Root catalogue on disk: a game and two categories of games.
void writeCatalogue(const QString &dir)
{
    QVERIFY(writeListFile(dir + u"/Kelvaro.ini"_s,
                          gameSection(u"Root game"_s) +
                              categorySection(u"Shooters"_s, u"Shooters.ini"_s) +
                              categorySection(u"Racing"_s, u"Racing.ini"_s)));
    QVERIFY(
        writeListFile(dir + u"/Shooters.ini"_s,
                      gameSection(u"Doom"_s) + gameSection(u"Quake"_s) + gameSection(u"Unreal"_s)));
    QVERIFY(writeListFile(dir + u"/Racing.ini"_s, gameSection(u"Carmageddon"_s)));
}

// The list file as the program reads it.
QString readBack(const QString &file)
{
    TGameList list(u"check"_s, QString(), file);
    ReadListFile(list, 0, QFileInfo(file).absolutePath());
    return describe(list);
}

} // namespace

class TestCategoryViews : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void bar_data();
    void bar();
    void categoryPictures();
    void categoryShowsOnlyItsGames();
    void ampersands();
    void trayMenu();
    void trayMenuFreesOnlyCatalogueItems();
    void statusBox_data();
    void statusBox();
    void pressingThePressedButton();
    void viewModeIsAppliedOnEveryShow();
    void rename_data();
    void rename();
    void remove_data();
    void remove();
    void shownAgainTheDefaultButtonStaysPressed();
    void sort_data();
    void sort();
    void reread();
    void rememberedButtonThatIsGoneFallsBackToTheLast();
    void viewsHoldNoEntriesWhileTheCatalogueIsRead();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Harness> m_h;
};

void TestCategoryViews::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_h = std::make_unique<Harness>(m_dir->path());
}

void TestCategoryViews::cleanup()
{
    m_h.reset();
    m_dir.reset();
}

void TestCategoryViews::bar_data()
{
    QTest::addColumn<QString>("root"); // G: game, C: category holding one game
    QTest::addColumn<QStringList>("captions");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QString>("shown");

    QTest::newRow("games only") << u"G:Abe G:Zork"_s << QStringList{u"Default"_s}
                                << QStringList{u"Abe"_s, u"Zork"_s} << u"RootList"_s;
    QTest::newRow("categories only")
        << u"C:Shooters C:Racing"_s << QStringList{u"Shooters"_s, u"Racing"_s}
        << QStringList{u"Shooters game"_s} << u"Shooters"_s;
    QTest::newRow("empty") << QString() << QStringList{u"Default"_s} << QStringList()
                           << u"RootList"_s;
    QTest::newRow("mixed") << u"C:Shooters G:Abe C:Racing"_s
                           << QStringList{u"Default"_s, u"Shooters"_s, u"Racing"_s}
                           << QStringList{u"Abe"_s} << u"RootList"_s;
    QTest::newRow("one empty category")
        << u"C:Empty"_s << QStringList{u"Empty"_s} << QStringList() << u"Empty"_s;
}

void TestCategoryViews::bar()
{
    QFETCH(QString, root);
    QFETCH(QStringList, captions);
    QFETCH(QStringList, rows);
    QFETCH(QString, shown);

    TRootList &catalogue = m_h->host.root;
    for (const QString &item : root.split(u' ', Qt::SkipEmptyParts)) {
        const QString name = item.mid(2);
        if (item.startsWith(u"G:"_s)) {
            catalogue.Add(game(name));
        } else {
            auto entry = category(name);
            if (name != u"Empty"_s)
                entry->Add(game(name + u" game"_s));
            catalogue.Add(std::move(entry));
        }
    }
    m_h->views->RebuildCategoryBar();

    QCOMPARE(m_h->captions(), captions);
    QCOMPARE(m_h->pressed(), u"+"_s + Dash.repeated(captions.size() - 1));
    QCOMPARE(m_h->bar->height(), 25);
    QVERIFY(!m_h->bar->isMovable() && !m_h->bar->isFloatable());
    QCOMPARE(m_h->views->ShownButtonIndex(), 0);
    QCOMPARE(m_h->views->ShownList()->Name, shown);
    QCOMPARE(m_h->rows(), rows);
    QCOMPARE(m_h->statusLines(), QStringList({u"Game-exe:"_s, u"Status:"_s}));
    QCOMPARE(m_h->treeRefills, 1);
    // Each button shows its own list.
    for (int i = 0; i < m_h->bar->buttonCount(); ++i) {
        m_h->bar->click(i);
        QCOMPARE(m_h->views->ShownButtonIndex(), i);
        QCOMPARE(m_h->views->ShownList(), m_h->bar->button(i)->list());
    }
}

void TestCategoryViews::categoryPictures()
{
    CountingIconSource source;
    TRootList &root = m_h->host.root;
    root.Add(category(u"Plain"_s));
    root.Add(category(u"Pictured"_s, u"shooters.ico"_s));
    root.Add(category(u"Folder"_s, u"DEFAULTCATICON"_s));
    root.Add(game(u"Abe"_s));
    for (const auto &entry : root.Entries)
        loadIcons(*entry, source);
    m_h->views->RebuildCategoryBar();
    QCOMPARE(m_h->captions(), QStringList({u"Default"_s, u"Plain"_s, u"Pictured"_s, u"Folder"_s}));

    // Building the bar and the menu decodes no icon file.
    QCOMPARE(source.total, 0);
    QVERIFY(m_h->bar->buttonWidget(0)->icon().isNull());
    QVERIFY(m_h->bar->buttonWidget(1)->icon().isNull());
    QVERIFY(!m_h->bar->buttonWidget(2)->icon().isNull());
    QVERIFY(!m_h->bar->buttonWidget(3)->icon().isNull());
    for (int i = 0; i < 4; ++i)
        QCOMPARE(m_h->bar->buttonWidget(i)->toolButtonStyle(), Qt::ToolButtonTextBesideIcon);

    // Drawn, the picture is the category's own.
    const QImage drawn = m_h->bar->buttonWidget(2)->icon().pixmap(16, 16).toImage().convertToFormat(
        QImage::Format_ARGB32_Premultiplied);
    QCOMPARE(source.total, 1);
    QCOMPARE(drawn, root.Items(1)->SmallIcon.image());
    QCOMPARE(m_h->bar->buttonWidget(3)->icon().pixmap(16, 16).toImage().convertToFormat(
                 QImage::Format_ARGB32_Premultiplied),
             root.Items(2)->SmallIcon.image());
}

void TestCategoryViews::categoryShowsOnlyItsGames()
{
    auto shooters = category(u"Shooters"_s);
    shooters->Add(game(u"Doom"_s));
    auto classics = category(u"Classics"_s);
    classics->Add(game(u"Wolfenstein"_s));
    shooters->Add(std::move(classics));
    shooters->Add(game(u"Quake"_s));
    m_h->host.root.Add(game(u"Abe"_s));
    m_h->host.root.Add(std::move(shooters));
    m_h->views->RebuildCategoryBar();

    // Top-level categories only; the sub-category has no button.
    QCOMPARE(m_h->captions(), QStringList({u"Default"_s, u"Shooters"_s}));
    m_h->bar->click(1);
    QCOMPARE(m_h->rows(), QStringList({u"Doom"_s, u"Quake"_s}));
    const auto *shown = static_cast<TGameList *>(m_h->host.root.Items(1));
    QCOMPARE(m_h->list->model()->gameAt(1), shown->Items(2));
    // The sub-category is in the notification-area menu.
    QCOMPARE(describeMenu(*m_h->tray, TrayFixedItemCount),
             u"Abe, Shooters[Doom, Classics[Wolfenstein], Quake]"_s);
}

void TestCategoryViews::ampersands()
{
    auto rnd = category(u"R&D"_s, u"rd.ico"_s);
    rnd->Add(game(u"A&&B"_s));
    m_h->host.root.Add(game(u"Tom & Jerry"_s));
    m_h->host.root.Add(std::move(rnd));
    m_h->views->RebuildCategoryBar();

    // The row as typed.
    QCOMPARE(m_h->rows(), QStringList({u"Tom & Jerry"_s}));
    // The button's caption is the name with its single "&", shown as it stands.
    QCOMPARE(m_h->bar->button(1)->text(), u"R&D"_s);
    QCOMPARE(m_h->bar->buttonWidget(1)->text(), u"R&&D"_s);
    QVERIFY(m_h->bar->buttonWidget(1)->shortcut().isEmpty());
    // Menu items double every "&", so that they too show the name as it stands.
    QCOMPARE(describeMenu(*m_h->tray, TrayFixedItemCount), u"Tom && Jerry, R&&D[A&&&&B]"_s);
    m_h->bar->click(1);
    QCOMPARE(m_h->rows(), QStringList({u"A&&B"_s}));
}

void TestCategoryViews::trayMenu()
{
    TRootList &root = m_h->host.root;
    root.Add(game(u"Abe"_s));
    auto outer = category(u"Outer"_s);
    outer->Add(game(u"Doom"_s));
    auto inner = category(u"Inner"_s);
    auto deepest = category(u"Deepest"_s);
    deepest->Add(game(u"Zork"_s));
    inner->Add(std::move(deepest));
    outer->Add(std::move(inner));
    root.Add(std::move(outer));
    root.Add(game(u"Quake"_s));
    m_h->views->RebuildCategoryBar();

    // The catalogue stands before the fixed items, in catalogue order.
    const QList<QAction *> items = m_h->tray->actions();
    QCOMPARE(items.size(), 3 + TrayFixedItemCount);
    QCOMPARE(items[0]->text(), u"Abe"_s);
    QCOMPARE(items[1]->text(), u"Outer"_s);
    QCOMPARE(items[2]->text(), u"Quake"_s);
    QVERIFY(qobject_cast<QWidgetAction *>(items[3]));
    QCOMPARE(items.last()->text(), u"Quit Kelvaro"_s);
    for (QAction *item : items.mid(0, 3))
        QVERIFY(!item->icon().isNull());

    // A submenu gets its items when it opens, and only once.
    QMenu *outerMenu = items[1]->menu();
    QVERIFY(outerMenu);
    QVERIFY(outerMenu->actions().isEmpty());
    outerMenu->popup(QPoint(10, 10));
    QTRY_VERIFY(outerMenu->isVisible());
    QCOMPARE(outerMenu->actions().size(), 2);
    outerMenu->close();
    Q_EMIT outerMenu->aboutToShow();
    QCOMPARE(outerMenu->actions().size(), 2);
    QCOMPARE(describeMenu(*m_h->tray, TrayFixedItemCount),
             u"Abe, Outer[Doom, Inner[Deepest[Zork]]], Quake"_s);

    // A game item starts its game.
    QMenu *innerMenu = outerMenu->actions()[1]->menu();
    QAction *zork = innerMenu->actions()[0]->menu()->actions()[0];
    zork->trigger();
    items[2]->trigger();
    QCOMPARE(m_h->started.size(), 2);
    QCOMPARE(m_h->started[0]->Name, u"Zork"_s);
    QCOMPARE(m_h->started[1], root.Items(2));
    items[1]->trigger(); // a submenu's own item starts nothing
    QCOMPARE(m_h->started.size(), 2);

    // A rebuild frees the old items, submenus with what they hold.
    QPointer<QMenu> oldOuter = outerMenu;
    QPointer<QMenu> oldInner = innerMenu;
    QPointer<QAction> oldAbe = items[0];
    m_h->views->RebuildCategoryBar();
    QVERIFY(!oldOuter);
    QVERIFY(!oldInner);
    QVERIFY(!oldAbe);
    QCOMPARE(m_h->tray->actions().size(), 3 + TrayFixedItemCount);
}

void TestCategoryViews::trayMenuFreesOnlyCatalogueItems()
{
    // Seven items or fewer: all of them are fixed.
    QMenu menu;
    for (int i = 0; i < TrayFixedItemCount; ++i)
        menu.addAction(u"Fixed %1"_s.arg(i));
    FreeTrayCatalogueItems(menu);
    QCOMPARE(menu.actions().size(), TrayFixedItemCount);

    TGameList list(u"L"_s, QString(), u"L.ini"_s);
    list.Add(game(u"One"_s));
    list.Add(category(u"Two"_s));
    FillTrayMenu(menu, list, nullptr);
    FillTrayMenu(menu, list, nullptr); // again: before the ones already there
    QCOMPARE(menu.actions().size(), 4 + TrayFixedItemCount);
    QCOMPARE(menu.actions()[0]->text(), u"One"_s);
    menu.actions()[0]->trigger(); // no start function: nothing happens
    FreeTrayCatalogueItems(menu);
    QCOMPARE(menu.actions().size(), TrayFixedItemCount);
    QCOMPARE(menu.actions()[0]->text(), u"Fixed 0"_s);
    QCOMPARE(menu.findChildren<QMenu *>().size(), 0);
}

void TestCategoryViews::statusBox_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("status");
    QTest::newRow("existing file") << u"file"_s << u"Status: Ready"_s;
    QTest::newRow("directory") << u"directory"_s << u"Status: Ready"_s;
    QTest::newRow("missing file") << u"missing"_s << u"Status: File not found"_s;
    QTest::newRow("no file name") << u"empty"_s << u"Status: File not found"_s;
}

void TestCategoryViews::statusBox()
{
    QFETCH(QString, kind);
    QFETCH(QString, status);
    QString path = m_dir->filePath(u"game.exe"_s);
    if (kind == u"file"_s)
        QVERIFY(writeFile(path, "MZ"));
    else if (kind == u"directory"_s)
        QVERIFY(QDir(m_dir->path()).mkpath(u"game.exe"_s));
    else if (kind == u"empty"_s)
        path.clear();
    m_h->host.root.Add(game(u"Other"_s, u"/nowhere/other.exe"_s));
    m_h->host.root.Add(game(u"Game"_s, path));
    m_h->views->RebuildCategoryBar();

    QCOMPARE(m_h->statusLines(), QStringList({u"Game-exe:"_s, u"Status:"_s}));
    for (QAction *item : {m_h->removeItem, m_h->removePopupItem, m_h->infoItem})
        QVERIFY(!item->isEnabled());

    m_h->list->selectRow(1);
    QCOMPARE(m_h->statusLines(), QStringList({u"Game-exe: "_s + path, status}));
    for (QAction *item : {m_h->removeItem, m_h->removePopupItem, m_h->infoItem})
        QVERIFY(item->isEnabled());

    // Without a selection the lines stay and the commands are off.
    m_h->list->selectionModel()->clearSelection();
    QCOMPARE(m_h->statusLines(), QStringList({u"Game-exe: "_s + path, status}));
    for (QAction *item : {m_h->removeItem, m_h->removePopupItem, m_h->infoItem})
        QVERIFY(!item->isEnabled());
}

void TestCategoryViews::pressingThePressedButton()
{
    auto shooters = category(u"Shooters"_s);
    shooters->Add(game(u"Doom"_s));
    m_h->host.root.Add(game(u"Abe"_s));
    m_h->host.root.Add(std::move(shooters));
    m_h->host.root.Add(category(u"Racing"_s));
    m_h->views->RebuildCategoryBar();
    QCOMPARE(m_h->pressed(), u"+--"_s);

    QSignalSpy refills(m_h->list->model(), &QAbstractItemModel::modelReset);
    m_h->bar->click(1);
    QCOMPARE(m_h->pressed(), u"-+-"_s);
    QCOMPARE(refills.count(), 1);

    // The pressed button is released, and its list is filled again all the same.
    m_h->bar->click(1);
    QCOMPARE(m_h->pressed(), u"---"_s);
    QCOMPARE(refills.count(), 2);
    QCOMPARE(m_h->views->ShownButtonIndex(), 1);
    QCOMPARE(m_h->rows(), QStringList({u"Doom"_s}));

    // As a user's click does it.
    QTest::mouseClick(m_h->bar->buttonWidget(1), Qt::LeftButton);
    QCOMPARE(m_h->pressed(), u"-+-"_s);
    QTest::mouseClick(m_h->bar->buttonWidget(1), Qt::LeftButton);
    QCOMPARE(m_h->pressed(), u"---"_s);
    QCOMPARE(refills.count(), 4);
    QTest::mouseClick(m_h->bar->buttonWidget(0), Qt::LeftButton);
    QCOMPARE(m_h->pressed(), u"+--"_s);
    QCOMPARE(m_h->rows(), QStringList({u"Abe"_s}));
}

void TestCategoryViews::viewModeIsAppliedOnEveryShow()
{
    m_h->host.root.Add(game(u"Abe"_s));
    m_h->defaultListMode = 2;
    m_h->views->RebuildCategoryBar();
    QCOMPARE(m_h->list->viewMode(), 2);
    for (size_t i = 0; i < 3; ++i) {
        QCOMPARE(m_h->popupItems[i]->isChecked(), i == 2);
        QCOMPARE(m_h->viewItems[i]->isChecked(), i == 2);
    }

    m_h->views->PopupListChangeClick(0);
    QCOMPARE(m_h->defaultListMode, 0);
    QCOMPARE(m_h->list->viewMode(), 0);
    QVERIFY(m_h->popupItems[0]->isChecked() && !m_h->popupItems[2]->isChecked());
    QVERIFY(m_h->viewItems[0]->isChecked() && !m_h->viewItems[2]->isChecked());

    // A stored mode that does not exist shows the list.
    m_h->defaultListMode = 7;
    m_h->bar->click(0);
    QCOMPARE(m_h->list->viewMode(), 1);
    QCOMPARE(m_h->defaultListMode, 1);
    QVERIFY(m_h->popupItems[1]->isChecked());
}

void TestCategoryViews::rename_data()
{
    QTest::addColumn<QString>("outcome");
    QTest::newRow("accepted") << u"accepted"_s;
    QTest::newRow("cancelled") << u"cancelled"_s;
    QTest::newRow("failing") << u"failing"_s;
}

void TestCategoryViews::rename()
{
    QFETCH(QString, outcome);
    writeCatalogue(m_dir->path());
    m_h->show();
    m_h->views->readGameLists();
    m_h->bar->click(1);
    QCOMPARE(m_h->rows(), QStringList({u"Doom"_s, u"Quake"_s, u"Unreal"_s}));
    TGameList *shooters = m_h->views->ShownList();
    const QString fileBefore = readBack(m_dir->filePath(u"Shooters.ini"_s));
    if (outcome == u"failing"_s)
        shooters->FileName = m_dir->filePath(u"missing/Shooters.ini"_s);
    QPointer<QAction> oldTrayItem = m_h->trayItems().first();

    m_h->list->selectRow(1);
    QTest::keyClick(m_h->list->activeView(), Qt::Key_F2);
    auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
    QVERIFY(editor);
    editor->setText(u"Quake & Co "_s);
    QTest::keyClick(editor, outcome == u"cancelled"_s ? Qt::Key_Escape : Qt::Key_Return);
    QTRY_VERIFY(!m_h->list->isEditing());

    if (outcome == u"accepted"_s) {
        // Stored exactly as typed, shown again from memory: the same button, the same row.
        QCOMPARE(readBack(m_dir->filePath(u"Shooters.ini"_s)), u"Doom, Quake & Co , Unreal"_s);
        QVERIFY(!oldTrayItem);
        QCOMPARE(m_h->views->ShownButtonIndex(), 1);
        QCOMPARE(m_h->pressed(), u"-+-"_s);
        QCOMPARE(m_h->rows(), QStringList({u"Doom"_s, u"Quake & Co "_s, u"Unreal"_s}));
        QCOMPARE(m_h->list->currentRow(), 1);
        QVERIFY(m_h->list->activeView()->hasFocus());
        QCOMPARE(m_h->host.prompts.records.size(), 0);
        QCOMPARE(m_h->host.rebuildCount, 1); // the first read only: no read again
    } else if (outcome == u"cancelled"_s) {
        QCOMPARE(readBack(m_dir->filePath(u"Shooters.ini"_s)), fileBefore);
        QCOMPARE(shooters->Items(1)->Name, u"Quake"_s);
        QVERIFY(oldTrayItem);
        QCOMPARE(m_h->host.prompts.records.size(), 0);
    } else {
        // The error reaches the standard error box; the rest of the command is skipped
        // and the new name stays in memory and in the row.
        QCOMPARE(m_h->host.prompts.records.size(), 1);
        QCOMPARE(m_h->host.prompts.records[0].kind, FakePrompter::Kind::Error);
        QVERIFY2(m_h->host.prompts.records[0].text.startsWith(u"Unable to write to"_s),
                 qPrintable(m_h->host.prompts.records[0].text));
        QCOMPARE(shooters->Items(1)->Name, u"Quake & Co "_s);
        QCOMPARE(m_h->rows(), QStringList({u"Doom"_s, u"Quake & Co "_s, u"Unreal"_s}));
        QVERIFY(oldTrayItem);
        QCOMPARE(readBack(m_dir->filePath(u"Shooters.ini"_s)), fileBefore);
        QVERIFY(!QFileInfo::exists(m_dir->filePath(u"missing"_s)));
    }
}

void TestCategoryViews::remove_data()
{
    QTest::addColumn<int>("disableCMSGS");
    QTest::addColumn<bool>("answer");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("left");
    QTest::addColumn<int>("selectedAfter");

    QTest::newRow("yes") << 0 << true << 1 << u"Doom, Unreal"_s << 1;
    QTest::newRow("yes, last row") << 0 << true << 2 << u"Doom, Quake"_s << -1;
    QTest::newRow("no") << 0 << false << 1 << u"Doom, Quake, Unreal"_s << 1;
    QTest::newRow("confirmations off") << 1 << false << 0 << u"Quake, Unreal"_s << 0;
    QTest::newRow("setting 2 is not on") << 2 << true << 0 << u"Quake, Unreal"_s << 0;
}

void TestCategoryViews::remove()
{
    QFETCH(int, disableCMSGS);
    QFETCH(bool, answer);
    QFETCH(int, row);
    QFETCH(QString, left);
    QFETCH(int, selectedAfter);

    writeCatalogue(m_dir->path());
    m_h->views->readGameLists();
    m_h->disableCMSGS = disableCMSGS;
    m_h->host.prompts.questionAnswers = {answer};
    m_h->bar->click(1);
    m_h->list->selectRow(row);
    const QString name = m_h->list->selectedGame()->Name;
    QPointer<QAction> oldTrayItem = m_h->trayItems().first();

    m_h->views->MenuRemoveSelGameClick();

    const auto &records = m_h->host.prompts.records;
    if (disableCMSGS == 1) {
        QCOMPARE(records.size(), 0);
    } else {
        QCOMPARE(records.size(), 1);
        QCOMPARE(records[0].kind, FakePrompter::Kind::Question);
        QCOMPARE(records[0].owner, u"KVMainForm"_s);
        QCOMPARE(records[0].caption, u"Are you sure?"_s);
        QCOMPARE(records[0].text, u"Delete "_s + name + u"?"_s);
    }
    QCOMPARE(readBack(m_dir->filePath(u"Shooters.ini"_s)), left);
    QCOMPARE(m_h->rows().join(u", "_s), left);
    QCOMPARE(m_h->views->ShownButtonIndex(), 1);
    QCOMPARE(m_h->pressed(), u"-+-"_s);
    QCOMPARE(m_h->list->currentRow(), selectedAfter);
    const bool removed = disableCMSGS == 1 || answer;
    // Removed: the whole catalogue was read again. Not: nothing happened.
    QCOMPARE(m_h->host.rebuildCount, removed ? 2 : 1);
    QCOMPARE(oldTrayItem.isNull(), removed);
}

void TestCategoryViews::shownAgainTheDefaultButtonStaysPressed()
{
    QVERIFY(writeListFile(m_dir->filePath(u"Kelvaro.ini"_s),
                          gameSection(u"Abe"_s) + gameSection(u"Zork"_s) +
                              categorySection(u"Racing"_s, u"Racing.ini"_s)));
    m_h->views->readGameLists();
    m_h->disableCMSGS = 1;
    m_h->list->selectRow(0);
    m_h->views->MenuRemoveSelGameClick();
    QCOMPARE(m_h->views->ShownButtonIndex(), 0);
    QCOMPARE(m_h->pressed(), u"+-"_s);
    QCOMPARE(m_h->rows(), QStringList({u"Zork"_s}));
    QCOMPARE(m_h->list->currentRow(), 0);
}

void TestCategoryViews::sort_data()
{
    QTest::addColumn<int>("disableCMSGS");
    QTest::addColumn<bool>("answer");
    QTest::addColumn<bool>("sorted");
    QTest::newRow("yes") << 0 << true << true;
    QTest::newRow("no") << 0 << false << false;
    QTest::newRow("confirmations off") << 1 << false << true;
}

void TestCategoryViews::sort()
{
    QFETCH(int, disableCMSGS);
    QFETCH(bool, answer);
    QFETCH(bool, sorted);

    writeCatalogue(m_dir->path());
    QVERIFY(writeListFile(m_dir->filePath(u"Racing.ini"_s),
                          gameSection(u"Wipeout"_s) + gameSection(u"Carmageddon"_s) +
                              categorySection(u"Karts"_s, u"Karts.ini"_s) +
                              gameSection(u"Destruction Derby"_s)));
    m_h->views->readGameLists();
    m_h->disableCMSGS = disableCMSGS;
    m_h->host.prompts.questionAnswers = {answer};
    m_h->bar->click(2);
    m_h->list->selectRow(1);

    m_h->views->MenuSortClick();

    const auto &records = m_h->host.prompts.records;
    if (disableCMSGS == 1) {
        QCOMPARE(records.size(), 0);
    } else {
        QCOMPARE(records.size(), 1);
        QCOMPARE(records[0].kind, FakePrompter::Kind::Question);
        QCOMPARE(records[0].owner, u"KVMainForm"_s);
        QCOMPARE(records[0].caption, u"Warning"_s);
        QCOMPARE(records[0].text,
                 u"Sort Gamelist:\n\r\n\rThis feature can only be used if all entries have "
                 u"unique names!\n\rIs this condition fulfilled in your case?"_s);
    }
    QCOMPARE(m_h->views->ShownButtonIndex(), 2);
    QCOMPARE(m_h->pressed(), u"--+"_s);
    if (sorted) {
        QCOMPARE(readBack(m_dir->filePath(u"Racing.ini"_s)),
                 u"Carmageddon, Destruction Derby, Karts[], Wipeout"_s);
        QCOMPARE(m_h->rows(),
                 QStringList({u"Carmageddon"_s, u"Destruction Derby"_s, u"Wipeout"_s}));
        QCOMPARE(m_h->list->currentRow(), -1); // the selection is not restored
        QCOMPARE(m_h->host.rebuildCount, 2);
    } else {
        QCOMPARE(m_h->rows(),
                 QStringList({u"Wipeout"_s, u"Carmageddon"_s, u"Destruction Derby"_s}));
        QCOMPARE(m_h->list->currentRow(), 1);
        QCOMPARE(m_h->host.rebuildCount, 1);
    }
}

void TestCategoryViews::reread()
{
    writeCatalogue(m_dir->path());
    m_h->views->readGameLists();
    m_h->bar->click(2);
    m_h->list->selectRow(0);
    // Changed by other means.
    QVERIFY(
        writeListFile(m_dir->filePath(u"Kelvaro.ini"_s),
                      gameSection(u"New game"_s) + categorySection(u"Racing"_s, u"Racing.ini"_s)));

    m_h->views->MenuRereadClick();
    QCOMPARE(m_h->captions(), QStringList({u"Default"_s, u"Racing"_s}));
    QCOMPARE(m_h->views->ShownButtonIndex(), 0);
    QCOMPARE(m_h->pressed(), u"+-"_s);
    QCOMPARE(m_h->rows(), QStringList({u"New game"_s}));
    QCOMPARE(m_h->list->currentRow(), -1);
    QCOMPARE(m_h->statusLines(), QStringList({u"Game-exe:"_s, u"Status:"_s}));
    QCOMPARE(m_h->treeRefills, 2);
}

void TestCategoryViews::rememberedButtonThatIsGoneFallsBackToTheLast()
{
    writeCatalogue(m_dir->path());
    m_h->views->readGameLists();
    m_h->bar->click(2); // Racing
    m_h->list->selectRow(0);
    m_h->disableCMSGS = 1;
    // Racing disappears from the root list by other means before the re-read.
    QVERIFY(writeListFile(m_dir->filePath(u"Kelvaro.ini"_s),
                          gameSection(u"Root game"_s) +
                              categorySection(u"Shooters"_s, u"Shooters.ini"_s)));

    m_h->views->MenuRemoveSelGameClick();
    QCOMPARE(readBack(m_dir->filePath(u"Racing.ini"_s)), QString());
    QCOMPARE(m_h->captions(), QStringList({u"Default"_s, u"Shooters"_s}));
    QCOMPARE(m_h->views->ShownButtonIndex(), 1);
    QCOMPARE(m_h->pressed(), u"-+"_s);
    QCOMPARE(m_h->rows(), QStringList({u"Doom"_s, u"Quake"_s, u"Unreal"_s}));
    QCOMPARE(m_h->list->currentRow(), 0);
}

void TestCategoryViews::viewsHoldNoEntriesWhileTheCatalogueIsRead()
{
    writeCatalogue(m_dir->path());
    m_h->views->readGameLists();
    m_h->bar->click(1);
    QCOMPARE(m_h->rows().size(), 3);

    // A directory where a list file should be: the read fails and shows why.
    QVERIFY(QFile::remove(m_dir->filePath(u"Racing.ini"_s)));
    QVERIFY(QDir(m_dir->path()).mkpath(u"Racing.ini"_s));
    QString atTheBox;
    m_h->host.prompts.onBox = [&] {
        atTheBox = u"%1 rows, %2 buttons, %3 menu items, shown %4"_s.arg(m_h->rows().size())
                       .arg(m_h->bar->buttonCount())
                       .arg(m_h->tray->actions().size())
                       .arg(m_h->views->ShownList() ? u"a list"_s : u"none"_s);
    };
    m_h->views->MenuRereadClick();
    QCOMPARE(m_h->host.terminateCount, 1);
    QCOMPARE(atTheBox, u"0 rows, 0 buttons, 7 menu items, shown none"_s);

    // Nothing is left to act on.
    m_h->views->MenuRemoveSelGameClick();
    m_h->views->MenuSortClick();
    QCOMPARE(m_h->host.prompts.records.size(), 1);
}

KELVARO_TEST_MAIN(TestCategoryViews)
#include "tst_categoryviews.moc"
