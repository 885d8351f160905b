#include "app/KVAppUnit.h"
#include "app/Startup.h"
#include "catalogue/GameClasses.h"
#include "editors/KVAddUnit.h"
#include "editors/KVEditUnit.h"
#include "mainwindow/CategoryBar.h"
#include "mainwindow/GameListView.h"
#include "mainwindow/KVMainUnit.h"
#include "settings/KVAboutUnit.h"
#include "settings/KVSettingsUnit.h"
#include "support/CatalogueFixtures.h"
#include "support/FakePrompter.h"
#include "support/TestMain.h"
#include "widgets/MenuIcons.h"

#include <QAbstractItemView>
#include <QAction>
#include <QDate>
#include <QDialog>
#include <QDir>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTime>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QWidgetAction>

using namespace Qt::StringLiterals;
using namespace CatalogueFixtures;

namespace {

// One line per item: its text, its shortcut after a tab, then what sets it apart.
QStringList describeMenu(const QMenu *menu)
{
    QStringList lines;
    for (const QAction *action : menu->actions()) {
        if (action->isSeparator()) {
            lines.append(u"-"_s);
            continue;
        }
        QString line = action->text();
        if (qobject_cast<const QWidgetAction *>(action))
            line = u"["_s + action->objectName() + u"]"_s;
        if (action->menu())
            line += u" >"_s;
        if (!action->shortcut().isEmpty())
            line += u'\t' + action->shortcut().toString(QKeySequence::PortableText);
        if (!action->isEnabled() && action->isVisible()) // hidden actions count as disabled
            line += u" (disabled)"_s;
        if (action->isChecked())
            line += u" (checked)"_s;
        if (!action->isVisible())
            line += u" (hidden)"_s;
        lines.append(line);
    }
    return lines;
}

// The main window with the application form and the four dialogs, as the program
// makes them, with test seams for quitting and modal windows.
struct Harness
{
    Harness()
        : app([this](int code) { exitCodes.append(code); }),
          form(prompter, TKVMainForm::Setup{programDir(), std::nullopt}), add(prompter),
          about(prompter), settings(prompter), edit(prompter)
    {
        ConnectQuit(app, form);
        form.setDialogs(&add, &about, &settings, &edit);
        form.setModalRunner([this](QDialog &dialog) {
            modals.append(dialog.objectName());
            modalWasModal.append(dialog.isModal());
        });
        form.setTerminator([this] { ++terminations; });
    }

    QString programDir() const { return QDir::toNativeSeparators(dir.path() + u'/'); }

    QTemporaryDir dir;
    FakePrompter prompter;
    QList<int> exitCodes;
    TKVAppForm app;
    TKVMainForm form;
    TKVAddForm add;
    TKVAboutForm about;
    TKVSettingsForm settings;
    TKVEditForm edit;
    QStringList modals;
    QList<bool> modalWasModal;
    int terminations = 0;
};

} // namespace

class TestMainForm : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void windowFrame();
    void menuBarTitles();
    void menus_data();
    void menus();
    void menuPictures_data();
    void menuPictures();
    void removeShortcutFollowsActivation();
    void removeShortcutLeftToRenaming();
    void categoryBar();
    void statusBox();
    void statusBar();
    void layoutFollowsTheWindow();
    void dialogs_data();
    void dialogs();
    void viewMode_data();
    void viewMode();
    void resetWindowPosition();
    void quitCommands_data();
    void quitCommands();
    void closing_data();
    void closing();
    void minimizeToNotificationArea();
    void catalogueHost();
    void rereadReadsTheCatalogue();
};

void TestMainForm::windowFrame()
{
    Harness h;
    QCOMPARE(h.form.objectName(), u"KVMainForm"_s);
    QCOMPARE(h.form.windowTitle(), u"Kelvaro"_s);
    QCOMPARE(h.form.size(), QSize(240, 458));
    QVERIFY(!h.form.windowIcon().isNull());
    h.form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&h.form));
    QVERIFY(!h.form.isMinimized());
    // The window cannot be made smaller than 240 x 220.
    h.form.resize(100, 100);
    QTRY_COMPARE(h.form.height(), 220);
    QVERIFY(h.form.width() >= 240);
}

