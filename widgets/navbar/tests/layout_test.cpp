#include "GXOutlookLayout.h"

#include <QApplication>

#include <gtest/gtest.h>

namespace {

GXLayoutInput threeButtons(int selected, int items = 0)
{
    GXLayoutInput in;
    in.size = {100, 300};
    in.buttonFont = in.font = in.selectedFont = in.highlightFont = QApplication::font();
    in.buttonVisible = {true, true, true};
    in.selectedButton = selected;
    for (int k = 0; k < items; ++k)
        in.items.push_back({QStringLiteral("Item %1").arg(k), true});
    return in;
}

int slotHeight(const GXLayoutInput &in)
{
    return in.imageHeight + 4 + gxlayout::textHeight(in.font) + in.spacing;
}

} // namespace

TEST(NavbarLayout, StripsStackAroundTheOpenPanel)
{
    const int bh = gxlayout::textHeight(QApplication::font()) + 8;
    struct Case {
        int selected;
        std::vector<bool> visible;
        std::vector<GXRect> strips;
        bool panel;
        GXRect area;
    };
    const std::vector<Case> cases = {
        {0, {true, true, true},
         {{1, 1, 99, 1 + bh}, {1, 299 - 2 * bh, 99, 299 - bh}, {1, 299 - bh, 99, 299}}, true,
         {1, 1 + bh, 99, 299 - 2 * bh}},
        {1, {true, true, true},
         {{1, 1, 99, 1 + bh}, {1, 1 + bh, 99, 1 + 2 * bh}, {1, 299 - bh, 99, 299}}, true,
         {1, 1 + 2 * bh, 99, 299 - bh}},
        // The last button open: no strip follows the panel, which ends at C.Bottom.
        {2, {true, true, true},
         {{1, 1, 99, 1 + bh}, {1, 1 + bh, 99, 1 + 2 * bh}, {1, 1 + 2 * bh, 99, 1 + 3 * bh}},
         true, {1, 1 + 3 * bh, 99, 299}},
        {-1, {true, true, true},
         {{1, 1, 99, 1 + bh}, {1, 1 + bh, 99, 1 + 2 * bh}, {1, 1 + 2 * bh, 99, 1 + 3 * bh}},
         false, {}},
        // A hidden button takes no strip and no place.
        {0, {true, false, true}, {{1, 1, 99, 1 + bh}, GXRect::none(), {1, 299 - bh, 99, 299}},
         true, {1, 1 + bh, 99, 299 - bh}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.selected);
        GXLayoutInput in = threeButtons(c.selected);
        in.buttonVisible = c.visible;
        const GXBarLayout out = gxlayout::layoutBar(in);
        EXPECT_EQ(out.buttonHeight, bh);
        EXPECT_EQ(out.buttonRects, c.strips);
        EXPECT_EQ(out.panelShown, c.panel);
        if (c.panel) {
            EXPECT_EQ(out.itemArea, c.area);
            EXPECT_EQ(out.panel.inner, GXRect(1, c.area.top + 1, 99, c.area.bottom - 1));
        }
    }
}

TEST(NavbarLayout, ItemSlotsWithoutImageListAre32By32)
{
    GXLayoutInput in = threeButtons(2, 2);
    const GXBarLayout out = gxlayout::layoutBar(in);
    const int th = gxlayout::textHeight(in.font);
    const int slot = 32 + 4 + th + 10;
    const int y0 = out.itemArea.top + 1 + 4;
    ASSERT_EQ(out.panel.items.size(), 2u);
    // X = C.Left - 4 + (C.Right - W) div 2 = 1 - 4 + (99 - 32) / 2
    const int x = 1 - 4 + (99 - 32) / 2;
    for (int k = 0; k < 2; ++k) {
        const GXItemPlacement &p = out.panel.items[k];
        const int y = y0 + k * slot;
        EXPECT_EQ(p.image, GXRect(x, y, x + 40, y + 40));
        EXPECT_EQ(p.text, GXRect(3, y + 40, 97, y + slot));
    }
    EXPECT_EQ(out.panel.pageSize, out.panel.inner.height() / (th + 32 + 12 + 10));
}

