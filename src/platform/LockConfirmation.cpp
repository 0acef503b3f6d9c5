#include "platform/LockConfirmation.h"

#include <algorithm>

namespace tavik {

void LockConfirmation::announce(bool locked)
{
    m_announced = locked;
}

void LockConfirmation::lockRequested(qint64 nowMs)
{
    m_watchUntil = nowMs + kRequestWatchMs;
}

void LockConfirmation::unlockRequested()
{
    m_announced = false;
    m_watchUntil.reset();
}

void LockConfirmation::lockerSeen(LockerSight sight, qint64 nowMs)
{
    if (sight == LockerSight::none || watching(nowMs))
        m_holding = sight;
}

bool LockConfirmation::watching(qint64 nowMs) const
{
    return m_holding != LockerSight::none || (m_watchUntil && nowMs < *m_watchUntil);
}

std::optional<qint64> LockConfirmation::nextLookIn(qint64 nowMs) const
{
    if (m_holding == LockerSight::grab)
        return kGrabLookMs;
    if (m_holding == LockerSight::none && m_watchUntil && nowMs < *m_watchUntil)
        return std::min(kRequestLookMs, *m_watchUntil - nowMs);
    return std::nullopt;
}

} // namespace tavik
