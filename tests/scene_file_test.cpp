// Scene files: full round trip, byte-identical resave, older and malformed
// line forms, and saves that fail (or die) part-way without hurting the old
// file.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cfloat>
#include <climits>
#include <clocale>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <random>
#include <string>

#include "editor/legacy/base/AppState.h"
#include "editor/legacy/base/EditorLog.h"
#include "editor/legacy/scene/EntityStore.h"
#include "editor/legacy/files/MaterialFile.h"
#include "editor/legacy/files/SceneFile.h"
#include "editor/legacy/scene/Undo.h"
#include "tests/support/TempTree.h"

using korvane::test::EnvGuard;
using korvane::test::Exists;
using korvane::test::ReadAll;
using korvane::test::TempTree;

namespace {

void ClearStore() {
    g_ents.clear();
    g_entIdx.clear();
    g_scriptMeta.clear();
    g_nextId = 1;
    g_selId = -1;
    g_scenePath[0] = '\0';
}

bool HasLog(int level, const std::string& needle) {
    for (const auto& e : LogSnapshot()) {
        if (e.level == level && e.text.find(needle) != std::string::npos) return true;
    }
    return false;
}

// Floats a text round trip must keep bit for bit.
const float kNasty[] = {0.1f,
                        1.0f / 3.0f,
                        -0.0f,
                        std::numeric_limits<float>::min(),
                        std::numeric_limits<float>::denorm_min(),
                        std::numeric_limits<float>::max(),
                        -std::numeric_limits<float>::max(),
                        16777217.0f,
                        1e-7f,
                        123456.789f,
                        -2.5e-38f,
                        3.14159274f};
float Nasty(int& k) { return kNasty[(k++) % (sizeof kNasty / sizeof kNasty[0])]; }

template <size_t N>
void FillText(char (&dst)[N], const std::string& s) {
    CopyTextField(dst, s);
}

std::string MaxText(size_t n, char c) { return std::string(n, c); }

void FillEntity(Entity& e, int seed) {
    int k = seed;
    auto f = [&] { return Nasty(k); };
    e.enabled = seed % 2 == 0;
    e.spareFlag = seed % 3 == 0;
    e.transform.position = Vec3{f(), f(), f()};
    e.transform.rotation = Vec3{f(), f(), f()};
    e.transform.scale = Vec3{f(), f(), f()};
    e.hasMesh = e.hasRigidBody = e.hasScript = e.hasMaterial = e.hasLight = e.hasCamera = true;
    e.hasParticles = e.hasAudio = e.hasCanvas = e.hasUI = e.hasPrefab = e.hasCollider = e.hasLiquid = true;
    e.mesh.shape = MeshShape_Custom;
    e.mesh.visible = false;
    e.mesh.castShadows = seed % 2;
    e.mesh.importedNode = 7 + seed;
    e.mesh.importedMaterialSlot = 2;
    FillText(e.mesh.modelPath, seed == 0 ? MaxText(1023, 'm') : "Models/with space/\"q\"\\b\t.glb");
    e.rigidBody = RigidBody{f(), false, true, f(), f(), Vec3{f(), f(), f()}};
    e.collider.shape = ColliderShape_Capsule;
    e.collider.size = Vec3{f(), f(), f()};
    e.collider.center = Vec3{f(), f(), f()};
    e.collider.isTrigger = true;
    e.collider.bounciness = f();
    e.collider.friction = f();
    e.collider.convexHull = false;
    FillText(e.script.scriptPath, seed == 0 ? MaxText(255, 's') : "Scripts/player.fs");
    e.script.hotReload = false;
    Material& m = e.material;
    FillText(m.path, "Materials/M\\at \"x\".mat");
    m.baseColor = Vec4{f(), f(), f(), f()};
    m.metallic = f();
    m.roughness = 0.25f;
    m.emissive = Vec3{f(), f(), f()};
    m.normalScale = 2.5f;
    m.heightScale = 0.0f;
    FillText(m.albedoTexture, "T/a lbedo.png");
    FillText(m.normalTexture, "T\\n.png");
    FillText(m.metallicRoughnessTexture, "");
    FillText(m.aoTexture, "T/\xC3\xA4o.png");
    FillText(m.emissiveTexture, "T/e\n.png");
    FillText(m.heightTexture, seed == 0 ? MaxText(255, 'h') : "T/h.png");
    e.light = Light{Vec4{f(), f(), f(), f()}, f(), f(), f(), f(), false, LightType_Spot};
    e.camera = Camera{f(), f(), f()};
    ParticleEmitter& p = e.emitter;
    p.playing = false;
    p.rate = f();
    p.lifetime = f();
    p.speed = f();
    p.startSize = f();
    p.endSize = f();
    p.startColor = Vec4{f(), f(), f(), f()};
    p.endColor = Vec4{f(), f(), f(), f()};
    p.gravity = f();
    p.maxParticles = 12345;
    p.coneAngle = 0.0f;  // a valid cone of zero width
    p.spareFlag = true;
    p.burstPending = true;
    p.burstCount = 99;
    p.shape = EmitterShape_Ring;
    p.blendMode = ParticleBlendMode_SoftAdditive;
    p.collision = true;
    p.prewarm = true;
    p.alignToVelocity = false;
    p.turbulence = f();
    p.drag = f();
    p.sizeRandomness = f();
    p.velocityRandomness = f();
    p.emissionRadius = f();
    p.orbitalVelocity = f();
    FillText(p.texture, "FX/spark \"1\".png");
    LiquidSurface& l = e.liquid;
    l.liquidType = LiquidType_Lava;
    l.size = f();
    l.depth = f();
    l.waveHeight = f();
    l.waveScale = f();
    l.waveSpeed = f();
    l.flowX = f();
    l.flowZ = f();
    l.liquidColor = Vec4{f(), f(), f(), f()};
    l.foam = f();
    l.viscosity = f();
    l.buoyancy = false;
    l.realtimeReflection = false;
    e.audio = AudioSource{};
    FillText(e.audio.clip, "Audio/\t tab.wav");
    e.audio.playOnAwake = true;
    e.audio.loop = true;
    e.audio.volume = f();
    e.audio.pitch = f();
    e.audio.spareLevel = f();
    e.audio.minDistance = f();
    e.audio.maxDistance = f();
    e.audio.spareToggle = false;
    e.canvas = Canvas{1920, -1080, f(), CanvasRenderMode_WorldSpace};
    UIElement& u = e.ui;
    u.type = UIElementType_Slider;
    u.canvasId = 3;
    u.fontSize = -2;
    u.color = Vec4{f(), f(), f(), f()};
    u.anchorMin[0] = f();
    u.anchorMin[1] = f();
    u.anchorMax[0] = f();
    u.anchorMax[1] = f();
    u.offsetMin[0] = f();
    u.offsetMin[1] = f();
    u.offsetMax[0] = f();
    u.offsetMax[1] = f();
    FillText(u.text, seed == 0 ? MaxText(255, 'u') : "Line one\nLine \"two\"\r\n\\end");
    FillText(u.spareText, "");
    FillText(e.prefab.path, "Prefabs/\xE6\x97\xA5\xE6\x9C\xAC.prefab");
}

ScriptMeta MakeMeta(int fields) {
    ScriptMeta sm;
    FillText(sm.scriptPath, "Scripts/enemy \"boss\".fs");
    sm.parsed = true;
    sm.fieldCount = fields;
    for (int i = 0; i < fields; ++i) {
        ScriptField& f = sm.fields[i];
        FillText(f.fieldName, i == 0 ? MaxText(31, 'n') : "speed " + std::to_string(i));
        f.fieldType = i % 8;
        f.fieldValue = kNasty[i % 12];
        FillText(f.stringValue, i == 1 ? MaxText(255, 'v') : "a\tb \"c\"");
        f.vectorValue[0] = -0.0f;
        f.vectorValue[1] = 1.0f / 3.0f;
        f.vectorValue[2] = FLT_MAX;
        f.vectorValue[3] = std::numeric_limits<float>::denorm_min();
        FillText(f.extraText, i == 2 ? MaxText(511, 'x') : "camera;light\\mesh");
    }
    return sm;
}

// Builds the scene every round-trip test starts from.
void BuildFullScene() {
    ClearStore();
    const char* names[] = {"", "Name with blanks", "Quote \" and back\\slash", "Tab\there\nnewline",
                           "\xE2\x9C\x93 UTF-8 \xF0\x9F\x98\x80", nullptr};
    std::string maxName = MaxText(63, 'N');
    for (int i = 0; i < 6; ++i) {
        Entity* e = AddEnt(names[i] ? names[i] : maxName.c_str(), i == 0 ? -1 : g_ents[0].id);
        FillEntity(*e, i);
    }
    // One plain entity with nothing but a transform, one with a parent chain.
    AddEnt("plain", -1);
    Entity* child = AddEnt("grandchild", g_ents[1].id);
    child->enabled = false;
    g_scriptMeta[g_ents[1].id] = MakeMeta(16);
    g_scriptMeta[g_ents[2].id] = MakeMeta(0);
    g_scriptMeta[g_ents[6].id] = MakeMeta(3);  // metadata without a script component
    g_selId = g_ents[3].id;
    g_nextId = 40;  // ids of deleted entities are not reused
    g_ambientStrength = 1.0f / 3.0f;
    g_lightingExposure = -0.0f;
    g_viewMode = 2;
    g_showGrid = false;
    g_snapGrid = true;
    float* ev = &g_engine.skyTopColor[0];
    int k = 3;
    for (int i = 0; i < 9; ++i) ev[i] = Nasty(k);
    g_engine.fogDensity = FLT_MIN;
    g_engine.shadowSoftness = std::numeric_limits<float>::denorm_min();
    g_engine.shadowDistance = FLT_MAX;
    g_engine.bloomIntensity = 0.1f;
    g_engine.ambientOcclusion = -0.0f;
    g_engine.gravity = 9.81f;
    g_engine.maxLights = 7;
    g_engine.physicsSubsteps = 11;
    g_engine.spareInt = -5;
}

uint32_t Bits(float f) {
    uint32_t u;
    std::memcpy(&u, &f, 4);
    return u;
}

#define EXPECT_FBITS(a, b) EXPECT_EQ(Bits(a), Bits(b)) << #a << ": " << (a) << " vs " << (b)
#define EXPECT_V3(a, b)    \
    EXPECT_FBITS(a.x, b.x); \
    EXPECT_FBITS(a.y, b.y); \
    EXPECT_FBITS(a.z, b.z)
#define EXPECT_V4(a, b) \
    EXPECT_V3(a, b);    \
    EXPECT_FBITS(a.w, b.w)
#define EXPECT_TXT(a, b) EXPECT_STREQ(a, b) << #a

void ExpectSameEntity(const Entity& a, const Entity& b) {
    SCOPED_TRACE(std::string("entity ") + std::to_string(a.id) + " " + a.name);
    EXPECT_EQ(a.id, b.id);
    EXPECT_TXT(a.name, b.name);
    EXPECT_EQ(a.parent, b.parent);
    EXPECT_EQ(a.enabled, b.enabled);
    EXPECT_EQ(a.spareFlag, b.spareFlag);
    EXPECT_V3(a.transform.position, b.transform.position);
    EXPECT_V3(a.transform.rotation, b.transform.rotation);
    EXPECT_V3(a.transform.scale, b.transform.scale);
    const bool flagsA[] = {a.hasMesh, a.hasRigidBody, a.hasScript, a.hasMaterial, a.hasLight, a.hasCamera, a.hasParticles,
                           a.hasAudio, a.hasCanvas, a.hasUI, a.hasPrefab, a.hasCollider, a.hasLiquid};
    const bool flagsB[] = {b.hasMesh, b.hasRigidBody, b.hasScript, b.hasMaterial, b.hasLight, b.hasCamera, b.hasParticles,
                           b.hasAudio, b.hasCanvas, b.hasUI, b.hasPrefab, b.hasCollider, b.hasLiquid};
    for (int i = 0; i < 13; ++i) EXPECT_EQ(flagsA[i], flagsB[i]) << "presence flag " << i;
    if (a.hasMesh) {
        EXPECT_TXT(a.mesh.modelPath, b.mesh.modelPath);
        EXPECT_EQ(a.mesh.shape, b.mesh.shape);
        EXPECT_EQ(a.mesh.visible, b.mesh.visible);
        EXPECT_EQ(a.mesh.castShadows, b.mesh.castShadows);
        EXPECT_EQ(a.mesh.importedNode, b.mesh.importedNode);
        EXPECT_EQ(a.mesh.importedMaterialSlot, b.mesh.importedMaterialSlot);
    }
    if (a.hasRigidBody) {
        EXPECT_FBITS(a.rigidBody.mass, b.rigidBody.mass);
        EXPECT_EQ(a.rigidBody.useGravity, b.rigidBody.useGravity);
        EXPECT_EQ(a.rigidBody.isKinematic, b.rigidBody.isKinematic);
        EXPECT_FBITS(a.rigidBody.linearDrag, b.rigidBody.linearDrag);
        EXPECT_FBITS(a.rigidBody.angularDrag, b.rigidBody.angularDrag);
        EXPECT_V3(a.rigidBody.velocity, b.rigidBody.velocity);
    }
    if (a.hasCollider) {
        EXPECT_EQ(a.collider.shape, b.collider.shape);
        EXPECT_V3(a.collider.size, b.collider.size);
        EXPECT_V3(a.collider.center, b.collider.center);
        EXPECT_EQ(a.collider.isTrigger, b.collider.isTrigger);
        EXPECT_FBITS(a.collider.bounciness, b.collider.bounciness);
        EXPECT_FBITS(a.collider.friction, b.collider.friction);
        EXPECT_EQ(a.collider.convexHull, b.collider.convexHull);
    }
    if (a.hasScript) {
        EXPECT_TXT(a.script.scriptPath, b.script.scriptPath);
        EXPECT_EQ(a.script.hotReload, b.script.hotReload);
    }
    if (a.hasMaterial) {
        const Material &x = a.material, &y = b.material;
        EXPECT_TXT(x.path, y.path);
        EXPECT_V4(x.baseColor, y.baseColor);
        EXPECT_FBITS(x.metallic, y.metallic);
        EXPECT_FBITS(x.roughness, y.roughness);
        EXPECT_V3(x.emissive, y.emissive);
        EXPECT_FBITS(x.normalScale, y.normalScale);
        EXPECT_FBITS(x.heightScale, y.heightScale);
        EXPECT_TXT(x.albedoTexture, y.albedoTexture);
        EXPECT_TXT(x.normalTexture, y.normalTexture);
        EXPECT_TXT(x.metallicRoughnessTexture, y.metallicRoughnessTexture);
        EXPECT_TXT(x.aoTexture, y.aoTexture);
        EXPECT_TXT(x.emissiveTexture, y.emissiveTexture);
        EXPECT_TXT(x.heightTexture, y.heightTexture);
    }
    if (a.hasLight) {
        EXPECT_V4(a.light.color, b.light.color);
        EXPECT_FBITS(a.light.intensity, b.light.intensity);
        EXPECT_FBITS(a.light.range, b.light.range);
        EXPECT_FBITS(a.light.spotAngle, b.light.spotAngle);
        EXPECT_FBITS(a.light.spotSoftness, b.light.spotSoftness);
        EXPECT_EQ(a.light.shadows, b.light.shadows);
        EXPECT_EQ(a.light.type, b.light.type);
    }
    if (a.hasCamera) {
        EXPECT_FBITS(a.camera.fov, b.camera.fov);
        EXPECT_FBITS(a.camera.nearPlane, b.camera.nearPlane);
        EXPECT_FBITS(a.camera.farPlane, b.camera.farPlane);
    }
    if (a.hasParticles) {
        const ParticleEmitter &x = a.emitter, &y = b.emitter;
        EXPECT_EQ(x.playing, y.playing);
        EXPECT_FBITS(x.rate, y.rate);
        EXPECT_FBITS(x.lifetime, y.lifetime);
        EXPECT_FBITS(x.speed, y.speed);
        EXPECT_FBITS(x.startSize, y.startSize);
        EXPECT_FBITS(x.endSize, y.endSize);
        EXPECT_V4(x.startColor, y.startColor);
        EXPECT_V4(x.endColor, y.endColor);
        EXPECT_FBITS(x.gravity, y.gravity);
        EXPECT_EQ(x.maxParticles, y.maxParticles);
        EXPECT_FBITS(x.coneAngle, y.coneAngle);
        EXPECT_EQ(x.spareFlag, y.spareFlag);
        EXPECT_EQ(x.burstPending, y.burstPending);
        EXPECT_EQ(x.burstCount, y.burstCount);
        EXPECT_EQ(x.shape, y.shape);
        EXPECT_EQ(x.blendMode, y.blendMode);
        EXPECT_EQ(x.collision, y.collision);
        EXPECT_EQ(x.prewarm, y.prewarm);
        EXPECT_EQ(x.alignToVelocity, y.alignToVelocity);
        EXPECT_FBITS(x.turbulence, y.turbulence);
        EXPECT_FBITS(x.drag, y.drag);
        EXPECT_FBITS(x.sizeRandomness, y.sizeRandomness);
        EXPECT_FBITS(x.velocityRandomness, y.velocityRandomness);
        EXPECT_FBITS(x.emissionRadius, y.emissionRadius);
        EXPECT_FBITS(x.orbitalVelocity, y.orbitalVelocity);
        EXPECT_TXT(x.texture, y.texture);
    }
    if (a.hasLiquid) {
        const LiquidSurface &x = a.liquid, &y = b.liquid;
        EXPECT_EQ(x.liquidType, y.liquidType);
        EXPECT_FBITS(x.size, y.size);
        EXPECT_FBITS(x.depth, y.depth);
        EXPECT_FBITS(x.waveHeight, y.waveHeight);
        EXPECT_FBITS(x.waveScale, y.waveScale);
        EXPECT_FBITS(x.waveSpeed, y.waveSpeed);
        EXPECT_FBITS(x.flowX, y.flowX);
        EXPECT_FBITS(x.flowZ, y.flowZ);
        EXPECT_V4(x.liquidColor, y.liquidColor);
        EXPECT_FBITS(x.foam, y.foam);
        EXPECT_FBITS(x.viscosity, y.viscosity);
        EXPECT_EQ(x.buoyancy, y.buoyancy);
        EXPECT_EQ(x.realtimeReflection, y.realtimeReflection);
    }
    if (a.hasAudio) {
        const AudioSource &x = a.audio, &y = b.audio;
        EXPECT_TXT(x.clip, y.clip);
        EXPECT_EQ(x.playOnAwake, y.playOnAwake);
        EXPECT_EQ(x.loop, y.loop);
        EXPECT_FBITS(x.volume, y.volume);
        EXPECT_FBITS(x.pitch, y.pitch);
        EXPECT_FBITS(x.spareLevel, y.spareLevel);
        EXPECT_FBITS(x.minDistance, y.minDistance);
        EXPECT_FBITS(x.maxDistance, y.maxDistance);
        EXPECT_EQ(x.spareToggle, y.spareToggle);
    }
    if (a.hasCanvas) {
        EXPECT_EQ(a.canvas.width, b.canvas.width);
        EXPECT_EQ(a.canvas.height, b.canvas.height);
        EXPECT_FBITS(a.canvas.spareScale, b.canvas.spareScale);
        EXPECT_EQ(a.canvas.renderMode, b.canvas.renderMode);
    }
    if (a.hasUI) {
        const UIElement &x = a.ui, &y = b.ui;
        EXPECT_EQ(x.type, y.type);
        EXPECT_EQ(x.canvasId, y.canvasId);
        EXPECT_EQ(x.fontSize, y.fontSize);
        EXPECT_V4(x.color, y.color);
        for (int i = 0; i < 2; ++i) {
            EXPECT_FBITS(x.anchorMin[i], y.anchorMin[i]);
            EXPECT_FBITS(x.anchorMax[i], y.anchorMax[i]);
            EXPECT_FBITS(x.offsetMin[i], y.offsetMin[i]);
            EXPECT_FBITS(x.offsetMax[i], y.offsetMax[i]);
        }
        EXPECT_TXT(x.text, y.text);
        EXPECT_TXT(x.spareText, y.spareText);
    }
    if (a.hasPrefab) {
        EXPECT_TXT(a.prefab.path, b.prefab.path);
    }
}

void ExpectSameMeta(const ScriptMeta& a, const ScriptMeta& b) {
    EXPECT_TXT(a.scriptPath, b.scriptPath);
    EXPECT_EQ(a.parsed, b.parsed);
    ASSERT_EQ(a.fieldCount, b.fieldCount);
    for (int i = 0; i < a.fieldCount; ++i) {
        const ScriptField &x = a.fields[i], &y = b.fields[i];
        EXPECT_TXT(x.fieldName, y.fieldName);
        EXPECT_EQ(x.fieldType, y.fieldType);
        EXPECT_FBITS(x.fieldValue, y.fieldValue);
        EXPECT_TXT(x.stringValue, y.stringValue);
        for (int j = 0; j < 4; ++j) EXPECT_FBITS(x.vectorValue[j], y.vectorValue[j]);
        EXPECT_TXT(x.extraText, y.extraText);
    }
}

class SceneFileTest : public ::testing::Test {
protected:
    TempTree t;
    void SetUp() override {
        LogSetStderrMirror(false);
        LogClear();
        ClearStore();
        g_engine = EngineRenderSettings{};
    }
    void TearDown() override {
        ClearStore();
        g_engine = EngineRenderSettings{};
        UndoClearHistory();
    }
    // A file made of the usual first lines plus body.
    std::string WriteScene(const std::string& body, const std::string& name = "s.korvane") {
        return t.Write(name, std::string(kSceneHeader) + "\nscene 0.1 1.15 0 1 0\n" + body);
    }
};

// ---- Round trip ---------------------------------------------------------------------

TEST_F(SceneFileTest, EveryFieldRoundTripsAndResavesByteIdentical) {
    BuildFullScene();
    const std::vector<Entity> before = g_ents;
    const auto metaBefore = g_scriptMeta;
    const EngineRenderSettings engineBefore = g_engine;
    const int32_t sel = g_selId, next = g_nextId;

    std::string a = t / "a.korvane";
    ASSERT_TRUE(SaveScene(a.c_str()));
    EXPECT_FALSE(g_sceneDirty);
    EXPECT_STREQ(g_scenePath, a.c_str());
    EXPECT_TRUE(HasLog(2, "Scene saved: " + a + " (8 entities)"));

    ClearStore();
    g_engine = EngineRenderSettings{};
    g_ambientStrength = 0.5f;
    ASSERT_TRUE(LoadScene(a.c_str()));
    ASSERT_EQ(g_ents.size(), before.size());
    for (size_t i = 0; i < before.size(); ++i) {
        ExpectSameEntity(before[i], g_ents[i]);
        EXPECT_EQ(g_ents[i].children, before[i].children);  // list order equals creation order here
    }
    ASSERT_EQ(g_scriptMeta.size(), metaBefore.size());
    for (const auto& [id, meta] : metaBefore) {
        ASSERT_TRUE(g_scriptMeta.count(id)) << id;
        ExpectSameMeta(meta, g_scriptMeta[id]);
    }
    EXPECT_EQ(g_selId, sel);
    EXPECT_EQ(g_nextId, next);
    EXPECT_FBITS(g_ambientStrength, 1.0f / 3.0f);
    EXPECT_FBITS(g_lightingExposure, -0.0f);
    EXPECT_EQ(g_viewMode, 2);
    EXPECT_FALSE(g_showGrid);
    EXPECT_TRUE(g_snapGrid);
    for (int i = 0; i < 3; ++i) {
        EXPECT_FBITS(g_engine.skyTopColor[i], engineBefore.skyTopColor[i]);
        EXPECT_FBITS(g_engine.skyHorizonColor[i], engineBefore.skyHorizonColor[i]);
        EXPECT_FBITS(g_engine.fogColor[i], engineBefore.fogColor[i]);
    }
    EXPECT_FBITS(g_engine.fogDensity, FLT_MIN);
    EXPECT_FBITS(g_engine.shadowSoftness, std::numeric_limits<float>::denorm_min());
    EXPECT_FBITS(g_engine.shadowDistance, FLT_MAX);
    EXPECT_FBITS(g_engine.ambientOcclusion, -0.0f);
    EXPECT_EQ(g_engine.maxLights, 7);
    EXPECT_EQ(g_engine.physicsSubsteps, 11);
    EXPECT_EQ(g_engine.spareInt, -5);
    EXPECT_FBITS(g_engine.contactShadowStrength, EngineRenderSettings{}.contactShadowStrength);

    std::string b = t / "b.korvane";
    ASSERT_TRUE(SaveScene(b.c_str()));
    EXPECT_EQ(ReadAll(a), ReadAll(b));
    EXPECT_TRUE(SceneFileLooksComplete(b.c_str(), before.size()));
}

TEST_F(SceneFileTest, WritesTheDocumentedLineFormats) {
    ClearStore();
    Entity* e = AddEnt("Box \"1\"", -1);
    e->hasMesh = true;
    e->transform.position = Vec3{0.1f, -0.0f, 2.0f};
    std::string p = t / "fmt.korvane";
    ASSERT_TRUE(SaveScene(p.c_str()));
    const std::string text = ReadAll(p);
    EXPECT_EQ(text.rfind("# Korvane Scene v3\nscene ", 0), 0u);
    EXPECT_NE(text.find("\nscene_state 1 -1 2\n"), std::string::npos);
    EXPECT_NE(text.find("\nentity 1 \"Box \\\"1\\\"\" -1 1 1\n"), std::string::npos);
    EXPECT_NE(text.find("\ntransform 0.100000001 -0 2 0 0 0 1 1 1\n"), std::string::npos);
    EXPECT_NE(text.find("\nmesh 0 1 1 -1 -1 \"cube\"\nend\n"), std::string::npos);
    EXPECT_EQ(text.back(), '\n');
}

TEST_F(SceneFileTest, NumbersDoNotDependOnTheLocale) {
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8") && !std::setlocale(LC_NUMERIC, "fr_FR.UTF-8")) {
        GTEST_SKIP() << "no locale with a decimal comma installed";
    }
    ClearStore();
    AddEnt("x", -1)->transform.position.x = 1.5f;
    std::string p = t / "loc.korvane";
    const bool saved = SaveScene(p.c_str());
    ClearStore();
    const bool loaded = LoadScene(p.c_str());
    std::setlocale(LC_NUMERIC, "C");
    ASSERT_TRUE(saved && loaded);
    EXPECT_NE(ReadAll(p).find("transform 1.5 0 0"), std::string::npos);
    EXPECT_EQ(g_ents[0].transform.position.x, 1.5f);
}

