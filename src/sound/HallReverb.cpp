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
// A constant far below hearing keeps the decaying lines out of the slow denormal range.
constexpr float kAntiDenormal = 1e-18f;

// Runs fn(offset, pointer into the line, count) over n frames of a circular line, in pieces
// that do not wrap.
template <typename Fn>
void overLine(std::vector<float>& line, std::size_t& index, std::size_t n, Fn&& fn)
{
    for (std::size_t done = 0; done < n;) {
        const std::size_t run = std::min(n - done, line.size() - index);
        fn(done, line.data() + index, run);
        done += run;
        index += run;
        if (index == line.size())
            index = 0;
    }
}

} // namespace

void HallReverb::Comb::process(const float* input, float* sum, std::size_t n) noexcept
{
    float s = store;
    overLine(line, index, n, [&](std::size_t at, float* delay, std::size_t run) {
        for (std::size_t i = 0; i < run; ++i) {
            const float output = delay[i];
            s = output * (1 - kDamping) + s * kDamping;
            delay[i] = input[at + i] + s * kFeedback;
            sum[at + i] += output;
        }
    });
    store = s;
}

void HallReverb::Allpass::process(float* signal, std::size_t n) noexcept
{
    overLine(line, index, n, [&](std::size_t at, float* delay, std::size_t run) {
        for (std::size_t i = 0; i < run; ++i) {
            const float delayed = delay[i];
            const float input = signal[at + i];
            delay[i] = input + delayed * kAllpassFeedback;
            signal[at + i] = delayed - input;
        }
    });
}

void HallReverb::Side::process(const float* input, float* output, std::size_t n) noexcept
{
    std::fill_n(output, n, 0.0f);
    for (Comb& comb : combs)
        comb.process(input, output, n);
    for (Allpass& allpass : allpasses)
        allpass.process(output, n);
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
    for (std::size_t done = 0; done < n; done += kBlock) {
        const std::size_t count = std::min(kBlock, n - done);
        processBlock(left + done, right + done, out + 2 * done, count);
    }
}

void HallReverb::processBlock(const float* left, const float* right, float* out, std::size_t n) noexcept
{
    overLine(m_preDelay, m_preIndex, n, [&](std::size_t at, float* delay, std::size_t run) {
        for (std::size_t i = 0; i < run; ++i) {
            m_input[at + i] = delay[i];
            delay[i] = (left[at + i] + right[at + i]) * kInputGain + kAntiDenormal;
        }
    });
    m_left.process(m_input.data(), m_wetLeft.data(), n);
    m_right.process(m_input.data(), m_wetRight.data(), n);
    const float dry = 1 - m_wet;
    const float wet = m_wet * kWetGain;
    for (std::size_t i = 0; i < n; ++i) {
        out[2 * i] = dry * left[i] + wet * m_wetLeft[i];
        out[2 * i + 1] = dry * right[i] + wet * m_wetRight[i];
    }
}

} // namespace tavik
