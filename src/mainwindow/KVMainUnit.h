#pragma once

#include "catalogue/CatalogueIO.h"

#include <QIcon>
#include <QKeySequence>
#include <QList>
#include <QMainWindow>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class Prompter;
class QAction;
class QActionGroup;
class QDialog;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QMenuBar;
class QPushButton;
class QStatusBar;
class QTimer;
class QWidgetAction;
class TCatalogueViews;
class TCategoryBar;
class TGameListView;
class TKVAboutForm;
class TKVAddForm;
class TKVEditForm;
class TKVSettingsForm;

// The main window: the menus, the status box, the game list of the shown category,
// the parameters field and the Start button, the category bar and the status bar. It
// owns the catalogue and is the catalogue routines' host.
class TKVMainForm : public QMainWindow, public CatalogueHost
{
    Q_OBJECT

public:
    // What the program hands the main window when it creates it.
    struct Setup
    {
        // The directory of the catalogue's root list file, with a trailing separator.
        QString programDir;
        // The start mode the command line asks for; none: the stored StartMode.
        std::optional<int> startModeOverride;
    };

    TKVMainForm(Prompter &prompter, Setup setup, QWidget *parent = nullptr);
    ~TKVMainForm() override;

    // The dialogs, created after the main window; their commands do nothing until set.
    void setDialogs(TKVAddForm *addForm, TKVAboutForm *aboutForm, TKVSettingsForm *settingsForm,
                    TKVEditForm *editForm);
    // How a modal window is opened: by default it runs until it is closed. Tests hand
    // in their own.
    void setModalRunner(std::function<void(QDialog &)> runModal);
    // Where the quit commands go: the application form, which runs QuitTasks and ends
    // the application. Until set, they do nothing.
    void setQuitRequest(std::function<void()> requestQuit);
    // How the application is told to terminate; by default it leaves the event loop
    // once the events already waiting are handled, with exit code 1.
    void setTerminator(std::function<void()> terminate);

    // CatalogueHost
    TRootList &rootList() override;
    QString programDir() const override;
    int autoSort() const override;
    Prompter &prompter() override;
    QObject *mainForm() override;
    QObject *addForm() override;
    void rebuildCategoryBar() override;
    void terminateApplication() override;

    // The end of start-up: shows the window according to EffectiveStartMode.
    void ApplyStartMode();

    // Handlers of the window's commands.
    void StartButtonClick();
    void MenuInfoClick();
    void MenuOpenDirClick();
    void MenuQuitClick();
    void MenuAddGameClick();
    void MenuEditIniClick();
    void MenuRemoveSelGameClick();
    void MenuSortClick();
    void MenuRereadClick();
    // The item's data is the view mode: 0 icons, 1 list, 2 details.
    void PopupListChangeClick(QAction *item);
    // A rename in the game list was accepted with this text.
    void GameListViewEdited(int row, const QString &text);
    // The game list's rows or selection changed.
    void GameListViewChange();
    void MenuMintotrayClick();
    void MenuSettingsClick();
    void MenuAboutClick();
    void TrayRestoreClick();
    void TrayQuitClick();
    void ResetWindowPosition();
    void StatusTimerTimer();
    void FormActivate();
    void FormDeactivate();
    // The work done when the application quits; run by the application form.
    void QuitTasks();
    // Rebuilds the category bar, the game list and the catalogue part of the
    // notification-area menu from RootList.
    void RebuildCategoryBar();
    // Reads the catalogue again (ReadGameLists), the views letting go of the entries
    // before they are freed.
    void readGameLists();
    // The views of the catalogue: the bar, the list, the status box, the tray items.
    TCatalogueViews &catalogueViews() { return *m_views; }
    // While the name of a game is edited in place, Ctrl+Del belongs to the editor.
    void setRenaming(bool renaming);

    // State
    QString ProgramDir;
    std::unique_ptr<TRootList> RootList;
    bool TrayIconShown = false;
    QString VersionText;
    QString BuildText;
    int EffectiveStartMode = 0;
    QString TrayIconFile;
    QList<QIcon> MenuIconList;

