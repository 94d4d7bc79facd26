// The lit program under llvmpipe: every uniform found, samplers on their
// units, unlit cube faces, the emissive tone curve with exposure and fog,
// lit values against the CPU port of the shading formula, same-pixel light
// cut-offs, NaN-free normals under zero and mirrored scale, opaque alpha,
// failed links, and models that fail to load.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <limits>

#include <stb_image_write.h>

#include <filesystem>
#include <string>

#include "editor/assets/Textures.h"
#include "editor/legacy/base/AppState.h"
#include "editor/legacy/base/EditorLog.h"
#include "editor/render/RenderMath.h"
#include "editor/render/ShaderSources.h"
#include "editor/render/ShadingModel.h"
#include "tests/support/RenderFixture.h"

using namespace korvane::test;

namespace {

class LitPass : public RenderGlTest {};

Rgba Expected(const ShadeOutput& o) {
    return {ShadeToByte(o.r), ShadeToByte(o.g), ShadeToByte(o.b), ShadeToByte(o.a)};
}

ShadeInput PortEnvironment() {
    ShadeInput in;
    const LightingEnv env = CurrentLightingEnv();
    in.ambientColor = {env.ambient.x, env.ambient.y, env.ambient.z};
    in.skyTop = {env.skyTop.x, env.skyTop.y, env.skyTop.z};
    in.skyHorizon = {env.skyHorizon.x, env.skyHorizon.y, env.skyHorizon.z};
    in.fogColor = {env.fogColor.x, env.fogColor.y, env.fogColor.z};
    in.exposure = env.exposure;
    in.fogDensity = env.fogDensity;
    in.shadowSoftness = env.shadowSoftness;
    in.ambientOcclusion = env.ambientOcclusion;
    in.bloomIntensity = env.bloomIntensity;
    in.contactShadowStrength = env.contactShadowStrength;
    return in;
}

TEST_F(LitPass, EveryUniformIsFoundAndEverySamplerHasItsUnit) {
    ASSERT_NE(g_shader, 0u);
    ASSERT_NE(g_shadowShader, 0u);
    const NamedUniformLocation* table = nullptr;
    const int n = LitUniformTable(&table);
    EXPECT_EQ(n, 24);
    for (int i = 0; i < n; ++i) EXPECT_GE(*table[i].location, 0) << table[i].name;

    const char* scalars[] = {"uAmbientColor",   "uExposure",         "uSkyTopColor",       "uSkyHorizonColor",
                             "uFogColor",       "uFogDensity",       "uShadowSoftness",    "uAmbientOcclusion",
                             "uBloomIntensity", "uContactShadowStrength", "uLightCount"};
    for (const char* s : scalars) EXPECT_GE(glGetUniformLocation(g_shader, s), 0) << s;
    const char* arrays[] = {"uLightType",  "uLightPos",   "uLightDir",     "uLightColor",
                            "uLightIntensity", "uLightRange", "uLightSpotCos", "uLightSpotSoft"};
    char name[64];
    for (const char* a : arrays) {
        for (int i : {0, 17, 31}) {
            std::snprintf(name, sizeof name, "%s[%d]", a, i);
            EXPECT_GE(glGetUniformLocation(g_shader, name), 0) << name;
        }
    }
    EXPECT_GE(glGetUniformLocation(g_shadowShader, "uShadowMVP"), 0);

    const struct {
        int loc;
        int unit;
    } samplers[] = {{g_uShadowMapLoc, 1}, {g_uAlbedoMap, 2}, {g_uNormalMap, 3}, {g_uMRMap, 4},
                    {g_uAOMap, 5},        {g_uEmissiveMap, 6}, {g_uHeightMap, 7}};
    for (const auto& s : samplers) {
        GLint unit = -1;
        glGetUniformiv(g_shader, s.loc, &unit);
        EXPECT_EQ(unit, s.unit);
    }
    // Every draw validates with the samplers as set after linking.
    glUseProgram(g_shader);
    glValidateProgram(g_shader);
    GLint valid = 0;
    glGetProgramiv(g_shader, GL_VALIDATE_STATUS, &valid);
    EXPECT_TRUE(valid);
    glUseProgram(0);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(LitPass, FallbackTexturesHaveTheirColourAndFormat) {
    struct Case {
        unsigned tex;
        GLint format;
        uint8_t rgba[4];
    };
    const Case cases[] = {{g_texWhite, GL_SRGB8_ALPHA8, {255, 255, 255, 255}},
                          {g_texFlatNormal, GL_RGBA8, {128, 128, 255, 255}},
                          {g_texBlack, GL_RGBA8, {0, 0, 0, 255}}};
    for (const Case& c : cases) {
        ASSERT_NE(c.tex, 0u);
        glBindTexture(GL_TEXTURE_2D, c.tex);
        GLint w = 0, fmt = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &fmt);
        uint8_t px[4] = {};
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, px);
        EXPECT_EQ(w, 1);
        EXPECT_EQ(fmt, c.format);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(px[i], c.rgba[i]);
    }
    glBindTexture(GL_TEXTURE_2D, 0);
}

