#include "navbar_test_util.h"

#include <QAction>
#include <QLineEdit>
#include <QSignalSpy>

#include <gtest/gtest.h>

using navtest::centre;
using navtest::click;
using navtest::makeBar;
using navtest::paint;

namespace {

// Records the bar's events and the item actions in the order they come.
struct Journal {
    std::vector<std::string> log;
    bool allow = true;

    void attach(TGXCustomOutlookBar &bar)
    {
        bar.setOnChanging([this](QObject *, bool &canChange) {
            log.push_back("changing");
            canChange = allow;
        });
        QObject::connect(&bar, &TGXCustomOutlookBar::OnChange, [this] { log.push_back("change"); });
        QObject::connect(&bar, &TGXCustomOutlookBar::OnItemClick,
                         [this] { log.push_back("itemclick"); });
        QObject::connect(&bar, &TGXCustomOutlookBar::OnItemTextClick,
                         [this] { log.push_back("textclick"); });
        QObject::connect(&bar, &TGXCustomOutlookBar::OnItemTextChange,
                         [this] { log.push_back("textchange"); });
    }
    std::vector<std::string> take() { return std::exchange(log, {}); }
};

using Log = std::vector<std::string>;

GXRect imageOf(TGXCustomOutlookBar &bar, int k)
{
    return bar.Buttons(bar.SelectedButton())->Items(k)->ImageRect();
}

GXRect textOf(TGXCustomOutlookBar &bar, int k)
{
    return bar.Buttons(bar.SelectedButton())->Items(k)->TextRect();
}

} // namespace

TEST(NavbarInteraction, ImageClickOrderAndRepeat)
{
    auto bar = makeBar(2, 3);
    QAction action(QStringLiteral("Go"));
    Journal journal;
    setActionExecute(&action, TGXNotifyEvent(QStringLiteral("GoExecute"), [&](QObject *) {
                         journal.log.push_back("action");
                     }));
    bar->Buttons(0)->Items(1)->setAction(&action);
    journal.attach(*bar);
    paint(*bar);

    click(*bar, centre(imageOf(*bar, 1)));
    EXPECT_EQ(journal.take(), (Log{"changing", "change", "action", "itemclick"}));
    EXPECT_EQ(bar->SelectedItem(), 1);
    EXPECT_EQ(bar->PressedKind(), GX::hkNone);

    // Again on the selected item: the action runs again, but nothing changed.
    click(*bar, centre(imageOf(*bar, 1)));
    EXPECT_EQ(journal.take(), (Log{"changing", "action", "itemclick"}));

    // A caption click selects only: OnChanging is not asked and no action runs.
    click(*bar, centre(textOf(*bar, 2)));
    EXPECT_EQ(journal.take(), (Log{"change", "textclick"}));
    EXPECT_EQ(bar->SelectedItem(), 2);

    // The open button's strip still asks, then changes nothing.
    click(*bar, centre(bar->Buttons(0)->ButtonRect()));
    EXPECT_EQ(journal.take(), (Log{"changing"}));
    click(*bar, centre(bar->Buttons(1)->ButtonRect()));
    EXPECT_EQ(journal.take(), (Log{"changing", "change"}));
    EXPECT_EQ(bar->SelectedButton(), 1);
}

TEST(NavbarInteraction, RefusedChangeAndDisabledItem)
{
    auto bar = makeBar(2, 3);
    int runs = 0;
    QAction action(QStringLiteral("Go"));
    QObject::connect(&action, &QAction::triggered, [&] { ++runs; });
    bar->Buttons(0)->Items(0)->setAction(&action);
    Journal journal;
    journal.attach(*bar);
    journal.allow = false;
    paint(*bar);

    click(*bar, centre(bar->Buttons(1)->ButtonRect()));
    click(*bar, centre(imageOf(*bar, 0)));
    EXPECT_EQ(journal.take(), (Log{"changing", "changing"}));
    EXPECT_EQ(bar->SelectedButton(), 0);
    EXPECT_EQ(bar->SelectedItem(), -1);
    EXPECT_EQ(runs, 0);
    EXPECT_EQ(bar->PressedKind(), GX::hkNone) << "the press look is cleared";

    click(*bar, centre(textOf(*bar, 0)));
    EXPECT_EQ(journal.take(), (Log{"change", "textclick"}));
    EXPECT_EQ(bar->SelectedItem(), 0);

    journal.allow = true;
    bar->setSelectedItem(-1);
    journal.take();
    bar->Buttons(0)->Items(2)->setEnabled(false);
    paint(*bar);
    click(*bar, centre(imageOf(*bar, 2)));
    click(*bar, centre(textOf(*bar, 2)));
    EXPECT_EQ(journal.take(), (Log{"changing", "itemclick", "textclick"}));
    EXPECT_EQ(bar->SelectedItem(), -1);
}

