#include "settings/KVAboutUnit.h"

#include "widgets/MenuIcons.h"

TKVAboutForm::TKVAboutForm(Prompter &prompter, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      m_prompter(prompter)
{
    setObjectName(QStringLiteral("KVAboutForm"));
    setWindowTitle(QStringLiteral("About Kelvaro"));
    setWindowIcon(MenuIcon(MenuPicture::About));
    setModal(true);
    setFixedSize(262, 271);
}