TEST_F(LitPass, UnlitCubeShowsTheFaceTurnedToTheCamera) {
    struct Case {
        const char* face;
        Vec3 rotation;
        float factor;
    };
    const Case cases[] = {
        {"+Z", Vec3(0, 0, 0), 1.0f},  {"-Z", Vec3(0, 180, 0), 0.7f}, {"+Y", Vec3(90, 0, 0), 0.9f},
        {"-Y", Vec3(-90, 0, 0), 0.5f}, {"+X", Vec3(0, -90, 0), 0.8f}, {"-X", Vec3(0, 90, 0), 0.6f},
    };
    const View v = LookAt(Vec3(0, 0, 3), Vec3(0, 0, 0));
    for (const Case& c : cases) {
        ResetScene();
        AddMesh(MeshShape_Cube, Vec3(0, 0, 0), Vec3(1, 1, 1), c.rotation);
        DrawScene(v, false);
        const Rgba expected{ShadeToByte(0.18f * c.factor), ShadeToByte(0.42f * c.factor),
                            ShadeToByte(0.75f * c.factor), 255};
        EXPECT_TRUE(Near(Pixel(32, 32), expected, 1)) << c.face;
    }
}

TEST_F(LitPass, EmissiveToneCurveExposureAndFog) {
    struct Case {
        const char* what;
        float emissive, exposure, fogDensity, fogGrey, bloom;
    };
    const Case cases[] = {
        {"mid emissive", 0.5f, 1.0f, 0, 0, 0},
        {"exposure doubles the input", 0.5f, 2.0f, 0, 0, 0},
        {"bright emissive saturates softly", 3.0f, 1.0f, 0, 0, 0},
        {"bloom lifts values above one", 1.5f, 1.0f, 0, 0, 1.0f},
        {"thin fog", 0.5f, 1.0f, 0.1f, 0.8f, 0},
        {"denser fog over a black surface", 0.0f, 1.0f, 0.2f, 1.0f, 0},
    };
    // Straight down at the plane (normal +Y), 3 units away.
    const View v = LookAt(Vec3(0, 3, 0), Vec3(0, 0, 0), Vec3(0, 0, -1));
    for (const Case& c : cases) {
        ResetScene();
        DarkEnvironment();
        g_lightingExposure = c.exposure;
        g_engine.fogDensity = c.fogDensity;
        g_engine.bloomIntensity = c.bloom;
        for (float& f : g_engine.fogColor) f = c.fogGrey;
        Entity& plane = AddMesh(MeshShape_Plane, Vec3(0, 0, 0));
        plane.hasMaterial = true;
        plane.material.baseColor = Vec4(0, 0, 0, 1);
        plane.material.emissive = Vec3(c.emissive, c.emissive * 0.5f, 0);
        DrawScene(v);

        ShadeInput in = PortEnvironment();
        in.worldPos = {0, 0.01f, 0};
        in.cameraPos = {0, 3, 0};
        in.vertexColor = {0.19f, 0.19f, 0.19f};
        in.matColor[0] = in.matColor[1] = in.matColor[2] = 0;
        in.emissive = {c.emissive, c.emissive * 0.5f, 0};
        EXPECT_TRUE(Near(Pixel(32, 32), Expected(ShadeFragment(in)), 1)) << c.what;
    }
    // One value worked by hand: ACES(0.5) = 0.6163, ^(1/2.2) = 0.8025 -> 205.
    ShadeInput hand;
    hand.matColor[0] = hand.matColor[1] = hand.matColor[2] = 0;
    hand.emissive = {0.5f, 0.5f, 0.5f};
    EXPECT_EQ(ShadeToByte(ShadeFragment(hand).r), 205);
}

