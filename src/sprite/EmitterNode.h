#pragma once

#include "sprite/Color.h"
#include "sprite/DrawList.h"
#include "sprite/Node.h"
#include "sprite/Texture.h"

#include <QSizeF>

#include <cstdint>
#include <vector>

namespace tavik::sprite {

enum class ParticleRenderOrder { DontCare, OldestFirst, OldestLast };

// One live particle, in the emitter's own coordinates.
struct Particle {
    float x, y;
    float vx, vy;
    float age, lifetime;
    float alpha, scale, rotation;
};

// A particle source. Every parameter is a value plus a range r, drawn uniform in
// [v − r/2, v + r/2] at birth. Acceleration, colour, texture and the alpha, scale and
// rotation speeds are read every frame, so changing them reaches live particles.
// Particles live in the emitter's space: moving the emitter moves them all.
class EmitterNode : public Node {
public:
    // No emitter keeps more live particles than this, whatever its rate and lifetime: a second
    // line of defence behind the settings' ranges. The densest legitimate sky, snow at full
    // density and slowest fall on a 4K display at scale 1, keeps under a fifth of it.
    static constexpr std::size_t kMaxLiveParticles = 200'000;

    [[nodiscard]] const TexturePtr& particleTexture() const { return m_texture; }
    void setParticleTexture(TexturePtr texture) { m_texture = std::move(texture); }

    // Particles per second; fractions carry over from frame to frame. Births beyond
    // kMaxLiveParticles are counted but not made.
    [[nodiscard]] double particleBirthRate() const { return m_birthRate; }
    void setParticleBirthRate(double rate) { m_birthRate = rate; }
    // 0 emits forever; otherwise emission ends after this many particles.
    [[nodiscard]] int numParticlesToEmit() const { return m_numToEmit; }
    void setNumParticlesToEmit(int count) { m_numToEmit = count; }

    void setParticleLifetime(double seconds) { m_lifetime = seconds; }
    void setParticleLifetimeRange(double range) { m_lifetimeRange = range; }
    void setParticleSpeed(double pointsPerSecond) { m_speed = pointsPerSecond; }
    void setParticleSpeedRange(double range) { m_speedRange = range; }
    void setEmissionAngle(double radians) { m_emissionAngle = radians; }
    void setEmissionAngleRange(double range) { m_emissionAngleRange = range; }
    void setParticlePositionRange(QSizeF range) { m_positionRange = range; }
    void setXAcceleration(double a) { m_xAcceleration = a; }
    void setYAcceleration(double a) { m_yAcceleration = a; }
    void setParticleAlpha(double alpha) { m_alpha = alpha; }
    void setParticleAlphaRange(double range) { m_alphaRange = range; }
    void setParticleAlphaSpeed(double perSecond) { m_alphaSpeed = perSecond; }
    void setParticleScale(double scale) { m_scale = scale; }
    void setParticleScaleRange(double range) { m_scaleRange = range; }
    void setParticleScaleSpeed(double perSecond) { m_scaleSpeed = perSecond; }
    void setParticleRotation(double radians) { m_rotation = radians; }
    void setParticleRotationRange(double range) { m_rotationRange = range; }
    void setParticleRotationSpeed(double radiansPerSecond) { m_rotationSpeed = radiansPerSecond; }
    void setParticleColor(Color color) { m_color = color; }
    void setParticleColorBlendFactor(double factor) { m_colorBlendFactor = factor; }
    void setParticleBlendMode(BlendMode mode) { m_blendMode = mode; }
    void setParticleRenderOrder(ParticleRenderOrder order) { m_renderOrder = order; }

    [[nodiscard]] double particleLifetime() const { return m_lifetime; }
    [[nodiscard]] double particleSpeed() const { return m_speed; }
    [[nodiscard]] double particleSpeedRange() const { return m_speedRange; }
    [[nodiscard]] double xAcceleration() const { return m_xAcceleration; }
    [[nodiscard]] double yAcceleration() const { return m_yAcceleration; }
    [[nodiscard]] double particleScale() const { return m_scale; }
    [[nodiscard]] Color particleColor() const { return m_color; }
    [[nodiscard]] BlendMode particleBlendMode() const { return m_blendMode; }

    [[nodiscard]] const std::vector<Particle>& particles() const { return m_particles; }
    [[nodiscard]] std::size_t particleCount() const { return m_particles.size(); }
    // Particles born since creation or the last reset, including any that died at once.
    [[nodiscard]] std::uint64_t emittedCount() const { return m_emitted; }
    // Nothing left to do: no live particles and no more to emit.
    [[nodiscard]] bool isIdle() const { return m_particles.empty() && !isEmitting(); }
    // Forgets every particle and starts emission over (numParticlesToEmit counts afresh).
    void resetSimulation();

    void simulate(double dt, Random& random) override;
    void appendQuads(DrawList& list, const WorldState& world) const override;

private:
    [[nodiscard]] bool isEmitting() const;
    void ageAndMove(float dt);
    void emitBirths(double dt, Random& random);
    void spawn(Random& random, float age);
    void appendParticle(DrawList& list, const Affine& world, const Particle& p, float alpha, float red, float green,
                        float blue) const;

    TexturePtr m_texture;
    double m_birthRate = 0.0;
    int m_numToEmit = 0;
    double m_lifetime = 0.0;
    double m_lifetimeRange = 0.0;
    double m_speed = 0.0;
    double m_speedRange = 0.0;
    double m_emissionAngle = 0.0;
    double m_emissionAngleRange = 0.0;
    QSizeF m_positionRange{0.0, 0.0};
    double m_xAcceleration = 0.0;
    double m_yAcceleration = 0.0;
    double m_alpha = 1.0;
    double m_alphaRange = 0.0;
    double m_alphaSpeed = 0.0;
    double m_scale = 1.0;
    double m_scaleRange = 0.0;
    double m_scaleSpeed = 0.0;
    double m_rotation = 0.0;
    double m_rotationRange = 0.0;
    double m_rotationSpeed = 0.0;
    Color m_color;
    double m_colorBlendFactor = 0.0;
    BlendMode m_blendMode = BlendMode::Alpha;
    ParticleRenderOrder m_renderOrder = ParticleRenderOrder::DontCare;

    std::vector<Particle> m_particles;
    double m_owed = 0.0; // fractional births carried to the next frame
    std::uint64_t m_emitted = 0;
};

} // namespace tavik::sprite
