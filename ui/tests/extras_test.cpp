#include "windowfixture.h"

#include "Collect.h"
#include "DropFiles.h"
#include "FileOps.h"
#include "GX_Outlook.h"
#include "InboxFile.h"
#include "NewMailNotice.h"
#include "RecordFile.h"
#include "AddressRecord.h"

#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QTimer>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTableView>
#include <QTest>
#include <QTextEdit>
#include <QToolButton>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

namespace {

// Column `column` of every row of the InBox, with "*" after a row shown in bold.
std::vector<std::string> rows(const Window &w, int column)
{
    const QAbstractItemModel *model = w.find<QTableView>("InBoxG")->model();
    std::vector<std::string> texts;
    for (int r = 0; r < model->rowCount(); ++r) {
        const QModelIndex cell = model->index(r, column);
        texts.push_back(cell.data().toString().toStdString() + (cell.data(Qt::FontRole).value<QFont>().bold() ? "*" : ""));
    }
    return texts;
}

// Carla's message, from before marks were kept, in the datafile; Ben's and Dan's collected
// by the window, the InBox in front. Ben's names an attachment that is there and one gone.
class InBoxCollected : public WindowTest
{
protected:
    InBoxCollected()
        : WindowTest("Anna", [](const Office &office) {
            const std::string inbox = office.inbox("Anna");
            writeAll(office.data("Anna") + "InBox.qdi", std::string(message("Carla", "Old news").bytes.data(), 19100));
            WriteDropFile(inbox, QStringLiteral("Anna"), message("Ben", "Lunch on Friday", {"plan.txt", "gone.txt"}));
            WriteDropFile(inbox, QStringLiteral("Anna"), message("Dan", "Accounts"));
            writeAll(inbox + "plan.txt", "the plan");
        })
    {
        w.click("ToolButton4");
    }
};

TEST_F(InBoxCollected, CollectedMessagesAreDatedAndBoldUntilRead)
{
    EXPECT_EQ(rows(w, 0), (std::vector<std::string>{"Carla", "Ben*", "Dan*"}));
    EXPECT_EQ(rows(w, 3)[0], "");
    EXPECT_FALSE(rows(w, 3)[1].empty()) << "the date it was collected";
    EXPECT_EQ(w.find<QTableView>("InBoxG")->model()->headerData(3, Qt::Horizontal).toString(),
              QStringLiteral("Received"));
    w.doubleClickRow("InBoxG", 3);
    w.clickItem(4);
    EXPECT_EQ(rows(w, 0), (std::vector<std::string>{"Carla", "Ben*", "Dan"})) << "read: no longer bold";
}

// Sorted by subject, the current message stays the slot the user picked.
TEST_F(InBoxCollected, ASortKeepsTheCurrentMessageAndRowsOpenTheirOwnSlot)
{
    w.clickRow("InBoxG", 2);
    ASSERT_EQ(w.form->state().inboxIndex, 1);
    auto *header = w.find<QTableView>("InBoxG")->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(1) + 5, header->height() / 2));
    EXPECT_EQ(rows(w, 1), (std::vector<std::string>{"Accounts*", "Lunch on Friday*", "Old news"}));
    EXPECT_EQ(w.form->state().inboxIndex, 1);
    w.doubleClickRow("InBoxG", 1);
    EXPECT_EQ(w.find<QLabel>("ReaderSubjectL")->text(), QStringLiteral("Accounts"));
    EXPECT_EQ(w.form->state().inboxIndex, 2);
}

TEST_F(InBoxCollected, TheSearchKeepsWhatMatchesTheSenderOrTheSubject)
{
    w.type("InBoxSearchE", QStringLiteral("fri"));
    EXPECT_EQ(rows(w, 1), (std::vector<std::string>{"Lunch on Friday*"}));
    w.type("InBoxSearchE", QStringLiteral("CARLA"));
    EXPECT_EQ(rows(w, 1), (std::vector<std::string>{"Old news"}));
}

