// Stand-ins for logind and the screen savers, on buses given by address, driven line by line
// from stdin. It prints "ready" once its names are taken, and "answered NAME" after answering a
// method call, so a test knows the answer is on its way before it sends anything after it.
//
// Usage: tavik_fake_session_services [--system ADDRESS] [--session ADDRESS]
//            [--hint true|false] [--saver true|false] [--gnome true|false] [--garbage]
// Commands: lock, unlock, hint true|false, saver true|false, gnome true|false,
//           garbage (answers and signals carry the wrong types from now on), sane, quit.
// logind places every process in session "c1"; in garbage mode GetSessionByPID answers a string,
// so the caller has to fall back to GetSession.

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QSocketNotifier>
#include <QStringList>
#include <QVariantMap>

#include <unistd.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace {

const QString sessionId = QStringLiteral("c1");
const QString sessionPath = QStringLiteral("/org/freedesktop/login1/session/c1");
const QString sessionInterface = QStringLiteral("org.freedesktop.login1.Session");
const QString freedesktopSaver = QStringLiteral("org.freedesktop.ScreenSaver");
const QString gnomeSaver = QStringLiteral("org.gnome.ScreenSaver");

struct State {
    bool hint = false;
    bool saver = false;
    bool gnome = false;
    bool garbage = false;
};

void say(const char* line)
{
    std::printf("%s\n", line);
    std::fflush(stdout);
}

class FakeObject final : public QDBusVirtualObject {
public:
    using Handler = std::function<QVariantList(const QDBusMessage&)>;
    explicit FakeObject(Handler handler)
        : m_handler(std::move(handler))
    {
    }
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& bus) override
    {
        if (message.type() != QDBusMessage::MethodCallMessage)
            return false;
        const QVariantList answer = m_handler(message);
        if (answer.isEmpty())
            bus.send(message.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"), {}));
        else
            bus.send(message.createReply(answer));
        say(qPrintable(QStringLiteral("answered ") + (message.member() == QLatin1String("Get")
                                                           ? message.arguments().value(1).toString()
                                                           : message.member())));
        return true;
    }

private:
    Handler m_handler;
};

class Fake {
public:
    explicit Fake(State state)
        : m_state(state)
    {
    }

    bool serveLogind(const QString& address)
    {
        m_system = QDBusConnection::connectToBus(address, QStringLiteral("fake-system"));
        auto manager = std::make_unique<FakeObject>([this](const QDBusMessage& m) { return answerManager(m); });
        auto session = std::make_unique<FakeObject>([this](const QDBusMessage& m) { return answerSession(m); });
        const bool ok = m_system.isConnected()
                        && m_system.registerVirtualObject(QStringLiteral("/org/freedesktop/login1"), manager.get())
                        && m_system.registerVirtualObject(sessionPath, session.get())
                        && m_system.registerVirtualObject(QStringLiteral("/org/freedesktop/login1/session/auto"),
                                                          session.get())
                        && m_system.registerService(QStringLiteral("org.freedesktop.login1"));
        m_objects.push_back(std::move(manager));
        m_objects.push_back(std::move(session));
        return ok;
    }

    bool serveScreenSavers(const QString& address)
    {
        m_session = QDBusConnection::connectToBus(address, QStringLiteral("fake-session"));
        auto freedesktop = std::make_unique<FakeObject>([this](const QDBusMessage& m) { return answerActive(m, m_state.saver); });
        auto gnome = std::make_unique<FakeObject>([this](const QDBusMessage& m) { return answerActive(m, m_state.gnome); });
        const bool ok = m_session.isConnected()
                        && m_session.registerVirtualObject(QStringLiteral("/org/freedesktop/ScreenSaver"),
                                                           freedesktop.get())
                        && m_session.registerVirtualObject(QStringLiteral("/ScreenSaver"), freedesktop.get())
                        && m_session.registerVirtualObject(QStringLiteral("/org/gnome/ScreenSaver"), gnome.get())
                        && m_session.registerService(freedesktopSaver) && m_session.registerService(gnomeSaver);
        m_objects.push_back(std::move(freedesktop));
        m_objects.push_back(std::move(gnome));
        return ok;
    }

