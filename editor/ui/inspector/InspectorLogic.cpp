#include "editor/ui/inspector/InspectorLogic.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <numeric>

#include "editor/legacy/base/EditorLog.h"
#include "editor/legacy/base/ProjectPaths.h"
#include "editor/legacy/files/AssetKinds.h"
#include "editor/legacy/files/MaterialFile.h"
#include "editor/legacy/scene/EntityStore.h"
#include "editor/legacy/scripting/ScriptMeta.h"
#include "editor/ui/common/EditorHooks.h"

uint64_t g_assetScanCalls = 0;

std::string FormatFileSize(long long bytes) {
    char buf[64];
    if (bytes < 1024) std::snprintf(buf, sizeof(buf), "Size: %lld B", bytes);
    else if (bytes < 1048576) std::snprintf(buf, sizeof(buf), "Size: %.1f KB", double(bytes) / 1024.0);
    else std::snprintf(buf, sizeof(buf), "Size: %.1f MB", double(bytes) / 1048576.0);
    return buf;
}

uint32_t MixImU32(uint32_t a, uint32_t b, float t) {
    if (!(t > 0.0f)) t = 0.0f;
    if (t > 1.0f) t = 1.0f;
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        float ca = float((a >> shift) & 0xFF), cb = float((b >> shift) & 0xFF);
        uint32_t c = uint32_t(ca + (cb - ca) * t);
        out |= (c & 0xFF) << shift;
    }
    return out;
}

Entity* GetAssignableEntity() {
    if (Entity* e = GetSel()) return e;
    return GetEnt(g_lastEntitySelId);
}

const char* const kAddComponentCategories[3] = {"Rendering", "Physics", "Logic & UI"};

const AddComponentEntry kAddComponentEntries[12] = {
    {0, "Mesh Renderer", "model mesh renderer 3d", "Add Mesh Renderer", AddComponentKind::Mesh},
    {0, "Material", "surface pbr texture shader", "Add Material", AddComponentKind::Material},
    {0, "Light", "directional point spot illumination shadows", "Add Light", AddComponentKind::Light},
    {0, "Camera", "view render game camera", "Add Camera", AddComponentKind::Camera},
    {0, "Particle Emitter", "vfx particles fire smoke sparks", "Add Particle Emitter", AddComponentKind::Particles},
    {0, "Liquid / Water", "water lava ocean fluid", "Add Liquid Component", AddComponentKind::Liquid},
    {1, "Rigid Body", "physics mass gravity velocity", "Add Rigid Body", AddComponentKind::RigidBody},
    {1, "Collider", "box sphere capsule mesh trigger", "Add Collider", AddComponentKind::Collider},
    {2, "Script", "fs lua code gameplay", "Add Script", AddComponentKind::Script},
    {2, "Audio Source", "sound music spatial audio", "Add Audio Source", AddComponentKind::Audio},
    {2, "Canvas", "ui screen overlay world canvas", "Add Canvas", AddComponentKind::Canvas},
    {2, "UI Element", "text image button slider panel", "Add UI Element", AddComponentKind::UI},
};

