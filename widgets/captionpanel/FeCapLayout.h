#pragma once

#include <QObject>
#include <QPoint>
#include <QRect>
#include <QSize>

// Geometry of the caption panel, free of any widget so that it can be checked with tables.
//
// Rectangles follow one rule throughout: x and y are the left and top edges, and the right
// and bottom edges are x + width and y + height, one past the last pixel.
namespace FeCap {
Q_NAMESPACE

enum class Bevel { None, Lowered, Raised };
Q_ENUM_NS(Bevel)

// Numbered as the button painter takes them.
enum class Look { Flat = 0, Raised = 1, Pressed = 2 };
Q_ENUM_NS(Look)

struct Geometry {
    QSize size;
    Bevel bevelOuter = Bevel::Lowered;
    Bevel bevelInner = Bevel::None;
    int bevelWidth = 1;
    int borderWidth = 0;
    int captionHeight = 22;
    bool buttonVisible = true;
    int textHeight = 0; // height of "W" in the panel's font
};

// A frame of `width` pixels drawn just inside `rect`; kind None means plain panel colour.
struct Ring {
    QRect rect;
    int width = 0;
    Bevel kind = Bevel::None;
};

struct Layout {
    Ring outerBevel;   // width 0 when the outer bevel is none
    Ring border;
    Ring innerBevel;   // width 0 when the inner bevel is none
    QRect body;        // what is left inside the frames, filled with the panel colour
    QRect strip;       // the caption strip with its own 1-pixel raised edge
    QRect button;      // (-1, -1) with no size while the button is hidden
    QRect text;
    QRect client;      // where the children go

    // A point is on the button only strictly inside its rectangle: edges count as outside.
    bool hitTest(QPoint p) const;
};

inline constexpr QRect hiddenButton{-1, -1, 0, 0};

Layout layOut(const Geometry &g);

} // namespace FeCap
