#include "windowfixture.h"

#include "AddressFile.h"
#include "FileOps.h"
#include "WindowsPaths.h"

#include <QApplication>
#include <QHelpEvent>
#include <QLineEdit>
#include <QTextEdit>
#include <QToolTip>

#include <gtest/gtest.h>

namespace {

// What the inbox folder field shows when the mouse rests on it.
QString hoverText(const Window &w)
{
    auto *field = w.find<QLineEdit>("AddressInBoxE");
    QHelpEvent hover(QEvent::ToolTip, QPoint(4, 4), field->mapToGlobal(QPoint(4, 4)));
    QApplication::sendEvent(field, &hover);
    return QToolTip::text();
}

// Anna's path map puts the office's folders under F:\QUINDLE\: an entry she saves under it is
// stored as the Windows copies name it, and an entry that leads nowhere is named when she sends.
TEST(WindowsEntries, AddressEditStoresTheWindowsFormAndSendNamesWhereEntriesLead)
{
    Office office;
    office.settle("anna");
    const std::string root = office.t.root();
    setPathMapEntry(office.program("anna"), QStringLiteral("F:\\QUINDLE\\"), qs(root));
    const std::string ben = office.inbox("ben");
    Window w(office.program("anna"));

    w.type("AddressNameE", QStringLiteral("Ben"));
    w.type("AddressInBoxE", qs(ben));
    w.click("Button5");
    EXPECT_EQ(w.find<QLineEdit>("AddressInBoxE")->text(), QStringLiteral("F:\\QUINDLE\\inbox-ben\\"));
    EXPECT_EQ(hoverText(w), qs("Here: " + ben));
    w.click("Button4");
    w.type("AddressNameE", QStringLiteral("Dan"));
    w.type("AddressInBoxE", QStringLiteral("f:\\quindle\\INBOX-DAN\\"));
    EXPECT_EQ(hoverText(w), qs("Here: " + root + "INBOX-DAN/ (" + root + "INBOX-DAN does not exist)"));
    w.click("Button5");
    EXPECT_EQ(w.dialogs.take(), (std::vector<std::string>(2, "info|Quindle|Address saved")));
    const TAddressData book = loadAddresses(office.book + "address list.qda");
    ASSERT_EQ(book.size(), 2u);
    EXPECT_EQ(book[0].InBox(), QStringLiteral("F:\\QUINDLE\\inbox-ben\\"));
    EXPECT_EQ(book[1].InBox(), QStringLiteral("f:\\quindle\\INBOX-DAN\\"));

    for (int row : {1, 2})
        w.pickRecipient(row, row);
    w.type("SubjectE", QStringLiteral("Plans"));
    w.find<QTextEdit>("RichEdit1")->setPlainText(QStringLiteral("See the plans."));
    w.click("SendB");
    EXPECT_EQ(w.dialogs.take(),
              (std::vector<std::string>{"warning|Quindle|Messages Sent\nnot reached: Dan: f:\\quindle\\INBOX-DAN\\ (here " +
                                        root + "INBOX-DAN/): " + root + "INBOX-DAN does not exist, and no server "
                                        "folder took it"}));
    EXPECT_TRUE(fileExists(ben + "Ben1.qdm"));
}

} // namespace
