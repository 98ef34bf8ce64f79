#include "windowfixture.h"

#include "AddressRecord.h"
#include "GX_Outlook.h"
#include "RecordFile.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QTableView>

#include <gtest/gtest.h>

#include <filesystem>

namespace {

std::vector<std::string> namesInFile(const std::string &file)
{
    std::vector<std::string> names;
    for (const TAddressRec &entry : readAddressFile(file).records)
        names.push_back(entry.Name().toStdString());
    return names;
}

class AddressViews : public WindowTest
{
protected:
    AddressViews() : WindowTest("anna") {}
    // Sales, a server entry, saved on the Edit view as it opens.
    void saveSales()
    {
        w.type("AddressNameE", QStringLiteral("Sales"));
        w.type("AddressInBoxE", qs(office.inbox("sales")));
        w.find<QCheckBox>("AddressServer")->setChecked(true);
        w.click("Button5");
    }
    // Sales, then Ben through New, listed with nothing said: Ben is the current entry.
    void listSalesAndBen()
    {
        saveSales();
        w.click("Button4");
        w.type("AddressNameE", QStringLiteral("Ben"));
        w.click("Button5");
        w.dialogs.take();
        w.clickItem(1);
    }

    const std::string book = office.book + "address list.qda";
};

TEST_F(AddressViews, SaveOnTheEditViewNeverFilledWritesTheFirstEntry)
{
    ASSERT_EQ(w.front(), QStringLiteral("AddressPan2"));
    saveSales();
    EXPECT_EQ(namesInFile(book), (std::vector<std::string>{"Sales"}));
    EXPECT_EQ(w.dialogs.take(), (std::vector<std::string>{"info|Quindle|Address saved"}));
}

TEST_F(AddressViews, NewEmptiesTheFieldsAndANameTakenIsRefused)
{
    saveSales();
    w.dialogs.take();
    w.click("Button4");
    EXPECT_EQ(w.find<QLineEdit>("AddressNameE")->text(), QString());
    EXPECT_FALSE(w.find<QCheckBox>("AddressServer")->isChecked());
    w.type("AddressNameE", QStringLiteral("Sales"));
    w.click("Button5");
    w.type("AddressNameE", QStringLiteral("Ben"));
    w.click("Button5");
    EXPECT_EQ(w.dialogs.take(), (std::vector<std::string>{"error|Quindle|That name already exists, try again",
                                                          "info|Quindle|Address saved"}));
    EXPECT_EQ(namesInFile(book), (std::vector<std::string>{"Sales", "Ben"}));
}

TEST_F(AddressViews, TheListShowsEveryEntryAndSelectsTheCurrentOne)
{
    listSalesAndBen();
    ASSERT_EQ(w.front(), QStringLiteral("AddressPan"));
    const auto *grid = w.find<QTableView>("AddressG");
    EXPECT_EQ(grid->model()->rowCount(), 2);
    EXPECT_EQ(grid->currentIndex().row(), 1) << "the current entry's row";
    EXPECT_EQ(w.cell("AddressG", 1, 3), QStringLiteral("Yes"));
    EXPECT_EQ(w.cell("AddressG", 2, 3), QStringLiteral("No"));
}

TEST_F(AddressViews, DeleteAsksThenEmptiesTheEntryInPlace)
{
    listSalesAndBen();
    w.clickRow("AddressG", 1);
    w.dialogs.answers = {false, true};
    w.click("DeleteAdrI");
    EXPECT_EQ(namesInFile(book), (std::vector<std::string>{"Sales", "Ben"}));
    w.click("DeleteAdrI");
    EXPECT_EQ(w.dialogs.take(),
              (std::vector<std::string>(2, "ask warning|Warning|Are you sure you want to delete this Address?")));
    EXPECT_EQ(namesInFile(book), (std::vector<std::string>{"", "Ben"}));
    EXPECT_EQ(w.cell("AddressG", 1, 0), QString());
    EXPECT_EQ(w.cell("AddressG", 1, 3), QStringLiteral("No"));
    EXPECT_EQ(w.form->state().AddressIndex, 0);
}

TEST_F(AddressViews, CompactRemovesTheEmptiedEntries)
{
    listSalesAndBen();
    w.clickRow("AddressG", 1);
    w.dialogs.answers = {true};
    w.click("DeleteAdrI");
    w.click("PackAddressI");
    EXPECT_EQ(namesInFile(book), (std::vector<std::string>{"Ben"}));
    EXPECT_EQ(w.find<QTableView>("AddressG")->model()->rowCount(), 1);
}

TEST_F(AddressViews, ADoubleClickOpensTheEntryWithAddressesEditSelected)
{
    listSalesAndBen();
    w.doubleClickRow("AddressG", 1);
    EXPECT_EQ(w.front(), QStringLiteral("AddressPan2"));
    EXPECT_EQ(w.find<TFEGXOutlookBar>("FEGXOutlookBar1")->SelectedItem(), 2);
    EXPECT_EQ(w.find<QLineEdit>("AddressNameE")->text(), QStringLiteral("Sales"));
}

TEST_F(AddressViews, AFileErrorEndsTheHandlerInTheErrorBoxAndTheViewStays)
{
    saveSales();
    w.dialogs.take();
    std::filesystem::remove(book);
    std::filesystem::create_directory(book);
    w.click("Button5");
    EXPECT_EQ(w.dialogs.take(), (std::vector<std::string>{"error|Quindle|File access denied"}));
    EXPECT_EQ(w.front(), QStringLiteral("AddressPan2"));
}

TEST_F(AddressViews, PlacesTabOrderAndGrid)
{
    const std::pair<const char *, QRect> places[] = {
        {"AddressNameE", {40, 56, 177, 21}},   {"AddressInBoxE", {40, 120, 177, 21}},
        {"AddressInBoxB", {40, 144, 65, 25}},  {"AddressCommentE", {40, 200, 177, 21}},
        {"AddressServer", {40, 248, 97, 17}},  {"AddressButtonStrip", {1, 383, 690, 41}},
        {"Button4", {259, 391, 75, 25}},       {"Button5", {347, 391, 75, 25}}};
    for (const auto &[name, rect] : places)
        EXPECT_TRUE(w.placedAt(name, rect));
    EXPECT_EQ(w.tabChain("AddressNameE", 6),
              (std::vector<QString>{QStringLiteral("AddressInBoxE"), QStringLiteral("AddressCommentE"),
                                    QStringLiteral("AddressInBoxB"), QStringLiteral("AddressServer"),
                                    QStringLiteral("Button4"), QStringLiteral("Button5")}));

    // Comment takes what the others leave, so that Server stands inside the window.
    w.place("AddressG");
    const auto *grid = w.find<QTableView>("AddressG");
    const int widths[] = {113, 316, -1, 64};
    for (int c : {0, 1, 3})
        EXPECT_EQ(grid->columnWidth(c), widths[c]);
    EXPECT_GT(grid->columnWidth(2), 100);
    EXPECT_LE(grid->horizontalHeader()->sectionViewportPosition(3) + 64, grid->viewport()->width());
    EXPECT_EQ(grid->horizontalHeader()->sectionResizeMode(0), QHeaderView::Fixed);
    EXPECT_FALSE(grid->horizontalHeader()->sectionsMovable());
    EXPECT_EQ(grid->model()->headerData(2, Qt::Horizontal).toString(), QStringLiteral("Comment"));
}

} // namespace
