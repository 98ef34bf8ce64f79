#include "GXOutlookAccessible.h"

#include "GX_Outlook.h"

#include <QAccessibleWidget>

namespace {

// One button's strip (item -1) or one item of the open button. The bar may change under it,
// so every question looks the entry up again and an entry that is gone answers as invalid.
class TGXOutlookEntryAccessible : public QAccessibleInterface
{
public:
    TGXOutlookEntryAccessible(TGXCustomOutlookBar *bar, int button, int item)
        : m_bar(bar), m_button(button), m_item(item)
    {
    }

    bool isValid() const override
    {
        if (!m_bar || m_button >= m_bar->ButtonCount())
            return false;
        return m_item < 0 || (m_button == m_bar->SelectedButton() && m_item < m_bar->Buttons(m_button)->Count());
    }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override { return m_bar ? m_bar->window()->windowHandle() : nullptr; }
    QAccessibleInterface *parent() const override { return QAccessible::queryAccessibleInterface(m_bar.data()); }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    void setText(QAccessible::Text, const QString &) override {}

    QString text(QAccessible::Text t) const override
    {
        if (t != QAccessible::Name || !isValid())
            return {};
        const TGXOutlookItems *button = m_bar->Buttons(m_button);
        return m_item < 0 ? button->Caption() : button->Items(m_item)->Caption();
    }

    QAccessible::Role role() const override { return m_item < 0 ? QAccessible::PageTab : QAccessible::ListItem; }

    QRect rect() const override
    {
        if (!isValid())
            return {};
        QRect area;
        if (m_item < 0) {
            area = m_bar->Buttons(m_button)->ButtonRect().toQRect();
        } else {
            const TGXOutlookItem *item = m_bar->Buttons(m_button)->Items(m_item);
            area = item->ImageRect().toQRect().united(item->TextRect().toQRect());
        }
        return QRect(m_bar->mapToGlobal(area.topLeft()), area.size());
    }

    QAccessible::State state() const override
    {
        QAccessible::State s;
        if (!isValid()) {
            s.invalid = true;
            return s;
        }
        if (m_item < 0) {
            const TGXOutlookItems *button = m_bar->Buttons(m_button);
            s.invisible = !button->Visible();
            s.checkable = true;
            s.checked = m_button == m_bar->SelectedButton();
            return s;
        }
        const TGXOutlookItem *item = m_bar->Buttons(m_button)->Items(m_item);
        s.selectable = true;
        s.selected = m_item == m_bar->SelectedItem();
        s.invisible = !item->Visible() || rect().isEmpty();
        s.disabled = !item->Enabled();
        return s;
    }

private:
    QPointer<TGXCustomOutlookBar> m_bar;
    int m_button;
    int m_item;
};

class TGXOutlookAccessible : public QAccessibleWidget
{
public:
    explicit TGXOutlookAccessible(TGXCustomOutlookBar *bar) : QAccessibleWidget(bar, QAccessible::List) {}
    ~TGXOutlookAccessible() override { forget(); }

    TGXCustomOutlookBar *bar() const { return static_cast<TGXCustomOutlookBar *>(widget()); }

    int childCount() const override { return int(layout().size()); }

    QAccessibleInterface *child(int index) const override
    {
        refresh();
        if (index < 0 || index >= int(m_ids.size()))
            return nullptr;
        return QAccessible::accessibleInterface(m_ids[std::size_t(index)]);
    }

    int indexOfChild(const QAccessibleInterface *child) const override
    {
        refresh();
        for (std::size_t i = 0; i < m_ids.size(); ++i) {
            if (QAccessible::accessibleInterface(m_ids[i]) == child)
                return int(i);
        }
        return -1;
    }

    QString text(QAccessible::Text t) const override
    {
        QString s = QAccessibleWidget::text(t);
        if (t == QAccessible::Name && s.isEmpty())
            s = QStringLiteral("Navigation");
        return s;
    }

private:
    // Each button, then the open button's items.
    std::vector<std::pair<int, int>> layout() const
    {
        std::vector<std::pair<int, int>> entries;
        for (int b = 0; b < bar()->ButtonCount(); ++b)
            entries.emplace_back(b, -1);
        const int open = bar()->SelectedButton();
        if (open >= 0 && open < bar()->ButtonCount()) {
            for (int i = 0; i < bar()->Buttons(open)->Count(); ++i)
                entries.emplace_back(open, i);
        }
        return entries;
    }

    // The children are made again whenever the bar's buttons or open button change.
    void refresh() const
    {
        const std::vector<std::pair<int, int>> now = layout();
        if (now == m_layout && m_ids.size() == now.size())
            return;
        forget();
        m_layout = now;
        for (const auto &[button, item] : now)
            m_ids.push_back(QAccessible::registerAccessibleInterface(new TGXOutlookEntryAccessible(bar(), button, item)));
    }

    void forget() const
    {
        for (QAccessible::Id id : m_ids)
            QAccessible::deleteAccessibleInterface(id);
        m_ids.clear();
        m_layout.clear();
    }

    mutable std::vector<std::pair<int, int>> m_layout;
    mutable std::vector<QAccessible::Id> m_ids;
};

} // namespace

QAccessibleInterface *outlookBarAccessible(const QString &, QObject *object)
{
    if (auto *bar = qobject_cast<TGXCustomOutlookBar *>(object))
        return new TGXOutlookAccessible(bar);
    return nullptr;
}
