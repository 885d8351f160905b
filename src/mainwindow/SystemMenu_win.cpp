#include "mainwindow/SystemMenu.h"

#include <QString>
#include <QWidget>

#include <qt_windows.h>

bool InsertSystemMenuCommand(QWidget &window, int command, const QString &text)
{
    const auto handle = reinterpret_cast<HWND>(window.winId());
    HMENU menu = GetSystemMenu(handle, FALSE);
    if (!menu)
        return false;
    const std::wstring caption = text.toStdWString();
    return InsertMenuW(menu, 0, MF_BYPOSITION | MF_STRING, static_cast<UINT_PTR>(command),
                       caption.c_str()) != 0;
}

bool IsSystemMenuCommand(const QByteArray &eventType, void *message, int command)
{
    if (eventType != "windows_generic_MSG")
        return false;
    const auto *msg = static_cast<const MSG *>(message);
    return msg->message == WM_SYSCOMMAND && msg->wParam == static_cast<WPARAM>(command);
}
