#include "GridModels.h"
#include "casename.h"
#include "windowfixture.h"

#include <QAbstractItemModelTester>

#include <gtest/gtest.h>

namespace {

using Tester = QAbstractItemModelTester;

// Five slots, the third free; the messages came in another order than their slots':
// Ben's minutes first, Dan's keys last.
class GridModels : public ::testing::Test
{
protected:
    GridModels()
    {
        marks.update(inbox, 0);
        arrive(1, message("Ben", "minutes", {"b.txt"}), 1000);
        arrive(0, message("Carla", "Lunch", {"menu.pdf"}), 2000);
        arrive(4, message("ben", "Accounts"), 2500);
        arrive(3, message("Dan", "Keys", {"A.doc"}), 3000);
        model.setGridRowCount(6);
    }
    void arrive(int slot, const TMessageRecord &record, std::int64_t when)
    {
        inbox[std::size_t(slot)] = record;
        marks.update(inbox, when);
    }
    // The slot each row shows; each row is also the one the model names for its slot.
    std::vector<int> shownSlots() const
    {
        std::vector<int> shown;
        for (int row = 0; row < model.rowCount(); ++row) {
            shown.push_back(model.elementOfRow(row));
            EXPECT_EQ(model.rowOfElement(shown.back()), row) << row;
        }
        return shown;
    }

    TInboxData inbox = TInboxData(5);
    TInboxMarks marks;
    TInboxGridModel model{inbox, marks, nullptr};
    Tester tester{&model, Tester::FailureReportingMode::Fatal};
};

TEST_F(GridModels, InboxRowsFollowTheGridsRowCountAndRowsBeyondTheArrayAreEmpty)
{
    EXPECT_EQ(model.rowCount(), 5);
    EXPECT_EQ(model.index(3, 0).data().toString(), QStringLiteral("Dan"));
    EXPECT_EQ(model.index(3, 2).data().toString(), QStringLiteral("A.doc,"));
    EXPECT_FALSE(model.index(3, 3).data().toString().isEmpty()) << "when it was received";
    EXPECT_EQ(model.index(2, 0).data().toString(), QString()) << "the free slot";
    model.setGridRowCount(9);
    EXPECT_EQ(model.rowCount(), 8);
    EXPECT_FALSE(model.index(7, 0).data().isValid());
    model.setGridRowCount(3);
    EXPECT_EQ(shownSlots(), (std::vector<int>{0, 1}));
    model.setGridRowCount(0);
    EXPECT_EQ(model.rowCount(), 0);
}

TEST_F(GridModels, UnreadMessagesAreBoldUntilRead)
{
    QFont bold;
    bold.setBold(true);
    model.setBoldFont(bold);
    EXPECT_TRUE(model.index(1, 0).data(Qt::FontRole).value<QFont>().bold());
    EXPECT_FALSE(model.index(2, 0).data(Qt::FontRole).isValid()) << "a free slot is never unread";
    ASSERT_TRUE(marks.markRead(1));
    model.elementChanged(1);
    EXPECT_FALSE(model.index(1, 0).data(Qt::FontRole).isValid());
}

TEST_F(GridModels, ASortedInboxTakesChangedSlotsInItsOrder)
{
    model.sort(1);
    arrive(2, message("Eve", "Budget"), 4000);
    model.refresh();
    EXPECT_EQ(shownSlots(), (std::vector<int>{4, 2, 3, 0, 1}));
    model.sort(-1);
    EXPECT_EQ(shownSlots(), (std::vector<int>{0, 1, 2, 3, 4}));
}

struct OrderCase
{
    const char *name;
    QString filter; // typed after the sort, one letter at a time
    int column;
    Qt::SortOrder order;
    std::vector<int> shown;
};

const OrderCase orderCases[] = {
    {"every slot in its own order", {}, -1, Qt::AscendingOrder, {0, 1, 2, 3, 4}},
    {"a sender in any letter case", QStringLiteral("BEN"), -1, Qt::AscendingOrder, {1, 4}},
    {"a part of a subject", QStringLiteral("unch"), -1, Qt::AscendingOrder, {0}},
    {"a text no message holds", QStringLiteral("zebra"), -1, Qt::AscendingOrder, {}},
    {"a letter Windows-1252 lacks", QStringLiteral("b\u0436"), -1, Qt::AscendingOrder, {}},
    {"by sender, equal ones in slot order", {}, 0, Qt::AscendingOrder, {2, 1, 4, 0, 3}},
    {"by subject descending", {}, 1, Qt::DescendingOrder, {1, 0, 3, 4, 2}},
    {"by attachments", {}, 2, Qt::AscendingOrder, {2, 4, 3, 1, 0}},
    {"by received, the free slot first", {}, 3, Qt::AscendingOrder, {2, 1, 0, 4, 3}},
    {"by subject, then a filter narrows it", QStringLiteral("e"), 1, Qt::AscendingOrder, {4, 3, 1}},
    {"by sender descending, then a filter", QStringLiteral("a"), 0, Qt::DescendingOrder, {3, 0, 4}},
};

class InboxOrder : public GridModels, public ::testing::WithParamInterface<OrderCase>
{
};

TEST_P(InboxOrder, EachRowShowsTheSlotExpected)
{
    const OrderCase &c = GetParam();
    model.sort(c.column, c.order);
    for (qsizetype typed = 1; typed <= c.filter.size(); ++typed)
        model.setFilter(c.filter.left(typed));
    EXPECT_EQ(shownSlots(), c.shown);
    // The same text typed at once chooses the same rows.
    model.setFilter({});
    model.setFilter(c.filter);
    EXPECT_EQ(shownSlots(), c.shown);
}

INSTANTIATE_TEST_SUITE_P(GridModels, InboxOrder, ::testing::ValuesIn(orderCases), ByCaseName());

TEST_F(GridModels, AddressCellsOfTheEntriesAndEmptyRowsBeyondThem)
{
    TAddressData book(2);
    book[0].setName(u"Sales");
    book[0].setInBox(u"/srv/sales/");
    book[0].setComment(u"orders");
    book[0].setServer(1);
    book[1].setName(u"Ben");
    TAddressGridModel addresses(book, nullptr);
    Tester addressTester(&addresses, Tester::FailureReportingMode::Fatal);
    addresses.setGridRowCount(4);
    ASSERT_EQ(addresses.rowCount(), 3);
    EXPECT_EQ(addresses.headerData(3, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("Server"));
    const QString first[] = {QStringLiteral("Sales"), QStringLiteral("/srv/sales/"), QStringLiteral("orders"),
                             QStringLiteral("Yes")};
    for (int column = 0; column < 4; ++column)
        EXPECT_EQ(addresses.index(0, column).data().toString(), first[column]) << column;
    EXPECT_EQ(addresses.index(1, 3).data().toString(), QStringLiteral("No"));
    EXPECT_FALSE(addresses.index(2, 0).data().isValid()) << "a row beyond the book";

    book[1].setName(u"Benedict");
    addresses.elementChanged(1);
    EXPECT_EQ(addresses.index(1, 0).data().toString(), QStringLiteral("Benedict"));
    book.pop_back();
    addresses.setGridRowCount(2);
    EXPECT_EQ(addresses.rowCount(), 1);
}

} // namespace
