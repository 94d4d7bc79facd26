// Material files: any bytes given to LoadMaterialAsset. A loaded material
// holds finite, normalised numbers, and its text reloads to the same text.

#include <string>

#include "editor/legacy/files/MaterialFile.h"
#include "fuzz/FuzzSupport.h"

using namespace korvane::fuzz;

namespace {

void CheckMaterial(const Material& m) {
    const float v[] = {m.baseColor.x, m.baseColor.y, m.baseColor.z, m.baseColor.w, m.metallic, m.roughness,
                       m.emissive.x,  m.emissive.y,  m.emissive.z,  m.normalScale, m.heightScale};
    KORVANE_FUZZ_CHECK(AllFinite(v, sizeof v / sizeof v[0]));
    KORVANE_FUZZ_CHECK(m.roughness > 0.0f && m.normalScale > 0.0f && m.heightScale >= 0.0f);
    const char* texts[] = {m.path, m.albedoTexture, m.normalTexture, m.metallicRoughnessTexture,
                           m.aoTexture, m.emissiveTexture, m.heightTexture};
    for (const char* t : texts) KORVANE_FUZZ_CHECK(t[255] == '\0');
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    QuietLog();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QuietLog();
    static const std::string input = ScratchPath("input.mat");
    static const std::string saved = ScratchPath("saved.mat");
    WriteBytes(input, data, size);

    Material m;
    if (!LoadMaterialAsset(input.c_str(), m)) return 0;
    CheckMaterial(m);

    const std::string first = MaterialAssetText(m);
    WriteBytes(saved, reinterpret_cast<const uint8_t*>(first.data()), first.size());
    Material again;
    KORVANE_FUZZ_CHECK(LoadMaterialAsset(saved.c_str(), again), "a saved material does not load");
    CheckMaterial(again);
    const std::string second = MaterialAssetText(again);
    KORVANE_FUZZ_CHECK(first == second, FirstDifference(first, second));
    return 0;
}
