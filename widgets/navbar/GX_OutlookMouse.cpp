// Mouse handling, the sliding switch between buttons and the inline caption editor.
#include "GX_Outlook.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>

#include <algorithm>

void TGXCustomOutlookBar::resizeEvent(QResizeEvent *)
{
    update();
}

void TGXCustomOutlookBar::showEvent(QShowEvent *)
{
    if (!m_windowCreated) {
        m_windowCreated = true;
        CreateWnd();
    }
}

void TGXCustomOutlookBar::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::PaletteChange)
        repaint();
    else if (event->type() == QEvent::FontChange)
        update(); // item slots are measured in the bar's font

    QWidget::changeEvent(event);
}

void TGXCustomOutlookBar::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        emit OnMouseDown(this, event->button(), event->modifiers(), event->position().toPoint());
        return;
    }
    // Qt keeps the mouse with the pressed widget until the release.
    leftPress(event->position().toPoint());
}

void TGXCustomOutlookBar::mouseDoubleClickEvent(QMouseEvent *event)
{
    emit OnDblClick(this);
    // The second press of a double click is a press like any other.
    mousePressEvent(event);
}

void TGXCustomOutlookBar::leftPress(QPoint pos)
{
    const TGXHit hit = HitTest(pos.x(), pos.y());
    EndEdit(true);
    if (m_allowEditing) {
        if (hit.kind == GX::hkItem) {
            m_editIndex = hit.index;
        } else if (hit.kind == GX::hkItemText) {
            if (m_editIndex != -1 && m_editIndex == hit.index)
                BeginEdit();
            else
                m_editIndex = hit.index;
        } else {
            m_editIndex = -1;
        }
    }
    m_pressedKind = hit.kind;
    m_pressedIndex = hit.index;
    m_hotKind = GX::hkNone;
    repaint();
}

void TGXCustomOutlookBar::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    const TGXHit hit = HitTest(pos.x(), pos.y());
    if (hit.kind != m_hotKind || hit.index != m_hotIndex) {
        m_hotKind = hit.kind;
        m_hotIndex = hit.index;
        repaint();
    }
}

void TGXCustomOutlookBar::leaveEvent(QEvent *)
{
    if (m_hotKind == GX::hkItem) {
        m_hotKind = GX::hkNone;
        repaint();
    }
}

void TGXCustomOutlookBar::mouseReleaseEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    if (event->button() != Qt::LeftButton) {
        emit OnMouseUp(this, event->button(), event->modifiers(), pos);
        return;
    }
    bool canChange = true;
    // The release point decides, not the press point.
    const TGXHit hit = HitTest(pos.x(), pos.y());
    if ((hit.kind == GX::hkButton || hit.kind == GX::hkItem) && m_onChanging)
        m_onChanging(this, canChange);
    if (canChange) {
        // The handler may have changed the bar, so the item is looked up afresh.
        TGXOutlookItems *button = openButton();
        QPointer<TGXOutlookItem> item = button ? button->Items(hit.index) : nullptr;
        switch (hit.kind) {
        case GX::hkButton:
            setSelectedButton(hit.index);
            break;
        case GX::hkItem:
            if (item && item->Enabled()) {
                setSelectedItem(hit.index);
                if (item)
                    item->Click();
            }
            emit OnItemClick(this);
            break;
        case GX::hkScrollArrow:
            // An arrow drawn before a later selection reset the scroll must not scroll above
            // the first item.
            m_topItem = hit.index == 1 ? std::max(0, m_topItem - 1) : m_topItem + 1;
            break;
        case GX::hkItemText:
            if (item && item->Enabled())
                setSelectedItem(hit.index);
            emit OnItemTextClick(this);
            break;
        case GX::hkNone:
            break;
        }
    }
    m_pressedKind = GX::hkNone;
    m_hotKind = GX::hkNone;
    repaint();
}

// ---------------------------------------------------------------- the switch animation

void TGXCustomOutlookBar::AnimateToButton(int value)
{
    const TGXOutlookItems *from = Buttons(m_selectedButton);
    const TGXOutlookItems *to = Buttons(value);
    // Only strips on screen can slide.
    const bool slide = m_windowCreated && from && to && from->Visible() && to->Visible();
    // The slide moves what was last painted; a bar resized since has nothing to move yet.
    if (slide && m_buffer.deviceIndependentSize().toSize() != size())
        paintBuffer(devicePixelRatioF());
    m_animating = true;
    m_oldButton = m_selectedButton;
    m_newButton = value;
    m_source = m_itemArea;
    m_destination = m_itemArea;
    {
        struct Restore {
            bool &flag;
            ~Restore() { flag = false; }
        } restore{m_animating};
        if (slide) {
            m_canvas = m_buffer;
            if (m_newButton > m_oldButton)
                SlideUp();
            else
                SlideDown();
        }
    }
    finishSwitch(value);
}