    // Settings, at their defaults until the settings store is read.
    int StartMode = 0;
    int DisableCMSGS = 0;
    int MinToTray = 0;
    int MinTrayQuit = 0;
    int SaveWindowPos = 1;
    int AutoSort = 0;
    int DefaultListMode = 1;
    int SavedTop = 100;
    int SavedLeft = 100;
    int SavedHeight = 471;
    int SavedWidth = 265;
    int SavedState = 0;
    int NameColumnWidth = 100;
    int FileColumnWidth = 200;
    int ParameterColumnWidth = 200;
    int ListIconViewStyle = 0;
    int ListIconWrapText = 1;
    int ATray = 0;

    // The command number of "Reset Window Position" in the window's system menu.
    static constexpr int ResetPositionCommand = 1026;
    // No menu of the window's bars: they cannot be hidden or rearranged.
    QMenu *createPopupMenu() override;

    // The shortcut of "Remove selected &Game" while it is available.
    static QKeySequence removeShortcut();

    // Menus and their commands
    QMenuBar *MainMenuToolbar = nullptr;
    QMenu *MenuAction = nullptr;
    QAction *MenuStartGame = nullptr;
    QAction *MenuInfo = nullptr;
    QAction *MenuOpenDir = nullptr;
    QAction *MenuQuit = nullptr;
    QMenu *MenuList = nullptr;
    QAction *MenuAddGame = nullptr;
    QAction *MenuEditIni = nullptr;
    QAction *MenuRemoveSelGame = nullptr;
    QAction *MenuSort = nullptr;
    QAction *MenuReread = nullptr;
    QMenu *MenuView = nullptr;
    QMenu *MenuSkin = nullptr;
    QAction *MenuViewIcons = nullptr;
    QAction *MenuViewList = nullptr;
    QAction *MenuViewDetails = nullptr;
    QAction *MenuResetPosition = nullptr; // only where the system menu cannot hold it
    QMenu *MenuTools = nullptr;
    QAction *MenuMintotray = nullptr;
    QAction *MenuSettings = nullptr;
    QMenu *MenuHelp = nullptr;
    QAction *MenuAbout = nullptr;

    // Controls
    QWidget *MainPanel = nullptr;
    QListWidget *GameStatusListBox = nullptr;
    TGameListView *GameListView = nullptr;
    QLineEdit *GameParametersEdit = nullptr;
    QPushButton *StartButton = nullptr;
    TCategoryBar *GameCatToolbar = nullptr;
    QStatusBar *StatusBar = nullptr;
    QWidget *StatusFields = nullptr;
    QLabel *SBVersion = nullptr;
    QLabel *SBTime = nullptr;
    QLabel *SBDate = nullptr;
    QTimer *StatusTimer = nullptr;

    // The notification-area menu with its fixed items
    QMenu *TrayMenu = nullptr;
    QWidgetAction *TrayParametersEdit = nullptr;
    QLineEdit *TrayParametersField = nullptr;
    QAction *TrayAddGame = nullptr;
    QAction *TrayEditList = nullptr;
    QAction *TrayRestore = nullptr;
    QAction *TrayQuit = nullptr;

    // The game list's pop-up menu
    QMenu *ListPopup = nullptr;
    QAction *PopupIcons = nullptr;
    QAction *PopupList = nullptr;
    QAction *PopupDetails = nullptr;
    QAction *PopupRemoveSelGame = nullptr;

protected:
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool nativeEvent(const QByteArray &eventType, void *message, qintptr *result) override;

private:
    void FormCreate();
    void LoadSettings();
    void createMenus();
    void createMainPanel();
    TGameListView *createGameList(QWidget *parent);
    void createCategoryBar();
    void createCatalogueViews();
    void createStatusBar();
    void createPopupMenus();
    void fitStatusFields();
    void updateRemoveShortcut();
    QAction *addCommand(QMenu *menu, const QString &objectName, const QString &text, int picture,
                        const QKeySequence &shortcut, void (TKVMainForm::*handler)());
    void showModeless(QWidget *window);

    Prompter &m_prompter;
    TKVAddForm *m_addForm = nullptr;
    TKVAboutForm *m_aboutForm = nullptr;
    TKVSettingsForm *m_settingsForm = nullptr;
    TKVEditForm *m_editForm = nullptr;
    std::function<void()> m_requestQuit;
    std::function<void(QDialog &)> m_runModal;
    std::function<void()> m_terminate;
    std::optional<int> m_startModeOverride;
    bool m_active = false;
    bool m_renaming = false;
    TCatalogueViews *m_views = nullptr;
};
