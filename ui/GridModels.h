#pragma once

#include "AddressRecord.h"
#include "InboxMarks.h"
#include "MessageRecord.h"

#include <QAbstractTableModel>
#include <QFont>
#include <QStringList>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class BodySearch;
class QTableView;

// Grid row r (r >= 1) shows element r - 1 of its array, unless the grid is sorted or
// filtered; row 0 is the header, which is the view's horizontal header. The current element
// is always the array's index, whatever the order; -1 means no element.
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
    virtual void setGridRowCount(int gridRows);
    int gridRowCount() const { return m_rows + 1; }
    // Rewrites every cell of the array's rows.
    virtual void refresh();
    // Rewrites the cells of one element's row, where it is shown.
    void elementChanged(int element);

    // The array element a row shows, and the row that shows an element (-1: none).
    virtual int elementOfRow(int row) const { return row; }
    virtual int rowOfElement(int element) const { return element < m_rows ? element : -1; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

protected:
    virtual int elementCount() const = 0;
    virtual QString cell(int element, int column) const = 0;
    virtual QVariant style(int, int) const { return {}; }
    int arrayRows() const { return m_rows; }
    void setArrayRows(int rows) { m_rows = rows; }

private:
    QStringList m_headers;
    int m_rows = 0;
};

// InBoxG: From, Subject, Attachments and when the message was received, unread messages in
// bold. Clicking a header sorts by its column; a filter keeps the messages whose sender or
// subject holds a text. Both work on an order of slot indexes, so the array never moves.
class TInboxGridModel : public TArrayGridModel
{
    Q_OBJECT
public:
    TInboxGridModel(const TInboxData &inbox, const TInboxMarks &marks, QObject *parent);

    void setGridRowCount(int gridRows) override;
    void refresh() override;
    // Any letter case; empty shows every slot. With body search set, a slot whose body holds
    // the text's words is kept too. A text that holds the last one only narrows its rows.
    void setFilter(const QString &text);
    void setBodySearch(BodySearch *bodies) { m_bodies = bodies; }
    // The filter again over every slot, as after more bodies were read.
    void refilter();
    // A column below 0 goes back to the slots' own order.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
    void setBoldFont(const QFont &font) { m_bold = font; }
    // Makes what a search and a sort work on, so that the first keystroke finds it ready.
    void prepareKeys() const { buildKeys(); }

    int elementOfRow(int row) const override;
    int rowOfElement(int element) const override;
    int rowCount(const QModelIndex &parent = {}) const override;

protected:
    int elementCount() const override { return int(m_inbox.size()); }
    QString cell(int element, int column) const override;
    QVariant style(int element, int role) const override;

private:
    bool ordered() const { return m_filtering || m_sortColumn >= 0; }
    bool kept(int slot) const;
    void rebuildOrder();
    void buildKeys() const;
    // The sender or subject of every slot, one after another.
    struct FieldKeys
    {
        std::string bytes;
        std::vector<std::uint32_t> ends; // one past each slot's key
        std::string_view operator[](std::size_t i) const
        {
            const std::uint32_t begin = i == 0 ? 0 : ends[i - 1];
            return std::string_view(bytes).substr(begin, ends[i] - begin);
        }
        // Marks the slots whose key holds needle, in one search over all of them.
        void find(std::string_view needle, std::vector<bool> &hits) const;
    };
    // Marks the slots whose sender or subject holds the filter.
    void findInFields();

    const TInboxData &m_inbox;
    const TInboxMarks &m_marks;
    QFont m_bold;
    std::string m_filter; // Windows-1252 bytes, case-folded
    bool m_filterInRecords = false; // Windows-1252 holds every character of it
    QString m_filterText;  // the same, as typed, case-folded
    BodySearch *m_bodies = nullptr;
    int m_bodiesRead = -1; // bodies read when the rows were last chosen from every slot
    bool m_filtering = false;
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    std::vector<int> m_order; // row -> slot while ordered
    // Sender and subject of every slot as case-folded record bytes, made when a filter or sort
    // first needs them: no text is decoded while the user types.
    mutable FieldKeys m_fromKeys;
    mutable FieldKeys m_subjectKeys;
    std::vector<bool> m_fieldHits; // per slot, while filtering
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
