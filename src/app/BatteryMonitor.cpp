#include "app/BatteryMonitor.h"

#include "platform/PowerSources.h"
#include "settings/SettingsStore.h"

#include <utility>

namespace tavik {

BatteryMonitor::BatteryMonitor(SettingsStore& settings, PowerSource& source, QObject* parent)
    : QObject(parent), m_settings(settings), m_source(source)
{
}

BatteryMonitor::~BatteryMonitor() = default;

void BatteryMonitor::start()
{
    if (m_started)
        return;
    m_started = true;
    subscribeToSettings();

    // A notification only says that something may have changed; the evaluation runs later
    // from the event loop, so a burst of notifications never writes settings mid-signal.
    connect(&m_source, &PowerSource::changed, this, &BatteryMonitor::evaluate, Qt::QueuedConnection);
    m_source.start();
    evaluate();
}

void BatteryMonitor::subscribeToSettings()
{
    // observe() hands over the current value at once; only later changes mean anything here.
    m_autoEnabled = m_settings.observe<bool>(Setting::autoPowerSavingEnabled, [this, first = true](bool enabled) mutable {
        if (std::exchange(first, false))
            return;
        autoSettingChanged(enabled, m_settings.autoPowerSavingThreshold());
    });
    m_autoThreshold = m_settings.observe<double>(Setting::autoPowerSavingThreshold, [this, first = true](double threshold) mutable {
        if (std::exchange(first, false))
            return;
        autoSettingChanged(m_settings.autoPowerSavingEnabled(), threshold);
    });
    m_lowPower = m_settings.observe<bool>(Setting::lowPowerMode, [this, first = true](bool) mutable {
        if (std::exchange(first, false))
            return;
        // Whatever the monitor did not write itself is the user's choice (the panel, the
        // command line, a reset of all settings) and suspends the automatic switching.
        if (!m_isSelfUpdating)
            m_autoSuspended = true;
    });
}

// The store announces a change before it stores it, so the evaluation gets the new values
// handed over instead of reading them back.
void BatteryMonitor::autoSettingChanged(bool enabled, double threshold)
{
    m_autoSuspended = false;
    evaluateWith(enabled, threshold);
}

void BatteryMonitor::evaluate()
{
    evaluateWith(m_settings.autoPowerSavingEnabled(), m_settings.autoPowerSavingThreshold());
}

void BatteryMonitor::evaluateWith(bool autoEnabled, double threshold)
{
    const std::optional<BatteryReading> reading = m_source.batteryState();
    const std::optional<bool> powerSaver = m_source.powerSaverProfile();
    // Knowing nothing about the machine is no reason to touch the user's setting.
    if (!reading && !powerSaver)
        return;

    const std::optional<bool> previousPowerSaver = m_lastPowerSaver;
    // Plugging in, unplugging, or the system switching its power profile is a new situation
    // in which the user's earlier override no longer applies. The very first reading has
    // nothing to differ from, so it never ends an override.
    if (reading) {
        if (m_lastCharging && *m_lastCharging != reading->charging)
            m_autoSuspended = false;
        m_lastCharging = reading->charging;
    }
    if (powerSaver) {
        if (m_lastPowerSaver && *m_lastPowerSaver != *powerSaver)
            m_autoSuspended = false;
        m_lastPowerSaver = powerSaver;
    }

    if (!autoEnabled || m_autoSuspended)
        return;
    // Without a battery only the profile speaks, and an ordinary profile says nothing about
    // what the user chose: only leaving the power-saver profile switches low-power mode off.
    if (!reading && !powerSaver.value_or(false) && previousPowerSaver != true)
        return;

    // The system's power-saver profile asks for saving power whatever the battery says; a
    // battery running down to the threshold asks for it on its own. Either is enough, and a
    // machine that answers only one of the two questions is judged on that one.
    const bool lowBattery = reading && !reading->charging && reading->percent <= threshold;
    const bool wanted = powerSaver.value_or(false) || lowBattery;
    if (wanted == m_settings.lowPowerMode())
        return;
    m_isSelfUpdating = true;
    m_settings.setLowPowerMode(wanted);
    m_isSelfUpdating = false;
}

} // namespace tavik
