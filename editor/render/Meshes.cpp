#include "editor/render/Meshes.h"

#include <cstddef>

#include "editor/render/GL.h"

ShapeGeo g_shapes[7];
ShapeGeo g_gridGeo;
ShapeGeo g_axisGeo;
ShapeGeo g_gizmoArrow[3];
ShapeGeo g_gizmoRing[3];
ShapeGeo g_gizmoScaleCube[3];

void MakeVAO(ShapeGeo& geo, const std::vector<V3>& verts) {
    std::vector<V3> data = verts;
    RepairMissingNormals(data);
    GLuint vao = 0, vbo = 0;
    glGenVertexArrays(1, &vao);
    glGenBuffers(1, &vbo);
    glBindVertexArray(vao);
    glBindBuffer(GL_ARRAY_BUFFER, vbo);
    glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(data.size() * sizeof(V3)), data.empty() ? nullptr : data.data(),
                 GL_STATIC_DRAW);
    struct Attr {
        GLuint loc;
        GLint size;
        size_t offset;
    };
    static const Attr attrs[5] = {{0, 3, offsetof(V3, pos)},
                                  {1, 3, offsetof(V3, color)},
                                  {2, 3, offsetof(V3, normal)},
                                  {3, 2, offsetof(V3, uv)},
                                  {4, 4, offsetof(V3, tangent)}};
    for (const Attr& a : attrs) {
        glVertexAttribPointer(a.loc, a.size, GL_FLOAT, GL_FALSE, sizeof(V3), reinterpret_cast<const void*>(a.offset));
        glEnableVertexAttribArray(a.loc);
    }
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    geo.vao = vao;
    geo.vbo = vbo;
    geo.count = int32_t(data.size());
}

void DeleteShapeGeo(ShapeGeo& geo) {
    if (geo.vbo) {
        GLuint b = geo.vbo;
        glDeleteBuffers(1, &b);
        geo.vbo = 0;
    }
    if (geo.vao) {
        GLuint a = geo.vao;
        glDeleteVertexArrays(1, &a);
        geo.vao = 0;
    }
    geo.count = 0;
}

void InitShapes() {
    std::vector<V3> verts;
    auto upload = [&verts](ShapeGeo& geo) {
        DeleteShapeGeo(geo);  // a second call replaces, never leaks
        MakeVAO(geo, verts);
        verts.clear();
    };
    for (int s = 0; s < kPrimitiveShapeCount; ++s) {
        GenPrimitiveShape(verts, s);
        upload(g_shapes[s]);
    }
    GenGridLines(verts);
    upload(g_gridGeo);
    GenAxisLines(verts);
    upload(g_axisGeo);
    for (int a = 0; a < 3; ++a) {
        const float* c = kGizmoAxisColor[a];
        GenGizmoArrow(verts, kGizmoAxisDir[a], c[0], c[1], c[2], 0.03f, 0.8f, 0.06f, 0.12f);
        upload(g_gizmoArrow[a]);
    }
    for (int a = 0; a < 3; ++a) {
        const float* c = kGizmoAxisColor[a];
        GenGizmoRing(verts, kGizmoAxisDir[a], c[0], c[1], c[2], 72);
        upload(g_gizmoRing[a]);
    }
    for (int a = 0; a < 3; ++a) {
        const float* c = kGizmoAxisColor[a];
        GenGizmoScaleCube(verts, kGizmoAxisDir[a], c[0], c[1], c[2]);
        upload(g_gizmoScaleCube[a]);
    }
}

void DestroyShapes() {
    for (ShapeGeo& g : g_shapes) DeleteShapeGeo(g);
    DeleteShapeGeo(g_gridGeo);
    DeleteShapeGeo(g_axisGeo);
    for (int a = 0; a < 3; ++a) {
        DeleteShapeGeo(g_gizmoArrow[a]);
        DeleteShapeGeo(g_gizmoRing[a]);
        DeleteShapeGeo(g_gizmoScaleCube[a]);
    }
}
