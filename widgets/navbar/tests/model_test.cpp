#include "navbar_test_util.h"

#include <QAction>
#include <QSignalSpy>

#include <gtest/gtest.h>

using navtest::makeBar;
using navtest::paint;

TEST(NavbarModel, SelectedButtonRules)
{
    auto bar = makeBar(3, 2);
    EXPECT_EQ(bar->SelectedButton(), 0) << "a bar with buttons keeps one open";
    bar->setSelectedButton(1);
    QSignalSpy change(bar.get(), &TGXCustomOutlookBar::OnChange);
    struct Step {
        int set;
        int expected;
        int changes;
    };
    const std::vector<Step> steps = {{1, 1, 0}, {3, 1, 0}, {99, 1, 0}, {-5, 0, 1}, {2, 2, 2}};
    for (const Step &s : steps) {
        SCOPED_TRACE(s.set);
        bar->setSelectedButton(s.set);
        EXPECT_EQ(bar->SelectedButton(), s.expected);
        EXPECT_EQ(change.count(), s.changes);
    }

    TFEGXOutlookBar empty;
    empty.setSelectedButton(-5);
    EXPECT_EQ(empty.SelectedButton(), -1);
}

TEST(NavbarModel, SelectedItemRulesAndTopItemFollowing)
{
    auto bar = makeBar(2, 8);
    // Three slots fit: the panel's inner height is a bit over three slot heights.
    const int th = gxlayout::textHeight(bar->font());
    const int slot = th + 32 + 12 + 10;
    const int bh = gxlayout::buttonHeight(bar->ButtonFont());
    bar->resize(100, 3 * slot + 10 + 2 * bh + 4);
    paint(*bar);
    ASSERT_EQ(bar->PageSize(), 3);

    QSignalSpy change(bar.get(), &TGXCustomOutlookBar::OnChange);
    bar->setSelectedItem(5);
    EXPECT_EQ(bar->SelectedItem(), 5);
    EXPECT_EQ(bar->TopItem(), 3);
    bar->setSelectedItem(1);
    EXPECT_EQ(bar->TopItem(), 1);
    EXPECT_EQ(change.count(), 2);

    bar->setSelectedItem(8); // at the count: ignored
    bar->setSelectedItem(1); // no change: no event
    EXPECT_EQ(bar->SelectedItem(), 1);
    EXPECT_EQ(change.count(), 2);

    bar->setSelectedItem(-7);
    EXPECT_EQ(bar->SelectedItem(), -1);
    EXPECT_EQ(change.count(), 3);

    bar->Buttons(0)->Items(4)->setVisible(false);
    bar->setSelectedItem(2);
    bar->setSelectedItem(4);
    EXPECT_EQ(bar->SelectedItem(), -1) << "an invisible item cannot be selected";
    EXPECT_EQ(change.count(), 5);

    bar->setSelectedItem(6);
    bar->setSelectedButton(1);
    EXPECT_EQ(bar->SelectedItem(), -1);
    EXPECT_EQ(bar->TopItem(), 0);
}

TEST(NavbarModel, ChangesOpenTheFirstButtonAndClearButtonsEmpties)
{
    TFEGXOutlookBar bar;
    bar.setSmoothScrolling(false);
    QSignalSpy change(&bar, &TGXCustomOutlookBar::OnChange);
    bar.AddButton(QStringLiteral("One"));
    EXPECT_EQ(bar.SelectedButton(), 0) << "a caption change runs Changed";
    EXPECT_EQ(change.count(), 1);
    bar.ClearButtons();
    EXPECT_EQ(bar.ButtonCount(), 0);
    EXPECT_EQ(bar.SelectedButton(), -1);
    EXPECT_EQ(bar.SelectedItem(), -1);
}

