#include "mainwindow/CatalogueViews.h"

#include "catalogue/CatalogueIO.h"
#include "catalogue/GameClasses.h"
#include "mainwindow/CategoryBar.h"
#include "mainwindow/GameListModel.h"
#include "mainwindow/GameListView.h"
#include "mainwindow/TrayMenu.h"
#include "platform/Prompter.h"

#include <QAction>
#include <QFileInfo>
#include <QListWidget>
#include <QMenu>

using namespace Qt::StringLiterals;

namespace {
// Line breaks in message texts are line feed, carriage return, in that order.
const QString LineBreak = u"\n\r"_s;
} // namespace

TCatalogueViews::TCatalogueViews(CatalogueHost &host, const CatalogueViewsParts &parts,
                                 CatalogueViewsHooks hooks, QObject *parent)
    : QObject(parent), m_host(host), m_parts(parts), m_hooks(std::move(hooks))
{
    if (m_parts.categoryBar)
        connect(m_parts.categoryBar, &TCategoryBar::clicked, this, &TCatalogueViews::CatBtnClick);
    if (m_parts.gameList)
        connect(m_parts.gameList, &TGameListView::changed, this,
                &TCatalogueViews::GameListViewChange);
}

int TCatalogueViews::setting(const std::function<int()> &getter) const
{
    return getter ? getter() : 0;
}

void TCatalogueViews::releaseCatalogue()
{
    if (m_parts.trayMenu)
        FreeTrayCatalogueItems(*m_parts.trayMenu);
    if (m_parts.categoryBar)
        m_parts.categoryBar->clear();
    if (m_parts.gameList)
        m_parts.gameList->setList(nullptr);
    m_shownList = nullptr;
}

void TCatalogueViews::RebuildCategoryBar()
{
    TRootList &root = m_host.rootList();

    releaseCatalogue();
    if (m_parts.trayMenu)
        FillTrayMenu(*m_parts.trayMenu, root, m_hooks.trayStart);

    if (m_parts.statusBox) {
        m_parts.statusBox->clear();
        m_parts.statusBox->addItems({u"Game-exe:"_s, u"Status:"_s});
    }

    if (TCategoryBar *bar = m_parts.categoryBar) {
        bar->addButton(u"Default"_s, &root);
        int categories = 0;
        for (const auto &entry : root.Entries) {
            auto *category = dynamic_cast<TGameList *>(entry.get());
            if (!category)
                continue;
            ++categories;
            // A category without icon location shows its name only.
            bar->addButton(category->Name, category,
                           category->IconLocation.isEmpty() ? QIcon() : LazyEntryIcon(*category));
        }
        // Counted here rather than taken from CategoryCount, which only some of the
        // list operations keep up to date.
        if (categories > 0 && categories == root.Count())
            bar->removeButton(0);
    }

    if (m_hooks.refillAddEntryTree)
        m_hooks.refillAddEntryTree();

    if (m_parts.categoryBar)
        m_parts.categoryBar->click(0);
}

void TCatalogueViews::CatBtnClick(int index)
{
    TSpTBXItemHover *button = m_parts.categoryBar ? m_parts.categoryBar->button(index) : nullptr;
    if (!button)
        return;
    if (m_parts.gameList)
        m_parts.gameList->setList(button->list());
    m_shownList = button->list();
    m_shownButtonIndex = index;
    PopupListChangeClick(setting(m_hooks.defaultListMode));
}

void TCatalogueViews::PopupListChangeClick(int mode)
{
    if (mode < TGameListView::IconsMode || mode > TGameListView::DetailsMode)
        mode = TGameListView::ListMode;
    for (const auto *items : {&m_parts.popupModeItems, &m_parts.viewModeItems}) {
        for (size_t i = 0; i < items->size(); ++i) {
            if (QAction *item = (*items)[i]; item && static_cast<int>(i) != mode)
                item->setChecked(false);
        }
        if (QAction *item = (*items)[static_cast<size_t>(mode)])
            item->setChecked(true);
    }
    if (m_parts.gameList)
        m_parts.gameList->setViewMode(mode);
    if (m_hooks.setDefaultListMode)
        m_hooks.setDefaultListMode(mode);
}

