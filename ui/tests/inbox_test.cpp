#include "windowfixture.h"

#include "AddressFile.h"
#include "InboxMarks.h"
#include "MessageRecord.h"
#include "FileOps.h"
#include "RecordFile.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QEnterEvent>
#include <QHeaderView>
#include <QLabel>
#include <QTableView>
#include <QTextEdit>

#include <gtest/gtest.h>

#include <cstring>

namespace {

void writeInbox(const std::string &file, const std::vector<TMessageRecord> &records)
{
    std::string bytes;
    for (const TMessageRecord &r : records)
        bytes.append(r.bytes.data(), r.bytes.size());
    writeAll(file, bytes);
}

std::vector<std::string> subjectsOnDisk(const std::string &file)
{
    std::vector<std::string> subjects;
    for (const TMessageRecord &r : readMessageFile(file).records)
        subjects.push_back(r.Subject().toStdString());
    return subjects;
}

// Three messages in the datafile; Minutes, in the second slot, and Keys name attachments
// that lie in the inbox folder. The InBox is in front.
class InBoxList : public WindowTest
{
protected:
    InBoxList()
        : WindowTest("anna", [](const Office &office) {
            TMessageRecord second = message("Ben", "Minutes", {"a.doc", "b.txt"});
            second.setAttachName(4, u"c.pdf");
            writeInbox(office.data("anna") + "InBox.qdi",
                       {message("Carla", "Lunch"), second, message("Dan", "Keys", {"B.TXT"})});
            for (const char *name : {"a.doc", "b.txt", "c.pdf"})
                writeAll(office.inbox("anna") + name, std::string(1500, 'x'));
        })
    {
        w.clickItem(4);
    }

