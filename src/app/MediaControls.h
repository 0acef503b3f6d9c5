#pragma once

#include "app/MediaPlayerService.h"
#include "app/OtherPlayers.h"
#include "core/Signal.h"

#include <functional>

namespace tavik {

class SettingsStore;
class SoundscapeManager;

// The soundscape on the session bus: its media player, and, while "pause while other audio
// plays" is on, the watch on the other players that makes it give way.
class MediaControls final {
public:
    MediaControls(SettingsStore& settings, SoundscapeManager& soundscape, std::function<void()> raise,
                  std::function<void()> quit);
    ~MediaControls();
    MediaControls(const MediaControls&) = delete;
    MediaControls& operator=(const MediaControls&) = delete;

    // On the session bus; without one, nothing happens and the soundscape plays as before.
    void start();

private:
    SettingsStore& m_settings;
    SoundscapeManager& m_soundscape;
    MediaPlayerService m_player;
    OtherPlayers m_others;
    Subscription m_option;
};

} // namespace tavik