TEST_F(LitPass, LitValuesMatchTheShadingFormula) {
    struct Case {
        const char* what;
        int type;
        Vec3 pos, rot;
        float intensity, range, spotAngle, metallic, roughness;
    };
    const Case cases[] = {
        {"sun from above at an angle", 0, Vec3(0, 5, 0), Vec3(-60, 30, 0), 2.0f, 12, 35, 0.0f, 0.55f},
        {"low sun, rough metal", 0, Vec3(0, 5, 0), Vec3(-20, -70, 0), 3.0f, 12, 35, 1.0f, 0.9f},
        {"point light near the surface", 1, Vec3(0.5f, 1.5f, 0.5f), Vec3(0, 0, 0), 6.0f, 6, 35, 0.0f, 0.3f},
        {"spot light straight down", 2, Vec3(0, 3, 0), Vec3(-90, 0, 0), 8.0f, 10, 70, 0.2f, 0.5f},
        {"shiny dielectric", 0, Vec3(0, 5, 0), Vec3(-45, 180, 0), 2.0f, 12, 35, 0.0f, 0.1f},
    };
    const View v = LookAt(Vec3(0, 2.5f, 3), Vec3(0, 0, 0));
    for (const Case& c : cases) {
        ResetScene();
        g_engine.shadowSoftness = 0.0f;  // shadows are tested on their own
        Entity& plane = AddMesh(MeshShape_Plane, Vec3(0, 0, 0));
        plane.hasMaterial = true;
        plane.material.baseColor = Vec4(0.9f, 0.7f, 0.5f, 1);
        plane.material.metallic = c.metallic;
        plane.material.roughness = c.roughness;
        Entity& light = AddLight(c.type, c.pos, c.rot, c.intensity);
        light.light.range = c.range;
        light.light.spotAngle = c.spotAngle;
        light.light.color = Vec4(1, 0.9f, 0.8f, 1);
        DrawScene(v);

        LightSlot slot[kMaxLightSlots];
        ASSERT_EQ(CollectLightSlots(g_ents, 32, slot), 1);
        ShadeLight sl;
        sl.type = slot[0].type;
        sl.pos = {slot[0].pos.x, slot[0].pos.y, slot[0].pos.z};
        sl.dir = {slot[0].dir.x, slot[0].dir.y, slot[0].dir.z};
        sl.color = {slot[0].color.x, slot[0].color.y, slot[0].color.z};
        sl.intensity = slot[0].intensity;
        sl.range = slot[0].range;
        sl.spotCos = slot[0].spotCos;
        sl.spotSoft = slot[0].spotSoft;
        for (int px : {16, 32, 48}) {
            for (int py : {12, 24, 32}) {
                const Vec3 wp = PixelOnPlane(v, px, py, 0.01f);
                ShadeInput in = PortEnvironment();
                in.worldPos = {wp.x, wp.y, wp.z};
                in.cameraPos = {v.eye.x, v.eye.y, v.eye.z};
                in.vertexColor = {0.19f, 0.19f, 0.19f};
                in.matColor[0] = 0.9f;
                in.matColor[1] = 0.7f;
                in.matColor[2] = 0.5f;
                in.metallic = c.metallic;
                in.roughness = c.roughness;
                in.lights = &sl;
                in.lightCount = 1;
                EXPECT_TRUE(Near(Pixel(px, py), Expected(ShadeFragment(in)), 3))
                    << c.what << " at " << px << "," << py;
            }
        }
    }
}

