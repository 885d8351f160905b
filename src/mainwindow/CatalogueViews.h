#pragma once

#include <QObject>

#include <array>
#include <functional>

class CatalogueHost;
class QAction;
class QListWidget;
class QMenu;
class TCategoryBar;
class TGame;
class TGameList;
class TGameListView;

// The controls of the main window that show the catalogue. Any of them may be null
// (a window under construction, a test of one part).
struct CatalogueViewsParts
{
    TCategoryBar *categoryBar = nullptr; // GameCatToolbar
    TGameListView *gameList = nullptr;   // GameListView
    QListWidget *statusBox = nullptr;    // GameStatusListBox
    // TrayMenu: its catalogue items stand before its seven fixed items.
    QMenu *trayMenu = nullptr;
    // Enabled exactly while a row is selected.
    QAction *removeGameItem = nullptr;      // "Remove selected &Game" (List menu)
    QAction *removeGamePopupItem = nullptr; // "Remove selected Game" (list pop-up menu)
    QAction *gameInfoItem = nullptr;        // "&Game Info"
    // The view-mode items "Icons", "List", "Details" of the list pop-up menu and of
    // the View menu, in mode order; the one of the shown mode is checked.
    std::array<QAction *, 3> popupModeItems{};
    std::array<QAction *, 3> viewModeItems{};
};

// What the views need from the window around them: its settings fields and the
// commands that are not theirs. Empty functions count as 0 and as doing nothing.
struct CatalogueViewsHooks
{
    std::function<int()> disableCMSGS;
    std::function<int()> defaultListMode;
    std::function<void(int)> setDefaultListMode;
    // Refills the Add Entry window's tree when that window is visible.
    std::function<void()> refillAddEntryTree;
    // Starts a game from the notification-area menu (TrayStart).
    std::function<void(TGame *)> trayStart;
};

// Shows the catalogue in the main window: the category bar, the game list, the status
// box and the catalogue items of the notification-area menu, and carries out the
// commands of the game list (rename, remove, sort, re-read). The window owns one,
// connects its own handlers of the same names to these methods, and calls
// RebuildCategoryBar from its CatalogueHost::rebuildCategoryBar.
//
// The bar's clicks and the list's changes are connected here already, since neither
// can fail. GameListViewEdited can: the window connects the list's itemEdited to it
// through its handler boundary, which shows an uncaught error.
//
// The buttons, the rows and the menu items refer to catalogue entries. Whatever frees
// entries (a read, the Edit Gamelists dialog copying its working copy in) must let the
// views go of them first (releaseCatalogue, or readGameLists which does it), so that
// nothing drawn in between, say under an error box, reaches a freed entry.
class TCatalogueViews : public QObject
{
    Q_OBJECT

public:
    TCatalogueViews(CatalogueHost &host, const CatalogueViewsParts &parts,
                    CatalogueViewsHooks hooks, QObject *parent = nullptr);

    // The category whose games the list shows (nullptr before the first rebuild and
    // while the views have let go of the catalogue), and the position of its button.
    TGameList *ShownList() const { return m_shownList; }
    int ShownButtonIndex() const { return m_shownButtonIndex; }

    // Rebuilds the bar, the list, the status box and the catalogue items of the
    // notification-area menu from the catalogue in memory, then shows the first button.
    void RebuildCategoryBar();
    // Shows the category of the button at the position (after the bar's own toggle).
    void CatBtnClick(int index);
    // View mode 0 icons, 1 list, 2 details: ticks the items of both menus, sets the
    // list's mode and stores the mode in DefaultListMode. Other values mean 1.
    void PopupListChangeClick(int mode);
    // The status box and the three items for the selected row.
    void GameListViewChange();
    // Renames the row's game to the text as typed, saves the shown list and shows it
    // again. A failed save raises KelvaroError and leaves the new name in memory.
    void GameListViewEdited(int row, const QString &text);
    void MenuRemoveSelGameClick();
    void MenuSortClick();
    void MenuRereadClick();

    // ReadGameLists, with the views letting go of the entries first.
    void readGameLists();
    // Frees every item that refers to catalogue entries: the catalogue items of the
    // notification-area menu, the buttons, the rows.
    void releaseCatalogue();
    // After the catalogue was read again: clicks the button at the position and
    // selects the row at the position, if the list has one (-1: none). When the bar
    // now has fewer buttons, its last button is clicked. A button that is pressed
    // already stays pressed: its category is shown again.
    void reshow(int buttonIndex, int row);

private:
    int setting(const std::function<int()> &getter) const;

    CatalogueHost &m_host;
    CatalogueViewsParts m_parts;
    CatalogueViewsHooks m_hooks;
    TGameList *m_shownList = nullptr;
    int m_shownButtonIndex = 0;
};
