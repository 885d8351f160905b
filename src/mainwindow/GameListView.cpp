#include "mainwindow/GameListView.h"

#include "catalogue/GameClasses.h"
#include "mainwindow/GameListModel.h"

#include <QEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QListView>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QStackedLayout>
#include <QStyledItemDelegate>
#include <QTreeView>

#include <algorithm>
#include <array>
#include <functional>

// Draws the rows and opens the rename editor. It reports when an editor opens and
// when it goes away (however it ends: accepted, cancelled, or dropped because the
// rows were replaced), and it can give every item one fixed size, so that a view
// never measures (and never decodes the picture of) more than it draws.
class GameItemDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    std::function<void()> opened;
    std::function<void(bool accepted)> closed;
    QSize fixedSize;    // invalid: measured by the style
    int topPadding = 0; // room above the picture of the icons view

    QWidget *editor() const { return m_editor; }

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override
    {
        QWidget *editor = QStyledItemDelegate::createEditor(parent, option, index);
        if (editor) {
            m_editor = editor;
            m_accepted = false;
            if (opened)
                opened();
        }
        return editor;
    }

    void setModelData(QWidget *editor, QAbstractItemModel *model,
                      const QModelIndex &index) const override
    {
        if (editor == m_editor)
            m_accepted = true;
        QStyledItemDelegate::setModelData(editor, model, index);
    }

    void destroyEditor(QWidget *editor, const QModelIndex &index) const override
    {
        const bool ours = editor == m_editor;
        QStyledItemDelegate::destroyEditor(editor, index);
        if (ours) {
            m_editor = nullptr;
            if (closed)
                closed(m_accepted);
        }
    }

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        QStyledItemDelegate::paint(painter, padded(option), index);
    }

    void updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const override
    {
        QStyledItemDelegate::updateEditorGeometry(editor, padded(option), index);
    }

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        return fixedSize.isValid() ? fixedSize : QStyledItemDelegate::sizeHint(option, index);
    }

private:
    QStyleOptionViewItem padded(const QStyleOptionViewItem &option) const
    {
        QStyleOptionViewItem result(option);
        result.rect.setTop(result.rect.top() + topPadding);
        return result;
    }

    mutable QPointer<QWidget> m_editor;
    mutable bool m_accepted = false;
};

namespace {
constexpr int DefaultColumnWidths[TGameListModel::ColumnCount] = {100, 200, 200};
// Icons view: the width of a cell, as on the usual desktop (room for about a dozen
// characters of caption under a 32x32 picture).
constexpr int IconCellMinWidth = 76;
// List view: captions wider than this are cut, so one long name does not make every
// column of the list as wide as the window.
constexpr int ListItemMaxWidth = 320;
// The width of the widest caption, at most `limit`. Measuring ten thousand captions
// one by one takes longer than showing them, so captions made of Latin-1 characters
// are summed from a table of character widths (kerning, which only narrows a text,
// aside); only other captions are measured whole.
int widestCaption(const TGameListModel &model, const QFontMetrics &metrics, int limit)
{
    std::array<int, 256> widths{};
    for (size_t c = 0; c < widths.size(); ++c)
        widths[c] = metrics.horizontalAdvance(QChar(char16_t(c)));
    int widest = 0;
    for (int row = 0, rows = model.rowCount(); row < rows && widest < limit; ++row) {
        const QString &name = model.gameAt(row)->Name;
        int width = 0;
        for (const QChar c : name) {
            if (c.unicode() >= widths.size()) {
                width = metrics.horizontalAdvance(name);
                break;
            }
            width += widths[c.unicode()];
        }
        widest = std::max(widest, width);
    }
    return std::min(widest, limit);
}

} // namespace