void TestMainForm::menuBarTitles()
{
    Harness h;
    QStringList titles;
    QStringList names;
    for (QAction *action : h.form.menuBar()->actions()) {
        titles.append(action->text());
        names.append(action->menu()->objectName());
    }
    QCOMPARE(titles, (QStringList{u"&Action"_s, u"&List"_s, u"&View"_s, u"&Tools"_s, u"&?"_s}));
    QCOMPARE(names, (QStringList{u"MenuAction"_s, u"MenuList"_s, u"MenuView"_s, u"MenuTools"_s,
                                 u"MenuHelp"_s}));
    QCOMPARE(h.form.menuBar()->objectName(), u"MainMenuToolbar"_s);
}

void TestMainForm::menus_data()
{
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QStringList>("items");

    QTest::newRow("Action") << u"MenuAction"_s << QStringList{u"&Start Game\tCtrl+S"_s,
                                                              u"-"_s,
                                                              u"&Game Info\tCtrl+I (disabled)"_s,
                                                              u"&Open Game Directory\tCtrl+D"_s,
                                                              u"-"_s,
                                                              u"&Quit Kelvaro"_s};
    QTest::newRow("List") << u"MenuList"_s
                          << QStringList{u"&Add Entry\tCtrl+A"_s,
                                         u"&Edit Gamelists\tCtrl+E"_s,
                                         u"-"_s,
                                         u"Remove selected &Game\tCtrl+Del (disabled)"_s,
                                         u"-"_s,
                                         u"&Sort List alphabetically\tF6"_s,
                                         u"&Reread Kelvaro.ini\tF5"_s};
    // Where the window's system menu cannot hold "Reset Window Position", the View
    // menu ends with it.
    QTest::newRow("View") << u"MenuView"_s
                          << QStringList{u"&Skin >"_s,  u"&Icons"_s, u"&List (checked)"_s,
                                         u"&Details"_s, u"-"_s,      u"Reset Window Position"_s};
    QTest::newRow("Skin") << u"MenuSkin"_s << QStringList{u"Default (checked)"_s};
    QTest::newRow("Tools") << u"MenuTools"_s
                           << QStringList{u"&Minimize to Notification Area\tF4"_s,
                                          u"&Settings\tCtrl+O"_s};
    QTest::newRow("?") << u"MenuHelp"_s << QStringList{u"&About"_s};
    QTest::newRow("list pop-up") << u"ListPopup"_s
                                 << QStringList{u"Icons"_s, u"List (checked)"_s, u"Details"_s,
                                                u"-"_s, u"Remove selected Game (disabled)"_s};
    QTest::newRow("notification area")
        << u"TrayMenu"_s << QStringList{u"[TrayParametersEdit]"_s,
                                        u"-"_s,
                                        u"Add Entry"_s,
                                        u"Edit List"_s,
                                        u"-"_s,
                                        u"Restore Kelvaro (hidden)"_s,
                                        u"Quit Kelvaro"_s};
}

void TestMainForm::menus()
{
    QFETCH(QString, menu);
    QFETCH(QStringList, items);
    Harness h;
    auto *found = h.form.findChild<QMenu *>(menu);
    QVERIFY(found);
    QStringList expected = items;
    if (menu == u"MenuView"_s && !h.form.MenuResetPosition)
        expected.resize(expected.size() - 2); // the system menu holds it
    QCOMPARE(describeMenu(found), expected);
}

void TestMainForm::menuPictures_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<int>("picture");

    const char *items[] = {"MenuStartGame", "MenuInfo",      "MenuOpenDir",       "MenuQuit",
                           "MenuAddGame",   "MenuEditIni",   "MenuRemoveSelGame", "MenuSort",
                           "MenuReread",    "MenuMintotray", "MenuSettings",      "MenuAbout"};
    for (int i = 0; i < 12; ++i)
        QTest::newRow(items[i]) << QString::fromLatin1(items[i]) << i;
    QTest::newRow("TrayAddGame") << u"TrayAddGame"_s << 4;
    QTest::newRow("TrayEditList") << u"TrayEditList"_s << 5;
    QTest::newRow("TrayRestore") << u"TrayRestore"_s << 12;
    QTest::newRow("TrayQuit") << u"TrayQuit"_s << 3;
}