TEST_F(LitPass, LightsThatCannotReachEqualNoLight) {
    const View v = LookAt(Vec3(0, 2.5f, 3), Vec3(0, 0, 0));
    auto render = [&](int type, Vec3 pos, Vec3 rot, float range, float angle) {
        ResetScene();
        g_engine.shadowSoftness = 0.0f;
        AddMesh(MeshShape_Plane, Vec3(0, 0, 0));
        if (type >= 0) {
            Entity& l = AddLight(type, pos, rot, 50.0f);
            l.light.range = range;
            l.light.spotAngle = angle;
        }
        DrawScene(v);
        return Pixel(32, 32);
    };
    const Rgba none = render(-1, Vec3(), Vec3(), 0, 0);
    struct Case {
        const char* what;
        int type;
        Vec3 pos, rot;
        float range, angle;
    };
    const Case cases[] = {
        {"point light beyond its range", 1, Vec3(0, 8, 0), Vec3(0, 0, 0), 5.0f, 35},
        {"spot light pointing away", 2, Vec3(0, 2, 0), Vec3(90, 0, 0), 20.0f, 40},
        {"spot light whose cone misses the pixel", 2, Vec3(4, 2, 0), Vec3(-90, 0, 0), 20.0f, 10},
        {"light under the surface", 1, Vec3(0, -1, 0), Vec3(0, 0, 0), 20.0f, 35},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(Near(render(c.type, c.pos, c.rot, c.range, c.angle), none, 0)) << c.what;
    }
    // And a light that does reach changes the pixel.
    const Rgba lit = render(1, Vec3(0, 1, 0), Vec3(), 20.0f, 35);
    EXPECT_GT(Luma(lit), Luma(none) + 20);
}

TEST_F(LitPass, ScaledAndMirroredModelsKeepFiniteNormals) {
    const View v = LookAt(Vec3(0, 3, 0.5f), Vec3(0, 0, 0));
    auto render = [&](Vec3 scale) {
        ResetScene();
        g_engine.shadowSoftness = 0.0f;
        AddMesh(MeshShape_Plane, Vec3(0, 0, 0), scale);
        AddLight(0, Vec3(0, 5, 0), Vec3(-50, 20, 0), 3.0f);
        DrawScene(v);
        return Pixel(32, 32);
    };
    const Rgba reference = render(Vec3(1, 1, 1));
    EXPECT_GT(Luma(reference), 100);
    struct Case {
        const char* what;
        Vec3 scale;
    };
    const Case cases[] = {
        {"zero height", Vec3(1, 0, 1)},
        {"mirrored in x", Vec3(-1, 1, 1)},
        {"mirrored in z", Vec3(1, 1, -1)},
        {"non-uniform", Vec3(2, 3, 0.5f)},
    };
    for (const Case& c : cases) EXPECT_TRUE(Near(render(c.scale), reference, 2)) << c.what;
}

TEST_F(LitPass, LitOutputIsOpaque) {
    const View v = LookAt(Vec3(0, 0, 3), Vec3(0, 0, 0));
    Entity& cube = AddMesh(MeshShape_Cube, Vec3(0, 0, 0));
    cube.hasMaterial = true;
    cube.material.baseColor = Vec4(1, 0, 0, 0.25f);
    DrawScene(v);
    EXPECT_EQ(Pixel(32, 32).a, 255);
    EXPECT_GT(Pixel(32, 32).r, Pixel(32, 32).g);
}

