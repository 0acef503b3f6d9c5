#include "platform/PowerSources.h"

#include "platform/DBusNames.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QTimer>
#include <QVariantMap>

#include <algorithm>
#include <cmath>
#include <vector>

namespace tavik {

namespace {

Q_LOGGING_CATEGORY(lcPower, "tavik.power", QtWarningMsg)

// Without change notifications, a minute is fine-grained enough for a battery that drains
// by about a percent in that time, and costs nothing measurable.
constexpr int kSysfsPollIntervalMs = 60'000;
// sysfs attributes we read are short numbers or words; anything longer is not one of them.
constexpr qint64 kMaxAttributeBytes = 64;

const QString kUPowerService = QStringLiteral("org.freedesktop.UPower");
const QString kUPowerPath = QStringLiteral("/org/freedesktop/UPower");
const QString kDisplayDevicePath = QStringLiteral("/org/freedesktop/UPower/devices/DisplayDevice");
const QString kDeviceInterface = QStringLiteral("org.freedesktop.UPower.Device");
const QString kProfilesService = QStringLiteral("org.freedesktop.UPower.PowerProfiles");
const QString kProfilesPath = QStringLiteral("/org/freedesktop/UPower/PowerProfiles");
const QString kLegacyProfilesService = QStringLiteral("net.hadess.PowerProfiles");
const QString kLegacyProfilesPath = QStringLiteral("/net/hadess/PowerProfiles");

// UPower's device Type and State enumerations (only the values we look at).
constexpr uint kUPowerTypeBattery = 2;
constexpr uint kUPowerStateCharging = 1;
constexpr uint kUPowerStateFullyCharged = 4;
constexpr uint kUPowerStatePendingCharge = 5;

// ----- /sys/class/power_supply

std::optional<QString> readAttribute(const QDir& supply, const QString& name)
{
    QFile file(supply.filePath(name));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.read(kMaxAttributeBytes + 1);
    // Number parsing would stop at an embedded NUL and accept what came before it.
    if (bytes.size() > kMaxAttributeBytes || bytes.contains('\0'))
        return std::nullopt;
    return QString::fromLatin1(bytes).trimmed();
}

// Counters are never negative; a negative or non-numeric text is garbage.
std::optional<qint64> readCount(const QDir& supply, const QString& name)
{
    const std::optional<QString> text = readAttribute(supply, name);
    if (!text)
        return std::nullopt;
    bool ok = false;
    const qint64 value = text->toLongLong(&ok);
    if (!ok || value < 0)
        return std::nullopt;
    return value;
}

double clampedPercent(double percent)
{
    return std::clamp(percent, 0.0, 100.0);
}

struct Charge {
    double now = 0;
    double full = 0;
};

// now / full of a pair of counters; a missing or zero full capacity makes it unreadable.
std::optional<Charge> readCharge(const QDir& supply, const QString& nowName, const QString& fullName)
{
    const std::optional<qint64> now = readCount(supply, nowName);
    const std::optional<qint64> full = readCount(supply, fullName);
    if (!now || !full || *full == 0)
        return std::nullopt;
    return Charge{double(*now), double(*full)};
}

struct SysfsBattery {
    double percent = 0;
    std::optional<Charge> energy;
    std::optional<Charge> charge;
    bool statusSaysMains = false;
};

// Nothing for a battery that is absent, belongs to a peripheral (a mouse, a headset) or
// gives no usable charge at all.
std::optional<SysfsBattery> readBattery(const QDir& supply)
{
    if (const std::optional<QString> present = readAttribute(supply, QStringLiteral("present")); present && *present != u"1")
        return std::nullopt;
    if (readAttribute(supply, QStringLiteral("scope")) == QStringLiteral("Device"))
        return std::nullopt;

    SysfsBattery battery;
    battery.energy = readCharge(supply, QStringLiteral("energy_now"), QStringLiteral("energy_full"));
    battery.charge = readCharge(supply, QStringLiteral("charge_now"), QStringLiteral("charge_full"));
    if (const std::optional<qint64> capacity = readCount(supply, QStringLiteral("capacity")))
        battery.percent = clampedPercent(double(*capacity));
    else if (battery.energy)
        battery.percent = clampedPercent(100.0 * battery.energy->now / battery.energy->full);
    else if (battery.charge)
        battery.percent = clampedPercent(100.0 * battery.charge->now / battery.charge->full);
    else
        return std::nullopt;

    const QString status = readAttribute(supply, QStringLiteral("status")).value_or(QString());
    battery.statusSaysMains = status == u"Charging" || status == u"Full";
    return battery;
}

// Several batteries (some laptops have two) are one store of energy: their charge is the
// sum of what they hold over the sum of what they can hold, in whichever unit all of them
// report; with no common unit, the plain mean of their percentages.
double combinedPercent(const std::vector<SysfsBattery>& batteries)
{
    const auto sumOf = [&](std::optional<Charge> SysfsBattery::*member) -> std::optional<double> {
        Charge total;
        for (const SysfsBattery& battery : batteries) {
            if (!(battery.*member))
                return std::nullopt;
            total.now += (battery.*member)->now;
            total.full += (battery.*member)->full;
        }
        return clampedPercent(100.0 * total.now / total.full);
    };
    if (batteries.size() > 1) {
        if (const auto energy = sumOf(&SysfsBattery::energy))
            return *energy;
        if (const auto charge = sumOf(&SysfsBattery::charge))
            return *charge;
    }
    double sum = 0;
    for (const SysfsBattery& battery : batteries)
        sum += battery.percent;
    return sum / double(batteries.size());
}

// ----- D-Bus values, which a misbehaving service may send with any type

bool isNumber(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::UChar: return true;
    default: return false;
    }
}

std::optional<double> numberOf(const QVariantMap& properties, const QString& name)
{
    const QVariant value = properties.value(name);
    if (!isNumber(value))
        return std::nullopt;
    const double number = value.toDouble();
    return std::isfinite(number) ? std::optional(number) : std::nullopt;
}

std::optional<bool> flagOf(const QVariantMap& properties, const QString& name)
{
    const QVariant value = properties.value(name);
    if (value.typeId() != QMetaType::Bool)
        return std::nullopt;
    return value.toBool();
}

// The properties of one D-Bus object, kept up to date from its PropertiesChanged signal and
// fetched again whenever its service (re)appears. Answers stay empty while nobody answers.
class PropertyWatcher final : public QObject {
    Q_OBJECT
public:
    PropertyWatcher(QDBusConnection bus, QString service, QString path, QString interface, bool autoStart, QObject* parent)
        : QObject(parent),
          m_bus(std::move(bus)),
          m_service(std::move(service)),
          m_path(std::move(path)),
          m_interface(std::move(interface)),
          m_autoStart(autoStart)
    {
    }

