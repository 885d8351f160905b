#include "mainwindow/SystemMenu.h"

// The window managers of X11 and Wayland own the window menu; programs cannot add to it.

bool InsertSystemMenuCommand(QWidget &, int, const QString &)
{
    return false;
}

bool IsSystemMenuCommand(const QByteArray &, void *, int)
{
    return false;
}
