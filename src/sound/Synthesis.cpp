#include "sound/Synthesis.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tavik {

namespace {

constexpr double kRate = kSampleRate;

float clampUnit(float x)
{
    return std::clamp(x, -1.0f, 1.0f);
}

// xoshiro128+ seeded through splitmix64: fast, and good enough for noise.
class Noise {
public:
    explicit Noise(std::uint64_t seed)
    {
        for (auto& word : m_state) {
            seed += 0x9E3779B97F4A7C15ull;
            std::uint64_t z = seed;
            z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
            z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
            word = static_cast<std::uint32_t>((z ^ (z >> 31)) >> 16);
        }
        if (std::all_of(m_state.begin(), m_state.end(), [](std::uint32_t w) { return w == 0; }))
            m_state[0] = 1;
    }

    // Uniform in [-1, 1].
    float next()
    {
        const std::uint32_t result = m_state[0] + m_state[3];
        const std::uint32_t t = m_state[1] << 9;
        m_state[2] ^= m_state[0];
        m_state[3] ^= m_state[1];
        m_state[1] ^= m_state[2];
        m_state[0] ^= m_state[3];
        m_state[2] ^= t;
        m_state[3] = (m_state[3] << 11) | (m_state[3] >> 21);
        // 24 high bits give every float step in [0, 1]; the top value maps to exactly 1.
        return static_cast<float>(result >> 8) * (2.0f / 16777215.0f) - 1.0f;
    }

private:
    std::array<std::uint32_t, 4> m_state{};
};

// Independent noise for every buffer and channel, derived from the bank's seed.
std::uint64_t streamSeed(std::uint64_t seed, std::uint64_t stream)
{
    return seed * 0x100000001B3ull + stream * 0x9E3779B97F4A7C15ull;
}

// Channel state of the random generators: the noise stream and the generator's own filters.
template <typename State>
struct Channels {
    State left;
    State right;
};

struct RainChannel {
    Noise noise;
    float lp = 0;

    float next()
    {
        constexpr float kSmoothing = 0.18f;
        const float r = noise.next();
        lp += kSmoothing * (r - lp);
        return 0.12f * (0.45f * r + 0.55f * lp);
    }
};

struct WindChannel {
    Noise noise;
    float lp = 0;

    float next(float env, float whistle)
    {
        constexpr float kSmoothing = 0.02f;
        lp += kSmoothing * (noise.next() - lp);
        return 0.42f * clampUnit(whistle + 4.5f * env * lp);
    }
};

struct SeaChannel {
    Noise noise;
    float fast = 0;
    float slow = 0;

    float next(float wave)
    {
        const float r = noise.next();
        fast += 0.4f * (r - fast);
        slow += 0.04f * (r - slow);
        const float hiss = r - fast;
        const float surge = 1.3f * slow * (wave + 0.4f);
        const float foam = 2 * std::max(wave - 0.55f, 0.0f) * 0.3f * hiss;
        return 0.5f * clampUnit(surge + foam);
    }
};

struct Voice {
    double period;
    double offset;
    double length;
    double frequency;
    double ratio;
    double amplitude;
};

constexpr std::array<Voice, 4> kBirdVoices = {{
    {2.75, 0, 0.12, 3200, 1.5, 0.5},
    {3.6667, 1.1, 0.16, 2600, 0.7, 0.42},
    {2.2, 0.6, 0.09, 4000, 1.3, 0.36},
    {5.5, 2.3, 0.2, 2200, 1.8, 0.32},
}};

double birdsongAt(double t)
{
    constexpr double kFlutter = 219.91147; // 35 Hz
    double sum = 0;
    for (const Voice& voice : kBirdVoices) {
        const double local = std::fmod(t + voice.offset, voice.period);
        if (local >= voice.length)
            continue;
        const double p = local / voice.length;
        const double f = voice.frequency * (1 + (voice.ratio - 1) * p);
        const double vib = 1 + 0.02 * std::sin(kFlutter * local);
        sum += voice.amplitude * std::sin(std::numbers::pi * p) * std::sin(2 * std::numbers::pi * f * vib * local);
    }
    return sum;
}

struct ThunderShape {
    double duration;
    float c;
    double decay;
    double crackRate;
    float gR;
    float gC;
    float gain;
};

constexpr std::array<ThunderShape, 3> kThunderShapes = {{
    {2.4, 0.012f, 1.6, 9, 8.0f, 2.4f, 0.6f},
    {3.2, 0.008f, 1.1, 7, 9.0f, 1.3f, 0.55f},
    {4.2, 0.004f, 0.75, 5, 10.0f, 0.25f, 0.42f},
}};

struct ThunderChannel {
    Noise noise;
    float lpR = 0;
    float lpC = 0;

