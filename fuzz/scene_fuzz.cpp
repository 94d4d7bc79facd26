// Scene files: any bytes given to LoadScene. A refused file must leave the
// open scene alone; a loaded one must satisfy the store's invariants, hold
// only finite numbers, and save, reload and save again to the same bytes.

#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_set>

#include "editor/legacy/base/AppState.h"
#include "editor/legacy/files/SceneFile.h"
#include "editor/legacy/scene/EntityStore.h"
#include "fuzz/FuzzSupport.h"

using namespace korvane::fuzz;

namespace {

constexpr int32_t kSentinelId = 777;

struct SceneGlobals {
    EngineRenderSettings engine;
    float ambient, exposure;
    int32_t viewMode;
    bool showGrid, snapGrid;
};
SceneGlobals g_initial;

// The open scene before each input: one entity the loader must either keep
// (refused file) or replace.
void ResetToSentinel() {
    g_ents.clear();
    g_entIdx.clear();
    g_scriptMeta.clear();
    g_engine = g_initial.engine;
    g_ambientStrength = g_initial.ambient;
    g_lightingExposure = g_initial.exposure;
    g_viewMode = g_initial.viewMode;
    g_showGrid = g_initial.showGrid;
    g_snapGrid = g_initial.snapGrid;
    Entity e;
    e.id = kSentinelId;
    std::strcpy(e.name, "Sentinel");
    g_ents.push_back(e);
    g_entIdx[kSentinelId] = 0;
    g_nextId = kSentinelId + 1;
    g_selId = -1;
    std::strcpy(g_scenePath, "/sentinel.korvane");
}

void CheckEntityNumbers(const Entity& e) {
    const Transform& t = e.transform;
    const float tr[] = {t.position.x, t.position.y, t.position.z, t.rotation.x, t.rotation.y,
                        t.rotation.z, t.scale.x,    t.scale.y,    t.scale.z};
    KORVANE_FUZZ_CHECK(AllFinite(tr, 9), e.name);
    const Material& m = e.material;
    const float mat[] = {m.baseColor.x, m.baseColor.y, m.baseColor.z, m.baseColor.w, m.metallic, m.roughness,
                         m.emissive.x,  m.emissive.y,  m.emissive.z,  m.normalScale, m.heightScale};
    KORVANE_FUZZ_CHECK(AllFinite(mat, 11), e.name);
    const RigidBody& r = e.rigidBody;
    const Collider& c = e.collider;
    const Light& l = e.light;
    const float phys[] = {r.mass,     r.linearDrag, r.angularDrag, r.velocity.x,  r.velocity.y,   r.velocity.z,
                          c.size.x,   c.size.y,     c.size.z,      c.center.x,    c.center.y,     c.center.z,
                          c.bounciness, c.friction, l.color.x,     l.color.y,     l.color.z,      l.color.w,
                          l.intensity, l.range,     l.spotAngle,   l.spotSoftness, e.camera.fov, e.camera.nearPlane,
                          e.camera.farPlane};
    KORVANE_FUZZ_CHECK(AllFinite(phys, sizeof phys / sizeof phys[0]), e.name);
    const ParticleEmitter& p = e.emitter;
    const float part[] = {p.rate,         p.lifetime,     p.speed,          p.startSize,
                          p.endSize,      p.startColor.x, p.startColor.w,   p.endColor.x,
                          p.endColor.w,   p.gravity,      p.coneAngle,      p.turbulence,
                          p.drag,         p.sizeRandomness, p.velocityRandomness, p.emissionRadius,
                          p.orbitalVelocity};
    KORVANE_FUZZ_CHECK(AllFinite(part, sizeof part / sizeof part[0]), e.name);
    const LiquidSurface& q = e.liquid;
    const AudioSource& a = e.audio;
    const UIElement& u = e.ui;
    const float rest[] = {q.size,      q.depth,         q.waveHeight,    q.waveScale,    q.waveSpeed,
                          q.flowX,     q.flowZ,         q.liquidColor.x, q.foam,         q.viscosity,
                          a.volume,    a.pitch,         a.spareLevel,    a.minDistance,  a.maxDistance,
                          e.canvas.spareScale, u.color.x, u.anchorMin[0], u.anchorMax[1], u.offsetMin[0],
                          u.offsetMax[1]};
    KORVANE_FUZZ_CHECK(AllFinite(rest, sizeof rest / sizeof rest[0]), e.name);
}

// The store's invariants after a load.
void CheckStore() {
    KORVANE_FUZZ_CHECK(g_entIdx.size() == g_ents.size());
    std::unordered_set<int32_t> ids;
    for (size_t i = 0; i < g_ents.size(); ++i) {
        const Entity& e = g_ents[i];
        KORVANE_FUZZ_CHECK(e.id >= 0);
        KORVANE_FUZZ_CHECK(ids.insert(e.id).second, "duplicate id " + std::to_string(e.id));
        auto it = g_entIdx.find(e.id);
        KORVANE_FUZZ_CHECK(it != g_entIdx.end() && it->second == static_cast<int32_t>(i));
        KORVANE_FUZZ_CHECK(e.id < g_nextId);
        KORVANE_FUZZ_CHECK(e.name[sizeof e.name - 1] == '\0');
        KORVANE_FUZZ_CHECK(e.mesh.modelPath[sizeof e.mesh.modelPath - 1] == '\0');
        if (e.parent >= 0) {
            KORVANE_FUZZ_CHECK(e.parent != e.id);
            const Entity* p = GetEnt(e.parent);
            KORVANE_FUZZ_CHECK(p != nullptr, "parent missing");
            size_t times = 0;
            for (int32_t c : p->children) times += c == e.id;
            KORVANE_FUZZ_CHECK(times == 1, "child listed " + std::to_string(times) + " times");
        } else {
            KORVANE_FUZZ_CHECK(e.parent == -1);
        }
        for (int32_t c : e.children) {
            const Entity* child = GetEnt(c);
            KORVANE_FUZZ_CHECK(child && child->parent == e.id, "child does not name its parent");
        }
        KORVANE_FUZZ_CHECK(IsDescendant(e.id, e.id));
        KORVANE_FUZZ_CHECK(EntityHierarchyDepth(e.id) <= kMaxHierarchyDepth);
        CheckEntityNumbers(e);
    }
    KORVANE_FUZZ_CHECK(g_selId == -1 || EntityExists(g_selId));
    for (const auto& [id, meta] : g_scriptMeta) {
        KORVANE_FUZZ_CHECK(EntityExists(id), "script metadata for a missing entity");
        KORVANE_FUZZ_CHECK(meta.fieldCount >= 0 && meta.fieldCount <= kMaxScriptFields);
        for (int i = 0; i < meta.fieldCount; ++i) {
            KORVANE_FUZZ_CHECK(AllFinite(&meta.fields[i].fieldValue, 1));
            KORVANE_FUZZ_CHECK(AllFinite(meta.fields[i].vectorValue, 4));
        }
    }
    const EngineRenderSettings& g = g_engine;
    const float eng[] = {g.skyTopColor[0], g.skyHorizonColor[1], g.fogColor[2], g.fogDensity,
                         g.shadowSoftness, g.shadowDistance,      g.bloomIntensity, g.ambientOcclusion,
                         g.gravity,        g_ambientStrength,     g_lightingExposure};
    KORVANE_FUZZ_CHECK(AllFinite(eng, sizeof eng / sizeof eng[0]));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("KORVANE_SCENE_BACKUP", "0", 1);
    unsetenv("KORVANE_SAVE_FSYNC");
    unsetenv("KORVANE_SAVE_VERIFY");
    g_initial = {g_engine, g_ambientStrength, g_lightingExposure, g_viewMode, g_showGrid, g_snapGrid};
    QuietLog();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QuietLog();
    ResetToSentinel();
    static const std::string input = ScratchPath("input.korvane");
    static const std::string first = ScratchPath("first.korvane");
    static const std::string second = ScratchPath("second.korvane");
    WriteBytes(input, data, size);

    if (!LoadScene(input.c_str())) {
        KORVANE_FUZZ_CHECK(g_ents.size() == 1 && g_ents[0].id == kSentinelId, "refused file changed the scene");
        KORVANE_FUZZ_CHECK(std::strcmp(g_scenePath, "/sentinel.korvane") == 0, "refused file changed the path");
        return 0;
    }
    KORVANE_FUZZ_CHECK(input == g_scenePath);
    CheckStore();

    // What was loaded saves, reloads and saves again to the same bytes.
    KORVANE_FUZZ_CHECK(SaveScene(first.c_str()));
    KORVANE_FUZZ_CHECK(LoadScene(first.c_str()), "a saved scene does not load");
    CheckStore();
    KORVANE_FUZZ_CHECK(SaveScene(second.c_str()));
    const std::string a = ReadBytes(first), b = ReadBytes(second);
    KORVANE_FUZZ_CHECK(a == b, FirstDifference(a, b));
    return 0;
}