namespace {

bool* PresenceFlag(Entity& e, AddComponentKind kind) {
    switch (kind) {
    case AddComponentKind::Mesh: return &e.hasMesh;
    case AddComponentKind::Material: return &e.hasMaterial;
    case AddComponentKind::Light: return &e.hasLight;
    case AddComponentKind::Camera: return &e.hasCamera;
    case AddComponentKind::Particles: return &e.hasParticles;
    case AddComponentKind::Liquid: return &e.hasLiquid;
    case AddComponentKind::RigidBody: return &e.hasRigidBody;
    case AddComponentKind::Collider: return &e.hasCollider;
    case AddComponentKind::Script: return &e.hasScript;
    case AddComponentKind::Audio: return &e.hasAudio;
    case AddComponentKind::Canvas: return &e.hasCanvas;
    case AddComponentKind::UI: return &e.hasUI;
    }
    return &e.hasMesh;
}

std::string Lower(const char* s) {
    std::string out = s ? s : "";
    for (char& c : out) c = char(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

} // namespace

bool EntityHasComponent(const Entity& e, AddComponentKind kind) {
    return *PresenceFlag(const_cast<Entity&>(e), kind);
}

bool AddComponentMatches(const AddComponentEntry& entry, const char* search) {
    if (!search || !search[0]) return true;
    std::string hay = Lower(entry.label) + " " + Lower(entry.tags);
    return hay.find(Lower(search)) != std::string::npos;
}

bool AddComponentListed(const Entity& e, const AddComponentEntry& entry, const char* search) {
    return !EntityHasComponent(e, entry.kind) && AddComponentMatches(entry, search);
}

void AddComponentToEntity(Entity& e, AddComponentKind kind) {
    *PresenceFlag(e, kind) = true;
    if (kind == AddComponentKind::Material) EnsureMaterialDefaults(e.material);
    if (kind == AddComponentKind::Liquid && g_editorHooks.applyLiquidMaterialDefaults)
        g_editorHooks.applyLiquidMaterialDefaults(e);
}

std::string ScriptFieldDisplayName(const char* fieldName) {
    std::string out;
    if (!fieldName) return out;
    size_t n = strnlen(fieldName, 62);
    for (size_t i = 0; i < n; ++i) {
        unsigned char c = static_cast<unsigned char>(fieldName[i]);
        if (i == 0) {
            out.push_back(char(std::toupper(c)));
            continue;
        }
        unsigned char prev = static_cast<unsigned char>(fieldName[i - 1]);
        if (std::isupper(c) || (std::isdigit(c) && std::isalpha(prev))) out.push_back(' ');
        out.push_back(char(c));
    }
    return out;
}

std::vector<std::string> ScriptChoiceOptions(const char* options) {
    std::vector<std::string> out;
    if (!options || !options[0]) return out;
    const char* start = options;
    for (const char* p = options;; ++p) {
        if (*p == ';' || *p == '\0') {
            if (out.size() < 32) out.emplace_back(start, size_t(p - start));
            if (*p == '\0') break;
            start = p + 1;
        }
    }
    return out;
}

std::vector<EntityRefCandidate> EntityRefCandidates(const char* filter) {
    std::vector<EntityRefCandidate> out;
    out.push_back({-1, "None"});
    std::string f = filter ? filter : "";
    for (const Entity& e : g_ents) {
        if (out.size() >= 128) break;
        if (!e.enabled) continue;
        if (f == "camera" && !e.hasCamera) continue;
        if (f == "light" && !e.hasLight) continue;
        if (f == "mesh" && !e.hasMesh) continue;
        out.push_back({e.id, e.name});
    }
    return out;
}

namespace {

struct ScanBudget {
    size_t entries = 0;
};

void ScanDir(const std::string& dir, const std::string& prefix, std::vector<std::string>& paths,
             std::vector<std::string>& labels, const std::function<bool(const char*)>& filter, int depth,
             ScanBudget& budget) {
    if (depth > kMaxAssetScanDepth) return;
    ++g_assetScanCalls;
    DIR* d = opendir(dir.c_str());
    if (!d) return;
    while (dirent* ent = readdir(d)) {
        ++g_assetScanCalls;
        if (++budget.entries > kMaxAssetScanEntries) break;
        const char* name = ent->d_name;
        if (name[0] == '.') continue;
        std::string full = dir + "/" + name;
        std::string rel = prefix.empty() ? std::string(name) : prefix + "/" + name;
        // lstat: a link to a folder is not followed (no loops); a link to a
        // file is listed like the file.
        struct stat st;
        if (lstat(full.c_str(), &st) != 0) continue;
        if (S_ISDIR(st.st_mode)) {
            ScanDir(full, rel, paths, labels, filter, depth + 1, budget);
            continue;
        }
        if (S_ISLNK(st.st_mode)) {
            struct stat target;
            if (stat(full.c_str(), &target) != 0 || !S_ISREG(target.st_mode)) continue;
        } else if (!S_ISREG(st.st_mode)) {
            continue;
        }
        if (filter && !filter(name)) continue;
        paths.push_back(rel);
        labels.push_back(rel);
    }
    closedir(d);
}

} // namespace

void ScanAssetFiles(const std::string& dir, const std::string& prefix, std::vector<std::string>& paths,
                    std::vector<std::string>& labels, const std::function<bool(const char*)>& filter) {
    ScanBudget budget;
    ScanDir(dir, prefix, paths, labels, filter, 0, budget);
}

void ScanScriptFiles(const std::string& dir, const std::string& prefix, std::vector<std::string>& paths,
                     std::vector<std::string>& labels) {
    ScanAssetFiles(dir, prefix, paths, labels, [](const char* n) { return IsScriptAsset(n); });
}

void SortByLabel(std::vector<std::string>& paths, std::vector<std::string>& labels) {
    std::vector<size_t> order(labels.size());
    std::iota(order.begin(), order.end(), size_t(0));
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return labels[a] < labels[b]; });
    std::vector<std::string> p, l;
    p.reserve(order.size());
    l.reserve(order.size());
    for (size_t i : order) {
        p.push_back(std::move(paths[i]));
        l.push_back(std::move(labels[i]));
    }
    paths = std::move(p);
    labels = std::move(l);
}

bool ApplyMaterialAssetChoice(Material& m, const char* rel) {
    Material fresh;
    if (!rel || !rel[0]) {
        // "None": the material becomes inline again, with its values.
        m.path[0] = '\0';
        return true;
    }
    if (!CopyPathField(fresh.path, rel)) {
        Log(4, "Material path too long: %s", rel);
        return false;
    }
    std::string resolved = ResolveProjectAssetPath(rel);
    bool ok = LoadMaterialAsset(resolved.c_str(), fresh);
    CopyPathField(fresh.path, rel);
    EnsureMaterialDefaults(fresh);
    if (!ok) Log(3, "Material asset could not be read: %s", resolved.c_str());
    m = fresh;
    return ok;
}

bool InspectorAttachAsset(Entity& e, const char* path) {
    if (!path || !path[0]) return false;
    if (g_editorHooks.attachAssetToEntity) return g_editorHooks.attachAssetToEntity(e, path);
    // Without the asset hook the inspector links what it can itself: scripts
    // and materials, stored relative to the assets folder.
    std::string rel = ProjectRelativeAssetPath(path);
    if (rel.empty()) rel = path;
    if (IsScriptAsset(path)) {
        // Scripts under Assets/Scripts are stored as the picker stores them;
        // any other keeps its full path, which the script lookup tries last.
        std::string scriptRel = path;
        const char* kScripts = "Scripts/";
        if (rel.rfind(kScripts, 0) == 0) scriptRel = rel.substr(std::strlen(kScripts));
        if (!CopyPathField(e.script.scriptPath, scriptRel)) {
            Log(4, "Script path too long: %s", path);
            return false;
        }
        e.hasScript = true;
        g_scriptMeta.erase(e.id);
        Log(2, "Script linked to %s: %s", e.name, path);
        return true;
    }
    if (IsMaterialAsset(path)) {
        Material m = e.material;
        if (!ApplyMaterialAssetChoice(m, rel.c_str())) return false;
        e.material = m;
        e.hasMaterial = true;
        Log(2, "Material linked to %s: %s", e.name, path);
        return true;
    }
    return false;
}
