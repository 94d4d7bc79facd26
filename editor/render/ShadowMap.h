#pragma once
// The directional shadow map: one 2048x2048 depth texture rendered from the
// first enabled directional light around the editor camera's orbit centre,
// sampled by the lit program on texture unit 1. Main thread only.
//
//   InitShadowFBO / DeleteShadowFBO   create (cleared to depth 1) / free
//   RenderShadowPass                  draw the casters, update g_shadowMat
//   DrawMeshRendererShadow            one renderer's geometry, current program
//   BindShadowMapForLitPass           unit 1 + uShadowMVP for a lit pass

#include "editor/legacy/scene/Entity.h"

constexpr int kShadowMapSize = 2048;

extern unsigned g_shadowFBO;
extern unsigned g_shadowTex;
extern Mat4 g_shadowMat;  // light view-projection of the last shadow pass

// The editor camera's orbit centre, which the shadow box follows. The
// viewport's camera moves it; it starts at (0, 1, 0).
extern Vec3 g_camTarg;

void InitShadowFBO();
void DeleteShadowFBO();
void RenderShadowPass();
void DrawMeshRendererShadow(const MeshRenderer& mr);

// Binds the shadow map (or, before one exists, a 1x1 map that reads "lit")
// on unit 1 with the lit program's sampler, and uploads g_shadowMat. The lit
// program must be in use.
void BindShadowMapForLitPass();
