// The physics step on small scenes built here: falling onto the floor, the
// frame and substep clamps, the box-on-box bounce, triggers, touching faces,
// how the depth is shared by inverse mass, kinematic and static bodies,
// sphere extents, the ceiling, drag, friction, resting and stacked boxes,
// and the values from a file that must not poison the simulation.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "editor/legacy/play/Physics.h"
#include "editor/legacy/scene/EntityStore.h"
#include "tests/support/SceneModel.h"

namespace {

class Physics : public ::testing::Test {
protected:
    void SetUp() override { korvane::test::ResetSceneModel(); }
    void TearDown() override { korvane::test::ResetSceneModel(); }

    static int32_t Body(Vec3 pos, Vec3 vel = Vec3(0, 0, 0), bool gravity = true, float mass = 1.0f) {
        Entity* e = AddEnt("Body", -1);
        e->hasRigidBody = true;
        e->rigidBody.useGravity = gravity;
        e->rigidBody.mass = mass;
        e->rigidBody.velocity = vel;
        e->transform.position = pos;
        return e->id;
    }
    static int32_t Box(Vec3 pos, Vec3 vel = Vec3(0, 0, 0), bool gravity = true, float mass = 1.0f) {
        int32_t id = Body(pos, vel, gravity, mass);
        GetEnt(id)->hasCollider = true;
        return id;
    }
    static int32_t StaticBox(Vec3 pos, Vec3 size = Vec3(1, 1, 1)) {
        Entity* e = AddEnt("Static", -1);
        e->hasCollider = true;
        e->collider.size = size;
        e->transform.position = pos;
        return e->id;
    }
    static Entity& E(int32_t id) { return *GetEnt(id); }
    static void Run(float seconds, float frame = 1.0f / 60.0f) {
        for (float t = 0; t < seconds; t += frame) PhysicsSimulate(frame);
    }
};

TEST_F(Physics, FreeFallStopsOnTheFloorWithoutBounce) {
    const int32_t id = Body(Vec3(0, 5, 0));
    Run(3.0f);
    EXPECT_FLOAT_EQ(E(id).transform.position.y, 0.0f);
    EXPECT_FLOAT_EQ(E(id).rigidBody.velocity.y, 0.0f);
}

TEST_F(Physics, FrameAndSubstepClamps) {
    // 0.2 s is simulated as 0.05 s.
    const int32_t a = Body(Vec3(0, 100, 0));
    PhysicsSimulate(0.2f);
    const Vec3 longFrame = E(a).transform.position;
    E(a).transform.position = Vec3(0, 100, 0);
    E(a).rigidBody.velocity = Vec3(0, 0, 0);
    PhysicsSimulate(0.05f);
    EXPECT_FLOAT_EQ(longFrame.y, E(a).transform.position.y);
    // Three substeps of 0.05 / 3 at the default setting.
    const float h = 0.05f / 3.0f;
    float v = 0, y = 100;
    for (int i = 0; i < 3; ++i) {
        v -= 15.0f * h;
        y += v * h;
    }
    EXPECT_NEAR(E(a).transform.position.y, y, 1e-4f);

    // Settings 0 and 40 behave as 1 and 12.
    const struct {
        int setting, same;
    } cases[] = {{0, 1}, {-5, 1}, {40, 12}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.setting);
        auto fallAfter = [&](int substeps) {
            g_engine.physicsSubsteps = substeps;
            E(a).transform.position = Vec3(0, 100, 0);
            E(a).rigidBody.velocity = Vec3(0, 0, 0);
            PhysicsSimulate(0.05f);
            return E(a).transform.position.y;
        };
        EXPECT_FLOAT_EQ(fallAfter(c.setting), fallAfter(c.same));
    }
    // Nothing happens for dt <= 0 or a non-finite dt.
    for (float dt : {0.0f, -1.0f, std::numeric_limits<float>::quiet_NaN()}) {
        E(a).transform.position = Vec3(0, 100, 0);
        PhysicsSimulate(dt);
        EXPECT_FLOAT_EQ(E(a).transform.position.y, 100.0f);
    }
}

TEST_F(Physics, BoxOnBoxBounceImpulse) {
    // A dynamic box falling at 4 onto a static collider, both bounciness 0.3:
    // it leaves at 1.2 (impulse 5.2), whichever comes first in the scene.
    for (bool staticFirst : {false, true}) {
        SCOPED_TRACE(staticFirst);
        korvane::test::ResetSceneModel();
        int32_t ground = -1, body = -1;
        if (staticFirst) ground = StaticBox(Vec3(0, 0, 0));
        body = Box(Vec3(0, 0.95f, 0), Vec3(0, -4, 0), false);
        if (!staticFirst) ground = StaticBox(Vec3(0, 0, 0));
        PhysicsStep(0.001f);
        EXPECT_NEAR(E(body).rigidBody.velocity.y, 1.2f, 1e-5f);
        EXPECT_NEAR(E(body).transform.position.y, 1.0f, 1e-5f);
        EXPECT_FLOAT_EQ(E(ground).transform.position.y, 0.0f);
    }
}

