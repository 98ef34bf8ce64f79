#pragma once

#include <QIcon>
#include <QObject>
#include <QString>

class QSystemTrayIcon;

// Tells the user of new mail while they look elsewhere: a tray icon (where the desktop has a
// tray) whose tooltip and badge count the messages that came since the InBox was last looked
// at, and a desktop notification. A click on either is reported as clicked().
class TNewMailNotice : public QObject
{
    Q_OBJECT
public:
    TNewMailNotice(const QIcon &icon, QObject *parent);

    // Off: no tray icon and no notifications.
    void setEnabled(bool on);
    bool enabled() const { return m_enabled; }
    void setCount(int count);
    int count() const { return m_count; }
    QString toolTip() const;
    // The window's picture with the count in a badge.
    QIcon badgeIcon() const;
    void notify(const QString &summary, const QString &body);

signals:
    void clicked();
    // Every notification given, also where the desktop has no way to show it.
    void noticed(const QString &summary, const QString &body);

private slots:
    void actionInvoked(uint id, const QString &action);

private:
    void showTray();

    QIcon m_icon;
    QSystemTrayIcon *m_tray;
    bool m_enabled = false;
    int m_count = 0;
    uint m_notificationId = 0;
};