TEST_F(LitPass, NonFiniteSceneValuesDrawNothingOrFallBack) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const View v = LookAt(Vec3(0, 0, 3), Vec3(0, 0, 0));
    AddMesh(MeshShape_Cube, Vec3(nan, 0, 0));                    // not drawn
    Entity& light = AddLight(0, Vec3(0, 5, 0), Vec3(nan, 0, 0));  // falls back to -Z
    light.light.intensity = nan;
    g_lightingExposure = nan;
    g_engine.fogDensity = nan;
    DrawScene(v);
    EXPECT_EQ(Pixel(32, 32), Pixel(2, 2));  // only the clear colour
    ResetScene();
    AddMesh(MeshShape_Cube, Vec3(0, 0, 0));
    AddLight(0, Vec3(0, 5, 0), Vec3(nan, 0, 0)).light.intensity = nan;
    g_engine.bloomIntensity = nan;
    DrawScene(v);
    const Rgba p = Pixel(32, 32);
    EXPECT_GT(p.b, 20);  // a lit blue face, not NaN black
}

TEST_F(LitPass, MeshShapesOutsideTheTableDrawTheCube) {
    const View v = LookAt(Vec3(0, 0, 3), Vec3(0, 0, 0));
    AddMesh(MeshShape_Cube, Vec3(0, 0, 0));
    DrawScene(v);
    const Rgba cube = Pixel(32, 32);
    for (int shape : {9, -3}) {
        ResetScene();
        AddMesh(shape, Vec3(0, 0, 0));
        DrawScene(v);
        EXPECT_EQ(Pixel(32, 32), cube) << shape;
    }
    ResetScene();
    Entity& custom = AddMesh(MeshShape_Custom, Vec3(0, 0, 0));
    custom.mesh.modelPath[0] = '\0';
    DrawScene(v);
    EXPECT_EQ(Pixel(32, 32), cube) << "custom shape without a path";
}

TEST_F(LitPass, AFailedModelIsLoggedOnceAndDrawsNothing) {
    const View v = LookAt(Vec3(0, 0, 3), Vec3(0, 0, 0));
    Entity& model = AddMesh(MeshShape_Custom, Vec3(0, 0, 0));
    std::snprintf(model.mesh.modelPath, sizeof model.mesh.modelPath, "/tmp/korvane-no-such-model.glb");
    LogClear();
    for (int frame = 0; frame < 5; ++frame) DrawScene(v);
    EXPECT_EQ(Pixel(32, 32), Pixel(2, 2));
    int failures = 0;
    for (const LogEntry& e : LogSnapshot()) {
        if (e.text.find("Imported model failed, NOT drawing cube fallback: /tmp/korvane-no-such-model.glb") !=
            std::string::npos) {
            ++failures;
            EXPECT_EQ(e.level, 4);
        }
    }
    EXPECT_EQ(failures, 1);
}

TEST_F(LitPass, AFailedLinkLeavesProgramZeroAndPassesDrawNothing) {
    const AttribBinding attribs[] = {{0, "aPos"}};
    testing::internal::CaptureStderr();
    const unsigned broken =
        LinkProgramWithAttribs(g_shadowVert, "#version 150\nout vec4 c;\nvoid main() { c = undefined_name; }\n",
                               attribs, 1, "Program link:");
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(broken, 0u);
    EXPECT_NE(err.find("Shader:"), std::string::npos);
    EXPECT_NE(err.find("Program link:"), std::string::npos);
    while (glGetError() != GL_NO_ERROR) {
    }

    const unsigned saved = g_shader;
    g_shader = 0;
    AddMesh(MeshShape_Cube, Vec3(0, 0, 0));
    Entity* cam = AddEnt("Camera", -1);
    cam->hasCamera = true;
    cam->transform.position = Vec3(0, 0, 3);
    RenderCameraSceneToFBO(cam->id, fbo, kSize, kSize);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    EXPECT_EQ(Pixel(32, 32), Pixel(2, 2));  // cleared, nothing drawn
    g_shader = saved;
}