TEST_F(Physics, BounceOnlyWhileApproaching) {
    // Overlapping but already moving apart: no impulse pulls it back down.
    const int32_t body = Box(Vec3(0, 0.95f, 0), Vec3(0, 2, 0), false);
    StaticBox(Vec3(0, 0, 0));
    PhysicsStep(0.001f);
    EXPECT_FLOAT_EQ(E(body).rigidBody.velocity.y, 2.0f);
    EXPECT_GE(E(body).transform.position.y, 1.0f - 1e-5f);
}

TEST_F(Physics, TriggersAndTouchingFacesDoNotCollide) {
    const int32_t falling = Box(Vec3(0, 0.95f, 0), Vec3(0, -4, 0), false);
    const int32_t trigger = StaticBox(Vec3(0, 0, 0));
    E(trigger).collider.isTrigger = true;
    PhysicsStep(0.001f);
    EXPECT_FLOAT_EQ(E(falling).rigidBody.velocity.y, -4.0f);

    korvane::test::ResetSceneModel();
    // Exactly touching on y, sliding along x: friction would slow it if the
    // pair counted as a contact.
    const int32_t slider = Box(Vec3(0, 1.0f, 0), Vec3(2, 0, 0), false);
    StaticBox(Vec3(0, 0, 0));
    PhysicsStep(0.001f);
    EXPECT_FLOAT_EQ(E(slider).rigidBody.velocity.x, 2.0f);
    EXPECT_FLOAT_EQ(E(slider).transform.position.y, 1.0f);
}

TEST_F(Physics, DepthSharedByInverseMass) {
    const struct {
        float massA, massB, moveA, moveB;
    } cases[] = {{1, 1, 0.2f, 0.2f}, {1, 3, 0.3f, 0.1f}, {3, 1, 0.1f, 0.3f}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.massB);
        korvane::test::ResetSceneModel();
        // Overlap of 0.4 on x (the least), far above the floor.
        const int32_t a = Box(Vec3(0, 10, 0), Vec3(), false, c.massA);
        const int32_t b = Box(Vec3(0.6f, 10, 0), Vec3(), false, c.massB);
        PhysicsStep(0.001f);
        EXPECT_NEAR(E(a).transform.position.x, -c.moveA, 1e-5f);
        EXPECT_NEAR(E(b).transform.position.x, 0.6f + c.moveB, 1e-5f);
    }
}

TEST_F(Physics, KinematicAndStaticBodies) {
    // Not integrated: neither gravity nor drag nor its velocity moves it.
    const int32_t kin = Box(Vec3(0, 5, 0), Vec3(0, -5, 0));
    E(kin).rigidBody.isKinematic = true;
    E(kin).rigidBody.linearDrag = 3;
    // A dynamic box overlapping it takes the whole separation.
    const int32_t dyn = Box(Vec3(0.7f, 5, 0), Vec3(), false);
    PhysicsStep(0.01f);
    EXPECT_FLOAT_EQ(E(kin).transform.position.x, 0.0f);
    EXPECT_FLOAT_EQ(E(kin).transform.position.y, 5.0f);
    EXPECT_FLOAT_EQ(E(kin).rigidBody.velocity.y, -5.0f);
    EXPECT_NEAR(E(dyn).transform.position.x, 1.0f, 1e-5f);

    // Two bodies that cannot move (kinematic, or no rigid body) stay put,
    // whatever their masses say.
    korvane::test::ResetSceneModel();
    const int32_t k1 = Box(Vec3(0, 5, 0));
    const int32_t k2 = Box(Vec3(0.5f, 5, 0));
    E(k1).rigidBody.isKinematic = E(k2).rigidBody.isKinematic = true;
    E(k1).rigidBody.mass = 0.0001f;
    const int32_t s1 = StaticBox(Vec3(0.2f, 5, 0));
    PhysicsStep(0.01f);
    EXPECT_FLOAT_EQ(E(k1).transform.position.x, 0.0f);
    EXPECT_FLOAT_EQ(E(k2).transform.position.x, 0.5f);
    EXPECT_FLOAT_EQ(E(s1).transform.position.x, 0.2f);
}

TEST_F(Physics, SphereExtentsUseTheLargestScale) {
    Entity* s = GetEnt(StaticBox(Vec3(0, 10, 0)));
    s->collider.shape = ColliderShape_Sphere;
    s->transform.scale = Vec3(1, 3, 1);
    const ColliderBox box = ComputeColliderBox(*s);
    EXPECT_FLOAT_EQ(box.max.x - box.min.x, 3.0f);
    EXPECT_FLOAT_EQ(box.max.y - box.min.y, 3.0f);
    EXPECT_FLOAT_EQ(box.max.z - box.min.z, 3.0f);
    // A cube of half-extent 1.5 at x = 2.9 is pushed out to 3.0.
    const int32_t cube = Box(Vec3(2.9f, 10, 0), Vec3(), false);
    GetEnt(cube)->transform.scale = Vec3(3, 3, 3);
    PhysicsStep(0.001f);
    EXPECT_NEAR(E(cube).transform.position.x, 3.0f, 1e-5f);
}

