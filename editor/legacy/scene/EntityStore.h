#pragma once
// The scene's entity store: the list of entities, the id -> position index,
// the id counter, the selection, and the hierarchy operations. Main thread
// only.
//
//   g_ents g_entIdx g_nextId g_selId g_lastEntitySelId g_renameEntId
//   g_sceneDirty g_selFilePath g_inspectorMatPath g_inspectorEditMat
//   GetEnt EntityExists GetSel RebuildEntityIndex
//   AddEnt RemoveEnt DuplicateSelectedEntity DeleteSelectedEntity
//   IsDescendant EntityHierarchyDepth ReparentEntity MarkSceneDirty
//
// Positions in g_ents are not stable (removal moves the last entity into the
// hole): hold ids across additions and removals, never pointers or indices.

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "editor/legacy/scene/Entity.h"

extern std::vector<Entity> g_ents;
extern EntityIdMap<int32_t> g_entIdx;  // id -> position in g_ents
extern int32_t g_nextId;                               // greater than every id in g_ents
extern int32_t g_selId;                                // -1 = none
extern int32_t g_lastEntitySelId;                      // last id GetSel returned
extern int32_t g_renameEntId;   // new entity whose name field takes focus once; -1 none
extern bool g_sceneDirty;       // unsaved changes exist
extern char g_selFilePath[1024];  // selected project file (inspector shows it or the entity)

// The material asset open in the file inspector and its edited copy; part of
// every scene snapshot so undo covers material edits too.
extern char g_inspectorMatPath[1024];
extern Material g_inspectorEditMat;

// Longest parent walk EntityHierarchyDepth counts.
constexpr int kMaxHierarchyDepth = 128;

Entity* GetEnt(int32_t id);
bool EntityExists(int32_t id);
// GetEnt(g_selId); records the id in g_lastEntitySelId when found.
Entity* GetSel();
void RebuildEntityIndex();

// Sets g_sceneDirty and refreshes the window title when it was clean.
void MarkSceneDirty();

// Creates a default entity under parentId (-1 = root). A parentId naming no
// entity is stored as -1, so an id created later cannot adopt it. The name is
// cut to 63 bytes. Sets g_renameEntId, marks dirty. The pointer is valid
// until the next addition or removal.
Entity* AddEnt(const char* name, int32_t parentId);

// Removes the entity and its whole subtree. Terminates on parent cycles and
// arbitrarily deep trees (no recursion). Clears the selection when removed.
void RemoveEnt(int32_t id);

// Copies the selected entity (without its children) as "<name> Copy" under
// the same parent, copies its script metadata, selects it and records the
// undo entry "Duplicate Entity". Returns null when nothing is selected.
Entity* DuplicateSelectedEntity();

// Removes the selected entity with its subtree as undo step "Delete Entity".
void DeleteSelectedEntity();

// True when a == b or a lies anywhere in b's subtree (cycle safe).
bool IsDescendant(int32_t a, int32_t b);

// Parent steps up to a root, at most kMaxHierarchyDepth. A missing parent, or
// an entity naming itself, ends the walk.
int EntityHierarchyDepth(int32_t id);

// Moves `child` under `newParent` (-1 = make it a root), keeping its local
// transform. Refused (false, nothing changes) when either entity is missing
// or newParent is child itself or lies in child's subtree. Marks the scene
// dirty on a change; records no undo entry.
bool ReparentEntity(int32_t child, int32_t newParent);
