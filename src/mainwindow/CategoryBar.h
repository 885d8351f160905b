#pragma once

#include <QAction>
#include <QToolBar>

class QActionGroup;
class QToolButton;
class TGameEntry;
class TGameList;

// A category button of the category bar. It refers to the list it shows (the
// catalogue owns the list). text() is the caption exactly as given, "&" included;
// the button shows that caption as it stands, without taking "&" for a mnemonic.
class TSpTBXItemHover : public QAction
{
    Q_OBJECT

public:
    TSpTBXItemHover(const QString &caption, TGameList *list, QObject *parent = nullptr);

    TGameList *list() const { return m_list; }

private:
    TGameList *m_list;
};

// The category bar (`GameCatToolbar`): a toolbar along the bottom of the main window,
// 25 pixels high, that cannot be moved, floated or hidden, holding one button per
// shown category.
//
// The buttons behave as one radio group in which no button need be pressed: a click
// toggles the clicked button between pressed and released, pressing a button releases
// the others, and every click is reported (clicked), also the one that released the
// pressed button.
class TCategoryBar : public QToolBar
{
    Q_OBJECT

public:
    explicit TCategoryBar(QWidget *parent = nullptr);

    // Frees every button.
    void clear();
    // Appends a button. `picture` null: text only; otherwise picture and text.
    TSpTBXItemHover *addButton(const QString &caption, TGameList *list,
                               const QIcon &picture = QIcon());
    // Frees the button at the position; nothing for a position that does not exist.
    void removeButton(int index);
    int buttonCount() const { return static_cast<int>(m_buttons.size()); }
    // The button at the position; nullptr when there is none.
    TSpTBXItemHover *button(int index) const;
    int indexOf(const QAction *button) const;
    // The widget that shows the button.
    QToolButton *buttonWidget(int index) const;
    // A click as the user makes it: toggles the button, then reports it. Returns false
    // for a position that does not exist.
    bool click(int index);

Q_SIGNALS:
    void clicked(int index);

private:
    QActionGroup *m_group;
    QList<TSpTBXItemHover *> m_buttons;
};

// A picture that reads the entry's 16x16 image only when it is first drawn, so that
// building buttons and menu items decodes no icon file. The entry must outlive every
// copy of the picture that is still drawn: the items that hold it are freed before
// the catalogue entries they refer to.
QIcon LazyEntryIcon(const TGameEntry &entry);