TEST_F(Physics, CeilingDragAndFriction) {
    const int32_t high = Body(Vec3(0, 199.99f, 0), Vec3(0, 100, 0), false);
    PhysicsStep(0.01f);
    EXPECT_FLOAT_EQ(E(high).transform.position.y, 200.0f);
    EXPECT_FLOAT_EQ(E(high).rigidBody.velocity.y, 0.0f);

    korvane::test::ResetSceneModel();
    const int32_t dragged = Body(Vec3(0, 10, 0), Vec3(10, 0, 0), false);
    E(dragged).rigidBody.linearDrag = 2.0f;
    PhysicsStep(0.01f);
    EXPECT_NEAR(E(dragged).rigidBody.velocity.x, 10.0f / 1.02f, 1e-4f);
    // Negative drag from a file would accelerate: it counts as none.
    E(dragged).rigidBody.linearDrag = -50.0f;
    E(dragged).rigidBody.velocity = Vec3(10, 0, 0);
    PhysicsStep(0.01f);
    EXPECT_FLOAT_EQ(E(dragged).rigidBody.velocity.x, 10.0f);

    // Sliding on a static box with y as the separation axis: x and z are
    // multiplied by 1 - mu * h * 10 (mu = 0.5).
    korvane::test::ResetSceneModel();
    const int32_t slider = Box(Vec3(0, 0.99f, 0), Vec3(5, -0.1f, 3), false);
    StaticBox(Vec3(0, 0, 0), Vec3(20, 1, 20));
    const float h = 0.01f;
    PhysicsStep(h);
    EXPECT_NEAR(E(slider).rigidBody.velocity.x, 5.0f * (1 - 0.5f * h * 10), 1e-5f);
    EXPECT_NEAR(E(slider).rigidBody.velocity.z, 3.0f * (1 - 0.5f * h * 10), 1e-5f);
    // Friction above 1 from a file is clamped: the factor never goes negative
    // (which would reverse the slide).
    for (Entity& e : g_ents) e.collider.friction = 1000.0f;
    E(slider).transform.position.y = 0.99f;
    E(slider).rigidBody.velocity = Vec3(5, -0.1f, 0);
    PhysicsStep(0.05f);
    EXPECT_GE(E(slider).rigidBody.velocity.x, 0.0f);
}

TEST_F(Physics, RestingAndStackedBoxesSettle) {
    // A platform whose top is at 2.5; one box rests on it.
    StaticBox(Vec3(0, 2, 0));
    const int32_t rest = Box(Vec3(0, 3.0f, 0));
    Run(3.0f);
    EXPECT_NEAR(E(rest).transform.position.y, 3.0f, 0.02f);
    EXPECT_LT(std::fabs(E(rest).rigidBody.velocity.y), 0.5f);

    // Three boxes dropped onto a ground slab end up stacked in order.
    korvane::test::ResetSceneModel();
    StaticBox(Vec3(0, -0.5f, 0), Vec3(20, 1, 20));
    const int32_t b1 = Box(Vec3(0, 0.6f, 0));
    const int32_t b2 = Box(Vec3(0, 1.8f, 0));
    const int32_t b3 = Box(Vec3(0, 3.0f, 0));
    Run(5.0f);
    EXPECT_NEAR(E(b1).transform.position.y, 0.5f, 0.06f);
    EXPECT_NEAR(E(b2).transform.position.y, 1.5f, 0.08f);
    EXPECT_NEAR(E(b3).transform.position.y, 2.5f, 0.1f);
    for (int32_t id : {b1, b2, b3}) EXPECT_NEAR(E(id).transform.position.x, 0.0f, 1e-4f);
}

TEST_F(Physics, NonFiniteValuesNeverVanishABody) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const int32_t a = Box(Vec3(0, 5, 0), Vec3(nan, 0, 0));
    const int32_t b = Box(Vec3(nan, inf, 0));
    const int32_t c = Box(Vec3(8, 5, 0));
    E(c).rigidBody.mass = nan;
    E(c).collider.size = Vec3(nan, 1, 1);
    E(c).collider.bounciness = nan;
    Run(0.5f);
    for (int32_t id : {a, b, c}) {
        SCOPED_TRACE(id);
        const Vec3 p = E(id).transform.position, v = E(id).rigidBody.velocity;
        EXPECT_TRUE(std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z));
        EXPECT_TRUE(std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z));
    }
}

}  // namespace
