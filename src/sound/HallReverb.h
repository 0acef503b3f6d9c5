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
    static constexpr std::size_t kBlock = 256;

    // Each filter runs over a whole block at a time: the loops stay short and branch-free.
    struct Comb {
        std::vector<float> line;
        std::size_t index = 0;
        float store = 0;
        void process(const float* input, float* sum, std::size_t n) noexcept;
    };
    struct Allpass {
        std::vector<float> line;
        std::size_t index = 0;
        void process(float* signal, std::size_t n) noexcept;
    };
    struct Side {
        std::array<Comb, 8> combs;
        std::array<Allpass, 4> allpasses;
        void process(const float* input, float* output, std::size_t n) noexcept;
    };

    void processBlock(const float* left, const float* right, float* out, std::size_t n) noexcept;

    float m_wet;
    std::vector<float> m_preDelay;
    std::size_t m_preIndex = 0;
    Side m_left;
    Side m_right;
    std::array<float, kBlock> m_input{};
    std::array<float, kBlock> m_wetLeft{};
    std::array<float, kBlock> m_wetRight{};
};

} // namespace tavik
