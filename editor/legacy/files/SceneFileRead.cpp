// Scene file: the reader (LoadScene with every older line form),
// SceneFileLooksComplete and NewScene.

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "editor/legacy/base/AppState.h"
#include "editor/legacy/base/EditorLog.h"
#include "editor/legacy/scene/EntityStore.h"
#include "editor/legacy/files/MaterialFile.h"
#include "editor/legacy/base/ProjectPaths.h"
#include "editor/legacy/files/SceneFile.h"
#include "editor/legacy/base/TextLines.h"
#include "editor/legacy/scene/Undo.h"

namespace {

// Reads a whole file; false on open or read errors (errno set).
bool ReadWholeFile(const char* path, std::string& out) {
    FILE* f = std::fopen(path, "rb");
    if (!f) return false;
    out.clear();
    char buf[1 << 16];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    const bool bad = std::ferror(f) != 0;
    const int err = errno;
    std::fclose(f);
    if (bad) {
        errno = err ? err : EIO;
        return false;
    }
    return true;
}

// Calls fn(line) for each line, or tooLong() for one longer than kSceneMaxLine.
template <typename LineFn, typename LongFn>
void ForEachLine(const std::string& text, LineFn fn, LongFn tooLong) {
    ForEachTextLine(text, [&](std::string_view line) {
        if (line.size() > kSceneMaxLine) tooLong();
        else fn(line);
    });
}

// Reads fields in order. Like a stream, the first field that is missing or
// malformed stops the line: later reads fail and leave their targets alone.
class Fields {
public:
    Fields(SceneLineCursor c, const char* file) : c_(c), file_(file) {}
    bool ok() const { return ok_; }
    SceneLineCursor& cursor() { return c_; }
    void Restore(const SceneLineCursor& c) {
        c_ = c;
        ok_ = true;
    }

    Fields& F(float& v) {
        if (ok_) ok_ = SceneReadFloat(c_, v);
        return *this;
    }
    Fields& I(int32_t& v) {
        int x = 0;
        if (ok_ && (ok_ = SceneReadInt(c_, x))) v = x;
        return *this;
    }
    Fields& B(bool& v) {
        int x = 0;
        if (ok_ && (ok_ = SceneReadInt(c_, x))) v = x != 0;
        return *this;
    }
    Fields& V3(Vec3& v) { return F(v.x).F(v.y).F(v.z); }
    Fields& V4(Vec4& v) { return F(v.x).F(v.y).F(v.z).F(v.w); }
    bool Text(std::string& out) {
        if (ok_) ok_ = SceneReadQuoted(c_, out);
        return ok_;
    }
    // Names and other free texts are cut to the field (on a UTF-8 boundary).
    template <size_t N>
    Fields& T(char (&field)[N]) {
        std::string s;
        if (Text(s)) CopyTextField(field, s);
        return *this;
    }
    // Paths are never cut: one that does not fit is ignored with a warning.
    template <size_t N>
    Fields& P(char (&field)[N], bool allowEmpty = true) {
        std::string s;
        if (Text(s) && (allowEmpty || !s.empty())) AssignPath(field, N, s);
        return *this;
    }
    void AssignPath(char* field, size_t n, const std::string& s) {
        if (!CopyPathField(field, n, s)) {
            Log(3, "Ignoring path too long for its field (%zu bytes) in %s", s.size(), file_);
        }
    }
    bool NextIsQuote() {
        SceneLineCursor c = c_;
        return SceneSkipBlanks(c) && *c.p == '"';
    }

private:
    SceneLineCursor c_;
    const char* file_;
    bool ok_ = true;
};

// Entities are appended in place as their "entity" line is read (records
// are large: no staging copies); curIdx says which one is still open.
struct LoadState {
    const char* path = "";
    std::vector<Entity> ents;
    // By position in ents until ids are final; same map type as g_scriptMeta
    // so the records move over as nodes, without copying them.
    EntityIdMap<ScriptMeta> metas;
    long curIdx = -1;
    int32_t rememberedSel = -1;
    int32_t rememberedNext = 1;

    bool sceneSeen = false;
    float ambient = 0, exposure = 0;
    int32_t viewMode = 0;
    bool showGrid = true, snapGrid = false;
    bool engineSeen = false;
    EngineRenderSettings engine;

