// Stands in for UPower (manager and display device) and the power-profiles daemon (under both
// of its names) on the bus whose address is given, so the power source can be tested without
// the machine's services. Driven by lines on standard input:
//
//   battery PERCENT STATE   a present battery; STATE is charging, discharging, full or
//                           pending-charge; OnBattery follows (true only when discharging)
//   plug | unplug           mains connected or not (OnBattery and the charge state)
//   nobattery               a desktop's display device: nothing present
//   garbage                 every device property with a type no client expects
//   profile NAME            the active profile of both profile services
//   drop-profiles           both profile services leave the bus
//   quit
//
// Prints "ready" once every name is owned and "ok" after each command has been announced.
//
//   tavik_fake_power_services ADDRESS [--no-upower] [--legacy-profiles-only]

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QSocketNotifier>
#include <QStringList>
#include <QVariantMap>

#include <cstdio>
#include <unistd.h>

namespace {

const QString kPropertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");

// One object with one interface of plain properties, answering Get and GetAll and announcing
// every change with PropertiesChanged, as the real services do.
class FakeObject final : public QDBusVirtualObject {
public:
    FakeObject(QDBusConnection bus, QString path, QString interface)
        : m_bus(std::move(bus)), m_path(std::move(path)), m_interface(std::move(interface))
    {
    }

    bool registerOn() { return m_bus.registerVirtualObject(m_path, this); }

    void set(const QVariantMap& changes)
    {
        for (auto it = changes.begin(); it != changes.end(); ++it)
            m_properties.insert(it.key(), it.value());
        QDBusMessage signal = QDBusMessage::createSignal(m_path, kPropertiesInterface, QStringLiteral("PropertiesChanged"));
        signal << m_interface << changes << QStringList();
        m_bus.send(signal);
    }

    QString introspect(const QString&) const override
    {
        return QStringLiteral("<interface name=\"%1\"/>").arg(m_interface);
    }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        if (message.interface() != kPropertiesInterface)
            return false;
        const QVariantList args = message.arguments();
        if (args.isEmpty() || args.first().toString() != m_interface) {
            connection.send(message.createErrorReply(QDBusError::UnknownInterface, m_interface));
            return true;
        }
        if (message.member() == u"GetAll") {
            connection.send(message.createReply(QVariant::fromValue(m_properties)));
        } else if (message.member() == u"Get" && args.size() == 2 && m_properties.contains(args[1].toString())) {
            connection.send(message.createReply(QVariant::fromValue(QDBusVariant(m_properties.value(args[1].toString())))));
        } else {
            connection.send(message.createErrorReply(QDBusError::UnknownProperty, message.member()));
        }
        return true;
    }

private:
    QDBusConnection m_bus;
    QString m_path;
    QString m_interface;
    QVariantMap m_properties;
};

constexpr uint kTypeUnknown = 0;
constexpr uint kTypeBattery = 2;

uint stateNumber(const QString& name)
{
    if (name == u"charging")
        return 1;
    if (name == u"discharging")
        return 2;
    if (name == u"full")
        return 4;
    if (name == u"pending-charge")
        return 5;
    return 0;
}

class FakeServices {
public:
    FakeServices(QDBusConnection bus, bool upower, bool newProfiles)
        : m_bus(bus),
          m_upower(upower),
          m_newProfiles(newProfiles),
          m_manager(bus, QStringLiteral("/org/freedesktop/UPower"), QStringLiteral("org.freedesktop.UPower")),
          m_device(bus, QStringLiteral("/org/freedesktop/UPower/devices/DisplayDevice"), QStringLiteral("org.freedesktop.UPower.Device")),
          m_profiles(bus, QStringLiteral("/org/freedesktop/UPower/PowerProfiles"), QStringLiteral("org.freedesktop.UPower.PowerProfiles")),
          m_legacyProfiles(bus, QStringLiteral("/net/hadess/PowerProfiles"), QStringLiteral("net.hadess.PowerProfiles"))
    {
        m_manager.set({{QStringLiteral("OnBattery"), false}});
        m_device.set({{QStringLiteral("IsPresent"), false}, {QStringLiteral("Type"), kTypeUnknown},
                      {QStringLiteral("Percentage"), 0.0}, {QStringLiteral("State"), 0u}});
        setProfile(QStringLiteral("balanced"));
    }

