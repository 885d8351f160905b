#pragma once

#include <QAbstractTableModel>
#include <QIcon>

#include <optional>
#include <vector>

class TGame;
class TGameList;

// The games of one category as rows, in list order; categories among the entries are
// skipped, so a row is not in general the entry's index in the list. Columns: "Name",
// "File", "Parameters". The model refers to the games; the catalogue owns them, so the
// model must be given another list (or none) before the shown list is freed.
//
// The decoration of a row (the entry's 16x16 and 32x32 pictures in one QIcon) is made
// the first time a view asks for it, so only the rows that are drawn decode icons.
//
// The Name column is editable, but setData() does not rename the game: it only
// reports the new text through nameEdited(), for the window to store and save.
class TGameListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { NameColumn = 0, FileColumn = 1, ParamsColumn = 2, ColumnCount = 3 };

    explicit TGameListModel(QObject *parent = nullptr);

    // Shows the games of `list` (nullptr: no rows). Always resets the model.
    void setList(TGameList *list);
    TGameList *list() const { return m_list; }

    // The game of the row; nullptr outside 0 .. rowCount() - 1.
    TGame *gameAt(int row) const;
    // The row that shows the game; -1 when none does.
    int rowOf(const TGame *game) const;
    // Tells the views that the row's texts changed (after the window renamed its game).
    void refreshRow(int row);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

Q_SIGNALS:
    // An in-place edit of the row's caption was accepted with this text.
    void nameEdited(int row, const QString &text);

private:
    const QIcon &iconAt(int row) const;

    TGameList *m_list = nullptr;
    std::vector<TGame *> m_games;
    mutable std::vector<std::optional<QIcon>> m_icons;
};
