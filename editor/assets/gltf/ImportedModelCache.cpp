#include "editor/assets/gltf/ImportedModelCache.h"

#include <cstdint>
#include <mutex>
#include <vector>

#include "editor/assets/gltf/GltfLoader.h"
#include "editor/assets/gltf/GltfUpload.h"
#include "editor/legacy/base/ProjectPaths.h"
#include "editor/render/GL.h"
#include "editor/render/LitPass.h"

std::unordered_map<std::string, ImportedModel> g_importedModels;

namespace {
std::mutex s_evictMutex;
std::vector<std::string> s_evictions;  // under s_evictMutex
}  // namespace

ImportedModel* GetOrLoadImportedModel(const char* path) {
    if (!path || !*path) return nullptr;
    const std::string key = path;
    auto it = g_importedModels.find(key);
    if (it != g_importedModels.end()) return &it->second;
    const std::string file = ResolveProjectAssetPath(path);
    // A model that failed is not re-read (nor logged again) until its file changes.
    if (g_failedModelLoads.KnownFailure(key, file)) return nullptr;
    ImportedModel model;
    if (!LoadImportedGLTFModel(file.c_str(), model)) {
        g_failedModelLoads.Remember(key, file);
        return nullptr;
    }
    g_failedModelLoads.Forget(key);
    return &g_importedModels.emplace(key, std::move(model)).first->second;
}

void DrawImportedParts(const MeshRenderer& mr, ImportedModel* model, const Material* override, bool lit) {
    if (!model || !model->vao) return;
    glBindVertexArray(model->vao);
    const int32_t slots = int32_t(model->materials.size());
    for (const ImportedSubmesh& sm : model->submeshes) {
        if (!ImportedPartMatchesRenderer(mr, sm) || sm.indexCount <= 0) continue;
        if (lit && slots > 0) {
            int32_t slot = sm.materialIndex;
            if (slot < 0 || slot >= slots) slot = 0;
            SetImportedMaterialUniforms(model->materials[size_t(slot)], override);
        }
        glDrawElements(GL_TRIANGLES, sm.indexCount, GL_UNSIGNED_INT,
                       reinterpret_cast<const void*>(uintptr_t(sm.firstIndex) * sizeof(uint32_t)));
    }
    glBindVertexArray(0);
}

bool DrawImportedPartsForRenderer(const MeshRenderer& mr, const Material* override, bool lit) {
    ImportedModel* model = GetOrLoadImportedModel(mr.modelPath);
    if (!model) return false;
    DrawImportedParts(mr, model, override, lit);
    return true;
}

void PreloadImportedModel(const char* path) { GetOrLoadImportedModel(path); }

void RequestImportedModelEviction(const std::string& path) {
    if (path.empty()) return;
    std::lock_guard<std::mutex> lock(s_evictMutex);
    s_evictions.push_back(path);
}

int ApplyImportedModelEvictions() {
    std::vector<std::string> pending;
    {
        std::lock_guard<std::mutex> lock(s_evictMutex);
        pending.swap(s_evictions);
    }
    int dropped = 0;
    for (const std::string& path : pending) {
        const std::string file = ResolveProjectAssetPath(path.c_str());
        // The same file may be cached under more than one path text.
        for (auto it = g_importedModels.begin(); it != g_importedModels.end();) {
            if (it->first == path || ResolveProjectAssetPath(it->first.c_str()) == file) {
                ReleaseImportedModelGL(it->second);
                g_failedModelLoads.Forget(it->first);
                it = g_importedModels.erase(it);
                ++dropped;
            } else {
                ++it;
            }
        }
        g_failedModelLoads.Forget(path);
    }
    return dropped;
}

void ReleaseImportedModels() {
    for (auto& kv : g_importedModels) ReleaseImportedModelGL(kv.second);
    g_importedModels.clear();
    std::lock_guard<std::mutex> lock(s_evictMutex);
    s_evictions.clear();
}

void InstallImportedModelCache() { g_drawImportedPartsFn = &DrawImportedPartsForRenderer; }
