// Stand-ins for logind, the screen savers, UPower and the power-profiles service on the buses given,
// run by commands on standard input (see run()). Prints "ready", "ok" per command, "answered NAME".
// Usage: FAKE [--system ADDR] [--session ADDR] [--power ADDR [--legacy-profiles-only]] [--hint B] [--saver B] [--gnome B] [--garbage]

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QStringList>
#include <QVariantMap>

#include <cstdio>
#include <functional>
#include <iostream>
#include <optional>
#include <string>
#include <thread>

namespace {

const QString kPropertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kSessionId = QStringLiteral("c1");
const QString kSessionPath = QStringLiteral("/org/freedesktop/login1/session/c1");

void say(const QString& line)
{
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

// One interface: properties (Get, GetAll, PropertiesChanged) and methods (no answer: an error).
class FakeObject final : public QDBusVirtualObject {
public:
    using Method = std::function<QVariant(const QVariantList&)>;
    FakeObject(QString path, QString interface, QMap<QString, Method> methods = {})
        : m_path(std::move(path)), m_interface(std::move(interface)), m_methods(std::move(methods))
    {
    }

    bool serve(const QDBusConnection& bus, const QString& service = {}, const QStringList& morePaths = {})
    {
        m_bus = bus;
        bool ok = m_bus.isConnected() && m_bus.registerVirtualObject(m_path, this);
        for (const QString& path : morePaths)
            ok = ok && m_bus.registerVirtualObject(path, this);
        return ok && (service.isEmpty() || m_bus.registerService(service));
    }

    void set(const QVariantMap& changes)
    {
        m_properties.insert(changes);
        signal(QStringLiteral("PropertiesChanged"), {m_interface, changes, QStringList()}, kPropertiesInterface);
    }

    void signal(const QString& name, const QVariantList& arguments = {}, const QString& interface = {})
    {
        QDBusMessage message = QDBusMessage::createSignal(m_path, interface.isEmpty() ? m_interface : interface, name);
        message.setArguments(arguments);
        m_bus.send(message);
    }

    QString introspect(const QString&) const override { return {}; }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& bus) override
    {
        const QVariantList args = message.arguments();
        const bool properties = message.interface() == kPropertiesInterface && args.value(0).toString() == m_interface;
        QString name = message.member();
        QVariant answer;
        if (properties && name == u"Get") {
            name = args.value(1).toString();
            if (m_properties.contains(name))
                answer = QVariant::fromValue(QDBusVariant(m_properties.value(name)));
        } else if (properties && name == u"GetAll") {
            answer = m_properties;
        } else if (m_methods.contains(name)) {
            answer = m_methods.value(name)(args);
        }
        bus.send(answer.isValid() ? message.createReply(answer)
                                  : message.createErrorReply(QDBusError::UnknownMethod, name));
        say(QStringLiteral("answered ") + name);
        return true;
    }

private:
    QDBusConnection m_bus{QString()};
    QString m_path;
    QString m_interface;
    QMap<QString, Method> m_methods;
    QVariantMap m_properties;
};

class Fakes {
public:
    explicit Fakes(const QStringList& args) : m_args(args), m_garbage(args.contains(u"--garbage")) {}

    bool serve()
    {
        bool ok = true;
        if (auto system = connect("--system")) {
            ok = m_manager.serve(*system) &&
                 m_session.serve(*system, QStringLiteral("org.freedesktop.login1"),
                                 {QStringLiteral("/org/freedesktop/login1/session/auto")});
            m_session.set({{QStringLiteral("Id"), kSessionId}, {QStringLiteral("LockedHint"), typed(option("--hint"))}});
        }
        if (auto session = connect("--session")) {
            m_saverActive = option("--saver");
            m_gnomeActive = option("--gnome");
            ok = ok && m_saver.serve(*session, QStringLiteral("org.freedesktop.ScreenSaver"), {QStringLiteral("/ScreenSaver")}) &&
                 m_gnome.serve(*session, QStringLiteral("org.gnome.ScreenSaver"));
        }
        if (auto power = connect("--power")) {
            m_powerBus = *power;
            ok = ok && m_legacyProfiles.serve(*power, QStringLiteral("net.hadess.PowerProfiles")) &&
                 m_upower.serve(*power) && m_device.serve(*power, QStringLiteral("org.freedesktop.UPower")) &&
                 (m_args.contains(u"--legacy-profiles-only") ||
                  m_profiles.serve(*power, QStringLiteral("org.freedesktop.UPower.PowerProfiles")));
            m_upower.set({{QStringLiteral("OnBattery"), false}});
            run({QStringLiteral("nobattery")});
            run({QStringLiteral("profile"), QStringLiteral("balanced")});
        }
        return ok;
    }