    // False for an unknown command.
    bool run(const QString& line)
    {
        const QStringList words = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        const QString command = words.value(0);
        const bool flag = words.value(1) == QLatin1String("true");
        if (command == QLatin1String("lock") || command == QLatin1String("unlock")) {
            const QString member = command == QLatin1String("lock") ? QStringLiteral("Lock") : QStringLiteral("Unlock");
            m_system.send(QDBusMessage::createSignal(sessionPath, sessionInterface, member));
        } else if (command == QLatin1String("hint")) {
            m_state.hint = flag;
            QDBusMessage signal = QDBusMessage::createSignal(sessionPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                                             QStringLiteral("PropertiesChanged"));
            signal << sessionInterface << QVariantMap{{QStringLiteral("LockedHint"), typed(flag)}} << QStringList();
            m_system.send(signal);
        } else if (command == QLatin1String("saver") || command == QLatin1String("gnome")) {
            const bool gnome = command == QLatin1String("gnome");
            (gnome ? m_state.gnome : m_state.saver) = flag;
            const QString service = gnome ? gnomeSaver : freedesktopSaver;
            const QString path = gnome ? QStringLiteral("/org/gnome/ScreenSaver") : QStringLiteral("/org/freedesktop/ScreenSaver");
            m_session.send(QDBusMessage::createSignal(path, service, QStringLiteral("ActiveChanged")) << typed(flag));
        } else if (command == QLatin1String("garbage") || command == QLatin1String("sane")) {
            m_state.garbage = command == QLatin1String("garbage");
        } else if (command == QLatin1String("quit")) {
            QCoreApplication::quit();
        } else {
            return false;
        }
        return true;
    }

private:
    // A boolean as it should be sent, or as a string in garbage mode.
    [[nodiscard]] QVariant typed(bool value) const
    {
        return m_state.garbage ? QVariant(QString(value ? "true" : "false")) : QVariant(value);
    }

    QVariantList answerManager(const QDBusMessage& message) const
    {
        if (message.member() == QLatin1String("GetSessionByPID"))
            return {m_state.garbage ? QVariant(sessionPath) : QVariant::fromValue(QDBusObjectPath(sessionPath))};
        if (message.member() == QLatin1String("GetSession") && message.arguments().value(0).toString() == sessionId)
            return {QVariant::fromValue(QDBusObjectPath(sessionPath))};
        return {};
    }

    QVariantList answerSession(const QDBusMessage& message) const
    {
        if (message.member() != QLatin1String("Get"))
            return {};
        const QString property = message.arguments().value(1).toString();
        if (property == QLatin1String("LockedHint"))
            return {QVariant::fromValue(QDBusVariant(typed(m_state.hint)))};
        if (property == QLatin1String("Id"))
            return {QVariant::fromValue(QDBusVariant(sessionId))};
        return {};
    }

    QVariantList answerActive(const QDBusMessage& message, bool value) const
    {
        if (message.member() != QLatin1String("GetActive"))
            return {};
        return {typed(value)};
    }

    State m_state;
    QDBusConnection m_system{QString()};
    QDBusConnection m_session{QString()};
    std::vector<std::unique_ptr<FakeObject>> m_objects;
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    auto option = [&args](const char* name) {
        const qsizetype at = args.indexOf(QLatin1String(name));
        return at >= 0 ? args.value(at + 1) : QString();
    };
    State state;
    state.hint = option("--hint") == QLatin1String("true");
    state.saver = option("--saver") == QLatin1String("true");
    state.gnome = option("--gnome") == QLatin1String("true");
    state.garbage = args.contains(QLatin1String("--garbage"));

    Fake fake(state);
    const QString system = option("--system");
    const QString session = option("--session");
    if ((!system.isEmpty() && !fake.serveLogind(system)) || (!session.isEmpty() && !fake.serveScreenSavers(session))) {
        std::fprintf(stderr, "fake session services: could not register on the buses given\n");
        return 1;
    }

    QByteArray pending;
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char buffer[4096];
        const ssize_t count = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (count <= 0) { // the test is gone
            input.setEnabled(false);
            QCoreApplication::quit();
            return;
        }
        pending.append(buffer, count);
        for (qsizetype end = pending.indexOf('\n'); end >= 0; end = pending.indexOf('\n')) {
            const QString line = QString::fromUtf8(pending.left(end)).trimmed();
            pending.remove(0, end + 1);
            if (!line.isEmpty() && !fake.run(line))
                std::fprintf(stderr, "fake session services: unknown command %s\n", qPrintable(line));
        }
    });
    say("ready");
    return app.exec();
}
