#include "app/OtherPlayers.h"

#include "platform/DBusNames.h"

#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

#include <algorithm>

namespace tavik {

namespace {

const QString kBusService = QStringLiteral("org.freedesktop.DBus");
const QString kBusPath = QStringLiteral("/org/freedesktop/DBus");
const QString kBusInterface = QStringLiteral("org.freedesktop.DBus");
const QString kPlayerPrefix = QStringLiteral("org.mpris.MediaPlayer2.");
const QString kPlayerPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString kPlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");
const QString kPlaybackStatus = QStringLiteral("PlaybackStatus");

} // namespace

OtherPlayers::OtherPlayers(QDBusConnection bus, QString ownName, QObject* parent)
    : QObject(parent)
    , m_bus(std::move(bus))
    , m_ownName(std::move(ownName))
{
}

OtherPlayers::~OtherPlayers()
{
    stop();
}

void OtherPlayers::start()
{
    if (m_started || !m_bus.isConnected())
        return;
    m_started = true;
    m_bus.connect(kBusService, kBusPath, kBusInterface, QStringLiteral("NameOwnerChanged"), this,
                  SLOT(nameOwnerChanged(QString, QString, QString)));
    m_bus.connect(QString(), kPlayerPath, kPropertiesInterface, QStringLiteral("PropertiesChanged"), this,
                  SLOT(propertiesChanged(QDBusMessage)));
    const QDBusMessage list = QDBusMessage::createMethodCall(kBusService, kBusPath, kBusInterface, QStringLiteral("ListNames"));
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(list, kDBusCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, generation = m_generation] {
        watcher->deleteLater();
        const QDBusPendingReply<QStringList> reply = *watcher;
        if (generation != m_generation || reply.isError())
            return;
        for (const QString& name : reply.value()) {
            if (name.startsWith(kPlayerPrefix) && name != m_ownName)
                askStatus(name);
        }
    });
}

void OtherPlayers::stop()
{
    if (!m_started)
        return;
    m_started = false;
    ++m_generation;
    m_bus.disconnect(kBusService, kBusPath, kBusInterface, QStringLiteral("NameOwnerChanged"), this,
                     SLOT(nameOwnerChanged(QString, QString, QString)));
    m_bus.disconnect(QString(), kPlayerPath, kPropertiesInterface, QStringLiteral("PropertiesChanged"), this,
                     SLOT(propertiesChanged(QDBusMessage)));
    m_playing.clear();
    m_owners.clear();
    update();
}

bool OtherPlayers::isOther(const QString& name, const QString& owner) const
{
    return name.startsWith(kPlayerPrefix) && name != m_ownName && !owner.isEmpty() && owner != m_bus.baseService();
}

void OtherPlayers::add(const QString& name, const QString& owner)
{
    m_owners[name] = owner;
    m_playing.try_emplace(owner, false);
}

// Asks who owns the name and how it plays; the owner comes with the reply (its sender).
void OtherPlayers::askStatus(const QString& name)
{
    QDBusMessage get = QDBusMessage::createMethodCall(name, kPlayerPath, kPropertiesInterface, QStringLiteral("Get"));
    get << kPlayerInterface << kPlaybackStatus;
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(get, kDBusCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, name, generation = m_generation] {
        watcher->deleteLater();
        const QDBusMessage reply = watcher->reply();
        if (generation != m_generation || reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
            return;
        const QString owner = reply.service();
        if (!isOther(name, owner))
            return;
        add(name, owner);
        setStatus(owner, qvariant_cast<QDBusVariant>(reply.arguments().constFirst()).variant().toString());
    });
}

void OtherPlayers::nameOwnerChanged(const QString& name, const QString& oldOwner, const QString& newOwner)
{
    if (!name.startsWith(kPlayerPrefix))
        return;
    if (!oldOwner.isEmpty()) {
        m_owners.erase(name);
        const bool stillOwns = std::any_of(m_owners.begin(), m_owners.end(),
                                           [&](const auto& entry) { return entry.second == oldOwner; });
        if (!stillOwns)
            m_playing.erase(oldOwner);
    }
    if (isOther(name, newOwner))
        askStatus(name);
    update();
}

void OtherPlayers::propertiesChanged(const QDBusMessage& message)
{
    const QList<QVariant> args = message.arguments();
    if (args.size() < 3 || args[0].toString() != kPlayerInterface || !m_playing.contains(message.service()))
        return;
    const QVariantMap changed = qdbus_cast<QVariantMap>(args[1]);
    if (const auto it = changed.find(kPlaybackStatus); it != changed.end()) {
        setStatus(message.service(), it->toString());
        return;
    }
    // Announced as changed without its value: ask for it.
    if (args[2].toStringList().contains(kPlaybackStatus)) {
        for (const auto& [name, owner] : m_owners) {
            if (owner == message.service())
                askStatus(name);
        }
    }
}

void OtherPlayers::setStatus(const QString& owner, const QString& status)
{
    const auto it = m_playing.find(owner);
    if (it == m_playing.end())
        return;
    it->second = status == u"Playing";
    update();
}

void OtherPlayers::update()
{
    const bool any = std::any_of(m_playing.begin(), m_playing.end(), [](const auto& entry) { return entry.second; });
    if (any == m_anyPlaying)
        return;
    m_anyPlaying = any;
    emit anyPlayingChanged(any);
}

} // namespace tavik
