#pragma once
// The loading sequence's window-side pieces: the GPU and icon steps it runs,
// the hooks it calls, what the main loop calls around it, and the release of
// the meshes and textures at shutdown.
//
//   InstallLoadingRuntime()          fill the step table's GPU/icon work and hooks (once per table)
//   AdvanceLoadingAfterPresent()     the loop's call after a presented frame
//   PreloadRuntimeSceneAssets()      request every texture (and model) the scene uses
//   ReleaseMeshAndTextureResources() stop the decode worker, delete meshes and textures

// Models are loaded by the imported-model cache once it exists; until then
// null and only textures are preloaded.
extern void (*g_preloadImportedModelHook)(const char* modelPath);

void InstallLoadingRuntime();
void AdvanceLoadingAfterPresent();
void PreloadRuntimeSceneAssets();
void ReleaseMeshAndTextureResources();
