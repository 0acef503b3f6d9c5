#include "sound/HallReverb.h"

#include <algorithm>

namespace tavik {

namespace {

// Line lengths in frames at 44.1 kHz; mutually prime-ish so the echoes never line up.
constexpr std::array<std::size_t, 8> kCombLengths = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
constexpr std::array<std::size_t, 4> kAllpassLengths = {556, 441, 341, 225};
constexpr std::size_t kStereoSpread = 23;
constexpr std::size_t kPreDelayFrames = 882; // 20 ms: the first reflections of a medium hall
// With this feedback over ~31 ms lines and the damping, the hall dies away by 60 dB in about
// 1.7 s: a medium hall.
constexpr float kFeedback = 0.9f;
constexpr float kDamping = 0.3f; // high frequencies die sooner, as on real walls
constexpr float kInputGain = 0.015f;
// Brings the hall's level to about that of its input, so the mix is a plain share.
constexpr float kWetGain = 2.15f;
constexpr float kAllpassFeedback = 0.5f;
// Values this small only cost time as denormals: they are inaudible.
constexpr float kDenormalFloor = 1e-20f;

float flushTiny(float x) noexcept
{
    return (x > -kDenormalFloor && x < kDenormalFloor) ? 0.0f : x;
}

} // namespace

float HallReverb::Comb::tick(float input, float feedback, float damp) noexcept
{
    const float output = line[index];
    store = flushTiny(output * (1 - damp) + store * damp);
    line[index] = input + store * feedback;
    if (++index == line.size())
        index = 0;
    return output;
}

float HallReverb::Allpass::tick(float input) noexcept
{
    const float delayed = line[index];
    line[index] = flushTiny(input + delayed * kAllpassFeedback);
    if (++index == line.size())
        index = 0;
    return delayed - input;
}

float HallReverb::Side::tick(float input, float feedback, float damp) noexcept
{
    float sum = 0;
    for (Comb& comb : combs)
        sum += comb.tick(input, feedback, damp);
    for (Allpass& allpass : allpasses)
        sum = allpass.tick(sum);
    return sum;
}

HallReverb::HallReverb(float wetMix) : m_wet(std::clamp(wetMix, 0.0f, 1.0f)), m_preDelay(kPreDelayFrames, 0.0f)
{
    for (std::size_t i = 0; i < kCombLengths.size(); ++i) {
        m_left.combs[i].line.assign(kCombLengths[i], 0.0f);
        m_right.combs[i].line.assign(kCombLengths[i] + kStereoSpread, 0.0f);
    }
    for (std::size_t i = 0; i < kAllpassLengths.size(); ++i) {
        m_left.allpasses[i].line.assign(kAllpassLengths[i], 0.0f);
        m_right.allpasses[i].line.assign(kAllpassLengths[i] + kStereoSpread, 0.0f);
    }
}

void HallReverb::clear()
{
    std::fill(m_preDelay.begin(), m_preDelay.end(), 0.0f);
    m_preIndex = 0;
    for (Side* side : {&m_left, &m_right}) {
        for (Comb& comb : side->combs) {
            std::fill(comb.line.begin(), comb.line.end(), 0.0f);
            comb.index = 0;
            comb.store = 0;
        }
        for (Allpass& allpass : side->allpasses) {
            std::fill(allpass.line.begin(), allpass.line.end(), 0.0f);
            allpass.index = 0;
        }
    }
}

void HallReverb::process(const float* left, const float* right, float* out, std::size_t n) noexcept
{
    const float dry = 1 - m_wet;
    const float wet = m_wet * kWetGain;
    for (std::size_t i = 0; i < n; ++i) {
        const float input = m_preDelay[m_preIndex];
        m_preDelay[m_preIndex] = (left[i] + right[i]) * kInputGain;
        if (++m_preIndex == m_preDelay.size())
            m_preIndex = 0;
        out[2 * i] = dry * left[i] + wet * m_left.tick(input, kFeedback, kDamping);
        out[2 * i + 1] = dry * right[i] + wet * m_right.tick(input, kFeedback, kDamping);
    }
}

} // namespace tavik
