#include "editors/KVEditUnit.h"

#include "widgets/MenuIcons.h"

TKVEditForm::TKVEditForm(Prompter &prompter, QWidget *parent)
    : QDialog(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint),
      m_prompter(prompter)
{
    setObjectName(QStringLiteral("KVEditForm"));
    setWindowTitle(QStringLiteral("Edit Gamelist"));
    setWindowIcon(MenuIcon(MenuPicture::EditLists));
    setModal(true);
    resize(890, 434);
    setMinimumSize(890, 434);
}
