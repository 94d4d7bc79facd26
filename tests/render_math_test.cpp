// The numbers behind the scene passes, without GL: which lights fill the
// 32 slots, the clamped lighting environment, the shadow light's box (its far
// plane must reach the casters at every shadow distance), the camera views
// with degenerate cameras and sizes, the line-width rule, the preview size
// rule and the failed-load memo.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>

#include "editor/legacy/scene/EntityStore.h"
#include "editor/legacy/base/LoadFailureMemo.h"
#include "editor/render/RenderMath.h"
#include "editor/render/RenderTargets.h"
#include "editor/render/ShadingModel.h"

namespace {

const float kNaN = std::numeric_limits<float>::quiet_NaN();

class RenderMath : public ::testing::Test {
protected:
    void SetUp() override { Reset(); }
    void TearDown() override { Reset(); }
    static void Reset() {
        g_ents.clear();
        RebuildEntityIndex();
        g_engine = EngineRenderSettings();
        g_ambientStrength = 0.1f;
        g_lightingExposure = 1.15f;
    }
    static Entity& AddLight(int type, float x = 0) {
        Entity* e = AddEnt("Light", -1);
        e->hasLight = true;
        e->light.type = type;
        e->transform.position = Vec3(x, 0, 0);
        return *e;
    }
};

Vec3 ClipOf(const Mat4& m, Vec3 p) {
    const float x = m.m[0] * p.x + m.m[4] * p.y + m.m[8] * p.z + m.m[12];
    const float y = m.m[1] * p.x + m.m[5] * p.y + m.m[9] * p.z + m.m[13];
    const float z = m.m[2] * p.x + m.m[6] * p.y + m.m[10] * p.z + m.m[14];
    const float w = m.m[3] * p.x + m.m[7] * p.y + m.m[11] * p.z + m.m[15];
    return Vec3(x / w, y / w, z / w);
}

TEST_F(RenderMath, LightSlotsFollowStoreOrderAndTheLimit) {
    for (int i = 0; i < 40; ++i) AddLight(i % 3, float(i));
    g_ents[5].enabled = false;
    LightSlot slots[kMaxLightSlots];
    struct Case {
        const char* what;
        int maxLights;
        int expected;
    };
    const Case cases[] = {
        {"40 lights fill 32 slots", 32, 32},
        {"maxLights 0 still uploads one", 0, 1},
        {"negative maxLights uploads one", -7, 1},
        {"maxLights above 32 stops at 32", 99, 32},
        {"maxLights 4", 4, 4},
    };
    for (const Case& c : cases) {
        const int n = CollectLightSlots(g_ents, c.maxLights, slots);
        EXPECT_EQ(n, c.expected) << c.what;
        // The disabled light (x = 5) is skipped, so slot 5 holds x = 6.
        if (n > 5) {
            EXPECT_FLOAT_EQ(slots[5].pos.x, 6.0f) << c.what;
        }
        EXPECT_FLOAT_EQ(slots[0].pos.x, 0.0f) << c.what;
    }
}

TEST_F(RenderMath, LightSlotValues) {
    Entity& e = AddLight(LightType_Spot);
    e.light.spotAngle = 60.0f;
    e.light.spotSoftness = 0.0f;
    e.light.color = Vec4(0.5f, kNaN, 2.0f, 0.0f);
    e.light.intensity = kNaN;
    e.light.range = 1e9f;
    e.transform.rotation = Vec3(-90, 0, 0);
    LightSlot s[kMaxLightSlots];
    ASSERT_EQ(CollectLightSlots(g_ents, 32, s), 1);
    EXPECT_EQ(s[0].type, 2);
    EXPECT_NEAR(s[0].spotCos, std::cos(30.0f * kPi / 180.0f), 1e-6);
    EXPECT_FLOAT_EQ(s[0].spotSoft, 0.001f);
    EXPECT_FLOAT_EQ(s[0].color.x, 0.5f);
    EXPECT_FLOAT_EQ(s[0].color.y, 1.0f);  // non-finite -> white
    EXPECT_FLOAT_EQ(s[0].color.z, 2.0f);
    EXPECT_FLOAT_EQ(s[0].intensity, 2.0f);
    EXPECT_FLOAT_EQ(s[0].range, 500.0f);
    // Rotated -90 about X the light looks straight down.
    EXPECT_NEAR(s[0].dir.y, -1.0f, 1e-5);
}

TEST_F(RenderMath, LightForwardUsesTheLocalRotation) {
    struct Case {
        Vec3 rotation;
        Vec3 expected;
    };
    const Case cases[] = {
        {Vec3(0, 0, 0), Vec3(0, 0, -1)},
        {Vec3(0, 90, 0), Vec3(-1, 0, 0)},
        {Vec3(-90, 0, 0), Vec3(0, -1, 0)},
        {Vec3(kNaN, 0, 0), Vec3(0, 0, -1)},
    };
    for (const Case& c : cases) {
        Entity e;
        e.transform.rotation = c.rotation;
        const Vec3 f = LightForward(e);
        EXPECT_NEAR(f.x, c.expected.x, 1e-5);
        EXPECT_NEAR(f.y, c.expected.y, 1e-5);
        EXPECT_NEAR(f.z, c.expected.z, 1e-5);
    }
}

TEST_F(RenderMath, LightingEnvIsClampedAndFinite) {
    g_ambientStrength = kNaN;
    g_lightingExposure = 100.0f;
    g_engine.fogDensity = -1.0f;
    g_engine.skyTopColor[1] = std::numeric_limits<float>::infinity();
    g_engine.bloomIntensity = 9.0f;
    const LightingEnv env = CurrentLightingEnv();
    EXPECT_FLOAT_EQ(env.ambient.x, 0.1f);
    EXPECT_FLOAT_EQ(env.ambient.z, 0.112f);
    EXPECT_FLOAT_EQ(env.exposure, 8.0f);
    EXPECT_FLOAT_EQ(env.fogDensity, 0.0f);
    EXPECT_FLOAT_EQ(env.skyTop.y, 0.39f);
    EXPECT_FLOAT_EQ(env.bloomIntensity, 2.0f);
}

TEST_F(RenderMath, ShadowDirectionIsTheFirstEnabledDirectionalLight) {
    Vec3 d = ShadowLightDirection(g_ents);
    EXPECT_FLOAT_EQ(d.x, 0.5f);
    EXPECT_FLOAT_EQ(d.y, -1.0f);
    AddLight(LightType_Point);
    Entity& off = AddLight(LightType_Directional);
    off.enabled = false;
    Entity& sun = AddLight(LightType_Directional);
    sun.transform.rotation = Vec3(-90, 0, 0);
    d = ShadowLightDirection(g_ents);
    EXPECT_NEAR(d.y, -1.0f, 1e-5);
}

TEST_F(RenderMath, ShadowBoxCoversTheCastersAtEveryDistance) {
    // A caster at the orbit centre and one extent beyond it (away from the
    // light) must land inside the light's depth range for every distance
    // the inspector allows, including a light straight down.
    const Vec3 centre(0, 1, 0);
    const Vec3 dirs[] = {Vec3(0.5f, -1, -0.3f), Vec3(0, -1, 0), Vec3(0.3f, -0.5f, 0.8f).norm()};
    for (const Vec3& dir : dirs) {
        for (float distance : {10.0f, 120.0f, 250.0f, 500.0f}) {
            const Mat4 m = ShadowLightViewProj(dir, centre, distance);
            ASSERT_TRUE(IsFinite(m));
            const float extent = std::max(18.0f, distance * 0.32f);
            const Vec3 atCentre = ClipOf(m, centre);
            const Vec3 beyond = ClipOf(m, centre + dir.norm() * (extent * 0.99f));
            EXPECT_GT(atCentre.z, -1.0f) << distance;
            EXPECT_LT(atCentre.z, 1.0f) << distance;
            EXPECT_LT(beyond.z, 1.0f) << distance;
            EXPECT_NEAR(atCentre.x, 0.0f, 1e-4);
            EXPECT_NEAR(atCentre.y, 0.0f, 1e-4);
        }
    }
}

TEST_F(RenderMath, ShadowBoxAtTheDefaultsMatchesTheClassicConstants) {
    // Distance 10: eye 30 away along a unit direction, extent 18, so the
    // far plane stays at 100.
    const Mat4 m = ShadowLightViewProj(Vec3(0, -1, 0), Vec3(0, 0, 0), 10.0f);
    const Vec3 nearPoint = ClipOf(m, Vec3(0, 30 - 0.1f, 0));
    const Vec3 farPoint = ClipOf(m, Vec3(0, 30 - 100.0f, 0));
    EXPECT_NEAR(nearPoint.z, -1.0f, 1e-4);
    EXPECT_NEAR(farPoint.z, 1.0f, 1e-4);
    const Vec3 edge = ClipOf(m, Vec3(18, 0, 0));
    EXPECT_NEAR(std::fabs(edge.x) + std::fabs(edge.y), 1.0f, 1e-4);
    EXPECT_FLOAT_EQ(ShadowFarPlane(30, 18), 100.0f);
    EXPECT_FLOAT_EQ(ShadowFarPlane(275, 160), 435.0f);
}

TEST_F(RenderMath, CameraEntityViewHandlesDegenerateCameras) {
    struct Case {
        const char* what;
        Vec3 rotation, scale;
        float fov, nearZ, farZ;
        int w, h;
        bool ok;
    };
    const Case cases[] = {
        {"default camera", Vec3(0, 0, 0), Vec3(1, 1, 1), 60, 0.1f, 1000, 64, 64, true},
        {"zero width skips", Vec3(0, 0, 0), Vec3(1, 1, 1), 60, 0.1f, 1000, 0, 64, false},
        {"zero height skips", Vec3(0, 0, 0), Vec3(1, 1, 1), 60, 0.1f, 1000, 64, 0, false},
        {"zero scale falls back to -Z", Vec3(0, 0, 0), Vec3(0, 0, 0), 60, 0.1f, 1000, 64, 64, true},
        {"looking straight down", Vec3(-90, 0, 0), Vec3(1, 1, 1), 60, 0.1f, 1000, 64, 64, true},
        {"flattened up axis while looking down", Vec3(-90, 0, 0), Vec3(1, 0, 1), 60, 0.1f, 1000, 64, 64, true},
        {"fov 0 and far below near", Vec3(0, 0, 0), Vec3(1, 1, 1), 0, 5, 1, 64, 64, true},
        {"fov 180 and NaN planes", Vec3(0, 0, 0), Vec3(1, 1, 1), 180, kNaN, kNaN, 64, 64, true},
        {"NaN rotation", Vec3(kNaN, 0, 0), Vec3(1, 1, 1), 60, 0.1f, 1000, 64, 64, false},
    };
    for (const Case& c : cases) {
        Entity cam;
        cam.hasCamera = true;
        cam.transform.position = Vec3(0, 2, 5);
        cam.transform.rotation = c.rotation;
        cam.transform.scale = c.scale;
        cam.camera.fov = c.fov;
        cam.camera.nearPlane = c.nearZ;
        cam.camera.farPlane = c.farZ;
        const CameraView v = CameraEntityView(cam, c.w, c.h);
        EXPECT_EQ(v.ok, c.ok) << c.what;
        if (!v.ok) continue;
        EXPECT_TRUE(IsFinite(v.viewProj)) << c.what;
        // A point in front of the camera lands inside the clip volume.
        const Vec3 ahead = c.rotation.x == -90 ? Vec3(0, -3, 5) : Vec3(0, 2, -2);
        const Vec3 ndc = ClipOf(v.viewProj, ahead);
        EXPECT_LT(std::fabs(ndc.x), 1.0f) << c.what;
        EXPECT_LT(std::fabs(ndc.z), 1.0f) << c.what;
        EXPECT_FLOAT_EQ(v.eye.z, 5.0f) << c.what;
    }
}

TEST_F(RenderMath, GameViewCamera) {
    struct Case {
        const char* what;
        bool hasCamera;
        Vec3 rotation;
        Vec3 target;  // a point that must be at the screen centre
    };
    const Case cases[] = {
        {"no camera: from (0,2,5) to (0,1,0)", false, Vec3(0, 0, 0), Vec3(0, 1, 0)},
        {"rotation 0 looks down -Z", true, Vec3(0, 0, 0), Vec3(0, 1, -5)},
        {"yaw 90 looks towards +X", true, Vec3(0, 90, 0), Vec3(6, 1, 0)},
        {"pitch 90 looks straight up", true, Vec3(90, 30, 0), Vec3(0, 7, 0)},
        {"pitch -90 looks straight down", true, Vec3(-90, 0, 0), Vec3(0, -4, 0)},
    };
    for (const Case& c : cases) {
        Reset();
        if (c.hasCamera) {
            Entity* e = AddEnt("Camera", -1);
            e->hasCamera = true;
            e->transform.position = Vec3(0, 1, 0);
            e->transform.rotation = c.rotation;
        }
        const CameraView v = GameDirectView(g_ents, 96, 64);
        ASSERT_TRUE(v.ok) << c.what;
        const Vec3 ndc = ClipOf(v.viewProj, c.target);
        EXPECT_NEAR(ndc.x, 0.0f, 1e-4) << c.what;
        EXPECT_NEAR(ndc.y, 0.0f, 1e-4) << c.what;
        EXPECT_LT(std::fabs(ndc.z), 1.0f) << c.what;
    }
    EXPECT_FALSE(GameDirectView(g_ents, 0, 0).ok);
    EXPECT_FALSE(GameDirectView(g_ents, 128, 0).ok);
}

TEST_F(RenderMath, LineWidthRule) {
    struct Case {
        float width;
        bool forwardCompatible;
        float maxWidth;
        float expected;
    };
    const Case cases[] = {
        {2, false, 10, 2},  {3, false, 1, 1},     {2, true, 10, 1},  {0.5f, true, 10, 0.5f},
        {0, false, 10, 1},  {-2, false, 10, 1},   {kNaN, false, 10, 1}, {2, false, kNaN, 1},
        {1.25f, false, 255, 1.25f},
    };
    for (const Case& c : cases) {
        EXPECT_FLOAT_EQ(ClampLineWidth(c.width, c.forwardCompatible, c.maxWidth), c.expected)
            << c.width << " " << c.forwardCompatible << " " << c.maxWidth;
    }
}

TEST_F(RenderMath, TargetSideRules) {
    EXPECT_EQ(ClampPreviewSide(10), 32);
    EXPECT_EQ(ClampPreviewSide(-5), 32);
    EXPECT_EQ(ClampPreviewSide(320), 320);
    EXPECT_EQ(ClampTargetSide(20000, 16384), 16384);
    EXPECT_EQ(ClampTargetSide(20000, 0), 20000);
}

TEST(ShadingModelTest, FogNeverCoversMoreThan92Percent) {
    ShadeInput in;
    in.matColor[0] = in.matColor[1] = in.matColor[2] = 0;
    in.fogColor = {1, 1, 1};
    in.fogDensity = 0.2f;
    in.cameraPos = {0, 0, 500};
    const ShadeOutput far = ShadeFragment(in);
    // mix(0, 1, 0.92) through ACES and gamma.
    const float c = 0.92f;
    const float aces = (c * (2.51f * c + 0.03f)) / (c * (2.43f * c + 0.59f) + 0.14f);
    EXPECT_NEAR(far.r, std::pow(aces, 1 / 2.2f), 1e-5);
    EXPECT_LT(far.r, 0.99f);
}

TEST(ShadingModelTest, RoughnessAndMetallicAreClampedLikeTheShader) {
    ShadeLight sun;
    sun.dir = {0, -1, 0};
    ShadeInput in;
    in.lights = &sun;
    in.lightCount = 1;
    in.cameraPos = {0, 2, 1};
    ShadeInput clamped = in;
    in.roughness = 0.0f;
    in.metallic = 1.5f;
    clamped.roughness = 0.02f;
    clamped.metallic = 1.0f;
    EXPECT_FLOAT_EQ(ShadeFragment(in).g, ShadeFragment(clamped).g);
}

TEST(LoadFailureMemoTest, RemembersUntilTheFileChanges) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("korvane_memo_test_" + std::to_string(getpid()));
    fs::create_directories(dir);
    const std::string path = (dir / "model.glb").string();
    fs::remove(path);

    LoadFailureMemo memo;
    EXPECT_FALSE(memo.KnownFailure(path));
    memo.Remember(path);  // missing file
    EXPECT_TRUE(memo.KnownFailure(path));

    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("glTF", f);
    std::fclose(f);
    EXPECT_FALSE(memo.KnownFailure(path));  // it appeared: try again
    memo.Remember(path);
    EXPECT_TRUE(memo.KnownFailure(path));
    fs::last_write_time(path, fs::last_write_time(path) + std::chrono::seconds(5));
    EXPECT_FALSE(memo.KnownFailure(path));  // it changed: try again
    memo.Forget(path);
    EXPECT_EQ(memo.Size(), 0u);
    fs::remove_all(dir);
}

} // namespace
