#pragma once
// The particle pool shared by every emitter of the scene, and its
// simulation. Headless (no GL): one step of play mode's tick; the drawing lives
// in editor/render/ParticleRender.
//
//   Particle, g_particles       the live pool (removal swaps with the last)
//   g_particleAccum             emission accumulator shared by all emitters
//   ParticleUpdateAll(dt)       spawn for every entity, then advance the pool
//   ParticleUpdateEmitter(e,dt) spawn one entity's particles for this frame
//   ParticleAdvance(dt)         age, jitter, drag, move, bounce, resize
//   SetParticleRandomSource     replace std::rand (tests); null restores it
//   SanitizeEmitter             emitter values clamped to the inspector ranges

#include <vector>

#include "editor/legacy/scene/Entity.h"

struct Particle {
    Vec3 position;
    Vec3 velocity;
    float lifetime = 1.0f;
    float age = 0.0f;
    float size = 0.0f;
    float startSize = 0.0f;
    float endSize = 0.0f;
    Vec4 color{1, 1, 1, 1};
    float gravity = 0.0f;
    float drag = 0.0f;
    float turbulence = 0.0f;
    bool collision = false;
};

extern std::vector<Particle> g_particles;
extern float g_particleAccum;

using ParticleRandFn = int (*)();
void SetParticleRandomSource(ParticleRandFn fn);

void ParticleUpdateAll(float dt);
void ParticleUpdateEmitter(Entity& e, float dt);
void ParticleAdvance(float dt);

// A copy whose numbers the simulation reads are finite and inside the
// inspector's ranges (scene files can hold anything).
ParticleEmitter SanitizeEmitter(const ParticleEmitter& em);
