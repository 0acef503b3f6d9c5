#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <span>
#include <vector>

namespace tavik::test {

inline double rms(std::span<const float> x)
{
    double sum = 0;
    for (float v : x)
        sum += double(v) * v;
    return x.empty() ? 0 : std::sqrt(sum / double(x.size()));
}

// Energy of the sample-to-sample steps against the energy of the signal: about 1.4 for white
// noise, near 0 for a deep rumble. A cheap measure of how bright a sound is.
inline double brightness(std::span<const float> x)
{
    double steps = 0;
    for (std::size_t i = 1; i < x.size(); ++i)
        steps += double(x[i] - x[i - 1]) * (x[i] - x[i - 1]);
    const double level = rms(x);
    return level == 0 ? 0 : std::sqrt(steps / double(x.size() - 1)) / level;
}

inline double largestStep(std::span<const float> x)
{
    double largest = 0;
    for (std::size_t i = 1; i < x.size(); ++i)
        largest = std::max(largest, double(std::abs(x[i] - x[i - 1])));
    return largest;
}

inline double correlation(std::span<const float> a, std::span<const float> b)
{
    double ab = 0, aa = 0, bb = 0;
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) {
        ab += double(a[i]) * b[i];
        aa += double(a[i]) * a[i];
        bb += double(b[i]) * b[i];
    }
    return ab / std::sqrt(aa * bb);
}

inline std::span<const float> window(const std::vector<float>& x, double from, double to, double rate = 44100)
{
    const auto begin = std::size_t(from * rate);
    const auto end = std::min(x.size(), std::size_t(to * rate));
    return std::span<const float>(x).subspan(begin, end - begin);
}

// Every other sample of an interleaved stereo stream.
inline std::vector<float> channelOf(const std::vector<float>& interleaved, std::size_t channel)
{
    std::vector<float> out;
    out.reserve(interleaved.size() / 2);
    for (std::size_t i = channel; i < interleaved.size(); i += 2)
        out.push_back(interleaved[i]);
    return out;
}

} // namespace tavik::test