TGameListView::TGameListView(QWidget *parent)
    : QWidget(parent), m_model(new TGameListModel(this)),
      m_selection(new QItemSelectionModel(m_model, this)), m_stack(new QStackedLayout(this)),
      m_iconsView(new QListView(this)), m_detailsView(new QTreeView(this)),
      m_iconsDelegate(new GameItemDelegate(this)), m_detailsDelegate(new GameItemDelegate(this))
{
    setObjectName(QStringLiteral("GameListView"));
    m_stack->setContentsMargins(0, 0, 0, 0);
    m_stack->addWidget(m_iconsView);
    m_stack->addWidget(m_detailsView);

    setUpView(m_iconsView, m_iconsDelegate);
    setUpView(m_detailsView, m_detailsDelegate);

    // The list and icons views.
    m_iconsView->setUniformItemSizes(true);
    m_iconsView->setLayoutMode(QListView::Batched);
    m_iconsView->setBatchSize(2000);
    m_iconsView->setSelectionRectVisible(false);
    m_iconsView->setTextElideMode(Qt::ElideRight);

    // The details view.
    m_detailsView->setRootIsDecorated(false);
    m_detailsView->setItemsExpandable(false);
    m_detailsView->setUniformRowHeights(true);
    m_detailsView->setAllColumnsShowFocus(true);
    m_detailsView->setSortingEnabled(false);
    m_detailsView->setTextElideMode(Qt::ElideRight);
    m_detailsView->setIconSize(QSize(16, 16));
    QHeaderView *header = m_detailsView->header();
    header->setSectionsClickable(false);
    header->setSectionsMovable(false);
    header->setStretchLastSection(false);
    header->setSectionResizeMode(QHeaderView::Interactive);
    for (int column = 0; column < TGameListModel::ColumnCount; ++column)
        header->resizeSection(column, DefaultColumnWidths[column]);

    connect(m_selection, &QItemSelectionModel::selectionChanged, this,
            [this] { Q_EMIT changed(); });
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] {
        m_listItemWidth = -1;
        if (m_mode == ListMode)
            updateItemSizes();
        Q_EMIT changed();
    });
    connect(m_model, &QAbstractItemModel::dataChanged, this, [this] {
        m_listItemWidth = -1;
        if (m_mode == ListMode)
            updateItemSizes();
        Q_EMIT changed();
    });
    connect(m_model, &TGameListModel::nameEdited, this, &TGameListView::onNameEdited);

    for (GameItemDelegate *delegate : {m_iconsDelegate, m_detailsDelegate}) {
        delegate->opened = [this] { onEditorOpened(); };
        delegate->closed = [this](bool accepted) { onEditorClosed(accepted); };
    }

    applyMode();
}

TGameListView::~TGameListView()
{
    // What the views and an open editor report while they are taken down (a rename
    // committed as the window closes, a last change of selection) goes nowhere.
    for (GameItemDelegate *delegate : {m_iconsDelegate, m_detailsDelegate}) {
        delegate->opened = nullptr;
        delegate->closed = nullptr;
    }
    disconnect(m_model, nullptr, this, nullptr);
    disconnect(m_selection, nullptr, this, nullptr);
    for (QAbstractItemView *view : {static_cast<QAbstractItemView *>(m_iconsView),
                                    static_cast<QAbstractItemView *>(m_detailsView)}) {
        view->removeEventFilter(this);
        view->viewport()->removeEventFilter(this);
    }
}

void TGameListView::setUpView(QAbstractItemView *view, GameItemDelegate *delegate)
{
    view->setModel(m_model);
    QItemSelectionModel *own = view->selectionModel();
    view->setSelectionModel(m_selection);
    delete own;
    view->setItemDelegate(delegate);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    view->setDragEnabled(false);
    view->setDragDropMode(QAbstractItemView::NoDragDrop);
    view->installEventFilter(this);
    view->viewport()->installEventFilter(this);
}

void TGameListView::setList(TGameList *list)
{
    m_model->setList(list);
}

QAbstractItemView *TGameListView::activeView() const
{
    if (m_mode == DetailsMode)
        return m_detailsView;
    return m_iconsView;
}

void TGameListView::setViewMode(int mode)
{
    if (mode < IconsMode || mode > DetailsMode)
        return;
    m_mode = mode;
    applyMode();
}

void TGameListView::setIconArrangement(int arrangement)
{
    if (arrangement != RowsArrangement && arrangement != ColumnsArrangement)
        return;
    m_arrangement = arrangement;
    if (m_mode == IconsMode)
        applyMode();
}

void TGameListView::setWrapText(bool wrap)
{
    m_wrapText = wrap;
    if (m_mode == IconsMode)
        applyMode();
}

void TGameListView::applyMode()
{
    QWidget *previous = m_stack->currentWidget();
    const bool hadFocus = previous && previous->hasFocus();

    // A rename that is open in the view being left is cancelled, as the list does when
    // its style changes under the editor.
    for (GameItemDelegate *delegate : {m_iconsDelegate, m_detailsDelegate}) {
        if (QWidget *editor = delegate->editor())
            Q_EMIT delegate->closeEditor(editor, QAbstractItemDelegate::RevertModelCache);
    }

    QAbstractItemView *view = activeView();
    if (m_mode != DetailsMode) {
        // Every property is set in both modes: QListView keeps explicitly set
        // properties across a change of its own view mode.
        const bool icons = m_mode == IconsMode;
        m_iconsView->setViewMode(icons ? QListView::IconMode : QListView::ListMode);
        m_iconsView->setMovement(QListView::Static);
        m_iconsView->setResizeMode(QListView::Adjust);
        m_iconsView->setWrapping(true);
        m_iconsView->setFlow(icons && m_arrangement == RowsArrangement ? QListView::LeftToRight
                                                                       : QListView::TopToBottom);
        m_iconsView->setIconSize(icons ? QSize(32, 32) : QSize(16, 16));
        m_iconsView->setWordWrap(icons && m_wrapText);
        m_iconsView->setSpacing(icons ? 0 : 1);
        m_iconsView->setDragEnabled(false);
        updateItemSizes();
    }
    m_stack->setCurrentWidget(view);
    setFocusProxy(view);
    if (hadFocus && previous != view)
        view->setFocus();
    const QModelIndex current = m_selection->currentIndex();
    if (current.isValid())
        view->scrollTo(current);
}

