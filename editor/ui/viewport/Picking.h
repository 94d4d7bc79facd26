#pragma once
// Ray picking: which entity lies under a viewport pixel. Rays come from the
// editor camera; each enabled entity is tested with the most exact test it
// allows (imported-model triangles, primitive triangles, a local box, or a
// screen radius for mesh-less components), and hits are ranked by distance,
// then hierarchy depth, then exactness. No window or GL here.
//
//   (rays and their tests: RayMath.h)
//   MeshLocalBounds PrimitivePickVerts BuildPrimitivePickVerts
//   RayEntity RayPrimitiveEntityExact RayImportedEntityExact
//   RayEntityViewportPick PickEntityAtViewportPoint
//   (ImportedPartMatchesRenderer: legacy/scene/ImportedPartSelection.h)
//   PickModelView / g_pickModelProvider    seam to the imported-model cache

#include <cstdint>
#include <vector>

#include "editor/legacy/scene/Entity.h"
#include "editor/legacy/scene/ImportedPartSelection.h"
#include "editor/legacy/scene/KorvaneMath.h"
#include "editor/render/MeshGen.h"
#include "editor/ui/viewport/RayMath.h"

// Pick priorities (higher = more exact test).
enum : int {
    kPickPriorityBox = 1,
    kPickPriorityScreenRadius = 2,
    kPickPriorityPrimitive = 3,
    kPickPriorityImported = 4,
};
constexpr float kPickTieDistance = 0.002f;
constexpr float kPickRadiusCollider = 16.0f;
constexpr float kPickRadiusOther = 13.0f;

void MeshLocalBounds(int meshType, Vec3& bmin, Vec3& bmax);
// Triangle list (positions only are used) of primitive shape 0..5, built on
// first use from the render mesh generators and kept for the process.
const std::vector<V3>& PrimitivePickVerts(int meshType);
void BuildPrimitivePickVerts(int meshType, std::vector<V3>& out);

// What picking needs from an imported model: CPU-side positions, 32-bit
// indices, the model box and per-submesh ranges and boxes.
struct PickSubmesh {
    int32_t firstIndex = 0;
    int32_t indexCount = 0;
    int32_t materialIndex = 0;
    int32_t nodeIndex = -1;
    Vec3 boundsMin, boundsMax;
};
struct PickModelView {
    Vec3 boundsMin, boundsMax;
    const float* positions = nullptr;  // xyz at positions + i * positionStride floats
    int32_t positionCount = 0;
    int32_t positionStride = 3;  // in floats (15 for interleaved V3)
    const uint32_t* indices = nullptr;
    int32_t indexCount = 0;
    const PickSubmesh* submeshes = nullptr;
    int32_t submeshCount = 0;
};
// Looks an imported model up by path (loading it when needed); false when it
// cannot be had. Installed by the model cache; until then nothing imported
// is pickable.
extern bool (*g_pickModelProvider)(const char* modelPath, PickModelView& out);


bool RayEntity(const Ray& r, const Entity& e, float& t);
bool RayPrimitiveEntityExact(const Ray& r, const Entity& e, float& t);
bool RayImportedEntityExact(const Ray& r, const Entity& e, float& t);
// The exact imported test against a given model (the part after the lookup).
bool RayImportedModelExact(const Ray& r, const Entity& e, const PickModelView& model, float& t);
bool RayEntityViewportPick(const Ray& r, const Entity& e, float mouseX, float mouseY, float& t, int& priority);
bool PickEntityAtViewportPoint(float x, float y, int& id, float& t);
