#pragma once

#include "AddressRecord.h"
#include "MessageRecord.h"

#include <QAbstractTableModel>
#include <QStringList>

class QTableView;

// Grid row r (r >= 1) shows element r - 1 of its array; row 0 is the header, which is the
// view's horizontal header. -1 means no element.
int currentElement(const QTableView &grid);
void setCurrentElement(QTableView &grid, int element);

// A grid over one of the window's arrays. Like a string grid, it has a row count of its own,
// set by the view's handlers; rows beyond the array show empty cells.
class TArrayGridModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    TArrayGridModel(QStringList headers, QObject *parent);

    // Rows of the grid, header row included.
    void setGridRowCount(int gridRows);
    int gridRowCount() const { return m_rows + 1; }
    // Rewrites every cell of the array's rows.
    void refresh();

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

protected:
    virtual int elementCount() const = 0;
    virtual QString cell(int element, int column) const = 0;

private:
    QStringList m_headers;
    int m_rows = 0;
};

// InBoxG: From, Subject, Attachments and an empty fourth column.
class TInboxGridModel : public TArrayGridModel
{
    Q_OBJECT
public:
    TInboxGridModel(const TInboxData &inbox, QObject *parent);

protected:
    int elementCount() const override { return int(m_inbox.size()); }
    QString cell(int element, int column) const override;

private:
    const TInboxData &m_inbox;
};

// AddressG: Name, Inbox, Comment, and Server as "Yes" or "No".
class TAddressGridModel : public TArrayGridModel
{
    Q_OBJECT
public:
    TAddressGridModel(const TAddressData &addresses, QObject *parent);

protected:
    int elementCount() const override { return int(m_addresses.size()); }
    QString cell(int element, int column) const override;

private:
    const TAddressData &m_addresses;
};
