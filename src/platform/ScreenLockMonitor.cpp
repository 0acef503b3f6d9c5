#include "platform/ScreenLockMonitor.h"

#include "platform/DBusNames.h"
#include "platform/X11Locker.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QTimer>

#include <array>
#include <functional>
#include <utility>

Q_LOGGING_CATEGORY(lcLock, "tavik.lock", QtWarningMsg)

namespace tavik {

namespace {

const QString logindService = QStringLiteral("org.freedesktop.login1");
const QString logindPath = QStringLiteral("/org/freedesktop/login1");
const QString managerInterface = QStringLiteral("org.freedesktop.login1.Manager");
const QString sessionInterface = QStringLiteral("org.freedesktop.login1.Session");
// logind's name for "the session of whoever asks", used when it cannot place our process.
const QString autoSessionPath = QStringLiteral("/org/freedesktop/login1/session/auto");
const QString lockedHintProperty = QStringLiteral("LockedHint");

struct ScreenSaverEndpoint {
    const char* service;
    const char* path;
};

// The freedesktop interface lives at two paths (KDE and several lockers export the short one),
// GNOME's at its own; each endpoint's interface has the name of its service.
constexpr std::array<ScreenSaverEndpoint, 3> screenSavers{{
    {"org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver"},
    {"org.freedesktop.ScreenSaver", "/ScreenSaver"},
    {"org.gnome.ScreenSaver", "/org/gnome/ScreenSaver"},
}};

// The one argument of a reply or signal when it has exactly the D-Bus type expected; anything
// else (an error, a service that answers with other types) counts as no answer.
std::optional<QVariant> soleArgument(const QDBusMessage& message, const QString& signature)
{
    const bool usable = message.type() == QDBusMessage::ReplyMessage || message.type() == QDBusMessage::SignalMessage;
    if (!usable || message.signature() != signature || message.arguments().size() != 1)
        return std::nullopt;
    return message.arguments().constFirst();
}

std::optional<bool> boolReply(const QDBusMessage& message)
{
    const auto value = soleArgument(message, QStringLiteral("b"));
    return value ? std::optional(value->toBool()) : std::nullopt;
}

// The value inside a property reply ("v"), when it holds the given basic type.
std::optional<QVariant> propertyReply(const QDBusMessage& message, QMetaType type)
{
    const auto value = soleArgument(message, QStringLiteral("v"));
    if (!value)
        return std::nullopt;
    const QVariant inner = qvariant_cast<QDBusVariant>(*value).variant();
    if (inner.metaType() != type)
        return std::nullopt;
    return inner;
}

std::optional<QString> objectPathReply(const QDBusMessage& message)
{
    const auto value = soleArgument(message, QStringLiteral("o"));
    return value ? std::optional(qvariant_cast<QDBusObjectPath>(*value).path()) : std::nullopt;
}

} // namespace

class ScreenLockMonitor::Private : public QObject {
    Q_OBJECT
public:
    Private(ScreenLockMonitor* owner, QDBusConnection systemBus, QDBusConnection sessionBus,
            std::unique_ptr<ScreenLockerProbe> probe)
        : m_owner(owner)
        , m_system(std::move(systemBus))
        , m_session(std::move(sessionBus))
        , m_probe(std::move(probe))
    {
        m_clock.start();
        m_nextLook.setSingleShot(true);
        connect(&m_nextLook, &QTimer::timeout, this, &Private::look);
        if (m_probe) {
            // A burst of window changes leads to one look.
            m_probe->setWindowsChangedHandler([this] {
                if (m_confirmation.watching(m_clock.elapsed()))
                    m_nextLook.start(0);
            });
        }
    }

    void start()
    {
        if (m_started)
            return;
        m_started = true;
        if (m_system.isConnected())
            findSessionByPid();
        else
            qCDebug(lcLock) << "no system bus: logind is not followed";
        if (m_session.isConnected())
            followScreenSavers();
        else
            qCDebug(lcLock) << "no session bus: screen savers are not followed";
    }

    [[nodiscard]] std::optional<bool> locked() const { return m_locked; }

public slots:
    // Only a request to the locker: the lock counts once something confirms it.
    void onSessionLock()
    {
        qCDebug(lcLock) << "logind asked for a lock; looking for the locker";
        m_confirmation.lockRequested(m_clock.elapsed());
        look();
    }

