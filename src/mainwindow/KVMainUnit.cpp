#include "mainwindow/KVMainUnit.h"

#include "catalogue/GameClasses.h"
#include "editors/KVAddUnit.h"
#include "editors/KVEditUnit.h"
#include "mainwindow/CatalogueViews.h"
#include "mainwindow/CategoryBar.h"
#include "mainwindow/GameListView.h"
#include "mainwindow/SystemMenu.h"
#include "mainwindow/VersionInfo.h"
#include "platform/Prompter.h"
#include "settings/KVAboutUnit.h"
#include "settings/KVSettingsUnit.h"
#include "widgets/HandlerGuard.h"
#include "widgets/MenuIcons.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDate>
#include <QDialog>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTime>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidgetAction>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// The clock in the status bar shows minutes; it is updated just after each minute
// begins rather than every 60 seconds from start-up, so it is never a minute behind.
constexpr int MinuteMs = 60000;

int msecsToNextMinute()
{
    const QTime now = QTime::currentTime();
    const int intoMinute = now.second() * 1000 + now.msec();
    return std::clamp(MinuteMs - intoMinute + 50, 50, MinuteMs);
}

// The locale's short time format without seconds, which a clock updated once a minute
// cannot show truthfully.
QString clockFormat(const QLocale &locale)
{
    static const QRegularExpression seconds(u"[.:]?s+"_s);
    return locale.timeFormat(QLocale::ShortFormat).remove(seconds).trimmed();
}

} // namespace

TKVMainForm::TKVMainForm(Prompter &prompter, Setup setup, QWidget *parent)
    : QMainWindow(parent), ProgramDir(std::move(setup.programDir)), m_prompter(prompter),
      m_runModal([](QDialog &dialog) { dialog.exec(); }), m_terminate([] {
          // Posted, so that the events already waiting are handled first, and so that a
          // request made before the event loop runs ends the loop once it starts.
          QMetaObject::invokeMethod(
              QCoreApplication::instance(), [] { QCoreApplication::exit(1); },
              Qt::QueuedConnection);
      }),
      m_startModeOverride(setup.startModeOverride)
{
    setObjectName(u"KVMainForm"_s);
    setWindowTitle(u"Kelvaro"_s);
    MenuIconList = ::MenuIconList();
    setWindowIcon(KelvaroIcon());

    createMenus();
    createMainPanel();
    createCategoryBar();
    createStatusBar();
    createPopupMenus();
    createCatalogueViews();

    FormCreate();
    // The bar starts with the root's "Default" button, as every rebuild makes it.
    RunGuarded(m_prompter, [this] { RebuildCategoryBar(); });

    resize(240, 458);
}

TKVMainForm::~TKVMainForm()
{
    // The buttons, rows and menu items refer to entries of RootList, which goes first.
    m_views->releaseCatalogue();
}

void TKVMainForm::FormCreate()
{
    if (!InsertSystemMenuCommand(*this, ResetPositionCommand, u"Reset Window Position"_s)) {
        // No system menu to extend: the command lives at the end of the View menu.
        MenuView->addSeparator();
        MenuResetPosition = addCommand(MenuView, u"MenuResetPosition"_s, u"Reset Window Position"_s,
                                       -1, {}, &TKVMainForm::ResetWindowPosition);
    }

    TrayIconFile.clear();
    TrayIconShown = false;

    const VersionInfo version = ReadVersionInfo();
    VersionText = version.VersionText;
    BuildText = version.BuildText;
    SBVersion->setText(u"Version "_s + VersionText);

    StatusTimerTimer();

    RootList = std::make_unique<TRootList>(u"RootList"_s, QString(), ProgramDir + u"Kelvaro.ini"_s);

    LoadSettings();

    EffectiveStartMode = m_startModeOverride.value_or(StartMode);
}

