#include "settings/KVSettingsUnit.h"

#include "widgets/MenuIcons.h"

TKVSettingsForm::TKVSettingsForm(Prompter &prompter, QWidget *parent)
    : QDialog(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      m_prompter(prompter)
{
    setObjectName(QStringLiteral("KVSettingsForm"));
    setWindowTitle(QStringLiteral("Settings"));
    setWindowIcon(MenuIcon(MenuPicture::Settings));
    setFixedSize(513, 311);
}