TEST(SceneText, QuoteEscapeAndRead) {
    EXPECT_EQ(SceneEscape("a\tb\nc\rd\"e\\f"), "a\\tb\\nc\\rd\\\"e\\\\f");
    EXPECT_EQ(SceneQuote(""), "\"\"");
    struct Row {
        const char* line;
        bool ok;
        const char* text;
        const char* rest;
    } rows[] = {
        {"  \"a b\" tail", true, "a b", " tail"},
        {"\"\"", true, "", ""},
        {"\"x\\\"y\\\\z\\n\\t\\r\\q\"", true, "x\"y\\z\n\t\rq", ""},
        {"plain rest", true, "plain", " rest"},
        {"\"unterminated", false, "", "\"unterminated"},
        {"\"ends in escape\\", false, "", "\"ends in escape\\"},
        {"   ", false, "", "   "},
    };
    for (const auto& r : rows) {
        std::string line = r.line, out;
        SceneLineCursor c(line);
        EXPECT_EQ(SceneReadQuoted(c, out), r.ok) << r.line;
        if (r.ok) {
            EXPECT_EQ(out, r.text) << r.line;
        }
        EXPECT_EQ(std::string(c.p, c.end), r.rest) << r.line;
    }
}

// ---- Older and malformed lines ---------------------------------------------------

