#include "editor/render/Renderer.h"

#include "editor/render/ParticleRender.h"
#include "editor/render/Programs.h"
#include "editor/render/RenderTargets.h"
#include "editor/render/ScenePasses.h"
#include "editor/render/ShadowMap.h"

void InitRenderTargetsForLoading(bool editor) {
    if (editor) {
        if (!g_vpFBO) InitViewportFBO();
        if (!g_pvFBO) InitPreviewFBO();
    }
    InitShadowFBO();
}

void RenderGameFrame() {
    RenderShadowPass();
    RenderGameDirect();
}

void CleanupRenderResources() {
    DeleteRenderTargets();
    DeleteShadowFBO();
    ParticleShutdown();
    DeleteScenePrograms();
    DeleteDefaultPBRTextures();
}
