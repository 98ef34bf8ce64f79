#include "GXActionHandler.h"

#include <QAction>

TGXNotifyEvent::TGXNotifyEvent(QString name, Function code)
    : m_name(std::move(name)),
      m_code(code ? std::make_shared<const Function>(std::move(code)) : nullptr)
{
}

TGXNotifyEvent::TGXNotifyEvent(Function code) : TGXNotifyEvent(QString(), std::move(code)) {}

bool TGXNotifyEvent::SameCode(const TGXNotifyEvent &other) const
{
    if (!m_name.isEmpty() || !other.m_name.isEmpty())
        return m_name == other.m_name;
    return m_code == other.m_code;
}

void TGXNotifyEvent::operator()(QObject *sender) const
{
    if (m_code)
        (*m_code)(sender);
}

TGXActionExecuteNotifier::TGXActionExecuteNotifier(QAction *action) : QObject(action)
{
    connect(action, &QAction::triggered, this, [this, action] { handler(action); });
}

static TGXActionExecuteNotifier *holderOf(const QAction *action, bool create)
{
    auto *h = action->findChild<TGXActionExecuteNotifier *>(QString(), Qt::FindDirectChildrenOnly);
    if (!h && create)
        h = new TGXActionExecuteNotifier(const_cast<QAction *>(action));
    return h;
}

void setActionExecute(QAction *action, const TGXNotifyEvent &handler)
{
    if (!action)
        return;
    TGXActionExecuteNotifier *h = holderOf(action, true);
    h->handler = handler;
    emit h->changed();
}

TGXNotifyEvent actionExecute(const QAction *action)
{
    if (!action)
        return {};
    const TGXActionExecuteNotifier *h = holderOf(action, false);
    return h ? h->handler : TGXNotifyEvent();
}

TGXActionExecuteNotifier *actionExecuteNotifier(QAction *action)
{
    return action ? holderOf(action, true) : nullptr;
}
