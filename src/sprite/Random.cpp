#include "sprite/Random.h"

namespace tavik::sprite {

namespace {

std::uint64_t splitMix(std::uint64_t& x)
{
    std::uint64_t z = (x += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

std::uint64_t rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

} // namespace

Random::Random(std::uint64_t seed) { reseed(seed); }

void Random::reseed(std::uint64_t seed)
{
    for (auto& word : m_state)
        word = splitMix(seed);
}

// xoshiro256+: fast, and its top 53 bits are all a double needs.
double Random::unit()
{
    const std::uint64_t result = m_state[0] + m_state[3];
    const std::uint64_t t = m_state[1] << 17;
    m_state[2] ^= m_state[0];
    m_state[3] ^= m_state[1];
    m_state[1] ^= m_state[2];
    m_state[0] ^= m_state[3];
    m_state[2] ^= t;
    m_state[3] = rotl(m_state[3], 45);
    return double(result >> 11) * 0x1.0p-53;
}

} // namespace tavik::sprite
