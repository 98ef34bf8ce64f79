#include "FeCapLayout.h"

#include <gtest/gtest.h>

using FeCap::Bevel;

TEST(CaptionLayout, RectanglesFollowFramesAndStrip)
{
    const struct {
        const char *name;
        FeCap::Geometry in;
        QRect body, client, strip, button, text;
    } cases[] = {
        // Worked out by hand from the painting steps.
        {"default", {{200, 100}, Bevel::Lowered, Bevel::None, 1, 0, 22, true, 13},
         {1, 1, 198, 98}, {1, 23, 198, 76}, {1, 1, 198, 22}, {178, 4, 16, 16}, {2, 5, 174, 13}},
        {"no bevel", {{200, 100}, Bevel::None, Bevel::None, 1, 0, 22, true, 13},
         {0, 0, 200, 100}, {0, 22, 200, 78}, {0, 0, 200, 22}, {179, 3, 16, 16}, {1, 4, 176, 13}},
        {"hidden button", {{200, 100}, Bevel::Lowered, Bevel::None, 1, 0, 22, false, 13},
         {1, 1, 198, 98}, {1, 23, 198, 76}, {1, 1, 198, 22}, {-1, -1, 0, 0}, {2, 5, 194, 13}},
        {"two bevels, border", {{300, 200}, Bevel::Raised, Bevel::Lowered, 2, 3, 30, true, 16},
         {7, 7, 286, 186}, {7, 37, 286, 156}, {7, 7, 286, 30}, {264, 10, 24, 24}, {8, 14, 254, 16}},
        // (1 + -1 - 13) / 2 is -6 when truncated toward zero, -7 when floored.
        {"no strip", {{100, 50}, Bevel::None, Bevel::None, 1, 0, 0, false, 13},
         {0, 0, 100, 50}, {0, 0, 100, 50}, {0, 0, 100, 0}, {-1, -1, 0, 0}, {1, -6, 96, 13}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const FeCap::Layout l = FeCap::layOut(c.in);
        EXPECT_EQ(l.body, c.body);
        EXPECT_EQ(l.client, c.client);
        EXPECT_EQ(l.strip, c.strip);
        EXPECT_EQ(l.button, c.button);
        EXPECT_EQ(l.text, c.text);
    }
}

TEST(CaptionLayout, AStripTooLowForAButtonHasNoPointOnIt)
{
    const FeCap::Layout l =
        FeCap::layOut({{100, 50}, Bevel::None, Bevel::None, 1, 0, 4, true, 13});
    for (int x = -2; x < 100; ++x)
        for (int y = -2; y < 10; ++y)
            ASSERT_FALSE(l.hitTest({x, y})) << x << "," << y;
}