    void onSessionUnlock()
    {
        ++m_heard;
        m_confirmation.unlockRequested();
        look();
    }

    void onSessionPropertiesChanged(const QDBusMessage& message)
    {
        if (message.signature() != QLatin1String("sa{sv}as") || message.arguments().size() != 3)
            return;
        const QList<QVariant> arguments = message.arguments();
        if (arguments[0].toString() != sessionInterface)
            return;
        const QVariantMap changed = qdbus_cast<QVariantMap>(arguments[1]);
        const auto hint = changed.constFind(lockedHintProperty);
        if (hint != changed.cend()) {
            if (hint->metaType() == QMetaType::fromType<bool>())
                hear(hint->toBool());
            return;
        }
        // A service may only announce that the value changed; then it has to be asked.
        if (qdbus_cast<QStringList>(arguments[2]).contains(lockedHintProperty))
            readLockedHint(/*asAnnouncement=*/true);
    }

    void onActiveChanged(const QDBusMessage& message)
    {
        if (const auto active = boolReply(message))
            hear(*active);
    }

private:
    using ReplyHandler = std::function<void(const QDBusMessage&)>;

    void call(const QDBusConnection& bus, QDBusMessage message, ReplyHandler onReply)
    {
        // Never start a service just to ask whether the screen is locked.
        message.setAutoStartService(false);
        auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(message, kDBusCallTimeoutMs), this);
        connect(watcher, &QDBusPendingCallWatcher::finished, this,
                [watcher, onReply = std::move(onReply)] {
                    watcher->deleteLater();
                    onReply(watcher->reply());
                });
    }

    // Our session, in the order that places the process most reliably: by our process id, by
    // the session id the login gave us, and last by logind's "auto" session.
    void findSessionByPid()
    {
        QDBusMessage message = QDBusMessage::createMethodCall(logindService, logindPath, managerInterface,
                                                              QStringLiteral("GetSessionByPID"));
        message << quint32(QCoreApplication::applicationPid());
        call(m_system, message, [this](const QDBusMessage& reply) {
            if (const auto path = objectPathReply(reply))
                followSession(*path);
            else
                findSessionById(qEnvironmentVariable("XDG_SESSION_ID"), /*thenAuto=*/true);
        });
    }

    void findSessionById(const QString& id, bool thenAuto)
    {
        if (id.isEmpty()) {
            if (thenAuto)
                resolveAutoSession();
            else
                followSession(autoSessionPath);
            return;
        }
        QDBusMessage message = QDBusMessage::createMethodCall(logindService, logindPath, managerInterface,
                                                              QStringLiteral("GetSession"));
        message << id;
        call(m_system, message, [this, thenAuto](const QDBusMessage& reply) {
            if (const auto path = objectPathReply(reply))
                followSession(*path);
            else if (thenAuto)
                resolveAutoSession();
            else
                followSession(autoSessionPath);
        });
    }

    // logind sends a session's signals from its real path only, so "auto" is turned into that
    // path through its Id where logind allows; otherwise it is still good for LockedHint.
    void resolveAutoSession()
    {
        QDBusMessage message = QDBusMessage::createMethodCall(logindService, autoSessionPath, kPropertiesInterface,
                                                              QStringLiteral("Get"));
        message << sessionInterface << QStringLiteral("Id");
        call(m_system, message, [this](const QDBusMessage& reply) {
            const auto id = propertyReply(reply, QMetaType::fromType<QString>());
            findSessionById(id ? id->toString() : QString(), /*thenAuto=*/false);
        });
    }

    void followSession(const QString& path)
    {
        qCDebug(lcLock) << "following the logind session" << path;
        m_sessionPath = path;
        // Listening first, asking second: a change between the two is not lost.
        m_system.connect(logindService, path, sessionInterface, QStringLiteral("Lock"), this, SLOT(onSessionLock()));
        m_system.connect(logindService, path, sessionInterface, QStringLiteral("Unlock"), this,
                         SLOT(onSessionUnlock()));
        m_system.connect(logindService, path, kPropertiesInterface, QStringLiteral("PropertiesChanged"), this,
                         SLOT(onSessionPropertiesChanged(QDBusMessage)));
        readLockedHint(/*asAnnouncement=*/false);
    }