void TKVMainForm::LoadSettings()
{
    // The settings store is not read yet: every setting keeps its default. The list's
    // settings are applied as the stored ones would be.
    RunGuarded(m_prompter, [this] {
        GameListView->setIconArrangement(ListIconViewStyle);
        GameListView->setWrapText(ListIconWrapText != 0);
        GameListView->setColumnWidth(0, NameColumnWidth);
        GameListView->setColumnWidth(1, FileColumnWidth);
        GameListView->setColumnWidth(2, ParameterColumnWidth);
        m_views->PopupListChangeClick(DefaultListMode);
    });
}

// ---- construction of the window ----

QAction *TKVMainForm::addCommand(QMenu *menu, const QString &objectName, const QString &text,
                                 int picture, const QKeySequence &shortcut,
                                 void (TKVMainForm::*handler)())
{
    QAction *action = menu->addAction(text);
    action->setObjectName(objectName);
    if (picture >= 0)
        action->setIcon(MenuIconList.at(picture));
    if (!shortcut.isEmpty())
        action->setShortcut(shortcut);
    connect(action, &QAction::triggered, this,
            Guarded(m_prompter, [this, handler] { (this->*handler)(); }));
    return action;
}

QKeySequence TKVMainForm::removeShortcut()
{
    return QKeySequence(Qt::CTRL | Qt::Key_Delete);
}

