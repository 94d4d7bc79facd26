#pragma once
// The loader's steps over a parsed file (gltf/ units only): the node walk,
// primitives, transforms, materials and texture registration.

#include <string>
#include <vector>

#include "editor/assets/gltf/GltfDocument.h"
#include "editor/assets/gltf/GltfLoader.h"

// What one load carries through its steps.
struct GltfBuild {
    const GltfData& data;
    GltfMessages& messages;
    std::vector<char> visited;  // per node: already walked (cycles, shared children)
    size_t nonFinite = 0;       // positions replaced by 0
    bool budgetWarned = false;
    explicit GltfBuild(const GltfData& d, GltfMessages& m) : data(d), messages(m), visited(d.model.nodes.size(), 0) {}
    void Warn(std::string text) { messages.push_back({3, std::move(text)}); }
};

void RegisterGLTFNode(GltfBuild& b, int node, int parentIndex, std::vector<V3>& vertices,
                      std::vector<uint32_t>& indices, ImportedModel& model);
Transform NodeLocalTransform(const tinygltf::Node& node);
void AppendGLTFPrimitive(GltfBuild& b, const tinygltf::Primitive& prim, int nodeIndex, std::vector<V3>& vertices,
                         std::vector<uint32_t>& indices, ImportedModel& model);
int MaterialIndex(const tinygltf::Model& model, int material);

void LoadGLTFMaterials(GltfBuild& b, ImportedModel& model, const std::string& sourceDir, const std::string& stem,
                       const GltfLoadOptions& options);
std::string RegisterGLTFTextureAsProjectImage(GltfBuild& b, int textureIndex, const std::string& sourceDir,
                                              const std::string& textureDir, const std::string& materialName,
                                              const std::string& label, const GltfLoadOptions& options);
