// glTF materials as ImportedMaterial slots and project assets: textures
// copied (or written, for GLB images) under "<Assets>/Imported/<folder>/Textures"
// and one ".mat" per material under ".../Materials".
#include <algorithm>
#include <cmath>

#include "editor/assets/gltf/GltfBuild.h"
#include "editor/assets/gltf/GltfFiles.h"
#include "editor/legacy/base/ProjectPaths.h"
#include "editor/legacy/files/MaterialFile.h"

namespace {

float Clamp01(double v, float fallback) {
    if (!std::isfinite(v)) return fallback;
    return float(std::clamp(v, 0.0, 1.0));
}

float NonNegative(double v, float fallback, double limit = 1e6) {
    if (!std::isfinite(v)) return fallback;
    return float(std::clamp(v, 0.0, limit));
}

std::string ProjectRelative(const std::string& path) { return ProjectRelativeAssetPath(path.c_str()); }

}  // namespace

std::string RegisterGLTFTextureAsProjectImage(GltfBuild& b, int textureIndex, const std::string& sourceDir,
                                              const std::string& textureDir, const std::string& materialName,
                                              const std::string& label, const GltfLoadOptions& options) {
    const tinygltf::Model& m = b.data.model;
    if (textureIndex < 0 || size_t(textureIndex) >= m.textures.size()) return {};
    const int imageIndex = m.textures[size_t(textureIndex)].source;
    if (imageIndex < 0 || size_t(imageIndex) >= m.images.size()) return {};
    const tinygltf::Image& image = m.images[size_t(imageIndex)];
    const std::string mat = SanitizeFileStem(materialName.empty() ? "Material" : materialName);
    const std::string lab = SanitizeFileStem(label.empty() ? "Texture" : label);
    // The image index keeps two images that reach the same name (two
    // materials that sanitise alike, equal file names in two folders) apart.
    const std::string prefix = mat + "_" + lab + "_" + std::to_string(imageIndex);

    if (size_t(imageIndex) < b.data.imageIsDataUri.size() && b.data.imageIsDataUri[size_t(imageIndex)]) {
        b.Warn("Embedded data-uri texture on " + mat + "/" + lab +
               " cannot be copied as a Project image. Prefer GLB or external texture files.");
        return {};
    }
    if (!image.uri.empty()) {
        std::string why;
        const std::string src = ResolveImageUriInFolder(sourceDir, image.uri, &why);
        if (src.empty()) {
            b.Warn("Texture \"" + image.uri + "\" on " + mat + "/" + lab + " " + why +
                   "; nothing copied and the slot is left empty");
            return {};
        }
        const std::string file = src.substr(src.rfind('/') + 1);
        const std::string dst = textureDir + "/" + prefix + "_" + file;
        if (FileExists(dst.c_str())) return ProjectRelative(dst);
        if (!FileExists(src.c_str())) {
            b.Warn("Texture file not found for " + mat + "/" + lab + ": " + src);
            return ProjectRelative(src);
        }
        if (!options.writeProjectAssets) return ProjectRelative(src);
        if (CopyFileEarly(src, StableAssetPathEarly(textureDir, prefix + "_" + file))) return ProjectRelative(dst);
        b.Warn("Texture copy failed for " + mat + "/" + lab + ": " + src + " -> " + dst);
        return ProjectRelative(src);
    }
    if (image.bufferView >= 0) {
        const std::string dst = textureDir + "/" + prefix + ImageExtFromMime(image.mimeType);
        if (FileExists(dst.c_str())) return ProjectRelative(dst);
        if (!options.writeProjectAssets) return {};
        const unsigned char* bytes = nullptr;
        size_t size = 0;
        if (!BufferViewBytes(m, image.bufferView, bytes, size) || size == 0) {
            b.Warn("Texture image " + std::to_string(imageIndex) + " on " + mat + "/" + lab +
                   " lies outside its buffer; the slot is left empty");
            return {};
        }
        MkdirP(textureDir);
        if (WriteBytesToFileEarly(dst, bytes, size)) return ProjectRelative(dst);
        b.Warn("Texture write failed for " + mat + "/" + lab + ": " + dst);
        return {};
    }
    return {};
}

