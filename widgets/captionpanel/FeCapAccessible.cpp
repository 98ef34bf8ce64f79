#include "FeCapAccessible.h"

#include "FeCapPnl.h"

#include <QAccessibleWidget>
#include <QPointer>

namespace {

// The close-style button of the caption strip, which is no widget of its own.
class TFECaptionButtonAccessible : public QAccessibleInterface
{
public:
    explicit TFECaptionButtonAccessible(TFECustomCaptionPanel *panel) : m_panel(panel) {}

    bool isValid() const override { return m_panel; }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override { return m_panel ? m_panel->window()->windowHandle() : nullptr; }
    QAccessibleInterface *parent() const override { return QAccessible::queryAccessibleInterface(m_panel.data()); }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    void setText(QAccessible::Text, const QString &) override {}
    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Name ? QStringLiteral("Close") : QString();
    }
    QAccessible::Role role() const override { return QAccessible::Button; }
    QRect rect() const override
    {
        if (!m_panel)
            return {};
        const QRect button = m_panel->buttonRect();
        return QRect(m_panel->mapToGlobal(button.topLeft()), button.size());
    }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        s.invalid = !m_panel;
        s.invisible = !m_panel || !m_panel->buttonVisible();
        s.pressed = m_panel && m_panel->isPressed();
        s.hotTracked = m_panel && m_panel->isHover();
        return s;
    }

private:
    QPointer<TFECustomCaptionPanel> m_panel;
};

class TFECaptionPanelAccessible : public QAccessibleWidget
{
public:
    explicit TFECaptionPanelAccessible(TFECustomCaptionPanel *panel)
        : QAccessibleWidget(panel, QAccessible::Pane)
        , m_button(QAccessible::registerAccessibleInterface(new TFECaptionButtonAccessible(panel)))
    {
    }
    ~TFECaptionPanelAccessible() override { QAccessible::deleteAccessibleInterface(m_button); }

    TFECustomCaptionPanel *panel() const { return static_cast<TFECustomCaptionPanel *>(widget()); }

    QString text(QAccessible::Text t) const override
    {
        QString s = QAccessibleWidget::text(t);
        if (t == QAccessible::Name && s.isEmpty())
            s = panel()->caption();
        return s;
    }

    // The panel's controls first, then the strip's button while it shows.
    int childCount() const override { return QAccessibleWidget::childCount() + (panel()->buttonVisible() ? 1 : 0); }

    QAccessibleInterface *child(int index) const override
    {
        const int controls = QAccessibleWidget::childCount();
        if (index == controls && panel()->buttonVisible())
            return QAccessible::accessibleInterface(m_button);
        return QAccessibleWidget::child(index);
    }

    int indexOfChild(const QAccessibleInterface *child) const override
    {
        if (child == QAccessible::accessibleInterface(m_button))
            return panel()->buttonVisible() ? QAccessibleWidget::childCount() : -1;
        return QAccessibleWidget::indexOfChild(child);
    }

private:
    QAccessible::Id m_button;
};

} // namespace

QAccessibleInterface *captionPanelAccessible(const QString &, QObject *object)
{
    if (auto *panel = qobject_cast<TFECustomCaptionPanel *>(object))
        return new TFECaptionPanelAccessible(panel);
    return nullptr;
}
