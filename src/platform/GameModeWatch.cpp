#include "platform/GameModeWatch.h"

#include "platform/DBusNames.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QLoggingCategory>

#include <algorithm>
#include <optional>

Q_LOGGING_CATEGORY(lcGameMode, "tavik.gamemode", QtWarningMsg)

namespace tavik {

namespace {

const QString gameModeService = QStringLiteral("com.feralinteractive.GameMode");
const QString gameModePath = QStringLiteral("/com/feralinteractive/GameMode");
const QString gameModeInterface = QStringLiteral("com.feralinteractive.GameMode");

const QString clientCountProperty = QStringLiteral("ClientCount");

// The number of registered games; anything but a whole number counts as none.
int clientCount(const QVariant& value)
{
    const QMetaType type = value.metaType();
    if (type != QMetaType::fromType<int>() && type != QMetaType::fromType<uint>())
        return 0;
    return int(std::clamp<qint64>(value.toLongLong(), 0, 1 << 20));
}

int clientCountReply(const QDBusMessage& reply)
{
    if (reply.type() != QDBusMessage::ReplyMessage || reply.signature() != u"v" || reply.arguments().size() != 1)
        return 0;
    return clientCount(qvariant_cast<QDBusVariant>(reply.arguments().constFirst()).variant());
}

// The count a property change announces with its new value, if it does.
std::optional<int> announcedClientCount(const QDBusMessage& signal)
{
    if (signal.member() != u"PropertiesChanged" || signal.signature() != u"sa{sv}as"
        || signal.arguments().constFirst().toString() != gameModeInterface)
        return std::nullopt;
    const QVariantMap changed = qdbus_cast<QVariantMap>(signal.arguments().at(1));
    const auto count = changed.constFind(clientCountProperty);
    return count == changed.cend() ? std::nullopt : std::optional(clientCount(*count));
}

} // namespace

GameModeWatch::GameModeWatch(QDBusConnection bus, QObject* parent) : QObject(parent), m_bus(std::move(bus))
{
    if (!m_bus.isConnected())
        return;
    auto* watcher = new QDBusServiceWatcher(gameModeService, m_bus, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(watcher, &QDBusServiceWatcher::serviceRegistered, this, &GameModeWatch::readClientCount);
    connect(watcher, &QDBusServiceWatcher::serviceUnregistered, this, [this] {
        ++m_asked; // an answer still on its way is from the service that left
        set(false);
    });
    // Any of these may change the count; the count itself is asked for rather than added up.
    for (const char* name : {"GameRegistered", "GameUnregistered"})
        m_bus.connect(gameModeService, gameModePath, gameModeInterface, QString::fromLatin1(name), this,
                      SLOT(onAnnouncement(QDBusMessage)));
    m_bus.connect(gameModeService, gameModePath, kPropertiesInterface, QStringLiteral("PropertiesChanged"), this,
                  SLOT(onAnnouncement(QDBusMessage)));
    readClientCount();
}

void GameModeWatch::onAnnouncement(const QDBusMessage& message)
{
    // The service announces the new count with its value: no need to ask, and a question
    // still on its way is out of date.
    if (const std::optional<int> count = announcedClientCount(message)) {
        ++m_asked;
        set(*count > 0);
    } else {
        readClientCount();
    }
}

void GameModeWatch::readClientCount()
{
    QDBusMessage message = QDBusMessage::createMethodCall(gameModeService, gameModePath, kPropertiesInterface,
                                                          QStringLiteral("Get"));
    message << gameModeInterface << clientCountProperty;
    // Asking must not start a service that is installed but idle.
    message.setAutoStartService(false);
    const quint64 asked = ++m_asked;
    auto* call = new QDBusPendingCallWatcher(m_bus.asyncCall(message, kDBusCallTimeoutMs), this);
    connect(call, &QDBusPendingCallWatcher::finished, this, [this, call, asked] {
        call->deleteLater();
        if (asked == m_asked)
            set(clientCountReply(call->reply()) > 0);
    });
}

void GameModeWatch::set(bool running)
{
    if (running == m_running)
        return;
    m_running = running;
    qCInfo(lcGameMode) << (running ? "a game is running" : "no game is running");
    emit gameRunningChanged(running);
}

} // namespace tavik
