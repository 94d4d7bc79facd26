#include "editor/ui/viewport/ViewportRender.h"

#include "editor/legacy/scene/EntityStore.h"
#include "editor/render/GL.h"
#include "editor/render/LitPass.h"
#include "editor/render/Meshes.h"
#include "editor/render/ParticleRender.h"
#include "editor/render/Programs.h"
#include "editor/render/RenderTargets.h"
#include "editor/render/ScenePasses.h"
#include "editor/render/ShadowMap.h"
#include "editor/ui/viewport/EditorCamera.h"
#include "editor/ui/common/EditorHooks.h"
#include "editor/ui/viewport/Gizmo.h"

namespace {

void DrawGeo(const ShapeGeo& geo, unsigned mode) {
    if (!geo.vao || geo.count <= 0) return;
    glBindVertexArray(geo.vao);
    glDrawArrays(mode, 0, geo.count);
}

} // namespace

void DrawGizmo(const Entity& selected) {
    if (g_gizmoMode < 0 || g_gizmoMode > 2 || !g_shader) return;
    const ShapeGeo* meshes = g_gizmoMode == kGizmoMove     ? g_gizmoArrow
                             : g_gizmoMode == kGizmoRotate ? g_gizmoRing
                                                           : g_gizmoScaleCube;
    const Mat4 model = GizmoModelMatrix(selected);
    glDisable(GL_DEPTH_TEST);
    SetMVP(m_mul(g_vpMat, model));
    SetModelLit(model, false, nullptr);
    for (int i = 0; i < 3; ++i)
        if (i != g_gizmoAxis) DrawGeo(meshes[i], GL_TRIANGLES);
    if (g_gizmoAxis >= 0 && g_gizmoAxis < 3) {
        // The dragged handle adds onto what lies behind it: brighter.
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE);
        DrawGeo(meshes[g_gizmoAxis], GL_TRIANGLES);
        glDisable(GL_BLEND);
    }
    glEnable(GL_DEPTH_TEST);
}

void RenderViewport3D() {
    if (!g_vpFBO) return;
    RenderShadowPass();
    if (BeginLitPass(g_vpFBO, g_vpW, g_vpH, g_camEye, g_vpMat)) {
        if (g_showGrid) {
            glEnable(GL_BLEND);
            glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
            DrawGeo(g_gridGeo, GL_LINES);
            glDisable(GL_BLEND);
        }
        SetLineWidth(2.0f);
        DrawGeo(g_axisGeo, GL_LINES);
        SetLineWidth(1.0f);

        const int mode = g_viewMode;
        for (const Entity& e : g_ents) {
            if (!e.enabled || !e.hasMesh || !e.mesh.visible) continue;
            const Mat4 model = EntityModelMatrix(e);
            const Mat4 mvp = m_mul(g_vpMat, model);
            if (mode != 1) DrawMeshRendererLit(e.mesh, model, mvp, e.hasMaterial ? &e.material : nullptr);
            if (mode == 1 || mode == 2) {
                glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
                SetLineWidth(mode == 2 ? 1.25f : 1.0f);
                DrawMeshRendererUnlit(e.mesh, model, mvp);
                SetLineWidth(1.0f);
                glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
            }
            if (e.id == g_selId && mode != 1) {
                glEnable(GL_BLEND);
                glBlendFunc(GL_SRC_ALPHA, GL_ONE);
                glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
                SetLineWidth(3.0f);
                DrawMeshRendererUnlit(e.mesh, model, mvp);
                SetLineWidth(1.0f);
                glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
                glDisable(GL_BLEND);
            }
        }
        if (g_gizmoMode >= 0) {
            if (const Entity* sel = GetEnt(g_selId)) DrawGizmo(*sel);
        }
        ParticleRender(g_vpMat);
        if (g_editorHooks.renderCanvases) g_editorHooks.renderCanvases(g_vpMat.m);
    }
    EndLitPass();
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}