TEST_F(InBoxCollected, TheReaderOpensAndSavesAnAttachmentThereAndNamesOneThatIsNot)
{
    w.doubleClickRow("InBoxG", 2);
    ASSERT_EQ(w.find<QLabel>("ReaderFromL")->text(), QStringLiteral("Ben"));
    auto *menu = w.find<QMenu>("ReaderAttachMenu");
    emit menu->aboutToShow();
    QStringList entries;
    for (QAction *a : menu->actions())
        entries << a->text();
    EXPECT_EQ(entries, (QStringList{QStringLiteral("Open plan.txt"), QStringLiteral("Save plan.txt As..."),
                                    QStringLiteral("Open gone.txt"), QStringLiteral("Save gone.txt As...")}));
    const std::string copy = office.t.folder("elsewhere") + "my plan.txt";
    w.dialogs.saveNames = {qs(copy)};
    for (int a : {0, 1, 2})
        menu->actions()[a]->trigger();
    EXPECT_EQ(w.dialogs.take(),
              (std::vector<std::string>{"open document|" + office.inbox("Anna") + "plan.txt",
                                        "save as|" + QDir::home().filePath(QStringLiteral("plan.txt")).toStdString(),
                                        "error|Quindle|The attachment gone.txt is no longer in your inbox folder."}));
    EXPECT_EQ(readAll(copy), "the plan");
}

TEST_F(InBoxCollected, ReadMarksOutliveTheWindowAndMailAnotherCopyCollectedArrivesUnread)
{
    w.doubleClickRow("InBoxG", 2);
    w.form.reset();
    TInboxData data = loadInbox(office.data("Anna") + "InBox.qdi");
    WriteDropFile(office.inbox("Anna"), QStringLiteral("Anna"), message("Eve", "Late"));
    TMessageRecord incoming;
    collectMail(office.settings("Anna"), office.data("Anna") + "InBox.qdi", data, incoming, {});
    Window again(office.program("Anna"));
    again.clickItem(4);
    EXPECT_EQ(rows(again, 0), (std::vector<std::string>{"Carla", "Ben", "Dan*", "Eve*"}));
}

TEST(InBoxExtras, ReplyAndForward)
{
    Office office;
    office.settle("Anna");
    office.writeBook({{"Ben", office.inbox("Ben")}});
    writeAll(office.inbox("Anna") + "plan.txt", "the plan");
    WriteDropFile(office.inbox("Anna"), QStringLiteral("Anna"), message("Ben", "Lunch", {"plan.txt"}));
    WriteDropFile(office.inbox("Anna"), QStringLiteral("Anna"), message("Zoe", "Re: Keys"));
    Window w(office.program("Anna"));
    w.click("ToolButton4");
    w.doubleClickRow("InBoxG", 1);

    w.click("ReplyI");
    EXPECT_EQ(w.front(), QStringLiteral("NewPan"));
    EXPECT_EQ(w.find<QLineEdit>("SubjectE")->text(), QStringLiteral("Re: Lunch"));
    EXPECT_EQ(w.find<QComboBox>("ToC")->itemText(0), QStringLiteral("Ben"));
    EXPECT_EQ(w.find<QTextEdit>("RichEdit1")->toPlainText(), QStringLiteral("\nBen wrote:\n> Text of Lunch"));

    // Forward asks before it replaces what the New view holds, and brings the attachment.
    w.find<QAction>("MailReaderObi")->trigger();
    w.dialogs.answers = {true};
    w.click("ForwardI");
    EXPECT_EQ(w.find<QLineEdit>("SubjectE")->text(), QStringLiteral("Fw: Lunch"));
    EXPECT_EQ(w.find<QComboBox>("ToC")->itemText(0), QString());
    EXPECT_EQ(w.form->state().AttachPaths[0], qs(office.inbox("Anna") + "plan.txt"));
    EXPECT_EQ(w.find<QComboBox>("AttachC")->itemText(0), QStringLiteral("plan.txt"));

    // A reply to a reply is not "Re: Re:"; a sender the book lacks is named.
    w.clickItem(4);
    w.doubleClickRow("InBoxG", 2);
    w.dialogs.answers = {true};
    w.click("ReplyI");
    EXPECT_EQ(w.find<QLineEdit>("SubjectE")->text(), QStringLiteral("Re: Keys"));
    EXPECT_EQ(w.dialogs.take(), (std::vector<std::string>{"ask question|Confirm|Are you sure you want to clear this message?",
                                                          "ask question|Confirm|Are you sure you want to clear this message?",
                                                          "info|Quindle|Zoe is not in the address book."}));
}