TEST_F(LitPass, MaterialsChangingFromDrawToDrawInOnePass) {
    // Three cubes in one pass: own material, default material, own material
    // again. Each must look as it does when drawn alone.
    const View v = LookAt(Vec3(0, 0, 6), Vec3(0, 0, 0));
    const float xs[3] = {-1.5f, 0, 1.5f};
    auto addCube = [&](int i, bool red) {
        Entity& e = AddMesh(MeshShape_Cube, Vec3(xs[i], 0, 0));
        e.hasMaterial = red;
        e.material.baseColor = Vec4(1, 0.1f, 0.1f, 1);
        e.material.metallic = red ? 0.7f : 0.0f;
    };
    const int px[3] = {16, 32, 48};
    Rgba alone[3];
    for (int i = 0; i < 3; ++i) {
        ResetScene();
        addCube(i, i != 1);
        DrawScene(v);
        alone[i] = Pixel(px[i], 32);
    }
    ResetScene();
    for (int i = 0; i < 3; ++i) addCube(i, i != 1);
    DrawScene(v);
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(Near(Pixel(px[i], 32), alone[i], 1)) << i;
    EXPECT_NE(alone[0], alone[1]);
}

class LitPassTextures : public LitPass {
protected:
    std::string dir;
    bool savedGameBuild = false;
    void SetUp() override {
        LitPass::SetUp();
        if (IsSkipped()) return;
        // Synchronous loads, as a built game does them.
        savedGameBuild = g_gameBuild;
        g_gameBuild = true;
        dir = (std::filesystem::temp_directory_path() /
               ("korvane_lit_textures_" + std::to_string(getpid()))).string();  // one per test process
        std::filesystem::create_directories(dir);
    }
    void TearDown() override {
        if (!IsSkipped()) {
            g_gameBuild = savedGameBuild;
            std::filesystem::remove_all(dir);
        }
        LitPass::TearDown();
    }
    std::string SolidPng(const char* name, uint8_t r, uint8_t g, uint8_t b) {
        const uint8_t px[4 * 4] = {r, g, b, 255, r, g, b, 255, r, g, b, 255, r, g, b, 255};
        const std::string path = dir + "/" + name;
        EXPECT_NE(stbi_write_png(path.c_str(), 2, 2, 4, px, 8), 0);
        return path;
    }
    static GLint BoundOnUnit(int unit) {
        GLint name = 0;
        glActiveTexture(GL_TEXTURE0 + unit);
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &name);
        glActiveTexture(GL_TEXTURE0);
        return name;
    }
};