void TGXCustomOutlookBar::slideStep(const GXRect &panel)
{
    {
        QPainter p(&m_canvas);
        // The source is counted in the buffer's own pixels.
        const qreal r = m_buffer.devicePixelRatioF();
        if (m_source.height() > 0 && m_destination.height() > 0)
            p.drawPixmap(m_destination.toQRect(), m_buffer,
                         QRectF(m_source.left * r, m_source.top * r, m_source.width() * r,
                                m_source.height() * r));
        DrawItems(p, m_newButton, panel);
    }
    repaint();
    StepDelay();
}

// Both slides move whole rows, the border's columns with them, and end exactly where the
// next paint puts the strips, the last step being shorter than 5 pixels if need be.
void TGXCustomOutlookBar::SlideUp()
{
    const GXRect c = ClientRect();
    const GXRect newRect = Buttons(m_newButton)->ButtonRect();
    const int next = NextVisibleButton(m_newButton);
    const int panelBottom = next >= 0 ? Buttons(next)->ButtonRect().top : c.bottom;
    // The strips after the old button climb to where its panel began.
    const int distance = m_itemArea.height();
    m_source = {0, m_itemArea.top, width(), newRect.bottom};
    m_destination = m_source;
    for (int moved = 0; moved < distance;) {
        const int step = std::min(5, distance - moved);
        moved += step;
        m_source.top += step;
        m_destination.bottom -= step;
        slideStep({m_itemArea.left, m_destination.bottom, m_itemArea.right, panelBottom});
    }
}

void TGXCustomOutlookBar::SlideDown()
{
    const GXRect c = ClientRect();
    const GXRect newRect = Buttons(m_newButton)->ButtonRect();
    // Every strip after the new button ends in the stack above the bottom edge, so the strips
    // that slide go down by the height of the new panel, however many of them there are.
    const int distance =
        c.bottom - VisibleButtonsAfter(m_newButton) * m_buttonHeight - newRect.bottom;
    m_source = {0, newRect.bottom, width(), m_itemArea.bottom};
    m_destination = m_source;
    for (int moved = 0; moved < distance;) {
        const int step = std::min(5, distance - moved);
        moved += step;
        m_source.bottom -= step;
        m_destination.top += step;
        slideStep({m_itemArea.left, newRect.bottom, m_itemArea.right, m_destination.top});
    }
}

void TGXCustomOutlookBar::StepDelay()
{
    if (m_stepHook)
        m_stepHook();
    // A busy wait: the switch is meant to block until it has run its course.
    const qint64 t0 = m_tickSource();
    while (m_tickSource() <= t0 + m_scrollDelay) {
    }
}

// ---------------------------------------------------------------- caption editing

void TGXCustomOutlookBar::BeginEdit()
{
    TGXOutlookItems *button = openButton();
    TGXOutlookItem *item = button ? button->Items(m_editIndex) : nullptr;
    if (!item)
        return;
    m_editing = true;
    m_editItem = item;
    if (!m_editor) {
        m_editor = std::make_unique<QLineEdit>();
        m_editor->installEventFilter(this);
    }
    m_editor->hide();
    m_editor->setParent(this);
    const GXRect t = item->TextRect();
    m_editor->setFrame(false);
    m_editor->setGeometry(t.left, t.top, t.width(), m_editor->sizeHint().height());
    m_editor->setText(item->Caption());
    m_editor->selectAll();
    m_editor->show();
    m_editor->setFocus();
}

void TGXCustomOutlookBar::EndEdit(bool accept)
{
    if (!m_editing)
        return;
    m_editing = false;
    m_editor->hide();
    m_editor->setParent(nullptr);
    if (accept && m_editItem)
        m_editItem->setCaption(m_editor->text());
    m_editItem = nullptr;
    setFocus();
    if (accept)
        DoItemTextChange();
}

bool TGXCustomOutlookBar::EditorKeyPress(int key)
{
    if (!m_editing)
        return false;
    if (key == 13) {
        EndEdit(true);
        return true;
    }
    if (key == 27) {
        EndEdit(false);
        return true;
    }
    return false;
}

bool TGXCustomOutlookBar::eventFilter(QObject *watched, QEvent *event)
{
    if (m_editor && watched == m_editor.get() && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        const int code = (key == Qt::Key_Return || key == Qt::Key_Enter) ? 13
                         : key == Qt::Key_Escape                        ? 27
                                                                         : 0;
        if (code && EditorKeyPress(code))
            return true;
    }
    return QWidget::eventFilter(watched, event);
}
