#pragma once
// The ready-made entities the create menus offer ("gameEntity" menu, the
// viewport's "VpCtx", the hierarchy's "CreatePopup"), and the hierarchy's
// entity operations (partial duplicate, undoable delete, child creation).
// No UI here: each menu maps its items onto these.
//
//   EntityPreset, PresetEntityName, CreatePresetEntity
//   DuplicateEntityPartial, DeleteEntityWithUndo, CreateChildEntity
//   SelectEntity

#include <cstdint>

enum class EntityPreset {
    Empty,
    Cube,
    Sphere,
    Cylinder,
    Cone,
    Torus,
    Plane,
    DirectionalLight,
    PointLight,
    SpotLight,
    Camera,
    Canvas,
    UIText,
    UIButton,
    UIImage,
    ParticleEmitter,
    WaterSurface,
    AudioSource,
    Collider,
};

// The entity name a preset gets ("gameEntity", "Dir Light", "Particle Effect", ...).
const char* PresetEntityName(EntityPreset p);

// Adds the preset as a root entity (AddEnt marks the scene dirty and starts
// the inline rename) and selects it. Records no undo entry. Returns its id.
int32_t CreatePresetEntity(EntityPreset p);

// Selects an entity the way the hierarchy and viewport do.
void SelectEntity(int32_t id);

// The hierarchy's "Duplicate": a new entity with the source's name and
// parent, and only its transform, mesh, rigid body, script and material
// (and liquid surface when withLiquid). Selected; no undo entry. -1 when the
// source does not exist.
int32_t DuplicateEntityPartial(int32_t sourceId, bool withLiquid);

// Removes the entity with its subtree as the undo step "Delete Entity" and
// logs "Deleted <name>". Nothing happens for a missing id.
void DeleteEntityWithUndo(int32_t id);

// "Create Child": AddEnt("Child", parent), selected. -1 for a missing parent.
int32_t CreateChildEntity(int32_t parentId);
