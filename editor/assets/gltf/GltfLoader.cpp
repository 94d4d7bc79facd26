#include "editor/assets/gltf/GltfLoader.h"

#include <cstdarg>
#include <cstdio>

#include "editor/assets/gltf/GltfBuild.h"
#include "editor/assets/gltf/GltfFiles.h"
#include "editor/assets/gltf/GltfUpload.h"
#include "editor/legacy/base/AppState.h"
#include "editor/legacy/base/EditorLog.h"

namespace {

std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* fmt, ...) {
    char buf[2048];
    va_list ap;
    va_start(ap, fmt);
    std::vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    return buf;
}

// Parse, check and build the geometry (and, with materials, the slots).
bool BuildModel(const char* path, ImportedModel& out, const GltfLoadOptions& options, bool materials,
                GltfMessages& messages) {
    out = ImportedModel();
    GltfData data;
    const GltfParseOutcome parsed = ParseGLTFFile(path, data);
    for (const std::string& w : data.warnings) messages.push_back({3, "glTF: " + w});
    if (parsed.result != kGltfOk) {
        const int code = int(parsed.result);
        messages.push_back({4, parsed.bufferFailed ? Format("glTF buffer load failed: %s (%d)", path, code)
                                                   : Format("glTF parse failed: %s (%d)", path, code)});
        if (!parsed.detail.empty()) messages.push_back({4, "glTF: " + parsed.detail});
        return false;
    }
    std::string problem;
    if (const int code = ValidateGLTFData(data, &problem)) {
        messages.push_back({3, Format("glTF validation warning: %s (%d)", path, code)});
        messages.push_back({3, "glTF: " + problem});
    }
    GltfBuild b(data, messages);
    if (materials) {
        const std::string folderPath = options.assetFolderPath.empty() ? std::string(path) : options.assetFolderPath;
        LoadGLTFMaterials(b, out, data.sourceDir, ImportedAssetFolderName(folderPath), options);
    } else {
        out.materials.assign(data.model.materials.size() + 1, ImportedMaterial());
    }
    std::vector<V3> vertices;
    std::vector<uint32_t> indices;
    for (int root : GltfRootNodes(data.model)) RegisterGLTFNode(b, root, -1, vertices, indices, out);
    if (b.nonFinite) {
        messages.push_back({3, Format("Imported model has %zu non-finite vertex positions (read as 0): %s",
                                      b.nonFinite, path)});
    }
    // The parsed file is no longer needed; free it before the tangents'
    // working memory is taken.
    data = GltfData();
    if (vertices.empty() || indices.empty()) {
        messages.push_back({4, Format("Imported model has no drawable triangles: %s", path)});
        return false;
    }
    GenerateTangents(vertices, indices);
    Vec3 lo(1e9f, 1e9f, 1e9f), hi(-1e9f, -1e9f, -1e9f);
    for (const V3& v : vertices) {
        lo = Vec3(std::min(lo.x, v.pos[0]), std::min(lo.y, v.pos[1]), std::min(lo.z, v.pos[2]));
        hi = Vec3(std::max(hi.x, v.pos[0]), std::max(hi.y, v.pos[1]), std::max(hi.z, v.pos[2]));
    }
    out.boundsMin = lo;
    out.boundsMax = hi;
    out.vertices = std::move(vertices);
    out.indices = std::move(indices);
    return true;
}

}  // namespace

bool LoadImportedGLTFModelCpu(const char* path, ImportedModel& out, const GltfLoadOptions& options,
                              GltfMessages& messages) {
    if (!path || !*path) {
        messages.push_back({4, "glTF parse failed:  (6)"});
        return false;
    }
    return BuildModel(path, out, options, true, messages);
}

GltfValidation ValidateImportedGLTF(const char* path) {
    GltfValidation v;
    ImportedModel model;
    GltfLoadOptions options;
    options.writeProjectAssets = false;
    options.registerTextures = false;
    v.ok = path && *path && BuildModel(path, model, options, false, v.messages);
    if (!path || !*path) v.messages.push_back({4, "glTF parse failed:  (6)"});
    for (const GltfMessage& m : v.messages) {
        if (m.level >= 4) {
            v.message = m.text;
            break;
        }
    }
    v.vertices = model.vertices.size();
    v.indices = model.indices.size();
    v.submeshes = model.submeshes.size();
    v.materials = model.materials.size();
    v.nodes = model.nodes.size();
    return v;
}

bool LoadImportedGLTFModel(const char* path, ImportedModel& out) {
    GltfLoadOptions options;
    // The running game reads what the editor imported; it writes nothing
    // into its bundle.
    options.writeProjectAssets = !g_gameBuild;
    GltfMessages messages;
    const bool ok = LoadImportedGLTFModelCpu(path, out, options, messages);
    for (const GltfMessage& m : messages) Log(m.level, "%s", m.text.c_str());
    if (!ok) return false;
    RequestImportedModelTextures(out);
    if (!UploadImportedModel(out)) {
        Log(4, "Imported model upload failed: %s", path);
        ReleaseImportedModelGL(out);
        return false;
    }
    Log(2, "Imported model loaded: %s (%zu vertices, %zu indices, %zu submeshes, %zu materials, %zu nodes)", path,
        out.vertices.size(), out.indices.size(), out.submeshes.size(), out.materials.size(), out.nodes.size());
    return true;
}
