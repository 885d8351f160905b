#pragma once

#include <QIcon>
#include <QList>

// The pictures of the main window's menu commands, shared with the windows that take
// their icon from the command that opens them. The order is that of the menu icon
// list: the index of each picture is fixed.
enum class MenuPicture {
    StartGame = 0,
    GameInfo = 1,
    OpenDirectory = 2,
    Quit = 3,
    AddEntry = 4,
    EditLists = 5,
    RemoveGame = 6,
    Sort = 7,
    Reread = 8,
    MinimizeToTray = 9,
    Settings = 10,
    About = 11,
    Restore = 12,
};

inline constexpr int MenuPictureCount = 13;

// The picture at its index (scalable; crisp at every size and pixel ratio).
QIcon MenuIcon(MenuPicture picture);
// All pictures in index order.
QList<QIcon> MenuIconList();
// Kelvaro's own icon: the main window's and the application's.
QIcon KelvaroIcon();
// The resource path of a picture's drawing, for tests and for other image users.
QString MenuPicturePath(MenuPicture picture);
QString KelvaroIconPath();
