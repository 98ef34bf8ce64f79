#include "windowfixture.h"

#include "AddressRecord.h"
#include "DropFiles.h"
#include "FileOps.h"
#include "GX_Outlook.h"
#include "ProfileFile.h"
#include "RecordFile.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <QTextList>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

std::string count(const std::string &folder, const char *name)
{
    return TProfileFile(folder + "Attach.ini")
        .ReadString(QStringLiteral("attachments"), QString::fromLatin1(name), {})
        .toStdString();
}

// Ben and Carla in the address book, and two files to attach.
class NewViewCompose : public WindowTest
{
protected:
    NewViewCompose()
        : WindowTest("anna", [](const Office &office) {
            office.writeBook({{"Ben", office.inbox("ben")}, {"Carla", office.inbox("carla")}});
        })
    {
        writeAll(src + "report.txt", std::string(20000, 'r'));
        writeAll(src + "plan.txt", "plan");
    }
    // "Plans" to Ben and Carla, both files attached.
    void compose()
    {
        w.pickRecipient(1, 1);
        w.pickRecipient(2, 2);
        w.attach(src + "report.txt", 1);
        w.attach(src + "plan.txt", 2);
        w.type("SubjectE", QStringLiteral("Plans"));
        w.find<QTextEdit>("RichEdit1")->setPlainText(QStringLiteral("See the plans."));
    }

    const std::string src = office.t.folder("src");
};

TEST_F(NewViewCompose, SendDeliversTheMessageAndTheAttachmentsToEveryRecipient)
{
    compose();
    w.click("SendB");
    EXPECT_EQ(w.dialogs.take(), (std::vector<std::string>{"open file", "open file", "info|Quindle|Messages Sent"}));
    for (const char *user : {"ben", "carla"}) {
        const std::string folder = office.inbox(user);
        const std::string drop = folder + (user == std::string("ben") ? "Ben1.qdm" : "Carla1.qdm");
        ASSERT_TRUE(fileExists(drop)) << drop;
        EXPECT_EQ(readMessageFile(drop).records.at(0).Subject(), QStringLiteral("Plans"));
        EXPECT_EQ(readAll(folder + "report.txt"), std::string(20000, 'r'));
        EXPECT_EQ(count(folder, "report.txt"), "1");
        EXPECT_EQ(count(folder, "plan.txt"), "1");
    }
}

TEST_F(NewViewCompose, TheProgressBarCountsTheBytesCopiedAndGoes)
{
    compose();
    auto *progress = w.find<QProgressBar>("NewProgressBar1");
    QSignalSpy steps(progress, &QProgressBar::valueChanged);
    w.click("SendB");
    EXPECT_TRUE(progress->isHidden());
    EXPECT_EQ(progress->value(), 0);
    EXPECT_TRUE(std::any_of(steps.begin(), steps.end(), [](const QList<QVariant> &s) { return s[0] == 20000; }));
}

// A body whose rich text passes 10,001 characters.
TEST_F(NewViewCompose, ABodyTooLongIsNotSent)
{
    compose();
    w.dialogs.take();
    w.find<QTextEdit>("RichEdit1")->setPlainText(QString(10001, QLatin1Char('x')));
    w.click("SendB");
    EXPECT_EQ(w.dialogs.take(), (std::vector<std::string>{"error|Quindle|Sorry your message body is too long"}));
    EXPECT_FALSE(fileExists(office.inbox("ben") + "Ben1.qdm"));
}

TEST_F(NewViewCompose, ClearAnsweredNoKeepsEverythingAndYesEmptiesTheViewAndEverySlot)
{
    compose();
    w.dialogs.take();
    w.dialogs.answers = {false, true};
    w.click("Cleari");
    EXPECT_EQ(w.find<QLineEdit>("SubjectE")->text(), QStringLiteral("Plans"));
    w.click("Cleari");
    EXPECT_EQ(w.dialogs.take(),
              (std::vector<std::string>(2, "ask question|Confirm|Are you sure you want to clear this message?")));
    EXPECT_EQ(w.find<QLineEdit>("SubjectE")->text(), QString());
    EXPECT_EQ(w.find<QComboBox>("ToC")->itemText(1), QString());
    EXPECT_EQ(w.find<QComboBox>("AttachC")->itemText(0), QString());
    EXPECT_EQ(w.form->state().AttachPaths[0], QString());
    EXPECT_TRUE(w.find<QTextEdit>("RichEdit1")->document()->isEmpty());
}

