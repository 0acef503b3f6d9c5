#include "sound/SdlAudioOutput.h"

#include "sound/SoundGraph.h"
#include "sound/SoundLog.h"

#include <QtGlobal>

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

// What the desktop's volume mixer shows for the stream. Hints at normal priority, so that a
// user's own SDL_* environment variables still win.
void SdlAudioOutput::nameTheStream()
{
    SDL_SetHint(SDL_HINT_APP_NAME, kStreamAppName);
    SDL_SetHint(SDL_HINT_AUDIO_DEVICE_APP_NAME, kStreamAppName);
    SDL_SetHint(SDL_HINT_AUDIO_DEVICE_STREAM_NAME, kStreamName);
    SDL_SetHint(SDL_HINT_AUDIO_DEVICE_STREAM_ROLE, kStreamRole);
    // SDL passes no icon on. PulseAudio's client library (PipeWire's PulseAudio server reads
    // the same) adds PULSE_PROP_* variables to the client's properties, which every stream of
    // the client inherits. Set before the first connection, and never over the user's.
    if (!qEnvironmentVariableIsSet(kIconVariable))
        qputenv(kIconVariable, kStreamIcon);
    // SDL's PulseAudio backend passes no role on either.
    if (!qEnvironmentVariableIsSet(kRoleVariable))
        qputenv(kRoleVariable, kStreamRole);
}

SdlAudioOutput::~SdlAudioOutput()
{
    stop();
}

bool SdlAudioOutput::start(SoundGraph& graph)
{
    stop();
    // SDL must not take over SIGINT and SIGTERM from the application.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    nameTheStream();
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
