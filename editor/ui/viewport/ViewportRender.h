#pragma once
// The editor viewport's 3D pass into its off-screen target: shadow pass,
// grid, axes, entities in the current view mode with the selection outline,
// the gizmo handles, particles and canvases. Main thread, GL context current.
//
//   RenderViewport3D   the whole pass (uses g_vpMat, g_camEye, g_vpFBO)
//   DrawGizmo          the selected entity's handles (depth test off)

struct Entity;

void RenderViewport3D();
void DrawGizmo(const Entity& selected);
