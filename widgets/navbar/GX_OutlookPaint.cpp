// Painting of the bar: everything is composed in Buffer and copied to the screen in one step.
#include "GX_Outlook.h"

#include <QFontMetrics>
#include <QPaintEngine>
#include <QPaintEvent>
#include <QPainter>

namespace {

bool hasArea(const GXRect &r)
{
    return r.width() > 0 && r.height() > 0;
}

// One-pixel border on the outermost pixels: top and left in the first colour, bottom and right
// in the second; leaves the rectangle shrunk by one on every side.
void frame3D(QPainter &p, GXRect &r, const QColor &topLeft, const QColor &bottomRight)
{
    if (hasArea(r)) {
        p.fillRect(QRect(r.left, r.top, r.width() - 1, 1), topLeft);
        p.fillRect(QRect(r.left, r.top, 1, r.height()), topLeft);
        p.fillRect(QRect(r.right - 1, r.top, 1, r.height()), bottomRight);
        p.fillRect(QRect(r.left, r.bottom - 1, r.width(), 1), bottomRight);
    }
    r = {r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
}

} // namespace

GXLayoutInput TGXCustomOutlookBar::layoutInput(int buttonIndex) const
{
    GXLayoutInput in;
    in.size = size();
    in.buttonFont = m_buttonFont;
    in.font = font();
    in.selectedFont = m_selectedFont;
    in.highlightFont = m_itemHighlightFont;
    for (const auto &button : m_buttons)
        in.buttonVisible.push_back(button->Visible());
    in.selectedButton = m_selectedButton;
    if (TGXOutlookItems *button = Buttons(buttonIndex))
        for (int k = 0; k < button->Count(); ++k)
            in.items.push_back({button->Items(k)->Caption(), button->Items(k)->Visible()});
    in.selectedItem = m_selectedItem;
    in.topItem = m_topItem;
    in.imageWidth = m_images ? m_images->Width() : 32;
    in.imageHeight = m_images ? m_images->Height() : 32;
    in.spacing = m_spacing;
    in.topSpacing = m_topSpacing;
    in.wordWrap = m_wordWrap;
    in.stripAccChar = m_stripAccChar;
    in.allowEditing = m_allowEditing;
    in.frameStyle = m_frameStyle;
    in.scrollBtnStyle = m_scrollBtnStyle;
    in.arrowSize = m_arrowSize;
    in.pressedKind = m_pressedKind;
    in.pressedIndex = m_pressedIndex;
    in.hotKind = m_hotKind;
    in.hotIndex = m_hotIndex;
    in.animating = m_animating;
    return in;
}

int TGXCustomOutlookBar::CalcButtonHeight() const
{
    return gxlayout::buttonHeight(m_buttonFont);
}

void TGXCustomOutlookBar::paintEvent(QPaintEvent *)
{
    QPainter screen(this);
    if (m_animating) {
        screen.drawPixmap(0, 0, m_canvas);
        return;
    }
    // As many pixels as the picture it goes to has: the screen's, or a scaled grab's.
    const QPaintDevice *target = screen.paintEngine() ? screen.paintEngine()->paintDevice()
                                                      : nullptr;
    paintBuffer(target ? target->devicePixelRatioF() : devicePixelRatioF());
    screen.drawPixmap(0, 0, m_buffer);
}

void TGXCustomOutlookBar::paintBuffer(qreal ratio)
{
    m_buttonHeight = CalcButtonHeight();
    if (width() <= 0 || height() <= 0)
        return;
    const GXBarLayout layout = gxlayout::layoutBar(layoutInput(m_selectedButton));
    const QSize pixels = (QSizeF(size()) * ratio).toSize();
    if (m_buffer.size() != pixels || m_buffer.devicePixelRatioF() != ratio) {
        m_buffer = QPixmap(pixels);
        m_buffer.setDevicePixelRatio(ratio);
    }
    QPainter canvas(&m_buffer);
    DrawBorder(canvas);
    for (int i = 0; i < ButtonCount(); ++i) {
        TGXOutlookItems *button = m_buttons[i].get();
        button->setButtonRect(layout.buttonRects[i]);
        if (button->Visible())
            DrawButton(canvas, i, layout.buttonRects[i],
                       m_pressedKind == GX::hkButton && m_pressedIndex == i);
    }
    if (layout.panelShown) {
        m_itemArea = layout.itemArea;
        DrawItems(canvas, m_selectedButton, m_itemArea);
    } else {
        // The open button is hidden: nothing of its last panel may stay a target.
        if (TGXOutlookItems *button = openButton())
            for (int k = 0; k < button->Count(); ++k) {
                button->Items(k)->setImageRect({});
                button->Items(k)->setTextRect({});
            }
        m_upArrowRect = {};
        m_downArrowRect = {};
        m_itemArea = {};
    }
}

QColor TGXCustomOutlookBar::captionColor(GXCaptionFont font) const
{
    switch (font) {
    case GXCaptionFont::Highlight: return ItemHightlightFontColor();
    case GXCaptionFont::Selected: return SelectedFontColor();
    case GXCaptionFont::Plain: break;
    }
    return palette().color(QPalette::WindowText);
}

void TGXCustomOutlookBar::DrawBorder(QPainter &canvas)
{
    GXRect r(0, 0, width(), height());
    canvas.fillRect(r.toQRect(), Color());
    frame3D(canvas, r, palette().color(QPalette::Dark), palette().color(QPalette::Light));
}

void TGXCustomOutlookBar::DrawButton(QPainter &canvas, int index, const GXRect &rect, bool pressed)
{
    TGXOutlookItems *button = Buttons(index);
    if (!button || !hasArea(rect))
        return;
    canvas.fillRect(rect.toQRect(), ButtonColor());
    canvas.setFont(m_buttonFont);
    GXRect r = rect;
    const QColor light = palette().color(QPalette::Light);
    const QColor shadow = palette().color(QPalette::Dark);
    if (!pressed) {
        frame3D(canvas, r, light, shadow);
    } else {
        frame3D(canvas, r, shadow, light);
        r.left += 1;
        r.top += 1;
    }
    canvas.setPen(ButtonFontColor());
    canvas.drawText(r.toQRect(), Qt::AlignCenter | Qt::TextSingleLine | Qt::TextShowMnemonic,
                    button->Caption());
}

void TGXCustomOutlookBar::DrawItems(QPainter &canvas, int index, const GXRect &rect)
{
    TGXOutlookItems *button = Buttons(index);
    if (button)
        for (int k = 0; k < button->Count(); ++k) {
            button->Items(k)->setImageRect({});
            button->Items(k)->setTextRect({});
        }
    m_upArrowRect = {};
    m_downArrowRect = {};
    if (!DrawBackground(canvas, rect) && hasArea(rect))
        canvas.fillRect(rect.toQRect(), Color());
    canvas.setFont(font());

    const GXPanelLayout panel = gxlayout::layoutPanel(layoutInput(index), rect);
    GXRect frame = panel.frame;
    frame3D(canvas, frame, Qt::black, palette().color(QPalette::Light));
    if (!panel.itemsLaidOut || !button)
        return;
    m_pageSize = panel.pageSize;

    const QColor light3D = palette().color(QPalette::Midlight);
    const QColor dark3D = palette().color(QPalette::Shadow);
    for (const GXItemPlacement &place : panel.items) {
        TGXOutlookItem *item = button->Items(place.index);
        item->setImageRect(place.image);
        GXRect r = place.image;
        for (GXItemLook look : place.looks) {
            switch (look) {
            case GXItemLook::RaisedFrame: frame3D(canvas, r, light3D, dark3D); break;
            case GXItemLook::SunkenFrame: frame3D(canvas, r, dark3D, light3D); break;
            case GXItemLook::Highlight: HighlightItem(canvas, r); break;
            }
        }
        if (place.sunkenSelected)
            frame3D(canvas, r, dark3D, light3D);
        if (m_images)
            m_images->Draw(canvas, place.imageSlot.left + 4, place.imageSlot.top + 4,
                           item->ImageIndex());
        item->setTextRect(place.text);
        canvas.setFont(place.font);
        canvas.setPen(captionColor(place.fontKind));
        const QRect t = place.text.toQRect();
        if (m_wordWrap) {
            canvas.drawText(t, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap
                                   | Qt::TextShowMnemonic,
                            place.caption);
        } else {
            const QString shown = QFontMetrics(place.font).elidedText(
                place.caption, Qt::ElideRight, t.width(), Qt::TextShowMnemonic);
            canvas.drawText(t, Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine
                                   | Qt::TextShowMnemonic,
                            shown);
        }
    }
    if (panel.downArrow)
        DrawScrollArrow(canvas, false, panel.inner,
                        m_pressedKind == GX::hkScrollArrow && m_pressedIndex == 0);
    if (panel.upArrow)
        DrawScrollArrow(canvas, true, panel.inner,
                        m_pressedKind == GX::hkScrollArrow && m_pressedIndex == 1);
}

bool TGXCustomOutlookBar::DrawBackground(QPainter &canvas, const GXRect &rect)
{
    if (m_background.isNull() || m_background.width() <= 0 || m_background.height() <= 0)
        return false;
    const int pw = m_background.width();
    const int ph = m_background.height();
    const int columns = rect.width() / pw + 1;
    const int rows = rect.height() / ph + 1;
    for (int c = 1; c <= columns; ++c)
        for (int r = 1; r <= rows; ++r) {
            GXRect d;
            d.left = rect.left + (c - 1) * pw;
            d.top = rect.top + (r - 1) * ph;
            d.right = std::min(d.left + pw, rect.right);
            d.bottom = std::min(d.top + ph, rect.bottom);
            if (hasArea(d))
                canvas.drawPixmap(d.toQRect(), m_background, QRect(0, 0, d.width(), d.height()));
        }
    return true;
}

void TGXCustomOutlookBar::DrawScrollArrow(QPainter &canvas, bool up, const GXRect &inner,
                                          bool pressed)
{
    const GXRect a = gxlayout::arrowRect(m_scrollBtnStyle, up, inner, m_arrowSize);
    (up ? m_upArrowRect : m_downArrowRect) = a;
    if (!hasArea(a))
        return;
    canvas.fillRect(a.toQRect(), ButtonColor());
    int cx = a.left + a.width() / 2 - 3;
    int cy = a.top + a.height() / 2 - 1;
    const bool slider = m_scrollBtnStyle == GX::sbSlider;
    const QColor light = slider ? palette().color(QPalette::Light) : QColor(Qt::white);
    const QColor dark = slider ? palette().color(QPalette::Dark) : QColor(Qt::black);
    GXRect f = a;
    if (!pressed) {
        frame3D(canvas, f, light, dark);
    } else {
        frame3D(canvas, f, dark, light);
        ++cx;
        ++cy;
    }
    // Six pixels wide, three high: rows of 2, 4 and 6 pixels.
    for (int row = 0; row < 3; ++row) {
        const int half = up ? row : 2 - row;
        canvas.fillRect(QRect(cx + 2 - half, cy + row, 2 + 2 * half, 1), Qt::black);
    }
}

void TGXCustomOutlookBar::HighlightItem(QPainter &canvas, const GXRect &rect)
{
    const QColor fill = ItemHightlightColor();
    if (fill.isValid() && hasArea(rect))
        canvas.fillRect(rect.toQRect(), fill);
    canvas.setFont(m_itemHighlightFont);
}
