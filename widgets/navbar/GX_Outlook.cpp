// Data model of the bar: items, buttons, action links, selection and property setters.
#include "GX_Outlook.h"

#include "GXOutlookAccessible.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPointer>
#include <QStyle>

// ---------------------------------------------------------------- TGXItemActionLink

TGXItemActionLink::TGXItemActionLink(TGXOutlookItem *client) : m_client(client) {}

TGXItemActionLink::~TGXItemActionLink()
{
    QObject::disconnect(m_changed);
    QObject::disconnect(m_executeChanged);
}

void TGXItemActionLink::SetAction(QAction *action)
{
    if (action == m_action)
        return;
    QObject::disconnect(m_changed);
    QObject::disconnect(m_executeChanged);
    m_action = action;
    if (!action)
        return;
    takeSnapshot();
    m_changed = QObject::connect(action, &QAction::changed, m_client, [this] { actionReported(); });
    m_executeChanged = QObject::connect(actionExecuteNotifier(action),
                                        &TGXActionExecuteNotifier::changed, m_client,
                                        [this] { actionReported(); });
}

bool TGXItemActionLink::Execute()
{
    if (!m_action || !m_action->isEnabled())
        return false;
    m_action->trigger();
    return true;
}

void TGXItemActionLink::takeSnapshot()
{
    m_caption = m_action->text();
    m_enabled = m_action->isEnabled();
    m_visible = m_action->isVisible();
    m_execute = actionExecute(m_action);
}

void TGXItemActionLink::actionReported()
{
    QAction *action = m_action;
    if (!action)
        return;
    if (action->text() != m_caption)
        SetCaption(action->text());
    if (action->isEnabled() != m_enabled)
        SetEnabled(action->isEnabled());
    if (action->isVisible() != m_visible)
        SetVisible(action->isVisible());
    const TGXNotifyEvent execute = actionExecute(action);
    if (!execute.SameCode(m_execute))
        SetOnExecute(execute);
    takeSnapshot();
    if (OnChange)
        OnChange(action);
}

void TGXItemActionLink::SetCaption(const QString &value)
{
    if (m_client->Caption() == m_caption)
        m_client->setCaption(value);
}

void TGXItemActionLink::SetEnabled(bool value)
{
    if (m_client->Enabled() == m_enabled)
        m_client->setEnabled(value);
}

void TGXItemActionLink::SetVisible(bool value)
{
    if (m_client->Visible() == m_visible)
        m_client->setVisible(value);
}

void TGXItemActionLink::SetOnExecute(const TGXNotifyEvent &value)
{
    if (m_client->OnClick().SameCode(m_execute))
        m_client->setOnClick(value);
}

// ---------------------------------------------------------------- TGXOutlookItem

TGXOutlookItem::TGXOutlookItem(TGXOutlookItems *collection) : m_collection(collection) {}

TGXOutlookItem::~TGXOutlookItem() = default;

TGXCustomOutlookBar *TGXOutlookItem::Bar() const
{
    return m_collection ? m_collection->Bar() : nullptr;
}

int TGXOutlookItem::Index() const
{
    return m_collection ? m_collection->IndexOf(this) : -1;
}

void TGXOutlookItem::changed()
{
    if (TGXCustomOutlookBar *bar = Bar())
        bar->Changed();
}

void TGXOutlookItem::setImageIndex(int value)
{
    if (value == m_imageIndex)
        return;
    m_imageIndex = value;
    changed();
}

void TGXOutlookItem::setCaption(const QString &value)
{
    if (value == m_caption)
        return;
    m_caption = value;
    changed();
}

void TGXOutlookItem::setEnabled(bool value)
{
    if (value == m_enabled)
        return;
    m_enabled = value;
    changed();
}

void TGXOutlookItem::setVisible(bool value)
{
    if (value == m_visible)
        return;
    m_visible = value;
    changed();
}

QAction *TGXOutlookItem::Action() const
{
    return m_actionLink ? m_actionLink->Action() : nullptr;
}

void TGXOutlookItem::setAction(QAction *action)
{
    bindAction(action, false);
}

void TGXOutlookItem::setActionLoading(QAction *action)
{
    bindAction(action, true);
}

