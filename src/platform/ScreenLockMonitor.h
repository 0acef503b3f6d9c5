#pragma once

#include <QDBusConnection>
#include <QObject>

#include <memory>
#include <optional>

namespace tavik {

// Whether the session's screen is locked, from whichever of these the desktop provides:
// logind's session (its Lock / Unlock signals and LockedHint property, on the system bus) and
// the screen savers org.freedesktop.ScreenSaver and org.gnome.ScreenSaver (ActiveChanged, on
// the session bus). It only listens: it never inhibits or activates anything. Where none of
// them exists, nothing is ever reported.
class ScreenLockMonitor final : public QObject {
    Q_OBJECT
public:
    // On the buses of this session.
    explicit ScreenLockMonitor(QObject* parent = nullptr);
    // On the given buses (the tests' private ones).
    ScreenLockMonitor(QDBusConnection systemBus, QDBusConnection sessionBus, QObject* parent = nullptr);
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
