#pragma once
// Where the renderer meets the application's lifecycle. Main thread only,
// with the GL context current.
//
//   start-up (after the UI back end):  InitScenePrograms()        Programs.h
//   loading, after InitShapes:         InitRenderTargetsForLoading(editor)
//   loading, particle step:            ParticleInit()             ParticleRender.h
//   built game, every frame:           RenderGameFrame()  (shadow pass, then
//                                      the full-window game pass)
//   GL clean-up at exit:               CleanupRenderResources()

// The viewport and preview targets (editor only), then the shadow map.
void InitRenderTargetsForLoading(bool editor);

// RenderShadowPass() followed by RenderGameDirect().
void RenderGameFrame();

// Deletes every target, the shadow map, the programs, the fallback textures
// and the particle resources, zeroing their names. Safe to call twice.
void CleanupRenderResources();