    void Commit() { curIdx = -1; }
    Entity* Cur() { return curIdx >= 0 ? &ents[static_cast<size_t>(curIdx)] : nullptr; }
    ScriptMeta& CurMeta() { return metas[static_cast<int32_t>(curIdx)]; }
};

void ReadMesh(Fields& f, Entity& e) {
    MeshRenderer& m = e.mesh;
    f.I(m.shape).B(m.visible).B(m.castShadows);
    if (!f.ok()) return;
    std::string modelPath;
    bool havePath = false;
    auto readPath = [&]() { havePath = f.Text(modelPath); };
    if (f.NextIsQuote()) {  // oldest form: no imported indices
        m.importedNode = -1;
        m.importedMaterialSlot = -1;
        readPath();
    } else {
        int node = -1;
        if (!SceneReadInt(f.cursor(), node)) {
            m.importedNode = m.importedMaterialSlot = -1;
            readPath();
        } else {
            m.importedNode = node;
            if (f.NextIsQuote()) {
                m.importedMaterialSlot = -1;
                readPath();
            } else {
                int slot = -1;
                m.importedMaterialSlot = SceneReadInt(f.cursor(), slot) ? slot : -1;
                readPath();
            }
        }
    }
    // An empty path keeps "cube" for primitives, but a custom mesh saved
    // without a model stays without one.
    if (havePath && (!modelPath.empty() || m.shape == MeshShape_Custom)) {
        f.AssignPath(m.modelPath, sizeof m.modelPath, modelPath);
    }
}

void ReadMaterial(Fields& f, Entity& e, const char* file) {
    Material& m = e.material;
    std::string matPath;
    if (!f.Text(matPath)) {
        EnsureMaterialDefaults(m);
        return;
    }
    f.AssignPath(m.path, sizeof m.path, matPath);
    Material staged = m;
    f.V4(staged.baseColor).F(staged.metallic).F(staged.roughness);
    const bool haveFloats = f.ok();
    if (haveFloats) {
        m.baseColor = staged.baseColor;
        m.metallic = staged.metallic;
        m.roughness = staged.roughness;
        SceneLineCursor afterRoughness = f.cursor();
        f.V3(staged.emissive).F(staged.normalScale).F(staged.heightScale);
        if (f.ok()) {
            m.emissive = staged.emissive;
            m.normalScale = staged.normalScale;
            m.heightScale = staged.heightScale;
        } else {
            f.Restore(afterRoughness);
        }
        char(*textures[6])[256] = {&m.albedoTexture, &m.normalTexture, &m.metallicRoughnessTexture,
                                   &m.aoTexture,     &m.emissiveTexture, &m.heightTexture};
        for (auto* tex : textures) {
            std::string s;
            if (!f.Text(s)) break;
            f.AssignPath(*tex, sizeof *tex, s);
        }
    } else if (!matPath.empty()) {
        std::string asset = matPath;
        if (!FileExists(asset.c_str()) && asset[0] != '/') asset = ResolveProjectAssetPath(asset.c_str());
        if (!LoadMaterialAsset(asset.c_str(), m)) {
            Log(3, "Material asset not found for entity in %s: %s", file, matPath.c_str());
        }
    }
    EnsureMaterialDefaults(m);
}

void ReadParticles(Fields& f, Entity& e) {
    ParticleEmitter& p = e.emitter;
    f.B(p.playing).F(p.rate).F(p.lifetime).F(p.speed).F(p.startSize).F(p.endSize).V4(p.startColor).V4(p.endColor);
    if (!f.ok()) return;
    SceneLineCursor afterEndColor = f.cursor();
    ParticleEmitter n = p;
    f.F(n.gravity).F(n.coneAngle).I(n.maxParticles).B(n.spareFlag).B(n.burstPending).I(n.burstCount);
    if (f.ok()) {
        // The current form stores the angle as is: 0 is a valid cone.
        p.gravity = n.gravity;
        p.coneAngle = n.coneAngle;
        p.maxParticles = n.maxParticles;
        p.spareFlag = n.spareFlag;
        p.burstPending = n.burstPending;
        p.burstCount = n.burstCount;
        return;
    }
    // Older form: cone angle and maximum particles only, where 0 meant "not
    // set" and keeps the angle the entity had.
    f.Restore(afterEndColor);
    const float before = p.coneAngle;
    f.F(p.coneAngle).I(p.maxParticles);
    p.gravity = 0.0f;
    p.spareFlag = false;
    p.burstPending = false;
    p.burstCount = 30;
    if (p.coneAngle == 0.0f) p.coneAngle = before;
}

void ReadLiquid(Fields& f, Entity& e) {
    LiquidSurface& l = e.liquid;
    f.I(l.liquidType).F(l.size).F(l.depth).F(l.waveHeight).F(l.waveScale).F(l.waveSpeed).F(l.flowX).F(l.flowZ);
    f.V4(l.liquidColor).F(l.foam);
    if (!f.ok()) return;
    SceneLineCursor afterFoam = f.cursor();
    LiquidSurface n = l;
    f.F(n.viscosity).B(n.buoyancy).B(n.realtimeReflection);
    if (f.ok()) {
        l.viscosity = n.viscosity;
        l.buoyancy = n.buoyancy;
        l.realtimeReflection = n.realtimeReflection;
        return;
    }
    f.Restore(afterFoam);
    f.B(l.buoyancy).B(l.realtimeReflection);
    l.viscosity = 1.0f;
}

void ReadScriptField(Fields& f, ScriptMeta& sm) {
    if (sm.fieldCount < 0) sm.fieldCount = 0;
    if (sm.fieldCount >= kMaxScriptFields) return;
    ScriptField& sf = sm.fields[sm.fieldCount];
    sf = ScriptField{};
    f.T(sf.fieldName).I(sf.fieldType).F(sf.fieldValue).T(sf.stringValue);
    f.F(sf.vectorValue[0]).F(sf.vectorValue[1]).F(sf.vectorValue[2]).F(sf.vectorValue[3]).T(sf.extraText);
    sm.fieldCount++;
}

void ReadEntityLine(Fields& f, LoadState& st) {
    st.Commit();
    int id = 0;
    std::string name;
    if (!SceneReadInt(f.cursor(), id) || !SceneReadQuoted(f.cursor(), name)) {
        Log(3, "Skipping malformed entity line in %s", st.path);
        return;
    }
    // Ids index the store and feed the id counter: a negative id or one
    // whose successor does not fit would corrupt both.
    if (id < 0 || id >= INT32_MAX - 1) {
        Log(3, "Skipping entity with invalid id %d in %s", id, st.path);
        return;
    }
    Entity& e = st.ents.emplace_back();
    st.curIdx = static_cast<long>(st.ents.size() - 1);
    e.id = id;
    CopyTextField(e.name, name);
    f.I(e.parent).B(e.enabled);
    e.spareFlag = true;
    f.B(e.spareFlag);
}

void ReadLine(std::string_view line, LoadState& st) {
    if (line.empty() || line[0] == '#') return;
    SceneLineCursor c(line);
    SceneSkipBlanks(c);
    const char* kb = c.p;
    while (c.p < c.end && *c.p != ' ' && *c.p != '\t') ++c.p;
    std::string_view key(kb, static_cast<size_t>(c.p - kb));
    if (key.empty()) return;
    Fields f(c, st.path);

    if (key == "scene") {
        st.sceneSeen = true;
        st.ambient = g_ambientStrength;
        st.exposure = g_lightingExposure;
        st.viewMode = g_viewMode;
        f.F(st.ambient).F(st.exposure).I(st.viewMode);
        st.showGrid = true;
        st.snapGrid = false;
        f.B(st.showGrid).B(st.snapGrid);
        return;
    }
    if (key == "scene_state") {
        int32_t count = 0, sel = -1, next = 1;
        f.I(count).I(sel);
        if (f.ok()) st.rememberedSel = sel;
        f.I(next);
        if (f.ok() && next > st.rememberedNext) st.rememberedNext = next;
        return;
    }
    if (key == "engine") {
        if (!st.engineSeen) st.engine = g_engine;
        st.engineSeen = true;
        EngineRenderSettings& g = st.engine;
        for (float& v : g.skyTopColor) f.F(v);
        for (float& v : g.skyHorizonColor) f.F(v);
        for (float& v : g.fogColor) f.F(v);
        f.F(g.fogDensity).F(g.shadowSoftness).F(g.shadowDistance).F(g.bloomIntensity).F(g.ambientOcclusion);
        f.F(g.gravity).I(g.maxLights).I(g.physicsSubsteps).I(g.spareInt);
        return;
    }
    if (key == "entity") {
        ReadEntityLine(f, st);
        return;
    }
    if (key == "end") {
        st.Commit();
        return;
    }
    if (!st.Cur()) return;
    Entity& e = *st.Cur();

    if (key == "transform") {
        f.V3(e.transform.position).V3(e.transform.rotation).V3(e.transform.scale);
    } else if (key == "mesh") {
        e.hasMesh = true;
        ReadMesh(f, e);
    } else if (key == "rb") {
        e.hasRigidBody = true;
        RigidBody& r = e.rigidBody;
        f.F(r.mass).B(r.useGravity).B(r.isKinematic).F(r.linearDrag).F(r.angularDrag).V3(r.velocity);
    } else if (key == "collider") {
        e.hasCollider = true;
        Collider& k = e.collider;
        f.I(k.shape).V3(k.size).V3(k.center).B(k.isTrigger).F(k.bounciness).F(k.friction).B(k.convexHull);
    } else if (key == "script") {
        e.hasScript = true;
        f.P(e.script.scriptPath).B(e.script.hotReload);
    } else if (key == "scriptmeta") {
        ScriptMeta sm;
        int32_t ignoredCount = 0;
        f.P(sm.scriptPath).I(ignoredCount).B(sm.parsed);
        sm.fieldCount = 0;
        st.CurMeta() = sm;
    } else if (key == "scriptfield") {
        ReadScriptField(f, st.CurMeta());  // created empty when there was no scriptmeta line
    } else if (key == "material") {
        e.hasMaterial = true;
        ReadMaterial(f, e, st.path);
    } else if (key == "light") {
        e.hasLight = true;
        Light& l = e.light;
        f.I(l.type).V4(l.color).F(l.intensity).F(l.range).F(l.spotAngle).F(l.spotSoftness).B(l.shadows);
    } else if (key == "camera") {
        e.hasCamera = true;
        f.F(e.camera.fov).F(e.camera.nearPlane).F(e.camera.farPlane);
    } else if (key == "particles") {
        e.hasParticles = true;
        ReadParticles(f, e);
    } else if (key == "particlefx") {
        e.hasParticles = true;
        ParticleEmitter& p = e.emitter;
        p.collision = false;
        p.prewarm = false;
        p.alignToVelocity = true;
        f.I(p.shape).I(p.blendMode).B(p.collision).B(p.prewarm).B(p.alignToVelocity);
        f.F(p.turbulence).F(p.drag).F(p.sizeRandomness).F(p.velocityRandomness).F(p.emissionRadius);
        f.F(p.orbitalVelocity).P(p.texture);
    } else if (key == "liquid") {
        e.hasLiquid = true;
        ReadLiquid(f, e);
    } else if (key == "audio") {
        e.hasAudio = true;
        AudioSource& a = e.audio;
        a.spareToggle = true;
        f.P(a.clip).B(a.playOnAwake).B(a.loop).F(a.volume).F(a.pitch).F(a.spareLevel).F(a.minDistance);
        f.F(a.maxDistance).B(a.spareToggle);
    } else if (key == "canvas") {
        e.hasCanvas = true;
        f.I(e.canvas.width).I(e.canvas.height).F(e.canvas.spareScale).I(e.canvas.renderMode);
    } else if (key == "ui") {
        e.hasUI = true;
        UIElement& u = e.ui;
        f.I(u.type).I(u.canvasId).I(u.fontSize).V4(u.color).F(u.anchorMin[0]).F(u.anchorMin[1]);
        f.F(u.anchorMax[0]).F(u.anchorMax[1]).F(u.offsetMin[0]).F(u.offsetMin[1]).F(u.offsetMax[0]);
        f.F(u.offsetMax[1]).T(u.text).T(u.spareText);
    } else if (key == "prefab") {
        e.hasPrefab = true;
        f.P(e.prefab.path);
    }
}

// Gives every entity a unique id: a later duplicate gets a fresh one. An
// entity that cannot get one is marked in dropped.
void MakeIdsUnique(std::vector<Entity>& ents, std::vector<bool>& dropped, const char* path) {
    int64_t maxId = -1;
    for (const auto& e : ents) maxId = std::max<int64_t>(maxId, e.id);
    EntityIdSet seen;
    seen.reserve(ents.size() * 2);
    int64_t fresh = maxId + 1;
    dropped.assign(ents.size(), false);
    for (size_t i = 0; i < ents.size(); ++i) {
        Entity& e = ents[i];
        if (seen.insert(e.id).second) continue;
        if (fresh >= INT32_MAX - 1) {
            Log(3, "Dropping entity with duplicate id %d in %s: no free id left", e.id, path);
            dropped[i] = true;
            continue;
        }
        Log(3, "Entity id %d appears twice in %s; the later one gets id %lld", e.id, path,
            static_cast<long long>(fresh));
        e.id = static_cast<int32_t>(fresh++);
        seen.insert(e.id);
    }
}

// Parents that name the entity itself or nobody become -1; every cycle in
// the parent chains is cut at the entity where the walk closes it.
void SanitiseParents(std::vector<Entity>& ents, const EntityIdMap<int32_t>& idx,
                     const char* path) {
    for (Entity& e : ents) {
        if (e.parent < 0) {
            e.parent = -1;
            continue;
        }
        if (e.parent == e.id || idx.find(e.parent) == idx.end()) e.parent = -1;
    }
    enum : uint8_t { kNew, kOnPath, kDone };
    std::vector<uint8_t> state(ents.size(), kNew);
    std::vector<size_t> chain;
    for (size_t start = 0; start < ents.size(); ++start) {
        if (state[start] != kNew) continue;
        chain.clear();
        size_t i = start;
        for (;;) {
            state[i] = kOnPath;
            chain.push_back(i);
            const int32_t p = ents[i].parent;
            if (p < 0) break;
            const size_t pi = static_cast<size_t>(idx.at(p));
            if (state[pi] == kDone) break;
            if (state[pi] == kOnPath) {
                Log(3, "Breaking parent cycle at entity %d (%s) in %s", ents[i].id, ents[i].name, path);
                ents[i].parent = -1;
                break;
            }
            i = pi;
        }
        for (size_t k : chain) state[k] = kDone;
    }
}

}  // namespace