TEST(NavbarLayout, AnItemEndingExactlyOnThePanelBottomDoesNotFit)
{
    GXLayoutInput in = threeButtons(2, 3);
    const int bh = gxlayout::buttonHeight(in.buttonFont);
    const int slot = slotHeight(in);
    // Panel inner top = 1 + 3*bh + 1; item 1 would end at inner.top + 4 + 2*slot.
    const int exactBottom = 1 + 3 * bh + 1 + 4 + 2 * slot;
    for (int extra : {0, 1}) {
        SCOPED_TRACE(extra);
        in.size = {100, exactBottom + 1 + 1 + extra}; // inner.bottom = C.Bottom - 1
        const GXBarLayout out = gxlayout::layoutBar(in);
        ASSERT_EQ(out.panel.inner.bottom, exactBottom + extra);
        EXPECT_EQ(out.panel.items.size(), extra ? 2u : 1u);
        EXPECT_TRUE(out.panel.downArrow);
        EXPECT_FALSE(out.panel.upArrow) << "with TopItem 0 there is nothing above";
    }
}

TEST(NavbarLayout, ArrowRectanglesPerStyle)
{
    const GXRect r(1, 50, 99, 200);
    EXPECT_EQ(gxlayout::arrowRect(GX::sbButton, true, r, 16), GXRect(79, 54, 95, 70));
    EXPECT_EQ(gxlayout::arrowRect(GX::sbButton, false, r, 16), GXRect(79, 180, 95, 196));
    EXPECT_EQ(gxlayout::arrowRect(GX::sbSlider, true, r, 16), GXRect(1, 49, 99, 60));
    EXPECT_EQ(gxlayout::arrowRect(GX::sbSlider, false, r, 16), GXRect(1, 190, 99, 201));

    GXLayoutInput in = threeButtons(0, 8);
    in.topItem = 1;
    const GXBarLayout out = gxlayout::layoutBar(in);
    EXPECT_TRUE(out.panel.upArrow);
    EXPECT_EQ(out.panel.items.front().index, 1);
}

TEST(NavbarLayout, LooksOfHotAndSelectedItemsPerFrameStyle)
{
    using L = GXItemLook;
    struct Case {
        GX::TGXOutlookFrameStyle style;
        GX::TGXHitKind pressed;
        bool selected;
        std::vector<L> looks;
        bool sunkenSelected;
    };
    const std::vector<Case> cases = {
        {GX::fsRaised, GX::hkNone, false, {L::RaisedFrame, L::Highlight}, false},
        {GX::fsButton, GX::hkNone, false, {L::RaisedFrame, L::Highlight}, false},
        {GX::fsButton, GX::hkNone, true, {L::Highlight}, true},
        {GX::fsRowButton, GX::hkNone, true, {L::Highlight}, true},
        {GX::fsRaised, GX::hkNone, true, {L::RaisedFrame, L::Highlight}, false},
        {GX::fsLowered, GX::hkNone, false, {L::Highlight, L::SunkenFrame}, false},
        {GX::fsRowLowered, GX::hkNone, false, {L::Highlight, L::SunkenFrame}, false},
        {GX::fsNone, GX::hkNone, false, {}, false},
        {GX::fsNone, GX::hkItem, false, {L::Highlight, L::SunkenFrame}, false},
        {GX::fsButton, GX::hkItem, false, {L::Highlight, L::SunkenFrame}, true},
    };
    QFont selectedFont = QApplication::font();
    selectedFont.setBold(true);
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.style << " " << c.pressed << " " << c.selected);
        GXLayoutInput in = threeButtons(0, 3);
        in.selectedFont = selectedFont;
        in.frameStyle = c.style;
        in.selectedItem = c.selected ? 1 : -1;
        in.pressedKind = c.pressed;
        in.pressedIndex = c.pressed == GX::hkItem ? 1 : -1;
        in.hotKind = GX::hkItem;
        in.hotIndex = 1;
        const GXBarLayout out = gxlayout::layoutBar(in);
        ASSERT_GE(out.panel.items.size(), 2u);
        EXPECT_EQ(out.panel.items[1].looks, c.looks);
        EXPECT_EQ(out.panel.items[1].sunkenSelected, c.sunkenSelected);
        const bool selectedLook = c.selected || c.pressed == GX::hkItem;
        EXPECT_EQ(out.panel.items[1].font.bold(), selectedLook);
        EXPECT_TRUE(out.panel.items[0].looks.empty());
    }
}

