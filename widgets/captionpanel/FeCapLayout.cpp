#include "FeCapLayout.h"

namespace FeCap {

namespace {

QRect shrunk(const QRect &r, int by)
{
    return r.adjusted(by, by, -by, -by);
}

// Built from edges, so that a strip too small for a button gives a negative size, not a swap.
QRect fromEdges(int left, int top, int right, int bottom)
{
    return QRect(left, top, right - left, bottom - top);
}

} // namespace

bool Layout::hitTest(QPoint p) const
{
    return button.x() < p.x() && p.x() < button.x() + button.width()
        && button.y() < p.y() && p.y() < button.y() + button.height();
}

Layout layOut(const Geometry &g)
{
    Layout l;
    QRect r(QPoint(0, 0), g.size);

    if (g.bevelOuter != Bevel::None) {
        l.outerBevel = {r, g.bevelWidth, g.bevelOuter};
        r = shrunk(r, g.bevelWidth);
    } else {
        l.outerBevel = {r, 0, Bevel::None};
    }
    l.border = {r, g.borderWidth, Bevel::None};
    r = shrunk(r, g.borderWidth);
    if (g.bevelInner != Bevel::None) {
        l.innerBevel = {r, g.bevelWidth, g.bevelInner};
        r = shrunk(r, g.bevelWidth);
    } else {
        l.innerBevel = {r, 0, Bevel::None};
    }
    l.body = r;

    l.client = fromEdges(r.x(), r.y() + g.captionHeight, r.x() + r.width(), r.y() + r.height());

    l.strip = fromEdges(r.x(), r.y(), r.x() + r.width(), r.y() + g.captionHeight);
    // Inside the strip's own raised edge.
    const int left = l.strip.x() + 1;
    const int top = l.strip.y() + 1;
    int right = l.strip.x() + l.strip.width() - 1;
    const int bottom = l.strip.y() + l.strip.height() - 1;

    if (g.buttonVisible) {
        const int bTop = top + 2;
        const int bBottom = bottom - 2;
        const int bRight = right - 4;
        const int bLeft = bRight - (bBottom - bTop);
        l.button = fromEdges(bLeft, bTop, bRight, bBottom);
        right = bLeft - 2;
    } else {
        l.button = hiddenButton;
        right -= 2;
    }

    // C++ division truncates toward zero, as the centring rule asks.
    const int textTop = (top + bottom - g.textHeight) / 2;
    l.text = fromEdges(left, textTop, right, textTop + g.textHeight);
    return l;
}

} // namespace FeCap
