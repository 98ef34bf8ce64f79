// Mouse handling, the sliding switch between buttons and the inline caption editor.
#include "GX_Outlook.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>

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
    const bool slide = m_windowCreated && Buttons(m_selectedButton) && Buttons(value);
    // The slide moves what was last painted; a bar resized since has nothing to move yet.
    if (slide && m_buffer.size() != size())
        paintBuffer();
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

namespace {
void copyRect(QPixmap &canvas, const QPixmap &buffer, const GXRect &source, const GXRect &dest)
{
    if (source.width() <= 0 || source.height() <= 0 || dest.width() <= 0 || dest.height() <= 0)
        return;
    QPainter p(&canvas);
    p.drawPixmap(dest.toQRect(), buffer, source.toQRect());
}
} // namespace

void TGXCustomOutlookBar::SlideUp()
{
    const GXRect c = ClientRect();
    const GXRect newRect = Buttons(m_newButton)->ButtonRect();
    m_source.bottom = newRect.bottom;
    m_destination.bottom = newRect.bottom;
    while (m_itemArea.bottom >= m_itemArea.top + 5) {
        m_source.top += 5;
        m_destination.bottom -= 5;
        copyRect(m_canvas, m_buffer, m_source, m_destination);
        m_itemArea.bottom -= 5;
        GXRect panel = m_itemArea;
        panel.top = m_destination.bottom;
        const int next = NextVisibleButton(m_newButton);
        panel.bottom = next >= 0 ? Buttons(next)->ButtonRect().top - 1 : c.bottom;
        {
            QPainter p(&m_canvas);
            DrawItems(p, m_newButton, panel);
        }
        repaint();
        StepDelay();
    }
}

void TGXCustomOutlookBar::SlideDown()
{
    const GXRect c = ClientRect();
    const GXRect newRect = Buttons(m_newButton)->ButtonRect();
    const GXRect oldRect = Buttons(m_oldButton)->ButtonRect();
    m_source.top = newRect.bottom + 1;
    m_destination.top = newRect.bottom + 1;
    const int next = NextVisibleButton(m_oldButton);
    const int limit = next >= 0 ? Buttons(next)->ButtonRect().top - 1 : c.bottom - 1;
    while (limit - oldRect.height() - 2 >= m_destination.top) {
        m_source.bottom -= 5;
        m_destination.top += 5;
        copyRect(m_canvas, m_buffer, m_source, m_destination);
        GXRect panel = m_itemArea;
        panel.top = newRect.bottom + 1;
        panel.bottom = m_destination.top - 1;
        {
            QPainter p(&m_canvas);
            DrawItems(p, m_newButton, panel);
        }
        repaint();
        StepDelay();
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