void TestMainForm::menuPictures()
{
    QFETCH(QString, item);
    QFETCH(int, picture);
    Harness h;
    QCOMPARE(h.form.MenuIconList.size(), 13);
    auto *action = h.form.findChild<QAction *>(item);
    QVERIFY(action);
    const QImage shown = action->icon().pixmap(16, 16).toImage();
    const QImage meant = h.form.MenuIconList.at(picture).pixmap(16, 16).toImage();
    QVERIFY(!shown.isNull());
    QCOMPARE(shown, meant);
}

void TestMainForm::removeShortcutFollowsActivation()
{
    Harness h;
    const QKeySequence ctrlDel(Qt::CTRL | Qt::Key_Delete);
    QCOMPARE(h.form.MenuRemoveSelGame->shortcut(), ctrlDel);

    h.form.show();
    h.form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&h.form));
    QCOMPARE(h.form.MenuRemoveSelGame->shortcut(), ctrlDel);

    // Another window becomes active: Ctrl+Del no longer removes a game.
    QWidget other;
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    QTRY_VERIFY(h.form.MenuRemoveSelGame->shortcut().isEmpty());

    h.form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&h.form));
    QTRY_COMPARE(h.form.MenuRemoveSelGame->shortcut(), ctrlDel);
}

void TestMainForm::removeShortcutLeftToRenaming()
{
    Harness h;
    h.form.show();
    h.form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&h.form));
    h.form.setRenaming(true);
    QVERIFY(h.form.MenuRemoveSelGame->shortcut().isEmpty());
    h.form.setRenaming(false);
    QCOMPARE(h.form.MenuRemoveSelGame->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Delete));
}

void TestMainForm::categoryBar()
{
    Harness h;
    h.form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&h.form));
    TCategoryBar *bar = h.form.GameCatToolbar;
    QCOMPARE(bar->objectName(), u"GameCatToolbar"_s);
    QCOMPARE(h.form.toolBarArea(bar), Qt::BottomToolBarArea);
    QVERIFY(!bar->isMovable());
    QVERIFY(!bar->isFloatable());
    // Before the first read, the empty root's "Default" button, pressed.
    QCOMPARE(bar->buttonCount(), 1);
    QCOMPARE(bar->button(0)->text(), u"Default"_s);
    QVERIFY(bar->button(0)->isChecked());
    QVERIFY(bar->buttonWidget(0)->isVisible());
    // Between the main panel and the status bar.
    QVERIFY(bar->geometry().top() >= h.form.centralWidget()->geometry().bottom());
    QVERIFY(bar->geometry().bottom() <= h.form.statusBar()->geometry().top());
    // No menu to hide or move the bars.
    QCOMPARE(h.form.createPopupMenu(), nullptr);
}

void TestMainForm::statusBox()
{
    Harness h;
    QListWidget *box = h.form.GameStatusListBox;
    QCOMPARE(box->count(), 2);
    QCOMPARE(box->item(0)->text(), u"Game-exe:"_s);
    QCOMPARE(box->item(1)->text(), u"Status:"_s);
    QCOMPARE(box->height(), 25);
    QCOMPARE(box->focusPolicy(), Qt::NoFocus);
    // Small text, two lines in the box's height.
    QVERIFY(QFontInfo(box->font()).pixelSize() < QFontInfo(h.form.font()).pixelSize());
    QVERIFY(2 * QFontMetrics(box->font()).height() <= box->contentsRect().height() + 2);
    QCOMPARE(h.form.GameParametersEdit->placeholderText(), u"Enter Parameters"_s);
    QCOMPARE(h.form.StartButton->text(), u"Start selected Game"_s);
    QCOMPARE(h.form.GameListView->objectName(), u"GameListView"_s);
}

