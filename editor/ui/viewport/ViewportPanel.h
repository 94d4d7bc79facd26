#pragma once
// The "Viewport" window: header (view mode, play transport, resolution), the
// vertical tool strip, the scene image with mouse navigation, gizmo drags
// and picking ("##vpClick"), the orientation widget, the "VpCtx" creation
// menu, the "PROJ_FILE" drop target and the camera preview overlay.
//
//   ViewportPanel        the whole window, once per editor frame
//   ViewportToolbar      the tool strip (sets g_vpLeftMargin)
//   UpdateViewMatrix     advance the view transition, recompute matrices
//   CameraPreviewPanel   "##CameraPreviewOverlay" over the viewport
//
// The decisions behind the mouse handling are plain functions in
// EditorCamera.h, ViewportInput.h, Gizmo.h and Picking.h.

#include "imgui.h"

// Screen position of the scene image's top-left corner (the origin of
// viewport-local coordinates) as of the last ViewportPanel call.
extern ImVec2 g_vpImageMin;

void ViewportPanel();
void ViewportToolbar();
void UpdateViewMatrix();
// hostMin/hostMax: the viewport window's screen rectangle.
void CameraPreviewPanel(ImVec2 hostMin, ImVec2 hostMax);