TEST(NavbarLayout, RowStylesWidenTheImageRectangle)
{
    for (bool editing : {false, true}) {
        GXLayoutInput in = threeButtons(0, 2);
        in.frameStyle = GX::fsRowRaised;
        in.allowEditing = editing;
        const GXBarLayout out = gxlayout::layoutBar(in);
        const GXItemPlacement &p = out.panel.items[0];
        EXPECT_EQ(p.image.left, 1);
        EXPECT_EQ(p.image.right, 99);
        EXPECT_EQ(p.image.bottom, editing ? p.image.top + 40 : p.image.top + slotHeight(in));
        // The picture keeps its centred place.
        EXPECT_EQ(p.imageSlot.left, 1 - 4 + (99 - 32) / 2);
    }
}

TEST(NavbarLayout, AccceleratorsAndHiddenItems)
{
    GXLayoutInput in = threeButtons(0, 3);
    in.items[0].caption = QStringLiteral("A&&B &Cd");
    in.items[1].visible = false;
    GXBarLayout out = gxlayout::layoutBar(in);
    ASSERT_EQ(out.panel.items.size(), 2u);
    EXPECT_EQ(out.panel.items[0].caption, QStringLiteral("AB Cd"));
    EXPECT_EQ(out.panel.items[1].index, 2);
    EXPECT_EQ(out.panel.items[1].image.top, out.panel.items[0].image.top + slotHeight(in));
    in.stripAccChar = false;
    out = gxlayout::layoutBar(in);
    EXPECT_EQ(out.panel.items[0].caption, QStringLiteral("A&&B &Cd"));
}

TEST(NavbarLayout, HitTestOrderAndEdges)
{
    GXHitRects r;
    r.upArrow = {80, 40, 96, 56};
    r.buttons = {{1, 1, 99, 21}, GXRect::none(), {1, 279, 99, 299}};
    r.buttonOpen = true;
    r.itemImages = {{30, 30, 70, 70}, {}};
    r.itemTexts = {{3, 70, 97, 90}, {}};
    struct Case {
        QPoint p;
        TGXHit hit;
    };
    const std::vector<Case> cases = {
        {{1, 1}, {GX::hkButton, 0}},
        {{98, 20}, {GX::hkButton, 0}},
        {{99, 20}, {}},               // right is exclusive
        {{50, 21}, {}},               // bottom is exclusive
        {{-1, -1}, {}},               // an all -1 rectangle holds nothing
        {{0, 0}, {}},                 // nor does an all-0 one
        {{50, 280}, {GX::hkButton, 2}},
        {{85, 45}, {GX::hkScrollArrow, 1}}, // the arrow lies over the item
        {{40, 45}, {GX::hkItem, 0}},
        {{40, 75}, {GX::hkItemText, 0}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.p.x() << "," << c.p.y());
        EXPECT_EQ(gxHitTest(r, c.p), c.hit);
    }
    r.buttonOpen = false;
    EXPECT_EQ(gxHitTest(r, {40, 45}), TGXHit());
}
