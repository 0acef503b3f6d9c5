#pragma once

namespace tavik {

class SettingsStore;

// The wind of one frame: a horizontal velocity in points per second (negative blows towards
// the left edge; dy is always 0) and the current gust strength.
struct WindSample {
    struct Vector {
        double dx = 0;
        double dy = 0;
        bool operator==(const Vector&) const = default;
    };
    Vector velocity;
    double gust = 0;

    bool operator==(const WindSample&) const = default;
};

// The wind model of one scene. Not drawn: the scene advances it once per frame and hands its
// sample to everything that drifts. The owner copies the five settings in on every apply.
class WindField {
public:
    // Copies strength, gustiness, direction and the two switches from the settings.
    void apply(const SettingsStore& settings);
    // `now` is the shared clock, which the dynamic wind follows.
    void update(double dt, double now);

    [[nodiscard]] const WindSample& sample() const { return m_sample; }

    bool enabled = true;
    bool dynamic = false;
    double strength = 0;     // 0 to 100
    double gustiness = 0;    // 0 to 100
    double directionDeg = 0; // -45 to 45

    double slowPhase = 0;
    double midPhase = 1.3;
    double gustPhase = 0;

    static constexpr double kMaxSpeed = 230; // points per second at full strength

private:
    WindSample m_sample;
};

} // namespace tavik
