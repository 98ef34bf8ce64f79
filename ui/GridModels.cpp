#include "GridModels.h"

#include <QTableView>

int currentElement(const QTableView &grid)
{
    const QModelIndex current = grid.currentIndex();
    return current.isValid() ? current.row() : -1;
}

void setCurrentElement(QTableView &grid, int element)
{
    if (element < 0 || element >= grid.model()->rowCount()) {
        grid.setCurrentIndex(QModelIndex());
        return;
    }
    const int column = std::max(grid.currentIndex().column(), 0);
    grid.setCurrentIndex(grid.model()->index(element, column));
}

TArrayGridModel::TArrayGridModel(QStringList headers, QObject *parent)
    : QAbstractTableModel(parent)
    , m_headers(std::move(headers))
{
}

void TArrayGridModel::setGridRowCount(int gridRows)
{
    const int rows = std::max(gridRows - 1, 0);
    if (rows > m_rows) {
        beginInsertRows({}, m_rows, rows - 1);
        m_rows = rows;
        endInsertRows();
    } else if (rows < m_rows) {
        beginRemoveRows({}, rows, m_rows - 1);
        m_rows = rows;
        endRemoveRows();
    }
}

void TArrayGridModel::refresh()
{
    const int rows = std::min(m_rows, elementCount());
    if (rows > 0)
        emit dataChanged(index(0, 0), index(rows - 1, columnCount() - 1), {Qt::DisplayRole});
}

int TArrayGridModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int TArrayGridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_headers.size());
}

QVariant TArrayGridModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !checkIndex(index, CheckIndexOption::IndexIsValid)
        || index.row() >= elementCount())
        return {};
    return cell(index.row(), index.column());
}

QVariant TArrayGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= m_headers.size())
        return QAbstractTableModel::headerData(section, orientation, role);
    return m_headers[section];
}

TInboxGridModel::TInboxGridModel(const TInboxData &inbox, QObject *parent)
    : TArrayGridModel({QStringLiteral("From"), QStringLiteral("Subject"), QStringLiteral("Attachments"), QString()},
                      parent)
    , m_inbox(inbox)
{
}

QString TInboxGridModel::cell(int element, int column) const
{
    const TMessageRecord &record = m_inbox[std::size_t(element)];
    switch (column) {
    case 0:
        return record.From();
    case 1:
        return record.Subject();
    case 2:
        return attachmentListText(record);
    }
    return {};
}

TAddressGridModel::TAddressGridModel(const TAddressData &addresses, QObject *parent)
    : TArrayGridModel({QStringLiteral("Name"), QStringLiteral("Inbox"), QStringLiteral("Comment"),
                       QStringLiteral("Server")},
                      parent)
    , m_addresses(addresses)
{
}

QString TAddressGridModel::cell(int element, int column) const
{
    const TAddressRec &entry = m_addresses[std::size_t(element)];
    switch (column) {
    case 0:
        return entry.Name();
    case 1:
        return entry.InBox();
    case 2:
        return entry.Comment();
    case 3:
        return entry.Server() != 0 ? QStringLiteral("Yes") : QStringLiteral("No");
    }
    return {};
}
