#include "editor/legacy/play/Physics.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "editor/legacy/scene/EntityStore.h"

namespace {

float Finite(float v, float fallback) { return std::isfinite(v) ? v : fallback; }

bool FiniteVec(const Vec3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

float& Axis(Vec3& v, int k) { return k == 0 ? v.x : (k == 1 ? v.y : v.z); }

bool IsDynamic(const Entity& e) { return e.hasRigidBody && !e.rigidBody.isKinematic; }

float SafeMass(const RigidBody& rb) { return std::max(Finite(rb.mass, 1.0f), 0.001f); }

float InverseMass(const Entity& e) { return IsDynamic(e) ? 1.0f / SafeMass(e.rigidBody) : 0.0f; }

float Unit(float v, float fallback) { return std::clamp(Finite(v, fallback), 0.0f, 1.0f); }

bool TakesPart(const Entity& e) { return e.enabled && e.hasCollider && !e.collider.isTrigger; }

// This substep's colliders, filtered once: their positions in g_ents, the
// values the response reads, and their boxes (structure of arrays, so the
// all-pairs overlap test walks contiguous floats). A separation shifts the
// mover's box with it, so later pairs see exactly what recomputing from the
// entity would give. Kept between steps: a step allocates only when the
// scene grows.
struct Participant {
    int32_t index = 0;
    bool dynamic = false;
    float invMass = 0.0f;
    float bounciness = 0.3f;
    float friction = 0.5f;
};
std::vector<Participant> s_parts;
std::vector<float> s_box[6];  // min x, y, z, max x, y, z

void Integrate(Entity& e, float h) {
    RigidBody& rb = e.rigidBody;
    Vec3& p = e.transform.position;
    // A non-finite value would turn the body into NaN for good (and drag it
    // out of every comparison); it restarts from rest at the origin instead.
    if (!FiniteVec(rb.velocity)) rb.velocity = Vec3(0, 0, 0);
    if (!FiniteVec(p)) p = Vec3(0, 0, 0);
    if (rb.useGravity) rb.velocity.y -= std::clamp(Finite(g_engine.gravity, 15.0f), 0.0f, 100.0f) * h;
    const float drag = std::max(0.0f, Finite(rb.linearDrag, 0.0f));
    rb.velocity = rb.velocity * (1.0f / (1.0f + drag * h));
    p = p + rb.velocity * h;
    if (!FiniteVec(rb.velocity) || !FiniteVec(p)) {
        rb.velocity = Vec3(0, 0, 0);
        if (!FiniteVec(p)) p = Vec3(0, 0, 0);
    }
    if (p.y < kPhysicsFloorY) {
        p.y = kPhysicsFloorY;
        rb.velocity.y = std::max(rb.velocity.y, 0.0f);
    }
    if (p.y > kPhysicsCeilingY) {
        p.y = kPhysicsCeilingY;
        rb.velocity.y = 0.0f;
    }
}

void ResolvePair(size_t ia, size_t ib, float h) {
    float* mn[3] = {s_box[0].data(), s_box[1].data(), s_box[2].data()};
    float* mx[3] = {s_box[3].data(), s_box[4].data(), s_box[5].data()};
    int axis = -1;
    float depth = 0.0f;
    for (int k = 0; k < 3; ++k) {
        const float amax = mx[k][ia], amin = mn[k][ia];
        const float bmax = mx[k][ib], bmin = mn[k][ib];
        // Touching faces do not overlap.
        if (!(amax > bmin && bmax > amin)) return;
        const float pen = std::min(amax - bmin, bmax - amin);
        if (axis < 0 || pen < depth) {
            axis = k;
            depth = pen;
        }
    }
    if (!(depth > 0.0f)) return;
    const Participant& pa = s_parts[ia];
    const Participant& pb = s_parts[ib];
    if (!pa.dynamic && !pb.dynamic) return;
    const float invA = pa.invMass, invB = pb.invMass;
    const float invSum = std::max(invA + invB, 0.000001f);
    Entity& a = g_ents[size_t(pa.index)];
    Entity& b = g_ents[size_t(pb.index)];

    // A goes along +axis when its box reaches further that way; each body
    // takes the share of the depth its inverse mass asks for, so a static
    // collider never moves and two equal bodies split it evenly.
    const float dir = mx[axis][ia] > mx[axis][ib] ? 1.0f : -1.0f;
    const float moveA = dir * depth * (invA / invSum);
    const float moveB = -dir * depth * (invB / invSum);
    Axis(a.transform.position, axis) += moveA;
    Axis(b.transform.position, axis) += moveB;
    mn[axis][ia] += moveA;
    mx[axis][ia] += moveA;
    mn[axis][ib] += moveB;
    mx[axis][ib] += moveB;

    if (axis != 1) return;
    const float va = a.hasRigidBody ? Finite(a.rigidBody.velocity.y, 0.0f) : 0.0f;
    const float vb = b.hasRigidBody ? Finite(b.rigidBody.velocity.y, 0.0f) : 0.0f;
    const float v = va - vb;
    const float e = (pa.bounciness + pb.bounciness) * 0.5f;
    const float mu = (pa.friction + pb.friction) * 0.5f;
    const float frictionFactor = std::max(0.0f, 1.0f - mu * h * 10.0f);
    // Only bodies closing in along the separation normal bounce; a pair
    // already moving apart would otherwise be pulled back together.
    const bool approaching = v * dir < 0.0f;
    const float j = approaching ? -(1.0f + e) * v / invSum : 0.0f;
    if (pa.dynamic) {
        a.rigidBody.velocity.y += j * invA;
        a.rigidBody.velocity.x *= frictionFactor;
        a.rigidBody.velocity.z *= frictionFactor;
    }
    if (pb.dynamic) {
        b.rigidBody.velocity.y -= j * invB;
        b.rigidBody.velocity.x *= frictionFactor;
        b.rigidBody.velocity.z *= frictionFactor;
    }
}

void GatherParticipants() {
    s_parts.clear();
    for (auto& v : s_box) v.clear();
    for (size_t i = 0; i < g_ents.size(); ++i) {
        const Entity& e = g_ents[i];
        if (!TakesPart(e)) continue;
        Participant p;
        p.index = int32_t(i);
        p.dynamic = IsDynamic(e);
        p.invMass = InverseMass(e);
        p.bounciness = Unit(e.collider.bounciness, 0.3f);
        p.friction = Unit(e.collider.friction, 0.5f);
        s_parts.push_back(p);
        const ColliderBox b = ComputeColliderBox(e);
        s_box[0].push_back(b.min.x);
        s_box[1].push_back(b.min.y);
        s_box[2].push_back(b.min.z);
        s_box[3].push_back(b.max.x);
        s_box[4].push_back(b.max.y);
        s_box[5].push_back(b.max.z);
    }
}

}  // namespace

ColliderBox ComputeColliderBox(const Entity& e) {
    const Transform& t = e.transform;
    const Collider& c = e.collider;
    Vec3 half;
    const Vec3 s(std::fabs(Finite(t.scale.x, 1.0f)), std::fabs(Finite(t.scale.y, 1.0f)),
                 std::fabs(Finite(t.scale.z, 1.0f)));
    if (c.shape == ColliderShape_Sphere) {
        const float r = std::fabs(Finite(c.size.x, 1.0f)) * 0.5f * std::max({s.x, s.y, s.z});
        half = Vec3(r, r, r);
    } else {
        half = Vec3(std::fabs(Finite(c.size.x, 1.0f)) * 0.5f * s.x, std::fabs(Finite(c.size.y, 1.0f)) * 0.5f * s.y,
                    std::fabs(Finite(c.size.z, 1.0f)) * 0.5f * s.z);
    }
    const Vec3 centre(Finite(t.position.x, 0.0f) + Finite(c.center.x, 0.0f),
                      Finite(t.position.y, 0.0f) + Finite(c.center.y, 0.0f),
                      Finite(t.position.z, 0.0f) + Finite(c.center.z, 0.0f));
    return {centre - half, centre + half};
}

float ClampPlayDt(float dt) {
    if (!std::isfinite(dt) || dt <= 0.0f) return 0.0f;
    return std::min(dt, kPhysicsMaxFrameDt);
}

int PhysicsSubstepCount() { return std::clamp<int>(g_engine.physicsSubsteps, 1, 12); }

void PhysicsSimulate(float dt) {
    dt = ClampPlayDt(dt);
    if (dt <= 0.0f) return;
    const int count = PhysicsSubstepCount();
    const float h = dt / float(count);
    for (int i = 0; i < count; ++i) PhysicsStep(h);
}

void PhysicsStep(float h) {
    if (!std::isfinite(h) || h <= 0.0f) return;
    for (Entity& e : g_ents) {
        if (e.enabled && IsDynamic(e)) Integrate(e, h);
    }
    GatherParticipants();
    // Sequential pairs in scene order: a separation moves a body before the
    // later pairs look at it. The x test is repeated inline so the common
    // case (no overlap on x) costs two comparisons.
    const size_t n = s_parts.size();
    const float* minX = s_box[0].data();
    const float* maxX = s_box[3].data();
    for (size_t i = 0; i < n; ++i) {
        for (size_t k = i + 1; k < n; ++k) {
            if (!(maxX[i] > minX[k] && maxX[k] > minX[i])) continue;
            ResolvePair(i, k, h);
        }
    }
}
