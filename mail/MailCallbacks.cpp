#include "MailCallbacks.h"

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