TEST(NavbarInteraction, ReleaseDecidesAndOnlyOtherButtonsReachMouseEvents)
{
    auto bar = makeBar(2, 3);
    Journal journal;
    journal.attach(*bar);
    QSignalSpy down(bar.get(), &TGXCustomOutlookBar::OnMouseDown);
    QSignalSpy up(bar.get(), &TGXCustomOutlookBar::OnMouseUp);
    paint(*bar);

    QTest::mousePress(bar.get(), Qt::LeftButton, {}, centre(imageOf(*bar, 0)));
    EXPECT_EQ(bar->PressedKind(), GX::hkItem);
    QTest::mouseRelease(bar.get(), Qt::LeftButton, {}, centre(bar->Buttons(1)->ButtonRect()));
    EXPECT_EQ(journal.take(), (Log{"changing", "change"}));
    EXPECT_EQ(bar->SelectedButton(), 1);
    EXPECT_EQ(bar->SelectedItem(), -1);
    EXPECT_EQ(down.count(), 0);
    EXPECT_EQ(up.count(), 0);

    click(*bar, centre(imageOf(*bar, 1)), Qt::RightButton);
    EXPECT_EQ(down.count(), 1);
    EXPECT_EQ(up.count(), 1);
    EXPECT_EQ(down.at(0).at(1).value<Qt::MouseButton>(), Qt::RightButton);
    EXPECT_EQ(bar->SelectedItem(), -1);
    EXPECT_TRUE(journal.take().empty());
}

TEST(NavbarInteraction, ScrollArrowsMoveTopItemWithoutEvents)
{
    auto bar = makeBar(1, 10, {100, 250});
    QSignalSpy change(bar.get(), &TGXCustomOutlookBar::OnChange);
    paint(*bar);
    const int fitting = bar->PageSize();
    ASSERT_GT(fitting, 0);
    int clicks = 0;
    while (bar->DownArrowRect() != GXRect() && clicks < 20) {
        click(*bar, centre(bar->DownArrowRect()));
        ++clicks;
    }
    // The down arrow goes once the remaining items fit.
    EXPECT_EQ(bar->TopItem(), clicks);
    EXPECT_GE(clicks, 10 - fitting - 1);
    EXPECT_LE(clicks, 10 - fitting + 1);

    while (bar->TopItem() > 2)
        click(*bar, centre(bar->UpArrowRect()));
    click(*bar, centre(bar->UpArrowRect()));
    EXPECT_EQ(bar->TopItem(), 1);
    EXPECT_EQ(change.count(), 0);
}

