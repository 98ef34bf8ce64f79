#include "FeCapPnl.h"

#include "FeCapAccessible.h"

#include <QAccessible>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPointer>

namespace {

// One pass per pixel of width: top row and left column in `top`, right column and bottom
// row in `bottom`, which also takes the top-right and bottom-left corner pixels.
void frame3D(QPainter &p, QRect r, const QColor &top, const QColor &bottom, int width)
{
    for (int i = 0; i < width && r.width() > 0 && r.height() > 0; ++i) {
        p.fillRect(QRect(r.x(), r.y(), r.width() - 1, 1), top);
        p.fillRect(QRect(r.x(), r.y(), 1, r.height() - 1), top);
        p.fillRect(QRect(r.x() + r.width() - 1, r.y(), 1, r.height()), bottom);
        p.fillRect(QRect(r.x(), r.y() + r.height() - 1, r.width(), 1), bottom);
        r.adjust(1, 1, -1, -1);
    }
}

// A cross of two-pixel strokes, centred in `area`.
void drawCross(QPainter &p, const QRect &area, const QColor &color)
{
    const int side = qMin(area.width(), area.height());
    const int inset = side / 6;
    const int n = side - 2 * inset;
    if (n < 2)
        return;
    const int x = area.x() + (area.width() - side) / 2 + inset;
    const int y = area.y() + (area.height() - side) / 2 + inset;
    for (int i = 0; i < n; ++i) {
        for (int dx : {0, 1}) {
            if (i + dx >= n)
                continue;
            p.fillRect(QRect(x + i + dx, y + i, 1, 1), color);
            p.fillRect(QRect(x + n - 1 - i - dx, y + i, 1, 1), color);
        }
    }
}

} // namespace

TFECustomCaptionPanel::TFECustomCaptionPanel(QWidget *parent) : QWidget(parent)
{
    static const bool accessible = [] {
        QAccessible::installFactory(captionPanelAccessible);
        return true;
    }();
    Q_UNUSED(accessible);
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Hover looks need moves without a pressed button.
    setMouseTracking(true);
    frameChanged();
}

void TFECustomCaptionPanel::setCaptionHeight(quint16 height)
{
    if (height == mCaptionHeight)
        return;
    mCaptionHeight = height;
    frameChanged();
}

void TFECustomCaptionPanel::setButtonFlat(bool flat)
{
    if (flat == mButtonFlat)
        return;
    mButtonFlat = flat;
    mLook = restLook();
    update();
}

void TFECustomCaptionPanel::setButtonVisible(bool visible)
{
    if (visible == mButtonVisible)
        return;
    mButtonVisible = visible;
    mLook = restLook();
    repaint();
}

void TFECustomCaptionPanel::setAlignment(Qt::Alignment alignment)
{
    alignment &= Qt::AlignHorizontal_Mask;
    if (alignment == mAlignment)
        return;
    mAlignment = alignment;
    update();
}

void TFECustomCaptionPanel::setBevelOuter(Bevel bevel)
{
    if (bevel == mBevelOuter)
        return;
    mBevelOuter = bevel;
    frameChanged();
}

void TFECustomCaptionPanel::setBevelInner(Bevel bevel)
{
    if (bevel == mBevelInner)
        return;
    mBevelInner = bevel;
    frameChanged();
}

void TFECustomCaptionPanel::setBevelWidth(int width)
{
    width = qMax(1, width);
    if (width == mBevelWidth)
        return;
    mBevelWidth = width;
    frameChanged();
}

void TFECustomCaptionPanel::setBorderWidth(int width)
{
    width = qMax(0, width);
    if (width == mBorderWidth)
        return;
    mBorderWidth = width;
    frameChanged();
}

QColor TFECustomCaptionPanel::color() const
{
    return mColor.isValid() ? mColor : palette().color(QPalette::Button);
}

void TFECustomCaptionPanel::setColor(const QColor &color)
{
    if (color == mColor)
        return;
    mColor = color;
    update();
}

void TFECustomCaptionPanel::setCaption(const QString &caption)
{
    if (caption == mCaption)
        return;
    mCaption = caption;
    update();
}

FeCap::Layout TFECustomCaptionPanel::captionLayout() const
{
    FeCap::Geometry g;
    g.size = size();
    g.bevelOuter = mBevelOuter;
    g.bevelInner = mBevelInner;
    g.bevelWidth = mBevelWidth;
    g.borderWidth = mBorderWidth;
    g.captionHeight = mCaptionHeight;
    g.buttonVisible = mButtonVisible;
    g.textHeight = QFontMetrics(font()).size(Qt::TextSingleLine, QStringLiteral("W")).height();
    return FeCap::layOut(g);
}

