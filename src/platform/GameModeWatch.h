#pragma once

#include <QDBusConnection>
#include <QObject>

class QDBusMessage;

namespace tavik {

// Whether a game has asked GameMode for its performance settings: while one runs, the scene
// steps aside. Nothing starts the service; it is followed while it is on the bus.
class GameModeWatch final : public QObject {
    Q_OBJECT
public:
    explicit GameModeWatch(QDBusConnection bus, QObject* parent = nullptr);

    [[nodiscard]] bool gameRunning() const { return m_running; }

signals:
    void gameRunningChanged(bool running);

private slots:
    void onAnnouncement(const QDBusMessage& message);

private:
    void readClientCount();
    void set(bool running);

    QDBusConnection m_bus;
    bool m_running = false;
    // Only the newest answer counts: replies to earlier questions may arrive after it.
    quint64 m_asked = 0;
};

} // namespace tavik
