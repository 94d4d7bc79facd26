#include "editor/render/ScenePasses.h"

#include "editor/legacy/scene/EntityStore.h"
#include "editor/render/GL.h"
#include "editor/render/LitPass.h"
#include "editor/render/Meshes.h"
#include "editor/render/ParticleRender.h"
#include "editor/render/Programs.h"
#include "editor/render/RenderMath.h"
#include "editor/render/RenderTargets.h"
#include "editor/render/ShadowMap.h"

namespace {

void DrawLines(const ShapeGeo& geo) {
    if (!geo.vao || geo.count <= 0) return;
    glBindVertexArray(geo.vao);
    glDrawArrays(GL_LINES, 0, geo.count);
}

const Material* MaterialOf(const Entity& e) { return e.hasMaterial ? &e.material : nullptr; }

} // namespace

bool BeginLitPass(unsigned fbo, int w, int h, const Vec3& eye, const Mat4& viewProj) {
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    glViewport(0, 0, w, h);
    const LightingEnv env = CurrentLightingEnv();
    glClearColor(env.skyHorizon.x * 0.2f, env.skyHorizon.y * 0.2f, env.skyHorizon.z * 0.24f, 1.0f);
    glDepthMask(GL_TRUE);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
    if (!g_shader) return false;
    glUseProgram(g_shader);
    BeginLitPassState();
    UploadLighting(eye);
    // Every lit pass binds the shadow map itself; relying on the last pass
    // that did would sample whatever another panel left on unit 1.
    BindShadowMapForLitPass();
    SetMVP(viewProj);
    SetModelLit(Mat4(), false, nullptr);
    return true;
}

void EndLitPass() {
    EndLitPassState();
    glBindVertexArray(0);
    glUseProgram(0);
    glDisable(GL_DEPTH_TEST);
}

void RenderCameraSceneToFBO(int cameraId, unsigned fbo, int w, int h) {
    const Entity* cam = GetEnt(cameraId);
    if (!cam || !cam->hasCamera || !fbo) return;
    const CameraView view = CameraEntityView(*cam, w, h);
    if (!view.ok) return;

    if (BeginLitPass(fbo, w, h, view.eye, view.viewProj)) {
        if (g_showGrid) {
            glEnable(GL_BLEND);
            glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
            DrawLines(g_gridGeo);
            glDisable(GL_BLEND);
        }
        SetLineWidth(2.0f);
        DrawLines(g_axisGeo);
        SetLineWidth(1.0f);

        // The camera preview shows hidden meshes too (only the game hides them).
        for (const Entity& e : g_ents) {
            if (!e.enabled || !e.hasMesh) continue;
            const Mat4 model = EntityModelMatrix(e);
            DrawMeshRendererLit(e.mesh, model, m_mul(view.viewProj, model), MaterialOf(e));
        }
    }
    EndLitPass();
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

void RenderPreviewFBO(int cameraId) { RenderCameraSceneToFBO(cameraId, g_pvFBO, g_pvW, g_pvH); }

void RenderGameDirect() {
    int w = 0, h = 0;
    GLFWwindow* window = glfwGetCurrentContext();
    if (window) glfwGetFramebufferSize(window, &w, &h);
    // A minimised window has no pixels to draw.
    const CameraView view = GameDirectView(g_ents, w, h);
    if (!view.ok) return;

    if (BeginLitPass(0, w, h, view.eye, view.viewProj)) {
        for (const Entity& e : g_ents) {
            if (!e.enabled || !e.hasMesh || !e.mesh.visible) continue;
            const Mat4 model = EntityModelMatrix(e);
            DrawMeshRendererLit(e.mesh, model, m_mul(view.viewProj, model), MaterialOf(e));
        }
        ParticleRender(view.viewProj);
    }
    EndLitPass();
}
