// The shadow map: created cleared to depth 1, casters drawn only when
// enabled, visible and casting, and a straight-down sun darkening the ground
// under a floating slab at every shadow distance the inspector allows.

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "tests/support/RenderFixture.h"

using namespace korvane::test;

namespace {

class Shadow : public RenderGlTest {
protected:
    void SetUp() override {
        RenderGlTest::SetUp();
        if (IsSkipped()) return;
        // A fresh map per test, so no test sees another's casters.
        DeleteShadowFBO();
        InitShadowFBO();
        ASSERT_NE(g_shadowFBO, 0u);
    }

    // Smallest depth in a block around the map's centre, where a caster at
    // the orbit centre lands.
    static float MinCentreDepth() {
        std::vector<float> depth(128 * 128);
        glBindFramebuffer(GL_FRAMEBUFFER, g_shadowFBO);
        glReadPixels(kShadowMapSize / 2 - 64, kShadowMapSize / 2 - 64, 128, 128, GL_DEPTH_COMPONENT, GL_FLOAT,
                     depth.data());
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        return *std::min_element(depth.begin(), depth.end());
    }

    // The ground at the origin seen from the side, under a slab floating at
    // y = 3, with the sun straight above.
    Rgba GroundUnderSlab(bool castShadows, float shadowDistance) {
        ResetScene();
        g_engine.shadowDistance = shadowDistance;
        AddMesh(MeshShape_Plane, Vec3(0, 0, 0));
        Entity& slab = AddMesh(MeshShape_Cube, Vec3(0, 3, 0), Vec3(2, 0.2f, 2));
        slab.mesh.castShadows = castShadows;
        AddLight(LightType_Directional, Vec3(0, 8, 0), Vec3(-90, 0, 0), 3.0f);
        RenderShadowPass();
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
        DrawScene(LookAt(Vec3(0, 2, 6), Vec3(0, 0, 0)));
        return Pixel(32, 32);
    }
};

TEST_F(Shadow, TheMapStartsClearedToDepthOne) {
    EXPECT_FLOAT_EQ(MinCentreDepth(), 1.0f);
    GLint compareMode = 0;
    glBindTexture(GL_TEXTURE_2D, g_shadowTex);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_MODE, &compareMode);
    glBindTexture(GL_TEXTURE_2D, 0);
    EXPECT_EQ(compareMode, GL_COMPARE_REF_TO_TEXTURE);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(Shadow, OnlyEnabledVisibleCastingMeshesReachTheMap) {
    struct Case {
        const char* what;
        bool enabled, hasMesh, visible, castShadows;
        bool casts;
    };
    const Case cases[] = {
        {"casting cube", true, true, true, true, true},
        {"cast shadows off", true, true, true, false, false},
        {"invisible", true, true, false, true, false},
        {"disabled entity", false, true, true, true, false},
        {"no mesh component", true, false, true, true, false},
    };
    for (const Case& c : cases) {
        DeleteShadowFBO();
        InitShadowFBO();
        ResetScene();
        Entity& cube = AddMesh(MeshShape_Cube, Vec3(0, 1, 0));
        cube.enabled = c.enabled;
        cube.hasMesh = c.hasMesh;
        cube.mesh.visible = c.visible;
        cube.mesh.castShadows = c.castShadows;
        RenderShadowPass();
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR)) << c.what;
        if (c.casts) {
            EXPECT_LT(MinCentreDepth(), 0.999f) << c.what;
        } else {
            EXPECT_FLOAT_EQ(MinCentreDepth(), 1.0f) << c.what;
        }
    }
}

TEST_F(Shadow, StraightDownSunDarkensTheGroundUnderACaster) {
    for (float distance : {10.0f, 120.0f, 300.0f, 500.0f}) {
        const Rgba lit = GroundUnderSlab(false, distance);
        const Rgba shadowed = GroundUnderSlab(true, distance);
        EXPECT_LT(Luma(shadowed) + 60, Luma(lit)) << "shadow distance " << distance;
    }
}

TEST_F(Shadow, AMapBeforeItsFirstPassReadsLit) {
    // The light matrix of a real pass, but the map itself never drawn.
    ResetScene();
    AddMesh(MeshShape_Plane, Vec3(0, 0, 0));
    AddLight(LightType_Directional, Vec3(0, 8, 0), Vec3(-70, 20, 0), 3.0f);
    g_shadowMat = ShadowLightViewProj(ShadowLightDirection(g_ents), g_camTarg, g_engine.shadowDistance);
    const View v = LookAt(Vec3(0, 2, 6), Vec3(0, 0, 0));
    DrawScene(v);
    const Rgba fresh = Pixel(32, 32);
    g_engine.shadowSoftness = 0.0f;  // shadow term switched off entirely
    g_engine.contactShadowStrength = 0.0f;
    DrawScene(v);
    EXPECT_TRUE(Near(fresh, Pixel(32, 32), 1));
}

TEST_F(Shadow, WithoutAnyShadowMapThePassStillReadsLit) {
    DeleteShadowFBO();
    ResetScene();
    AddMesh(MeshShape_Plane, Vec3(0, 0, 0));
    AddLight(LightType_Directional, Vec3(0, 8, 0), Vec3(-70, 20, 0), 3.0f);
    const View v = LookAt(Vec3(0, 2, 6), Vec3(0, 0, 0));
    DrawScene(v);
    const Rgba noMap = Pixel(32, 32);
    g_engine.shadowSoftness = 0.0f;
    g_engine.contactShadowStrength = 0.0f;
    DrawScene(v);
    EXPECT_TRUE(Near(noMap, Pixel(32, 32), 1));
    RenderShadowPass();  // no framebuffer: nothing happens
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

} // namespace
