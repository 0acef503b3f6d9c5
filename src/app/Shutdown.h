#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>

namespace tavik {

// The one way the desktop program ends, whoever asks (`tavik quit`, SIGTERM or SIGINT, the
// panel's button, the tray menu, a sound menu): the windows go, the sound fades, the settings
// are written, and the event loop ends with 0, or 1 when the settings could not be written.
class Shutdown final : public QObject {
    Q_OBJECT
public:
    struct Steps {
        std::function<void()> hideWindows;   // the overlays, the panel and the tray icon
        std::function<void()> fadeSound;     // starts the fade
        std::function<bool()> soundFinished; // the fade is over and the device closed
        std::function<bool()> writeSettings; // false when they could not be written
    };

    // A sound device that never reports back does not keep the program alive longer than this.
    static constexpr std::chrono::milliseconds kLongestSoundWait{1500};
    static constexpr std::chrono::milliseconds kSoundPoll{20};

    // `exit` ends the event loop with a status (QCoreApplication::exit in the program).
    Shutdown(Steps steps, std::function<void(int)> exit, QObject* parent = nullptr);

    // Starts the shutdown from the event loop, never inside the caller (a tray menu or a
    // button may be what goes away). Asked again while the sound fades, it ends at once.
    void request();

    [[nodiscard]] bool isUnderway() const { return m_requests > 0; }

private:
    void begin();
    void poll();
    void finish();

    Steps m_steps;
    std::function<void(int)> m_exit;
    QTimer m_poll;
    QElapsedTimer m_waiting;
    int m_requests = 0;
    bool m_finished = false;
};

} // namespace tavik
