#include "editor/ui/frame/ImportedModelHooks.h"

#include <vector>

#include "editor/assets/gltf/ImportedModelCache.h"
#include "editor/ui/frame/LoadingSteps.h"

bool PickModelFromCache(const char* modelPath, PickModelView& out) {
    ImportedModel* model = GetOrLoadImportedModel(modelPath);
    if (!model || model->vertices.empty()) return false;
    // The view is used at once by the caller (one entity's test), so one
    // buffer of submesh ranges serves every call.
    static std::vector<PickSubmesh> s_submeshes;
    s_submeshes.clear();
    s_submeshes.reserve(model->submeshes.size());
    for (const ImportedSubmesh& sm : model->submeshes) {
        PickSubmesh p;
        p.firstIndex = sm.firstIndex;
        p.indexCount = sm.indexCount;
        p.materialIndex = sm.materialIndex;
        p.nodeIndex = sm.nodeIndex;
        p.boundsMin = sm.boundsMin;
        p.boundsMax = sm.boundsMax;
        s_submeshes.push_back(p);
    }
    out = PickModelView();
    out.boundsMin = model->boundsMin;
    out.boundsMax = model->boundsMax;
    out.positions = model->vertices[0].pos;
    out.positionCount = int32_t(model->vertices.size());
    out.positionStride = int32_t(sizeof(V3) / sizeof(float));
    out.indices = model->indices.data();
    out.indexCount = int32_t(model->indices.size());
    out.submeshes = s_submeshes.data();
    out.submeshCount = int32_t(s_submeshes.size());
    return true;
}

void InstallImportedModelHooks() {
    InstallImportedModelCache();
    g_pickModelProvider = &PickModelFromCache;
    g_preloadImportedModelHook = &PreloadImportedModel;
}
