#include "mailfixture.h"

#include <gtest/gtest.h>

namespace {

// Two (and more) copies of the program, each with its own program folder, inbox folder and
// datafile, sharing one address list, exchange mail through the temporary tree.
class Exchange : public ::testing::Test
{
protected:
    TempFolders t;
    std::string addr = t.folder("shared-addresses");

    User user(const std::string &name, const std::string &inbox)
    {
        return User(name, t.folder("program-" + name), inbox, t.folder("data-" + name), addr);
    }
};

TEST_F(Exchange, DirectDeliveryBothWays)
{
    writeAddressList(addr, {{"Ann", t.userA()}, {"Ben", t.userB()}});
    User ann = user("Ann", t.userA());
    User ben = user("Ben", t.userB());
    writeAll(t.folder("docs") + "plan.txt", std::string(50000, 'p'));

    EXPECT_EQ(ann.send({"Ben"}, "plan", {t.folder("docs") + "plan.txt"}, "{\\rtf1 the plan}").message,
              MessagesSentMessage);
    EXPECT_EQ(ann.send({"Ben"}, "again").message, MessagesSentMessage);
    EXPECT_EQ(listFolder(t.userB()), (std::vector<std::string>{"Attach.ini", "Ben1.qdm", "Ben2.qdm", "plan.txt"}));
    EXPECT_EQ(attachCount(t.userB(), "plan.txt"), "1");

    const CollectReport report = ben.collect();
    EXPECT_EQ(report.collected, 2);
    EXPECT_EQ(ben.subjects(), (std::vector<std::string>{"plan", "again"}));
    EXPECT_EQ(ben.datafileSubjects(), ben.subjects());
    EXPECT_EQ(ben.inbox[0].From(), qs("Ann"));
    EXPECT_EQ(ben.inbox[0].bodyText(), QByteArrayView("{\\rtf1 the plan}"));
    EXPECT_EQ(ben.inbox[0].AttachName(1), qs("plan.txt"));
    // The attachment stays in Ben's folder; only its key goes.
    EXPECT_EQ(listFolder(t.userB()), (std::vector<std::string>{"Attach.ini", "plan.txt"}));
    EXPECT_EQ(readAll(t.userB() + "plan.txt"), std::string(50000, 'p'));
    EXPECT_EQ(attachCount(t.userB(), "plan.txt"), "-");

    ben.send({"Ann"}, "re: plan");
    ann.collect();
    EXPECT_EQ(ann.subjects(), (std::vector<std::string>{"re: plan"}));
    EXPECT_EQ(ann.inbox[0].From(), qs("Ben"));
    EXPECT_TRUE(listFolder(t.userA()).empty());
}

// Cara's and Dan's folders are out of the senders' reach (the shared list names folders that
// do not exist), so their mail waits in both servers; each collects from both, and the
// attachment's count in each server goes 2, 1, gone.
TEST_F(Exchange, ThroughTwoServers)
{
    const std::string caraInbox = t.folder("inbox-cara");
    const std::string danInbox = t.folder("inbox-dan");
    writeAddressList(addr, {{"Ann", t.userA()},
                            {"Cara", t.root() + "offline/cara/"},
                            {"Server one", t.server1(), true},
                            {"Dan", t.root() + "offline/dan/"},
                            {"Server two", t.server2(), true}});
    User ann = user("Ann", t.userA());
    User cara = user("Cara", caraInbox);
    User dan = user("Dan", danInbox);
    writeAll(t.folder("docs") + "report.doc", "quarterly figures");

    ann.send({"Cara", "Dan"}, "figures", {t.folder("docs") + "report.doc"});
    for (const std::string &server : {t.server1(), t.server2()}) {
        EXPECT_EQ(listFolder(server), (std::vector<std::string>{"Attach.ini", "Cara1.qdm", "Dan1.qdm", "report.doc"}));
        EXPECT_EQ(attachCount(server, "report.doc"), "2");
    }

    EXPECT_EQ(cara.collect().collected, 2);
    EXPECT_EQ(cara.subjects(), (std::vector<std::string>{"figures", "figures"}));
    EXPECT_EQ(readAll(caraInbox + "report.doc"), "quarterly figures");
    for (const std::string &server : {t.server1(), t.server2()}) {
        EXPECT_EQ(listFolder(server), (std::vector<std::string>{"Attach.ini", "Dan1.qdm", "report.doc"}));
        EXPECT_EQ(attachCount(server, "report.doc"), "1");
    }

    EXPECT_EQ(dan.collect().collected, 2);
    EXPECT_EQ(readAll(danInbox + "report.doc"), "quarterly figures");
    for (const std::string &server : {t.server1(), t.server2()}) {
        EXPECT_EQ(listFolder(server), (std::vector<std::string>{"Attach.ini"}));
        EXPECT_EQ(attachCount(server, "report.doc"), "-");
    }
    // Nothing is left to collect a second time.
    EXPECT_EQ(dan.collect().collected, 0);
    EXPECT_EQ(dan.datafileSubjects(), (std::vector<std::string>{"figures", "figures"}));
    EXPECT_EQ(listFolder(caraInbox), (std::vector<std::string>{"report.doc"}));
}

} // namespace