void TGXOutlookItem::bindAction(QAction *action, bool checkDefaults)
{
    if (!action) {
        m_actionLink.reset();
        return;
    }
    TGXCustomOutlookBar *bar = Bar();
    if (!bar)
        return;
    if (!m_actionLink)
        m_actionLink = std::make_unique<TGXItemActionLink>(this);
    m_actionLink->SetAction(action);
    m_actionLink->OnChange = [this](QObject *sender) { ActionChanged(sender); };
    UpdateFromAction(action, checkDefaults);
    bar->watchRemoval(action);
}

void TGXOutlookItem::UpdateFromAction(QObject *source, bool checkDefaults)
{
    auto *action = qobject_cast<QAction *>(source);
    if (!action)
        return;
    if (!checkDefaults || m_caption.isEmpty())
        setCaption(action->text());
    if (!checkDefaults || m_enabled)
        setEnabled(action->isEnabled());
    if (!checkDefaults || m_visible)
        setVisible(action->isVisible());
    if (!checkDefaults || !m_onClick.Assigned())
        m_onClick = actionExecute(action);
}

void TGXOutlookItem::ActionChanged(QObject *sender)
{
    UpdateFromAction(sender, false);
}

void TGXOutlookItem::Click()
{
    QAction *action = Action();
    if (m_onClick.Assigned() && action && !m_onClick.SameCode(actionExecute(action))) {
        m_onClick(this);
        return;
    }
    if (m_actionLink && action) {
        m_actionLink->Execute();
        return;
    }
    if (m_onClick.Assigned())
        m_onClick(this);
}

void TGXOutlookItem::Assign(const TGXOutlookItem &source)
{
    setAction(source.Action());
    setImageIndex(source.ImageIndex());
    setCaption(source.Caption());
    setEnabled(source.Enabled());
    setVisible(source.Visible());
}

// ---------------------------------------------------------------- TGXOutlookItems

TGXOutlookItems::TGXOutlookItems(TGXCustomOutlookBar *bar) : m_bar(bar) {}

TGXOutlookItems::~TGXOutlookItems() = default;

void TGXOutlookItems::setCaption(const QString &value)
{
    m_caption = value;
    if (m_bar)
        m_bar->Changed();
}

void TGXOutlookItems::setVisible(bool value)
{
    if (value == m_visible)
        return;
    m_visible = value;
    if (m_bar)
        m_bar->Changed();
}

TGXOutlookItem *TGXOutlookItems::Items(int index) const
{
    if (index < 0 || index >= Count())
        return nullptr;
    return m_items[index].get();
}

TGXOutlookItem *TGXOutlookItems::Add()
{
    m_items.push_back(std::make_unique<TGXOutlookItem>(this));
    if (m_bar)
        m_bar->update();
    return m_items.back().get();
}

void TGXOutlookItems::Clear()
{
    m_items.clear();
    if (m_bar)
        m_bar->update();
}

int TGXOutlookItems::IndexOf(const TGXOutlookItem *item) const
{
    for (int i = 0; i < Count(); ++i)
        if (m_items[i].get() == item)
            return i;
    return -1;
}

void TGXOutlookItems::Assign(const TGXOutlookItems &source)
{
    if (&source == this)
        return;
    Clear();
    setCaption(source.Caption());
    for (int i = 0; i < source.Count(); ++i)
        Add()->Assign(*source.Items(i));
}

// ---------------------------------------------------------------- TGXCustomOutlookBar

TGXCustomOutlookBar::TGXCustomOutlookBar(QWidget *parent) : QWidget(parent)
{
    static const bool accessible = [] {
        QAccessible::installFactory(outlookBarAccessible);
        return true;
    }();
    Q_UNUSED(accessible);
    resize(100, 300);
    // Every pixel is painted from the buffer, so nothing is erased first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    m_arrowSize = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    m_buttonFont = QApplication::font();
    m_itemHighlightFont = QApplication::font();
    m_selectedFont = QApplication::font();
    setFrameStyle(GX::fsButton);
    m_tickSource = [] {
        static QElapsedTimer timer;
        if (!timer.isValid())
            timer.start();
        return timer.elapsed();
    };
}