struct LineCase {
    const char* what;
    std::string body;
    std::function<void()> check;
};

TEST_F(SceneFileTest, OlderAndMalformedLineForms) {
    const char* E = "entity 1 \"e\" -1 1 1\ntransform 0 0 0 0 0 0 1 1 1\n";
    auto ent = [] { return g_ents.at(0); };
    std::vector<LineCase> rows = {
        {"mesh, oldest form: three numbers and a path", std::string(E) + "mesh 6 1 0 \"m.glb\"\nend\n",
         [&] {
             EXPECT_EQ(ent().mesh.importedNode, -1);
             EXPECT_EQ(ent().mesh.importedMaterialSlot, -1);
             EXPECT_STREQ(ent().mesh.modelPath, "m.glb");
             EXPECT_FALSE(ent().mesh.castShadows);
         }},
        {"mesh with node but no slot", std::string(E) + "mesh 6 1 1 3 \"m.glb\"\nend\n",
         [&] {
             EXPECT_EQ(ent().mesh.importedNode, 3);
             EXPECT_EQ(ent().mesh.importedMaterialSlot, -1);
             EXPECT_STREQ(ent().mesh.modelPath, "m.glb");
         }},
        {"mesh with an unquoted path where the node would be", std::string(E) + "mesh 6 1 1 x.glb\nend\n",
         [&] {
             EXPECT_EQ(ent().mesh.importedNode, -1);
             EXPECT_STREQ(ent().mesh.modelPath, "x.glb");
         }},
        {"primitive with empty path keeps cube", std::string(E) + "mesh 1 1 1 -1 -1 \"\"\nend\n",
         [&] { EXPECT_STREQ(ent().mesh.modelPath, "cube"); }},
        {"custom mesh with empty path stays empty", std::string(E) + "mesh 6 1 1 -1 -1 \"\"\nend\n",
         [&] { EXPECT_STREQ(ent().mesh.modelPath, ""); }},
        {"rb without velocity", std::string(E) + "rb 2 1 0 0.5 0.1\nend\n",
         [&] {
             EXPECT_EQ(ent().rigidBody.mass, 2.0f);
             EXPECT_EQ(ent().rigidBody.velocity.x, 0.0f);
         }},
        {"particles, older form with cone 0 keeps the previous angle",
         std::string(E) + "particles 1 20 2 3 0.1 0.01 1 1 1 1 1 1 1 0 0 77\nend\n",
         [&] {
             const auto& p = ent().emitter;
             EXPECT_EQ(p.coneAngle, 15.0f);
             EXPECT_EQ(p.maxParticles, 77);
             EXPECT_EQ(p.gravity, 0.0f);
             EXPECT_EQ(p.burstCount, 30);
             EXPECT_FALSE(p.burstPending);
         }},
        {"particles, current form keeps a cone of 0",
         std::string(E) + "particles 1 20 2 3 0.1 0.01 1 1 1 1 1 1 1 0 -9.8 0 64 1 1 12\nend\n",
         [&] {
             const auto& p = ent().emitter;
             EXPECT_EQ(p.coneAngle, 0.0f);
             EXPECT_EQ(p.gravity, -9.8f);
             EXPECT_EQ(p.burstCount, 12);
             EXPECT_TRUE(p.burstPending);
         }},
        {"particlefx without flags", std::string(E) + "particlefx 2 0\nend\n",
         [&] {
             EXPECT_EQ(ent().emitter.shape, 2);
             EXPECT_FALSE(ent().emitter.collision);
             EXPECT_TRUE(ent().emitter.alignToVelocity);
             EXPECT_TRUE(ent().hasParticles);
         }},
        {"liquid without viscosity",
         std::string(E) + "liquid 1 10 1 0.2 0.8 1.2 0.06 0.02 0.1 0.4 0.7 0.8 0.3 0 1\nend\n",
         [&] {
             EXPECT_EQ(ent().liquid.viscosity, 1.0f);
             EXPECT_FALSE(ent().liquid.buoyancy);
             EXPECT_TRUE(ent().liquid.realtimeReflection);
         }},
        {"audio without spare toggle", std::string(E) + "audio \"a.wav\" 1 0 0.5 1 1 1 50\nend\n",
         [&] {
             EXPECT_TRUE(ent().audio.spareToggle);
             EXPECT_EQ(ent().audio.volume, 0.5f);
         }},
        {"material, older form: no emissive or scales", std::string(E) + "material \"\" 0.5 0.5 0.5 1 0.2 0.7 \"a.png\" \"n.png\"\nend\n",
         [&] {
             const auto& m = ent().material;
             EXPECT_EQ(m.baseColor.x, 0.5f);
             EXPECT_EQ(m.roughness, 0.7f);
             EXPECT_EQ(m.normalScale, 1.0f);
             EXPECT_STREQ(m.albedoTexture, "a.png");
             EXPECT_STREQ(m.normalTexture, "n.png");
         }},
        {"material normalised", std::string(E) + "material \"\" 0 0 0 0 0 0 0 0 0 -1 -2\nend\n",
         [&] {
             const auto& m = ent().material;
             EXPECT_EQ(m.baseColor.x, 1.0f);
             EXPECT_EQ(m.roughness, 0.55f);
             EXPECT_EQ(m.normalScale, 1.0f);
             EXPECT_EQ(m.heightScale, 0.0f);
         }},
        {"entity without a name is dropped with its components",
         "entity 1\nmesh 1 1 1 -1 -1 \"x\"\nend\nentity 2 \"ok\" -1 1\nend\n",
         [&] {
             ASSERT_EQ(g_ents.size(), 1u);
             EXPECT_EQ(ent().id, 2);
             EXPECT_FALSE(ent().hasMesh);
             EXPECT_TRUE(ent().spareFlag);  // absent spare flag
             EXPECT_TRUE(HasLog(3, "Skipping malformed entity line in"));
         }},
        {"unquoted name from an old file", "entity 4 Cube -1 0 0\nend\n",
         [&] {
             EXPECT_STREQ(ent().name, "Cube");
             EXPECT_FALSE(ent().enabled);
             EXPECT_EQ(g_nextId, 5);
         }},
        {"negative and overflowing ids are rejected",
         "entity -3 \"neg\" -1 1 1\nmesh 1 1 1 -1 -1 \"\"\nend\nentity 2147483647 \"max\" -1 1 1\nend\n"
         "entity 2147483646 \"max-1\" -1 1 1\nend\nentity 99999999999 \"huge\" -1 1 1\nend\nentity 5 \"ok\" -1 1 1\nend\n",
         [&] {
             ASSERT_EQ(g_ents.size(), 1u);
             EXPECT_EQ(ent().id, 5);
             EXPECT_EQ(g_nextId, 6);
         }},
        {"duplicate id gets a fresh id", "entity 3 \"a\" -1 1 1\nend\nentity 3 \"b\" -1 1 1\nend\nentity 9 \"c\" 3 1 1\nend\n",
         [&] {
             ASSERT_EQ(g_ents.size(), 3u);
             EXPECT_EQ(g_ents[0].id, 3);
             EXPECT_EQ(g_ents[1].id, 10);
             EXPECT_EQ(g_entIdx.at(3), 0);
             EXPECT_EQ(g_entIdx.at(10), 1);
             EXPECT_EQ(g_ents[0].children, std::vector<int32_t>{9});
             EXPECT_EQ(g_nextId, 11);
             EXPECT_TRUE(HasLog(3, "appears twice"));
         }},
        {"self parent and missing parent become roots",
         "entity 1 \"self\" 1 1 1\nend\nentity 2 \"orphan\" 77 1 1\nend\n",
         [&] {
             EXPECT_EQ(g_ents[0].parent, -1);
             EXPECT_EQ(g_ents[1].parent, -1);
         }},
        {"a three-entity parent cycle is broken",
         "entity 1 \"a\" 3 1 1\nend\nentity 2 \"b\" 1 1 1\nend\nentity 3 \"c\" 2 1 1\nend\nentity 4 \"d\" 2 1 1\nend\n",
         [&] {
             int roots = 0;
             for (const auto& e : g_ents) roots += e.parent < 0;
             EXPECT_EQ(roots, 1);
             for (const auto& e : g_ents) EXPECT_LE(EntityHierarchyDepth(e.id), 3);
             EXPECT_TRUE(HasLog(3, "Breaking parent cycle"));
         }},
        {"CR/LF line ends", "entity 1 \"crlf\" -1 1 1\r\nmesh 6 1 1 -1 -1 \"m.glb\"\r\nend\r\n",
         [&] {
             EXPECT_STREQ(ent().name, "crlf");
             EXPECT_STREQ(ent().mesh.modelPath, "m.glb");
             EXPECT_TRUE(ent().spareFlag);
         }},
        {"an over-long line is skipped whole",
         "entity 1 \"a\" -1 1 1\nprefab \"" + std::string(9000, 'p') + " entity 66 \"x\" -1 1 1\"\nend\n",
         [&] {
             ASSERT_EQ(g_ents.size(), 1u);
             EXPECT_FALSE(ent().hasPrefab);
             EXPECT_TRUE(HasLog(3, "over-long line"));
         }},
        {"a path too long for its field is ignored, not cut",
         "entity 1 \"a\" -1 1 1\nscript \"" + std::string(300, 's') + "\" 0\nend\n",
         [&] {
             EXPECT_STREQ(ent().script.scriptPath, "");
             EXPECT_FALSE(ent().script.hotReload);
         }},
        {"a name too long is cut on a character boundary",
         "entity 1 \"" + std::string(62, 'n') + "\xC3\xA9xyz\" -1 1 1\nend\n",
         [&] { EXPECT_EQ(std::string(ent().name), std::string(62, 'n')); }},
        {"non-finite numbers keep the previous value", std::string(E) + "camera nan inf -inf\nend\n",
         [&] {
             EXPECT_EQ(ent().camera.fov, 60.0f);
             EXPECT_EQ(ent().camera.farPlane, 1000.0f);
             EXPECT_TRUE(ent().hasCamera);
         }},
        {"unknown keywords and stray component lines are ignored",
         "mesh 1 1 1 -1 -1 \"x\"\nwobble 1 2\nentity 1 \"a\" -1 1 1\nwobble 3\nend\ncamera 1 2 3\n",
         [&] {
             ASSERT_EQ(g_ents.size(), 1u);
             EXPECT_FALSE(ent().hasMesh);
             EXPECT_FALSE(ent().hasCamera);
         }},
        {"script fields: without scriptmeta, and at most sixteen",
         [] {
             std::string b = "entity 1 \"a\" -1 1 1\n";
             for (int i = 0; i < 18; ++i) b += "scriptfield \"f" + std::to_string(i) + "\" 0 1.5 \"\" 1 1 1 1 \"\"\n";
             return b + "end\n";
         }(),
         [&] {
             ASSERT_TRUE(g_scriptMeta.count(1));
             EXPECT_EQ(g_scriptMeta[1].fieldCount, 16);
             EXPECT_STREQ(g_scriptMeta[1].fields[15].fieldName, "f15");
             EXPECT_FALSE(g_scriptMeta[1].parsed);
         }},
        {"scene_state selection and next id", "scene_state 2 7 50\nentity 7 \"a\" -1 1 1\nend\n",
         [&] {
             EXPECT_EQ(g_selId, 7);
             EXPECT_EQ(g_nextId, 50);
         }},
        {"selection of a missing entity is cleared", "scene_state 2 8 1\nentity 7 \"a\" -1 1 1\nend\n",
         [&] { EXPECT_EQ(g_selId, -1); }},
        {"an entity left open at the end of the file is kept", "entity 1 \"open\" -1 1 1\ncamera 30 1 10",
         [&] {
             ASSERT_EQ(g_ents.size(), 1u);
             EXPECT_EQ(ent().camera.fov, 30.0f);
         }},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        LogClear();
        ClearStore();
        std::string p = WriteScene(r.body);
        ASSERT_TRUE(LoadScene(p.c_str()));
        r.check();
        for (size_t i = 0; i < g_ents.size(); ++i) EXPECT_EQ(g_entIdx.at(g_ents[i].id), static_cast<int32_t>(i));
    }
}

