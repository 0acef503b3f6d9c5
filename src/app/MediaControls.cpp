#include "app/MediaControls.h"

#include "settings/SettingsStore.h"
#include "sound/SoundscapeManager.h"

namespace tavik {

MediaControls::MediaControls(SettingsStore& settings, SoundscapeManager& soundscape, std::function<void()> raise,
                             std::function<void()> quit)
    : m_settings(settings)
    , m_soundscape(soundscape)
    , m_player(settings, [&soundscape] { return soundscape.yieldingToOtherAudio(); }, std::move(raise), std::move(quit))
    , m_others(QDBusConnection::sessionBus(), QString::fromLatin1(MediaPlayerService::kServiceName))
{
    QObject::connect(&m_others, &OtherPlayers::anyPlayingChanged, &m_player, [this](bool playing) {
        m_soundscape.setOtherAudioPlaying(playing);
        m_player.refresh();
    });
}

MediaControls::~MediaControls()
{
    m_option.cancel();
}

void MediaControls::start()
{
    m_player.publish(QDBusConnection::sessionBus());
    // Nobody else's player is watched unless asked for.
    m_option = m_settings.observe<bool>(Setting::pauseForOtherAudio, [this](bool on) {
        if (on)
            m_others.start();
        else
            m_others.stop();
    });
}

} // namespace tavik
