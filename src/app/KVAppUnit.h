#pragma once

#include <QWidget>

#include <functional>

// The hidden application form: created first, never shown. Every quit request of the
// program reaches it; it runs the main window's QuitTasks and then ends the
// application. Hiding, minimising or closing any other window never ends the run.
class TKVAppForm : public QWidget
{
    Q_OBJECT

public:
    // `exitApplication` ends the run with the given code; by default it leaves the
    // event loop once the events already waiting are handled.
    explicit TKVAppForm(std::function<void(int)> exitApplication = {});

    // The work done at quit; the main window hands in its QuitTasks.
    void setQuitTasks(std::function<void()> quitTasks);

    // A quit request: QuitTasks, then the end of the application with exit code 0.
    void requestQuit();

    // The form is never shown.
    void setVisible(bool visible) override;

    // Leaves the event loop with `code` once the events already waiting are handled.
    // Posted as an event, so a request made before the loop runs ends it when it starts.
    static void exitLater(int code);

private:
    std::function<void(int)> m_exitApplication;
    std::function<void()> m_quitTasks;
};
