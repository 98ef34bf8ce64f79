#include "FeCapLayout.h"

#include <gtest/gtest.h>

using FeCap::Bevel;

namespace {

struct LayoutCase {
    const char *name;
    FeCap::Geometry in;
    QRect body, client, strip, button, text;
};

FeCap::Geometry geometry(QSize size, Bevel outer, Bevel inner, int bevelWidth, int border,
                         int captionHeight, bool buttonVisible, int textHeight)
{
    return {size, outer, inner, bevelWidth, border, captionHeight, buttonVisible, textHeight};
}

// Rectangles worked out by hand from the painting steps.
const LayoutCase layoutCases[] = {
    {"default", geometry({200, 100}, Bevel::Lowered, Bevel::None, 1, 0, 22, true, 13),
     {1, 1, 198, 98}, {1, 23, 198, 76}, {1, 1, 198, 22}, {178, 4, 16, 16}, {2, 5, 174, 13}},
    {"no bevel", geometry({200, 100}, Bevel::None, Bevel::None, 1, 0, 22, true, 13),
     {0, 0, 200, 100}, {0, 22, 200, 78}, {0, 0, 200, 22}, {179, 3, 16, 16}, {1, 4, 176, 13}},
    {"hidden button", geometry({200, 100}, Bevel::Lowered, Bevel::None, 1, 0, 22, false, 13),
     {1, 1, 198, 98}, {1, 23, 198, 76}, {1, 1, 198, 22}, {-1, -1, 0, 0}, {2, 5, 194, 13}},
    {"both bevels and a border",
     geometry({300, 200}, Bevel::Raised, Bevel::Lowered, 2, 3, 30, true, 16),
     {7, 7, 286, 186}, {7, 37, 286, 156}, {7, 7, 286, 30}, {264, 10, 24, 24}, {8, 14, 254, 16}},
    // (1 + -1 - 13) / 2 is -6 when truncated toward zero, -7 when floored.
    {"no strip", geometry({100, 50}, Bevel::None, Bevel::None, 1, 0, 0, false, 13),
     {0, 0, 100, 50}, {0, 0, 100, 50}, {0, 0, 100, 0}, {-1, -1, 0, 0}, {1, -6, 96, 13}},
};

} // namespace

TEST(CaptionLayout, RectanglesFollowFramesAndStrip)
{
    for (const LayoutCase &c : layoutCases) {
        SCOPED_TRACE(c.name);
        const FeCap::Layout l = FeCap::layOut(c.in);
        EXPECT_EQ(l.body, c.body);
        EXPECT_EQ(l.client, c.client);
        EXPECT_EQ(l.strip, c.strip);
        EXPECT_EQ(l.button, c.button);
        EXPECT_EQ(l.text, c.text);
        if (c.in.buttonVisible) {
            // Square of side caption height - 6, its right edge 4 pixels inside the strip's
            // inner right edge.
            EXPECT_EQ(l.button.width(), c.in.captionHeight - 6);
            EXPECT_EQ(l.button.height(), c.in.captionHeight - 6);
            EXPECT_EQ(l.button.x() + l.button.width(), l.strip.x() + l.strip.width() - 1 - 4);
            EXPECT_EQ(l.text.x() + l.text.width(), l.button.x() - 2);
        }
    }
}

TEST(CaptionLayout, FramesAreStackedOutsideIn)
{
    const FeCap::Layout l = FeCap::layOut(
        geometry({300, 200}, Bevel::Raised, Bevel::Lowered, 2, 3, 30, true, 16));
    EXPECT_EQ(l.outerBevel.rect, QRect(0, 0, 300, 200));
    EXPECT_EQ(l.outerBevel.width, 2);
    EXPECT_EQ(l.outerBevel.kind, Bevel::Raised);
    EXPECT_EQ(l.border.rect, QRect(2, 2, 296, 196));
    EXPECT_EQ(l.border.width, 3);
    EXPECT_EQ(l.innerBevel.rect, QRect(5, 5, 290, 190));
    EXPECT_EQ(l.innerBevel.kind, Bevel::Lowered);

    const FeCap::Layout plain = FeCap::layOut(
        geometry({300, 200}, Bevel::None, Bevel::None, 2, 0, 30, true, 16));
    EXPECT_EQ(plain.outerBevel.width, 0);
    EXPECT_EQ(plain.innerBevel.width, 0);
}

TEST(CaptionLayout, OnlyPointsStrictlyInsideHitTheButton)
{
    const FeCap::Layout l = FeCap::layOut(
        geometry({200, 100}, Bevel::Lowered, Bevel::None, 1, 0, 22, true, 13));
    ASSERT_EQ(l.button, QRect(178, 4, 16, 16));
    const struct {
        QPoint p;
        bool hit;
    } points[] = {
        {{178, 12}, false}, {{179, 12}, true}, {{193, 12}, true}, {{194, 12}, false},
        {{186, 4}, false},  {{186, 5}, true},  {{186, 19}, true}, {{186, 20}, false},
        {{179, 5}, true},   {{193, 19}, true}, {{178, 4}, false}, {{194, 20}, false},
    };
    for (const auto &pt : points)
        EXPECT_EQ(l.hitTest(pt.p), pt.hit) << pt.p.x() << "," << pt.p.y();

    const FeCap::Layout hidden = FeCap::layOut(
        geometry({200, 100}, Bevel::Lowered, Bevel::None, 1, 0, 22, false, 13));
    for (QPoint p : {QPoint(-1, -1), QPoint(0, 0), QPoint(186, 12), QPoint(196, 12)})
        EXPECT_FALSE(hidden.hitTest(p)) << p.x() << "," << p.y();

    // A strip too low for a button leaves a rectangle that holds no point.
    const FeCap::Layout tiny = FeCap::layOut(
        geometry({100, 50}, Bevel::None, Bevel::None, 1, 0, 4, true, 13));
    for (int x = 0; x < 100; ++x)
        for (int y = -5; y < 10; ++y)
            ASSERT_FALSE(tiny.hitTest({x, y})) << x << "," << y;
}
