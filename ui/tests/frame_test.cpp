#include "windowfixture.h"

#include "GX_Outlook.h"
#include "MailCallbacks.h"
#include "ProfileFile.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QTextCursor>
#include <QTextEdit>
#include <QTextList>
#include <QToolBar>
#include <QToolButton>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

namespace {

TEST(Frame, FirstStartOpensOnSettingsWithABeepAndTouchesNoFile)
{
    Office office;
    const std::string program = office.program("anna");
    const std::vector<std::string> before = treeOf(office.t.root());
    Window w(program);
    EXPECT_EQ(w.front(), QStringLiteral("SettingsPan"));
    EXPECT_EQ(w.dialogs.beeps, 1);
    EXPECT_TRUE(w.dialogs.said.empty());
    for (const char *field : {"YourNameE", "YourInBoxE", "AddresLocE", "InBoxLocE"})
        EXPECT_EQ(w.find<QLineEdit>(field)->text(), QString()) << field;
    EXPECT_FALSE(w.find<QCheckBox>("AutoOAdress")->isChecked());
    EXPECT_FALSE(w.find<QCheckBox>("AutoOInbox")->isChecked());
    // Said on the view too, for a machine without sound.
    EXPECT_EQ(w.find<QLabel>("SettingsProblemL")->text(),
              QStringLiteral("The settings are incomplete: \"Your Inbox\" is empty; \"Inbox Datafile Folder\" is "
                             "empty; \"Address List Folder\" is empty; \"Your Name\" is empty."));

    // While the settings are incomplete, every picture and Collect land on Settings with a beep.
    auto *bar = w.find<TFEGXOutlookBar>("FEGXOutlookBar1");
    w.find<QAction>("NewObiClick")->trigger();
    w.clickItem(4);
    EXPECT_EQ(w.front(), QStringLiteral("SettingsPan"));
    EXPECT_EQ(bar->SelectedItem(), -1);
    w.click("ToolButton4");
    EXPECT_EQ(w.dialogs.beeps, 3);
    // A click on a caption text only moves the highlight.
    w.find<QAction>("NewObiClick")->trigger();
    w.clickItem(4, true);
    EXPECT_EQ(bar->SelectedItem(), 4);
    EXPECT_EQ(w.front(), QStringLiteral("NewPan"));
    EXPECT_EQ(w.dialogs.beeps, 3);
    EXPECT_EQ(treeOf(office.t.root()), before);
}

TEST(Frame, CompleteSettingsOpenOnAddressEditAndTheBarSwitchesViews)
{
    Office office;
    office.settle("anna");
    Window w(office.program("anna"));
    EXPECT_EQ(w.front(), QStringLiteral("AddressPan2"));
    EXPECT_EQ(w.dialogs.beeps, 0);
    auto *bar = w.find<TFEGXOutlookBar>("FEGXOutlookBar1");
    EXPECT_EQ(bar->SelectedButton(), 0);
    EXPECT_EQ(bar->SelectedItem(), -1);

    const char *const views[] = {"NewPan", "AddressPan", "AddressPan2", "SettingsPan", "InBoxPan", "MailReaderPan"};
    for (int item = 0; item < 6; ++item) {
        w.clickItem(item);
        EXPECT_EQ(w.front(), QLatin1String(views[item]));
        EXPECT_EQ(bar->SelectedItem(), item);
    }
    // The item keeps its own caption although its action has another.
    EXPECT_EQ(bar->Buttons(0)->Items(4)->Caption(), QStringLiteral("InBox"));
    EXPECT_EQ(w.find<QAction>("InBoxObi")->text(), QStringLiteral("InBoxObi"));
}

TEST(Frame, PixelPlacesOfTheFrameAndActionsByCategory)
{
    Office office;
    office.settle("anna");
    Window w(office.program("anna"));
    // The menu bar stands above the client area, which keeps its size and places.
    EXPECT_EQ(w.form->centralWidget()->geometry(), QRect(0, w.form->menuBar()->height(), 792, 454));
    EXPECT_EQ(w.form->height(), 454 + w.form->menuBar()->height());
    EXPECT_EQ(w.find<QToolBar>("ToolBar4")->geometry(), QRect(0, 0, 792, 29));
    EXPECT_EQ(w.find<QWidget>("FEGXOutlookBar1")->geometry(), QRect(0, 29, 100, 425));
    for (int item = 0; item < 6; ++item) {
        w.clickItem(item);
        EXPECT_EQ(w.find<QWidget>(qPrintable(w.front()))->size(), QSize(692, 425)) << item;
    }
    EXPECT_EQ(w.find<QWidget>("Views")->geometry(), QRect(100, 29, 692, 425));
    EXPECT_EQ(w.find<QToolButton>("ToolButton4")->toolTip(), QStringLiteral("Collect Mail"));
    EXPECT_EQ(w.form->windowTitle(), QStringLiteral("Quindle"));
    EXPECT_FALSE(w.form->windowIcon().isNull());

    const std::pair<const char *, const char *> categories[] = {
        {"NewObiClick", "Outlook bar (standard)"}, {"MailReaderObi", "Outlook bar (standard)"},
        {"Sendi", "Toolbar (new)"},               {"ClearNewI", "Toolbar (new)"},
        {"Checki", "Toolbar (main)"},             {"InboxDeleteMsg", "Toolbar (InBox)"},
        {"packI", "Toolbar (InBox)"},             {"AddressPopulate", "System"},
        {"OkToStart", "System"},                  {"RichEditBullets1", "Format"}};
    for (const auto &[name, category] : categories) {
        auto *action = w.find<QAction>(name);
        ASSERT_TRUE(action) << name;
        EXPECT_EQ(action->property("category").toString(), QLatin1String(category)) << name;
    }
    EXPECT_EQ(w.find<QAction>("RichEditItalic1")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_I));
    EXPECT_EQ(w.find<QAction>("RichEditAlignRight1")->toolTip(), QStringLiteral("Align Right"));
    EXPECT_EQ(w.find<QToolButton>("RichEditCenter1B"), nullptr);
    EXPECT_EQ(w.find<QToolButton>("RichEditAlignCenter1B")->toolTip(), QStringLiteral("Center"));
}

