#pragma once
// Helpers for tests that touch the process-global scene: reset it to an empty
// scene with default settings, and compare entities and snapshots field by
// field (records are plain values, so byte comparison per component is exact
// for values that were copied rather than recomputed).

#include <cstring>

#include "editor/legacy/scene/Entity.h"
#include "editor/legacy/scene/EntityStore.h"
#include "editor/legacy/scene/Undo.h"

namespace korvane::test {

inline void ResetSceneModel() {
    g_ents.clear();
    g_entIdx.clear();
    g_nextId = 1;
    g_selId = -1;
    g_lastEntitySelId = -1;
    g_renameEntId = -1;
    g_sceneDirty = false;
    g_selFilePath[0] = '\0';
    g_inspectorMatPath[0] = '\0';
    g_inspectorEditMat = Material();
    g_scriptMeta.clear();
    g_engine = EngineRenderSettings();
    g_ambientStrength = 0.1f;
    g_lightingExposure = 1.15f;
    g_undoByteCap = kUndoDefaultByteCap;
    UndoClearHistory();
}

template <class T>
inline bool SameBytes(const T& a, const T& b) {
    return std::memcmp(&a, &b, sizeof(T)) == 0;
}

inline bool SameEntity(const Entity& a, const Entity& b) {
    const bool flagsA[] = {a.hasMesh,   a.hasRigidBody, a.hasScript, a.hasMaterial, a.hasLight,
                           a.hasCamera, a.hasParticles, a.hasAudio,  a.hasCanvas,   a.hasUI,
                           a.hasPrefab, a.hasCollider,  a.hasLiquid, a.spareFlag,   a.enabled};
    const bool flagsB[] = {b.hasMesh,   b.hasRigidBody, b.hasScript, b.hasMaterial, b.hasLight,
                           b.hasCamera, b.hasParticles, b.hasAudio,  b.hasCanvas,   b.hasUI,
                           b.hasPrefab, b.hasCollider,  b.hasLiquid, b.spareFlag,   b.enabled};
    return a.id == b.id && std::strcmp(a.name, b.name) == 0 && a.parent == b.parent && a.children == b.children &&
           SameBytes(flagsA, flagsB) && SameBytes(a.transform, b.transform) && SameBytes(a.mesh, b.mesh) &&
           SameBytes(a.rigidBody, b.rigidBody) && SameBytes(a.collider, b.collider) && SameBytes(a.script, b.script) &&
           SameBytes(a.material, b.material) && SameBytes(a.light, b.light) && SameBytes(a.camera, b.camera) &&
           SameBytes(a.emitter, b.emitter) && SameBytes(a.liquid, b.liquid) && SameBytes(a.audio, b.audio) &&
           SameBytes(a.canvas, b.canvas) && SameBytes(a.ui, b.ui) && SameBytes(a.prefab, b.prefab);
}

inline bool SameSnapshot(const SceneSnapshot& a, const SceneSnapshot& b) {
    if (a.ents.size() != b.ents.size()) return false;
    for (size_t i = 0; i < a.ents.size(); ++i)
        if (!SameEntity(a.ents[i], b.ents[i])) return false;
    if (a.scriptMeta.size() != b.scriptMeta.size()) return false;
    for (const auto& [id, meta] : a.scriptMeta) {
        const ScriptMeta* other = b.scriptMeta.Find(id);
        if (!other || !SameBytes(meta, *other)) return false;
    }
    return a.nextId == b.nextId && a.selId == b.selId && a.lastSelId == b.lastSelId &&
           a.AmbientStrength() == b.AmbientStrength() && a.Exposure() == b.Exposure() &&
           SameBytes(a.Engine(), b.Engine()) &&
           std::strcmp(a.inspectorMatPath, b.inspectorMatPath) == 0 &&
           SameBytes(a.inspectorEditMat, b.inspectorEditMat) && std::strcmp(a.selFilePath, b.selFilePath) == 0;
}

}  // namespace korvane::test