TEST_F(LitPassTextures, MapsAreResolvedAndBoundOnTheirUnits) {
    const View v = LookAt(Vec3(0, 3, 0.5f), Vec3(0, 0, 0));
    const std::string red = SolidPng("red.png", 255, 0, 0);
    const std::string white = SolidPng("white.png", 255, 255, 255);
    auto render = [&](const char* albedo, const char* emissive) {
        ResetScene();
        DarkEnvironment();
        g_ambientStrength = 1.0f;
        Entity& plane = AddMesh(MeshShape_Plane, Vec3(0, 0, 0));
        plane.hasMaterial = true;
        std::snprintf(plane.material.albedoTexture, sizeof plane.material.albedoTexture, "%s", albedo);
        std::snprintf(plane.material.emissiveTexture, sizeof plane.material.emissiveTexture, "%s", emissive);
        DrawScene(v);
        return Pixel(32, 32);
    };
    const Rgba plain = render("", "");
    const Rgba tinted = render(red.c_str(), "");
    EXPECT_NEAR(tinted.r, plain.r, 2);  // red times the grey vertex colour
    EXPECT_LT(tinted.g, plain.g / 2);
    const GLint redTex = BoundOnUnit(2);
    EXPECT_NE(redTex, 0);
    EXPECT_NE(GLuint(redTex), g_texWhite);
    EXPECT_EQ(GLuint(BoundOnUnit(3)), g_texFlatNormal);
    EXPECT_EQ(GLuint(BoundOnUnit(6)), g_texBlack);

    const Rgba glowing = render("", white.c_str());
    EXPECT_GT(glowing.g, 200);
    EXPECT_EQ(GLuint(BoundOnUnit(2)), g_texWhite);

    // A path that cannot be loaded leaves the switch off and the fallback on.
    LogClear();
    const Rgba missing = render((dir + "/missing.png").c_str(), "");
    EXPECT_TRUE(Near(missing, plain, 0));
    EXPECT_EQ(GLuint(BoundOnUnit(2)), g_texWhite);
    render((dir + "/missing.png").c_str(), "");
    int failures = 0;
    for (const LogEntry& e : LogSnapshot()) failures += e.text.find("missing.png") != std::string::npos;
    EXPECT_EQ(failures, 1);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(LitPassTextures, ZeroTangentsUnderNormalAndHeightMapsStayFinite) {
    // A ground quad whose tangents are all zero (as a broken import would
    // give), drawn through the plane's slot with a flat normal map and a
    // height map: the frame must fall back to a tangent of its own, so the
    // picture equals the one without maps instead of turning NaN black.
    std::vector<V3> quad;
    const float c[6][2] = {{-5, -5}, {5, 5}, {5, -5}, {-5, -5}, {-5, 5}, {5, 5}};
    for (const auto& p : c) {
        V3 v = MakeGenVertex(p[0], 0.01f, p[1], 0.19f, 0.19f, 0.19f);
        for (float& t : v.tangent) t = 0.0f;
        quad.push_back(v);
    }
    ShapeGeo broken;
    MakeVAO(broken, quad);
    const ShapeGeo saved = g_shapes[MeshShape_Plane];
    g_shapes[MeshShape_Plane] = broken;

    const std::string flat = SolidPng("flat.png", 128, 128, 255);
    const std::string grey = SolidPng("grey.png", 128, 128, 128);
    const View v = LookAt(Vec3(0, 3, 1.5f), Vec3(0, 0, 0));
    auto render = [&](bool maps) {
        ResetScene();
        g_engine.shadowSoftness = 0.0f;
        AddLight(LightType_Directional, Vec3(0, 5, 0), Vec3(-60, 10, 0), 3.0f);
        Entity& plane = AddMesh(MeshShape_Plane, Vec3(0, 0, 0));
        plane.hasMaterial = true;
        plane.material.heightScale = 0.05f;
        if (maps) {
            std::snprintf(plane.material.normalTexture, sizeof plane.material.normalTexture, "%s", flat.c_str());
            std::snprintf(plane.material.heightTexture, sizeof plane.material.heightTexture, "%s", grey.c_str());
        }
        DrawScene(v);
        return Pixel(32, 32);
    };
    const Rgba without = render(false);
    const Rgba with = render(true);
    g_shapes[MeshShape_Plane] = saved;
    DeleteShapeGeo(broken);
    EXPECT_GT(Luma(without), 100);
    // The flat map decodes to about (0, 0, 1) (128 is not exactly 0.5).
    EXPECT_TRUE(Near(with, without, 3));
}

TEST_F(LitPassTextures, AFirstTextureLoadInsideAPassKeepsTheShadowMapBound) {
    // A built game loads a material texture the first time a pass draws it;
    // creating it must not unbind the shadow map (unit 1), or every surface
    // of that frame reads as shadowed.
    DeleteShadowFBO();
    InitShadowFBO();
    const std::string white = SolidPng("white_first.png", 255, 255, 255);
    const View v = LookAt(Vec3(0, 3, 1.5f), Vec3(0, 0, 0));
    auto render = [&]() {
        ResetScene();
        AddLight(LightType_Directional, Vec3(0, 5, 0), Vec3(-90, 0, 0), 3.0f);
        Entity& plane = AddMesh(MeshShape_Plane, Vec3(0, 0, 0));
        plane.hasMaterial = true;
        std::snprintf(plane.material.albedoTexture, sizeof plane.material.albedoTexture, "%s", white.c_str());
        RenderShadowPass();
        DrawScene(v);
        return Pixel(32, 32);
    };
    const Rgba firstFrame = render();  // the texture is created mid-pass
    const Rgba secondFrame = render();  // now it comes from the cache
    EXPECT_TRUE(Near(firstFrame, secondFrame, 1));
    GLint shadowBinding = 0;
    glActiveTexture(GL_TEXTURE0 + kTexUnitShadow);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &shadowBinding);
    glActiveTexture(GL_TEXTURE0);
    EXPECT_EQ(GLuint(shadowBinding), g_shadowTex);
    DeleteShadowFBO();
}

