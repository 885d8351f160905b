#pragma once

#include <QDialog>

class Prompter;

// The About box. Modal.
class TKVAboutForm : public QDialog
{
    Q_OBJECT

public:
    explicit TKVAboutForm(Prompter &prompter, QWidget *parent = nullptr);

    Prompter &prompter() const { return m_prompter; }

private:
    Prompter &m_prompter;
};