    float next(const ThunderShape& shape, float rumble, float crack)
    {
        constexpr float kCrackSmoothing = 0.05f;
        const float r = noise.next();
        lpR += shape.c * (r - lpR);
        lpC += kCrackSmoothing * (r - lpC);
        return clampUnit(shape.gain * (rumble * shape.gR * lpR + crack * shape.gC * lpC));
    }
};

} // namespace

std::size_t SoundBank::byteSize() const
{
    std::size_t bytes = rain.byteSize() + wind.byteSize() + birdsong.byteSize() + sea.byteSize();
    for (const AudioBuffer& clap : thunder)
        bytes += clap.byteSize();
    return bytes;
}

AudioBuffer makeRainLoop(std::uint64_t seed)
{
    Channels<RainChannel> channels{{Noise(streamSeed(seed, 0))}, {Noise(streamSeed(seed, 1))}};
    return makeSeamlessLoop(kRainLoopSeconds, [&](std::size_t, std::size_t) {
        return StereoFrame{channels.left.next(), channels.right.next()};
    });
}

AudioBuffer makeWindLoop(std::uint64_t seed)
{
    constexpr double kThreeSwells = 18.849556;
    constexpr double kFiveSwells = 31.415924;
    constexpr double kWhistle = 1382.3007; // 220 Hz
    Channels<WindChannel> channels{{Noise(streamSeed(seed, 2))}, {Noise(streamSeed(seed, 3))}};
    return makeSeamlessLoop(kWindLoopSeconds, [&](std::size_t i, std::size_t n) {
        const double u = static_cast<double>(i) / static_cast<double>(n);
        const double t = static_cast<double>(i) / kRate;
        const double a = 0.5 + 0.5 * std::sin(kThreeSwells * u);
        const double b = 0.5 + 0.5 * std::sin(kFiveSwells * u + 1.3);
        const auto env = static_cast<float>(0.3 + 0.5 * a * a + 0.2 * b);
        // The whistle only sounds in the strongest gusts; skip its sine otherwise.
        const float strength = std::max(env - 0.7f, 0.0f);
        const float whistle = strength > 0 ? 0.05f * static_cast<float>(std::sin(kWhistle * t)) * strength : 0.0f;
        return StereoFrame{channels.left.next(env, whistle), channels.right.next(env, whistle)};
    });
}

AudioBuffer makeBirdsongLoop()
{
    // Deterministic, so both channels are the same.
    return makeSeamlessLoop(kBirdsongLoopSeconds, [](std::size_t i, std::size_t) {
        const float sample = clampUnit(static_cast<float>(0.12 * birdsongAt(static_cast<double>(i) / kRate)));
        return StereoFrame{sample, sample};
    });
}

AudioBuffer makeSeaLoop(std::uint64_t seed)
{
    constexpr double kThreeWaves = 18.849556;
    Channels<SeaChannel> channels{{Noise(streamSeed(seed, 4))}, {Noise(streamSeed(seed, 5))}};
    return makeSeamlessLoop(kSeaLoopSeconds, [&](std::size_t i, std::size_t n) {
        const double u = static_cast<double>(i) / static_cast<double>(n);
        const double swell = 0.5 + 0.5 * std::sin(kThreeWaves * u - 1.5);
        const auto wave = static_cast<float>(swell * swell);
        return StereoFrame{channels.left.next(wave), channels.right.next(wave)};
    });
}

AudioBuffer makeThunder(int variant, std::uint64_t seed)
{
    constexpr double kCrackSeconds = 0.3;
    const int index = std::clamp(variant, 0, 2);
    const ThunderShape& shape = kThunderShapes[static_cast<std::size_t>(index)];
    const auto frames = static_cast<std::size_t>(shape.duration * kRate);
    const auto stream = 6 + 2 * static_cast<std::uint64_t>(index);
    Channels<ThunderChannel> channels{{Noise(streamSeed(seed, stream))}, {Noise(streamSeed(seed, stream + 1))}};

    AudioBuffer buffer;
    buffer.left.resize(frames);
    buffer.right.resize(frames);
    for (std::size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const auto rumble = static_cast<float>(std::exp(-shape.decay * t));
        const auto crack = t < kCrackSeconds ? static_cast<float>(std::exp(-shape.crackRate * t)) : 0.0f;
        buffer.left[i] = channels.left.next(shape, rumble, crack);
        buffer.right[i] = channels.right.next(shape, rumble, crack);
    }
    return buffer;
}

SoundBank synthesizeSoundBank(std::uint64_t seed)
{
    SoundBank bank;
    bank.rain = makeRainLoop(seed);
    bank.wind = makeWindLoop(seed);
    bank.birdsong = makeBirdsongLoop();
    bank.sea = makeSeaLoop(seed);
    for (int variant = 0; variant < 3; ++variant)
        bank.thunder[static_cast<std::size_t>(variant)] = makeThunder(variant, seed);
    return bank;
}

} // namespace tavik