    void readLockedHint(bool asAnnouncement)
    {
        QDBusMessage message = QDBusMessage::createMethodCall(logindService, m_sessionPath, kPropertiesInterface,
                                                              QStringLiteral("Get"));
        message << sessionInterface << lockedHintProperty;
        const quint64 heardWhenAsked = m_heard;
        call(m_system, message, [this, asAnnouncement, heardWhenAsked](const QDBusMessage& reply) {
            const auto hint = propertyReply(reply, QMetaType::fromType<bool>());
            if (!hint)
                return;
            if (asAnnouncement)
                hear(hint->toBool());
            else
                answerAtStart(hint->toBool(), heardWhenAsked);
        });
    }

    void followScreenSavers()
    {
        for (const ScreenSaverEndpoint& endpoint : screenSavers) {
            const QString service = QLatin1String(endpoint.service);
            const QString path = QLatin1String(endpoint.path);
            // The interface is named like its service. Connecting by the well-known name makes
            // Qt follow a screen saver that only starts (or restarts) after us.
            m_session.connect(service, path, service, QStringLiteral("ActiveChanged"), this,
                              SLOT(onActiveChanged(QDBusMessage)));
            const quint64 heardWhenAsked = m_heard;
            call(m_session, QDBusMessage::createMethodCall(service, path, service, QStringLiteral("GetActive")),
                 [this, heardWhenAsked](const QDBusMessage& reply) {
                     if (const auto active = boolReply(reply))
                         answerAtStart(*active, heardWhenAsked);
                 });
        }
    }

    // A change announced by a source: the last word wins, whichever source says it.
    void hear(bool locked)
    {
        ++m_heard;
        m_confirmation.announce(locked);
        settle(m_confirmation.locked());
    }

    // While watched for, what the screen shows now, and when to look again.
    void look()
    {
        const qint64 now = m_clock.elapsed();
        if (m_probe && m_confirmation.watching(now))
            m_confirmation.lockerSeen(m_probe->look(), now);
        if (const auto next = m_probe ? m_confirmation.nextLookIn(now) : std::nullopt)
            m_nextLook.start(int(*next));
        else
            m_nextLook.stop();
        settle(m_confirmation.locked());
    }

    // A state read at start. An answer overtaken by an announcement is stale. Sources may
    // disagree (a locker that never sets logind's hint): one that says locked is believed,
    // one that says unlocked only fills in a state nobody has given yet.
    void answerAtStart(bool locked, quint64 heardWhenAsked)
    {
        if (heardWhenAsked != m_heard)
            return;
        if (locked || !m_locked)
            m_confirmation.announce(locked);
        settle(m_confirmation.locked());
    }

    void settle(bool locked)
    {
        if (m_locked == locked)
            return;
        const bool known = m_locked.has_value();
        m_locked = locked;
        // Starting unlocked is what everything assumes already; only a locked start is news.
        if (known || locked)
            emit m_owner->lockedChanged(locked);
    }

    ScreenLockMonitor* m_owner;
    QDBusConnection m_system;
    QDBusConnection m_session;
    std::unique_ptr<ScreenLockerProbe> m_probe;
    LockConfirmation m_confirmation;
    QElapsedTimer m_clock;
    QTimer m_nextLook;
    QString m_sessionPath;
    bool m_started = false;
    std::optional<bool> m_locked;
    quint64 m_heard = 0; // announcements so far, to tell stale start answers apart
};

ScreenLockMonitor::ScreenLockMonitor(QObject* parent)
    : ScreenLockMonitor(QDBusConnection::systemBus(), QDBusConnection::sessionBus(), x11::makeLockerProbe(), parent)
{
}

ScreenLockMonitor::ScreenLockMonitor(QDBusConnection systemBus, QDBusConnection sessionBus,
                                     std::unique_ptr<ScreenLockerProbe> probe, QObject* parent)
    : QObject(parent)
    , d(std::make_unique<Private>(this, std::move(systemBus), std::move(sessionBus), std::move(probe)))
{
}

ScreenLockMonitor::~ScreenLockMonitor() = default;

void ScreenLockMonitor::start()
{
    d->start();
}

std::optional<bool> ScreenLockMonitor::isLocked() const
{
    return d->locked();
}

} // namespace tavik

#include "ScreenLockMonitor.moc"
