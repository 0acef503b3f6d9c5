#pragma once

#include <array>
#include <cstddef>
#include <vector>

namespace tavik {

// A Freeverb-style stereo reverb (parallel damped combs into series allpasses, the right
// channel's lines a little longer) tuned as a medium hall, with a short pre-delay. All memory
// is taken in the constructor: process() never allocates.
class HallReverb {
public:
    // wetMix in [0, 1]: 0 passes the input through, 1 gives only the hall.
    explicit HallReverb(float wetMix);

    // Reads n frames of the dry sum and writes n interleaved stereo frames to out.
    void process(const float* left, const float* right, float* out, std::size_t n) noexcept;
    void clear();

    [[nodiscard]] float wetMix() const { return m_wet; }

private:
    struct Comb {
        std::vector<float> line;
        std::size_t index = 0;
        float store = 0;
        float tick(float input, float feedback, float damp) noexcept;
    };
    struct Allpass {
        std::vector<float> line;
        std::size_t index = 0;
        float tick(float input) noexcept;
    };
    struct Side {
        std::array<Comb, 8> combs;
        std::array<Allpass, 4> allpasses;
        float tick(float input, float feedback, float damp) noexcept;
    };

    float m_wet;
    std::vector<float> m_preDelay;
    std::size_t m_preIndex = 0;
    Side m_left;
    Side m_right;
};

} // namespace tavik