void LoadGLTFMaterials(GltfBuild& b, ImportedModel& model, const std::string& sourceDir, const std::string& stem,
                       const GltfLoadOptions& options) {
    const tinygltf::Model& m = b.data.model;
    model.materials.clear();
    model.materials.emplace_back();  // slot 0: the default material
    const std::string root = ProjectAssetsDir() + "/Imported/" + SanitizeFileStem(stem);
    const std::string matDir = root + "/Materials";
    const std::string texDir = root + "/Textures";
    if (options.writeProjectAssets && options.registerTextures) {
        MkdirP(matDir);
        MkdirP(texDir);
    }
    model.materials.reserve(m.materials.size() + 1);
    for (size_t k = 0; k < m.materials.size(); ++k) {
        const tinygltf::Material& g = m.materials[k];
        ImportedMaterial im;
        CopyTextField(im.name, g.name.empty() ? "Material" : g.name.c_str());
        const std::vector<double>& bc = g.pbrMetallicRoughness.baseColorFactor;
        if (bc.size() == 4) im.baseColor = Vec4(Clamp01(bc[0], 1), Clamp01(bc[1], 1), Clamp01(bc[2], 1), Clamp01(bc[3], 1));
        im.metallic = Clamp01(g.pbrMetallicRoughness.metallicFactor, 1.0f);
        im.roughness = Clamp01(g.pbrMetallicRoughness.roughnessFactor, 1.0f);
        if (g.emissiveFactor.size() == 3) {
            im.emissive = Vec3(NonNegative(g.emissiveFactor[0], 0), NonNegative(g.emissiveFactor[1], 0),
                               NonNegative(g.emissiveFactor[2], 0));
        }
        im.doubleSided = g.doubleSided;
        im.alphaBlend = g.alphaMode == "BLEND";
        const double ns = g.normalTexture.scale;
        im.normalScale = std::isfinite(ns) && ns > 0.0 ? float(std::min(ns, 100.0)) : 1.0f;
        im.heightScale = 0.03f;

        Material mat;
        EnsureMaterialDefaults(mat);
        mat.baseColor = im.baseColor;
        mat.metallic = im.metallic;
        mat.roughness = im.roughness;
        mat.emissive = im.emissive;
        mat.normalScale = im.normalScale;
        mat.heightScale = 0.03f;

        if (options.registerTextures) {
            struct Slot {
                int texture;
                const char* label;
                char* importedPath;
                size_t importedSize;
                char* materialPath;
                size_t materialSize;
            } slots[] = {
                {g.pbrMetallicRoughness.baseColorTexture.index, "Albedo", im.albedoPath, sizeof im.albedoPath,
                 mat.albedoTexture, sizeof mat.albedoTexture},
                {g.normalTexture.index, "Normal", im.normalPath, sizeof im.normalPath, mat.normalTexture,
                 sizeof mat.normalTexture},
                {g.pbrMetallicRoughness.metallicRoughnessTexture.index, "MetallicRoughness", im.metallicRoughnessPath,
                 sizeof im.metallicRoughnessPath, mat.metallicRoughnessTexture, sizeof mat.metallicRoughnessTexture},
                {g.occlusionTexture.index, "AO", im.aoPath, sizeof im.aoPath, mat.aoTexture, sizeof mat.aoTexture},
                {g.emissiveTexture.index, "Emissive", im.emissivePath, sizeof im.emissivePath, mat.emissiveTexture,
                 sizeof mat.emissiveTexture},
            };
            for (Slot& s : slots) {
                const std::string path =
                    RegisterGLTFTextureAsProjectImage(b, s.texture, sourceDir, texDir, im.name, s.label, options);
                if (path.empty()) continue;
                // A cut path would name another file: the slot stays empty.
                if (!TextFitsField(s.materialSize, path) || !TextFitsField(s.importedSize, path)) {
                    b.Warn("Texture path too long for the material (" + std::to_string(path.size()) + " bytes, limit " +
                           std::to_string(s.materialSize - 1) + "); " + std::string(im.name) + "/" + s.label +
                           " left empty: " + path);
                    continue;
                }
                CopyPathField(s.importedPath, s.importedSize, path);
                CopyPathField(s.materialPath, s.materialSize, path);
            }
        }

        const std::string matPath = matDir + "/" + SanitizeFileStem(im.name) + "_" + std::to_string(k) + ".mat";
        // An existing file is the user's: edits to an imported material
        // survive every re-import.
        if (options.writeProjectAssets && options.registerTextures && !FileExists(matPath.c_str())) {
            SaveMaterialAsset(mat, matPath.c_str());
        }
        if (options.registerTextures && FileExists(matPath.c_str())) CopyPathField(im.assetPath, matPath);
        model.materials.push_back(im);
    }
}
