#pragma once

#include "sound/AudioBuffer.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <span>
#include <vector>

namespace tavik::test {

inline AudioBuffer constant(std::size_t frames, float value)
{
    return AudioBuffer{std::vector<float>(frames, value), std::vector<float>(frames, value)};
}

inline double rms(std::span<const float> x)
{
    double sum = 0;
    for (float v : x)
        sum += double(v) * v;
    return x.empty() ? 0 : std::sqrt(sum / double(x.size()));
}

inline double largestStep(std::span<const float> x)
{
    double largest = 0;
    for (std::size_t i = 1; i < x.size(); ++i)
        largest = std::max(largest, double(std::abs(x[i] - x[i - 1])));
    return largest;
}

inline std::span<const float> window(const std::vector<float>& x, double from, double to)
{
    const auto begin = std::size_t(from * kSampleRate);
    const auto end = std::min(x.size(), std::size_t(to * kSampleRate));
    return std::span<const float>(x).subspan(begin, end - begin);
}

inline std::vector<float> channelOf(const std::vector<float>& interleaved, std::size_t channel)
{
    std::vector<float> out;
    for (std::size_t i = channel; i < interleaved.size(); i += 2)
        out.push_back(interleaved[i]);
    return out;
}

} // namespace tavik::test
