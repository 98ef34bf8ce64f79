#pragma once

#include <QFont>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <vector>

namespace GX {
Q_NAMESPACE

enum TGXOutlookFrameStyle {
    fsRaised = 0,
    fsLowered = 1,
    fsButton = 2,
    fsNone = 3,
    fsRowRaised = 4,
    fsRowLowered = 5,
    fsRowButton = 6
};
Q_ENUM_NS(TGXOutlookFrameStyle)

enum TGXScrollBtnStyle { sbButton = 0, sbSlider = 1 };
Q_ENUM_NS(TGXScrollBtnStyle)

enum TGXHitKind { hkNone = 0, hkButton = 1, hkItem = 2, hkScrollArrow = 3, hkItemText = 4 };
Q_ENUM_NS(TGXHitKind)
} // namespace GX

// Left, top, right, bottom with right and bottom exclusive, as the bar records its hit areas.
struct GXRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    constexpr GXRect() = default;
    constexpr GXRect(int l, int t, int r, int b) : left(l), top(t), right(r), bottom(b) {}

    static constexpr GXRect none() { return {-1, -1, -1, -1}; }
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    // An all-0 or all-(-1) rectangle is empty by this rule as well.
    bool contains(QPoint p) const
    {
        return left <= p.x() && p.x() < right && top <= p.y() && p.y() < bottom;
    }
    QRect toQRect() const { return QRect(left, top, right - left, bottom - top); }
    friend bool operator==(const GXRect &, const GXRect &) = default;
};

struct TGXHit {
    GX::TGXHitKind kind = GX::hkNone;
    int index = -1;
    friend bool operator==(const TGXHit &, const TGXHit &) = default;
};

// The hit areas as the last paint left them.
struct GXHitRects {
    GXRect upArrow;
    GXRect downArrow;
    std::vector<GXRect> buttons;
    bool buttonOpen = false;
    std::vector<GXRect> itemImages; // of the open button
    std::vector<GXRect> itemTexts;
};

TGXHit gxHitTest(const GXHitRects &rects, QPoint p);

// Which of the bar's fonts a caption is drawn in; its colour goes with it.
enum class GXCaptionFont { Plain, Highlight, Selected };

// What the painter does on an item's image rectangle, in order; each frame shrinks it by one.
enum class GXItemLook { RaisedFrame, SunkenFrame, Highlight };

struct GXItemInput {
    QString caption;
    bool visible = true;
};

struct GXLayoutInput {
    QSize size;
    QFont buttonFont;
    QFont font;
    QFont selectedFont;
    QFont highlightFont;
    std::vector<bool> buttonVisible;
    int selectedButton = -1;
    std::vector<GXItemInput> items; // of the button whose panel is laid out
    int selectedItem = -1;
    int topItem = 0;
    int imageWidth = 32;
    int imageHeight = 32;
    int spacing = 10;
    int topSpacing = 4;
    bool wordWrap = false;
    bool stripAccChar = true;
    bool allowEditing = false;
    GX::TGXOutlookFrameStyle frameStyle = GX::fsButton;
    GX::TGXScrollBtnStyle scrollBtnStyle = GX::sbButton;
    int arrowSize = 16;
    GX::TGXHitKind pressedKind = GX::hkNone;
    int pressedIndex = -1;
    GX::TGXHitKind hotKind = GX::hkNone;
    int hotIndex = -1;
    bool animating = false;
};

struct GXItemPlacement {
    int index = -1;
    GXRect image;     // the hit rectangle, widened in the row styles
    GXRect imageSlot; // where the picture goes: its top-left is 4 pixels inside
    GXRect text;
    QString caption;  // as drawn, accelerators stripped when asked
    QFont font;       // the caption's font
    GXCaptionFont fontKind = GXCaptionFont::Plain;
    std::vector<GXItemLook> looks;
    bool sunkenSelected = false; // drawn after the looks
};

struct GXPanelLayout {
    GXRect frame;     // the panel widened by one pixel left and right, framed black/highlight
    GXRect inner;     // R': where items go
    bool itemsLaidOut = false; // false while animating: background and frame only
    int pageSize = 0;
    std::vector<GXItemPlacement> items;
    bool downArrow = false;
    bool upArrow = false;
    GXRect downArrowRect;
    GXRect upArrowRect;
};

struct GXBarLayout {
    GXRect client;
    int buttonHeight = 0;
    std::vector<GXRect> buttonRects;
    bool panelShown = false;
    GXRect itemArea;
    GXPanelLayout panel;
};

namespace gxlayout {
GXRect clientRect(QSize size);
// Height of one line, measured on "Wg".
int textHeight(const QFont &font);
int buttonHeight(const QFont &buttonFont);
QString stripAccelerators(const QString &text);
int visibleButtonsAfter(const std::vector<bool> &visible, int i);
int nextVisibleButton(const std::vector<bool> &visible, int i);
GXRect arrowRect(GX::TGXScrollBtnStyle style, bool up, const GXRect &inner, int arrowSize);
GXPanelLayout layoutPanel(const GXLayoutInput &in, const GXRect &panel);
GXBarLayout layoutBar(const GXLayoutInput &in);
} // namespace gxlayout
