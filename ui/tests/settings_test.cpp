#include "windowfixture.h"

#include "FileOps.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QFontMetrics>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>

namespace {

TEST(SettingsView, SaveWritesMainIniThenCreatesAndLoadsBothFiles)
{
    Office office;
    Window w(office.program("anna"));
    const TSettings s = office.settings("anna");
    w.type("YourNameE", s.Name);
    w.type("YourInBoxE", s.MyDest);
    w.type("AddresLocE", s.Addresses);
    w.type("InBoxLocE", s.InboxData);
    w.find<QCheckBox>("AutoOInbox")->setChecked(true);
    w.click("SettingSaveB");

    EXPECT_EQ(readSettings(office.program("anna")), [&] {
        TSettings saved = s;
        saved.AutoOptiInbox = true;
        return saved;
    }());
    QStringList sections;
    for (const QString &line : qs(readAll(office.program("anna") + "main.ini")).split(QStringLiteral("\r\n")))
        if (line.startsWith(QLatin1Char('[')))
            sections << line;
    EXPECT_EQ(sections, (QStringList{QStringLiteral("[Destination]"), QStringLiteral("[Settings]")}));
    EXPECT_EQ(readAll(office.data("anna") + "InBox.qdi"), std::string(19100, '\0'));
    EXPECT_EQ(readAll(office.book + "address list.qda"), std::string(1292, '\0'));
    EXPECT_EQ(w.form->state().inbox.size(), 1u);
    EXPECT_TRUE(w.form->state().inboxLoaded);
    EXPECT_EQ(w.form->state().addresses.size(), 1u);
    EXPECT_EQ(w.front(), QStringLiteral("SettingsPan"));
    EXPECT_EQ(w.dialogs.beeps, 1) << "only the first start's";

    // A name that the records cannot hold is refused and nothing is written.
    const std::string ini = readAll(office.program("anna") + "main.ini");
    w.find<QLineEdit>("YourNameE")->setText(QString::fromUtf8("\xce\x86\xce\xbd\xce\xbd\xce\xb1")); // Greek
    w.click("SettingSaveB");
    const std::vector<std::string> refused = w.dialogs.take();
    ASSERT_EQ(refused.size(), 1u);
    EXPECT_EQ(refused[0].substr(0, 14), "error|Quindle|");
    EXPECT_EQ(readAll(office.program("anna") + "main.ini"), ini);

    // An empty name is saved as it is; start-up then beeps and keeps this view in front.
    w.type("YourNameE", QString());
    w.click("SettingSaveB");
    EXPECT_EQ(readSettings(office.program("anna")).Name, QString());
    EXPECT_EQ(w.dialogs.beeps, 2);
    EXPECT_EQ(w.find<QLabel>("SettingsProblemL")->text(),
              QStringLiteral("The settings are incomplete: \"Your Name\" is empty."));
    EXPECT_FALSE(w.form->state().inboxLoaded);

    // A settings file that cannot be written: the standard error box, and the view stays.
    std::filesystem::remove(office.program("anna") + "main.ini");
    std::filesystem::create_directory(office.program("anna") + "main.ini");
    w.click("SettingSaveB");
    EXPECT_EQ(w.dialogs.take(), (std::vector<std::string>{"error|Quindle|Unable to write to " + office.program("anna")
                                                          + "main.ini"}));
    EXPECT_EQ(w.front(), QStringLiteral("SettingsPan"));
}

TEST(SettingsView, BrowseButtonsShareOneRememberedFolder)
{
    Office office;
    office.settle("anna");
    Window w(office.program("anna"));
    const std::string chosen = office.t.folder("Mail/Anna");
    const QString chosenText = qs(chosen.substr(0, chosen.size() - 1));

    // Button1 starts from its field; the choice gets one separator.
    w.dialogs.folders = {chosenText, QString()};
    w.click("Button1");
    EXPECT_EQ(w.find<QLineEdit>("YourInBoxE")->text(), qs(chosen));
    w.click("Button1");
    EXPECT_EQ(w.find<QLineEdit>("YourInBoxE")->text(), qs(chosen)) << "cancelled";
    EXPECT_EQ(w.dialogs.browseStarts, (std::vector<QString>{qs(office.inbox("anna")), qs(chosen)}));

    // The address view's Browse starts from the folder last remembered, not from its field;
    // a remembered text that is no folder opens the browser without one.
    w.find<QLineEdit>("InBoxLocE")->setText(QStringLiteral("/no/such/folder/"));
    w.dialogs.folders = {QString(), chosenText};
    w.click("Button3");
    w.click("AddressInBoxB");
    EXPECT_EQ(w.dialogs.browseStarts.back(), QString());
    w.dialogs.folders = {QString()};
    w.click("AddressInBoxB");
    EXPECT_EQ(w.dialogs.browseStarts.back(), chosenText);
    EXPECT_EQ(w.find<QLineEdit>("AddressInBoxE")->text(), qs(chosen));
    for (const std::string &line : w.dialogs.take())
        EXPECT_EQ(line.substr(0, 24), "browse|Select Directory|");
}

TEST(SettingsView, FolderFieldsWidenUnderTheMouseAndNarrowOverTheBackground)
{
    Office office;
    office.settle("anna");
    Window w(office.program("anna"));
    const QString path = QStringLiteral("/srv/office/") + QString(47, QLatin1Char('m')) + QLatin1Char('/');
    const int textWidth = QFontMetrics(w.form->font()).horizontalAdvance(path);
    struct Case
    {
        const char *field;
        const char *background;
        int margin;
        int resting;
    };
    for (const Case &c : {Case{"YourInBoxE", "SettingsPan", 10, 121}, Case{"AddressInBoxE", "AddressPan2", 2, 177}}) {
        w.place(c.field);
        auto *field = w.find<QLineEdit>(c.field);
        field->setText(path);
        QTest::mouseMove(field, QPoint(5, 5));
        EXPECT_GE(field->width(), textWidth + c.margin) << c.field;
        EXPECT_LE(field->width(), textWidth + c.margin + 16) << c.field;
        // The whole path shows: the end is as far from the start as the text is wide.
        field->setCursorPosition(0);
        const int start = field->inputMethodQuery(Qt::ImCursorRectangle).toRect().center().x();
        field->setCursorPosition(int(path.size()));
        EXPECT_NEAR(field->inputMethodQuery(Qt::ImCursorRectangle).toRect().center().x() - start, textWidth, 1) << c.field;
        // Widened, it runs under none of the view's other controls.
        if (c.field == std::string("YourInBoxE")) {
            for (const char *other : {"CollectEveryELabel", "CollectEveryE", "CollectEveryEUnit", "NewMailNotice"})
                EXPECT_FALSE(field->geometry().intersects(w.find<QWidget>(other)->geometry())) << other;
        }
        QWidget *background = w.find<QWidget>(c.background);
        QTest::mouseMove(background, QPoint(600, 300));
        EXPECT_EQ(field->width(), c.resting) << c.field;
    }
}

TEST(SettingsView, PlacesAndTabOrder)
{
    Office office;
    Window w(office.program("anna"));
    const std::pair<const char *, QRect> places[] = {
        {"YourNameE", {40, 72, 121, 21}},    {"YourInBoxE", {40, 136, 121, 21}}, {"Button1", {40, 160, 49, 21}},
        {"AddresLocE", {40, 208, 121, 21}},  {"Button2", {40, 232, 49, 21}},     {"Button3", {40, 304, 49, 21}},
        {"InBoxLocE", {40, 280, 121, 21}},   {"AutoOAdress", {224, 72, 161, 17}}, {"AutoOInbox", {224, 104, 121, 17}},
        {"SettingSaveHolder", {294, 383, 105, 41}}};
    for (const auto &[name, rect] : places)
        EXPECT_TRUE(w.placedAt(name, rect));
    EXPECT_EQ(w.find<QWidget>("SettingSaveB")->size(), QSize(75, 25));
    EXPECT_EQ(w.place("YourNameELabel").bottom(), 72 - 4) << "3 pixels above its field";

    // The holder stays at the bottom of a taller view.
    w.form->resize(792, w.form->height() + 100);
    EXPECT_EQ(w.place("SettingSaveHolder"), QRect(294, 483, 105, 41));

    EXPECT_EQ(w.tabChain("Button2", 2), (std::vector<QString>{QStringLiteral("Button3"), QStringLiteral("InBoxLocE")}));
    // This program's additions come after Save.
    EXPECT_EQ(w.tabChain("AutoOInbox", 3),
              (std::vector<QString>{QStringLiteral("SettingSaveB"), QStringLiteral("CollectEveryE"),
                                    QStringLiteral("NewMailNotice")}));
}

} // namespace

