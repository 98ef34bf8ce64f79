#include "GridModels.h"

#include "BodySearch.h"
#include "Cp1252.h"
#include "ShortString.h"

#include <QDateTime>
#include <QLocale>
#include <QTableView>

#include <algorithm>
#include <array>
#include <cstring>

namespace {

// Windows-1252 bytes folded as the characters they stand for fold.
const std::array<char, 256> &foldTable()
{
    static const std::array<char, 256> table = [] {
        std::array<char, 256> t{};
        for (int b = 0; b < 256; ++b) {
            const char16_t folded = QChar(cp1252ToUnicode(static_cast<unsigned char>(b))).toCaseFolded().unicode();
            t[std::size_t(b)] = char(unicodeToCp1252(folded).value_or(static_cast<unsigned char>(b)));
        }
        return t;
    }();
    return table;
}

// Appends the field's bytes, folded, as the key of the next slot.
void appendFolded(std::string &keys, const TMessageRecord &record, int offset, int size)
{
    const char *field = record.field(offset);
    const int length = shortStringLength(field, size);
    for (int i = 0; i < length; ++i)
        keys += foldTable()[static_cast<unsigned char>(field[i + 1])];
}

} // namespace

int currentElement(const QTableView &grid)
{
    const QModelIndex current = grid.currentIndex();
    if (!current.isValid())
        return -1;
    return static_cast<const TArrayGridModel *>(grid.model())->elementOfRow(current.row());
}

void setCurrentElement(QTableView &grid, int element)
{
    const int row = element < 0 ? -1 : static_cast<const TArrayGridModel *>(grid.model())->rowOfElement(element);
    if (row < 0 || row >= grid.model()->rowCount()) {
        grid.setCurrentIndex(QModelIndex());
        return;
    }
    const int column = std::max(grid.currentIndex().column(), 0);
    grid.setCurrentIndex(grid.model()->index(row, column));
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

void TArrayGridModel::elementChanged(int element)
{
    const int row = rowOfElement(element);
    if (row >= 0 && row < rowCount())
        emit dataChanged(index(row, 0), index(row, columnCount() - 1));
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
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    const int element = elementOfRow(index.row());
    if (element < 0 || element >= elementCount())
        return {};
    if (role == Qt::DisplayRole)
        return cell(element, index.column());
    return style(element, role);
}

QVariant TArrayGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= m_headers.size())
        return QAbstractTableModel::headerData(section, orientation, role);
    return m_headers[section];
}

TInboxGridModel::TInboxGridModel(const TInboxData &inbox, const TInboxMarks &marks, QObject *parent)
    : TArrayGridModel({QStringLiteral("From"), QStringLiteral("Subject"), QStringLiteral("Attachments"),
                       QStringLiteral("Received")},
                      parent)
    , m_inbox(inbox)
    , m_marks(marks)
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
    case 3:
        if (element < m_marks.size() && m_marks[element].known)
            return QLocale().toString(QDateTime::fromMSecsSinceEpoch(m_marks[element].received), QLocale::ShortFormat);
        break;
    }
    return {};
}

QVariant TInboxGridModel::style(int element, int role) const
{
    const bool unread = element < m_marks.size() && m_marks[element].known && !m_marks[element].read
                        && !m_inbox[std::size_t(element)].isEmpty();
    if (role == Qt::FontRole && unread)
        return m_bold;
    return {};
}

void TInboxGridModel::setGridRowCount(int gridRows)
{
    if (!ordered())
        return TArrayGridModel::setGridRowCount(gridRows);
    setArrayRows(std::max(gridRows - 1, 0));
    rebuildOrder();
}

void TInboxGridModel::refresh()
{
    m_fromKeys = {};
    m_subjectKeys = {};
    if (ordered())
        rebuildOrder();
    else
        TArrayGridModel::refresh();
}

void TInboxGridModel::setFilter(const QString &text)
{
    // A character that Windows-1252 cannot hold stands in no record: no sender or subject matches.
    std::string folded;
    bool representable = true;
    for (QChar c : text.toCaseFolded()) {
        const std::optional<unsigned char> byte = unicodeToCp1252(c.unicode());
        representable = representable && byte.has_value();
        folded += char(byte.value_or('?'));
    }
    const QString foldedText = text.toCaseFolded();
    if (folded == m_filter && representable == m_filterInRecords && m_filtering == !text.isEmpty()
        && foldedText == m_filterText)
        return;
    // Every row a text holding the last one keeps, the last one kept too: its sender or
    // subject holds the last text, or each word of the last text lies in a word of the new
    // one, which some word of the body holds. Not so where the last text had no word, which
    // kept no body.
    const bool narrower = m_filtering && !text.isEmpty() && foldedText.contains(m_filterText)
                          && (!m_bodies
                              || (m_bodies->readCount() == m_bodiesRead
                                  && (m_bodies->queryHasWords() || BodySearch::wordsOf(foldedText).empty())));
    m_filter = folded;
    m_filterInRecords = representable;
    m_filterText = foldedText;
    m_filtering = !text.isEmpty();
    if (!narrower)
        return rebuildOrder();
    buildKeys();
    findInFields();
    if (m_bodies)
        m_bodies->setQuery(m_filterText, int(m_order.size()));
    beginResetModel();
    std::erase_if(m_order, [this](int slot) { return !kept(slot); });
    endResetModel();
}

