#pragma once

#include <optional>

namespace tavik {

// How long the soundscape takes to fade away once the sleep timer runs out.
inline constexpr double kSleepFadeSeconds = 30;
// How long it takes to give way to another player, and to come back after it.
inline constexpr double kDuckFadeSeconds = 2;
// How long the sound takes to go when the program quits: at once to the ear, without a click.
inline constexpr double kQuitFadeSeconds = 0.3;

// The sleep timer's countdown on a clock the caller supplies (seconds, any origin): it runs
// out at a fixed moment, then the sound fades away over kSleepFadeSeconds.
class SleepTimer {
public:
    // Runs out `seconds` after `now`; a NaN or a negative time runs out at once.
    void start(double seconds, double now);
    void stop() { m_runsOutAt.reset(); }

    [[nodiscard]] bool running() const { return m_runsOutAt.has_value(); }
    [[nodiscard]] std::optional<double> runsOutAt() const { return m_runsOutAt; }
    // Seconds until it runs out: 0 once it has, and while it is stopped.
    [[nodiscard]] double remaining(double now) const;
    // 1 until it runs out, then gliding to 0 over the fade; 1 while stopped.
    [[nodiscard]] float gain(double now) const;
    // Run out and faded away: the sound may be switched off.
    [[nodiscard]] bool finished(double now) const;

private:
    std::optional<double> m_runsOutAt;
};

// A gain that moves to a new target over a given time, from wherever it is at that moment.
class GainRamp {
public:
    explicit GainRamp(float value = 1) : m_from(value), m_to(value) {}

    void moveTo(float target, double now, double seconds);
    [[nodiscard]] float value(double now) const;
    [[nodiscard]] float target() const { return m_to; }
    [[nodiscard]] bool moving(double now) const { return now < m_start + m_seconds && m_from != m_to; }

private:
    float m_from;
    float m_to;
    double m_start = 0;
    double m_seconds = 0;
};

} // namespace tavik