// A folder typed without its final "/" would have names joined onto its last component.
TEST(SettingsView, TypedFoldersGetTheirSeparatorOnSave)
{
    Office office;
    Window w(office.program("anna"));
    const auto bare = [](const std::string &folder) { return qs(folder.substr(0, folder.size() - 1)); };
    w.type("YourNameE", QStringLiteral("Anna"));
    w.type("YourInBoxE", bare(office.inbox("anna")));
    w.type("AddresLocE", bare(office.book));
    w.type("InBoxLocE", bare(office.data("anna")));
    w.click("SettingSaveB");
    const TSettings saved = readSettings(office.program("anna"));
    EXPECT_EQ(saved.MyDest, qs(office.inbox("anna")));
    EXPECT_EQ(saved.Addresses, qs(office.book));
    EXPECT_EQ(saved.InboxData, qs(office.data("anna")));
    EXPECT_TRUE(fileExists(office.data("anna") + "InBox.qdi"));
    EXPECT_TRUE(fileExists(office.book + "address list.qda"));
    EXPECT_FALSE(fileExists(office.t.root() + "data-annaInBox.qdi"));
    EXPECT_EQ(w.find<QLineEdit>("InBoxLocE")->text(), qs(office.data("anna")));
    // A folder that does not exist is left as typed.
    w.type("AddresLocE", QStringLiteral("/no/such/book"));
    w.click("SettingSaveB");
    EXPECT_EQ(readSettings(office.program("anna")).Addresses, QStringLiteral("/no/such/book"));

    // The address book asks, since other copies may rely on an entry written without it.
    w.type("AddresLocE", qs(office.book));
    w.click("SettingSaveB");
    w.dialogs.take();
    w.find<QAction>("adrObiClk2")->trigger();
    w.type("AddressNameE", QStringLiteral("Ben"));
    w.type("AddressInBoxE", bare(office.inbox("ben")));
    w.dialogs.answers = {false, true};
    w.click("Button5");
    EXPECT_EQ(w.form->state().addresses[0].InBox(), bare(office.inbox("ben")));
    w.click("Button5");
    EXPECT_EQ(w.form->state().addresses[0].InBox(), qs(office.inbox("ben")));
    const std::string asked = "ask question|Quindle|The folder " + office.inbox("ben").substr(0, office.inbox("ben").size() - 1)
                              + " does not end with \"/\". As it stands, mail for Ben is written into the folder above, "
                              + office.t.root() + ", as inbox-benBen + number + \".qdm\".\nAdd the \"/\"?";
    EXPECT_EQ(w.dialogs.take(), (std::vector<std::string>{asked, "info|Quindle|Address saved", asked,
                                                          "info|Quindle|Address saved"}));
}