TEST_F(SceneFileTest, SceneLineDefaultsAndMissingEngineLine) {
    g_engine.gravity = 3.0f;
    g_showGrid = false;
    g_snapGrid = true;
    std::string p = t.Write("s.korvane", "# Korvane Scene v3\nscene 0.3 2 1\nentity 1 \"a\" -1 1 1\nend\n");
    ASSERT_TRUE(LoadScene(p.c_str()));
    EXPECT_EQ(g_engine.gravity, 3.0f);  // no engine line: settings kept
    EXPECT_EQ(g_ambientStrength, 0.3f);
    EXPECT_EQ(g_lightingExposure, 2.0f);
    EXPECT_EQ(g_viewMode, 1);
    EXPECT_TRUE(g_showGrid);  // missing flags read as 1 and 0
    EXPECT_FALSE(g_snapGrid);
}

TEST_F(SceneFileTest, MaterialLineWithoutNumbersLoadsTheAsset) {
    std::string mat = t.Write("Stone.mat", "material {\n  color = {0.5, 0.25, 1, 1}\n  albedo = \"T/s.png\"\n}\n");
    std::string p = WriteScene("entity 1 \"a\" -1 1 1\nmaterial " + SceneQuote(mat) + "\nend\n");
    ASSERT_TRUE(LoadScene(p.c_str()));
    EXPECT_STREQ(g_ents[0].material.path, mat.c_str());
    EXPECT_EQ(g_ents[0].material.baseColor.y, 0.25f);
    EXPECT_STREQ(g_ents[0].material.albedoTexture, "T/s.png");
}

