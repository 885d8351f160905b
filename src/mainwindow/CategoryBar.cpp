#include "mainwindow/CategoryBar.h"

#include "catalogue/GameClasses.h"

#include <QActionGroup>
#include <QIconEngine>
#include <QPainter>
#include <QPixmap>
#include <QTextDocument>
#include <QToolButton>

using namespace Qt::StringLiterals;

namespace {

// Reads the picture of the entry on the first request, then keeps it.
class EntryIconEngine : public QIconEngine
{
public:
    explicit EntryIconEngine(const TIcon &icon) : m_icon(&icon) {}

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override
    {
        painter->drawPixmap(rect, pixmap(rect.size(), mode, state));
    }

    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        return scaledPixmap(size, mode, state, 1.0);
    }

    QPixmap scaledPixmap(const QSize &size, QIcon::Mode mode, QIcon::State state,
                         qreal scale) override
    {
        const QIcon &icon = resolved();
        return icon.pixmap(size, scale, mode, state);
    }

    QSize actualSize(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        return resolved().actualSize(size, mode, state);
    }

    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override
    {
        return resolved().availableSizes(mode, state);
    }

    bool isNull() override { return false; }
    QString key() const override { return u"KelvaroEntryIcon"_s; }
    QIconEngine *clone() const override { return new EntryIconEngine(*this); }

private:
    const QIcon &resolved()
    {
        if (m_icon) {
            const QImage &image = m_icon->image();
            if (!image.isNull())
                m_resolved.addPixmap(QPixmap::fromImage(image));
            m_icon = nullptr;
        }
        return m_resolved;
    }

    const TIcon *m_icon;
    QIcon m_resolved;
};

} // namespace

QIcon LazyEntryIcon(const TGameEntry &entry)
{
    return QIcon(new EntryIconEngine(entry.SmallIcon));
}

TSpTBXItemHover::TSpTBXItemHover(const QString &caption, TGameList *list, QObject *parent)
    : QAction(caption, parent), m_list(list)
{
    setCheckable(true);
    // The button shows iconText(); doubling "&" makes it show the caption as it stands
    // instead of underlining the next letter. No mnemonic is taken either.
    QString shown = caption;
    shown.replace(u'&', u"&&"_s);
    setIconText(shown);
    setToolTip(Qt::convertFromPlainText(caption));
}

TCategoryBar::TCategoryBar(QWidget *parent) : QToolBar(parent), m_group(new QActionGroup(this))
{
    setObjectName(u"GameCatToolbar"_s);
    setWindowTitle(u"Categories"_s);
    setMovable(false);
    setFloatable(false);
    setAllowedAreas(Qt::BottomToolBarArea);
    setFixedHeight(25);
    setIconSize(QSize(16, 16));
    setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    // Not to be hidden through the main window's toolbar menu.
    toggleViewAction()->setVisible(false);
    setContextMenuPolicy(Qt::PreventContextMenu);
    m_group->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
}

void TCategoryBar::clear()
{
    const QList<TSpTBXItemHover *> buttons = std::exchange(m_buttons, {});
    for (TSpTBXItemHover *button : buttons)
        delete button;
}

TSpTBXItemHover *TCategoryBar::addButton(const QString &caption, TGameList *list,
                                         const QIcon &picture)
{
    auto *button = new TSpTBXItemHover(caption, list, this);
    button->setIcon(picture);
    m_group->addAction(button);
    m_buttons.append(button);
    connect(button, &QAction::triggered, this, [this, button] {
        const int index = indexOf(button);
        if (index >= 0)
            Q_EMIT clicked(index);
    });
    addAction(button);
    return button;
}

void TCategoryBar::removeButton(int index)
{
    if (index < 0 || index >= buttonCount())
        return;
    delete m_buttons.takeAt(index);
}

TSpTBXItemHover *TCategoryBar::button(int index) const
{
    return m_buttons.value(index, nullptr);
}

int TCategoryBar::indexOf(const QAction *button) const
{
    for (int i = 0; i < m_buttons.size(); ++i) {
        if (m_buttons[i] == button)
            return i;
    }
    return -1;
}

QToolButton *TCategoryBar::buttonWidget(int index) const
{
    TSpTBXItemHover *item = button(index);
    return item ? qobject_cast<QToolButton *>(widgetForAction(item)) : nullptr;
}

bool TCategoryBar::click(int index)
{
    TSpTBXItemHover *item = button(index);
    if (!item)
        return false;
    item->trigger();
    return true;
}
