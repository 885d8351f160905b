#pragma once

#include <QWidget>

class QAbstractItemView;
class QItemSelectionModel;
class QListView;
class QStackedLayout;
class QTreeView;
class TGame;
class TGameList;
class TGameListModel;
class GameItemDelegate;

// The game list of the main window (`GameListView`): the games of one category in one
// of three view modes, all showing the same TGameListModel through one selection model
// (single selection), so the selected row survives a change of mode:
//   0 icons:   large pictures with their captions below, in rows or in columns;
//   1 list:    small pictures with the caption beside, flowing down in columns;
//   2 details: the columns "Name", "File" and "Parameters".
//
// Keys: Enter or Return asks to start the selected game (startRequested), F2 begins
// renaming the selected row; a double click on a row also asks to start. A row's
// caption is renamed in place (F2, or a click on the selected row); the widget only
// reports the accepted text (itemEdited), the game is renamed by whoever listens.
//
// Every item of a view has the same size, and neither sizing nor layout asks for a
// row's picture, so a category of ten thousand games opens at once and only the rows
// on screen decode their icons.
//
// The context menu and dropped files are the window's: give this widget a context
// menu policy and accept drops on it; the views pass both up to it.
class TGameListView : public QWidget
{
    Q_OBJECT

public:
    enum Mode { IconsMode = 0, ListMode = 1, DetailsMode = 2 };
    enum Arrangement { RowsArrangement = 0, ColumnsArrangement = 1 };

    explicit TGameListView(QWidget *parent = nullptr);
    ~TGameListView() override;

    TGameListModel *model() const { return m_model; }
    QItemSelectionModel *selectionModel() const { return m_selection; }
    // Shows the games of the list (nullptr: empty). An open rename is cancelled.
    void setList(TGameList *list);

    int viewMode() const { return m_mode; }
    // Applies the mode again even when it is already the current one; values outside
    // 0 .. 2 are ignored.
    void setViewMode(int mode);

    // Icons view: 0 rows along the top, 1 columns down the left side; other values
    // leave the arrangement as it is.
    int iconArrangement() const { return m_arrangement; }
    void setIconArrangement(int arrangement);
    // Icons view: captions wrap onto two lines (on) or are cut to one (off).
    bool wrapText() const { return m_wrapText; }
    void setWrapText(bool wrap);

    // Widths of the details view's columns 0 .. 2 ("Name", "File", "Parameters").
    int columnWidth(int column) const;
    void setColumnWidth(int column, int width);

    // The selected row; -1 when none is selected.
    int currentRow() const;
    TGame *selectedGame() const;
    // Selects the row, makes it current, scrolls it into view and gives the list the
    // focus. A row that does not exist leaves the selection as it is; returns whether
    // the row exists.
    bool selectRow(int row);
    // Begins renaming the selected row's caption; false when no row is selected.
    bool editCurrent();
    bool isEditing() const;

    // The view that the current mode shows, and the two views themselves.
    QAbstractItemView *activeView() const;
    QListView *iconsView() const { return m_iconsView; }
    QTreeView *detailsView() const { return m_detailsView; }

Q_SIGNALS:
    // Enter or Return in the list, or a double click on a row (the Start button's work).
    void startRequested();
    // The rows or the selection changed.
    void changed();
    // A rename opened; it ends with editingFinished, accepted or not.
    void editingStarted();
    void editingFinished(bool accepted);
    // A rename was accepted with this text (after editingFinished). The row's game is
    // unchanged: renaming it is the listener's work.
    void itemEdited(int row, const QString &text);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void setUpView(QAbstractItemView *view, GameItemDelegate *delegate);
    void applyMode();
    void updateItemSizes();
    void onEditorOpened();
    void onEditorClosed(bool accepted);
    void onNameEdited(int row, const QString &text);

    TGameListModel *m_model;
    QItemSelectionModel *m_selection;
    QStackedLayout *m_stack;
    QListView *m_iconsView;
    QTreeView *m_detailsView;
    GameItemDelegate *m_iconsDelegate;
    GameItemDelegate *m_detailsDelegate;

    int m_mode = ListMode;
    int m_arrangement = RowsArrangement;
    bool m_wrapText = true;
    int m_listItemWidth = -1; // widest caption of the list mode, -1: not measured yet

    int m_openEditors = 0;
    bool m_hasPendingEdit = false;
    int m_pendingRow = -1;
    QString m_pendingText;
};