TEST_F(SceneFileTest, FailedLoadLeavesTheSceneUntouched) {
    ClearStore();
    AddEnt("keep me", -1);
    g_sceneDirty = true;
    std::strcpy(g_scenePath, "/old/path.korvane");
    struct Row {
        const char* what;
        std::string path;
        const char* message;
    } rows[] = {
        {"missing file", t / "missing.korvane", "Scene load failed: No such file or directory"},
        {"read error (a directory)", t.Mkdir("dir.korvane"), "Scene load failed: Is a directory"},
        {"path too long", "/" + std::string(1100, 'p'), "Scene load failed: path too long"},
        {"empty path", "", "Scene load failed: missing path"},
    };
    for (const auto& r : rows) {
        LogClear();
        EXPECT_FALSE(LoadScene(r.path.c_str())) << r.what;
        ASSERT_EQ(g_ents.size(), 1u) << r.what;
        EXPECT_STREQ(g_ents[0].name, "keep me");
        EXPECT_TRUE(g_sceneDirty);
        EXPECT_STREQ(g_scenePath, "/old/path.korvane");
        EXPECT_TRUE(HasLog(4, r.message)) << r.what;
    }
}

TEST_F(SceneFileTest, NewSceneAndLoadClearUndoAndSelectionState) {
    ClearStore();
    AddEnt("a", -1);
    UndoPushSnapshot(CaptureSceneSnapshot(), "Edit");
    ASSERT_FALSE(g_undoStack.empty());
    g_lastEntitySelId = 1;
    g_renameEntId = 1;
    g_engine.gravity = 2.0f;

    NewScene();
    EXPECT_TRUE(g_undoStack.empty());
    EXPECT_TRUE(g_redoStack.empty());
    EXPECT_EQ(g_lastEntitySelId, -1);
    EXPECT_EQ(g_renameEntId, -1);
    EXPECT_EQ(g_engine.gravity, 2.0f);  // render settings stay
    ASSERT_EQ(g_ents.size(), 2u);
    EXPECT_STREQ(g_ents[0].name, "Main Camera");
    EXPECT_TRUE(g_ents[0].hasCamera);
    EXPECT_STREQ(g_ents[1].name, "Sun Directional Light");
    EXPECT_EQ(g_ents[1].light.intensity, 5.5f);
    EXPECT_EQ(g_ents[1].transform.rotation.y, -35.0f);
    // The camera looks at the origin from above and the sun shines down, so
    // a new scene shows its content lit.
    auto forward = [](const Entity& e) {
        const Vec3& r = e.transform.rotation;
        return QuatRotate(QuatFromEuler(r.x, r.y, r.z), Vec3{0, 0, -1});
    };
    const Vec3 camFwd = forward(g_ents[0]);
    const Vec3 toOrigin = Vec3{0, 0, 0} - g_ents[0].transform.position;
    const float len = std::sqrt(toOrigin.x * toOrigin.x + toOrigin.y * toOrigin.y + toOrigin.z * toOrigin.z);
    EXPECT_GT((camFwd.x * toOrigin.x + camFwd.y * toOrigin.y + camFwd.z * toOrigin.z) / len, 0.98f);
    EXPECT_LT(forward(g_ents[1]).y, -0.5f);
    EXPECT_TRUE(g_sceneDirty);
    EXPECT_STREQ(g_scenePath, "");
    EXPECT_TRUE(HasLog(2, "New scene"));

    std::string p = t / "n.korvane";
    ASSERT_TRUE(SaveScene(p.c_str()));
    UndoPushSnapshot(CaptureSceneSnapshot(), "Edit");
    g_lastEntitySelId = 2;
    g_renameEntId = 2;
    ASSERT_TRUE(LoadScene(p.c_str()));
    EXPECT_TRUE(g_undoStack.empty());
    EXPECT_EQ(g_lastEntitySelId, -1);
    EXPECT_EQ(g_renameEntId, -1);
    EXPECT_FALSE(g_sceneDirty);
}

