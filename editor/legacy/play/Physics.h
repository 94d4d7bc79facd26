#pragma once
// Play mode's small physics step: point-mass rigid bodies with gravity and
// linear drag, a floor at height 0 and a ceiling at 200, and pairwise
// collisions between axis-aligned boxes built from the Collider components,
// separated along the axis of least penetration, with bounce and friction
// on the vertical axis. Bodies never rotate. Headless.
//
//   PhysicsSimulate(dt)      one play frame: dt clamped to 0.05 s, split into
//                            g_engine.physicsSubsteps (1..12) equal substeps
//   PhysicsStep(h)           one substep: integration, then collisions
//   ColliderBox              the box a collider occupies (shared with tests)
//   kPhysicsMaxFrameDt       the frame clamp every play step uses

#include "editor/legacy/scene/Entity.h"

constexpr float kPhysicsMaxFrameDt = 0.05f;
constexpr float kPhysicsFloorY = 0.0f;
constexpr float kPhysicsCeilingY = 200.0f;

struct ColliderBox {
    Vec3 min, max;
};
// Centre = position + center; half extents = size * 0.5 * |scale| per axis,
// or for a sphere size.x * 0.5 * the largest |scale| on every axis. Rotation
// is ignored. Non-finite numbers count as 0 (position, centre) or 1 (size,
// scale), so a broken file cannot poison the pairs it touches.
ColliderBox ComputeColliderBox(const Entity& e);

// The frame clamp and the substep count PhysicsSimulate uses.
float ClampPlayDt(float dt);  // non-finite or <= 0 -> 0; at most kPhysicsMaxFrameDt
int PhysicsSubstepCount();

void PhysicsSimulate(float dt);
void PhysicsStep(float h);
