#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QAction;

// A notify handler that the layout text can name. Two handlers run the same code when they
// carry the same name, or, unnamed, when one is a copy of the other.
class TGXNotifyEvent
{
public:
    using Function = std::function<void(QObject *Sender)>;

    TGXNotifyEvent() = default;
    TGXNotifyEvent(QString name, Function code);
    explicit TGXNotifyEvent(Function code);

    const QString &Name() const { return m_name; }
    bool Assigned() const { return m_code != nullptr; }
    bool SameCode(const TGXNotifyEvent &other) const;
    void operator()(QObject *sender) const;

private:
    QString m_name;
    std::shared_ptr<const Function> m_code;
};

// Asked before a click changes the bar. Sender is the bar; the handler sees the bar's current
// state and may clear CanChange.
using TGXOutlookChangingEvent = std::function<void(QObject *Sender, bool &CanChange)>;

// A QAction's execute handler: runs with the action as Sender whenever the action triggers.
// Items compare their OnClick with it, so it is kept beside the action rather than as one of
// many anonymous connections.
void setActionExecute(QAction *action, const TGXNotifyEvent &handler);
TGXNotifyEvent actionExecute(const QAction *action);

// Kept as a child of the action; announces a new execute handler.
class TGXActionExecuteNotifier : public QObject
{
    Q_OBJECT
public:
    explicit TGXActionExecuteNotifier(QAction *action);
    TGXNotifyEvent handler;

signals:
    void changed();
};

// Created on first use.
TGXActionExecuteNotifier *actionExecuteNotifier(QAction *action);