// ---- Saving: backups, verification and failures ------------------------------------

TEST_F(SceneFileTest, BackupKeepsThePreviousFileUnlessTurnedOff) {
    std::string p = t / "b.korvane";
    ClearStore();
    AddEnt("one", -1);
    ASSERT_TRUE(SaveScene(p.c_str()));
    const std::string first = ReadAll(p);
    AddEnt("two", -1);
    ASSERT_TRUE(SaveScene(p.c_str()));
    EXPECT_EQ(ReadAll(p + ".bak"), first);
    EXPECT_NE(ReadAll(p), first);
    EXPECT_FALSE(Exists(p + ".tmp"));

    std::remove((p + ".bak").c_str());
    {
        EnvGuard off("KORVANE_SCENE_BACKUP", "0");
        ASSERT_TRUE(SaveScene(p.c_str()));
    }
    EXPECT_FALSE(Exists(p + ".bak"));

    // A backup that cannot be made warns, leaves no partial copy, and the
    // save still goes through.
    t.Write("b.korvane.bak/blocker", "x");
    AddEnt("three", -1);
    LogClear();
    ASSERT_TRUE(SaveScene(p.c_str()));
    EXPECT_TRUE(HasLog(3, "Scene backup failed"));
    EXPECT_TRUE(SceneFileLooksComplete(p.c_str(), 3));
}

