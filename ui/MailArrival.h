#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QFileSystemWatcher;
class QIcon;
class QTimer;
class TNewMailNotice;
struct TSettings;

// When mail is collected without a click: every few minutes, and a second after a drop file
// of the user's appears in the own inbox folder, once the drop files of one send have
// settled. It holds the notice of new mail too, and what the automatic collection last said.
class MailArrival : public QObject
{
    Q_OBJECT
public:
    // mailWaiting answers whether the user's first drop file lies in the inbox folder.
    MailArrival(const QIcon &icon, std::function<bool()> mailWaiting, QObject *parent);

    // The interval and the folder watch as the saved settings say; nothing is due while the
    // inbox is not loaded or the interval is 0. Where the folder cannot be watched (some
    // network file systems), the interval alone.
    void configure(const TSettings &saved, bool inboxLoaded);
    // A collection that could not run now is due again after the settle time.
    void retryLater();
    // True unless the automatic collection said these words last time: a cause that lasts is
    // said once, not every few minutes. Empty words are remembered too.
    bool sayOnce(const QString &words);
    TNewMailNotice *notice() const { return m_notice; }

signals:
    // An automatic collection is due.
    void due();

private:
    TNewMailNotice *m_notice;
    QTimer *m_collectTimer;
    QTimer *m_settleTimer;
    QFileSystemWatcher *m_inboxWatcher;
    std::function<bool()> m_mailWaiting;
    QString m_said;
};