TEST(MailArrival, AutomaticCollectionAndTheNotice)
{
    Office office;
    office.settle("Anna");
    TSettings ben = office.settings("Ben");
    ben.CollectEvery = 30;
    saveSettings(office.program("Ben"), ben);
    office.writeBook({{"Anna", office.inbox("Anna")}, {"Ben", office.inbox("Ben")}});
    Window benWindow(office.program("Ben"));
    EXPECT_EQ(benWindow.find<QSpinBox>("CollectEveryE")->value(), 30);
    QSignalSpy noticed(benWindow.form.get(), &TForm1::newMailNoticed);

    // Anna sends; Ben's folder watch collects it without a click and without a view change.
    Window anna(office.program("Anna"));
    anna.pickRecipient(2, 1);
    anna.type("SubjectE", QStringLiteral("Quick question"));
    anna.click("SendB");
    ASSERT_TRUE(QTest::qWaitFor([&] { return benWindow.form->state().inbox[0].From() == QStringLiteral("Anna"); }, 10000));
    EXPECT_EQ(benWindow.front(), QStringLiteral("AddressPan2"));
    EXPECT_EQ(benWindow.dialogs.beeps, 0);
    auto *notice = benWindow.form->findChild<TNewMailNotice *>();
    EXPECT_EQ(notice->count(), 1);
    EXPECT_EQ(notice->toolTip(), QStringLiteral("Quindle: 1 new message"));
    ASSERT_EQ(noticed.count(), 1);
    EXPECT_EQ(noticed[0][0].toString(), QStringLiteral("1 new message"));
    EXPECT_EQ(noticed[0][1].toString(), QStringLiteral("Anna: Quick question"));

    // A click on the notice brings the InBox forward; nothing is new any more.
    emit notice->clicked();
    EXPECT_EQ(benWindow.front(), QStringLiteral("InBoxPan"));
    EXPECT_EQ(notice->count(), 0);
    EXPECT_EQ(benWindow.find<TFEGXOutlookBar>("FEGXOutlookBar1")->SelectedItem(), 4);

    // Switched off, no notice is given.
    benWindow.find<QCheckBox>("NewMailNotice")->setChecked(false);
    benWindow.click("SettingSaveB");
    EXPECT_FALSE(readSettings(office.program("Ben")).NewMailNotice);
    EXPECT_FALSE(notice->enabled());
}

TEST(Keyboard, ShortcutsAndAccessibleNames)
{
    Office office;
    office.settle("Anna");
    WriteDropFile(office.inbox("Anna"), QStringLiteral("Anna"), message("Ben", "Hi"));
    Window w(office.program("Anna"));
    w.form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.form.get()));

    QTest::keyClick(w.form.get(), Qt::Key_2, Qt::ControlModifier);
    EXPECT_EQ(w.front(), QStringLiteral("AddressPan"));
    QTest::keyClick(w.form.get(), Qt::Key_F5);
    EXPECT_EQ(w.front(), QStringLiteral("InBoxPan"));
    EXPECT_EQ(w.form->state().inbox[0].Subject(), QStringLiteral("Hi"));
    auto *grid = w.find<QTableView>("InBoxG");
    grid->setFocus();
    w.dialogs.answers = {false};
    QTest::keyClick(grid, Qt::Key_Delete);
    EXPECT_EQ(w.dialogs.take(), (std::vector<std::string>{"ask warning|Warning|Are you sure you want to delete this message?"}));
    QTest::keyClick(w.form.get(), Qt::Key_1, Qt::ControlModifier);
    auto *body = w.find<QTextEdit>("RichEdit1");
    body->setFocus();
    QTest::keyClick(body, Qt::Key_Return, Qt::ControlModifier);
    const std::vector<std::string> refused = w.dialogs.take();
    ASSERT_EQ(refused.size(), 1u);
    EXPECT_EQ(refused[0].substr(0, 54), "error|Quindle|The message has no recipient. Nothing wa");
    // Guarded as a click: without a name every view shortcut lands on Settings.
    w.find<QLineEdit>("YourNameE")->clear();
    QTest::keyClick(w.form.get(), Qt::Key_5, Qt::ControlModifier);
    EXPECT_EQ(w.front(), QStringLiteral("SettingsPan"));
    EXPECT_EQ(w.dialogs.beeps, 1);

    // The bar is a list of its button and items, the open item selected; a view is named
    // by its caption; every control has a name.
    QAccessibleInterface *bar = QAccessible::queryAccessibleInterface(w.find<QWidget>("FEGXOutlookBar1"));
    ASSERT_EQ(bar->role(), QAccessible::List);
    ASSERT_EQ(bar->childCount(), 7);
    QStringList names;
    for (int i = 0; i < 7; ++i)
        names << bar->child(i)->text(QAccessible::Name);
    EXPECT_EQ(names.join(QLatin1Char(',')), QStringLiteral("Standard,New,Addresses List,Addresses Edit,Settings,InBox,Mail Reader"));
    EXPECT_TRUE(bar->child(1)->state().selected) << "New, chosen by Ctrl+1";
    EXPECT_TRUE(bar->child(0)->state().checked);
    EXPECT_EQ(bar->child(0)->role(), QAccessible::PageTab);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(w.find<QWidget>("InBoxPan"))->text(QAccessible::Name),
              QStringLiteral("InBox"));
    for (QWidget *control : w.form->findChildren<QWidget *>()) {
        // The window's own controls, not the parts Qt makes inside them.
        const bool own = !control->objectName().isEmpty() && !control->objectName().startsWith(QLatin1String("qt_"));
        if (!own || (control->focusPolicy() == Qt::NoFocus && !qobject_cast<QAbstractButton *>(control)))
            continue;
        QAccessibleInterface *a = QAccessible::queryAccessibleInterface(control);
        EXPECT_FALSE(a->text(QAccessible::Name).isEmpty()) << control->metaObject()->className() << " "
                                                          << control->objectName().toStdString();
    }
}


