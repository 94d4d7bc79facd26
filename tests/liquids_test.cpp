// Liquid surfaces on scenes built here: the buoyant lift of water, lava and
// slime, mass, the footprint, bodies the liquid never moves, drag and flow
// without buoyancy, the plane and material a liquid gives itself, and the
// clamps on the frame time and on values from a file.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "editor/legacy/play/Liquids.h"
#include "editor/legacy/scene/EntityStore.h"
#include "tests/support/SceneModel.h"

namespace {

class Liquids : public ::testing::Test {
protected:
    void SetUp() override { korvane::test::ResetSceneModel(); }
    void TearDown() override { korvane::test::ResetSceneModel(); }

    static int32_t Liquid(int32_t type, float surfaceY = 0.0f) {
        Entity* e = AddEnt("Liquid", -1);
        e->hasLiquid = true;
        e->liquid.liquidType = type;
        e->liquid.flowX = e->liquid.flowZ = 0.0f;
        e->transform.position = Vec3(0, surfaceY, 0);
        return e->id;
    }
    // A unit body fully under a surface at 0 (submersion 1).
    static int32_t Body(float mass = 1.0f, Vec3 pos = Vec3(0, -5, 0)) {
        Entity* e = AddEnt("Body", -1);
        e->hasRigidBody = true;
        e->rigidBody.mass = mass;
        e->transform.position = pos;
        return e->id;
    }
    static Entity& E(int32_t id) { return *GetEnt(id); }
};

TEST_F(Liquids, BuoyancyPerLiquidType) {
    // Gravity 15, dt 0.02, viscosity 1: dv = 15 * 1.05 * k * dt / (1 + 0.45 dt).
    const struct {
        int32_t type;
        float mass, expected;
    } cases[] = {
        {LiquidType_Water, 1, 0.312190f},
        {LiquidType_Lava, 1, 0.193558f},
        {LiquidType_SlimeOil, 1, 0.421457f},
        {LiquidType_Water, 2, 0.312190f / 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type * 10 + int(c.mass));
        korvane::test::ResetSceneModel();
        Liquid(c.type);
        const int32_t b = Body(c.mass);
        LiquidUpdateAll(0.02f);
        EXPECT_NEAR(E(b).rigidBody.velocity.y, c.expected, 1e-5f);
    }
    // Against gravity over one frame: water lifts a little more than gravity
    // pulls, lava less.
    EXPECT_GT(0.312190f, 15 * 0.02f);
    EXPECT_LT(0.193558f, 15 * 0.02f);
}

TEST_F(Liquids, OnlyEnabledDynamicBodiesInsideTheSquare) {
    const int32_t water = Liquid(LiquidType_Water);
    E(water).liquid.size = 4.0f;  // half 2
    const int32_t inside = Body(1, Vec3(1.99f, -1, 0));
    const int32_t outside = Body(1, Vec3(2.01f, -1, 0));
    const int32_t kinematic = Body(1, Vec3(0, -1, 0));
    E(kinematic).rigidBody.isKinematic = true;
    const int32_t disabled = Body(1, Vec3(0, -1, 0));
    E(disabled).enabled = false;
    Entity* plain = AddEnt("No body", -1);
    plain->transform.position = Vec3(0, -1, 0);
    const int32_t above = Body(1, Vec3(0, 3, 0));  // bottom at 2.5, above the surface
    LiquidUpdateAll(0.02f);
    EXPECT_GT(E(inside).rigidBody.velocity.y, 0.0f);
    for (int32_t id : {outside, kinematic, disabled, above}) {
        SCOPED_TRACE(id);
        EXPECT_FLOAT_EQ(E(id).rigidBody.velocity.y, 0.0f);
    }
    // The liquid's own scale follows its size; y is left alone.
    EXPECT_FLOAT_EQ(E(water).transform.scale.x, 4.0f);
    EXPECT_FLOAT_EQ(E(water).transform.scale.z, 4.0f);
    EXPECT_FLOAT_EQ(E(water).transform.scale.y, 1.0f);
}

TEST_F(Liquids, DragAndFlowWithoutBuoyancy) {
    const int32_t water = Liquid(LiquidType_Water);
    E(water).liquid.buoyancy = false;
    E(water).liquid.flowX = 1.0f;
    E(water).liquid.flowZ = -2.0f;
    const int32_t b = Body();
    E(b).rigidBody.velocity = Vec3(4, -2, 0);
    const float dt = 0.02f;
    LiquidUpdateAll(dt);
    const float c = 1.0f / (1.0f + (0.85f * 1.0f + 0.35f * 0.35f) * dt);
    EXPECT_NEAR(E(b).rigidBody.velocity.x, 4 * c + 1.0f * dt * 3, 1e-5f);
    EXPECT_NEAR(E(b).rigidBody.velocity.z, -2.0f * dt * 3, 1e-5f);
    EXPECT_NEAR(E(b).rigidBody.velocity.y, -2.0f / (1 + 0.45f * dt), 1e-5f);
}

TEST_F(Liquids, MaterialAndPlaneFromTheLiquid) {
    const struct {
        int32_t type;
        float metallic, roughness;
    } cases[] = {{LiquidType_Water, 0, 0.12f}, {LiquidType_Lava, 0.3f, 0.6f}, {LiquidType_SlimeOil, 0, 0.12f}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        Entity e;
        e.hasLiquid = true;
        e.liquid.liquidType = c.type;
        e.liquid.liquidColor = Vec4(0.9f, 0.2f, 0.1f, 0.5f);
        ApplyLiquidMaterialDefaults(e);
        EXPECT_TRUE(e.hasMesh);
        EXPECT_EQ(e.mesh.shape, MeshShape_Plane);
        EXPECT_TRUE(e.hasMaterial);
        EXPECT_FLOAT_EQ(e.material.baseColor.x, 0.9f);
        EXPECT_FLOAT_EQ(e.material.baseColor.w, 0.5f);
        EXPECT_FLOAT_EQ(e.material.metallic, c.metallic);
        EXPECT_FLOAT_EQ(e.material.roughness, c.roughness);
    }
    // An existing mesh is kept.
    Entity cube;
    cube.hasMesh = true;
    cube.mesh.shape = MeshShape_Cube;
    ApplyLiquidMaterialDefaults(cube);
    EXPECT_EQ(cube.mesh.shape, MeshShape_Cube);
    // The first update gives a mesh-less liquid its plane.
    const int32_t w = Liquid(LiquidType_Water);
    LiquidUpdateAll(0.016f);
    EXPECT_TRUE(E(w).hasMesh);
    EXPECT_EQ(E(w).mesh.shape, MeshShape_Plane);
}

TEST_F(Liquids, FrameTimeAndFileValuesAreClamped) {
    // A one-second hitch acts like 0.05 s.
    Liquid(LiquidType_Water);
    const int32_t b = Body();
    LiquidUpdateAll(1.0f);
    const float longFrame = E(b).rigidBody.velocity.y;
    E(b).rigidBody.velocity = Vec3(0, 0, 0);
    LiquidUpdateAll(0.05f);
    EXPECT_FLOAT_EQ(longFrame, E(b).rigidBody.velocity.y);
    // dt <= 0 does nothing.
    E(b).rigidBody.velocity = Vec3(0, 0, 0);
    LiquidUpdateAll(0.0f);
    LiquidUpdateAll(-1.0f);
    EXPECT_FLOAT_EQ(E(b).rigidBody.velocity.y, 0.0f);

    // Viscosity and foam beyond the inspector ranges act like the range ends;
    // a negative viscosity (which would amplify) acts like 0.
    const struct {
        float viscosity, foam, sameViscosity, sameFoam;
    } cases[] = {{1000, 50, 20, 1}, {-30, -2, 0, 0}};
    for (const auto& c : cases) {
        auto vxAfter = [&](float viscosity, float foam) {
            korvane::test::ResetSceneModel();
            const int32_t water = Liquid(LiquidType_Water);
            E(water).liquid.viscosity = viscosity;
            E(water).liquid.foam = foam;
            const int32_t body = Body();
            E(body).rigidBody.velocity = Vec3(3, 1, 0);
            LiquidUpdateAll(0.02f);
            return E(body).rigidBody.velocity;
        };
        const Vec3 wild = vxAfter(c.viscosity, c.foam), tame = vxAfter(c.sameViscosity, c.sameFoam);
        EXPECT_FLOAT_EQ(wild.x, tame.x);
        EXPECT_FLOAT_EQ(wild.y, tame.y);
    }
    // A non-finite size or depth falls back to the default.
    korvane::test::ResetSceneModel();
    const int32_t water = Liquid(LiquidType_Water);
    E(water).liquid.size = std::numeric_limits<float>::quiet_NaN();
    E(water).liquid.depth = std::numeric_limits<float>::infinity();
    const int32_t body = Body();
    LiquidUpdateAll(0.02f);
    EXPECT_TRUE(std::isfinite(E(body).rigidBody.velocity.y));
    EXPECT_FLOAT_EQ(E(water).transform.scale.x, 10.0f);
}

}  // namespace