TEST(NavbarModel, ItemFollowsItsAction)
{
    auto bar = makeBar(1, 0);
    TGXOutlookItem *item = bar->Buttons(0)->Add();
    QAction action(QStringLiteral("InBoxObi"));
    int runs = 0;
    setActionExecute(&action, TGXNotifyEvent(QStringLiteral("InBoxObiExecute"),
                                             [&](QObject *sender) {
                                                 EXPECT_EQ(sender, &action);
                                                 ++runs;
                                             }));
    item->setAction(&action);
    EXPECT_EQ(item->Caption(), QStringLiteral("InBoxObi"));
    EXPECT_EQ(item->OnClick().Name(), QStringLiteral("InBoxObiExecute"));

    action.setText(QStringLiteral("Inbox"));
    action.setEnabled(false);
    action.setVisible(false);
    EXPECT_EQ(item->Caption(), QStringLiteral("Inbox"));
    EXPECT_FALSE(item->Enabled());
    EXPECT_FALSE(item->Visible());
    action.setVisible(true);
    action.setEnabled(true);

    // The same handler as the action's: the click goes through the action.
    item->Click();
    EXPECT_EQ(runs, 1);
    // Another handler: the click calls it with the item and leaves the action alone.
    QObject *clicked = nullptr;
    item->setOnClick(TGXNotifyEvent(QStringLiteral("Other"), [&](QObject *s) { clicked = s; }));
    item->Click();
    EXPECT_EQ(clicked, item);
    EXPECT_EQ(runs, 1);

    // A new execute handler on the action reaches the item.
    setActionExecute(&action, TGXNotifyEvent(QStringLiteral("Second"), [](QObject *) {}));
    EXPECT_EQ(item->OnClick().Name(), QStringLiteral("Second"));
}

TEST(NavbarModel, LoadedBindingKeepsTheItemsOwnValues)
{
    auto bar = makeBar(1, 1);
    TGXOutlookItem *item = bar->Buttons(0)->Items(0);
    item->setCaption(QStringLiteral("InBox"));
    item->setEnabled(false);
    QAction action(QStringLiteral("InBoxObi"));
    item->setActionLoading(&action);
    EXPECT_EQ(item->Caption(), QStringLiteral("InBox"));
    EXPECT_FALSE(item->Enabled());
    // An item outside any bar ignores the binding.
    TGXOutlookItems loose;
    TGXOutlookItem *orphan = loose.Add();
    orphan->setAction(&action);
    EXPECT_EQ(orphan->Action(), nullptr);
    EXPECT_TRUE(orphan->Caption().isEmpty());
}

TEST(NavbarModel, DestroyedImageListAndActionAreDropped)
{
    auto bar = makeBar(2, 2);
    auto images = std::make_unique<TGXImageList>();
    bar->setImages(images.get());
    auto action = std::make_unique<QAction>(QStringLiteral("Go"));
    bar->Buttons(0)->Items(0)->setAction(action.get());
    bar->Buttons(1)->Items(1)->setAction(action.get());
    images.reset();
    EXPECT_EQ(bar->Images(), nullptr);
    action.reset();
    EXPECT_EQ(bar->Buttons(0)->Items(0)->Action(), nullptr);
    EXPECT_EQ(bar->Buttons(1)->Items(1)->Action(), nullptr);
    bar->Buttons(0)->Items(0)->Click(); // must not reach the freed action
    paint(*bar);
}

TEST(NavbarModel, AssignCopiesButtonsAndItems)
{
    auto bar = makeBar(2, 0);
    QAction action(QStringLiteral("Act"));
    TGXOutlookItems *source = bar->Buttons(0);
    source->setCaption(QStringLiteral("Source"));
    TGXOutlookItem *a = source->Add();
    a->setAction(&action);
    a->setCaption(QStringLiteral("Own"));
    a->setImageIndex(4);
    a->setTag(9);
    TGXOutlookItem *b = source->Add();
    b->setVisible(false);
    b->setEnabled(false);

    TGXOutlookItems *target = bar->Buttons(1);
    target->Add();
    target->Assign(*source);
    EXPECT_EQ(target->Caption(), QStringLiteral("Source"));
    ASSERT_EQ(target->Count(), 2);
    EXPECT_EQ(target->Items(0)->Action(), &action);
    EXPECT_EQ(target->Items(0)->Caption(), QStringLiteral("Own"));
    EXPECT_EQ(target->Items(0)->ImageIndex(), 4);
    EXPECT_EQ(target->Items(0)->Tag(), 0) << "Tag is not copied";
    EXPECT_FALSE(target->Items(1)->Visible());
    EXPECT_FALSE(target->Items(1)->Enabled());
}
