#pragma once

#include <QDialog>

class Prompter;

// The Settings dialog. Modeless, with a taskbar button of its own; not owned by the
// main window.
class TKVSettingsForm : public QDialog
{
    Q_OBJECT

public:
    explicit TKVSettingsForm(Prompter &prompter, QWidget *parent = nullptr);

    Prompter &prompter() const { return m_prompter; }

private:
    Prompter &m_prompter;
};