TGXCustomOutlookBar::~TGXCustomOutlookBar()
{
    m_editor.reset();
    m_buffer = QPixmap();
    m_loading = true; // nothing may fire from a bar that is going away
    ClearButtons();
}

TGXOutlookItems *TGXCustomOutlookBar::Buttons(int index) const
{
    if (index < 0 || index >= ButtonCount())
        return nullptr;
    return m_buttons[index].get();
}

TGXOutlookItems *TGXCustomOutlookBar::AddButton(const QString &caption)
{
    m_buttons.push_back(std::make_unique<TGXOutlookItems>(this));
    TGXOutlookItems *button = m_buttons.back().get();
    button->setCaption(caption);
    return button;
}

void TGXCustomOutlookBar::ClearButtons()
{
    while (!m_buttons.empty()) {
        std::unique_ptr<TGXOutlookItems> front = std::move(m_buttons.front());
        m_buttons.erase(m_buttons.begin());
    }
    m_selectedItem = -1;
    m_selectedButton = -1;
    update();
}

TGXOutlookItems *TGXCustomOutlookBar::openButton() const
{
    return Buttons(m_selectedButton);
}

void TGXCustomOutlookBar::setSelectedButton(int value)
{
    if (m_loading) {
        m_selectedButton = value;
        return;
    }
    if (value < 0)
        value = ButtonCount() > 0 ? 0 : -1;
    if (value >= ButtonCount() || value == m_selectedButton)
        return;
    if (m_smoothScrolling)
        AnimateToButton(value);
    else
        finishSwitch(value);
}

void TGXCustomOutlookBar::finishSwitch(int value)
{
    m_selectedButton = value;
    m_selectedItem = -1;
    m_topItem = 0;
    Changed();
    DoChange();
}

void TGXCustomOutlookBar::setSelectedItem(int value)
{
    if (value < 0)
        value = -1;
    if (m_loading) {
        m_selectedItem = value;
        return;
    }
    TGXOutlookItems *button = openButton();
    const int count = button ? button->Count() : 0;
    if (value >= count)
        return;
    if (value != -1 && !button->Items(value)->Visible())
        value = -1;
    if (value == m_selectedItem)
        return;
    m_selectedItem = value;
    if (value <= m_topItem)
        m_topItem = value;
    else if (value > m_topItem + m_pageSize - 1)
        m_topItem = value - m_pageSize + 1;
    if (m_topItem < 0)
        m_topItem = 0;
    update();
    DoChange();
}

void TGXCustomOutlookBar::Changed()
{
    if (m_loading)
        return;
    if (ButtonCount() > 0 && m_selectedButton == -1)
        setSelectedButton(0);
    update();
}

void TGXCustomOutlookBar::DoChange()
{
    if (!m_loading)
        emit OnChange(this);
}

void TGXCustomOutlookBar::DoItemTextChange()
{
    if (!m_loading)
        emit OnItemTextChange(this);
}

void TGXCustomOutlookBar::EndLoading()
{
    m_loading = false;
    Loaded();
}

void TGXCustomOutlookBar::Loaded()
{
    for (const auto &button : m_buttons)
        for (int k = 0; k < button->Count(); ++k) {
            TGXOutlookItem *item = button->Items(k);
            if (QAction *action = item->Action())
                item->UpdateFromAction(action, true);
        }
}

void TGXCustomOutlookBar::CreateWnd()
{
    if (ButtonCount() > 0 && m_selectedButton == -1)
        setSelectedButton(0);
}

void TGXCustomOutlookBar::watchRemoval(QObject *component)
{
    connect(component, &QObject::destroyed, this, &TGXCustomOutlookBar::Notification,
            Qt::UniqueConnection);
}

void TGXCustomOutlookBar::Notification(QObject *component)
{
    if (!component)
        return;
    if (m_images && static_cast<QObject *>(m_images) == component)
        m_images = nullptr;
    for (const auto &button : m_buttons)
        for (int k = 0; k < button->Count(); ++k) {
            TGXOutlookItem *item = button->Items(k);
            if (item->Action() && static_cast<QObject *>(item->Action()) == component)
                item->setAction(nullptr);
        }
}

int TGXCustomOutlookBar::VisibleButtonsAfter(int index) const
{
    int n = 0;
    for (int j = std::max(index + 1, 0); j < ButtonCount(); ++j)
        n += m_buttons[j]->Visible() ? 1 : 0;
    return n;
}