void TCatalogueViews::GameListViewChange()
{
    const TGame *game = m_parts.gameList ? m_parts.gameList->selectedGame() : nullptr;
    for (QAction *item :
         {m_parts.removeGameItem, m_parts.removeGamePopupItem, m_parts.gameInfoItem}) {
        if (item)
            item->setEnabled(game != nullptr);
    }
    if (!game || !m_parts.statusBox)
        return;
    m_parts.statusBox->clear();
    m_parts.statusBox->addItem(u"Game-exe: "_s + game->FileName);
    const bool exists = !game->FileName.isEmpty() && QFileInfo::exists(game->FileName);
    m_parts.statusBox->addItem(exists ? u"Status: Ready"_s : u"Status: File not found"_s);
}

void TCatalogueViews::GameListViewEdited(int row, const QString &text)
{
    if (!m_parts.gameList || !m_shownList)
        return;
    TGame *game = m_parts.gameList->model()->gameAt(row);
    if (!game)
        return;
    const int buttonIndex = m_shownButtonIndex;
    const int selectedRow = m_parts.gameList->currentRow();

    game->Name = text;
    m_parts.gameList->model()->refreshRow(row);
    // Not caught here: a failed save ends the command with the error shown, the new
    // name kept in memory.
    m_shownList->Save(m_host.programDir());
    RebuildCategoryBar();
    reshow(buttonIndex, selectedRow);
}

void TCatalogueViews::MenuRemoveSelGameClick()
{
    if (!m_parts.gameList || !m_shownList)
        return;
    const int buttonIndex = m_shownButtonIndex;
    const int selectedRow = m_parts.gameList->currentRow();
    TGame *game = m_parts.gameList->selectedGame();
    if (!game)
        return;
    if (setting(m_hooks.disableCMSGS) != 1 &&
        !m_host.prompter().question(m_host.mainForm(), u"Are you sure?"_s,
                                    u"Delete "_s + game->Name + u"?"_s))
        return;
    RemoveEntryAndSave(m_host, *m_shownList, game);
    readGameLists();
    reshow(buttonIndex, selectedRow);
}

void TCatalogueViews::MenuSortClick()
{
    if (!m_shownList)
        return;
    const int buttonIndex = m_shownButtonIndex;
    if (setting(m_hooks.disableCMSGS) != 1 &&
        !m_host.prompter().question(
            m_host.mainForm(), u"Warning"_s,
            u"Sort Gamelist:"_s + LineBreak + LineBreak +
                u"This feature can only be used if all entries have unique names!"_s + LineBreak +
                u"Is this condition fulfilled in your case?"_s))
        return;
    SortAndSave(m_host, *m_shownList);
    readGameLists();
    reshow(buttonIndex, -1);
}

void TCatalogueViews::MenuRereadClick()
{
    readGameLists();
}

void TCatalogueViews::readGameLists()
{
    releaseCatalogue();
    ReadGameLists(m_host);
}

void TCatalogueViews::reshow(int buttonIndex, int row)
{
    TCategoryBar *bar = m_parts.categoryBar;
    if (!bar || bar->buttonCount() == 0)
        return;
    // The list files may have been changed by other means so that the bar lost
    // buttons: the last one stands in for the remembered one.
    const int index = std::clamp(buttonIndex, 0, bar->buttonCount() - 1);
    TSpTBXItemHover *button = bar->button(index);
    if (button->isChecked())
        CatBtnClick(index); // shown again, and still pressed
    else
        bar->click(index);
    if (row >= 0 && m_parts.gameList)
        m_parts.gameList->selectRow(row);
}
