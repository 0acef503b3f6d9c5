#include "sprite/EmitterNode.h"

#include "sprite/Random.h"

#include <algorithm>
#include <cmath>

namespace tavik::sprite {

namespace {

// Frame steps are differences of doubles; ten steps of 0.1 s at 10 per second owe
// 9.999… births, which must still be ten.
constexpr double kCountEpsilon = 1e-9;
// The emitted count stops here, well inside its integer type.
constexpr double kMaxCount = 1e18;

} // namespace

bool EmitterNode::isEmitting() const
{
    return m_birthRate > 0.0 && (m_numToEmit <= 0 || m_emitted < std::uint64_t(m_numToEmit));
}

void EmitterNode::resetSimulation()
{
    m_particles.clear();
    m_owed = 0.0;
    m_emitted = 0;
}

void EmitterNode::simulate(double dt, Random& random)
{
    if (!(dt > 0.0) || isIdle())
        return;
    ageAndMove(float(dt));
    if (isEmitting())
        emitBirths(dt, random);
}

// Constant acceleration integrated exactly over the step, so paths do not depend on the
// frame rate. Dead particles are swapped with the last one: order is not kept.
void EmitterNode::ageAndMove(float dt)
{
    const float ax = float(m_xAcceleration);
    const float ay = float(m_yAcceleration);
    const float halfDt2 = 0.5f * dt * dt;
    const float dAlpha = float(m_alphaSpeed) * dt;
    const float dScale = float(m_scaleSpeed) * dt;
    const float dRotation = float(m_rotationSpeed) * dt;

    Particle* const data = m_particles.data();
    std::size_t count = m_particles.size();
    for (std::size_t i = 0; i < count;) {
        Particle& p = data[i];
        p.age += dt;
        if (p.age >= p.lifetime) {
            p = data[--count];
            continue;
        }
        p.x += p.vx * dt + ax * halfDt2;
        p.y += p.vy * dt + ay * halfDt2;
        p.vx += ax * dt;
        p.vy += ay * dt;
        p.alpha += dAlpha;
        p.scale += dScale;
        p.rotation += dRotation;
        ++i;
    }
    m_particles.resize(count);
}

// Births are spread over the step: the k-th one happened when the owed count crossed k,
// and it has aged since. A line of rain thus stays even at a low frame rate.
void EmitterNode::emitBirths(double dt, Random& random)
{
    const double before = m_owed;
    const double owed = before + m_birthRate * dt;
    if (!std::isfinite(owed)) {
        m_owed = 0.0;
        return;
    }
    double births = std::floor(owed + kCountEpsilon);
    m_owed = owed - births;
    if (m_numToEmit > 0)
        births = std::min(births, double(std::uint64_t(m_numToEmit) - m_emitted));
    if (!(births >= 1.0))
        return;
    m_emitted = std::uint64_t(std::min(double(m_emitted) + births, kMaxCount));

    // Births older than the longest possible life would die at once: count, don't make. The
    // loop starts at the first that may live and makes no more than the ceiling allows, so a
    // huge rate costs no more than a full emitter.
    const double oldestUseful = m_lifetime + std::abs(m_lifetimeRange) * 0.5;
    const double first = std::max(1.0, std::floor(before + (dt - oldestUseful) * m_birthRate));
    const double room = double(kMaxLiveParticles - std::min(m_particles.size(), kMaxLiveParticles));
    const auto tries = std::uint64_t(std::clamp(births - first + 1.0, 0.0, room));
    for (std::uint64_t n = 0; n < tries && m_particles.size() < kMaxLiveParticles; ++n) {
        const double age = dt - (first + double(n) - before) / m_birthRate;
        if (age < oldestUseful)
            spawn(random, float(std::max(0.0, age)));
    }
}

void EmitterNode::spawn(Random& random, float age)
{
    Particle p{};
    p.x = float(m_positionRange.width() * (random.unit() - 0.5));
    p.y = float(m_positionRange.height() * (random.unit() - 0.5));
    const double angle = random.around(m_emissionAngle, m_emissionAngleRange);
    const double speed = random.around(m_speed, m_speedRange);
    p.vx = float(speed * std::cos(angle));
    p.vy = float(speed * std::sin(angle));
    p.lifetime = float(random.around(m_lifetime, m_lifetimeRange));
    p.alpha = float(random.around(m_alpha, m_alphaRange));
    p.scale = float(random.around(m_scale, m_scaleRange));
    p.rotation = float(random.around(m_rotation, m_rotationRange));
    if (!(p.lifetime > age))
        return;

    // Catch up with the time since birth within this step.
    const float ax = float(m_xAcceleration);
    const float ay = float(m_yAcceleration);
    p.age = age;
    p.x += p.vx * age + 0.5f * ax * age * age;
    p.y += p.vy * age + 0.5f * ay * age * age;
    p.vx += ax * age;
    p.vy += ay * age;
    p.alpha += float(m_alphaSpeed) * age;
    p.scale += float(m_scaleSpeed) * age;
    p.rotation += float(m_rotationSpeed) * age;
    m_particles.push_back(p);
}

void EmitterNode::appendQuads(DrawList& list, const WorldState& world) const
{
    if (m_particles.empty() || !m_texture || m_texture->isPlaceholder())
        return;
    const float f = float(std::clamp(m_colorBlendFactor, 0.0, 1.0));
    const float red = 1.0f + (m_color.r - 1.0f) * f;
    const float green = 1.0f + (m_color.g - 1.0f) * f;
    const float blue = 1.0f + (m_color.b - 1.0f) * f;

    list.beginRun(world.z, m_blendMode, *m_texture);
    if (m_renderOrder == ParticleRenderOrder::DontCare) {
        for (const Particle& p : m_particles)
            appendParticle(list, world.transform, p, world.alpha, red, green, blue);
        return;
    }
    std::vector<std::uint32_t>& order = list.scratch();
    order.resize(m_particles.size());
    for (std::uint32_t i = 0; i < order.size(); ++i)
        order[i] = i;
    const bool oldestFirst = m_renderOrder == ParticleRenderOrder::OldestFirst;
    std::sort(order.begin(), order.end(), [&](std::uint32_t l, std::uint32_t r) {
        return oldestFirst ? m_particles[l].age > m_particles[r].age : m_particles[l].age < m_particles[r].age;
    });
    for (const std::uint32_t i : order)
        appendParticle(list, world.transform, m_particles[i], world.alpha, red, green, blue);
}

void EmitterNode::appendParticle(DrawList& list, const Affine& world, const Particle& p, float alpha, float red,
                                 float green, float blue) const
{
    const float a = std::min(p.alpha, 1.0f) * alpha;
    if (!(a > 0.0f) || !(p.scale > 0.0f))
        return;
    const double w = m_texture->size().width() * p.scale;
    const double h = m_texture->size().height() * p.scale;
    const double cs = std::cos(p.rotation);
    const double sn = std::sin(p.rotation);
    // Centred on the particle, rotated, scaled: the unit square's corners in emitter space.
    const Affine local{cs * w, sn * w, -sn * h, cs * h, p.x - 0.5 * (cs * w - sn * h), p.y - 0.5 * (sn * w + cs * h)};
    list.add(world * local, red, green, blue, a);
}

} // namespace tavik::sprite
