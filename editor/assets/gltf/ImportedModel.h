#pragma once
// An imported glTF/GLB model as the renderer, picking and the entity builder
// see it: one interleaved vertex buffer and one 32-bit index buffer split into
// submeshes that remember their node and material, the node tree in
// pre-order, the material slots, and a CPU copy of the geometry for picking.
//
// The CPU half (everything but vao/vbo/ebo and the material texture names) is
// filled without GL by LoadImportedGLTFModelCpu (GltfLoader.h); the GL half by
// UploadImportedModel (GltfUpload.h).

#include <cstdint>
#include <vector>

#include "editor/legacy/scene/Entity.h"
#include "editor/legacy/scene/KorvaneMath.h"
#include "editor/render/ImportedMaterial.h"
#include "editor/render/MeshGen.h"

struct ImportedSubmesh {
    int32_t firstIndex = 0;  // offset into the index buffer, in indices
    int32_t indexCount = 0;
    int32_t materialIndex = 0;  // slot in ImportedModel::materials
    int32_t nodeIndex = -1;     // index in ImportedModel::nodes
    Vec3 boundsMin{1e9f, 1e9f, 1e9f};
    Vec3 boundsMax{-1e9f, -1e9f, -1e9f};
};

struct ImportedNode {
    char name[128] = "Node";
    int32_t parent = -1;  // index in ImportedModel::nodes; -1 for a root
    bool hasMesh = false;
    Transform transform;
};

struct ImportedModel {
    unsigned vao = 0, vbo = 0, ebo = 0;
    int32_t indexCount = 0;
    std::vector<ImportedSubmesh> submeshes;
    std::vector<ImportedMaterial> materials;  // slot 0 default, k + 1 = glTF material k
    std::vector<ImportedNode> nodes;          // depth-first pre-order
    Vec3 boundsMin{0, 0, 0};
    Vec3 boundsMax{0, 0, 0};
    std::vector<V3> vertices;
    std::vector<uint32_t> indices;
};