    void start()
    {
        m_bus.connect(m_service, m_path, kPropertiesInterface, QStringLiteral("PropertiesChanged"), this,
                      SLOT(propertiesChanged(QString, QVariantMap, QStringList)));
        auto* owners = new QDBusServiceWatcher(m_service, m_bus,
                                               QDBusServiceWatcher::WatchForRegistration | QDBusServiceWatcher::WatchForUnregistration,
                                               this);
        connect(owners, &QDBusServiceWatcher::serviceRegistered, this, &PropertyWatcher::fetch);
        connect(owners, &QDBusServiceWatcher::serviceUnregistered, this, &PropertyWatcher::forget);
        fetch();
    }

    [[nodiscard]] const std::optional<QVariantMap>& properties() const { return m_properties; }

signals:
    void updated();
    // The service did not answer (absent, unable to start, or too slow).
    void failed();

private slots:
    void fetch()
    {
        QDBusMessage call = QDBusMessage::createMethodCall(m_service, m_path, kPropertiesInterface, QStringLiteral("GetAll"));
        call.setArguments({m_interface});
        call.setAutoStartService(m_autoStart);
        // Only the newest answer counts: an older call still under way is dropped with its watcher.
        delete m_pending;
        m_pending = new QDBusPendingCallWatcher(m_bus.asyncCall(call, kDBusCallTimeoutMs), this);
        connect(m_pending, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* watcher) {
            watcher->deleteLater();
            m_pending = nullptr;
            const QDBusPendingReply<QVariantMap> reply = *watcher;
            if (reply.isError()) {
                qCDebug(lcPower) << m_service << m_path << "gives no properties:" << reply.error().message();
                m_properties.reset();
                emit failed();
            } else {
                m_properties = reply.value();
            }
            emit updated();
        });
    }

