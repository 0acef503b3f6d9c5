#pragma once

#include "core/Signal.h"

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <functional>
#include <optional>

namespace tavik {

class SettingsStore;

// The soundscape as a media player on the session bus (MPRIS 2): media keys and the desktop's
// sound menu pause it, step through the scene bar and set its volume, all through the
// settings. Owns `org.mpris.MediaPlayer2.tavik` from publish() until it is destroyed.
class MediaPlayerService final : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kServiceName = "org.mpris.MediaPlayer2.tavik";
    static constexpr const char* kObjectPath = "/org/mpris/MediaPlayer2";

    // `yielding` says whether the soundscape is giving way to another player; `raise` opens the
    // panel; `quit` ends the program (without one, the player says it cannot quit).
    MediaPlayerService(SettingsStore& settings, std::function<bool()> yielding, std::function<void()> raise,
                       std::function<void()> quit = {}, QObject* parent = nullptr);
    ~MediaPlayerService() override;
    MediaPlayerService(const MediaPlayerService&) = delete;
    MediaPlayerService& operator=(const MediaPlayerService&) = delete;

    // Puts the player on the bus: the object, then the name. False (and nothing held) when the
    // bus is not there or another program holds the name.
    bool publish(QDBusConnection bus);
    // Announces whatever the desktop sees differently now (PropertiesChanged).
    void refresh();

    [[nodiscard]] QString playbackStatus() const;
    [[nodiscard]] QVariantMap metadata() const;
    [[nodiscard]] double volume() const;
    void setVolume(double volume);
    void play();
    void pause();
    void playPause();
    void next();
    void previous();
    void raise();
    [[nodiscard]] bool canQuit() const { return bool(m_quit); }
    void quit();

private:
    struct Seen {
        QString status;
        QString track; // title, id and reason: what the metadata says
        double volume = -1;
    };

    void refreshSoon();
    void setSoundEnabled(bool on);
    void saved();
    [[nodiscard]] Seen seen() const;

    SettingsStore& m_settings;
    std::function<bool()> m_yielding;
    std::function<void()> m_raise;
    std::function<void()> m_quit;
    std::optional<QDBusConnection> m_bus;
    Seen m_announced;
    Subscription m_changes;
    bool m_refreshPending = false;
};

} // namespace tavik
