#pragma once
// The built-in meshes on the GPU: one vertex array per primitive shape, the
// grid, the axis lines and the nine gizmo handles. Main thread only.
//
//   ShapeGeo          vao, vbo and vertex count (0 = never created)
//   MakeVAO           repair missing normals, upload, bind the five attributes
//   DeleteShapeGeo    free and zero one mesh (safe on an empty one)
//   InitShapes        build and upload everything below, once a context exists
//   DestroyShapes     free everything InitShapes made

#include <cstdint>
#include <vector>

#include "editor/render/MeshGen.h"

struct ShapeGeo {
    uint32_t vao = 0;
    uint32_t vbo = 0;
    int32_t count = 0;
};

extern ShapeGeo g_shapes[7];  // 0..5 primitives; 6 (imported model) holds nothing
extern ShapeGeo g_gridGeo;
extern ShapeGeo g_axisGeo;
extern ShapeGeo g_gizmoArrow[3];
extern ShapeGeo g_gizmoRing[3];
extern ShapeGeo g_gizmoScaleCube[3];

void MakeVAO(ShapeGeo& geo, const std::vector<V3>& verts);
void DeleteShapeGeo(ShapeGeo& geo);
void InitShapes();
void DestroyShapes();
