#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <memory>
#include <optional>

namespace tavik {

// One reading of the machine's battery: its charge as a percentage of full capacity, and
// whether mains power is connected.
struct BatteryReading {
    double percent = 0;
    bool charging = false;
};

// Where the battery and the system's power-saving choice are read from. `changed` tells that
// a new reading may be different; readings are cheap (answered from what was last heard).
class PowerSource : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~PowerSource() override = default;

    // Starts listening (or polling); later calls do nothing.
    virtual void start() = 0;
    // Nothing when there is no battery, or none that can be read.
    [[nodiscard]] virtual std::optional<BatteryReading> batteryState() const = 0;
    // Whether the system runs its power-saver profile (power-profiles-daemon's ActiveProfile
    // "power-saver"); nothing when no such service answers.
    [[nodiscard]] virtual std::optional<bool> powerSaverProfile() const = 0;

signals:
    void changed();
};

// UPower's display device over D-Bus (Percentage, State, OnBattery and their property
// changes) and the power profile; without UPower, /sys/class/power_supply polled once a
// minute. `systemBus` is the bus both services live on.
[[nodiscard]] std::unique_ptr<PowerSource> makeSystemPowerSource(QDBusConnection systemBus = QDBusConnection::systemBus(),
                                                                 const QString& powerSupplyRoot = QStringLiteral(
                                                                     "/sys/class/power_supply"));

// The sysfs reader on its own, for a folder laid out like /sys/class/power_supply: batteries
// (type "Battery") give capacity, or energy_now / energy_full, or charge_now / charge_full;
// mains adapters (type "Mains") give online. Garbage and missing files count as unreadable.
[[nodiscard]] std::optional<BatteryReading> readPowerSupplyFolder(const QString& root);

} // namespace tavik
