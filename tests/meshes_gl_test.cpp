// The built-in meshes on the GPU: every slot is uploaded with its vertex
// count, the buffers hold the vertex format with its five attributes, missing
// normals are repaired on upload, and deleting is safe and complete.

#include <gtest/gtest.h>

#include <cstddef>

#include "editor/render/GL.h"
#include "editor/render/Meshes.h"
#include "tests/support/GlHarness.h"

using namespace korvane::test;

namespace {

class Meshes : public GlTest {
protected:
    void TearDown() override { DestroyShapes(); }
};

GLint BufferSize(const ShapeGeo& g) {
    GLint size = 0;
    glBindBuffer(GL_ARRAY_BUFFER, g.vbo);
    glGetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_SIZE, &size);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    return size;
}

TEST_F(Meshes, InitShapesUploadsEverySlot) {
    InitShapes();
    struct Slot {
        const ShapeGeo* geo;
        int count;
    };
    const Slot slots[] = {{&g_shapes[0], 36},   {&g_shapes[1], 2400},    {&g_shapes[2], 240},
                          {&g_shapes[3], 120},  {&g_shapes[4], 3072},    {&g_shapes[5], 6},
                          {&g_gridGeo, 404},    {&g_axisGeo, 6},         {&g_gizmoArrow[0], 54},
                          {&g_gizmoArrow[1], 54}, {&g_gizmoArrow[2], 54}, {&g_gizmoRing[0], 432},
                          {&g_gizmoRing[1], 432}, {&g_gizmoRing[2], 432}, {&g_gizmoScaleCube[0], 36},
                          {&g_gizmoScaleCube[1], 36}, {&g_gizmoScaleCube[2], 36}};
    for (const Slot& s : slots) {
        ASSERT_NE(s.geo->vao, 0u);
        ASSERT_NE(s.geo->vbo, 0u);
        EXPECT_EQ(s.geo->count, s.count);
        EXPECT_EQ(BufferSize(*s.geo), s.count * 60);
    }
    // The imported-model slot holds no geometry.
    EXPECT_EQ(g_shapes[6].vao, 0u);
    EXPECT_EQ(g_shapes[6].count, 0);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(Meshes, VertexArrayBindsTheFiveAttributes) {
    InitShapes();
    glBindVertexArray(g_shapes[0].vao);
    const struct {
        GLuint loc;
        GLint size;
        size_t offset;
    } attrs[] = {{0, 3, 0}, {1, 3, 12}, {2, 3, 24}, {3, 2, 36}, {4, 4, 44}};
    for (const auto& a : attrs) {
        GLint enabled = 0, size = 0, stride = 0, type = 0, normalized = 1;
        glGetVertexAttribiv(a.loc, GL_VERTEX_ATTRIB_ARRAY_ENABLED, &enabled);
        glGetVertexAttribiv(a.loc, GL_VERTEX_ATTRIB_ARRAY_SIZE, &size);
        glGetVertexAttribiv(a.loc, GL_VERTEX_ATTRIB_ARRAY_STRIDE, &stride);
        glGetVertexAttribiv(a.loc, GL_VERTEX_ATTRIB_ARRAY_TYPE, &type);
        glGetVertexAttribiv(a.loc, GL_VERTEX_ATTRIB_ARRAY_NORMALIZED, &normalized);
        void* ptr = nullptr;
        glGetVertexAttribPointerv(a.loc, GL_VERTEX_ATTRIB_ARRAY_POINTER, &ptr);
        EXPECT_EQ(enabled, GL_TRUE) << a.loc;
        EXPECT_EQ(size, a.size) << a.loc;
        EXPECT_EQ(stride, 60) << a.loc;
        EXPECT_EQ(type, GL_FLOAT) << a.loc;
        EXPECT_EQ(normalized, GL_FALSE) << a.loc;
        EXPECT_EQ(reinterpret_cast<size_t>(ptr), a.offset) << a.loc;
    }
    glBindVertexArray(0);
}

TEST_F(Meshes, MakeVAORepairsACopyAndUploadsTrailingVertices) {
    std::vector<V3> verts;
    for (auto [x, y] : {std::pair{0.f, 0.f}, {1.f, 0.f}, {0.f, 1.f}, {5.f, 5.f}}) {
        V3 v = MakeGenVertex(x, y, 0, 1, 1, 1);
        v.normal[0] = v.normal[1] = v.normal[2] = 0;
        verts.push_back(v);
    }
    ShapeGeo geo;
    MakeVAO(geo, verts);
    EXPECT_EQ(geo.count, 4);
    EXPECT_EQ(verts[0].normal[2], 0.0f) << "the caller's list is not modified";
    std::vector<V3> back(4);
    glBindBuffer(GL_ARRAY_BUFFER, geo.vbo);
    glGetBufferSubData(GL_ARRAY_BUFFER, 0, 4 * sizeof(V3), back.data());
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    for (int i = 0; i < 3; ++i) EXPECT_FLOAT_EQ(back[size_t(i)].normal[2], 1.0f);
    EXPECT_EQ(back[3].normal[2], 0.0f);
    EXPECT_EQ(back[3].pos[0], 5.0f);
    DeleteShapeGeo(geo);
}

TEST_F(Meshes, DeleteIsSafeOnEmptyAndFreesNames) {
    ShapeGeo never;
    DeleteShapeGeo(never);
    EXPECT_EQ(never.vao, 0u);
    EXPECT_EQ(never.count, 0);

    InitShapes();
    GLuint vao = g_gizmoRing[1].vao, vbo = g_gizmoRing[1].vbo;
    DestroyShapes();
    EXPECT_EQ(g_gizmoRing[1].vao, 0u);
    EXPECT_EQ(g_gizmoRing[1].count, 0);
    EXPECT_FALSE(glIsVertexArray(vao));
    EXPECT_FALSE(glIsBuffer(vbo));
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

}  // namespace