void TInboxGridModel::refilter()
{
    if (m_filtering)
        rebuildOrder();
}

void TInboxGridModel::FieldKeys::find(std::string_view needle, std::vector<bool> &hits) const
{
    const char *const begin = bytes.data();
    const char *const end = begin + bytes.size();
    std::size_t slot = 0;
    const char *from = begin;
    while (const void *hit = memmem(from, std::size_t(end - from), needle.data(), needle.size())) {
        const auto offset = std::size_t(static_cast<const char *>(hit) - begin);
        while (ends[slot] <= offset)
            ++slot;
        // A hit running into the next key is none; either way this key is done.
        if (offset + needle.size() <= ends[slot])
            hits[slot] = true;
        from = begin + ends[slot];
    }
}

void TInboxGridModel::findInFields()
{
    m_fieldHits.assign(m_inbox.size(), false);
    if (!m_filterInRecords || m_filter.empty())
        return;
    m_fromKeys.find(m_filter, m_fieldHits);
    m_subjectKeys.find(m_filter, m_fieldHits);
}

bool TInboxGridModel::kept(int i) const
{
    // A free slot is one without a sender: its key tells so without the record being touched,
    // which would cost a page of memory per slot.
    if (m_fromKeys[std::size_t(i)].empty())
        return false;
    return m_fieldHits[std::size_t(i)] || (m_bodies && m_bodies->matches(i));
}

void TInboxGridModel::sort(int column, Qt::SortOrder order)
{
    m_sortColumn = column;
    m_sortOrder = order;
    rebuildOrder();
}

int TInboxGridModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    return ordered() ? int(m_order.size()) : arrayRows();
}

int TInboxGridModel::elementOfRow(int row) const
{
    if (!ordered())
        return row;
    return row >= 0 && row < int(m_order.size()) ? m_order[std::size_t(row)] : -1;
}

int TInboxGridModel::rowOfElement(int element) const
{
    if (!ordered())
        return TArrayGridModel::rowOfElement(element);
    const auto at = std::find(m_order.begin(), m_order.end(), element);
    return at == m_order.end() ? -1 : int(at - m_order.begin());
}

void TInboxGridModel::buildKeys() const
{
    if (m_fromKeys.ends.size() == m_inbox.size())
        return;
    m_fromKeys = {};
    m_subjectKeys = {};
    m_fromKeys.ends.reserve(m_inbox.size());
    m_subjectKeys.ends.reserve(m_inbox.size());
    for (const TMessageRecord &record : m_inbox) {
        appendFolded(m_fromKeys.bytes, record, TMessageRecord::FromOffset, TMessageRecord::NameFieldSize);
        m_fromKeys.ends.push_back(std::uint32_t(m_fromKeys.bytes.size()));
        appendFolded(m_subjectKeys.bytes, record, TMessageRecord::SubjectOffset, TMessageRecord::SubjectSize);
        m_subjectKeys.ends.push_back(std::uint32_t(m_subjectKeys.bytes.size()));
    }
}

void TInboxGridModel::rebuildOrder()
{
    beginResetModel();
    m_order.clear();
    if (ordered()) {
        buildKeys();
        m_bodiesRead = m_bodies ? m_bodies->readCount() : -1;
        const int count = std::min(arrayRows(), int(m_inbox.size()));
        if (m_filtering) {
            findInFields();
            if (m_bodies)
                m_bodies->setQuery(m_filterText, count);
        }
        m_order.reserve(std::size_t(count));
        for (int i = 0; i < count; ++i) {
            if (!m_filtering || kept(i))
                m_order.push_back(i);
        }
        const auto sortBy = [this](auto key) {
            const auto less = [&key](int a, int b) { return key(a) < key(b); };
            if (m_sortOrder == Qt::AscendingOrder)
                std::stable_sort(m_order.begin(), m_order.end(), less);
            else
                std::stable_sort(m_order.begin(), m_order.end(), [&less](int a, int b) { return less(b, a); });
        };
        switch (m_sortColumn) {
        case 0:
            sortBy([this](int i) { return m_fromKeys[std::size_t(i)]; });
            break;
        case 1:
            sortBy([this](int i) { return m_subjectKeys[std::size_t(i)]; });
            break;
        case 2: {
            std::vector<QString> attachments(m_inbox.size());
            for (int i : m_order)
                attachments[std::size_t(i)] = attachmentListText(m_inbox[std::size_t(i)]).toCaseFolded();
            sortBy([&attachments](int i) -> const QString & { return attachments[std::size_t(i)]; });
            break;
        }
        case 3:
            sortBy([this](int i) {
                return i < m_marks.size() && m_marks[i].known ? m_marks[i].received : std::int64_t(0);
            });
            break;
        default:
            break;
        }
    }
    endResetModel();
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
