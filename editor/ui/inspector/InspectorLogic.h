#pragma once
// The inspector's decisions that need no window: text formats, the
// add-component table and its search, exported-field display names, entity
// reference candidates, colour mixing, the assignable entity, visibility
// rules, the asset folder scan and the asset attach used by its drop targets.
//
//   FormatFileSize MixImU32 GetAssignableEntity
//   kAddComponentEntries AddComponentMatches AddComponentListed AddComponentToEntity
//   ScriptFieldDisplayName ScriptChoiceOptions EntityRefCandidates
//   ShowSpotLightFields ShowConvexHull
//   ScanAssetFiles ScanScriptFiles g_assetScanCalls
//   InspectorAttachAsset ApplyMaterialAssetChoice

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "editor/legacy/scene/Entity.h"

// "%lld B" below 1024 bytes, "%.1f KB" below 1 MiB, else "%.1f MB".
std::string FormatFileSize(long long bytes);

// Per channel (R, G, B, A in the packed ImU32 layout) a + (b - a) * t, t
// clamped to [0, 1], truncated.
uint32_t MixImU32(uint32_t a, uint32_t b, float t);

// The selected entity, else the last selected one if it still exists.
Entity* GetAssignableEntity();

enum class AddComponentKind { Mesh, Material, Light, Camera, Particles, Liquid, RigidBody, Collider, Script, Audio, Canvas, UI };

struct AddComponentEntry {
    int category;  // 0 Rendering, 1 Physics, 2 Logic & UI
    const char* label;
    const char* tags;
    const char* undoLabel;
    AddComponentKind kind;
};
extern const AddComponentEntry kAddComponentEntries[12];
extern const char* const kAddComponentCategories[3];

bool EntityHasComponent(const Entity& e, AddComponentKind kind);
// Empty search matches all; else the lower-cased search is found in the
// lower-cased "label tags".
bool AddComponentMatches(const AddComponentEntry& entry, const char* search);
// Listed when the entity lacks the component and the search matches.
bool AddComponentListed(const Entity& e, const AddComponentEntry& entry, const char* search);
// Sets the presence flag with the entry's extra step (material defaults; the
// liquid's material through the play hook). Records no undo.
void AddComponentToEntity(Entity& e, AddComponentKind kind);

// "moveSpeed2" -> "Move Speed 2"; at most 62 characters of the name are used.
std::string ScriptFieldDisplayName(const char* fieldName);
// The options of a choice field split at ";" (at most 32).
std::vector<std::string> ScriptChoiceOptions(const char* options);

struct EntityRefCandidate {
    int32_t id;
    std::string name;
};
// "None" (-1) first, then enabled entities matching the filter ("" any,
// "camera", "light", "mesh"); 128 entries at most, "None" included.
std::vector<EntityRefCandidate> EntityRefCandidates(const char* filter);

inline bool ShowSpotLightFields(const Light& l) { return l.type == LightType_Spot; }
inline bool ShowConvexHull(const Collider& c) { return c.shape == ColliderShape_Mesh; }

// Counts every directory open and entry read by the scans (benchmarks).
extern uint64_t g_assetScanCalls;
constexpr size_t kMaxAssetScanEntries = 20000;
constexpr int kMaxAssetScanDepth = 32;
// Appends files under dir passing filter, as prefix/name paths (labels the
// same). Skips names starting with "."; recurses only into real directories
// (never through a link), at most kMaxAssetScanDepth deep and
// kMaxAssetScanEntries entries in all.
void ScanAssetFiles(const std::string& dir, const std::string& prefix, std::vector<std::string>& paths,
                    std::vector<std::string>& labels, const std::function<bool(const char*)>& filter);
void ScanScriptFiles(const std::string& dir, const std::string& prefix, std::vector<std::string>& paths,
                     std::vector<std::string>& labels);
// Sorts paths and labels together by label (byte order).
void SortByLabel(std::vector<std::string>& paths, std::vector<std::string>& labels);

// Attaches a project file to an entity (script or material), through the
// asset hook when one is installed. False for other files.
bool InspectorAttachAsset(Entity& e, const char* path);

// The material picker chose `rel` (relative to Assets, or empty): the entity's
// material becomes the file's contents in a fresh record (nothing of the
// previous material stays), its path the choice. False (logged) when the file
// cannot be read; the path is still recorded.
bool ApplyMaterialAssetChoice(Material& m, const char* rel);
