#include "GXOutlookLayout.h"

#include <QFontMetrics>

#include <algorithm>

TGXHit gxHitTest(const GXHitRects &rects, QPoint p)
{
    if (rects.upArrow.contains(p))
        return {GX::hkScrollArrow, 1};
    if (rects.downArrow.contains(p))
        return {GX::hkScrollArrow, 0};
    for (int i = 0; i < int(rects.buttons.size()); ++i)
        if (rects.buttons[i].contains(p))
            return {GX::hkButton, i};
    if (rects.buttonOpen) {
        const int n = int(std::min(rects.itemImages.size(), rects.itemTexts.size()));
        for (int k = 0; k < n; ++k) {
            if (rects.itemImages[k].contains(p))
                return {GX::hkItem, k};
            if (rects.itemTexts[k].contains(p))
                return {GX::hkItemText, k};
        }
    }
    return {};
}

namespace gxlayout {

GXRect clientRect(QSize size)
{
    return {1, 1, size.width() - 1, size.height() - 1};
}

int textHeight(const QFont &font)
{
    return QFontMetrics(font).size(Qt::TextSingleLine, QStringLiteral("Wg")).height();
}

int buttonHeight(const QFont &buttonFont)
{
    return textHeight(buttonFont) + 8;
}

QString stripAccelerators(const QString &text)
{
    QString out = text;
    out.remove(QLatin1Char('&'));
    return out;
}

int visibleButtonsAfter(const std::vector<bool> &visible, int i)
{
    int n = 0;
    for (int j = std::max(i + 1, 0); j < int(visible.size()); ++j)
        n += visible[j] ? 1 : 0;
    return n;
}

int nextVisibleButton(const std::vector<bool> &visible, int i)
{
    for (int j = std::max(i + 1, 0); j < int(visible.size()); ++j)
        if (visible[j])
            return j;
    return -1;
}

GXRect arrowRect(GX::TGXScrollBtnStyle style, bool up, const GXRect &r, int s)
{
    if (style == GX::sbSlider)
        return up ? GXRect(r.left, r.top - 1, r.right, r.top + 10)
                  : GXRect(r.left, r.bottom - 10, r.right, r.bottom + 1);
    return up ? GXRect(r.right - s - 4, r.top + 4, r.right - 4, r.top + 4 + s)
              : GXRect(r.right - s - 4, r.bottom - s - 4, r.right - 4, r.bottom - 4);
}

static bool isRowStyle(GX::TGXOutlookFrameStyle s)
{
    return s == GX::fsRowRaised || s == GX::fsRowLowered || s == GX::fsRowButton;
}

static QFont withoutStyle(QFont f)
{
    f.setBold(false);
    f.setItalic(false);
    f.setUnderline(false);
    f.setStrikeOut(false);
    return f;
}

GXPanelLayout layoutPanel(const GXLayoutInput &in, const GXRect &r)
{
    GXPanelLayout out;
    const GXRect c = clientRect(in.size);
    out.frame = {r.left - 1, r.top, r.right + 1, r.bottom};
    out.inner = {r.left, r.top + 1, r.right, r.bottom - 1};
    if (in.animating)
        return out;
    out.itemsLaidOut = true;
    const GXRect &inner = out.inner;
    const int w = in.imageWidth;
    const int h = in.imageHeight;

    // A strongly negative Spacing would make the divisor zero or negative.
    const int slotGuess = std::max(1, textHeight(in.font) + h + 12 + in.spacing);
    out.pageSize = (inner.bottom - inner.top) / slotGuess;

    // Each caption is measured in the font the previous caption was drawn in, plain.
    QFont measureFont = in.font;
    const int wrapLeft = c.left + 2;
    const int wrapWidth = std::max(0, (c.right - 2) - wrapLeft);
    const bool buttonStyle = in.frameStyle == GX::fsButton || in.frameStyle == GX::fsRowButton;
    int y = inner.top + in.topSpacing;
    for (int k = std::max(0, in.topItem); k < int(in.items.size()); ++k) {
        const GXItemInput &item = in.items[k];
        if (!item.visible)
            continue;
        const QString text = in.stripAccChar ? stripAccelerators(item.caption) : item.caption;
        int captionHeight;
        if (in.wordWrap) {
            captionHeight = QFontMetrics(measureFont)
                                .boundingRect(QRect(wrapLeft, 0, wrapWidth, 1 << 20),
                                              Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap
                                                  | Qt::TextShowMnemonic,
                                              text)
                                .height();
        } else {
            captionHeight = textHeight(measureFont);
        }
        const int slot = h + 4 + captionHeight + in.spacing;
        if (y + slot >= inner.bottom) {
            out.downArrow = true;
            out.downArrowRect = arrowRect(in.scrollBtnStyle, false, inner, in.arrowSize);
            break;
        }

        GXItemPlacement p;
        p.index = k;
        p.caption = text;
        const int x = c.left - 4 + (c.right - w) / 2;
        p.imageSlot = {x, y, x + w + 8, y + h + 8};
        p.image = p.imageSlot;
        if (isRowStyle(in.frameStyle))
            p.image = {1, y, c.right, in.allowEditing ? y + h + 8 : y + slot};

        QFont font = in.font;
        const bool hot = (in.pressedKind == GX::hkItem && in.pressedIndex == k)
                         || (in.hotKind == GX::hkItem && in.hotIndex == k);
        if (hot) {
            const bool raisedStyle = in.frameStyle == GX::fsRaised || in.frameStyle == GX::fsButton
                                     || in.frameStyle == GX::fsRowRaised
                                     || in.frameStyle == GX::fsRowButton;
            const bool loweredStyle =
                in.frameStyle == GX::fsLowered || in.frameStyle == GX::fsRowLowered;
            if (raisedStyle && in.pressedKind == GX::hkNone) {
                if (!(k == in.selectedItem && buttonStyle))
                    p.looks.push_back(GXItemLook::RaisedFrame);
                p.looks.push_back(GXItemLook::Highlight);
                font = in.highlightFont;
                p.fontKind = GXCaptionFont::Highlight;
            } else if (loweredStyle || in.pressedKind == GX::hkItem) {
                p.looks.push_back(GXItemLook::Highlight);
                p.looks.push_back(GXItemLook::SunkenFrame);
                font = in.highlightFont;
                p.fontKind = GXCaptionFont::Highlight;
            }
        }
        const bool selected = (k == in.selectedItem && in.pressedKind != GX::hkItem)
                              || (in.pressedKind == GX::hkItem && in.pressedIndex == k);
        if (selected) {
            p.sunkenSelected = buttonStyle;
            font = in.selectedFont;
            p.fontKind = GXCaptionFont::Selected;
        }
        p.font = font;
        p.text = {c.left + 2, y + h + 8, c.right - 2, y + slot};
        measureFont = withoutStyle(font);
        out.items.push_back(std::move(p));
        y += slot;
    }
    if (in.topItem > 0) {
        out.upArrow = true;
        out.upArrowRect = arrowRect(in.scrollBtnStyle, true, inner, in.arrowSize);
    }
    return out;
}

GXBarLayout layoutBar(const GXLayoutInput &in)
{
    GXBarLayout out;
    const GXRect c = clientRect(in.size);
    out.client = c;
    const int bh = buttonHeight(in.buttonFont);
    out.buttonHeight = bh;
    GXRect s(c.left, c.top, c.right, c.top + bh);
    const int n = int(in.buttonVisible.size());
    out.buttonRects.assign(n, GXRect::none());
    for (int i = 0; i < n; ++i) {
        if (!in.buttonVisible[i])
            continue;
        out.buttonRects[i] = s;
        if (i != in.selectedButton) {
            s = {c.left, s.bottom, c.right, s.bottom + bh};
        } else {
            const int b = c.bottom - visibleButtonsAfter(in.buttonVisible, i) * bh;
            out.itemArea = {c.left, s.bottom, c.right, b};
            out.panelShown = true;
            out.panel = layoutPanel(in, out.itemArea);
            s = {c.left, b, c.right, b + bh};
        }
    }
    return out;
}

} // namespace gxlayout
