#pragma once
// Scene passes drawn with the lit program: a camera entity's view into an
// off-screen target (camera preview, preview panel) and the built game's
// full-window view. Main thread only.
//
//   RenderCameraSceneToFBO(cameraId, fbo, w, h)   grid, axes and meshes
//   RenderPreviewFBO(cameraId)                    the same into the preview target
//   RenderGameDirect()                            built game: meshes + particles
//   BeginLitPass                                  the common set-up of a lit pass
//
// A zero-sized target or window, a missing camera or a degenerate camera
// skips the pass; program 0 (failed link) clears the target and draws nothing.

#include "editor/legacy/scene/Entity.h"

void RenderCameraSceneToFBO(int cameraId, unsigned fbo, int w, int h);
void RenderPreviewFBO(int cameraId);
void RenderGameDirect();

// Binds fbo, sets the viewport, clears to the sky-tinted colour, enables
// depth testing and, when the lit program exists, uses it and uploads the
// lighting, shadow map, matrix and the unlit identity model. Returns false
// when there is no lit program (nothing should be drawn).
bool BeginLitPass(unsigned fbo, int w, int h, const Vec3& eye, const Mat4& viewProj);
void EndLitPass();
