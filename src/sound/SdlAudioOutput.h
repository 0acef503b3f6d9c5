#pragma once

#include "sound/AudioOutput.h"

#include <cstdint>

namespace tavik {

// The default sound device through SDL2's audio callback, 44.1 kHz float stereo with whatever
// buffer size SDL picks (SDL converts when the device wants another format). The device is
// opened on start and closed on stop, so a device that appeared in between is found.
class SdlAudioOutput final : public AudioOutput {
public:
    // How the stream is named and shown in the desktop's volume mixer.
    static constexpr const char* kStreamAppName = "Tavik";
    static constexpr const char* kStreamName = "Weather soundscape";
    static constexpr const char* kStreamRole = "music";
    static constexpr const char* kStreamIcon = "tavik";
    static constexpr const char* kIconVariable = "PULSE_PROP_application.icon_name";
    static constexpr const char* kRoleVariable = "PULSE_PROP_media.role";

    SdlAudioOutput() = default;
    ~SdlAudioOutput() override;
    SdlAudioOutput(const SdlAudioOutput&) = delete;
    SdlAudioOutput& operator=(const SdlAudioOutput&) = delete;

    bool start(SoundGraph& graph) override;
    void stop() override;
    [[nodiscard]] bool isPlaying() const override;

private:
    static void nameTheStream();

    std::uint32_t m_device = 0;
    bool m_subsystemUp = false;
};

} // namespace tavik
