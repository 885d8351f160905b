#pragma once

#include "platform/Prompter.h"

class QWidget;

// The program's Prompter: message boxes, questions, file and colour dialogs of Qt
// Widgets. A box is placed over its owner while the owner is on screen; a box without
// an owner, or whose owner is hidden, stands on its own.
class WidgetPrompter : public Prompter
{
public:
    void message(QObject *owner, const QString &caption, const QString &text,
                 Icon icon = Icon::None) override;
    bool question(QObject *owner, const QString &caption, const QString &text) override;
    void showError(const QString &text) override;
    QString openFile(QObject *owner, const QString &caption, const QString &filter,
                     const QString &fileName = {}) override;
    QString saveFile(QObject *owner, const QString &caption, const QString &filter,
                     const QString &fileName = {}) override;
    std::optional<QColor> chooseColor(QObject *owner, const QColor &initial) override;

    // The text as a box shows it: the line breaks of the program's messages (line feed
    // followed by carriage return) and those of other sources become single breaks.
    static QString displayText(const QString &text);
    // The widget that a box of this owner is placed over, or nullptr.
    static QWidget *parentFor(QObject *owner);
};