TEST(Frame, FormattingWorksOnTheFocusedEditorAndFollowsTheCursor)
{
    Office office;
    office.settle("anna");
    Window w(office.program("anna"));
    w.form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.form.get()));
    auto *bold = w.find<QAction>("RichEditBold1");

    for (const char *editorName : {"RichEdit1", "ReadRichEdit"}) {
        w.find<QAction>(QByteArrayView(editorName) == "RichEdit1" ? "NewObiClick" : "MailReaderObi")->trigger();
        auto *editor = w.find<QTextEdit>(editorName);
        editor->setPlainText(QStringLiteral("plain strong"));
        editor->setFocus();
        QTextCursor cursor = editor->textCursor();
        cursor.setPosition(6);
        cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
        editor->setTextCursor(cursor);
        QTest::keyClick(editor, Qt::Key_B, Qt::ControlModifier);
        EXPECT_TRUE(bold->isChecked()) << editorName;
        cursor.setPosition(2);
        editor->setTextCursor(cursor);
        EXPECT_FALSE(bold->isChecked()) << editorName;
        cursor.setPosition(9);
        editor->setTextCursor(cursor);
        EXPECT_TRUE(bold->isChecked()) << editorName;
        EXPECT_EQ(editor->fontWeight(), QFont::Bold) << editorName;
    }

    auto *editor = w.find<QTextEdit>("ReadRichEdit");
    QTest::keyClick(editor, Qt::Key_U, Qt::ControlModifier);
    EXPECT_TRUE(w.find<QAction>("RichEditUnderline1")->isChecked());
    w.click("RichEditAlignCenter1B");
    EXPECT_EQ(editor->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    EXPECT_TRUE(w.find<QAction>("RichEditAlignCenter1")->isChecked());
    EXPECT_FALSE(w.find<QAction>("RichEditAlignLeft1")->isChecked());
    w.find<QAction>("RichEditBullets1")->trigger();
    ASSERT_TRUE(editor->textCursor().currentList());
    EXPECT_EQ(editor->textCursor().currentList()->format().style(), QTextListFormat::ListDisc);
    EXPECT_TRUE(w.find<QAction>("RichEditBullets1")->isChecked());
    w.find<QAction>("RichEditBullets1")->trigger();
    EXPECT_EQ(editor->textCursor().currentList(), nullptr);
}

TEST(Frame, WhileMailRunsTheArraysAndSettingsStayAsTheyAre)
{
    Office office;
    office.settle("anna");
    Window w(office.program("anna"));
    const std::string ini = readAll(office.program("anna") + "main.ini");
    const MailRunGuard running;
    w.type("YourNameE", QStringLiteral("Other"));
    for (const char *button : {"SettingSaveB", "Button4", "Button5", "ToolButton4", "SendB", "PackInboxI"})
        w.click(button);
    EXPECT_EQ(w.dialogs.beeps, 6);
    EXPECT_TRUE(w.dialogs.said.empty());
    EXPECT_EQ(readAll(office.program("anna") + "main.ini"), ini);
    EXPECT_EQ(w.form->state().addresses.size(), 1u);
}


// Controls hosted in toolbars are drawn in the window's font, as all the others.
TEST(Frame, EveryControlHasTheWindowsFont)
{
    Office office;
    office.settle("anna");
    Window w(office.program("anna"));
    const QFontInfo window(w.form->font());
    for (QWidget *control : w.form->findChildren<QWidget *>()) {
        if (control->objectName().isEmpty() || qobject_cast<QMenuBar *>(control) || qobject_cast<QMenu *>(control))
            continue;
        const QFontInfo font(control->font());
        EXPECT_EQ(font.pixelSize(), window.pixelSize()) << control->objectName().toStdString();
        EXPECT_EQ(font.family(), window.family()) << control->objectName().toStdString();
    }
}


TEST(Frame, SizeAndPlaceAreRememberedInMainIniWhenTheyChange)
{
    Office office;
    office.settle("anna");
    const std::string ini = office.program("anna") + "main.ini";
    {
        Window w(office.program("anna"));
        w.form->resize(900, 600);
        w.form->move(30, 40);
        w.form->close();
    }
    const TProfileFile profile(ini);
    EXPECT_EQ(profile.ReadString(u"Window", u"Left", {}), QStringLiteral("30"));
    EXPECT_EQ(profile.ReadString(u"Window", u"Width", {}), QStringLiteral("900"));
    EXPECT_EQ(profile.ReadString(u"Window", u"Height", {}), QStringLiteral("600"));
    EXPECT_EQ(readSettings(office.program("anna")), office.settings("anna")) << "the settings stay as they were";
    // Unchanged, nothing is written.
    const auto before = std::filesystem::last_write_time(ini);
    std::filesystem::last_write_time(ini, before - std::chrono::hours(1));
    Window again(office.program("anna"));
    EXPECT_EQ(again.form->size(), QSize(900, 600));
    EXPECT_EQ(again.form->pos(), QPoint(30, 40));
    again.form->close();
    EXPECT_EQ(std::filesystem::last_write_time(ini), before - std::chrono::hours(1));
}

} // namespace
