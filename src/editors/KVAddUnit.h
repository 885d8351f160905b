#pragma once

#include <QDialog>

class Prompter;

// The Add Entry dialog: adds one game or category at a time. It is modeless, has a
// taskbar button of its own and is not owned by the main window.
class TKVAddForm : public QDialog
{
    Q_OBJECT

public:
    explicit TKVAddForm(Prompter &prompter, QWidget *parent = nullptr);

    Prompter &prompter() const { return m_prompter; }

private:
    Prompter &m_prompter;
};