bool LoadScene(const char* path) {
    StopPlayBeforeSceneReplace();
    if (!path || !*path) {
        Log(4, "Scene load failed: missing path");
        return false;
    }
    const size_t pathLen = std::strlen(path);
    if (pathLen >= sizeof g_scenePath) {
        Log(4, "Scene load failed: path too long (%zu bytes, limit %zu)", pathLen, sizeof g_scenePath - 1);
        return false;
    }
    std::string text;
    if (!ReadWholeFile(path, text)) {
        Log(4, "Scene load failed: %s", std::strerror(errno ? errno : EIO));
        return false;
    }

    LoadState st;
    st.path = path;
    // Reserve from the file's own lines, not from its entity count, which a
    // damaged file could make arbitrarily large.
    size_t entityLines = text.compare(0, 7, "entity ") == 0 ? 1 : 0;
    for (size_t pos = text.find("\nentity "); pos != std::string::npos; pos = text.find("\nentity ", pos + 1)) {
        ++entityLines;
    }
    st.ents.reserve(entityLines);
    ForEachLine(
        text, [&](std::string_view line) { ReadLine(line, st); },
        [&]() { Log(3, "Skipping over-long line (more than %zu bytes) in %s", kSceneMaxLine, path); });
    st.Commit();
    std::vector<bool> dropped;
    MakeIdsUnique(st.ents, dropped, path);

    // Everything was read: only now does the open scene change.
    std::vector<Entity> ents = std::move(st.ents);
    EntityIdMap<ScriptMeta> metas;
    metas.reserve(st.metas.size());
    while (!st.metas.empty()) {
        auto node = st.metas.extract(st.metas.begin());
        const size_t pos = static_cast<size_t>(node.key());
        if (dropped[pos]) continue;
        node.key() = ents[pos].id;
        metas.insert(std::move(node));
    }
    if (std::find(dropped.begin(), dropped.end(), true) != dropped.end()) {
        size_t w = 0;
        for (size_t i = 0; i < ents.size(); ++i) {
            if (dropped[i]) continue;
            if (w != i) ents[w] = std::move(ents[i]);
            ++w;
        }
        ents.resize(w);
    }

    g_ents = std::move(ents);
    g_scriptMeta = std::move(metas);
    g_selId = -1;
    g_nextId = 1;
    g_entIdx.clear();
    g_entIdx.reserve(g_ents.size());
    for (size_t i = 0; i < g_ents.size(); ++i) {
        Entity& e = g_ents[i];
        e.children.clear();
        g_entIdx[e.id] = static_cast<int32_t>(i);
        if (e.id >= g_nextId) g_nextId = e.id + 1;
    }
    if (st.rememberedNext > g_nextId) g_nextId = std::min(st.rememberedNext, INT32_MAX - 1);
    SanitiseParents(g_ents, g_entIdx, path);
    for (Entity& e : g_ents) {
        if (e.parent >= 0) g_ents[static_cast<size_t>(g_entIdx[e.parent])].children.push_back(e.id);
    }
    g_selId = g_entIdx.count(st.rememberedSel) ? st.rememberedSel : -1;
    g_lastEntitySelId = -1;
    g_renameEntId = -1;
    if (st.sceneSeen) {
        g_ambientStrength = st.ambient;
        g_lightingExposure = st.exposure;
        g_viewMode = st.viewMode;
        g_showGrid = st.showGrid;
        g_snapGrid = st.snapGrid;
    }
    if (st.engineSeen) g_engine = st.engine;
    UndoClearHistory();

    std::memmove(g_scenePath, path, pathLen + 1);
    g_sceneDirty = false;
    UpdateWindowTitle();
    Log(2, "Scene loaded: %s (%zu entities)", path, g_ents.size());
    if (g_sceneLoadedHook) g_sceneLoadedHook(g_scenePath);
    return true;
}

