#include "widgets/MenuIcons.h"

#include <QString>

#include <array>

using namespace Qt::StringLiterals;

namespace {

constexpr std::array<const char16_t *, MenuPictureCount> FileNames = {
    u"start-game", u"game-info",   u"open-directory", u"quit",   u"add-entry",
    u"edit-lists", u"remove-game", u"sort",           u"reread", u"minimize-to-tray",
    u"settings",   u"about",       u"restore",
};

} // namespace

QString MenuPicturePath(MenuPicture picture)
{
    return u":/ui/"_s + QString::fromUtf16(FileNames.at(static_cast<size_t>(picture))) + u".svg"_s;
}

QString KelvaroIconPath()
{
    return u":/ui/kelvaro.svg"_s;
}

QIcon MenuIcon(MenuPicture picture)
{
    return QIcon(MenuPicturePath(picture));
}

QList<QIcon> MenuIconList()
{
    QList<QIcon> icons;
    icons.reserve(MenuPictureCount);
    for (int i = 0; i < MenuPictureCount; ++i)
        icons.append(MenuIcon(static_cast<MenuPicture>(i)));
    return icons;
}

QIcon KelvaroIcon()
{
    return QIcon(KelvaroIconPath());
}