TEST_F(InBoxCollected, MarksFollowACompactionToTheNextStart)
{
    w.doubleClickRow("InBoxG", 3);
    w.clickItem(4);
    w.deleteMessage(1);
    w.click("PackInboxI");
    EXPECT_EQ(rows(w, 1), (std::vector<std::string>{"Lunch on Friday*", "Accounts"}));
    const std::vector<std::string> dates = rows(w, 3);
    EXPECT_FALSE(dates[1].empty());
    w.form.reset();
    Window again(office.program("Anna"));
    again.clickItem(4);
    EXPECT_EQ(rows(again, 1), (std::vector<std::string>{"Lunch on Friday*", "Accounts"}));
    EXPECT_EQ(rows(again, 3), dates);
}


const char *const CloseQuestion =
    "choose question|Quindle|%1\nStop after the current message, or wait until all of it is done? Quindle closes "
    "then.|Stop after this message|Wait until it is done";

std::string closeQuestion(const char *work)
{
    return QString::fromLatin1(CloseQuestion).arg(QLatin1String(work)).toStdString();
}

// A close while mail runs waits for the work, or stops it after the message in hand, and
// then closes: the window never goes while the work goes on unseen.
TEST(Closing, DuringACollectionItStopsOrWaitsThenCloses)
{
    for (const int choice : {0, 1}) {
        Office office;
        office.settle("Anna");
        const std::string server = office.t.folder("server");
        office.writeBook({{"Ben", office.inbox("Ben")}, {"Server", server}});
        TAddressRec entry = readAddressFile(office.book + "address list.qda").records[1];
        entry.setServer(1);
        writeRecordAt(office.book + "address list.qda", 1, entry);
        for (const char *subject : {"One", "Two", "Three"})
            WriteDropFile(office.inbox("Anna"), QStringLiteral("Anna"), message("Ben", subject));
        for (const char *subject : {"Four", "Five"})
            WriteDropFile(server, QStringLiteral("Anna"), message("Ben", subject));
        Window w(office.program("Anna"));
        QString progress;
        bool shownWhileAsked = false;
        QTimer::singleShot(0, w.form.get(), [&] {
            progress = w.find<QProgressBar>("CollectProgressBar")->text();
            w.dialogs.choices = {choice};
            w.form->close();
            shownWhileAsked = w.form->isVisible();
        });
        w.find<QAction>("Checki")->trigger();
        EXPECT_TRUE(progress.endsWith(QStringLiteral(" of 5"))) << progress.toStdString();
        EXPECT_TRUE(shownWhileAsked);
        EXPECT_EQ(w.dialogs.take(), (std::vector<std::string>{closeQuestion("Mail is being collected.")}));
        EXPECT_EQ(fileExists(server + "Anna1.qdm"), choice == 0) << choice;
        EXPECT_EQ(w.form->state().inbox.size(), choice == 0 ? 3u : 5u);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !w.form->isVisible(); }));
    }
}

