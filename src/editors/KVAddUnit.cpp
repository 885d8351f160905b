#include "editors/KVAddUnit.h"

#include "widgets/MenuIcons.h"

TKVAddForm::TKVAddForm(Prompter &prompter, QWidget *parent)
    : QDialog(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      m_prompter(prompter)
{
    setObjectName(QStringLiteral("KVAddForm"));
    setWindowTitle(QStringLiteral("Add Entry..."));
    setWindowIcon(MenuIcon(MenuPicture::AddEntry));
    setFixedSize(706, 378);
}
