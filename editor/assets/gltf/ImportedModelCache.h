#pragma once
// The process-wide cache of imported models, keyed by the model path text
// exactly as stored (the file opened is ResolveProjectAssetPath of it), and
// the drawing of the parts a renderer selects. Main thread only, except
// RequestImportedModelEviction.
//
//   g_importedModels                 path text -> ImportedModel
//   GetOrLoadImportedModel(path)     cached entry, or a load; null on failure (remembered until the file changes)
//   DrawImportedParts(mr, model, override, lit)   one VAO bind, one draw per selected submesh
//   DrawImportedPartsForRenderer     the lit pass's g_drawImportedPartsFn
//   PreloadImportedModel             the loading sequence's model preload
//   RequestImportedModelEviction(path)   any thread: drop that model at the next frame start
//   ApplyImportedModelEvictions()    frame start, before anything draws or picks
//   ReleaseImportedModels()          GL clean-up at exit
//   InstallImportedModelCache()      installs the lit pass hook
//
// Entry pointers are valid until the next ApplyImportedModelEvictions or
// ReleaseImportedModels: code that keeps a model across frames keeps its path.

#include <string>
#include <unordered_map>

#include "editor/assets/gltf/ImportedModel.h"
#include "editor/legacy/scene/ImportedPartSelection.h"

extern std::unordered_map<std::string, ImportedModel> g_importedModels;

ImportedModel* GetOrLoadImportedModel(const char* path);
inline bool ImportedPartMatchesRenderer(const MeshRenderer& r, const ImportedSubmesh& sm) {
    return ImportedPartMatchesRenderer(r, sm.nodeIndex, sm.materialIndex);
}
void DrawImportedParts(const MeshRenderer& mr, ImportedModel* model, const Material* override, bool lit);
bool DrawImportedPartsForRenderer(const MeshRenderer& mr, const Material* override, bool lit);
void PreloadImportedModel(const char* path);

void RequestImportedModelEviction(const std::string& path);
// Returns how many entries were dropped.
int ApplyImportedModelEvictions();
void ReleaseImportedModels();
void InstallImportedModelCache();
