#include "editor/legacy/play/Particles.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "editor/legacy/scene/EntityStore.h"

std::vector<Particle> g_particles;
float g_particleAccum = 0.0f;

namespace {

ParticleRandFn s_rand = &std::rand;

int Draw(int mod) {
    return int(unsigned(s_rand()) % unsigned(mod));
}

float Fit(float v, float lo, float hi, float fallback) {
    if (!std::isfinite(v)) return fallback;
    return std::clamp(v, lo, hi);
}

int FitInt(int32_t v, int lo, int hi) { return std::clamp(int(v), lo, hi); }

float Unit(float v, float fallback) { return std::isfinite(v) ? v : fallback; }

constexpr float kPiApprox = 3.14159f;  // the emission cone's own constant

Particle NewParticle(const ParticleEmitter& em, const Vec3& origin, const Vec3& velocity) {
    Particle p;
    p.position = origin;
    p.velocity = velocity;
    p.lifetime = em.lifetime;
    p.age = 0.0f;
    float sizeFactor = 1.0f + (float(Draw(1000)) / 500.0f - 1.0f) * em.sizeRandomness;
    p.size = p.startSize = em.startSize * sizeFactor;
    p.endSize = em.endSize;
    p.color = em.startColor;
    p.gravity = em.gravity;
    p.drag = em.drag;
    p.turbulence = em.turbulence;
    p.collision = em.collision;
    return p;
}

Vec3 SafeOrigin(const Vec3& p) {
    // A non-finite position would poison every particle it spawns and the
    // shared vertex buffer; such an emitter spawns at the origin instead.
    if (std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z)) return p;
    return Vec3(0, 0, 0);
}

} // namespace

void SetParticleRandomSource(ParticleRandFn fn) { s_rand = fn ? fn : &std::rand; }

ParticleEmitter SanitizeEmitter(const ParticleEmitter& in) {
    const ParticleEmitter def;
    ParticleEmitter em = in;
    em.rate = Fit(in.rate, 1.0f, 500.0f, def.rate);
    em.lifetime = Fit(in.lifetime, 0.1f, 20.0f, def.lifetime);
    em.speed = Fit(in.speed, 0.0f, 100.0f, def.speed);
    em.startSize = Fit(in.startSize, 0.001f, 5.0f, def.startSize);
    em.endSize = Fit(in.endSize, 0.0f, 5.0f, def.endSize);
    em.gravity = Fit(in.gravity, -50.0f, 50.0f, def.gravity);
    em.maxParticles = FitInt(in.maxParticles, 1, 10000);
    em.coneAngle = Fit(in.coneAngle, 0.0f, 180.0f, def.coneAngle);
    em.burstCount = FitInt(in.burstCount, 0, 10000);
    em.turbulence = Fit(in.turbulence, 0.0f, 25.0f, def.turbulence);
    em.drag = Fit(in.drag, 0.0f, 25.0f, def.drag);
    em.sizeRandomness = Fit(in.sizeRandomness, 0.0f, 2.0f, def.sizeRandomness);
    em.startColor = Vec4(Unit(in.startColor.x, 1), Unit(in.startColor.y, 1), Unit(in.startColor.z, 1),
                         Unit(in.startColor.w, 1));
    return em;
}

void ParticleUpdateEmitter(Entity& e, float dt) {
    if (!e.hasParticles || !e.enabled || !e.emitter.playing) return;
    if (!(dt > 0.0f) || !std::isfinite(dt)) return;
    const ParticleEmitter em = SanitizeEmitter(e.emitter);
    const Vec3 origin = SafeOrigin(e.transform.position);
    const size_t maxCount = size_t(em.maxParticles);
    auto room = [&]() -> size_t { return g_particles.size() < maxCount ? maxCount - g_particles.size() : 0; };

    if (!std::isfinite(g_particleAccum)) g_particleAccum = 0.0f;
    g_particleAccum += em.rate * dt;
    if (!std::isfinite(g_particleAccum)) g_particleAccum = 0.0f;
    // The whole backlog is consumed even when the pool cannot take it, so a
    // long frame does not turn into a flood of spawns later; and never more
    // is spawned than fits under the maximum.
    const float whole = std::floor(g_particleAccum);
    g_particleAccum -= whole;
    size_t n = whole >= float(maxCount) ? maxCount : size_t(whole);
    n = std::min(n, room());

    const float coneRad = em.coneAngle * kPiApprox / 180.0f;
    for (size_t i = 0; i < n; ++i) {
        float a = float(Draw(360)) * kPiApprox / 180.0f;
        float b = coneRad * (float(Draw(100)) / 100.0f);
        Vec3 v(std::cos(a) * std::sin(b) * em.speed, std::cos(b) * em.speed, std::sin(a) * std::sin(b) * em.speed);
        g_particles.push_back(NewParticle(em, origin, v));
    }

    if (e.emitter.burstPending) {
        e.emitter.burstPending = false;
        size_t burst = std::min(size_t(em.burstCount), room());
        for (size_t i = 0; i < burst; ++i) {
            float vx = (float(Draw(100)) - 50.0f) * 0.02f * em.speed;
            float vy = 0.8f * em.speed + float(Draw(100)) * 0.01f * em.speed;
            float vz = (float(Draw(100)) - 50.0f) * 0.02f * em.speed;
            g_particles.push_back(NewParticle(em, origin, Vec3(vx, vy, vz)));
        }
    }
}

void ParticleAdvance(float dt) {
    size_t i = 0;
    while (i < g_particles.size()) {
        Particle& p = g_particles[i];
        p.age += dt;
        if (!(p.age < p.lifetime)) {
            // Swap-remove keeps removal O(1); the moved particle is advanced
            // in this same slot next.
            p = g_particles.back();
            g_particles.pop_back();
            continue;
        }
        const float t = p.turbulence * dt;
        p.velocity.x += (float(Draw(100)) - 50.0f) * 0.01f * t;
        p.velocity.y += p.gravity * dt + (float(Draw(100)) - 50.0f) * 0.01f * t;
        p.velocity.z += (float(Draw(100)) - 50.0f) * 0.01f * t;
        p.velocity = p.velocity * (1.0f / (1.0f + p.drag * dt));
        p.position = p.position + p.velocity * dt;
        if (p.collision && p.position.y < 0.0f) {
            p.position.y = 0.0f;
            p.velocity.y = std::fabs(p.velocity.y) * 0.22f;
            p.velocity.x *= 0.58f;
            p.velocity.z *= 0.58f;
        }
        p.size = p.startSize + (p.endSize - p.startSize) * p.age / p.lifetime;
        ++i;
    }
}

void ParticleUpdateAll(float dt) {
    if (!(dt > 0.0f) || !std::isfinite(dt)) return;
    for (size_t i = 0; i < g_ents.size(); ++i) ParticleUpdateEmitter(g_ents[i], dt);
    ParticleAdvance(dt);
}
