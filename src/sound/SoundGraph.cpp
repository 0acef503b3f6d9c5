#include "sound/SoundGraph.h"

#include <algorithm>
#include <cmath>

#if defined(__SSE__) || defined(__x86_64__)
#include <xmmintrin.h>
#define TAVIK_HAVE_MXCSR 1
#endif

namespace tavik {

namespace {

constexpr std::size_t kGlideFrames = static_cast<std::size_t>(kGainGlideSeconds * kSampleRate);

std::size_t indexOf(Channel channel)
{
    return static_cast<std::size_t>(channel);
}

// Decaying reverb tails would otherwise end in denormals, which are slow on most processors.
class FlushDenormals {
public:
    FlushDenormals() noexcept
    {
#ifdef TAVIK_HAVE_MXCSR
        m_saved = _mm_getcsr();
        _mm_setcsr(m_saved | 0x8040); // flush-to-zero and denormals-are-zero
#endif
    }
    ~FlushDenormals()
    {
#ifdef TAVIK_HAVE_MXCSR
        _mm_setcsr(m_saved);
#endif
    }
    FlushDenormals(const FlushDenormals&) = delete;
    FlushDenormals& operator=(const FlushDenormals&) = delete;

private:
    unsigned m_saved = 0;
};

} // namespace

const char* channelName(Channel channel)
{
    switch (channel) {
    case Channel::Rain: return "rain";
    case Channel::Wind: return "wind";
    case Channel::Thunder: return "thunder";
    case Channel::Birdsong: return "birdsong";
    case Channel::Sea: return "sea";
    }
    return "?";
}

SoundGraph::SoundGraph(float wetMix) : m_reverb(wetMix)
{
    for (auto& target : m_targets)
        target.store(0.0f, std::memory_order_relaxed);
}

void SoundGraph::reset()
{
    m_players = {};
    m_queueRead.store(m_queueWrite.load(std::memory_order_acquire), std::memory_order_release);
    for (auto& target : m_targets)
        target.store(0.0f, std::memory_order_relaxed);
    m_reverb.clear();
}

void SoundGraph::setLoop(Channel channel, const AudioBuffer* buffer)
{
    Player& player = m_players[indexOf(channel)];
    player.loop = (buffer && buffer->frames() > 0) ? buffer : nullptr;
    player.loopPosition = 0;
}

void SoundGraph::setGain(Channel channel, float gain)
{
    if (!std::isfinite(gain))
        gain = 0;
    m_targets[indexOf(channel)].store(std::max(gain, 0.0f), std::memory_order_relaxed);
}

float SoundGraph::gain(Channel channel) const
{
    return m_targets[indexOf(channel)].load(std::memory_order_relaxed);
}

bool SoundGraph::enqueueOneShot(Channel channel, const AudioBuffer* buffer)
{
    if (!buffer || buffer->frames() == 0)
        return false;
    const std::size_t write = m_queueWrite.load(std::memory_order_relaxed);
    if (write - m_queueRead.load(std::memory_order_acquire) >= kQueueSize)
        return false;
    m_queue[write % kQueueSize] = {channel, buffer};
    m_queueWrite.store(write + 1, std::memory_order_release);
    return true;
}

void SoundGraph::takeQueuedShots() noexcept
{
    std::size_t read = m_queueRead.load(std::memory_order_relaxed);
    const std::size_t write = m_queueWrite.load(std::memory_order_acquire);
    for (; read != write; ++read) {
        const ShotRequest& request = m_queue[read % kQueueSize];
        m_players[indexOf(request.channel)].queue(request.buffer);
    }
    m_queueRead.store(read, std::memory_order_release);
}

void SoundGraph::Player::queue(const AudioBuffer* buffer) noexcept
{
    if (!shot) {
        shot = buffer;
        shotPosition = 0;
        return;
    }
    if (pendingCount == pending.size())
        return; // a storm of claps: the newest is dropped
    pending[(pendingHead + pendingCount) % pending.size()] = buffer;
    ++pendingCount;
}

void SoundGraph::Player::startNextShot() noexcept
{
    shotPosition = 0;
    if (pendingCount == 0) {
        shot = nullptr;
        return;
    }
    shot = pending[pendingHead];
    pendingHead = (pendingHead + 1) % pending.size();
    --pendingCount;
}

void SoundGraph::Player::retarget(float target) noexcept
{
    if (target == glideTarget)
        return;
    glideTarget = target;
    glideLeft = kGlideFrames;
    glideStep = (target - gain) / static_cast<float>(kGlideFrames);
}

void SoundGraph::Player::mixInto(float* left, float* right, std::size_t n) noexcept
{
    for (std::size_t i = 0; i < n; ++i) {
        if (glideLeft > 0) {
            gain = --glideLeft == 0 ? glideTarget : gain + glideStep;
        }
        float l = 0;
        float r = 0;
        if (loop) {
            l += loop->left[loopPosition];
            r += loop->right[loopPosition];
            if (++loopPosition == loop->frames())
                loopPosition = 0;
        }
        if (shot) {
            l += shot->left[shotPosition];
            r += shot->right[shotPosition];
            if (++shotPosition == shot->frames())
                startNextShot();
        }
        left[i] += gain * l;
        right[i] += gain * r;
    }
}

// A silent channel keeps time without reading its samples.
void SoundGraph::Player::skip(std::size_t n) noexcept
{
    if (loop)
        loopPosition = (loopPosition + n) % loop->frames();
    while (shot && n > 0) {
        const std::size_t step = std::min(n, shot->frames() - shotPosition);
        shotPosition += step;
        n -= step;
        if (shotPosition == shot->frames())
            startNextShot();
    }
}

void SoundGraph::render(float* out, std::size_t frames) noexcept
{
    const FlushDenormals flush;
    takeQueuedShots();
    while (frames > 0) {
        const std::size_t n = std::min(frames, kBlockFrames);
        std::fill_n(m_sumLeft.begin(), n, 0.0f);
        std::fill_n(m_sumRight.begin(), n, 0.0f);
        for (std::size_t c = 0; c < kChannelCount; ++c) {
            Player& player = m_players[c];
            player.retarget(m_targets[c].load(std::memory_order_relaxed));
            if (player.gain == 0 && player.glideLeft == 0)
                player.skip(n);
            else
                player.mixInto(m_sumLeft.data(), m_sumRight.data(), n);
        }
        m_reverb.process(m_sumLeft.data(), m_sumRight.data(), out, n);
        out += 2 * n;
        frames -= n;
    }
}

} // namespace tavik
