// Generated meshes: vertex counts and extents of every built-in mesh, the
// shared vertex attributes, the cube's face shading, the gizmo frames and the
// repair of missing normals.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "editor/render/MeshGen.h"

namespace {

struct Bounds {
    float min[3], max[3];
};

Bounds BoundsOf(const std::vector<V3>& verts) {
    Bounds b{{1e30f, 1e30f, 1e30f}, {-1e30f, -1e30f, -1e30f}};
    for (const V3& v : verts) {
        for (int k = 0; k < 3; ++k) {
            b.min[k] = std::fmin(b.min[k], v.pos[k]);
            b.max[k] = std::fmax(b.max[k], v.pos[k]);
        }
    }
    return b;
}

const float kX[3] = {1, 0, 0}, kY[3] = {0, 1, 0}, kZ[3] = {0, 0, 1};

struct MeshCase {
    const char* name;
    std::function<void(std::vector<V3>&)> gen;
    size_t count;
    Bounds bounds;
};
// Keeps test names readable in listings (instead of a byte dump).
void PrintTo(const MeshCase& c, std::ostream* os) { *os << c.name; }

// The parameters the start-up upload uses, so the counts are the uploaded ones.
const MeshCase kMeshes[] = {
    {"Cube", [](auto& v) { GenPrimitiveShape(v, kShapeCube); }, 36, {{-0.5f, -0.5f, -0.5f}, {0.5f, 0.5f, 0.5f}}},
    {"Sphere", [](auto& v) { GenPrimitiveShape(v, kShapeSphere); }, 2400, {{-0.5f, -0.5f, -0.5f}, {0.5f, 0.5f, 0.5f}}},
    {"Cylinder", [](auto& v) { GenPrimitiveShape(v, kShapeCylinder); }, 240,
     {{-0.5f, -0.5f, -0.5f}, {0.5f, 0.5f, 0.5f}}},
    {"Cone", [](auto& v) { GenPrimitiveShape(v, kShapeCone); }, 120, {{-0.5f, -0.5f, -0.5f}, {0.5f, 0.5f, 0.5f}}},
    {"Torus", [](auto& v) { GenPrimitiveShape(v, kShapeTorus); }, 3072,
     {{-0.65f, -0.15f, -0.65f}, {0.65f, 0.15f, 0.65f}}},
    {"Plane", [](auto& v) { GenPrimitiveShape(v, kShapePlane); }, 6, {{-5, 0.01f, -5}, {5, 0.01f, 5}}},
    {"Grid", [](auto& v) { GenGridLines(v); }, 404, {{-50, 0.02f, -50}, {50, 0.02f, 50}}},
    {"Axes", [](auto& v) { GenAxisLines(v); }, 6, {{0, 0.03f, 0}, {5, 5, 5}}},
    // Hexagonal heads: one side vector reaches the full head radius, the
    // other only radius x cos 30 degrees.
    {"ArrowX", [](auto& v) { GenGizmoArrow(v, kX, 1, 0.22f, 0.22f, 0.03f, 0.8f, 0.06f, 0.12f); }, 54,
     {{0, -0.0519615f, -0.06f}, {0.92f, 0.0519615f, 0.06f}}},
    {"ArrowY", [](auto& v) { GenGizmoArrow(v, kY, 0.22f, 1, 0.22f, 0.03f, 0.8f, 0.06f, 0.12f); }, 54,
     {{-0.0519615f, 0, -0.06f}, {0.0519615f, 0.92f, 0.06f}}},
    {"RingX", [](auto& v) { GenGizmoRing(v, kX, 1, 0.22f, 0.22f, 72); }, 432,
     {{-0.03f, -0.58f, -0.58f}, {0.03f, 0.58f, 0.58f}}},
    {"RingY", [](auto& v) { GenGizmoRing(v, kY, 0.22f, 1, 0.22f, 72); }, 432,
     {{-0.58f, -0.03f, -0.58f}, {0.58f, 0.03f, 0.58f}}},
    {"RingZ", [](auto& v) { GenGizmoRing(v, kZ, 0.22f, 0.35f, 1, 72); }, 432,
     {{-0.58f, -0.58f, -0.03f}, {0.58f, 0.58f, 0.03f}}},
    {"ScaleCubeY", [](auto& v) { GenGizmoScaleCube(v, kY, 0.22f, 1, 0.22f); }, 36,
     {{-0.07f, 0.75f, -0.07f}, {0.07f, 0.89f, 0.07f}}},
    {"ScaleCubeZ", [](auto& v) { GenGizmoScaleCube(v, kZ, 0.22f, 0.35f, 1); }, 36,
     {{-0.07f, -0.07f, 0.75f}, {0.07f, 0.07f, 0.89f}}},
};

class MeshGenCase : public ::testing::TestWithParam<MeshCase> {};

TEST_P(MeshGenCase, CountBoundsAndSharedAttributes) {
    const MeshCase& c = GetParam();
    std::vector<V3> verts;
    c.gen(verts);
    ASSERT_EQ(verts.size(), c.count);
    Bounds b = BoundsOf(verts);
    for (int k = 0; k < 3; ++k) {
        EXPECT_NEAR(b.min[k], c.bounds.min[k], 1e-4f) << "axis " << k;
        EXPECT_NEAR(b.max[k], c.bounds.max[k], 1e-4f) << "axis " << k;
    }
    // Generated meshes carry an up normal, no uv and an X tangent everywhere:
    // primitives are shaded by their vertex colours, not by normals.
    for (size_t i = 0; i < verts.size(); ++i) {
        const V3& v = verts[i];
        ASSERT_EQ(v.normal[0], 0.0f) << i;
        ASSERT_EQ(v.normal[1], 1.0f) << i;
        ASSERT_EQ(v.normal[2], 0.0f) << i;
        ASSERT_EQ(v.uv[0], 0.0f) << i;
        ASSERT_EQ(v.uv[1], 0.0f) << i;
        ASSERT_EQ(v.tangent[0], 1.0f) << i;
        ASSERT_EQ(v.tangent[1], 0.0f) << i;
        ASSERT_EQ(v.tangent[2], 0.0f) << i;
        ASSERT_EQ(v.tangent[3], 1.0f) << i;
        for (float f : v.pos) ASSERT_TRUE(std::isfinite(f)) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Builtin, MeshGenCase, ::testing::ValuesIn(kMeshes),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(MeshGen, CubeFacesCarryTheirShadeAndLieOnTheirPlane) {
    struct Face {
        int axis;
        float side;
        float shade;
    };
    // +Z, -Z, +Y, -Y, +X, -X in generation order, six vertices each.
    const Face faces[6] = {{2, 1, 1.0f}, {2, -1, 0.7f}, {1, 1, 0.9f}, {1, -1, 0.5f}, {0, 1, 0.8f}, {0, -1, 0.6f}};
    const float base[3] = {0.2f, 0.4f, 0.8f};
    std::vector<V3> verts;
    GenCube(verts, 0.25f, base[0], base[1], base[2]);
    ASSERT_EQ(verts.size(), 36u);
    for (int f = 0; f < 6; ++f) {
        for (int k = 0; k < 6; ++k) {
            const V3& v = verts[size_t(f * 6 + k)];
            EXPECT_FLOAT_EQ(v.pos[faces[f].axis], 0.25f * faces[f].side) << "face " << f;
            for (int ch = 0; ch < 3; ++ch) EXPECT_FLOAT_EQ(v.color[ch], base[ch] * faces[f].shade) << "face " << f;
        }
        // Two triangles per face from corners (0,1,2) and (0,2,3): the first
        // vertex repeats, and each triangle covers half the face.
        const V3* q = &verts[size_t(f * 6)];
        for (int ch = 0; ch < 3; ++ch) {
            EXPECT_EQ(q[0].pos[ch], q[3].pos[ch]);
            EXPECT_EQ(q[2].pos[ch], q[4].pos[ch]);
        }
    }
}

TEST(MeshGen, ShadingOfRoundShapesFollowsTheirCorners) {
    std::vector<V3> sphere;
    GenSphere(sphere, 4, 4, 1.0f);
    for (size_t i = 0; i < sphere.size(); i += 6) {
        EXPECT_FLOAT_EQ(sphere[i + 2].color[0], 0.82f);  // C
        EXPECT_FLOAT_EQ(sphere[i + 4].color[0], 0.82f);  // C again
        for (size_t k : {0u, 1u, 3u, 5u}) EXPECT_FLOAT_EQ(sphere[i + k].color[0], 0.615f);
    }
    std::vector<V3> torus;
    GenTorus(torus, 3, 3, 1.0f, 0.2f);
    for (size_t i = 0; i < torus.size(); i += 6) {
        for (size_t k : {0u, 3u, 5u}) EXPECT_FLOAT_EQ(torus[i + k].color[2], 0.7f * 0.7f);
        for (size_t k : {1u, 2u, 4u}) EXPECT_FLOAT_EQ(torus[i + k].color[2], 0.7f);
    }
    // The cone's apex carries the light colour, its rim the dark one.
    std::vector<V3> cone;
    GenCone(cone, 8, 0.5f, 1.0f);
    EXPECT_FLOAT_EQ(cone[2].pos[1], 0.5f);
    EXPECT_FLOAT_EQ(cone[2].color[0], 0.85f);
    EXPECT_FLOAT_EQ(cone[0].color[0], 0.595f);
}

TEST(MeshGen, GridDarkensTowardsItsEdgesAndLinesKeepOneColour) {
    std::vector<V3> grid;
    GenGridLines(grid);
    // Lines are generated from i = -50 upward, two lines (four vertices) each.
    const V3& edge = grid[0];
    const V3& centre = grid[50 * 4];
    EXPECT_FLOAT_EQ(centre.pos[0], 0.0f);
    EXPECT_FLOAT_EQ(centre.color[2], 0.2f);
    EXPECT_NEAR(edge.color[2], 0.2f * 0.15f, 1e-6f);
    for (size_t i = 0; i < grid.size(); i += 2) EXPECT_EQ(grid[i].color[0], grid[i + 1].color[0]);
    std::vector<V3> axes;
    GenAxisLines(axes);
    for (size_t i = 0; i < axes.size(); i += 2) {
        for (int ch = 0; ch < 3; ++ch) EXPECT_EQ(axes[i].color[ch], axes[i + 1].color[ch]);
    }
    EXPECT_FLOAT_EQ(axes[1].pos[0], 5.0f);
    EXPECT_FLOAT_EQ(axes[3].pos[1], 5.0f);
    EXPECT_FLOAT_EQ(axes[5].pos[2], 5.0f);
}

TEST(MeshGen, GizmoRingsAreCirclesAboutTheirAxisEvenForY) {
    // +Y is parallel to the first helper vector; the frame must still be
    // well formed, so every ring point sits at radius 0.58 off the axis.
    const float(*axes[3])[3] = {&kX, &kY, &kZ};
    for (int a = 0; a < 3; ++a) {
        std::vector<V3> ring;
        GenGizmoRing(ring, *axes[a], 1, 1, 1, 72);
        for (const V3& v : ring) {
            float along = v.pos[a];
            float r2 = v.pos[0] * v.pos[0] + v.pos[1] * v.pos[1] + v.pos[2] * v.pos[2] - along * along;
            ASSERT_NEAR(std::sqrt(r2), 0.58f, 1e-4f) << "axis " << a;
            ASSERT_NEAR(std::fabs(along), 0.03f, 1e-6f);
            // -d side shaded, +d side in full colour.
            ASSERT_FLOAT_EQ(v.color[0], along < 0 ? 0.9f : 1.0f);
        }
    }
}

TEST(MeshGen, ArrowShaftIsShadedAndHeadEndsAtTheTip) {
    std::vector<V3> arrow;
    GenGizmoArrow(arrow, kZ, 0.2f, 0.4f, 1.0f, 0.03f, 0.8f, 0.06f, 0.12f);
    ASSERT_EQ(arrow.size(), 54u);
    for (size_t i = 0; i < 36; ++i) EXPECT_FLOAT_EQ(arrow[i].color[2], 0.85f);
    for (size_t i = 36; i < 54; i += 3) {
        EXPECT_FLOAT_EQ(arrow[i].color[2], 1.0f);
        EXPECT_FLOAT_EQ(arrow[i + 2].pos[2], 0.92f);
        EXPECT_FLOAT_EQ(arrow[i].pos[2], 0.8f);
    }
}

TEST(MeshGen, UnknownShapeIndexAppendsNothing) {
    std::vector<V3> verts;
    GenPrimitiveShape(verts, kShapeCustom);
    GenPrimitiveShape(verts, -1);
    EXPECT_TRUE(verts.empty());
}

// Normal repair ---------------------------------------------------------------

V3 Vert(float x, float y, float z, float nx = 0, float ny = 0, float nz = 0) {
    V3 v = MakeGenVertex(x, y, z, 1, 1, 1);
    v.normal[0] = nx;
    v.normal[1] = ny;
    v.normal[2] = nz;
    return v;
}

struct RepairCase {
    const char* what;
    std::vector<V3> in;
    std::vector<std::array<float, 3>> expected;  // one normal per vertex
};

TEST(MeshGen, RepairMissingNormalsTable) {
    const float nan = std::nanf("");
    const RepairCase cases[] = {
        {"zero normals get the counter-clockwise face normal",
         {Vert(0, 0, 0), Vert(1, 0, 0), Vert(0, 1, 0)},
         {{0, 0, 1}, {0, 0, 1}, {0, 0, 1}}},
        {"clockwise winding flips it",
         {Vert(0, 0, 0), Vert(0, 1, 0), Vert(1, 0, 0)},
         {{0, 0, -1}, {0, 0, -1}, {0, 0, -1}}},
        {"a zero-area triangle gets up",
         {Vert(1, 1, 1), Vert(2, 2, 2), Vert(3, 3, 3)},
         {{0, 1, 0}, {0, 1, 0}, {0, 1, 0}}},
        {"components within 1e-4 of zero count as missing",
         {Vert(0, 0, 0, 5e-5f, 0, -5e-5f), Vert(0, 0, 1), Vert(1, 0, 0)},
         {{0, 1, 0}, {0, 1, 0}, {0, 1, 0}}},
        {"one real normal keeps the triangle as it is",
         {Vert(0, 0, 0), Vert(1, 0, 0, 0, 0, 0.5f), Vert(0, 1, 0)},
         {{0, 0, 0}, {0, 0, 0.5f}, {0, 0, 0}}},
        {"trailing vertices that make no triangle are untouched",
         {Vert(0, 0, 0), Vert(1, 0, 0), Vert(0, 1, 0), Vert(0, 0, 0), Vert(1, 0, 0)},
         {{0, 0, 1}, {0, 0, 1}, {0, 0, 1}, {0, 0, 0}, {0, 0, 0}}},
        {"a non-finite position never yields a non-finite normal",
         {Vert(nan, 0, 0), Vert(1, 0, 0), Vert(0, 1, 0)},
         {{0, 1, 0}, {0, 1, 0}, {0, 1, 0}}},
    };
    for (const RepairCase& c : cases) {
        std::vector<V3> verts = c.in;
        RepairMissingNormals(verts);
        ASSERT_EQ(verts.size(), c.expected.size()) << c.what;
        for (size_t i = 0; i < verts.size(); ++i) {
            for (int k = 0; k < 3; ++k) EXPECT_NEAR(verts[i].normal[k], c.expected[i][k], 1e-6f) << c.what << " v" << i;
        }
    }
}

TEST(MeshGen, RepairLeavesGeneratedMeshesAlone) {
    std::vector<V3> verts;
    for (int s = 0; s < kPrimitiveShapeCount; ++s) GenPrimitiveShape(verts, s);
    GenGridLines(verts);
    std::vector<V3> repaired = verts;
    RepairMissingNormals(repaired);
    ASSERT_EQ(repaired.size(), verts.size());
    for (size_t i = 0; i < verts.size(); ++i) ASSERT_EQ(repaired[i].normal[1], verts[i].normal[1]);
}

}  // namespace