void TGameListView::updateItemSizes()
{
    const QFontMetrics metrics(m_iconsView->font());
    if (m_mode == IconsMode) {
        const int lines = m_wrapText ? 2 : 1;
        const int width = std::max(IconCellMinWidth, metrics.averageCharWidth() * 12);
        const QSize cell(width, 4 + 32 + 4 + lines * metrics.height() + 6);
        m_iconsView->setGridSize(cell);
        m_iconsDelegate->fixedSize = cell - QSize(2, 2);
        m_iconsDelegate->topPadding = 4;
    } else if (m_mode == ListMode) {
        // The columns of the list are as wide as the widest caption, as a list view
        // lays them out; measured once per set of rows.
        if (m_listItemWidth < 0) {
            m_listItemWidth = widestCaption(*m_model, metrics, ListItemMaxWidth);
        }
        m_iconsView->setGridSize(QSize());
        // Picture, gaps and the frame around the caption.
        const int width = 16 + 4 + m_listItemWidth + 12;
        const int height = std::max(16, metrics.height()) + 2;
        m_iconsDelegate->fixedSize = QSize(width, height);
        m_iconsDelegate->topPadding = 0;
    }
    m_iconsView->doItemsLayout();
}

int TGameListView::columnWidth(int column) const
{
    return m_detailsView->header()->sectionSize(column);
}

void TGameListView::setColumnWidth(int column, int width)
{
    if (column < 0 || column >= TGameListModel::ColumnCount)
        return;
    m_detailsView->header()->resizeSection(column, width);
}

int TGameListView::currentRow() const
{
    const QModelIndexList selected = m_selection->selectedIndexes();
    return selected.isEmpty() ? -1 : selected.first().row();
}

TGame *TGameListView::selectedGame() const
{
    return m_model->gameAt(currentRow());
}

bool TGameListView::selectRow(int row)
{
    if (row < 0 || row >= m_model->rowCount())
        return false;
    const QModelIndex index = m_model->index(row, TGameListModel::NameColumn);
    m_selection->setCurrentIndex(index,
                                 QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    activeView()->scrollTo(index);
    activeView()->setFocus();
    return true;
}

bool TGameListView::editCurrent()
{
    const int row = currentRow();
    if (row < 0)
        return false;
    const QModelIndex index = m_model->index(row, TGameListModel::NameColumn);
    QAbstractItemView *view = activeView();
    if (m_selection->currentIndex() != index)
        m_selection->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    view->scrollTo(index);
    view->edit(index);
    return isEditing();
}

bool TGameListView::isEditing() const
{
    return m_openEditors > 0;
}

void TGameListView::onEditorOpened()
{
    ++m_openEditors;
    m_hasPendingEdit = false;
    Q_EMIT editingStarted();
}

void TGameListView::onEditorClosed(bool accepted)
{
    m_openEditors = std::max(0, m_openEditors - 1);
    const bool report = accepted && m_hasPendingEdit;
    m_hasPendingEdit = false;
    Q_EMIT editingFinished(accepted);
    // Reported once the editor is gone, so that the listener may replace the rows.
    if (report)
        Q_EMIT itemEdited(m_pendingRow, m_pendingText);
}

void TGameListView::onNameEdited(int row, const QString &text)
{
    if (isEditing()) {
        m_hasPendingEdit = true;
        m_pendingRow = row;
        m_pendingText = text;
    } else {
        Q_EMIT itemEdited(row, text);
    }
}

bool TGameListView::eventFilter(QObject *watched, QEvent *event)
{
    const bool isView = watched == m_iconsView || watched == m_detailsView;
    if (isView && event->type() == QEvent::KeyPress) {
        // Modifiers are not looked at: Shift+Enter starts as Enter does.
        const int key = static_cast<QKeyEvent *>(event)->key();
        // The rename editor passes on the Enter that accepts its text; that one is not
        // a start.
        if (isEditing() && !static_cast<QWidget *>(watched)->hasFocus())
            return false;
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            Q_EMIT startRequested();
            return true;
        }
        if (key == Qt::Key_F2) {
            editCurrent();
            return true;
        }
    } else if (!isView && event->type() == QEvent::MouseButtonDblClick &&
               (watched == m_iconsView->viewport() || watched == m_detailsView->viewport())) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        QAbstractItemView *view = watched == m_detailsView->viewport()
                                      ? static_cast<QAbstractItemView *>(m_detailsView)
                                      : m_iconsView;
        if (mouse->button() == Qt::LeftButton &&
            view->indexAt(mouse->position().toPoint()).isValid()) {
            // The first click of the two selected the row; the second starts it. The
            // view still sees the event, which cancels a rename that the first click
            // would have begun on a row that was already selected.
            Q_EMIT startRequested();
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TGameListView::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange) {
        m_listItemWidth = -1;
        if (m_mode != DetailsMode)
            updateItemSizes();
    }
    QWidget::changeEvent(event);
}
