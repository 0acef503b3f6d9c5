#pragma once

#include "sound/AudioBuffer.h"
#include "sound/HallReverb.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

namespace tavik {

enum class Channel : std::uint8_t { Rain, Wind, Thunder, Birdsong, Sea };
inline constexpr std::size_t kChannelCount = 5;
inline constexpr std::array<Channel, kChannelCount> kChannels = {Channel::Rain, Channel::Wind, Channel::Thunder,
                                                                 Channel::Birdsong, Channel::Sea};

[[nodiscard]] const char* channelName(Channel channel);

inline constexpr float kHallWetMix = 0.22f;
// How long a level change takes to arrive, so that no change of level clicks.
inline constexpr double kGainGlideSeconds = 0.05;

// The mixer: one player per channel (a looping buffer and/or one-shots played one after
// another), a gain per channel, their sum, and a hall reverb on the sum.
//
// Threads: render() runs on the audio thread. setGain() and enqueueOneShot() may be called from
// the main thread at any time; they only touch atomics and a lock-free queue. reset() and
// setLoop() change the players directly and may only be called while nothing renders (the
// output stopped). Buffers are borrowed: they must outlive every render that may read them.
class SoundGraph {
public:
    explicit SoundGraph(float wetMix = kHallWetMix);
    SoundGraph(const SoundGraph&) = delete;
    SoundGraph& operator=(const SoundGraph&) = delete;

    // Stopped players, nothing queued, every gain at 0 at once, an empty hall.
    void reset();
    // nullptr (or an empty buffer) stops the loop. Playback starts at the buffer's first frame.
    void setLoop(Channel channel, const AudioBuffer* buffer);

    void setGain(Channel channel, float gain);
    [[nodiscard]] float gain(Channel channel) const;
    // Plays the buffer once, after whatever the channel still has queued. False when the queue
    // is full (the clap is dropped) or the buffer is empty.
    bool enqueueOneShot(Channel channel, const AudioBuffer* buffer);

    // Writes n interleaved stereo frames. Never allocates, never locks.
    void render(float* out, std::size_t frames) noexcept;

    static constexpr std::size_t kMaxQueuedShots = 16;

private:
    static constexpr std::size_t kBlockFrames = 256;

    struct Player {
        const AudioBuffer* loop = nullptr;
        std::size_t loopPosition = 0;
        const AudioBuffer* shot = nullptr;
        std::size_t shotPosition = 0;
        std::array<const AudioBuffer*, kMaxQueuedShots> pending{};
        std::size_t pendingHead = 0;
        std::size_t pendingCount = 0;
        // The gain as heard, gliding towards the last target seen.
        float gain = 0;
        float glideTarget = 0;
        float glideStep = 0;
        std::size_t glideLeft = 0;

        void queue(const AudioBuffer* buffer) noexcept;
        void startNextShot() noexcept;
        void retarget(float target) noexcept;
        void mixInto(float* left, float* right, std::size_t n) noexcept;
        void skip(std::size_t n) noexcept;
    };

    // Single producer (main thread), single consumer (audio thread).
    struct ShotRequest {
        Channel channel;
        const AudioBuffer* buffer;
    };
    static constexpr std::size_t kQueueSize = 64; // a power of two
    std::array<ShotRequest, kQueueSize> m_queue{};
    std::atomic<std::size_t> m_queueWrite{0};
    std::atomic<std::size_t> m_queueRead{0};

    void takeQueuedShots() noexcept;

    std::array<std::atomic<float>, kChannelCount> m_targets{};
    std::array<Player, kChannelCount> m_players{};
    HallReverb m_reverb;
    std::array<float, kBlockFrames> m_sumLeft{};
    std::array<float, kBlockFrames> m_sumRight{};
};

} // namespace tavik
