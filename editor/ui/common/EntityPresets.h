#pragma once
// The ready-made entities the create menus offer ("gameEntity" menu, the
// viewport's "VpCtx", the hierarchy's "CreatePopup"), and the hierarchy's
// entity operations (partial duplicate, delete, child creation, asset drops).
// No UI here: each menu maps its items onto these. Every one of them is its
// own undo step with a visible label ("Create Cube", "Create Child", ...).
//
//   EntityPreset, PresetEntityName, PresetUndoLabel, CreatePresetEntity
//   DuplicateEntityPartial, DeleteEntityWithUndo, CreateChildEntity
//   CreateEntityFromAssetWithUndo, AttachAssetWithUndo
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

// The undo label of creating it: "Create " and the menu's item text
// ("Create Cube", "Create Point Light", "Create Empty", ...).
const char* PresetUndoLabel(EntityPreset p);

// Adds the preset as a root entity (AddEnt marks the scene dirty and hands
// the inspector's name field the focus) and selects it, as the undo step
// PresetUndoLabel(p). A water surface gets the liquid material defaults
// (g_editorHooks.applyLiquidMaterialDefaults) inside the same step. Returns
// its id.
int32_t CreatePresetEntity(EntityPreset p);

// Selects an entity the way the hierarchy and viewport do.
void SelectEntity(int32_t id);

// The hierarchy's "Duplicate": a new entity with the source's name and
// parent, and only its transform, mesh, rigid body, script and material
// (and liquid surface when withLiquid). Selected; the undo step "Duplicate
// Entity". -1 when the source does not exist.
int32_t DuplicateEntityPartial(int32_t sourceId, bool withLiquid);

// Removes the entity with its subtree as the undo step "Delete Entity" and
// logs "Deleted <name>". Nothing happens for a missing id.
void DeleteEntityWithUndo(int32_t id);

// "Create Child": AddEnt("Child", parent), selected, the undo step "Create
// Child". -1 for a missing parent.
int32_t CreateChildEntity(int32_t parentId);

// A project file dropped on the hierarchy's free area: an entity made from it
// through g_editorHooks.createEntityFromAsset, as the step "Import Asset To
// Scene" (nothing is recorded when no entity results). The new id or -1.
int32_t CreateEntityFromAssetWithUndo(const char* path);

// A project file dropped on a row: g_editorHooks.attachAssetToEntity as the
// step "Attach Asset To Entity". False (nothing recorded) when it was not
// attached.
bool AttachAssetWithUndo(int32_t id, const char* path);
