#pragma once

#include "platform/LockConfirmation.h"

#include <QDBusConnection>
#include <QObject>

#include <functional>
#include <memory>
#include <optional>

namespace tavik {

// Looks at the screen for a locker holding it. One that cannot see (no display) never finds one.
class ScreenLockerProbe {
public:
    virtual ~ScreenLockerProbe() = default;
    [[nodiscard]] virtual LockerSight look() = 0;
    // `handler` runs whenever windows come or go, when a new look may find something else.
    virtual void setWindowsChangedHandler(std::function<void()> handler) = 0;
};

// Whether the session's screen is locked, from whichever of these the desktop provides:
// logind's session (its LockedHint property, on the system bus), the screen savers
// org.freedesktop.ScreenSaver and org.gnome.ScreenSaver (ActiveChanged, on the session bus),
// and a locker seen holding the screen after logind's Lock signal asked for one (see
// LockConfirmation). It only listens and looks: it never inhibits or activates anything.
// Where none of them exists, nothing is ever reported.
class ScreenLockMonitor final : public QObject {
    Q_OBJECT
public:
    // On the buses and the display of this session.
    explicit ScreenLockMonitor(QObject* parent = nullptr);
    // On the given buses (the tests' private ones), looking for lockers with `probe` if any.
    ScreenLockMonitor(QDBusConnection systemBus, QDBusConnection sessionBus,
                      std::unique_ptr<ScreenLockerProbe> probe = nullptr, QObject* parent = nullptr);
    ~ScreenLockMonitor() override;

    // Reads the state once (a session that starts locked is locked) and follows it from then
    // on; later calls do nothing.
    void start();

    // The last state heard of, or nothing before any source answered.
    [[nodiscard]] std::optional<bool> isLocked() const;

signals:
    // Sent once for every change of state, and for the first state heard of when it is locked.
    void lockedChanged(bool locked);

private:
    class Private;
    std::unique_ptr<Private> d;
};

} // namespace tavik