void TKVMainForm::createMenus()
{
    MainMenuToolbar = menuBar();
    MainMenuToolbar->setObjectName(u"MainMenuToolbar"_s);

    using P = MenuPicture;
    auto pic = [](P picture) { return static_cast<int>(picture); };

    MenuAction = MainMenuToolbar->addMenu(u"&Action"_s);
    MenuAction->setObjectName(u"MenuAction"_s);
    MenuStartGame = addCommand(MenuAction, u"MenuStartGame"_s, u"&Start Game"_s, pic(P::StartGame),
                               QKeySequence(Qt::CTRL | Qt::Key_S), &TKVMainForm::StartButtonClick);
    MenuAction->addSeparator();
    MenuInfo = addCommand(MenuAction, u"MenuInfo"_s, u"&Game Info"_s, pic(P::GameInfo),
                          QKeySequence(Qt::CTRL | Qt::Key_I), &TKVMainForm::MenuInfoClick);
    MenuOpenDir =
        addCommand(MenuAction, u"MenuOpenDir"_s, u"&Open Game Directory"_s, pic(P::OpenDirectory),
                   QKeySequence(Qt::CTRL | Qt::Key_D), &TKVMainForm::MenuOpenDirClick);
    MenuAction->addSeparator();
    MenuQuit = addCommand(MenuAction, u"MenuQuit"_s, u"&Quit Kelvaro"_s, pic(P::Quit), {},
                          &TKVMainForm::MenuQuitClick);
    // No game is selected before the list shows one.
    MenuInfo->setEnabled(false);

    MenuList = MainMenuToolbar->addMenu(u"&List"_s);
    MenuList->setObjectName(u"MenuList"_s);
    MenuAddGame = addCommand(MenuList, u"MenuAddGame"_s, u"&Add Entry"_s, pic(P::AddEntry),
                             QKeySequence(Qt::CTRL | Qt::Key_A), &TKVMainForm::MenuAddGameClick);
    MenuEditIni = addCommand(MenuList, u"MenuEditIni"_s, u"&Edit Gamelists"_s, pic(P::EditLists),
                             QKeySequence(Qt::CTRL | Qt::Key_E), &TKVMainForm::MenuEditIniClick);
    MenuList->addSeparator();
    MenuRemoveSelGame =
        addCommand(MenuList, u"MenuRemoveSelGame"_s, u"Remove selected &Game"_s, pic(P::RemoveGame),
                   removeShortcut(), &TKVMainForm::MenuRemoveSelGameClick);
    MenuRemoveSelGame->setEnabled(false);
    MenuList->addSeparator();
    MenuSort = addCommand(MenuList, u"MenuSort"_s, u"&Sort List alphabetically"_s, pic(P::Sort),
                          QKeySequence(Qt::Key_F6), &TKVMainForm::MenuSortClick);
    MenuReread = addCommand(MenuList, u"MenuReread"_s, u"&Reread Kelvaro.ini"_s, pic(P::Reread),
                            QKeySequence(Qt::Key_F5), &TKVMainForm::MenuRereadClick);

    MenuView = MainMenuToolbar->addMenu(u"&View"_s);
    MenuView->setObjectName(u"MenuView"_s);
    MenuSkin = MenuView->addMenu(u"&Skin"_s);
    MenuSkin->setObjectName(u"MenuSkin"_s);
    auto *skins = new QActionGroup(MenuSkin);
    QAction *defaultSkin = MenuSkin->addAction(u"Default"_s);
    defaultSkin->setObjectName(u"MenuSkinDefault"_s);
    defaultSkin->setCheckable(true);
    defaultSkin->setChecked(true);
    skins->addAction(defaultSkin);

    auto *viewModes = new QActionGroup(MenuView);
    const QString modeNames[] = {u"MenuViewIcons"_s, u"MenuViewList"_s, u"MenuViewDetails"_s};
    const QString modeTexts[] = {u"&Icons"_s, u"&List"_s, u"&Details"_s};
    QAction *modeItems[3] = {};
    for (int mode = 0; mode < 3; ++mode) {
        QAction *item = MenuView->addAction(modeTexts[mode]);
        item->setObjectName(modeNames[mode]);
        item->setCheckable(true);
        item->setData(mode);
        viewModes->addAction(item);
        connect(item, &QAction::triggered, this,
                Guarded(m_prompter, [this, item] { PopupListChangeClick(item); }));
        modeItems[mode] = item;
    }
    MenuViewIcons = modeItems[0];
    MenuViewList = modeItems[1];
    MenuViewDetails = modeItems[2];

    MenuTools = MainMenuToolbar->addMenu(u"&Tools"_s);
    MenuTools->setObjectName(u"MenuTools"_s);
    MenuMintotray = addCommand(MenuTools, u"MenuMintotray"_s, u"&Minimize to Notification Area"_s,
                               pic(P::MinimizeToTray), QKeySequence(Qt::Key_F4),
                               &TKVMainForm::MenuMintotrayClick);
    MenuSettings = addCommand(MenuTools, u"MenuSettings"_s, u"&Settings"_s, pic(P::Settings),
                              QKeySequence(Qt::CTRL | Qt::Key_O), &TKVMainForm::MenuSettingsClick);

    MenuHelp = MainMenuToolbar->addMenu(u"&?"_s);
    MenuHelp->setObjectName(u"MenuHelp"_s);
    MenuAbout = addCommand(MenuHelp, u"MenuAbout"_s, u"&About"_s, pic(P::About), {},
                           &TKVMainForm::MenuAboutClick);
}