bool SceneFileLooksComplete(const char* path, size_t expectedEntities) {
    if (!path) return false;
    std::string text;
    if (!ReadWholeFile(path, text)) return false;
    bool header = false, scene = false, engine = false;
    size_t entities = 0, ends = 0;
    auto starts = [](std::string_view line, std::string_view prefix) {
        return line.size() >= prefix.size() && line.compare(0, prefix.size(), prefix) == 0;
    };
    ForEachLine(
        text,
        [&](std::string_view line) {
            if (starts(line, "# Korvane Scene")) header = true;
            else if (starts(line, "scene ")) scene = true;
            else if (starts(line, "engine ")) engine = true;
            else if (starts(line, "entity ")) ++entities;
            else if (starts(line, "end")) ++ends;
        },
        [] {});
    return header && scene && engine && entities == expectedEntities && ends >= entities;
}

void NewScene() {
    StopPlayBeforeSceneReplace();
    g_ents.clear();
    g_entIdx.clear();
    g_scriptMeta.clear();
    g_selId = -1;
    g_lastEntitySelId = -1;
    g_nextId = 1;
    g_scenePath[0] = '\0';
    g_sceneDirty = false;
    UndoClearHistory();
    UpdateWindowTitle();

    // The camera sits in front of the origin, tilted down at it, and the sun
    // shines downwards: with rotations applied about X, then Y, then Z to a
    // forward of -Z, a positive X angle would tilt both towards the sky and a
    // new scene would show nothing lit.
    if (Entity* cam = AddEnt("Main Camera", -1)) {
        cam->hasCamera = true;
        cam->transform.position = Vec3{0.0f, 3.0f, 8.0f};
        cam->transform.rotation = Vec3{-20.0f, 0.0f, 0.0f};
    }
    if (Entity* sun = AddEnt("Sun Directional Light", -1)) {
        sun->hasLight = true;
        sun->light.type = LightType_Directional;
        sun->transform.position = Vec3{0.0f, 6.0f, 0.0f};
        sun->transform.rotation = Vec3{-50.0f, -35.0f, 0.0f};
        sun->light.intensity = 5.5f;
        sun->light.shadows = true;
    }
    g_renameEntId = -1;  // the starter entities should not grab the name field
    Log(2, "New scene");
}
