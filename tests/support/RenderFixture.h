#pragma once
// A GL fixture for render tests: the scene programs, the built-in meshes and
// a small colour + depth target, with the scene and lighting globals reset
// before every test. Helpers draw a scene through the lit pass and read
// pixels back from the target.

#include <gtest/gtest.h>

#include <cmath>

#include "editor/legacy/scene/EntityStore.h"
#include "editor/legacy/play/Particles.h"
#include "editor/render/GL.h"
#include "editor/render/LitPass.h"
#include "editor/render/Meshes.h"
#include "editor/render/ParticleRender.h"
#include "editor/render/Programs.h"
#include "editor/render/RenderTargets.h"
#include "editor/render/ScenePasses.h"
#include "editor/render/ShadowMap.h"
#include "tests/support/GlHarness.h"

namespace korvane::test {

class RenderGlTest : public GlTest {
protected:
    static constexpr int kSize = 64;
    unsigned fbo = 0, tex = 0, rbo = 0;

    void SetUp() override {
        GlTest::SetUp();
        if (IsSkipped()) return;
        if (!g_shader) InitScenePrograms();
        if (!g_shapes[0].vao) InitShapes();
        ResetScene();
        InitColorDepthFBO(fbo, tex, rbo, kSize, kSize, "Test");
        while (glGetError() != GL_NO_ERROR) {
        }
    }
    void TearDown() override {
        if (IsSkipped()) return;
        DeleteFramebuffer(fbo);
        DeleteTexture(tex);
        DeleteRenderbuffer(rbo);
        ResetScene();
    }

    static void ResetScene() {
        g_ents.clear();
        RebuildEntityIndex();
        g_particles.clear();
        g_engine = EngineRenderSettings();
        g_ambientStrength = 0.1f;
        g_lightingExposure = 1.15f;
        g_showGrid = false;
        g_shadowMat = Mat4();
        g_camTarg = Vec3(0, 1, 0);
        g_failedModelLoads.Clear();
    }

    // Lighting with nothing but what a test adds: no ambient, black sky, no
    // fog, bloom or shadow softening, exposure 1.
    static void DarkEnvironment() {
        g_ambientStrength = 0.0f;
        g_lightingExposure = 1.0f;
        for (int i = 0; i < 3; ++i) {
            g_engine.skyTopColor[i] = 0.0f;
            g_engine.skyHorizonColor[i] = 0.0f;
            g_engine.fogColor[i] = 0.0f;
        }
        g_engine.fogDensity = 0.0f;
        g_engine.bloomIntensity = 0.0f;
        g_engine.shadowSoftness = 0.0f;
        g_engine.contactShadowStrength = 0.0f;
    }

    static Entity& AddMesh(int shape, Vec3 pos, Vec3 scale = Vec3(1, 1, 1), Vec3 rot = Vec3(0, 0, 0)) {
        Entity* e = AddEnt("Mesh", -1);
        e->hasMesh = true;
        e->mesh.shape = shape;
        e->transform.position = pos;
        e->transform.scale = scale;
        e->transform.rotation = rot;
        return *e;
    }
    static Entity& AddLight(int type, Vec3 pos, Vec3 rot, float intensity = 2.0f) {
        Entity* e = AddEnt("Light", -1);
        e->hasLight = true;
        e->light.type = type;
        e->light.intensity = intensity;
        e->transform.position = pos;
        e->transform.rotation = rot;
        return *e;
    }

    struct View {
        Vec3 eye;
        Mat4 viewProj;
    };
    static View LookAt(Vec3 eye, Vec3 target, Vec3 up = Vec3(0, 1, 0), float fov = 60.0f) {
        return {eye, m_mul(m_perspective(fov, 1.0f, 0.1f, 100.0f), m_lookAt(eye, target, up))};
    }

    // One lit pass of every enabled, visible mesh into the test target.
    void DrawScene(const View& v, bool lit = true) {
        ASSERT_TRUE(BeginLitPass(fbo, kSize, kSize, v.eye, v.viewProj));
        for (const Entity& e : g_ents) {
            if (!e.enabled || !e.hasMesh || !e.mesh.visible) continue;
            const Mat4 model = EntityModelMatrix(e);
            const Mat4 mvp = m_mul(v.viewProj, model);
            if (lit) {
                DrawMeshRendererLit(e.mesh, model, mvp, e.hasMaterial ? &e.material : nullptr);
            } else {
                DrawMeshRendererUnlit(e.mesh, model, mvp);
            }
        }
        EndLitPass();
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    }

    Rgba Pixel(int x, int y) {
        glBindFramebuffer(GL_FRAMEBUFFER, fbo);
        Rgba p = GlHarness::ReadPixel(x, y);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        return p;
    }

    // The world point on the plane y = h seen through pixel (x, y).
    static Vec3 PixelOnPlane(const View& v, int x, int y, float h) {
        const Mat4 inv = m_inverse(v.viewProj);
        const float nx = (x + 0.5f) / kSize * 2 - 1, ny = (y + 0.5f) / kSize * 2 - 1;
        const Vec3 a = m_mulPt(inv, Vec3(nx, ny, -1)), b = m_mulPt(inv, Vec3(nx, ny, 1));
        const float t = (h - a.y) / (b.y - a.y);
        return a + (b - a) * t;
    }
};

inline ::testing::AssertionResult Near(const Rgba& a, const Rgba& b, int tol) {
    const int d[4] = {a.r - b.r, a.g - b.g, a.b - b.b, a.a - b.a};
    for (int v : d) {
        if (std::abs(v) > tol) {
            return ::testing::AssertionFailure() << "(" << int(a.r) << "," << int(a.g) << "," << int(a.b) << ","
                                                 << int(a.a) << ") vs (" << int(b.r) << "," << int(b.g) << ","
                                                 << int(b.b) << "," << int(b.a) << ")";
        }
    }
    return ::testing::AssertionSuccess();
}

inline int Luma(const Rgba& p) { return p.r * 2 + p.g * 7 + p.b; }

} // namespace korvane::test
