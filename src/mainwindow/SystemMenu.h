#pragma once

#include <QByteArray>

class QString;
class QWidget;

// A command of the window's own system menu (the menu behind its icon in the title
// bar), where the window system has one that programs may extend: on Windows.

// Inserts the command at the top of the window's system menu. False where the window
// system offers no such menu; the caller then offers the command elsewhere.
bool InsertSystemMenuCommand(QWidget &window, int command, const QString &text);

// True when the native event of the window is the choice of that command.
bool IsSystemMenuCommand(const QByteArray &eventType, void *message, int command);
