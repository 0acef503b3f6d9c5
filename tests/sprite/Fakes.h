#pragma once

#include "sprite/Random.h"

#include <vector>

namespace tavik::sprite::testing {

// Answers every draw with the same value: 0 gives v − r/2, 0.5 gives v, 0.999… gives
// almost v + r/2.
class FixedRandom : public Random {
public:
    explicit FixedRandom(double value) : m_value(value) {}
    double unit() override
    {
        ++m_calls;
        return m_value;
    }
    [[nodiscard]] int calls() const { return m_calls; }

private:
    double m_value;
    int m_calls = 0;
};

} // namespace tavik::sprite::testing
