#include "editor/ui/common/EntityPresets.h"

#include <string>

#include "editor/legacy/base/AppState.h"
#include "editor/legacy/base/EditorLog.h"
#include "editor/legacy/scene/EntityStore.h"
#include "editor/legacy/scene/Undo.h"

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

void SelectEntity(int32_t id) {
    g_selId = g_lastEntitySelId = id;
    g_selFilePath[0] = '\0';
}

int32_t CreatePresetEntity(EntityPreset p) {
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
    int32_t id = e->id;
    SelectEntity(id);
    return id;
}

int32_t DuplicateEntityPartial(int32_t sourceId, bool withLiquid) {
    const Entity* src = GetEnt(sourceId);
    if (!src) return -1;
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
    int32_t id = AddEnt("Child", parentId)->id;
    SelectEntity(id);
    return id;
}