void TKVMainForm::createMainPanel()
{
    MainPanel = new QWidget(this);
    MainPanel->setObjectName(u"MainPanel"_s);
    auto *layout = new QVBoxLayout(MainPanel);
    layout->setContentsMargins(8, 8, 8, 7);
    layout->setSpacing(0);

    GameStatusListBox = new QListWidget(MainPanel);
    GameStatusListBox->setObjectName(u"GameStatusListBox"_s);
    QFont small = GameStatusListBox->font();
    small.setPixelSize(9);
    GameStatusListBox->setFont(small);
    GameStatusListBox->setFocusPolicy(Qt::NoFocus);
    GameStatusListBox->setSelectionMode(QAbstractItemView::NoSelection);
    GameStatusListBox->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    GameStatusListBox->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    GameStatusListBox->setUniformItemSizes(true);
    GameStatusListBox->setTextElideMode(Qt::ElideMiddle);
    GameStatusListBox->setFixedHeight(25);
    GameStatusListBox->addItems({u"Game-exe:"_s, u"Status:"_s});
    layout->addWidget(GameStatusListBox);
    layout->addSpacing(7);

    // The game list: the one place where its widget is made.
    GameListView = createGameList(MainPanel);
    layout->addWidget(GameListView, 1);
    layout->addSpacing(7);

    GameParametersEdit = new QLineEdit(MainPanel);
    GameParametersEdit->setObjectName(u"GameParametersEdit"_s);
    GameParametersEdit->setPlaceholderText(u"Enter Parameters"_s);
    layout->addWidget(GameParametersEdit);
    layout->addSpacing(4);

    StartButton = new QPushButton(u"Start selected Game"_s, MainPanel);
    StartButton->setObjectName(u"StartButton"_s);
    StartButton->setMinimumSize(121, 25);
    connect(StartButton, &QPushButton::clicked, this,
            Guarded(m_prompter, [this] { StartButtonClick(); }));
    auto *buttonRow = new QHBoxLayout;
    buttonRow->setContentsMargins(0, 0, 0, 0);
    buttonRow->addStretch(1);
    buttonRow->addWidget(StartButton);
    layout->addLayout(buttonRow);

    // The window is 240 wide at the least, wider where the status bar's fields need it
    // (the layouts take care of that); 220 high at the least.
    MainPanel->setMinimumWidth(240);
    setMinimumHeight(220);
    setCentralWidget(MainPanel);
}

TGameListView *TKVMainForm::createGameList(QWidget *parent)
{
    auto *view = new TGameListView(parent);
    // The list's views pass their context menu requests up to it.
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(view, &QWidget::customContextMenuRequested, this, [this, view](const QPoint &pos) {
        RunGuarded(m_prompter, [&] { ListPopup->popup(view->mapToGlobal(pos)); });
    });
    connect(view, &TGameListView::startRequested, this,
            Guarded(m_prompter, [this] { StartButtonClick(); }));
    // Ctrl+Del belongs to the rename editor while it is open.
    connect(view, &TGameListView::editingStarted, this,
            Guarded(m_prompter, [this] { setRenaming(true); }));
    connect(view, &TGameListView::editingFinished, this,
            Guarded(m_prompter, [this] { setRenaming(false); }));
    connect(view, &TGameListView::itemEdited, this, [this](int row, const QString &text) {
        RunGuarded(m_prompter, [&] { GameListViewEdited(row, text); });
    });
    return view;
}

void TKVMainForm::createCategoryBar()
{
    // The category bar: the one place where its widget is made. Its buttons come with
    // each rebuild.
    GameCatToolbar = new TCategoryBar(this);
    addToolBar(Qt::BottomToolBarArea, GameCatToolbar);
}

void TKVMainForm::createCatalogueViews()
{
    CatalogueViewsParts parts;
    parts.categoryBar = GameCatToolbar;
    parts.gameList = GameListView;
    parts.statusBox = GameStatusListBox;
    parts.trayMenu = TrayMenu;
    parts.removeGameItem = MenuRemoveSelGame;
    parts.removeGamePopupItem = PopupRemoveSelGame;
    parts.gameInfoItem = MenuInfo;
    parts.popupModeItems = {PopupIcons, PopupList, PopupDetails};
    parts.viewModeItems = {MenuViewIcons, MenuViewList, MenuViewDetails};

    CatalogueViewsHooks hooks;
    hooks.disableCMSGS = [this] { return DisableCMSGS; };
    hooks.defaultListMode = [this] { return DefaultListMode; };
    hooks.setDefaultListMode = [this](int mode) { DefaultListMode = mode; };
    // The Add Entry window's tree is refilled here once that window shows one.
    hooks.refillAddEntryTree = [] {};
    hooks.trayStart = [](TGame *) {
        // Starting a game from the notification-area menu comes with the launcher.
    };
    m_views = new TCatalogueViews(*this, parts, std::move(hooks), this);
}