// The client area is the contents rectangle, so layouts put the children below the strip
// at their next pass; nothing moves them here.
void TFECustomCaptionPanel::frameChanged()
{
    const int side = (mBevelOuter != Bevel::None ? mBevelWidth : 0) + mBorderWidth
        + (mBevelInner != Bevel::None ? mBevelWidth : 0);
    setContentsMargins(side, side + mCaptionHeight, side, side);
    update();
}

void TFECustomCaptionPanel::showLook(Look look)
{
    mLook = look;
    if (mButtonVisible)
        update(buttonRect());
}

void TFECustomCaptionPanel::paintButton(QPainter &painter, const QRect &rect, Look look)
{
    if (rect.width() <= 0 || rect.height() <= 0)
        return;
    const QPalette &pal = palette();
    const QColor face = pal.color(QPalette::Button);
    const qreal ratio = devicePixelRatioF();

    QPixmap picture(rect.size() * ratio);
    picture.setDevicePixelRatio(ratio);
    picture.fill(face);
    {
        QPainter p(&picture);
        const QRect whole(QPoint(0, 0), rect.size());
        // The glyph sits inside a 1-pixel margin and has a 1-pixel edge of its own, painted
        // over in button face so that only the cross shows.
        drawCross(p, whole.adjusted(2, 2, -2, -2), pal.color(QPalette::ButtonText));
        if (look == Look::Raised)
            frame3D(p, whole, pal.color(QPalette::Light), pal.color(QPalette::Dark), 1);
        else if (look == Look::Pressed)
            frame3D(p, whole, pal.color(QPalette::Dark), pal.color(QPalette::Light), 1);
    }
    painter.drawPixmap(rect.topLeft(), picture);
}

void TFECustomCaptionPanel::paintEvent(QPaintEvent *)
{
    const FeCap::Layout l = captionLayout();
    const QPalette &pal = palette();
    const QColor face = pal.color(QPalette::Button);
    const QColor highlight = pal.color(QPalette::Light);
    const QColor shadow = pal.color(QPalette::Dark);
    const QColor body = color();

    QPainter p(this);
    for (const FeCap::Ring *ring : {&l.outerBevel, &l.border, &l.innerBevel}) {
        switch (ring->kind) {
        case Bevel::Raised:
            frame3D(p, ring->rect, highlight, shadow, ring->width);
            break;
        case Bevel::Lowered:
            frame3D(p, ring->rect, shadow, highlight, ring->width);
            break;
        case Bevel::None:
            frame3D(p, ring->rect, body, body, ring->width);
            break;
        }
    }
    p.fillRect(l.body, body);

    p.fillRect(l.strip, face);
    frame3D(p, l.strip, highlight, shadow, 1);
    if (mButtonVisible)
        paintButton(p, l.button, mLook);

    if (!mCaption.isEmpty() && l.text.width() > 0) {
        p.setFont(font());
        p.setPen(pal.color(foregroundRole()));
        p.setLayoutDirection(layoutDirection());
        p.drawText(l.text, int(mAlignment | Qt::AlignTop | Qt::TextExpandTabs), mCaption);
    }
}

void TFECustomCaptionPanel::enterEvent(QEnterEvent *event)
{
    mHover = true;
    QWidget::enterEvent(event);
}

void TFECustomCaptionPanel::leaveEvent(QEvent *event)
{
    mHover = false;
    if (!mPressed && mButtonFlat)
        showLook(Look::Flat);
    QWidget::leaveEvent(event);
}

void TFECustomCaptionPanel::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    if (!mPressed && mButtonFlat && mHover)
        showLook(captionLayout().hitTest(pos) ? Look::Raised : Look::Flat);
    emit OnMouseMove(this, event->buttons(), event->modifiers(), pos);
}

void TFECustomCaptionPanel::mousePressEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    QPointer<TFECustomCaptionPanel> alive(this);
    emit OnMouseDown(this, event->button(), event->modifiers(), pos);
    if (!alive)
        return;
    // Accepting the press keeps the mouse with this panel until every button is up.
    if (captionLayout().hitTest(pos)) {
        mPressed = true;
        showLook(Look::Pressed);
    }
}

void TFECustomCaptionPanel::mouseReleaseEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    QPointer<TFECustomCaptionPanel> alive(this);
    if (mPressed) {
        const bool onButton = captionLayout().hitTest(pos);
        if (mButtonFlat)
            showLook(mHover && onButton ? Look::Raised : Look::Flat);
        else
            showLook(Look::Raised);
        // A handler may close and delete the panel it was told about.
        if (onButton)
            emit OnBtnClick(this);
        if (!alive)
            return;
        mPressed = false;
    }
    emit OnMouseUp(this, event->button(), event->modifiers(), pos);
}