    bool registerAll()
    {
        bool ok = true;
        if (m_upower) {
            ok = ok && m_manager.registerOn() && m_device.registerOn() &&
                 m_bus.registerService(QStringLiteral("org.freedesktop.UPower"));
        }
        ok = ok && m_legacyProfiles.registerOn() && m_bus.registerService(QStringLiteral("net.hadess.PowerProfiles"));
        if (m_newProfiles)
            ok = ok && m_profiles.registerOn() && m_bus.registerService(QStringLiteral("org.freedesktop.UPower.PowerProfiles"));
        return ok;
    }

    // False for a line it does not understand.
    bool run(const QStringList& words)
    {
        const QString command = words.value(0);
        if (command == u"battery" && words.size() == 3) {
            const QString state = words[2];
            m_manager.set({{QStringLiteral("OnBattery"), state == u"discharging"}});
            m_device.set({{QStringLiteral("IsPresent"), true}, {QStringLiteral("Type"), kTypeBattery},
                          {QStringLiteral("Percentage"), words[1].toDouble()}, {QStringLiteral("State"), stateNumber(state)}});
        } else if (command == u"plug" || command == u"unplug") {
            const bool plugged = command == u"plug";
            m_manager.set({{QStringLiteral("OnBattery"), !plugged}});
            m_device.set({{QStringLiteral("State"), stateNumber(plugged ? QStringLiteral("charging") : QStringLiteral("discharging"))}});
        } else if (command == u"nobattery") {
            m_device.set({{QStringLiteral("IsPresent"), false}, {QStringLiteral("Type"), kTypeUnknown}});
        } else if (command == u"garbage") {
            m_device.set({{QStringLiteral("IsPresent"), QStringLiteral("yes")}, {QStringLiteral("Type"), QStringLiteral("battery")},
                          {QStringLiteral("Percentage"), QStringLiteral("lots")}, {QStringLiteral("State"), true}});
        } else if (command == u"profile" && words.size() == 2) {
            setProfile(words[1]);
        } else if (command == u"drop-profiles") {
            m_bus.unregisterService(QStringLiteral("org.freedesktop.UPower.PowerProfiles"));
            m_bus.unregisterService(QStringLiteral("net.hadess.PowerProfiles"));
        } else if (command == u"quit") {
            QCoreApplication::quit();
        } else {
            return false;
        }
        return true;
    }

private:
    void setProfile(const QString& profile)
    {
        m_profiles.set({{QStringLiteral("ActiveProfile"), profile}});
        m_legacyProfiles.set({{QStringLiteral("ActiveProfile"), profile}});
    }

    QDBusConnection m_bus;
    bool m_upower;
    bool m_newProfiles;
    FakeObject m_manager;
    FakeObject m_device;
    FakeObject m_profiles;
    FakeObject m_legacyProfiles;
};

void say(const char* line)
{
    std::printf("%s\n", line);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: %s ADDRESS [--no-upower] [--legacy-profiles-only]\n", argv[0]);
        return 2;
    }
    const QDBusConnection bus = QDBusConnection::connectToBus(args[1], QStringLiteral("fake-power"));
    if (!bus.isConnected()) {
        std::fprintf(stderr, "cannot connect to %s\n", qPrintable(args[1]));
        return 1;
    }
    FakeServices services(bus, !args.contains(u"--no-upower"), !args.contains(u"--legacy-profiles-only"));
    if (!services.registerAll()) {
        std::fprintf(stderr, "cannot register the services\n");
        return 1;
    }
    say("ready");

    // Commands arrive in whatever chunks the pipe delivers; only whole lines are run.
    QByteArray pending;
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char chunk[1024];
        const ssize_t count = ::read(STDIN_FILENO, chunk, sizeof chunk);
        if (count <= 0) {
            QCoreApplication::quit();
            return;
        }
        pending.append(chunk, count);
        for (qsizetype end = pending.indexOf('\n'); end >= 0; end = pending.indexOf('\n')) {
            const QString line = QString::fromUtf8(pending.left(end)).trimmed();
            pending.remove(0, end + 1);
            if (line.isEmpty())
                continue;
            const bool understood = services.run(line.split(QLatin1Char(' '), Qt::SkipEmptyParts));
            say(understood ? "ok" : "unknown command");
        }
    });
    return QCoreApplication::exec();
}
