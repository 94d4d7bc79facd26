#include "editor/legacy/files/AssetKinds.h"

#include <string>

#include "editor/legacy/base/ProjectPaths.h"

namespace {

bool ExtIn(const char* path, std::initializer_list<const char*> exts) {
    if (!path || !path[0]) return false;
    std::string e = Ext(path);
    for (const char* x : exts)
        if (e == x) return true;
    return false;
}

} // namespace

bool IsMeshAsset(const char* path) { return ExtIn(path, {".obj", ".glb", ".fbx", ".gltf", ".blend"}); }
bool IsMaterialAsset(const char* path) { return ExtIn(path, {".mat"}); }
bool IsImageAsset(const char* path) {
    return ExtIn(path, {".png", ".jpg", ".jpeg", ".tga", ".bmp", ".hdr", ".exr", ".webp"});
}
bool IsAudioAsset(const char* path) { return ExtIn(path, {".wav", ".ogg", ".mp3"}); }
