#pragma once

#include <QString>

#include <functional>

class QMenu;
class TGame;
class TGameList;

// Starts the game that a menu item refers to (the window's TrayStart).
using TrayStartFunction = std::function<void(TGame *)>;

// The number of fixed items at the end of the notification-area menu (the parameters
// field, a separator, "Add Entry", "Edit List", a separator, "Restore Kelvaro" and
// "Quit Kelvaro"); the catalogue items stand before them.
inline constexpr int TrayFixedItemCount = 7;

// Adds one item per entry of `list` to `parent`, in list order, at the positions 0, 1,
// ... so that at the top level of a menu they stand before the items already there.
// A game becomes an item whose click calls `start` with the game; a category becomes
// a submenu holding its entries in the same way, to any depth. Captions show the
// entry's name as it stands (every "&" doubled); pictures are the entries' 16x16
// icons.
//
// The entries of a submenu are added when the submenu first opens, so a catalogue of
// any size costs one item per entry of `list` here. The items refer to the entries:
// free them (FreeTrayCatalogueItems) before the catalogue frees the entries.
void FillTrayMenu(QMenu &parent, TGameList &list, const TrayStartFunction &start);

// Frees every item that stands before the last `fixedItems` items of the menu,
// submenus with everything they hold. A menu of `fixedItems` items or fewer keeps
// them all.
void FreeTrayCatalogueItems(QMenu &menu, int fixedItems = TrayFixedItemCount);

// The caption of a menu item that shows `name` as it stands.
QString TrayCaption(const QString &name);
