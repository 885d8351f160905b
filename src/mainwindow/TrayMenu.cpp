#include "mainwindow/TrayMenu.h"

#include "catalogue/GameClasses.h"
#include "mainwindow/CategoryBar.h"

#include <QMenu>

using namespace Qt::StringLiterals;

namespace {

// Property of a submenu that still waits for its entries.
constexpr char PendingProperty[] = "kelvaroPendingList";

void fillItems(QMenu &parent, TGameList &list, const TrayStartFunction &start, bool atTop);

// Fills a submenu the first time it is about to open.
void fillOnFirstShow(QMenu *submenu, TGameList *list, TrayStartFunction start)
{
    submenu->setProperty(PendingProperty, true);
    QObject::connect(
        submenu, &QMenu::aboutToShow, submenu,
        [submenu, list, start = std::move(start)] {
            if (!submenu->property(PendingProperty).toBool())
                return;
            submenu->setProperty(PendingProperty, false);
            fillItems(*submenu, *list, start, false);
        },
        Qt::DirectConnection);
}

void fillItems(QMenu &parent, TGameList &list, const TrayStartFunction &start, bool atTop)
{
    // At the top level the items go before the items already there; a submenu holds
    // nothing else, so appending is the same and cheaper.
    const QList<QAction *> existing = atTop ? parent.actions() : QList<QAction *>();
    QAction *before = existing.value(0, nullptr);
    for (const auto &owned : list.Entries) {
        TGameEntry *entry = owned.get();
        QAction *item = nullptr;
        if (auto *category = dynamic_cast<TGameList *>(entry)) {
            auto *submenu = new QMenu(&parent);
            fillOnFirstShow(submenu, category, start);
            item = submenu->menuAction();
        } else {
            item = new QAction(&parent);
            if (auto *game = dynamic_cast<TGame *>(entry)) {
                QObject::connect(item, &QAction::triggered, &parent, [game, start] {
                    if (start)
                        start(game);
                });
            }
        }
        item->setText(TrayCaption(entry->Name));
        item->setIcon(LazyEntryIcon(*entry));
        parent.insertAction(before, item);
    }
}

} // namespace

QString TrayCaption(const QString &name)
{
    QString caption = name;
    caption.replace(u'&', u"&&"_s);
    return caption;
}

void FillTrayMenu(QMenu &parent, TGameList &list, const TrayStartFunction &start)
{
    fillItems(parent, list, start, true);
}

void FreeTrayCatalogueItems(QMenu &menu, int fixedItems)
{
    const QList<QAction *> items = menu.actions();
    const qsizetype count = items.size() - fixedItems;
    for (qsizetype i = 0; i < count; ++i) {
        QAction *item = items[i];
        // A submenu owns its item; freeing it frees what it holds.
        if (QMenu *submenu = item->menu(); submenu && submenu->parent() == &menu)
            delete submenu;
        else if (item->parent() == &menu)
            delete item;
        else
            menu.removeAction(item);
    }
}
