#pragma once
// GLSL 150 sources of the scene programs, embedded as text.
//
//   g_vert, g_frag              lit forward program (also draws unlit lines, uLit = 0)
//   g_shadowVert, g_shadowFrag  depth-only program of the shadow map
//   g_particleVert, g_particleFrag  point-sprite program of the particle pool
//
// The lit fragment stage is mirrored by ShadingModel.h on the CPU; change
// both together.

extern const char* const g_vert;
extern const char* const g_frag;
extern const char* const g_shadowVert;
extern const char* const g_shadowFrag;
extern const char* const g_particleVert;
extern const char* const g_particleFrag;

// Largest number of lights the lit program takes (uLight* array length).
constexpr int MAX_LIGHTS = 32;
