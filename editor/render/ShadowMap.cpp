#include "editor/render/ShadowMap.h"

#include "editor/legacy/scene/EntityStore.h"
#include "editor/render/GL.h"
#include "editor/render/LitPass.h"
#include "editor/render/Meshes.h"
#include "editor/render/Programs.h"
#include "editor/render/RenderTargets.h"

unsigned g_shadowFBO = 0;
unsigned g_shadowTex = 0;
Mat4 g_shadowMat;
Vec3 g_camTarg(0, 1, 0);

namespace {

unsigned s_fallbackShadowTex = 0;
int s_suLoc = -2;  // uShadowMVP in g_shadowShader; -2 = not looked up yet
unsigned s_suProgram = 0;

void SetDepthCompareParams() {
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_BORDER);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_BORDER);
    const float border[4] = {1, 1, 1, 1};
    glTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_BORDER_COLOR, border);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_MODE, GL_COMPARE_REF_TO_TEXTURE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_FUNC, GL_LEQUAL);
}

unsigned FallbackShadowTex() {
    if (!s_fallbackShadowTex) {
        const float one = 1.0f;
        glGenTextures(1, &s_fallbackShadowTex);
        glBindTexture(GL_TEXTURE_2D, s_fallbackShadowTex);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT, 1, 1, 0, GL_DEPTH_COMPONENT, GL_FLOAT, &one);
        SetDepthCompareParams();
        glBindTexture(GL_TEXTURE_2D, 0);
    }
    return s_fallbackShadowTex;
}

} // namespace

void InitShadowFBO() {
    if (g_shadowFBO) return;
    glGenFramebuffers(1, &g_shadowFBO);
    glGenTextures(1, &g_shadowTex);
    glBindTexture(GL_TEXTURE_2D, g_shadowTex);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT, kShadowMapSize, kShadowMapSize, 0, GL_DEPTH_COMPONENT,
                 GL_FLOAT, nullptr);
    SetDepthCompareParams();
    glBindTexture(GL_TEXTURE_2D, 0);
    glBindFramebuffer(GL_FRAMEBUFFER, g_shadowFBO);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_TEXTURE_2D, g_shadowTex, 0);
    glDrawBuffer(GL_NONE);
    glReadBuffer(GL_NONE);
    if (CheckFramebufferComplete("Shadow")) {
        // Undefined contents would shadow at random in any view drawn before
        // the first shadow pass; depth 1 reads as fully lit.
        GLboolean depthMask = GL_TRUE;
        glGetBooleanv(GL_DEPTH_WRITEMASK, &depthMask);
        glDepthMask(GL_TRUE);
        glClearDepth(1.0);
        glClear(GL_DEPTH_BUFFER_BIT);
        glDepthMask(depthMask);
    }
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

void DeleteShadowFBO() {
    DeleteFramebuffer(g_shadowFBO);
    DeleteTexture(g_shadowTex);
    DeleteTexture(s_fallbackShadowTex);
}

void DrawMeshRendererShadow(const MeshRenderer& mr) {
    if (mr.shape == MeshShape_Custom && mr.modelPath[0]) {
        DrawImportedRenderer(mr, nullptr, false);
        return;
    }
    int shape = mr.shape;
    if (shape < 0 || shape >= kPrimitiveShapeCount) shape = 0;
    const ShapeGeo& geo = g_shapes[shape];
    if (!geo.vao || geo.count <= 0) return;
    glBindVertexArray(geo.vao);
    glDrawArrays(GL_TRIANGLES, 0, geo.count);
}

void RenderShadowPass() {
    if (!g_shadowFBO || !g_shadowShader) return;
    const Mat4 lightViewProj = ShadowLightViewProj(ShadowLightDirection(g_ents), g_camTarg, g_engine.shadowDistance);

    glBindFramebuffer(GL_FRAMEBUFFER, g_shadowFBO);
    glViewport(0, 0, kShadowMapSize, kShadowMapSize);
    glDepthMask(GL_TRUE);
    glClear(GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
    glUseProgram(g_shadowShader);
    if (s_suLoc == -2 || s_suProgram != g_shadowShader) {
        s_suLoc = glGetUniformLocation(g_shadowShader, "uShadowMVP");
        s_suProgram = g_shadowShader;
    }

    for (const Entity& e : g_ents) {
        if (!e.enabled || !e.hasMesh || !e.mesh.visible || !e.mesh.castShadows) continue;
        const Mat4 mvp = m_mul(lightViewProj, EntityModelMatrix(e));
        if (!IsFinite(mvp)) continue;
        if (s_suLoc >= 0) glUniformMatrix4fv(s_suLoc, 1, GL_FALSE, mvp.m);
        DrawMeshRendererShadow(e.mesh);
    }

    glBindVertexArray(0);
    glUseProgram(0);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    g_shadowMat = lightViewProj;
}

void BindShadowMapForLitPass() {
    glActiveTexture(GL_TEXTURE0 + kTexUnitShadow);
    const unsigned tex = g_shadowTex ? g_shadowTex : FallbackShadowTex();
    glBindTexture(GL_TEXTURE_2D, tex);
    if (g_uShadowMapLoc >= 0) glUniform1i(g_uShadowMapLoc, kTexUnitShadow);
    if (g_uShadowMVP >= 0) glUniformMatrix4fv(g_uShadowMVP, 1, GL_FALSE, g_shadowMat.m);
}