void TKVMainForm::createStatusBar()
{
    StatusBar = statusBar();
    StatusBar->setObjectName(u"StatusBar"_s);
    // The window is resized by its border; a grip would take the room of the version.
    StatusBar->setSizeGripEnabled(false);

    // The three fields share one permanent item: the bar shows no passing messages,
    // and one layout of their own lets the window know how wide they need to be.
    StatusFields = new QWidget(StatusBar);
    StatusFields->setObjectName(u"StatusFields"_s);
    auto *row = new QHBoxLayout(StatusFields);
    row->setContentsMargins(0, 0, 2, 0);
    row->setSpacing(4);
    auto separator = [this] {
        auto *line = new QFrame(StatusFields);
        line->setFrameShape(QFrame::VLine);
        line->setFrameShadow(QFrame::Sunken);
        return line;
    };

    SBVersion = new QLabel(u"Version"_s, StatusFields);
    SBVersion->setObjectName(u"SBVersion"_s);
    SBTime = new QLabel(u"Time"_s, StatusFields);
    SBTime->setObjectName(u"SBTime"_s);
    SBTime->setAlignment(Qt::AlignCenter);
    SBTime->setMinimumWidth(65);
    SBDate = new QLabel(u"Date"_s, StatusFields);
    SBDate->setObjectName(u"SBDate"_s);
    SBDate->setAlignment(Qt::AlignCenter);
    for (QLabel *field : {SBVersion, SBTime, SBDate})
        field->setContentsMargins(2, 0, 2, 0);

    row->addWidget(SBVersion, 1);
    row->addWidget(separator());
    row->addWidget(SBTime);
    row->addWidget(separator());
    row->addWidget(SBDate);
    StatusBar->addPermanentWidget(StatusFields, 1);

    StatusTimer = new QTimer(this);
    StatusTimer->setObjectName(u"StatusTimer"_s);
    StatusTimer->setSingleShot(true);
    StatusTimer->setInterval(MinuteMs);
    connect(StatusTimer, &QTimer::timeout, this,
            Guarded(m_prompter, [this] { StatusTimerTimer(); }));
}

void TKVMainForm::createPopupMenus()
{
    using P = MenuPicture;

    TrayMenu = new QMenu(this);
    TrayMenu->setObjectName(u"TrayMenu"_s);
    TrayParametersField = new QLineEdit(TrayMenu);
    TrayParametersField->setObjectName(u"TrayParametersField"_s);
    TrayParametersField->setPlaceholderText(u"Enter Parameters"_s);
    TrayParametersEdit = new QWidgetAction(TrayMenu);
    TrayParametersEdit->setObjectName(u"TrayParametersEdit"_s);
    TrayParametersEdit->setDefaultWidget(TrayParametersField);
    TrayMenu->addAction(TrayParametersEdit);
    TrayMenu->addSeparator();
    TrayAddGame = addCommand(TrayMenu, u"TrayAddGame"_s, u"Add Entry"_s,
                             static_cast<int>(P::AddEntry), {}, &TKVMainForm::MenuAddGameClick);
    TrayEditList = addCommand(TrayMenu, u"TrayEditList"_s, u"Edit List"_s,
                              static_cast<int>(P::EditLists), {}, &TKVMainForm::MenuEditIniClick);
    TrayMenu->addSeparator();
    TrayRestore = addCommand(TrayMenu, u"TrayRestore"_s, u"Restore Kelvaro"_s,
                             static_cast<int>(P::Restore), {}, &TKVMainForm::TrayRestoreClick);
    TrayRestore->setVisible(false);
    TrayQuit = addCommand(TrayMenu, u"TrayQuit"_s, u"Quit Kelvaro"_s, static_cast<int>(P::Quit), {},
                          &TKVMainForm::TrayQuitClick);

    ListPopup = new QMenu(this);
    ListPopup->setObjectName(u"ListPopup"_s);
    auto *modes = new QActionGroup(ListPopup);
    const QString names[] = {u"PopupIcons"_s, u"PopupList"_s, u"PopupDetails"_s};
    const QString texts[] = {u"Icons"_s, u"List"_s, u"Details"_s};
    QAction *items[3] = {};
    for (int mode = 0; mode < 3; ++mode) {
        QAction *item = ListPopup->addAction(texts[mode]);
        item->setObjectName(names[mode]);
        item->setCheckable(true);
        item->setData(mode);
        modes->addAction(item);
        connect(item, &QAction::triggered, this,
                Guarded(m_prompter, [this, item] { PopupListChangeClick(item); }));
        items[mode] = item;
    }
    PopupIcons = items[0];
    PopupList = items[1];
    PopupDetails = items[2];
    ListPopup->addSeparator();
    PopupRemoveSelGame = addCommand(ListPopup, u"PopupRemoveSelGame"_s, u"Remove selected Game"_s,
                                    -1, {}, &TKVMainForm::MenuRemoveSelGameClick);
    PopupRemoveSelGame->setEnabled(false);
}

