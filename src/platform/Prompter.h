#pragma once

#include <QColor>
#include <QString>

#include <optional>

class QObject;

// Every message box, question and file or colour dialog of the program goes through
// this interface. The program uses the widget implementation; tests hand in a fake
// that answers from a script and records owner, caption and text.
//
// The owner is the window that owns the box (nullptr: the hidden application form).
// It is a QObject so that non-GUI code can name a window without knowing widgets;
// every window carries its instance name ("KVMainForm", "KVAddForm", ...) as its
// objectName.
class Prompter
{
public:
    enum class Icon { None, Information, Warning, Critical };

    virtual ~Prompter() = default;

    // A message box with only an OK button.
    virtual void message(QObject *owner, const QString &caption, const QString &text,
                         Icon icon = Icon::None) = 0;

    // A Yes/No question; true for Yes.
    virtual bool question(QObject *owner, const QString &caption, const QString &text) = 0;

    // The application's standard error box for an error that a handler did not catch.
    virtual void showError(const QString &text) = 0;

    // Common file dialogs; an empty result means the user cancelled.
    virtual QString openFile(QObject *owner, const QString &caption, const QString &filter,
                             const QString &fileName = {}) = 0;
    virtual QString saveFile(QObject *owner, const QString &caption, const QString &filter,
                             const QString &fileName = {}) = 0;

    // The colour dialog; nullopt when the user cancelled.
    virtual std::optional<QColor> chooseColor(QObject *owner, const QColor &initial) = 0;
};