    void forget()
    {
        delete m_pending;
        m_pending = nullptr;
        m_properties.reset();
        emit failed();
        emit updated();
    }

    void propertiesChanged(const QString& interface, const QVariantMap& changed, const QStringList& invalidated)
    {
        if (interface != m_interface)
            return;
        // Changes heard before the first answer would leave gaps; the answer brings everything.
        if (!m_properties || !invalidated.isEmpty()) {
            fetch();
            return;
        }
        for (auto it = changed.begin(); it != changed.end(); ++it)
            m_properties->insert(it.key(), it.value());
        emit updated();
    }

private:
    QDBusConnection m_bus;
    QString m_service;
    QString m_path;
    QString m_interface;
    bool m_autoStart;
    QDBusPendingCallWatcher* m_pending = nullptr;
    std::optional<QVariantMap> m_properties;
};

// UPower and the power profile when they answer; the sysfs folder, polled, while UPower
// does not.
class SystemPowerSource final : public PowerSource {
    Q_OBJECT
public:
    SystemPowerSource(QDBusConnection bus, QString powerSupplyRoot)
        : m_powerSupplyRoot(std::move(powerSupplyRoot)),
          // UPower may be started on demand by the bus; a power-profiles daemon the user does
          // not run is left alone.
          m_device(new PropertyWatcher(bus, kUPowerService, kDisplayDevicePath, kDeviceInterface, true, this)),
          m_manager(new PropertyWatcher(bus, kUPowerService, kUPowerPath, kUPowerService, true, this)),
          m_profiles(new PropertyWatcher(bus, kProfilesService, kProfilesPath, kProfilesService, false, this)),
          m_legacyProfiles(new PropertyWatcher(bus, kLegacyProfilesService, kLegacyProfilesPath, kLegacyProfilesService, false, this))
    {
        m_poll.setInterval(kSysfsPollIntervalMs);
        connect(&m_poll, &QTimer::timeout, this, &SystemPowerSource::pollSysfs);
        connect(m_device, &PropertyWatcher::failed, this, &SystemPowerSource::fallBackToSysfs);
        connect(m_device, &PropertyWatcher::updated, this, [this] {
            if (m_device->properties())
                leaveSysfs();
            emit changed();
        });
        for (PropertyWatcher* watcher : {m_manager, m_profiles, m_legacyProfiles})
            connect(watcher, &PropertyWatcher::updated, this, &PowerSource::changed);
    }

    void start() override
    {
        if (m_started)
            return;
        m_started = true;
        for (PropertyWatcher* watcher : {m_device, m_manager, m_profiles, m_legacyProfiles})
            watcher->start();
    }

    [[nodiscard]] std::optional<BatteryReading> batteryState() const override
    {
        if (m_poll.isActive())
            return m_sysfsReading;
        return upowerReading();
    }