TEST(NavbarInteraction, CaptionEditingWithEnterAndEscape)
{
    auto bar = makeBar(1, 3);
    bar->setAllowEditing(true);
    Journal journal;
    journal.attach(*bar);
    paint(*bar);

    // First press marks the item and the release selects it; the editor stays closed.
    click(*bar, centre(textOf(*bar, 1)));
    EXPECT_EQ(bar->EditIndex(), 1);
    EXPECT_EQ(bar->SelectedItem(), 1);
    EXPECT_FALSE(bar->Editing());
    journal.take();

    // Second press opens it over the caption, holding the caption selected.
    click(*bar, centre(textOf(*bar, 1)));
    ASSERT_TRUE(bar->Editing());
    QLineEdit *editor = bar->Editor();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->parentWidget(), bar.get());
    EXPECT_EQ(editor->geometry().left(), textOf(*bar, 1).left);
    EXPECT_EQ(editor->geometry().top(), textOf(*bar, 1).top);
    EXPECT_EQ(editor->width(), textOf(*bar, 1).width());
    EXPECT_EQ(editor->selectedText(), QStringLiteral("I0.1"));
    QTest::keyClicks(editor, QStringLiteral("Renamed"));
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_FALSE(bar->Editing());
    EXPECT_EQ(editor->parentWidget(), nullptr);
    EXPECT_EQ(bar->Buttons(0)->Items(1)->Caption(), QStringLiteral("Renamed"));
    EXPECT_EQ(journal.take(), (Log{"textclick", "textchange"}));

    // The mark stays, so one more press opens the same editor again; Escape drops the text.
    click(*bar, centre(textOf(*bar, 1)));
    ASSERT_TRUE(bar->Editing());
    EXPECT_EQ(bar->Editor(), editor);
    QTest::keyClicks(editor, QStringLiteral("Dropped"));
    QTest::keyClick(editor, Qt::Key_Escape);
    EXPECT_FALSE(bar->Editing());
    EXPECT_EQ(bar->Buttons(0)->Items(1)->Caption(), QStringLiteral("Renamed"));
    EXPECT_EQ(journal.take(), (Log{"textclick"}));

    // A press elsewhere closes an open editor and keeps what was typed.
    click(*bar, centre(textOf(*bar, 1)));
    ASSERT_TRUE(bar->Editing());
    QTest::keyClicks(editor, QStringLiteral("Kept"));
    QTest::mousePress(bar.get(), Qt::LeftButton, {}, centre(imageOf(*bar, 2)));
    EXPECT_FALSE(bar->Editing());
    EXPECT_EQ(bar->Buttons(0)->Items(1)->Caption(), QStringLiteral("Kept"));
    EXPECT_EQ(bar->EditIndex(), 2);
    QTest::mouseRelease(bar.get(), Qt::LeftButton, {}, centre(imageOf(*bar, 2)));
    EXPECT_EQ(journal.take(), (Log{"textclick", "textchange", "changing", "change", "itemclick"}));
}

TEST(NavbarInteraction, HiddenOpenButtonAndEditorAcrossASwitch)
{
    auto bar = makeBar(2, 3);
    TGXImageList images;
    images.Add(navtest::solid(Qt::red));
    bar->setImages(&images);
    QAction action(QStringLiteral("Go"));
    Journal journal;
    setActionExecute(&action, TGXNotifyEvent(QStringLiteral("GoExecute"), [&](QObject *) {
                         journal.log.push_back("action");
                     }));
    bar->Buttons(0)->Items(0)->setAction(&action);
    bar->Buttons(0)->Items(0)->setImageIndex(0);
    journal.attach(*bar);
    paint(*bar);

    // The open button is hidden: the blank space where its items were runs nothing.
    const QPoint where = centre(imageOf(*bar, 0));
    bar->Buttons(0)->setVisible(false);
    click(*bar, where);
    const QImage img = paint(*bar);
    click(*bar, where);
    EXPECT_TRUE(journal.take().empty());
    EXPECT_EQ(imageOf(*bar, 0), GXRect());
    EXPECT_NE(img.pixel(where), QColor(Qt::red).rgb()) << "its items are not drawn";

    // The editor renames the item it was opened on, though another button opened meanwhile.
    bar->Buttons(0)->setVisible(true);
    bar->setAllowEditing(true);
    paint(*bar);
    click(*bar, centre(textOf(*bar, 1)));
    click(*bar, centre(textOf(*bar, 1)));
    ASSERT_TRUE(bar->Editing());
    QTest::keyClicks(bar->Editor(), QStringLiteral("Renamed"));
    bar->setSelectedButton(1);
    QTest::keyClick(bar->Editor(), Qt::Key_Return);
    EXPECT_EQ(bar->Buttons(0)->Items(1)->Caption(), QStringLiteral("Renamed"));
    EXPECT_EQ(bar->Buttons(1)->Items(1)->Caption(), QStringLiteral("I1.1"));
}

