#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QString>

#include <map>

namespace tavik {

// Watches the other media players on the session bus (every `org.mpris.MediaPlayer2.*` name but
// our own) and tells whether any of them plays. Never waits on a player: every question is
// asynchronous, and a player that does not answer counts as not playing.
class OtherPlayers final : public QObject {
    Q_OBJECT
public:
    // `ownName` is skipped, and so is every name this connection itself owns.
    OtherPlayers(QDBusConnection bus, QString ownName, QObject* parent = nullptr);
    ~OtherPlayers() override;

    void start();
    // Forgets every player and stops listening; anyPlaying() is false after it.
    void stop();
    [[nodiscard]] bool anyPlaying() const { return m_anyPlaying; }

signals:
    void anyPlayingChanged(bool playing);

private slots:
    void nameOwnerChanged(const QString& name, const QString& oldOwner, const QString& newOwner);
    void propertiesChanged(const QDBusMessage& message);

private:
    [[nodiscard]] bool isOther(const QString& name, const QString& owner) const;
    void add(const QString& name, const QString& owner);
    void askStatus(const QString& name);
    void setStatus(const QString& owner, const QString& status);
    void update();

    QDBusConnection m_bus;
    QString m_ownName;
    bool m_started = false;
    bool m_anyPlaying = false;
    // Unique name of each player's owner to whether it plays; a program with two player names
    // is one entry.
    std::map<QString, bool> m_playing;
    // Well-known player name to its owner.
    std::map<QString, QString> m_owners;
    unsigned m_generation = 0; // answers to questions asked before a stop() are dropped
};

} // namespace tavik