void TestMainForm::statusBar()
{
    const QDate dayBefore = QDate::currentDate();
    Harness h;
    const QDate dayAfter = QDate::currentDate();
    QCOMPARE(h.form.SBVersion->text(), u"Version 4.3.6"_s);
    QCOMPARE(h.form.VersionText, u"4.3.6"_s);
    QCOMPARE(h.form.BuildText, u"35"_s);

    const QLocale locale;
    QVERIFY(h.form.SBDate->text() == locale.toString(dayBefore, QLocale::ShortFormat) ||
            h.form.SBDate->text() == locale.toString(dayAfter, QLocale::ShortFormat));
    // The clock shows hours and minutes of now.
    const QTime shown = locale.toTime(
        h.form.SBTime->text(),
        locale.timeFormat(QLocale::ShortFormat).remove(QRegularExpression(u"[.:]?s+"_s)).trimmed());
    QVERIFY2(shown.isValid(), qPrintable(h.form.SBTime->text()));
    QVERIFY(qAbs(shown.secsTo(QTime::currentTime())) < 120);

    // The clock ticks again when the next minute begins.
    QVERIFY(h.form.StatusTimer->isActive());
    QVERIFY(h.form.StatusTimer->remainingTime() <= 60000 + 100);

    // Left to right: version, time, date; the time field at least 65 wide.
    h.form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&h.form));
    auto x = [&](QWidget *w) { return w->mapTo(&h.form, QPoint(0, 0)).x(); };
    QVERIFY(x(h.form.SBVersion) < x(h.form.SBTime));
    QVERIFY(x(h.form.SBTime) < x(h.form.SBDate));
    QVERIFY(h.form.SBTime->width() >= 65);
    for (QLabel *field : {h.form.SBVersion, h.form.SBTime, h.form.SBDate})
        QVERIFY2(field->width() >= field->sizeHint().width(), qPrintable(field->objectName()));
}

void TestMainForm::layoutFollowsTheWindow()
{
    Harness h;
    h.form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&h.form));

    struct Snapshot
    {
        QRect box, list, edit, button, panel;
    };
    auto snapshot = [&] {
        return Snapshot{h.form.GameStatusListBox->geometry(), h.form.GameListView->geometry(),
                        h.form.GameParametersEdit->geometry(), h.form.StartButton->geometry(),
                        h.form.MainPanel->rect()};
    };
    auto checkFixedParts = [&](const Snapshot &s) {
        QCOMPARE(s.box.topLeft(), QPoint(8, 8));
        QCOMPARE(s.box.width(), s.panel.width() - 16);
        QCOMPARE(s.list.topLeft(), QPoint(8, 40));
        QCOMPARE(s.list.width(), s.panel.width() - 16);
        QCOMPARE(s.edit.left(), 8);
        QCOMPARE(s.edit.width(), s.panel.width() - 16);
        QVERIFY(s.edit.top() > s.list.bottom());
        QVERIFY(s.button.top() > s.edit.bottom());
        QCOMPARE(s.button.right(), s.panel.width() - 9); // 8 from the right edge
        QVERIFY(s.button.width() >= 121);
        QVERIFY(s.button.height() >= 25);
    };

    const Snapshot small = snapshot();
    checkFixedParts(small);

    // From the design size to a larger one.
    QCOMPARE(h.form.size(), QSize(240, 458).expandedTo(h.form.minimumSizeHint()));
    const QSize smallWindow = h.form.size();
    h.form.resize(600, 700);
    QTRY_COMPARE(h.form.MainPanel->width(), 600);
    const Snapshot large = snapshot();
    checkFixedParts(large);
    QCOMPARE(large.list.width() - small.list.width(), 600 - smallWindow.width());
    QCOMPARE(large.list.height() - small.list.height(), 700 - smallWindow.height());
    // The list takes all the growth; the fields keep their heights.
    QCOMPARE(large.list.height() - small.list.height(),
             large.panel.height() - small.panel.height());
    QCOMPARE(large.edit.height(), small.edit.height());
    QCOMPARE(large.button.size(), small.button.size());
    QCOMPARE(large.panel.height() - large.button.bottom(),
             small.panel.height() - small.button.bottom());
}