// None at all, then a name typed but never picked: the program folder stays as it was.
TEST_F(NewViewCompose, WithoutAFilledRecipientSlotNothingIsBuilt)
{
    const std::vector<std::string> before = treeOf(office.program("anna"));
    w.find<QTextEdit>("RichEdit1")->setPlainText(QStringLiteral("Typed"));
    w.click("SendB");
    QTest::keyClicks(w.find<QComboBox>("ToC")->lineEdit(), QStringLiteral("Ben"));
    w.click("SendB");
    const std::string how = "\nTo choose a recipient, click the name in the Address List, choose a slot in the To list "
                            "and press \"To\".";
    EXPECT_EQ(w.dialogs.take(),
              (std::vector<std::string>{"error|Quindle|The message has no recipient. Nothing was sent." + how,
                                        "error|Quindle|\"Ben\" is typed in the To box but is not a recipient. "
                                        "Nothing was sent." + how}));
    EXPECT_EQ(treeOf(office.program("anna")), before);
    EXPECT_FALSE(fileExists(office.inbox("ben") + "Ben1.qdm"));
}

TEST_F(NewViewCompose, WithoutANameNothingIsSentAndTheSettingsViewComesForwardWithABeep)
{
    w.pickRecipient(1, 1);
    w.find<QLineEdit>("YourNameE")->clear();
    w.click("SendB");
    EXPECT_EQ(w.front(), QStringLiteral("SettingsPan"));
    EXPECT_EQ(w.dialogs.beeps, 1);
    EXPECT_TRUE(w.dialogs.said.empty());
    EXPECT_FALSE(fileExists(office.inbox("ben") + "Ben1.qdm"));
}

// What a send or a collection went past is said in the box that ends it.
TEST(NewView, NoticesOfSendAndCollect)
{
    Office office;
    office.settle("Anna");
    office.writeBook({{"Ben", office.inbox("Ben")}, {"../x", office.inbox("Ben")}});
    Window w(office.program("Anna"));
    w.pickRecipient(1, 1);
    w.pickRecipient(2, 2);
    w.click("SendB");
    const std::vector<std::string> said = w.dialogs.take();
    ASSERT_EQ(said.size(), 1u);
    EXPECT_EQ(said[0].substr(0, 30), "warning|Quindle|Messages Sent\n");
    EXPECT_NE(said[0].find("../x"), std::string::npos) << said[0];
    EXPECT_TRUE(fileExists(office.inbox("Ben") + "Ben1.qdm"));
    EXPECT_FALSE(fileExists(office.inbox("Ben") + "Ben2.qdm")) << "the climbing name got nothing";

    // A pipe planted as the first drop file is left where it is; the next one is collected.
    ASSERT_EQ(::mkfifo((office.inbox("Anna") + "Anna1.qdm").c_str(), 0666), 0);
    WriteDropFile(office.inbox("Anna"), QStringLiteral("Anna"), message("Ben", "After the pipe"));
    w.click("ToolButton4");
    EXPECT_EQ(w.form->state().inbox[0].Subject(), QStringLiteral("After the pipe"));
    const std::vector<std::string> notice = w.dialogs.take();
    ASSERT_EQ(notice.size(), 1u);
    EXPECT_NE(notice[0].find("Anna1.qdm"), std::string::npos) << notice[0];
    EXPECT_EQ(notice[0].substr(0, 16), "warning|Quindle|");
}

