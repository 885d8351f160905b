#include "mainwindow/GameListModel.h"

#include "catalogue/GameClasses.h"

#include <QPixmap>

#include <algorithm>

using namespace Qt::StringLiterals;

TGameListModel::TGameListModel(QObject *parent) : QAbstractTableModel(parent) {}

void TGameListModel::setList(TGameList *list)
{
    beginResetModel();
    m_list = list;
    m_games.clear();
    m_icons.clear();
    if (list) {
        m_games.reserve(list->Entries.size());
        for (const auto &entry : list->Entries) {
            if (auto *game = dynamic_cast<TGame *>(entry.get()))
                m_games.push_back(game);
        }
        m_icons.resize(m_games.size());
    }
    endResetModel();
}

TGame *TGameListModel::gameAt(int row) const
{
    if (row < 0 || row >= rowCount())
        return nullptr;
    return m_games[static_cast<size_t>(row)];
}

int TGameListModel::rowOf(const TGame *game) const
{
    const auto found = std::find(m_games.begin(), m_games.end(), game);
    return found == m_games.end() ? -1 : static_cast<int>(found - m_games.begin());
}

void TGameListModel::refreshRow(int row)
{
    if (row < 0 || row >= rowCount())
        return;
    Q_EMIT dataChanged(index(row, 0), index(row, ColumnCount - 1));
}

int TGameListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_games.size());
}

int TGameListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

const QIcon &TGameListModel::iconAt(int row) const
{
    auto &icon = m_icons[static_cast<size_t>(row)];
    if (!icon) {
        const TGame *game = m_games[static_cast<size_t>(row)];
        QIcon made;
        const QImage &small = game->SmallIcon.image();
        const QImage &large = game->LargeIcon.image();
        if (!small.isNull())
            made.addPixmap(QPixmap::fromImage(small));
        if (!large.isNull())
            made.addPixmap(QPixmap::fromImage(large));
        icon = made;
    }
    return *icon;
}

QVariant TGameListModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const TGame *game = m_games[static_cast<size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        switch (index.column()) {
        case NameColumn:
            return game->Name;
        case FileColumn:
            return game->FileName;
        case ParamsColumn:
            return game->GameParams;
        }
        break;
    case Qt::DecorationRole:
        if (index.column() == NameColumn)
            return iconAt(index.row());
        break;
    }
    return {};
}

QVariant TGameListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case NameColumn:
        return u"Name"_s;
    case FileColumn:
        return u"File"_s;
    case ParamsColumn:
        return u"Parameters"_s;
    }
    return {};
}

Qt::ItemFlags TGameListModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags result = QAbstractTableModel::flags(index);
    if (index.isValid() && index.column() == NameColumn)
        result |= Qt::ItemIsEditable;
    return result;
}

bool TGameListModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || index.column() != NameColumn ||
        !checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return false;
    Q_EMIT nameEdited(index.row(), value.toString());
    return true;
}
