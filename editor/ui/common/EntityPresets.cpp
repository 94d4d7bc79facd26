#include "editor/ui/common/EntityPresets.h"

#include <string>

#include "editor/legacy/base/AppState.h"
#include "editor/legacy/base/EditorLog.h"
#include "editor/legacy/scene/EntityStore.h"
#include "editor/legacy/scene/SceneEdits.h"
#include "editor/legacy/scene/Undo.h"
#include "editor/ui/common/EditorHooks.h"

const char* PresetEntityName(EntityPreset p) {
    switch (p) {
    case EntityPreset::Empty: return "gameEntity";
    case EntityPreset::Cube: return "Cube";
    case EntityPreset::Sphere: return "Sphere";
    case EntityPreset::Cylinder: return "Cylinder";
    case EntityPreset::Cone: return "Cone";
    case EntityPreset::Torus: return "Torus";
    case EntityPreset::Plane: return "Plane";
    case EntityPreset::DirectionalLight: return "Dir Light";
    case EntityPreset::PointLight: return "Point Light";
    case EntityPreset::SpotLight: return "Spot Light";
    case EntityPreset::Camera: return "Camera";
    case EntityPreset::Canvas: return "Canvas";
    case EntityPreset::UIText: return "UI Text";
    case EntityPreset::UIButton: return "UI Button";
    case EntityPreset::UIImage: return "UI Image";
    case EntityPreset::ParticleEmitter: return "Particle Effect";
    case EntityPreset::WaterSurface: return "Water Surface";
    case EntityPreset::AudioSource: return "Audio Source";
    case EntityPreset::Collider: return "Collider";
    }
    return "gameEntity";
}

const char* PresetUndoLabel(EntityPreset p) {
    switch (p) {
    case EntityPreset::Empty: return "Create Empty";
    case EntityPreset::Cube: return "Create Cube";
    case EntityPreset::Sphere: return "Create Sphere";
    case EntityPreset::Cylinder: return "Create Cylinder";
    case EntityPreset::Cone: return "Create Cone";
    case EntityPreset::Torus: return "Create Torus";
    case EntityPreset::Plane: return "Create Plane";
    case EntityPreset::DirectionalLight: return "Create Directional Light";
    case EntityPreset::PointLight: return "Create Point Light";
    case EntityPreset::SpotLight: return "Create Spot Light";
    case EntityPreset::Camera: return "Create Camera";
    case EntityPreset::Canvas: return "Create Canvas";
    case EntityPreset::UIText: return "Create UI Text";
    case EntityPreset::UIButton: return "Create UI Button";
    case EntityPreset::UIImage: return "Create UI Image";
    case EntityPreset::ParticleEmitter: return "Create Particle Emitter";
    case EntityPreset::WaterSurface: return "Create Water Surface";
    case EntityPreset::AudioSource: return "Create Audio Source";
    case EntityPreset::Collider: return "Create Collider";
    }
    return "Create Empty";
}

void SelectEntity(int32_t id) {
    g_selId = g_lastEntitySelId = id;
    g_selFilePath[0] = '\0';
}

