#pragma once
// glTF/GLB model loading. The CPU half parses, walks the node tree, de-indexes
// the triangles, generates tangents and turns the materials into project
// assets; it uses no GL and does not log (its messages come back in a list),
// so tests, benchmarks and the validate-only entry run it without a context.
// LoadImportedGLTFModel adds the main-thread half: logging, texture requests
// and the upload.
//
//   LoadImportedGLTFModel(path, out)           the model cache's entry (main thread, GL)
//   LoadImportedGLTFModelCpu(path, out, opt, messages)   no GL, no log
//   ValidateImportedGLTF(path)                 parse and check only: no files, no GL, any thread
//   GenerateTangents(vertices, indices)        per-triangle UV tangents, handedness +1
//   g_gltfMaxVertices                          de-indexed vertex budget per model

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "editor/assets/gltf/ImportedModel.h"

struct GltfMessage {
    int level = 2;  // as the editor log: 2 info, 3 warning, 4 error
    std::string text;
};
using GltfMessages = std::vector<GltfMessage>;

struct GltfLoadOptions {
    // Copy textures into the project and write missing ".mat" files. Off in
    // the running game: a built bundle is never written to.
    bool writeProjectAssets = true;
    // Resolve texture slots into project image paths (reusing what exists).
    bool registerTextures = true;
    // The path whose Assets-relative text names the import folder; empty:
    // the path being loaded.
    std::string assetFolderPath;
};

// Models whose triangles would de-index into more vertices than this are
// refused (60 bytes each on the CPU and again on the GPU).
extern size_t g_gltfMaxVertices;

bool LoadImportedGLTFModelCpu(const char* path, ImportedModel& out, const GltfLoadOptions& options,
                              GltfMessages& messages);
bool LoadImportedGLTFModel(const char* path, ImportedModel& out);

// The parse and check a converted model must pass before it is accepted:
// parse, buffers, structure, at least one drawable triangle. Writes nothing,
// uses no GL and no editor state, so the conversion worker can call it.
struct GltfValidation {
    bool ok = false;
    std::string message;  // the first error, or "" when ok
    GltfMessages messages;
    size_t vertices = 0, indices = 0, submeshes = 0, materials = 0, nodes = 0;
};
GltfValidation ValidateImportedGLTF(const char* path);

void GenerateTangents(std::vector<V3>& vertices, const std::vector<uint32_t>& indices);