TEST(NavbarInteraction, SlidingSwitchMovesInFivePixelStepsAndReportsOnce)
{
    auto bar = makeBar(3, 2);
    bar->setSmoothScrolling(true);
    bar->setScrollDelay(5);
    qint64 now = 0;
    int clockReads = 0;
    bar->setTickSource([&] {
        ++clockReads;
        return now++;
    });
    QSignalSpy change(bar.get(), &TGXCustomOutlookBar::OnChange);
    paint(*bar);
    const GXRect area = bar->ItemArea();
    const GXRect strip1 = bar->Buttons(1)->ButtonRect();
    const QColor light = navtest::role(*bar, QPalette::Light);
    const QColor dark = navtest::role(*bar, QPalette::Dark);

    std::vector<int> stripTops;
    int changesDuringSteps = 0;
    bar->setStepHook([&] {
        EXPECT_TRUE(bar->Animating());
        changesDuringSteps += change.count();
        // The pressed strip of button 1 (dark top row) sits right under the panel's light
        // bottom line; find that pair in the frame on screen.
        const QImage frame = paint(*bar);
        int found = -1;
        for (int y = area.top; y < strip1.top && found < 0; ++y)
            if (frame.pixel(50, y) == light.rgb() && frame.pixel(50, y + 1) == dark.rgb())
                found = y + 1;
        stripTops.push_back(found);
    });
    click(*bar, centre(strip1));
    EXPECT_FALSE(bar->Animating());
    EXPECT_EQ(bar->SelectedButton(), 1);
    EXPECT_EQ(change.count(), 1);
    EXPECT_EQ(changesDuringSteps, 0);

    const int steps = (area.height() + 4) / 5;
    ASSERT_EQ(int(stripTops.size()), steps);
    for (int k = 0; k < steps; ++k) {
        // The last step may push the line off the top.
        if (strip1.top - 5 * (k + 1) > area.top) {
            EXPECT_EQ(stripTops[k], strip1.top - 5 * (k + 1)) << k;
        }
    }
    EXPECT_GE(clockReads, steps * 7) << "each step waits past ScrollDelay on the clock";

    // The new panel is painted in full afterwards.
    paint(*bar);
    EXPECT_EQ(bar->Buttons(1)->ButtonRect().top, bar->Buttons(0)->ButtonRect().bottom);
    EXPECT_NE(imageOf(*bar, 0), GXRect());

    // Back down to button 0; still exactly one OnChange.
    int downSteps = 0;
    bar->setStepHook([&] { ++downSteps; });
    click(*bar, centre(bar->Buttons(0)->ButtonRect()));
    EXPECT_EQ(bar->SelectedButton(), 0);
    EXPECT_GT(downSteps, 0);
    EXPECT_EQ(change.count(), 2);

    // Switched off, the switch is immediate.
    bar->setSmoothScrolling(false);
    paint(*bar);
    downSteps = 0;
    click(*bar, centre(bar->Buttons(2)->ButtonRect()));
    EXPECT_EQ(downSteps, 0);
    EXPECT_EQ(change.count(), 3);
}

TEST(NavbarInteraction, SlideEndsWhereThePaintAfterItPutsTheStrips)
{
    struct Case {
        int buttons;
        int hidden; // -1: none
        int from;
        int to;
    };
    const std::vector<Case> cases = {
        {3, -1, 2, 0}, {3, -1, 0, 2}, {3, -1, 1, 0}, {3, -1, 0, 1},
        {4, -1, 0, 2}, {4, -1, 3, 1}, {4, -1, 3, 0}, {4, 2, 3, 0}, {4, 1, 0, 3},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.buttons << " buttons, hidden " << c.hidden << ", "
                                        << c.from << " to " << c.to);
        auto bar = makeBar(c.buttons, 0);
        if (c.hidden >= 0)
            bar->Buttons(c.hidden)->setVisible(false);
        bar->setSelectedButton(c.from);
        paint(*bar);
        bar->setSmoothScrolling(true);
        qint64 now = 0;
        bar->setTickSource([&] { return now += 10; });
        QImage lastFrame;
        bar->setStepHook([&] { lastFrame = paint(*bar); });
        bar->setSelectedButton(c.to);
        ASSERT_FALSE(lastFrame.isNull());
        // Without items the panel after the switch looks as it did while sliding.
        const QImage after = paint(*bar);
        int firstRow = -1;
        for (int y = 0; y < after.height() && firstRow < 0; ++y)
            for (int x = 0; x < after.width(); ++x)
                if (after.pixel(x, y) != lastFrame.pixel(x, y)) {
                    firstRow = y;
                    break;
                }
        EXPECT_EQ(firstRow, -1) << "the last frame differs from row " << firstRow;
    }
}