namespace {

int32_t AddPresetEntity(EntityPreset p) {
    Entity* e = AddEnt(PresetEntityName(p), -1);
    switch (p) {
    case EntityPreset::Cube: e->hasMesh = true; e->mesh.shape = MeshShape_Cube; break;
    case EntityPreset::Sphere: e->hasMesh = true; e->mesh.shape = MeshShape_Sphere; break;
    case EntityPreset::Cylinder: e->hasMesh = true; e->mesh.shape = MeshShape_Cylinder; break;
    case EntityPreset::Cone: e->hasMesh = true; e->mesh.shape = MeshShape_Cone; break;
    case EntityPreset::Torus: e->hasMesh = true; e->mesh.shape = MeshShape_Torus; break;
    case EntityPreset::Plane:
        e->hasMesh = true;
        e->mesh.shape = MeshShape_Plane;
        e->transform.position.y = 0.5f;
        e->transform.scale.x = 2.0f;
        e->transform.scale.z = 2.0f;
        break;
    case EntityPreset::DirectionalLight:
        e->hasLight = true;
        e->transform.position.y = 5.0f;
        break;
    case EntityPreset::PointLight: e->hasLight = true; e->light.type = LightType_Point; break;
    case EntityPreset::SpotLight: e->hasLight = true; e->light.type = LightType_Spot; break;
    case EntityPreset::Camera:
        e->hasCamera = true;
        e->transform.position.z = -5.0f;
        break;
    case EntityPreset::ParticleEmitter: e->hasParticles = true; break;
    case EntityPreset::WaterSurface: e->hasLiquid = true; break;
    case EntityPreset::AudioSource: e->hasAudio = true; break;
    case EntityPreset::Collider: e->hasCollider = true; break;
    default: break;  // empty and the plain UI entities carry no component
    }
    if (p == EntityPreset::WaterSurface && g_editorHooks.applyLiquidMaterialDefaults)
        g_editorHooks.applyLiquidMaterialDefaults(*e);
    int32_t id = e->id;
    SelectEntity(id);
    return id;
}

} // namespace

int32_t CreatePresetEntity(EntityPreset p) {
    int32_t id = -1;
    RecordUndoableEdit(PresetUndoLabel(p), [&] {
        id = AddPresetEntity(p);
        return id >= 0;
    });
    return id;
}

int32_t DuplicateEntityPartial(int32_t sourceId, bool withLiquid) {
    const Entity* src = GetEnt(sourceId);
    if (!src) return -1;
    SceneSnapshot before = CaptureSceneSnapshot();
    // AddEnt may move the store: work from a copy of the source.
    const Entity s = *src;
    Entity* e = AddEnt(s.name, s.parent);
    e->transform = s.transform;
    e->hasMesh = s.hasMesh;
    e->mesh = s.mesh;
    e->hasRigidBody = s.hasRigidBody;
    e->rigidBody = s.rigidBody;
    e->hasScript = s.hasScript;
    e->script = s.script;
    e->hasMaterial = s.hasMaterial;
    e->material = s.material;
    if (withLiquid) {
        e->hasLiquid = s.hasLiquid;
        e->liquid = s.liquid;
    }
    int32_t id = e->id;
    SelectEntity(id);
    UndoPushSnapshot(before, "Duplicate Entity");
    return id;
}

void DeleteEntityWithUndo(int32_t id) {
    const Entity* e = GetEnt(id);
    if (!e) return;
    SceneSnapshot before = CaptureSceneSnapshot();
    std::string name = e->name;
    RemoveEnt(id);
    UndoPushSnapshot(before, "Delete Entity");
    Log(2, "Deleted %s", name.c_str());
}

int32_t CreateChildEntity(int32_t parentId) {
    if (!GetEnt(parentId)) return -1;
    SceneSnapshot before = CaptureSceneSnapshot();
    int32_t id = AddEnt("Child", parentId)->id;
    SelectEntity(id);
    UndoPushSnapshot(before, "Create Child");
    return id;
}

int32_t CreateEntityFromAssetWithUndo(const char* path) {
    if (!path || !path[0] || !g_editorHooks.createEntityFromAsset) return -1;
    int32_t id = -1;
    RecordUndoableEdit("Import Asset To Scene", [&] {
        id = g_editorHooks.createEntityFromAsset(path);
        return id >= 0;
    });
    return id;
}

bool AttachAssetWithUndo(int32_t id, const char* path) {
    if (!path || !path[0] || !g_editorHooks.attachAssetToEntity) return false;
    return RecordUndoableEdit("Attach Asset To Entity", [&] {
        Entity* e = GetEnt(id);
        return e && g_editorHooks.attachAssetToEntity(*e, path);
    });
}
