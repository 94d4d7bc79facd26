#pragma once
// Draws the particle pool (g_particles) as soft round point sprites with
// additive blending, in one upload and one draw call. Main thread only.
//
//   ParticleInit / ParticleShutdown   program, vertex array and buffer
//   ParticleRender(viewProjection)    draw the pool; restores the GL state
//                                     it touches
//   BuildParticleVertices             the streamed vertices (pure)

#include <vector>

#include "editor/legacy/scene/KorvaneMath.h"

struct Particle;

extern unsigned g_particleShader;
extern int g_particleMVP;
extern unsigned g_particleVAO;
extern unsigned g_particleVBO;

struct ParticleVertex {
    float pos[3];
    float color[4];
    float size;
};
static_assert(sizeof(ParticleVertex) == 32, "particle vertices are streamed with a 32-byte stride");

void ParticleInit();
void ParticleShutdown();
void ParticleRender(const Mat4& viewProjection);

// One vertex per drawable particle in pool order. Particles whose size is
// not above 0 or whose numbers are not finite are left out.
void BuildParticleVertices(const std::vector<Particle>& pool, std::vector<ParticleVertex>& out);