QMenu *TKVMainForm::createPopupMenu()
{
    // The bars cannot be hidden or rearranged: no menu of bars on a right click.
    return nullptr;
}

// ---- services ----

void TKVMainForm::setDialogs(TKVAddForm *addForm, TKVAboutForm *aboutForm,
                             TKVSettingsForm *settingsForm, TKVEditForm *editForm)
{
    m_addForm = addForm;
    m_aboutForm = aboutForm;
    m_settingsForm = settingsForm;
    m_editForm = editForm;
}

void TKVMainForm::setModalRunner(std::function<void(QDialog &)> runModal)
{
    m_runModal = std::move(runModal);
}

void TKVMainForm::setQuitRequest(std::function<void()> requestQuit)
{
    m_requestQuit = std::move(requestQuit);
}

void TKVMainForm::setTerminator(std::function<void()> terminate)
{
    m_terminate = std::move(terminate);
}

TRootList &TKVMainForm::rootList()
{
    return *RootList;
}

QString TKVMainForm::programDir() const
{
    return ProgramDir;
}

int TKVMainForm::autoSort() const
{
    return AutoSort;
}

Prompter &TKVMainForm::prompter()
{
    return m_prompter;
}

QObject *TKVMainForm::mainForm()
{
    return this;
}

QObject *TKVMainForm::addForm()
{
    return m_addForm;
}

void TKVMainForm::rebuildCategoryBar()
{
    RebuildCategoryBar();
}

void TKVMainForm::terminateApplication()
{
    if (m_terminate)
        m_terminate();
}

// ---- start-up, window states ----

void TKVMainForm::ApplyStartMode()
{
    // Both modes of the notification area start the window minimised until the
    // notification-area icon exists.
    if (EffectiveStartMode == 1 || EffectiveStartMode == 2)
        setWindowState(windowState() | Qt::WindowMinimized);
    show();
}

void TKVMainForm::RebuildCategoryBar()
{
    m_views->RebuildCategoryBar();
}

void TKVMainForm::readGameLists()
{
    m_views->readGameLists();
}

void TKVMainForm::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::ActivationChange) {
        RunGuarded(m_prompter, [this] {
            if (isActiveWindow())
                FormActivate();
            else
                FormDeactivate();
        });
    }
    QMainWindow::changeEvent(event);
}

void TKVMainForm::FormActivate()
{
    m_active = true;
    updateRemoveShortcut();
}

void TKVMainForm::FormDeactivate()
{
    m_active = false;
    updateRemoveShortcut();
}

void TKVMainForm::setRenaming(bool renaming)
{
    m_renaming = renaming;
    updateRemoveShortcut();
}

void TKVMainForm::updateRemoveShortcut()
{
    // Ctrl+Del removes a game only while this window is active and no name is being
    // edited, so that the key never deletes from the list while the user works in
    // another window or in the editor.
    MenuRemoveSelGame->setShortcut(m_active && !m_renaming ? removeShortcut() : QKeySequence());
}

