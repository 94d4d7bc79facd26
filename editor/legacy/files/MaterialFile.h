#pragma once
// Material assets (".mat"). They are written through WriteTextIfChangedAtomic
// (editor/legacy/base/AtomicFile.h), which layout and script files share.
//
//   SaveMaterialAsset(m, path)   the text below through WriteTextIfChangedAtomic
//   LoadMaterialAsset(path, m)   tolerant line reader (spaced and compact forms)
//   MaterialAssetText(m)         the text a save writes
//   kMaterialTemplateText        the project browser's "Material (.mat)" file

#include <string>
#include <string_view>

#include "editor/legacy/base/AtomicFile.h"
#include "editor/legacy/scene/Entity.h"

constexpr const char* kMaterialTemplateText =
    "material {\n  color = {1,1,1,1}\n  metallic = 0\n  roughness = 0.55\n}";

// Numbers in fixed-point with six decimals (C locale); texture paths escaped
// like scene texts; the material's own path is not stored.
std::string MaterialAssetText(const Material& m);
// Logs "Material saved: %s" or "Material save failed: %s".
bool SaveMaterialAsset(const Material& m, const char* path);
// Reads the file into a default Material that keeps only m.path = path, so
// nothing of a previously loaded material leaks in; on success m becomes it
// (normalised with EnsureMaterialDefaults). On failure (empty path, a path
// too long for the field, a missing or unreadable file) m keeps its values;
// only a readable-but-missing file still sets m.path. Unknown and malformed
// lines are ignored.
bool LoadMaterialAsset(const char* path, Material& m);
// Applies one line of a material file to m; false when no key matched.
bool ApplyMaterialLine(std::string_view line, Material& m);
