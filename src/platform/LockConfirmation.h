#pragma once

#include <QtGlobal>

#include <optional>

namespace tavik {

// How a screen locker is seen holding the screen, if at all.
enum class LockerSight {
    none,
    window, // a full-screen window above everything else; its going is reported as an event
    grab,   // only a keyboard grab by another program; its end has to be looked for
};

// Whether the screen is locked, from what the sources say and what is seen on screen.
//
// logind's Lock signal only asks the session's locker to lock; a locker that does not report
// back (or no locker at all) would leave a lock that never ends. So a Lock request only starts
// a short watch for a locker; the lock itself is what the reporting sources (LockedHint, the
// screen savers) last said, or a locker seen holding the screen, for as long as it holds it.
class LockConfirmation {
public:
    // How long a Lock request keeps us looking for its locker, and how often we look.
    static constexpr qint64 kRequestWatchMs = 5000;
    static constexpr qint64 kRequestLookMs = 250;
    // A locker seen only by its keyboard grab is looked at this often while it holds.
    static constexpr qint64 kGrabLookMs = 500;

    // A source that reports the state itself: the last word of any of them counts.
    void announce(bool locked);
    // logind asked the locker to lock, or to unlock (which also ends the watch: a locker still
    // holding the screen keeps the lock until it lets go).
    void lockRequested(qint64 nowMs);
    void unlockRequested();
    // What a look at the screen found. A locker counts only while watched for: during a
    // request's watch, or for as long as the one already seen holds.
    void lockerSeen(LockerSight sight, qint64 nowMs);

    [[nodiscard]] bool locked() const { return m_announced || m_holding != LockerSight::none; }
    [[nodiscard]] LockerSight holding() const { return m_holding; }
    // Whether a locker seen now would count.
    [[nodiscard]] bool watching(qint64 nowMs) const;
    // When to look again, in milliseconds from now, or nothing when only an event can tell.
    [[nodiscard]] std::optional<qint64> nextLookIn(qint64 nowMs) const;

private:
    bool m_announced = false;
    LockerSight m_holding = LockerSight::none;
    std::optional<qint64> m_watchUntil;
};

} // namespace tavik