    const std::string datafile = office.data("anna") + "InBox.qdi";
};

TEST_F(InBoxList, EachRowShowsItsSlotsSenderSubjectAndAttachments)
{
    ASSERT_EQ(w.front(), QStringLiteral("InBoxPan"));
    EXPECT_EQ(w.find<QTableView>("InBoxG")->model()->rowCount(), 3);
    EXPECT_EQ(w.cell("InBoxG", 2, 0), QStringLiteral("Ben"));
    EXPECT_EQ(w.cell("InBoxG", 2, 1), QStringLiteral("Minutes"));
    EXPECT_EQ(w.cell("InBoxG", 2, 2), QStringLiteral("a.doc,b.txt,c.pdf,"));
    EXPECT_EQ(w.cell("InBoxG", 2, 3), QString());
    EXPECT_EQ(w.form->state().inboxIndex, 0);
}

// Row 2 is element 1.
TEST_F(InBoxList, ADoubleClickShowsTheRowsMessageWholeInTheReader)
{
    w.doubleClickRow("InBoxG", 2);
    ASSERT_EQ(w.front(), QStringLiteral("MailReaderPan"));
    EXPECT_EQ(w.form->state().inboxIndex, 1);
    EXPECT_EQ(w.find<QLabel>("ReaderFromL")->text(), QStringLiteral("Ben"));
    EXPECT_EQ(w.find<QLabel>("ReaderSubjectL")->text(), QStringLiteral("Minutes"));
    auto *attach = w.find<QLabel>("ReaderAttachL");
    EXPECT_EQ(attach->text(), QStringLiteral("a.doc,b.txt,c.pdf,"));
    EXPECT_EQ(w.find<QTextEdit>("ReadRichEdit")->toPlainText(), QStringLiteral("Text of Minutes"));
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QApplication::sendEvent(attach, &enter);
    EXPECT_EQ(attach->toolTip(), attach->text());
}

TEST_F(InBoxList, DeleteAsksThenEmptiesTheSlotInPlace)
{
    w.clickRow("InBoxG", 2);
    w.dialogs.answers = {false, true};
    w.click("DeleteInboxMsgI");
    EXPECT_EQ(subjectsOnDisk(datafile), (std::vector<std::string>{"Lunch", "Minutes", "Keys"}));
    w.click("DeleteInboxMsgI");
    EXPECT_EQ(w.dialogs.take(),
              (std::vector<std::string>(2, "ask warning|Warning|Are you sure you want to delete this message?")));
    EXPECT_EQ(subjectsOnDisk(datafile), (std::vector<std::string>{"Lunch", "", "Keys"}));
    EXPECT_EQ(w.cell("InBoxG", 2, 0), QString());
    EXPECT_EQ(w.cell("InBoxG", 2, 2), QString());
}

// The reader keeps the last message read until it is opened again; on a free slot it is empty.
TEST_F(InBoxList, TheReaderOpenedOnADeletedMessageIsEmpty)
{
    w.doubleClickRow("InBoxG", 2);
    w.clickItem(4);
    w.deleteMessage(2);
    w.find<QAction>("MailReaderObi")->trigger();
    EXPECT_EQ(w.find<QLabel>("ReaderFromL")->text(), QString());
    EXPECT_EQ(w.find<QTextEdit>("ReadRichEdit")->toPlainText(), QString());
}

// The attachments of the deleted Minutes go with it, but for the one Keys names too.
TEST_F(InBoxList, WithAutomaticCompactionTheDeletedRowsGoAtOnceWithTheirAttachments)
{
    w.deleteMessage(2);
    w.find<QCheckBox>("AutoOInbox")->setChecked(true);
    w.dialogs.take();
    w.deleteMessage(1);
    EXPECT_EQ(subjectsOnDisk(datafile), (std::vector<std::string>{"Keys"}));
    EXPECT_EQ(w.find<QTableView>("InBoxG")->model()->rowCount(), 1);
    EXPECT_EQ(w.dialogs.take(), (std::vector<std::string>{
                                    "ask warning|Warning|Are you sure you want to delete this message?",
                                    "info|Quindle|2 attachment files that no message names were removed "
                                    "from " + office.inbox("anna") + ": 3.0 kB came free."}));
    EXPECT_FALSE(fileExists(office.inbox("anna") + "a.doc"));
    EXPECT_TRUE(fileExists(office.inbox("anna") + "b.txt"));
    EXPECT_FALSE(fileExists(office.inbox("anna") + "c.pdf"));
    EXPECT_FALSE(fileExists(office.program("anna") + "packed.qdi"));
}

TEST(InBoxView, EmptyInboxAndGrid)
{
    Office office;
    office.settle("anna");
    Window w(office.program("anna"));
    auto *grid = w.find<QTableView>("InBoxG");
    const int widths[] = {64, 173, 151, 309};
    for (int c = 0; c < 4; ++c)
        EXPECT_EQ(grid->columnWidth(c), widths[c]);
    EXPECT_EQ(grid->verticalHeader()->defaultSectionSize(), 24);
    EXPECT_EQ(grid->horizontalHeader()->height(), 24);
    EXPECT_TRUE(grid->horizontalHeader()->sectionsMovable());
    EXPECT_EQ(grid->model()->rowCount(), 999) << "1,000 rows with the header until the view is shown";

    // One free slot: a blank row; compacting it away leaves the header and no current message.
    w.clickItem(4);
    EXPECT_EQ(grid->model()->rowCount(), 1);
    w.click("PackInboxI");
    EXPECT_EQ(grid->model()->rowCount(), 1) << "a compacted datafile keeps one record";
    w.form->findChild<QAction *>(QStringLiteral("MailReaderObi"))->trigger();
    EXPECT_EQ(w.find<QLabel>("ReaderSubjectL")->text(), QString());
    EXPECT_EQ(w.place("ToolBar3"), QRect(1, 23, 690, 29));
    EXPECT_EQ(w.place("ReaderAttachL").width(), 150);
    EXPECT_EQ(w.place("ToolBar5"), QRect(1, 23, 690, 29));
    EXPECT_EQ(w.place("DeleteInboxMsgI").size(), QSize(30, 28));
    EXPECT_EQ(w.place("InBoxG"), QRect(1, 52, 690, 372));
}

// Two windows on one datafile would overwrite each other's slots.
TEST(InBoxView, SecondCopyOnTheSameDatafileIsRefused)
{
    Office office;
    office.settle("anna");
    auto first = std::make_unique<Window>(office.program("anna"));
    EXPECT_TRUE(first->dialogs.said.empty());
    const std::string datafile = office.data("anna") + "InBox.qdi";
    const std::string before = readAll(datafile);
    writeAll(office.inbox("anna") + "anna1.qdm", std::string(message("Ben", "Hi").bytes.data(), 19100));

    Window second(office.program("anna"));
    const std::string refusal = "error|Quindle|The inbox datafile " + datafile
                                + " is open in another copy of Quindle. Close it there and try again.";
    EXPECT_EQ(second.dialogs.take(), (std::vector<std::string>{refusal}));
    second.click("ToolButton4");
    second.click("PackInboxI");
    second.click("DeleteInboxMsgI");
    EXPECT_EQ(second.dialogs.take(), (std::vector<std::string>(3, refusal)));
    EXPECT_EQ(readAll(datafile), before);
    EXPECT_TRUE(fileExists(office.inbox("anna") + "anna1.qdm"));

    // Once the other copy has closed, Collect takes the inbox without a Save or a restart.
    first.reset();
    second.click("ToolButton4");
    EXPECT_TRUE(second.dialogs.take().empty());
    EXPECT_EQ(second.form->state().inbox[0].Subject(), QStringLiteral("Hi"));
    EXPECT_FALSE(fileExists(office.inbox("anna") + "anna1.qdm"));
}


// The Mail Reader says which account delivered a message, and marks it plainly when the
// office records another account for the sender's name.
TEST(InBoxView, ReaderTellsWhichAccountDelivered)
{
    Office office;
    office.settle("anna");
    const std::string datafile = office.data("anna") + "InBox.qdi";
    const TMessageRecord fromBen = message("Ben", "Shelves");
    const TMessageRecord posingAsCarla = message("Carla", "Pay this invoice");
    writeInbox(datafile, {fromBen, posingAsCarla, message("Dan", "Unknown")});
    TInboxMarks marks;
    marks.load(datafile);
    marks.update(readMessageFile(datafile).records, 1);
    marks.setAccounts({{TInboxMarks::hashOf(fromBen), qs("ben")}, {TInboxMarks::hashOf(posingAsCarla), qs("ben")}});
    marks.save();
    setOfficeAccount(qs(office.book), qs("Ben"), qs("ben"));
    setOfficeAccount(qs(office.book), qs("Carla"), qs("carla"));
    Window w(office.program("anna"));
    const auto account = [&](int row) {
        w.clickItem(4);
        w.doubleClickRow("InBoxG", row);
        return w.find<QLabel>("ReaderAccountL")->text();
    };
    EXPECT_EQ(account(1), qs("from the account ben"));
    EXPECT_TRUE(account(2).contains(qs("from the account ben, not Carla's (carla)"))) << account(2).toStdString();
    EXPECT_EQ(account(3), QString()) << "a message of an unknown account says nothing";
}

} // namespace
