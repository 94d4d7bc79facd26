// The particle pool and its simulation with a fixed random source: spawn
// counts over frames (including the shared accumulator), pool limits,
// bursts, the cone, bouncing on the ground, size over life, and the clamps
// that keep numbers from a scene file in range.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "editor/legacy/scene/EntityStore.h"
#include "editor/legacy/play/Particles.h"

namespace {

int g_fixedDraw = 0;
int FixedRand() { return g_fixedDraw; }

class ParticleSim : public ::testing::Test {
protected:
    void SetUp() override {
        g_ents.clear();
        RebuildEntityIndex();
        g_particles.clear();
        g_particleAccum = 0.0f;
        g_fixedDraw = 0;
        SetParticleRandomSource(&FixedRand);
    }
    void TearDown() override {
        SetParticleRandomSource(nullptr);
        g_particles.clear();
        g_particleAccum = 0.0f;
        g_ents.clear();
        RebuildEntityIndex();
    }
    int AddEmitter(float rate, int maxParticles = 500) {
        Entity* e = AddEnt("Emitter", -1);
        e->hasParticles = true;
        e->emitter.rate = rate;
        e->emitter.maxParticles = maxParticles;
        return e->id;
    }
    static Particle Still(float y, Vec3 v) {
        Particle p;
        p.position = Vec3(0, y, 0);
        p.velocity = v;
        p.lifetime = 10.0f;
        p.startSize = p.size = p.endSize = 1.0f;
        return p;
    }
};

TEST_F(ParticleSim, SpawnCountsOverFrames) {
    struct Case {
        const char* what;
        float rate;
        int frames;
        size_t expected;
    };
    const Case cases[] = {
        {"rate 20 at 60 fps: one particle every third frame", 20.0f, 3, 1},
        {"rate 20 at 60 fps: nothing in the first two frames", 20.0f, 2, 0},
        {"rate 20 at 60 fps: one per third frame over a second", 20.0f, 60, 20},
        {"rate 120 at 60 fps: two per frame", 120.0f, 5, 10},
    };
    for (const Case& c : cases) {
        SetUp();
        AddEmitter(c.rate);
        for (int i = 0; i < c.frames; ++i) ParticleUpdateAll(1.0f / 60.0f);
        EXPECT_EQ(g_particles.size(), c.expected) << c.what;
    }
}

TEST_F(ParticleSim, SharedAccumulatorFavoursTheLaterEmitter) {
    const int a = AddEmitter(30.0f);
    const int b = AddEmitter(30.0f);
    GetEnt(a)->transform.position = Vec3(-5, 0, 0);
    GetEnt(b)->transform.position = Vec3(5, 0, 0);
    for (int i = 0; i < 6; ++i) ParticleUpdateAll(1.0f / 60.0f);
    ASSERT_EQ(g_particles.size(), 6u);
    for (const Particle& p : g_particles) EXPECT_GT(p.position.x, 4.0f);
}

TEST_F(ParticleSim, DtZeroOrNegativeChangesNothing) {
    AddEmitter(500.0f);
    g_particleAccum = 0.25f;
    ParticleUpdateAll(0.0f);
    ParticleUpdateAll(-1.0f);
    ParticleUpdateAll(std::numeric_limits<float>::quiet_NaN());
    EXPECT_TRUE(g_particles.empty());
    EXPECT_FLOAT_EQ(g_particleAccum, 0.25f);
}

TEST_F(ParticleSim, PoolLimitCountsEveryEmittersParticles) {
    for (int i = 0; i < 10; ++i) g_particles.push_back(Still(5, Vec3(0, 0, 0)));
    AddEmitter(500.0f, 10);
    ParticleUpdateEmitter(g_ents.back(), 0.1f);
    EXPECT_EQ(g_particles.size(), 10u);
}

TEST_F(ParticleSim, OneFrameNeverSpawnsMoreThanTheFreeRoom) {
    AddEmitter(500.0f, 40);
    ParticleUpdateEmitter(g_ents.back(), 1000.0f);  // a stalled frame
    EXPECT_EQ(g_particles.size(), 40u);
    // The backlog is dropped, not carried into later frames.
    EXPECT_GE(g_particleAccum, 0.0f);
    EXPECT_LT(g_particleAccum, 1.0f);
}

TEST_F(ParticleSim, NonFiniteAccumulatorResets) {
    AddEmitter(60.0f);
    g_particleAccum = std::numeric_limits<float>::infinity();
    ParticleUpdateEmitter(g_ents.back(), 1.0f / 60.0f);
    EXPECT_EQ(g_particles.size(), 1u);
    g_particleAccum = std::numeric_limits<float>::quiet_NaN();
    ParticleUpdateEmitter(g_ents.back(), 1.0f / 60.0f);
    EXPECT_EQ(g_particles.size(), 2u);
    EXPECT_TRUE(std::isfinite(g_particleAccum));
}

TEST_F(ParticleSim, DisabledOrStoppedEmittersSpawnButOldParticlesMove) {
    Entity* e = GetEnt(AddEmitter(500.0f));
    e->enabled = false;
    g_particles.push_back(Still(5, Vec3(1, 0, 0)));
    ParticleUpdateAll(0.1f);
    ASSERT_EQ(g_particles.size(), 1u);
    EXPECT_GT(g_particles[0].position.x, 0.05f);
    e = GetEnt(e->id);
    e->enabled = true;
    e->emitter.playing = false;
    ParticleUpdateAll(0.1f);
    EXPECT_EQ(g_particles.size(), 1u);
}

TEST_F(ParticleSim, BurstSpawnsOnceWithinThePoolLimit) {
    Entity* e = GetEnt(AddEmitter(1.0f, 20));
    e->emitter.burstPending = true;
    e->emitter.burstCount = 30;
    e->emitter.speed = 2.0f;
    g_fixedDraw = 50;  // centred x and z, y = 0.8 * speed + 0.5 * speed
    ParticleUpdateEmitter(*e, 0.01f);
    EXPECT_FALSE(e->emitter.burstPending);
    ASSERT_EQ(g_particles.size(), 20u);
    EXPECT_FLOAT_EQ(g_particles[0].velocity.x, 0.0f);
    EXPECT_FLOAT_EQ(g_particles[0].velocity.y, 2.6f);
    ParticleUpdateEmitter(*e, 0.01f);
    EXPECT_EQ(g_particles.size(), 20u);
}

TEST_F(ParticleSim, ConeDirections) {
    struct Case {
        const char* what;
        float cone;
        int draw;
        Vec3 expected;
    };
    // draw d: azimuth d mod 360 degrees, polar cone * (d mod 100) / 100.
    const Case cases[] = {
        {"cone 0 goes straight up", 0.0f, 37, Vec3(0, 3, 0)},
        {"cone 90 at half the polar range, azimuth 50", 90.0f, 50,
         Vec3(3 * std::cos(50 * 3.14159f / 180) * std::sin(45 * 3.14159f / 180), 3 * std::cos(45 * 3.14159f / 180),
              3 * std::sin(50 * 3.14159f / 180) * std::sin(45 * 3.14159f / 180))},
        {"cone 180 stops short of straight down", 180.0f, 99,
         Vec3(3 * std::cos(99 * 3.14159f / 180) * std::sin(0.99f * 3.14159f),
              3 * std::cos(0.99f * 3.14159f), 3 * std::sin(99 * 3.14159f / 180) * std::sin(0.99f * 3.14159f))},
    };
    for (const Case& c : cases) {
        SetUp();
        Entity* e = GetEnt(AddEmitter(60.0f));
        e->emitter.coneAngle = c.cone;
        g_fixedDraw = c.draw;
        ParticleUpdateEmitter(*e, 1.0f / 60.0f);
        ASSERT_EQ(g_particles.size(), 1u) << c.what;
        EXPECT_NEAR(g_particles[0].velocity.x, c.expected.x, 1e-4) << c.what;
        EXPECT_NEAR(g_particles[0].velocity.y, c.expected.y, 1e-4) << c.what;
        EXPECT_NEAR(g_particles[0].velocity.z, c.expected.z, 1e-4) << c.what;
    }
}

TEST_F(ParticleSim, SpawnCopiesEmitterValuesAndRandomisesSize) {
    Entity* e = GetEnt(AddEmitter(60.0f));
    e->transform.position = Vec3(1, 2, 3);
    e->emitter.startSize = 0.2f;
    e->emitter.sizeRandomness = 0.5f;
    e->emitter.startColor = Vec4(1, 0.5f, 0.25f, 1);
    e->emitter.gravity = -9.8f;
    e->emitter.collision = true;
    g_fixedDraw = 750;  // size factor 1 + (750/500 - 1) * 0.5 = 1.25
    ParticleUpdateEmitter(*e, 1.0f / 60.0f);
    ASSERT_EQ(g_particles.size(), 1u);
    const Particle& p = g_particles[0];
    EXPECT_FLOAT_EQ(p.position.y, 2.0f);
    EXPECT_FLOAT_EQ(p.startSize, 0.25f);
    EXPECT_FLOAT_EQ(p.size, 0.25f);
    EXPECT_FLOAT_EQ(p.endSize, 0.02f);
    EXPECT_FLOAT_EQ(p.color.y, 0.5f);
    EXPECT_FLOAT_EQ(p.gravity, -9.8f);
    EXPECT_TRUE(p.collision);
}

TEST_F(ParticleSim, AdvanceStep) {
    struct Case {
        const char* what;
        Particle p;
        float dt;
        Vec3 pos, vel;
    };
    Particle bounce = Still(0.05f, Vec3(1, -5, 0));
    bounce.collision = true;
    Particle fall = Still(10, Vec3(0, 0, 0));
    fall.gravity = -9.8f;
    Particle rise = fall;
    rise.gravity = 9.8f;
    Particle dragged = Still(10, Vec3(2, 0, 0));
    dragged.drag = 1.0f;
    Particle noCollision = Still(0.05f, Vec3(1, -5, 0));
    const Case cases[] = {
        {"crossing the ground bounces", bounce, 0.1f, Vec3(0.1f, 0, 0), Vec3(0.58f, 1.1f, 0)},
        {"negative gravity falls", fall, 0.5f, Vec3(0, 10 - 4.9f * 0.5f, 0), Vec3(0, -4.9f, 0)},
        {"positive gravity rises", rise, 0.5f, Vec3(0, 10 + 4.9f * 0.5f, 0), Vec3(0, 4.9f, 0)},
        {"drag damps by 1 / (1 + drag dt)", dragged, 1.0f, Vec3(1, 10, 0), Vec3(1, 0, 0)},
        {"without collision it passes the ground", noCollision, 0.1f, Vec3(0.1f, -0.45f, 0), Vec3(1, -5, 0)},
    };
    for (const Case& c : cases) {
        g_particles = {c.p};
        g_fixedDraw = 50;  // no jitter
        ParticleAdvance(c.dt);
        ASSERT_EQ(g_particles.size(), 1u) << c.what;
        const Particle& p = g_particles[0];
        EXPECT_NEAR(p.position.x, c.pos.x, 1e-5) << c.what;
        EXPECT_NEAR(p.position.y, c.pos.y, 1e-5) << c.what;
        EXPECT_NEAR(p.velocity.x, c.vel.x, 1e-5) << c.what;
        EXPECT_NEAR(p.velocity.y, c.vel.y, 1e-5) << c.what;
    }
}

TEST_F(ParticleSim, SizeFollowsAgeAndDeadParticlesAreSwappedOut) {
    Particle a = Still(5, Vec3(0, 0, 0));
    a.lifetime = 1.0f;
    a.startSize = 1.0f;
    a.endSize = 0.0f;
    Particle dying = a;
    dying.age = 0.95f;
    dying.position.x = -1;
    Particle last = a;
    last.position.x = 7;
    g_particles = {dying, a, last};
    ParticleAdvance(0.25f);
    ASSERT_EQ(g_particles.size(), 2u);
    // The last particle took the dead one's slot and was advanced once.
    EXPECT_FLOAT_EQ(g_particles[0].position.x, 7.0f);
    EXPECT_FLOAT_EQ(g_particles[0].age, 0.25f);
    EXPECT_FLOAT_EQ(g_particles[0].size, 0.75f);
    EXPECT_FLOAT_EQ(g_particles[1].age, 0.25f);
}

TEST_F(ParticleSim, SceneNumbersAreClampedAtUse) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    ParticleEmitter em;
    em.rate = 1e9f;
    em.maxParticles = 1000000;
    em.lifetime = nan;
    em.drag = -4.0f;
    em.speed = inf;
    em.startSize = 0.0f;
    em.sizeRandomness = 100.0f;
    em.burstCount = -5;
    em.coneAngle = 720.0f;
    const ParticleEmitter s = SanitizeEmitter(em);
    EXPECT_FLOAT_EQ(s.rate, 500.0f);
    EXPECT_EQ(s.maxParticles, 10000);
    EXPECT_FLOAT_EQ(s.lifetime, 2.0f);
    EXPECT_FLOAT_EQ(s.drag, 0.0f);
    EXPECT_FLOAT_EQ(s.speed, 3.0f);
    EXPECT_FLOAT_EQ(s.startSize, 0.001f);
    EXPECT_FLOAT_EQ(s.sizeRandomness, 2.0f);
    EXPECT_EQ(s.burstCount, 0);
    EXPECT_FLOAT_EQ(s.coneAngle, 180.0f);

    // In the simulation: a huge rate and maximum cannot flood the pool, and
    // every spawned number is finite.
    Entity* e = GetEnt(AddEmitter(1e9f, 1000000));
    e->emitter.lifetime = nan;
    ParticleUpdateEmitter(*e, 1.0f);
    EXPECT_EQ(g_particles.size(), 500u);
    for (const Particle& p : g_particles) {
        EXPECT_FLOAT_EQ(p.lifetime, 2.0f);
        EXPECT_TRUE(std::isfinite(p.velocity.y));
    }
}

} // namespace
