#pragma once
// Generated meshes on the CPU: the interleaved vertex every mesh shares, the
// primitive shapes, the ground grid, the axis lines and the gizmo handles.
// No GL here: picking builds the same triangle lists, and tests check them
// without a context. Meshes.h uploads them.
//
//   V3                      one vertex (pos, color, normal, uv, tangent), 60 bytes
//   GenCube .. GenPlaneGeo  the six primitive shapes (append to a list)
//   GenPrimitiveShape       shape index 0..5 with the renderer's parameters
//   GenGridLines, GenAxisLines        line lists (two vertices per segment)
//   GenGizmoArrow/Ring/ScaleCube      handles along an axis direction
//   RepairMissingNormals    gives all-zero-normal triangles their face normal

#include <cstddef>
#include <cstdint>
#include <vector>

struct V3 {
    float pos[3] = {0, 0, 0};
    float color[3] = {1, 1, 1};
    float normal[3] = {0, 1, 0};
    float uv[2] = {0, 0};
    float tangent[4] = {1, 0, 0, 1};  // xyz + handedness
};
static_assert(sizeof(V3) == 60, "V3 is uploaded as 15 tightly packed floats");
static_assert(offsetof(V3, color) == 12 && offsetof(V3, normal) == 24 && offsetof(V3, uv) == 36 &&
                  offsetof(V3, tangent) == 44,
              "attribute offsets are part of the vertex format");

// Shape indices a mesh renderer stores; 6 is the imported model (no geometry).
enum : int32_t { kShapeCube = 0, kShapeSphere, kShapeCylinder, kShapeCone, kShapeTorus, kShapePlane, kShapeCustom };
constexpr int kPrimitiveShapeCount = 6;

// Builds one vertex with the attributes every generator shares.
V3 MakeGenVertex(float x, float y, float z, float r, float g, float b);

void GenCube(std::vector<V3>& verts, float half, float r, float g, float b);
void GenSphere(std::vector<V3>& verts, int stacks, int slices, float radius);
void GenCylinder(std::vector<V3>& verts, int segments, float radius, float height);
void GenCone(std::vector<V3>& verts, int segments, float radius, float height);
void GenTorus(std::vector<V3>& verts, int majorSegments, int minorSegments, float majorRadius, float minorRadius);
void GenPlaneGeo(std::vector<V3>& verts, float half);

// The renderer's (and picking's) parameters for shape 0..5; other indices
// append nothing. The cube colour is the renderer's unless given.
void GenPrimitiveShape(std::vector<V3>& verts, int shape);
void GenPrimitiveShape(std::vector<V3>& verts, int shape, float cubeR, float cubeG, float cubeB);

void GenGridLines(std::vector<V3>& verts);
void GenAxisLines(std::vector<V3>& verts);

// Axis directions and colours of the three gizmo handles (X, Y, Z).
extern const float kGizmoAxisDir[3][3];
extern const float kGizmoAxisColor[3][3];

void GenGizmoArrow(std::vector<V3>& verts, const float (&axis)[3], float r, float g, float b, float shaftRadius,
                   float shaftLength, float headRadius, float headLength);
void GenGizmoRing(std::vector<V3>& verts, const float (&axis)[3], float r, float g, float b, int segments);
void GenGizmoScaleCube(std::vector<V3>& verts, const float (&axis)[3], float r, float g, float b);

// For every complete triangle whose three normals are all (near) zero, sets
// them to the face normal, or (0, 1, 0) when the triangle has no area.
// Trailing vertices that do not complete a triangle are left alone.
void RepairMissingNormals(std::vector<V3>& verts);
