#pragma once
// The material record of an imported model's slot, as the lit pass binds it.
// The glTF loader fills these; the renderer reads them
// (SetImportedMaterialUniforms) and the primitive path builds a default one.

#include "editor/legacy/scene/KorvaneMath.h"

struct ImportedMaterial {
    char name[128] = "Material";
    char assetPath[1024] = "";  // the ".mat" written for it
    char albedoPath[1024] = "";
    char normalPath[1024] = "";
    char metallicRoughnessPath[1024] = "";
    char aoPath[1024] = "";
    char emissivePath[1024] = "";
    char heightPath[1024] = "";
    Vec4 baseColor{1, 1, 1, 1};
    float metallic = 1.0f;
    float roughness = 1.0f;
    Vec3 emissive{0, 0, 0};
    float normalScale = 1.0f;
    float heightScale = 0.03f;
    unsigned albedoTex = 0, normalTex = 0, metallicRoughnessTex = 0, aoTex = 0, emissiveTex = 0, heightTex = 0;
    bool hasAlbedo = false, hasNormal = false, hasMetallicRoughness = false, hasAO = false, hasEmissive = false,
         hasHeight = false;
    bool doubleSided = false;  // stored only
    bool alphaBlend = false;   // stored only
};
