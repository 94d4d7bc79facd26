#pragma once
// The lit program's fragment stage on the CPU, without texture maps: the
// same Cook-Torrance terms, shadow mixing, sky ambient, bloom approximation,
// fog, exposure, ACES fit and gamma. Pure and headless; tests compare the GPU
// against it, and it documents the look in one readable place.
//
//   ShadeFragment     one fragment -> output RGBA in 0..1
//   ShadeToByte       the unsigned-normalised byte GL stores for a value

#include <cstdint>

struct ShadeVec3 {
    float x = 0, y = 0, z = 0;
};

struct ShadeLight {
    int type = 0;  // 0 directional, 1 point, 2 spot
    ShadeVec3 pos;
    ShadeVec3 dir{0, 0, -1};
    ShadeVec3 color{1, 1, 1};
    float intensity = 1;
    float range = 10;
    float spotCos = 0.9f;
    float spotSoft = 0.1f;
};

struct ShadeInput {
    bool lit = true;
    // Interpolated vertex data.
    ShadeVec3 worldPos;
    ShadeVec3 normal{0, 1, 0};
    ShadeVec3 vertexColor{1, 1, 1};
    // Material.
    float matColor[4] = {1, 1, 1, 1};
    float metallic = 0;
    float roughness = 0.55f;
    ShadeVec3 emissive;
    // Environment.
    ShadeVec3 cameraPos;
    ShadeVec3 ambientColor;
    ShadeVec3 skyTop;
    ShadeVec3 skyHorizon;
    ShadeVec3 fogColor;
    float exposure = 1;
    float fogDensity = 0;
    float shadowSoftness = 0;
    float ambientOcclusion = 0;
    float bloomIntensity = 0;
    float contactShadowStrength = 0;
    // Lights; light 0, when directional, takes shadowFactor (1 = lit).
    const ShadeLight* lights = nullptr;
    int lightCount = 0;
    float shadowFactor = 1;
};

struct ShadeOutput {
    float r, g, b, a;
};

ShadeOutput ShadeFragment(const ShadeInput& in);
uint8_t ShadeToByte(float v);
