#pragma once

#include <QDialog>

class Prompter;

// The Edit Gamelists dialog: edits the whole catalogue as a tree. Modal, with a
// taskbar button of its own; not owned by the main window.
class TKVEditForm : public QDialog
{
    Q_OBJECT

public:
    explicit TKVEditForm(Prompter &prompter, QWidget *parent = nullptr);

    Prompter &prompter() const { return m_prompter; }

private:
    Prompter &m_prompter;
};