void TestMainForm::dialogs_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("modal");

    QTest::newRow("&Add Entry") << u"MenuAddGame"_s << u"KVAddForm"_s << u"Add Entry..."_s << false;
    QTest::newRow("Add Entry (tray)")
        << u"TrayAddGame"_s << u"KVAddForm"_s << u"Add Entry..."_s << false;
    QTest::newRow("&Edit Gamelists")
        << u"MenuEditIni"_s << u"KVEditForm"_s << u"Edit Gamelist"_s << true;
    QTest::newRow("Edit List (tray)")
        << u"TrayEditList"_s << u"KVEditForm"_s << u"Edit Gamelist"_s << true;
    QTest::newRow("&Settings") << u"MenuSettings"_s << u"KVSettingsForm"_s << u"Settings"_s
                               << false;
    QTest::newRow("&About") << u"MenuAbout"_s << u"KVAboutForm"_s << u"About Kelvaro"_s << true;
}

void TestMainForm::dialogs()
{
    QFETCH(QString, command);
    QFETCH(QString, window);
    QFETCH(QString, caption);
    QFETCH(bool, modal);

    Harness h;
    QList<QDialog *> all{&h.add, &h.about, &h.settings, &h.edit};
    QDialog *dialog = nullptr;
    for (QDialog *d : all)
        if (d->objectName() == window)
            dialog = d;
    QVERIFY(dialog);
    QCOMPARE(dialog->windowTitle(), caption);
    QVERIFY(!dialog->windowIcon().isNull());
    QVERIFY(!dialog->parent()); // not owned by the main window

    h.form.findChild<QAction *>(command)->trigger();
    if (modal) {
        QCOMPARE(h.modals, QStringList{window});
        QCOMPARE(h.modalWasModal, QList<bool>{true});
        QVERIFY(!dialog->isVisible());
    } else {
        QVERIFY(h.modals.isEmpty());
        QVERIFY(dialog->isVisible());
        QVERIFY(!dialog->isModal());
    }
    for (QDialog *other : all)
        if (other != dialog)
            QVERIFY2(!other->isVisible(), qPrintable(other->objectName()));
    QVERIFY(h.prompter.records.isEmpty());
}

void TestMainForm::viewMode_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<int>("mode");

    QTest::newRow("&Icons") << u"MenuViewIcons"_s << 0;
    QTest::newRow("&List") << u"MenuViewList"_s << 1;
    QTest::newRow("&Details") << u"MenuViewDetails"_s << 2;
    QTest::newRow("Icons (pop-up)") << u"PopupIcons"_s << 0;
    QTest::newRow("Details (pop-up)") << u"PopupDetails"_s << 2;
}

void TestMainForm::viewMode()
{
    QFETCH(QString, item);
    QFETCH(int, mode);
    Harness h;
    // Start from another mode than the one chosen.
    h.form.PopupListChangeClick(mode == 1 ? h.form.PopupIcons : h.form.PopupList);

    h.form.findChild<QAction *>(item)->trigger();
    QCOMPARE(h.form.DefaultListMode, mode);
    const QList<QAction *> popup{h.form.PopupIcons, h.form.PopupList, h.form.PopupDetails};
    const QList<QAction *> view{h.form.MenuViewIcons, h.form.MenuViewList, h.form.MenuViewDetails};
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(popup.at(i)->isChecked(), i == mode);
        QCOMPARE(view.at(i)->isChecked(), i == mode);
    }
}

void TestMainForm::resetWindowPosition()
{
    Harness h;
    if (!h.form.MenuResetPosition)
        QSKIP("the window's system menu holds the command here");
    h.form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&h.form));
    h.form.move(300, 200);
    QTRY_COMPARE(h.form.pos(), QPoint(300, 200));
    h.form.MenuResetPosition->trigger();
    QTRY_COMPARE(h.form.pos(), QPoint(30, 30));
}

void TestMainForm::quitCommands_data()
{
    QTest::addColumn<QString>("command");
    QTest::newRow("&Quit Kelvaro") << u"MenuQuit"_s;
    QTest::newRow("Quit Kelvaro (tray)") << u"TrayQuit"_s;
}