int TGXCustomOutlookBar::NextVisibleButton(int index) const
{
    for (int j = std::max(index + 1, 0); j < ButtonCount(); ++j)
        if (m_buttons[j]->Visible())
            return j;
    return -1;
}

GXRect TGXCustomOutlookBar::ClientRect() const
{
    return gxlayout::clientRect(size());
}

TGXHit TGXCustomOutlookBar::HitTest(int x, int y) const
{
    GXHitRects rects;
    rects.upArrow = m_upArrowRect;
    rects.downArrow = m_downArrowRect;
    for (const auto &button : m_buttons)
        rects.buttons.push_back(button->ButtonRect());
    // A hidden button keeps the rectangles of its last paint, but nothing of it can be hit.
    if (TGXOutlookItems *button = openButton(); button && button->Visible()) {
        rects.buttonOpen = true;
        for (int k = 0; k < button->Count(); ++k) {
            rects.itemImages.push_back(button->Items(k)->ImageRect());
            rects.itemTexts.push_back(button->Items(k)->TextRect());
        }
    }
    return gxHitTest(rects, QPoint(x, y));
}

// ---------------------------------------------------------------- property setters

void TGXCustomOutlookBar::setBackground(const QPixmap &picture)
{
    m_background = picture;
    Changed();
    repaint();
}

void TGXCustomOutlookBar::setButtonColor(const TGXColor &value)
{
    if (value == m_buttonColor)
        return;
    m_buttonColor = value;
    update();
}

void TGXCustomOutlookBar::setButtonFont(const QFont &value)
{
    m_buttonFont = value;
    Changed();
    repaint();
}

void TGXCustomOutlookBar::setButtonFontColor(const TGXColor &value)
{
    if (value == m_buttonFontColor)
        return;
    m_buttonFontColor = value;
    repaint();
}

void TGXCustomOutlookBar::setColor(const TGXColor &value)
{
    if (value == m_color)
        return;
    m_color = value;
    repaint();
}

void TGXCustomOutlookBar::setFrameStyle(GX::TGXOutlookFrameStyle value)
{
    if (value == m_frameStyle)
        return;
    m_frameStyle = value;
    repaint();
}

void TGXCustomOutlookBar::setItemHightlightColor(const TGXColor &value)
{
    if (value == m_itemHighlightColor)
        return;
    m_itemHighlightColor = value;
    update();
}

void TGXCustomOutlookBar::setItemHightlightFont(const QFont &value)
{
    m_itemHighlightFont = value;
    Changed();
}

void TGXCustomOutlookBar::setItemHightlightFontColor(const TGXColor &value)
{
    if (value == m_itemHighlightFontColor)
        return;
    m_itemHighlightFontColor = value;
    Changed();
}

void TGXCustomOutlookBar::setSelectedFontColor(const TGXColor &value)
{
    if (value == m_selectedFontColor)
        return;
    m_selectedFontColor = value;
    repaint();
}

void TGXCustomOutlookBar::setSelectedFont(const QFont &value)
{
    m_selectedFont = value;
    Changed();
    repaint();
}

void TGXCustomOutlookBar::setStripAccChar(bool value)
{
    if (value == m_stripAccChar)
        return;
    m_stripAccChar = value;
    update();
}

void TGXCustomOutlookBar::setImages(TGXImageList *images)
{
    if (images == m_images)
        return;
    m_images = images;
    if (images)
        watchRemoval(images);
    update();
}

void TGXCustomOutlookBar::setScrollBtnStyle(GX::TGXScrollBtnStyle value)
{
    if (value == m_scrollBtnStyle)
        return;
    m_scrollBtnStyle = value;
    update();
}

void TGXCustomOutlookBar::setSpacing(int value)
{
    if (value == m_spacing)
        return;
    m_spacing = value;
    repaint();
}

void TGXCustomOutlookBar::setTopSpacing(int value)
{
    if (value == m_topSpacing)
        return;
    m_topSpacing = value;
    repaint();
}

void TGXCustomOutlookBar::setWordWrap(bool value)
{
    if (value == m_wordWrap)
        return;
    m_wordWrap = value;
    repaint();
}