TEST(Closing, DuringASendItStopsAfterTheRecipientInHandAndAsksForAnUnsentMessage)
{
    Office office;
    office.settle("Anna");
    office.writeBook({{"Ben", office.inbox("Ben")}, {"Carla", office.inbox("Carla")}});
    Window w(office.program("Anna"));
    w.type("SubjectE", QStringLiteral("Draft"));
    w.dialogs.answers = {false};
    w.form->close();
    EXPECT_TRUE(w.form->isVisible());
    EXPECT_EQ(w.dialogs.take(), (std::vector<std::string>{"ask question|Quindle|The message in the New view has not "
                                                          "been sent. Close Quindle all the same?"}));
    for (int row : {1, 2})
        w.pickRecipient(row, row);
    QTimer::singleShot(0, w.form.get(), [&] {
        w.dialogs.choices = {0};
        w.form->close();
    });
    w.find<QAction>("Sendi")->trigger();
    EXPECT_EQ(w.dialogs.take(), (std::vector<std::string>{closeQuestion("The message is being sent.")}));
    EXPECT_TRUE(fileExists(office.inbox("Ben") + "Ben1.qdm"));
    EXPECT_FALSE(fileExists(office.inbox("Carla") + "Carla1.qdm"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !w.form->isVisible(); }));
    EXPECT_TRUE(w.dialogs.said.empty());
}


TEST(InBoxExtras, SearchFindsWordsInTheTextsAndKeepsThemThroughACompaction)
{
    Office office;
    office.settle("Anna");
    TMessageRecord report = message("Ben", "Numbers");
    const std::string body = "{\\rtf1\\ansi The {\\b quarter}ly report is due on Friday.\\par Cheers}";
    std::memset(report.bodyData(), 0, TMessageRecord::BodySize);
    std::memcpy(report.bodyData(), body.data(), body.size());
    WriteDropFile(office.inbox("Anna"), QStringLiteral("Anna"), message("Carla", "Lunch"));
    WriteDropFile(office.inbox("Anna"), QStringLiteral("Anna"), report);
    Window w(office.program("Anna"));
    w.click("ToolButton4");
    const auto found = [&](const QString &text, std::vector<std::string> subjects) {
        w.type("InBoxSearchE", text);
        return QTest::qWaitFor([&] { return rows(w, 1) == subjects; }, 5000);
    };
    // A word in a text, in any letter case, formatted or not; every word typed must be there.
    EXPECT_TRUE(found(QStringLiteral("QUARTERLY"), {"Numbers*"}));
    EXPECT_TRUE(found(QStringLiteral("due fri"), {"Numbers*"}));
    EXPECT_TRUE(found(QStringLiteral("due lunch"), {}));
    EXPECT_TRUE(found(QStringLiteral("lunch"), {"Lunch*"}));
    EXPECT_FALSE(w.find<QLabel>("InBoxSearchL")->isVisible());

    // Compacted, the slots move and their words with them.
    w.find<QLineEdit>("InBoxSearchE")->clear();
    w.deleteMessage(1);
    w.click("PackInboxI");
    EXPECT_TRUE(found(QStringLiteral("cheers"), {"Numbers*"}));
}


// A collection that fails every few minutes says so once while the cause lasts.
TEST(MailArrival, AnAutomaticCollectionSaysAFailureOnceWhileItLasts)
{
    Office office;
    office.settle("Anna");
    Window w(office.program("Anna"));
    const std::string datafile = office.data("Anna") + "InBox.qdi";
    std::filesystem::remove(datafile);
    std::filesystem::create_directory(datafile);
    WriteDropFile(office.inbox("Anna"), QStringLiteral("Anna"), message("Ben", "Hi"));
    w.form->AutoCollect();
    w.form->AutoCollect();
    EXPECT_EQ(w.dialogs.take(), (std::vector<std::string>{"error|Quindle|File access denied"}));
    EXPECT_EQ(w.front(), QStringLiteral("AddressPan2"));
}

} // namespace