TEST_F(SceneFileTest, VerifyAndFsyncSwitches) {
    EnvGuard verify("KORVANE_SAVE_VERIFY", "1");
    EnvGuard sync("KORVANE_SAVE_FSYNC", "1");
    BuildFullScene();
    std::string p = t / "v.korvane";
    ASSERT_TRUE(SaveScene(p.c_str()));
    EXPECT_TRUE(SceneFileLooksComplete(p.c_str(), g_ents.size()));
}

TEST(SceneFileLooksComplete, Table) {
    TempTree t;
    const std::string head = "# Korvane Scene v3\nscene 1 1 0 1 0\nengine 1\nscene_state 2 -1 3\n";
    struct Row {
        const char* what;
        std::string body;
        size_t expected;
        bool complete;
    } rows[] = {
        {"complete", head + "entity 1 \"a\" -1 1 1\nend\nentity 2 \"b\" -1 1 1\nend\n", 2, true},
        {"more ends than entities", head + "entity 1 \"a\" -1 1 1\nend\nend\n", 1, true},
        {"missing end", head + "entity 1 \"a\" -1 1 1\nend\nentity 2 \"b\" -1 1 1\n", 2, false},
        {"wrong entity count", head + "entity 1 \"a\" -1 1 1\nend\n", 2, false},
        {"no header", "scene 1 1 0 1 0\nengine 1\n", 0, false},
        {"only scene_state, no scene line", "# Korvane Scene v3\nscene_state 0 -1 1\nengine 1\n", 0, false},
        {"no engine line", "# Korvane Scene v3\nscene 1 1 0 1 0\n", 0, false},
        {"CR/LF", "# Korvane Scene v3\r\nscene 1\r\nengine 1\r\nentity 1 \"a\"\r\nend\r\n", 1, true},
    };
    for (const auto& r : rows) {
        std::string p = t.Write("c.korvane", r.body);
        EXPECT_EQ(SceneFileLooksComplete(p.c_str(), r.expected), r.complete) << r.what;
    }
    EXPECT_FALSE(SceneFileLooksComplete((t / "none").c_str(), 0));
}