int g_hookCalls = 0;
// Stands in for the imported-model cache: "loads" (creates a texture the way
// a first load does, on the active unit) and draws the cube's triangles with
// a red model material, or the entity's override.
bool FakeImportedParts(const MeshRenderer& mr, const Material* override, bool lit) {
    ++g_hookCalls;
    if (std::string(mr.modelPath).find("broken") != std::string::npos) return false;
    unsigned loaded = MakeSolidTex(1, 2, 3, 255, false);
    glDeleteTextures(1, &loaded);
    if (lit) {
        ImportedMaterial red;
        red.baseColor = Vec4(1, 0, 0, 1);
        red.metallic = 0.0f;
        red.roughness = 0.6f;
        SetImportedMaterialUniforms(red, override);
    }
    glBindVertexArray(g_shapes[0].vao);
    glDrawArrays(GL_TRIANGLES, 0, g_shapes[0].count);
    glBindVertexArray(0);
    return true;
}

TEST_F(LitPass, ImportedModelsDrawThroughTheInstalledHook) {
    const View v = LookAt(Vec3(0, 0, 3), Vec3(0, 0, 0));
    g_drawImportedPartsFn = &FakeImportedParts;
    g_hookCalls = 0;
    auto render = [&](const char* path, bool override) {
        ResetScene();
        Entity& e = AddMesh(MeshShape_Custom, Vec3(0, 0, 0));
        std::snprintf(e.mesh.modelPath, sizeof e.mesh.modelPath, "%s", path);
        e.hasMaterial = override;
        e.material.baseColor = Vec4(0, 0, 1, 1);
        DrawScene(v);
        return Pixel(32, 32);
    };
    const Rgba model = render("/tmp/model.glb", false);
    EXPECT_GT(model.r, model.b);
    const Rgba overridden = render("/tmp/model.glb", true);
    EXPECT_GT(overridden.b, overridden.r);
    EXPECT_EQ(g_hookCalls, 2);

    // Primitive drawn the same way for comparison: the red model material
    // gives the same pixel as a red entity material on a cube.
    ResetScene();
    Entity& cube = AddMesh(MeshShape_Cube, Vec3(0, 0, 0));
    cube.hasMaterial = true;
    cube.material.baseColor = Vec4(1, 0, 0, 1);
    cube.material.roughness = 0.6f;
    DrawScene(v);
    EXPECT_TRUE(Near(model, Pixel(32, 32), 1));

    // A model the cache cannot load: asked once, logged once, nothing drawn.
    LogClear();
    g_hookCalls = 0;
    render("/tmp/broken-model.glb", false);
    DrawScene(v);
    DrawScene(v);
    EXPECT_EQ(g_hookCalls, 1);
    int logged = 0;
    for (const LogEntry& e : LogSnapshot()) logged += e.text.find("broken-model.glb") != std::string::npos;
    EXPECT_EQ(logged, 1);
    EXPECT_EQ(Pixel(32, 32), Pixel(2, 2));
    g_drawImportedPartsFn = nullptr;
}

} // namespace