TEST(NewView, PlacesOfTheToolbarsAndTheSlots)
{
    Office office;
    office.settle("anna");
    Window w(office.program("anna"));
    EXPECT_EQ(w.place("ToolBar1"), QRect(1, 23, 690, 29));
    EXPECT_EQ(w.place("ToolBar2"), QRect(1, 52, 690, 29));
    EXPECT_EQ(w.place("RichEdit1").top(), 81);
    EXPECT_EQ(w.place("NewProgressBar1"), QRect(1, 81, 690, 24));
    EXPECT_EQ(w.place("SendB").size(), QSize(30, 28));
    const std::pair<const char *, int> widths[] = {{"SubjectE", 201}, {"ToB", 23}, {"ToC", 145}, {"AttachB", 55},
                                                   {"AttachC", 201}};
    for (const auto &[name, width] : widths)
        EXPECT_EQ(w.place(name).width(), width) << name;
    for (const char *list : {"ToC", "AttachC"}) {
        EXPECT_EQ(w.find<QComboBox>(list)->count(), 10);
        EXPECT_EQ(w.find<QComboBox>(list)->maxVisibleItems(), 8);
    }
    // The progress bar spans a wider view.
    w.form->resize(892, 454);
    EXPECT_EQ(w.place("NewProgressBar1"), QRect(1, 81, 790, 24));
}

TEST(Exchange, TwoWindowsExchangeAFormattedMessageWithAnAttachment)
{
    Office office;
    office.settle("Anna");
    office.settle("Ben");
    office.writeBook({{"Anna", office.inbox("Anna")}, {"Ben", office.inbox("Ben")}});
    const std::string notes = office.t.folder("docs") + "notes.txt";
    writeAll(notes, "the notes");
    Window anna(office.program("Anna"));
    Window ben(office.program("Ben"));

    anna.pickRecipient(2, 1);
    anna.attach(notes, 1);
    anna.type("SubjectE", QStringLiteral("Agenda"));
    anna.form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(anna.form.get()));
    auto *body = anna.find<QTextEdit>("RichEdit1");
    body->setFocus();
    QTest::keyClicks(body, QStringLiteral("Plain and "));
    QTest::keyClick(body, Qt::Key_B, Qt::ControlModifier);
    QTest::keyClicks(body, QStringLiteral("bold"));
    QTest::keyClick(body, Qt::Key_B, Qt::ControlModifier);
    QTest::keyClick(body, Qt::Key_Return);
    anna.click("RichEditBullets1B");
    QTest::keyClicks(body, QStringLiteral("first"));
    QTest::keyClick(body, Qt::Key_Return);
    QTest::keyClicks(body, QStringLiteral("second"));
    anna.click("SendB");
    ASSERT_EQ(anna.dialogs.take(), (std::vector<std::string>{"open file", "info|Quindle|Messages Sent"}));

    ben.click("ToolButton4");
    EXPECT_EQ(ben.front(), QStringLiteral("InBoxPan"));
    EXPECT_EQ(ben.find<TFEGXOutlookBar>("FEGXOutlookBar1")->SelectedItem(), 4);
    EXPECT_FALSE(fileExists(office.inbox("Ben") + "Ben1.qdm"));
    EXPECT_EQ(readAll(office.inbox("Ben") + "notes.txt"), "the notes");
    ben.doubleClickRow("InBoxG", 1);
    ASSERT_EQ(ben.front(), QStringLiteral("MailReaderPan"));
    EXPECT_EQ(ben.find<QLabel>("ReaderFromL")->text(), QStringLiteral("Anna"));
    EXPECT_EQ(ben.find<QLabel>("ReaderSubjectL")->text(), QStringLiteral("Agenda"));
    EXPECT_EQ(ben.find<QLabel>("ReaderAttachL")->text(), QStringLiteral("notes.txt,"));

    const QTextDocument *read = ben.find<QTextEdit>("ReadRichEdit")->document();
    ASSERT_EQ(read->blockCount(), 3);
    QStringList bold;
    for (auto it = read->firstBlock().begin(); !it.atEnd(); ++it) {
        if (it.fragment().charFormat().fontWeight() > QFont::Normal)
            bold << it.fragment().text();
    }
    EXPECT_EQ(bold, QStringList{QStringLiteral("bold")});
    for (int b = 1; b <= 2; ++b) {
        const QTextBlock block = read->findBlockByNumber(b);
        ASSERT_TRUE(block.textList()) << b;
        EXPECT_EQ(block.textList()->format().style(), QTextListFormat::ListDisc);
    }
    EXPECT_EQ(read->findBlockByNumber(2).text(), QStringLiteral("second"));
}

} // namespace