void TestMainForm::quitCommands()
{
    QFETCH(QString, command);
    Harness h;
    QStringList steps;
    h.app.setQuitTasks([&] { steps.append(u"QuitTasks"_s); });
    h.form.findChild<QAction *>(command)->trigger();
    QCOMPARE(steps, QStringList{u"QuitTasks"_s});
    QCOMPARE(h.exitCodes, QList<int>{0});
}

void TestMainForm::closing_data()
{
    QTest::addColumn<int>("minTrayQuit");
    QTest::addColumn<bool>("quits");

    QTest::newRow("MinTrayQuit 0: close quits") << 0 << true;
    QTest::newRow("MinTrayQuit 2 counts as off") << 2 << true;
    QTest::newRow("MinTrayQuit 1: close minimises") << 1 << false;
}

void TestMainForm::closing()
{
    QFETCH(int, minTrayQuit);
    QFETCH(bool, quits);
    Harness h;
    h.form.MinTrayQuit = minTrayQuit;
    h.form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&h.form));
    h.form.close();
    QCOMPARE(h.exitCodes, quits ? QList<int>{0} : QList<int>{});
    if (!quits) {
        QVERIFY(h.form.isVisible());
        QVERIFY(h.form.isMinimized());
    }
}

void TestMainForm::minimizeToNotificationArea()
{
    Harness h;
    h.form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&h.form));
    h.form.MenuMintotray->trigger();
    QVERIFY(h.form.isMinimized());
    QCOMPARE(h.form.MinToTray, 2);
    QVERIFY(h.exitCodes.isEmpty());

    h.form.TrayRestoreClick();
    QVERIFY(!h.form.isMinimized());
    QVERIFY(h.form.isVisible());
    QCOMPARE(h.form.MinToTray, 0);
}

void TestMainForm::catalogueHost()
{
    Harness h;
    CatalogueHost &host = h.form;
    QCOMPARE(host.programDir(), h.programDir());
    QVERIFY(host.programDir().endsWith(QDir::separator()));
    QCOMPARE(host.rootList().Name, u"RootList"_s);
    QCOMPARE(host.rootList().IconLocation, QString());
    QCOMPARE(host.rootList().FileName, h.programDir() + u"Kelvaro.ini"_s);
    QCOMPARE(host.rootList().Count(), 0);
    QCOMPARE(host.autoSort(), 0);
    QCOMPARE(&host.prompter(), static_cast<Prompter *>(&h.prompter));
    QCOMPARE(host.mainForm(), static_cast<QObject *>(&h.form));
    QCOMPARE(host.addForm(), static_cast<QObject *>(&h.add));
    host.terminateApplication();
    QCOMPARE(h.terminations, 1);
}

void TestMainForm::rereadReadsTheCatalogue()
{
    Harness h;
    QVERIFY(writeListFile(h.dir.filePath(u"Kelvaro.ini"_s),
                          gameSection(u"Abe"_s) + categorySection(u"Cat"_s, u"Cat.ini"_s)));
    h.form.MenuReread->trigger();
    QCOMPARE(describe(h.form.rootList()), u"Abe, Cat[]"_s);
    QCOMPARE(h.form.GameCatToolbar->buttonCount(), 2);
    QVERIFY(h.form.GameCatToolbar->button(0)->isChecked());
    QVERIFY(h.prompter.records.isEmpty());
    QCOMPARE(h.terminations, 0);

    // A list file that cannot be read ends the run, as at start-up.
    QVERIFY(QFile::remove(h.dir.filePath(u"Kelvaro.ini"_s)));
    QVERIFY(QDir(h.dir.path()).mkpath(u"Kelvaro.ini"_s));
    h.form.MenuReread->trigger();
    QCOMPARE(h.prompter.records.size(), 1);
    QCOMPARE(h.prompter.records.first().caption, u"Error"_s);
    QCOMPARE(h.terminations, 1);
}

KELVARO_TEST_MAIN(TestMainForm)
#include "tst_mainform.moc"
