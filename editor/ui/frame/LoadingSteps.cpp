#include "editor/ui/frame/LoadingSteps.h"

#include "editor/assets/EditorIcons.h"
#include "editor/assets/gltf/ImportedModelCache.h"
#include "editor/assets/Textures.h"
#include "editor/legacy/base/AppState.h"
#include "editor/legacy/scene/EntityStore.h"
#include "editor/legacy/shell/LoadingSequence.h"
#include "editor/render/Meshes.h"
#include "editor/render/ParticleRender.h"
#include "editor/render/Renderer.h"
#include "editor/ui/frame/EditorFrame.h"
#include "editor/ui/common/LockIconButton.h"

void (*g_preloadImportedModelHook)(const char* modelPath) = nullptr;

namespace {

bool BuildMeshesStep() {
    InitShapes();
    return true;
}

// Viewport and preview targets in the editor, the shadow map in both modes.
bool FramebuffersStep() {
    InitRenderTargetsForLoading(!g_gameBuild);
    return true;
}

bool ParticlesStep() {
    ParticleInit();
    return true;
}

// Repeats until every icon has arrived or the time limit gave up on the rest.
bool EditorIconsStep() {
    if (g_gameBuild) return true;
    TickLazyEditorIcons(64);
    return g_lazyIconsDone;
}

}  // namespace

void InstallLoadingRuntime() {
    // Installed once per table: ResetLoadingSteps (tests) empties it again,
    // and steps replaced after installing are left alone.
    if (g_loadingSteps[1].work) return;
    g_loadingSteps[1].work = BuildMeshesStep;
    // The padlock's globals live with its button; the icon table loads them.
    SetExtraEditorIcon(35, &g_icoLockClosed, "icons/lock_closed.png");
    SetExtraEditorIcon(36, &g_icoLockOpen, "icons/lock_open.png");
    g_loadingSteps[2].work = FramebuffersStep;
    g_loadingSteps[6].work = ParticlesStep;
    g_loadingSteps[7].work = EditorIconsStep;
    g_loadingHooks.resetEditorLayout = ResetEditorLayoutForProjectSwitch;
    g_loadingHooks.prewarmLoaderArtwork = PrewarmLoaderArtwork;
    g_loadingHooks.preloadSceneAssets = PreloadRuntimeSceneAssets;
}

void AdvanceLoadingAfterPresent() {
    if (g_state == 1 && g_loaderFrameRenderedThisFrame) AdvanceLoadingWork();
    g_loaderFrameRenderedThisFrame = false;
}

void PreloadRuntimeSceneAssets() {
    for (const Entity& e : g_ents) {
        if (!e.enabled) continue;
        if (e.hasMesh && e.mesh.shape == 6 && e.mesh.modelPath[0] && g_preloadImportedModelHook) {
            g_preloadImportedModelHook(e.mesh.modelPath);
        }
        if (!e.hasMaterial) continue;
        const Material& m = e.material;
        const struct {
            const char* path;
            bool srgb;
        } textures[] = {{m.albedoTexture, true},   {m.emissiveTexture, true},
                        {m.normalTexture, false},  {m.metallicRoughnessTexture, false},
                        {m.aoTexture, false},      {m.heightTexture, false}};
        for (const auto& t : textures) {
            if (t.path[0]) GetTextureFileForRender(t.path, t.srgb);
        }
    }
}

void ReleaseMeshAndTextureResources() {
    ShutdownFastTextureLoader();
    DestroyShapes();
    ReleaseImportedModels();
    ReleaseTextureCaches();
}
