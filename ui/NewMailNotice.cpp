#include "NewMailNotice.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QPainter>
#include <QSystemTrayIcon>

namespace {

const QString NotificationsService = QStringLiteral("org.freedesktop.Notifications");
const QString NotificationsPath = QStringLiteral("/org/freedesktop/Notifications");

} // namespace

TNewMailNotice::TNewMailNotice(const QIcon &icon, QObject *parent)
    : QObject(parent)
    , m_icon(icon)
    , m_tray(new QSystemTrayIcon(icon, this))
{
    m_tray->setObjectName(QStringLiteral("NewMailTray"));
    m_tray->setToolTip(toolTip());
    connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
            emit clicked();
    });
    connect(m_tray, &QSystemTrayIcon::messageClicked, this, &TNewMailNotice::clicked);
    QDBusConnection::sessionBus().connect(NotificationsService, NotificationsPath, NotificationsService,
                                          QStringLiteral("ActionInvoked"), this,
                                          SLOT(actionInvoked(uint, QString)));
}

void TNewMailNotice::setEnabled(bool on)
{
    m_enabled = on;
    showTray();
}

void TNewMailNotice::setCount(int count)
{
    if (count == m_count)
        return;
    m_count = count;
    m_tray->setToolTip(toolTip());
    m_tray->setIcon(badgeIcon());
}

QString TNewMailNotice::toolTip() const
{
    if (m_count == 0)
        return QStringLiteral("Quindle");
    return m_count == 1 ? QStringLiteral("Quindle: 1 new message")
                        : QStringLiteral("Quindle: %1 new messages").arg(m_count);
}

QIcon TNewMailNotice::badgeIcon() const
{
    if (m_count == 0)
        return m_icon;
    QPixmap picture = m_icon.pixmap(32, 32);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF badge(14, 14, 18, 18);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(204, 0, 0));
    painter.drawEllipse(badge);
    QFont font = painter.font();
    font.setPixelSize(m_count > 9 ? 9 : 12);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(badge, Qt::AlignCenter, m_count > 99 ? QStringLiteral("99+") : QString::number(m_count));
    return QIcon(picture);
}

void TNewMailNotice::notify(const QString &summary, const QString &body)
{
    if (!m_enabled)
        return;
    emit noticed(summary, body);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected()) {
        QDBusInterface notifications(NotificationsService, NotificationsPath, NotificationsService, bus);
        // The "default" action is what a click on the notification runs.
        const QDBusPendingCall call = notifications.asyncCall(
            QStringLiteral("Notify"), QStringLiteral("Quindle"), m_notificationId, QStringLiteral("mail-unread"),
            summary, body, QStringList{QStringLiteral("default"), QStringLiteral("Show InBox")}, QVariantMap(),
            -1);
        auto *watcher = new QDBusPendingCallWatcher(call, this);
        connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *done) {
            const QDBusPendingReply<uint> reply = *done;
            if (reply.isValid())
                m_notificationId = reply.value();
            done->deleteLater();
        });
        return;
    }
    if (m_tray->isVisible())
        m_tray->showMessage(summary, body, badgeIcon());
}

void TNewMailNotice::actionInvoked(uint id, const QString &action)
{
    if (id == m_notificationId && m_notificationId != 0 && action == QLatin1String("default"))
        emit clicked();
}

void TNewMailNotice::showTray()
{
    m_tray->setVisible(m_enabled && QSystemTrayIcon::isSystemTrayAvailable());
}
