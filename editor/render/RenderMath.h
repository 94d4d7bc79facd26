#pragma once
// The numbers behind the scene passes, as pure functions (no GL): light
// slots, the lighting environment, the shadow light's matrix and the camera
// views of the camera-entity pass and the built game's pass. Every value read
// from the scene is made finite and clamped to the editor's ranges here, so
// nothing non-finite reaches the shaders.
//
//   LightForward             a light entity's direction (local rotation, -Z)
//   CollectLightSlots        enabled lights in store order, at most the limit
//   CurrentLightingEnv       g_engine + ambient + exposure, clamped
//   ShadowLightDirection     first enabled directional light, or the default
//   ShadowLightViewProj      orthographic light view-projection
//   ShadowFarPlane           far plane that covers the eye distance
//   CameraEntityView         view/projection of a camera entity
//   GameDirectView           view/projection of the built game's camera
//   ClampLineWidth           a line width the context accepts

#include <vector>

#include "editor/legacy/scene/Entity.h"

constexpr int kMaxLightSlots = 32;

struct LightSlot {
    int type = 0;
    Vec3 pos;
    Vec3 dir;
    Vec3 color;
    float intensity = 0;
    float range = 0;
    float spotCos = 0;
    float spotSoft = 0;
};

struct LightingEnv {
    Vec3 ambient;  // (s, s, 1.12 s)
    float exposure = 1;
    Vec3 skyTop, skyHorizon, fogColor;
    float fogDensity = 0;
    float shadowSoftness = 0;
    float ambientOcclusion = 0;
    float bloomIntensity = 0;
    float contactShadowStrength = 0;
};

struct CameraView {
    bool ok = false;  // false: nothing to render (degenerate size or camera)
    Vec3 eye;
    Mat4 view, proj, viewProj;
};

Vec3 LightForward(const Entity& e);
int CollectLightSlots(const std::vector<Entity>& ents, int maxLights, LightSlot* out);
LightingEnv CurrentLightingEnv();

Vec3 ShadowLightDirection(const std::vector<Entity>& ents);
float ShadowFarPlane(float eyeDistance, float extent);
Mat4 ShadowLightViewProj(Vec3 dir, Vec3 centre, float shadowDistance);

CameraView CameraEntityView(const Entity& cam, int w, int h);
CameraView GameDirectView(const std::vector<Entity>& ents, int w, int h);

float ClampLineWidth(float width, bool forwardCompatible, float maxWidth);

// Helpers shared with the passes.
bool IsFinite(const Vec3& v);
bool IsFinite(const Mat4& m);
float FiniteOr(float v, float fallback);
float ClampFinite(float v, float lo, float hi, float fallback);