    [[nodiscard]] std::optional<bool> powerSaverProfile() const override
    {
        // The daemon answers under its newer name and, for older clients, under its first one;
        // the newer is the one to believe when both exist.
        for (const PropertyWatcher* watcher : {m_profiles, m_legacyProfiles}) {
            if (!watcher->properties())
                continue;
            const QVariant profile = watcher->properties()->value(QStringLiteral("ActiveProfile"));
            if (profile.typeId() == QMetaType::QString)
                return profile.toString() == u"power-saver";
        }
        return std::nullopt;
    }

private:
    [[nodiscard]] std::optional<BatteryReading> upowerReading() const
    {
        const std::optional<QVariantMap>& device = m_device->properties();
        if (!device)
            return std::nullopt;
        // A desktop's display device exists too, with nothing present and no battery type.
        const std::optional<double> type = numberOf(*device, QStringLiteral("Type"));
        if (flagOf(*device, QStringLiteral("IsPresent")) != true || type != double(kUPowerTypeBattery))
            return std::nullopt;
        const std::optional<double> percent = numberOf(*device, QStringLiteral("Percentage"));
        if (!percent)
            return std::nullopt;
        return BatteryReading{clampedPercent(*percent), onMains(*device)};
    }

    // "On battery" is the machine's own answer to whether mains power is connected; before
    // the manager has answered, the device's charge state tells nearly as much.
    [[nodiscard]] bool onMains(const QVariantMap& device) const
    {
        if (m_manager->properties()) {
            if (const std::optional<bool> onBattery = flagOf(*m_manager->properties(), QStringLiteral("OnBattery")))
                return !*onBattery;
        }
        const std::optional<double> state = numberOf(device, QStringLiteral("State"));
        return state == double(kUPowerStateCharging) || state == double(kUPowerStateFullyCharged) ||
               state == double(kUPowerStatePendingCharge);
    }

    void fallBackToSysfs()
    {
        if (m_poll.isActive())
            return;
        qCDebug(lcPower) << "no UPower; reading" << m_powerSupplyRoot;
        m_poll.start();
        m_sysfsReading = readPowerSupplyFolder(m_powerSupplyRoot);
        emit changed();
    }

    void leaveSysfs()
    {
        m_poll.stop();
        m_sysfsReading.reset();
    }

    void pollSysfs()
    {
        const std::optional<BatteryReading> reading = readPowerSupplyFolder(m_powerSupplyRoot);
        const bool same = reading.has_value() == m_sysfsReading.has_value() &&
                          (!reading || (reading->percent == m_sysfsReading->percent && reading->charging == m_sysfsReading->charging));
        m_sysfsReading = reading;
        if (!same)
            emit changed();
    }

    QString m_powerSupplyRoot;
    PropertyWatcher* m_device;
    PropertyWatcher* m_manager;
    PropertyWatcher* m_profiles;
    PropertyWatcher* m_legacyProfiles;
    QTimer m_poll;
    std::optional<BatteryReading> m_sysfsReading;
    bool m_started = false;
};

} // namespace

std::optional<BatteryReading> readPowerSupplyFolder(const QString& root)
{
    const QDir folder(root);
    std::vector<SysfsBattery> batteries;
    std::optional<bool> adapterOnline;
    for (const QString& name : folder.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        const QDir supply(folder.filePath(name));
        const QString type = readAttribute(supply, QStringLiteral("type")).value_or(QString());
        if (type == u"Battery") {
            if (std::optional<SysfsBattery> battery = readBattery(supply))
                batteries.push_back(*battery);
        } else if (type == u"Mains" || type == u"USB") {
            // A USB port is an adapter only when it says it is online or not.
            if (const std::optional<qint64> online = readCount(supply, QStringLiteral("online")))
                adapterOnline = adapterOnline.value_or(false) || *online == 1;
        }
    }
    if (batteries.empty())
        return std::nullopt;

    const bool statusSaysMains = std::any_of(batteries.begin(), batteries.end(),
                                             [](const SysfsBattery& battery) { return battery.statusSaysMains; });
    return BatteryReading{combinedPercent(batteries), adapterOnline.value_or(statusSaysMains)};
}

std::unique_ptr<PowerSource> makeSystemPowerSource(QDBusConnection systemBus, const QString& powerSupplyRoot)
{
    return std::make_unique<SystemPowerSource>(std::move(systemBus), powerSupplyRoot);
}

} // namespace tavik

#include "PowerSources.moc"