TEST_F(SceneFileTest, FailedSavesKeepTheOldFileAndSayWhy) {
    std::string p = t / "f.korvane";
    ClearStore();
    AddEnt("old", -1);
    ASSERT_TRUE(SaveScene(p.c_str()));
    const std::string old = ReadAll(p);
    AddEnt("new", -1);
    g_sceneDirty = true;

    // The temporary path is a directory.
    t.Mkdir("f.korvane.tmp/x");
    LogClear();
    EXPECT_FALSE(SaveScene(p.c_str()));
    EXPECT_TRUE(HasLog(4, "Scene save failed: Is a directory"));
    EXPECT_EQ(ReadAll(p), old);
    EXPECT_TRUE(g_sceneDirty);
    std::filesystem::remove_all(p + ".tmp");

    // A link planted at the temporary name is not followed.
    std::string victim = t.Write("victim.txt", "do not truncate");
    ASSERT_EQ(symlink(victim.c_str(), (p + ".tmp").c_str()), 0);
    LogClear();
    EXPECT_FALSE(SaveScene(p.c_str()));
    EXPECT_TRUE(HasLog(4, "Scene save failed: Too many levels of symbolic links"));
    EXPECT_EQ(ReadAll(victim), "do not truncate");
    EXPECT_EQ(ReadAll(p), old);
    std::remove((p + ".tmp").c_str());

    // The rename cannot replace the target (a non-empty directory).
    std::string dirTarget = t.Mkdir("d.korvane/inside");
    dirTarget = t / "d.korvane";
    LogClear();
    EXPECT_FALSE(SaveScene(dirTarget.c_str()));
    EXPECT_TRUE(HasLog(4, "Scene save failed: could not replace"));
    EXPECT_FALSE(Exists(dirTarget + ".tmp"));
    EXPECT_TRUE(Exists(dirTarget + "/inside"));

    // The parent is a file.
    t.Write("plainfile", "x");
    LogClear();
    EXPECT_FALSE(SaveScene((t / "plainfile/s.korvane").c_str()));
    EXPECT_TRUE(HasLog(4, "Scene save failed: Not a directory"));

    LogClear();
    EXPECT_FALSE(SaveScene(""));
    EXPECT_FALSE(SaveScene(nullptr));
    EXPECT_TRUE(HasLog(4, "Scene save failed: missing path"));
    EXPECT_FALSE(SaveScene(("/tmp/" + std::string(1100, 'x')).c_str()));
    EXPECT_TRUE(HasLog(4, "Scene save failed: path too long"));
    EXPECT_EQ(ReadAll(p), old);
}

// Runs fn in a forked child and returns its exit status (or 128 + signal).
int RunInChild(const std::function<int()>& fn) {
    std::fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0) _exit(fn());
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

TEST_F(SceneFileTest, WriteErrorMidFileFailsTheSaveAndKeepsTheOldScene) {
    std::string p = t / "big.korvane";
    ClearStore();
    AddEnt("small", -1);
    ASSERT_TRUE(SaveScene(p.c_str()));
    const std::string old = ReadAll(p);

    int rc = RunInChild([&] {
        signal(SIGXFSZ, SIG_IGN);  // a write past the limit then fails with EFBIG
        struct rlimit lim = {200 * 1024, 200 * 1024};
        if (setrlimit(RLIMIT_FSIZE, &lim) != 0) return 10;
        LogSetStderrMirror(false);
        LogClear();
        for (int i = 0; i < 400; ++i) FillEntity(*AddEnt("bulk", -1), i);  // about 1 MB of text
        if (SaveScene(p.c_str())) return 11;
        if (!HasLog(4, "Scene save failed: write error: File too large") &&
            !HasLog(4, "Scene save failed: flush error: File too large")) {
            return 12;
        }
        if (Exists(p + ".tmp")) return 13;
        return 0;
    });
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(ReadAll(p), old);
    EXPECT_FALSE(Exists(p + ".tmp"));
}

TEST_F(SceneFileTest, KilledWhileSavingLeavesTheOldOrTheNewFileComplete) {
    // Two versions of a scene, written once to know their exact bytes.
    auto buildA = [] {
        ClearStore();
        for (int i = 0; i < 300; ++i) FillEntity(*AddEnt("A", -1), i);
    };
    auto buildB = [] {
        ClearStore();
        for (int i = 0; i < 200; ++i) FillEntity(*AddEnt("B", -1), i + 1);
    };
    std::string refA = t / "refA.korvane", refB = t / "refB.korvane";
    buildA();
    ASSERT_TRUE(SaveScene(refA.c_str()));
    buildB();
    ASSERT_TRUE(SaveScene(refB.c_str()));
    const std::string bytesA = ReadAll(refA), bytesB = ReadAll(refB);

    std::string p = t / "live.korvane";
    buildA();
    ASSERT_TRUE(SaveScene(p.c_str()));
    std::mt19937 rng(12345);
    for (int round = 0; round < 12; ++round) {
        std::fflush(nullptr);
        pid_t pid = fork();
        if (pid == 0) {
            LogSetStderrMirror(false);
            for (int i = 0;; ++i) {
                if (i % 2) buildA();
                else buildB();
                SaveScene(p.c_str());
                LogClear();
            }
        }
        usleep(2000 + rng() % 40000);
        kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);
        const std::string now = ReadAll(p);
        EXPECT_TRUE(now == bytesA || now == bytesB) << "round " << round << ": " << now.size() << " bytes";
        EXPECT_TRUE(SceneFileLooksComplete(p.c_str(), now == bytesA ? 300 : 200)) << "round " << round;
    }
}

}  // namespace
