#pragma once
// Which parts of an imported model a mesh renderer selects: the whole model,
// one node, one material slot, or one slot of one node. The renderer and
// picking both ask this, so it lives below both.

#include <cstdint>

#include "editor/legacy/scene/Entity.h"

inline bool ImportedPartMatchesRenderer(const MeshRenderer& r, int32_t submeshNode, int32_t submeshMaterial) {
    if (r.importedNode >= 0 && r.importedNode != submeshNode) return false;
    if (r.importedMaterialSlot >= 0 && r.importedMaterialSlot != submeshMaterial) return false;
    return true;
}
