#pragma once

#include "core/Signal.h"

#include <QObject>

#include <optional>

namespace tavik {

class PowerSource;
class SettingsStore;

// Switches low-power mode on below the battery threshold the user chose, and off again on
// mains power or above it, unless the user has overridden it: a change of low-power mode made
// by anyone else suspends the automatic switching until the machine is plugged in or
// unplugged, or an automatic power-saving setting changes. The system's power-saver profile
// counts like a low battery.
class BatteryMonitor final : public QObject {
    Q_OBJECT
public:
    BatteryMonitor(SettingsStore& settings, PowerSource& source, QObject* parent = nullptr);
    ~BatteryMonitor() override;

    // Subscribes, starts the power source and evaluates once; later calls do nothing.
    void start();
    // Reads the power source and writes low-power mode when the automatic mode wants it.
    void evaluate();

    [[nodiscard]] bool isStarted() const { return m_started; }
    [[nodiscard]] bool autoSuspended() const { return m_autoSuspended; }
    [[nodiscard]] bool isSelfUpdating() const { return m_isSelfUpdating; }

private:
    void subscribeToSettings();
    void autoSettingChanged(bool enabled, double threshold);
    void evaluateWith(bool autoEnabled, double threshold);

    SettingsStore& m_settings;
    PowerSource& m_source;
    Subscription m_autoEnabled;
    Subscription m_autoThreshold;
    Subscription m_lowPower;
    bool m_started = false;
    std::optional<bool> m_lastCharging;
    std::optional<bool> m_lastPowerSaver;
    bool m_isSelfUpdating = false;
    bool m_autoSuspended = false;
};

} // namespace tavik
