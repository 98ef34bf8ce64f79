#include "MailCallbacks.h"

#include <QLocale>

#include <atomic>

namespace {
std::atomic<bool> running{false};
}

MailRunGuard::MailRunGuard()
{
    bool expected = false;
    m_acquired = running.compare_exchange_strong(expected, true);
}

MailRunGuard::~MailRunGuard()
{
    if (m_acquired)
        running.store(false);
}

bool MailRunGuard::busy()
{
    return running.load();
}

QString countText(int done, int of)
{
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() & ~QLocale::OmitGroupSeparator);
    return QStringLiteral("%1 of %2").arg(locale.toString(done), locale.toString(of));
}
