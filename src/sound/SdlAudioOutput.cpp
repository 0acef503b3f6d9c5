#include "sound/SdlAudioOutput.h"

#include "sound/SoundGraph.h"
#include "sound/SoundLog.h"

#include <SDL.h>

namespace tavik {

namespace {

// Larger than the usual 1024 frames: fewer wake-ups, and ambience needs no low latency.
constexpr Uint16 kPreferredFrames = 2048;

void renderCallback(void* userdata, Uint8* stream, int bytes)
{
    auto* graph = static_cast<SoundGraph*>(userdata);
    const auto frames = static_cast<std::size_t>(bytes) / (2 * sizeof(float));
    graph->render(reinterpret_cast<float*>(stream), frames);
}

} // namespace

SdlAudioOutput::~SdlAudioOutput()
{
    stop();
}

bool SdlAudioOutput::start(SoundGraph& graph)
{
    stop();
    // SDL must not take over SIGINT and SIGTERM from the application.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        qCDebug(lcSound) << "no audio:" << SDL_GetError();
        return false;
    }
    m_subsystemUp = true;

    SDL_AudioSpec wanted{};
    wanted.freq = kSampleRate;
    wanted.format = AUDIO_F32SYS;
    wanted.channels = 2;
    wanted.samples = kPreferredFrames;
    wanted.callback = renderCallback;
    wanted.userdata = &graph;
    SDL_AudioSpec obtained{};
    m_device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, SDL_AUDIO_ALLOW_SAMPLES_CHANGE);
    if (m_device == 0) {
        qCDebug(lcSound) << "no audio device:" << SDL_GetError();
        stop();
        return false;
    }
    qCDebug(lcSound) << "audio device open," << obtained.samples << "frames per callback";
    SDL_PauseAudioDevice(m_device, 0);
    return true;
}

void SdlAudioOutput::stop()
{
    if (m_device != 0) {
        // Returns after the audio thread has finished its last callback.
        SDL_CloseAudioDevice(m_device);
        m_device = 0;
    }
    if (m_subsystemUp) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        m_subsystemUp = false;
    }
}

bool SdlAudioOutput::isPlaying() const
{
    return m_device != 0 && SDL_GetAudioDeviceStatus(m_device) == SDL_AUDIO_PLAYING;
}

} // namespace tavik