    // Commands: lock, unlock, hint B, saver B, gnome B, battery PERCENT charging|discharging, plug,
    // nobattery, profile NAME, drop-profiles, garbage (wrong types from now on), sane.
    bool run(const QStringList& words)
    {
        const QString command = words.value(0);
        const bool flag = words.value(1) == u"true";
        if (command == u"lock" || command == u"unlock") {
            m_session.signal(command == u"lock" ? QStringLiteral("Lock") : QStringLiteral("Unlock"));
        } else if (command == u"hint") {
            m_session.set({{QStringLiteral("LockedHint"), typed(flag)}});
        } else if (command == u"saver" || command == u"gnome") {
            const bool gnome = command == u"gnome";
            (gnome ? m_gnomeActive : m_saverActive) = flag;
            (gnome ? m_gnome : m_saver).signal(QStringLiteral("ActiveChanged"), {typed(flag)});
        } else if (command == u"battery" && words.size() == 3) {
            m_upower.set({{QStringLiteral("OnBattery"), words[2] == u"discharging"}});
            m_device.set({{QStringLiteral("IsPresent"), true}, {QStringLiteral("Type"), 2u},
                          {QStringLiteral("Percentage"), words[1].toDouble()}, {QStringLiteral("State"), words[2] == u"charging" ? 1u : 2u}});
        } else if (command == u"plug") {
            m_upower.set({{QStringLiteral("OnBattery"), false}});
            m_device.set({{QStringLiteral("State"), 1u}}); // charging
        } else if (command == u"nobattery") {
            m_device.set({{QStringLiteral("IsPresent"), false}, {QStringLiteral("Type"), 0u}});
        } else if (command == u"profile" && words.size() == 2) {
            m_profiles.set({{QStringLiteral("ActiveProfile"), words[1]}});
            m_legacyProfiles.set({{QStringLiteral("ActiveProfile"), words[1]}});
        } else if (command == u"drop-profiles") {
            m_powerBus.unregisterService(QStringLiteral("org.freedesktop.UPower.PowerProfiles"));
            m_powerBus.unregisterService(QStringLiteral("net.hadess.PowerProfiles"));
        } else if (command == u"garbage" || command == u"sane") {
            m_garbage = command == u"garbage";
            if (m_garbage)
                m_device.set({{QStringLiteral("IsPresent"), QStringLiteral("yes")}, {QStringLiteral("Type"), QStringLiteral("battery")},
                              {QStringLiteral("Percentage"), QStringLiteral("lots")}, {QStringLiteral("State"), true}});
        } else {
            return false;
        }
        return true;
    }

private:
    [[nodiscard]] bool option(const char* name) const
    {
        return m_args.value(m_args.indexOf(QLatin1String(name)) + 1) == u"true";
    }

    [[nodiscard]] std::optional<QDBusConnection> connect(const char* name) const
    {
        const qsizetype at = m_args.indexOf(QLatin1String(name));
        if (at < 0)
            return std::nullopt;
        return QDBusConnection::connectToBus(m_args.value(at + 1), QLatin1String(name));
    }

    [[nodiscard]] QVariant typed(bool value) const
    {
        return m_garbage ? QVariant(QString(value ? "true" : "false")) : QVariant(value);
    }

    QStringList m_args;
    bool m_garbage;
    bool m_saverActive = false;
    bool m_gnomeActive = false;
    QDBusConnection m_powerBus{QString()};
    FakeObject m_manager{QStringLiteral("/org/freedesktop/login1"), QStringLiteral("org.freedesktop.login1.Manager"),
                         {{QStringLiteral("GetSessionByPID"),
                           [this](const QVariantList&) {
                               return m_garbage ? QVariant(kSessionPath) : QVariant::fromValue(QDBusObjectPath(kSessionPath));
                           }},
                          {QStringLiteral("GetSession"), [](const QVariantList& args) {
                               return args.value(0) == kSessionId ? QVariant::fromValue(QDBusObjectPath(kSessionPath)) : QVariant();
                           }}}};
    FakeObject m_session{kSessionPath, QStringLiteral("org.freedesktop.login1.Session")};
    FakeObject m_saver{QStringLiteral("/org/freedesktop/ScreenSaver"), QStringLiteral("org.freedesktop.ScreenSaver"),
                       {{QStringLiteral("GetActive"), [this](const QVariantList&) { return typed(m_saverActive); }}}};
    FakeObject m_gnome{QStringLiteral("/org/gnome/ScreenSaver"), QStringLiteral("org.gnome.ScreenSaver"),
                       {{QStringLiteral("GetActive"), [this](const QVariantList&) { return typed(m_gnomeActive); }}}};
    FakeObject m_upower{QStringLiteral("/org/freedesktop/UPower"), QStringLiteral("org.freedesktop.UPower")};
    FakeObject m_device{QStringLiteral("/org/freedesktop/UPower/devices/DisplayDevice"),
                        QStringLiteral("org.freedesktop.UPower.Device")};
    FakeObject m_profiles{QStringLiteral("/org/freedesktop/UPower/PowerProfiles"),
                          QStringLiteral("org.freedesktop.UPower.PowerProfiles")};
    FakeObject m_legacyProfiles{QStringLiteral("/net/hadess/PowerProfiles"), QStringLiteral("net.hadess.PowerProfiles")};
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    Fakes fakes(QCoreApplication::arguments());
    if (!fakes.serve()) {
        std::fprintf(stderr, "fake services: could not register on the buses given\n");
        return 1;
    }
    // A line at a time; the end of the input (the test gone) ends the program.
    std::thread([&app, &fakes] {
        std::string line;
        while (std::getline(std::cin, line)) {
            QMetaObject::invokeMethod(&app, [&fakes, command = QString::fromStdString(line).trimmed()] {
                if (fakes.run(command.split(u' ', Qt::SkipEmptyParts)))
                    say(QStringLiteral("ok"));
                else
                    std::fprintf(stderr, "fake services: unknown command %s\n", qPrintable(command));
            });
        }
        QMetaObject::invokeMethod(&app, &QCoreApplication::quit);
    }).detach();
    say(QStringLiteral("ready"));
    return QCoreApplication::exec();
}