void TKVMainForm::closeEvent(QCloseEvent *event)
{
    RunGuarded(m_prompter, [&] {
        if (MinTrayQuit == 1) {
            event->ignore();
            MenuMintotrayClick();
        } else {
            event->accept();
            MenuQuitClick();
        }
    });
}

bool TKVMainForm::nativeEvent(const QByteArray &eventType, void *message, qintptr *result)
{
    if (IsSystemMenuCommand(eventType, message, ResetPositionCommand)) {
        RunGuarded(m_prompter, [this] { ResetWindowPosition(); });
        *result = 0;
        return true;
    }
    return QMainWindow::nativeEvent(eventType, message, result);
}

void TKVMainForm::ResetWindowPosition()
{
    move(30, 30);
}

void TKVMainForm::MenuMintotrayClick()
{
    if (MinToTray != 1)
        MinToTray = 2;
    // Until the notification-area icon exists, the window goes to the taskbar.
    setWindowState(windowState() | Qt::WindowMinimized);
}

void TKVMainForm::TrayRestoreClick()
{
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
    TrayRestore->setVisible(false);
    if (MinToTray == 2)
        MinToTray = 0;
}

void TKVMainForm::MenuQuitClick()
{
    if (m_requestQuit)
        m_requestQuit();
}

void TKVMainForm::TrayQuitClick()
{
    MenuQuitClick();
}

void TKVMainForm::QuitTasks()
{
    // Nothing to save yet: the settings store and the notification-area icon take
    // their part here.
}

void TKVMainForm::fitStatusFields()
{
    // The status bar does not pass its fields' needs on to the window by itself. Its
    // own margins come on top of the fields.
    constexpr int BarMargins = 2;
    StatusBar->setMinimumWidth(StatusFields->minimumSizeHint().width() + BarMargins);
}

void TKVMainForm::StatusTimerTimer()
{
    const QLocale locale;
    SBTime->setText(locale.toString(QTime::currentTime(), clockFormat(locale)));
    SBDate->setText(locale.toString(QDate::currentDate(), QLocale::ShortFormat));
    fitStatusFields();
    StatusTimer->start(msecsToNextMinute());
}

// ---- commands ----

void TKVMainForm::StartButtonClick()
{
    // Starting the selected game comes with the launcher.
}

void TKVMainForm::MenuInfoClick()
{
    // The game's information comes with the launcher; no game can be selected yet.
}

void TKVMainForm::MenuOpenDirClick()
{
    // Opening the game's directory comes with the launcher; no game can be selected yet.
}

void TKVMainForm::MenuRemoveSelGameClick()
{
    m_views->MenuRemoveSelGameClick();
}

void TKVMainForm::MenuSortClick()
{
    m_views->MenuSortClick();
}

void TKVMainForm::MenuRereadClick()
{
    m_views->MenuRereadClick();
}

void TKVMainForm::GameListViewEdited(int row, const QString &text)
{
    m_views->GameListViewEdited(row, text);
}

void TKVMainForm::GameListViewChange()
{
    m_views->GameListViewChange();
}

void TKVMainForm::showModeless(QWidget *window)
{
    if (!window)
        return;
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    window->activateWindow();
}

void TKVMainForm::MenuAddGameClick()
{
    showModeless(m_addForm);
}

void TKVMainForm::MenuSettingsClick()
{
    showModeless(m_settingsForm);
}

void TKVMainForm::MenuEditIniClick()
{
    if (m_editForm)
        m_runModal(*m_editForm);
}

void TKVMainForm::MenuAboutClick()
{
    if (m_aboutForm)
        m_runModal(*m_aboutForm);
}

void TKVMainForm::PopupListChangeClick(QAction *item)
{
    m_views->PopupListChangeClick(item->data().toInt());
}
