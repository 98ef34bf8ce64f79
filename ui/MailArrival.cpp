#include "MailArrival.h"

#include "NewMailNotice.h"
#include "Settings.h"

#include <QFileSystemWatcher>
#include <QTimer>

#include <utility>

namespace {
// Drop files of one send land one after another; collect once they have settled.
constexpr int SettleMilliseconds = 1000;
} // namespace

MailArrival::MailArrival(const QIcon &icon, std::function<bool()> mailWaiting, QObject *parent)
    : QObject(parent)
    , m_notice(new TNewMailNotice(icon, this))
    , m_collectTimer(new QTimer(this))
    , m_settleTimer(new QTimer(this))
    , m_inboxWatcher(new QFileSystemWatcher(this))
    , m_mailWaiting(std::move(mailWaiting))
{
    m_collectTimer->setObjectName(QStringLiteral("CollectTimer"));
    connect(m_collectTimer, &QTimer::timeout, this, &MailArrival::due);
    m_settleTimer->setObjectName(QStringLiteral("SettleTimer"));
    m_settleTimer->setSingleShot(true);
    m_settleTimer->setInterval(SettleMilliseconds);
    connect(m_settleTimer, &QTimer::timeout, this, &MailArrival::due);
    connect(m_inboxWatcher, &QFileSystemWatcher::directoryChanged, this, [this] {
        if (m_mailWaiting())
            m_settleTimer->start();
    });
}

void MailArrival::configure(const TSettings &saved, bool inboxLoaded)
{
    m_notice->setEnabled(saved.NewMailNotice);
    if (!m_inboxWatcher->directories().isEmpty())
        m_inboxWatcher->removePaths(m_inboxWatcher->directories());
    const int minutes = inboxLoaded ? saved.CollectEvery : 0;
    if (minutes <= 0) {
        m_collectTimer->stop();
        m_settleTimer->stop();
        return;
    }
    m_collectTimer->start(minutes * 60 * 1000);
    m_inboxWatcher->addPath(saved.MyDest);
}

void MailArrival::retryLater()
{
    m_settleTimer->start();
}

bool MailArrival::sayOnce(const QString &words)
{
    return std::exchange(m_said, words) != words;
}
