#pragma once
// Structural edits as the user makes them: each one is its own undo step
// with a visible label, and a re-parent keeps the entity where it is in the
// world. Loaders, import builders and play mode use the store directly
// (AddEnt, ReparentEntity) and record nothing.
//
//   RecordUndoableEdit          snapshot, edit, push the step when it changed
//   LocalTransformUnderParent   the local transform that keeps a world placement
//   ReparentKeepingWorld        re-parent (target -1: to the root), world kept
//   ReparentEntityAsUndoStep    the same as the step "Reparent Entity"

#include <cstdint>
#include <functional>

#include "editor/legacy/scene/Entity.h"

// Captures the scene, runs edit and, when it returns true (something
// changed), pushes the captured state as one undo step under label. Returns
// what edit returned.
bool RecordUndoableEdit(const char* label, const std::function<bool()>& edit);

// The local transform that places an entity whose world matrix is `world`
// and world rotation `worldRot` under a parent with world matrix
// `parentWorld` and world rotation `parentRot`. Position and rotation are
// exact; the scale is exact whenever it can be (no shear, that is, the
// parent's scale is uniform or lines up with the child's axes), else the
// nearest per-axis scale.
Transform LocalTransformUnderParent(const Mat4& parentWorld, const Quat& parentRot, const Mat4& world,
                                    const Quat& worldRot);

// Moves child under newParent (-1: to the root) and rewrites its local
// transform so its world position, rotation and scale stay. Refused (false,
// nothing changes) when ReparentEntity refuses.
bool ReparentKeepingWorld(int32_t child, int32_t newParent);

// ReparentKeepingWorld recorded as the undo step "Reparent Entity" (nothing
// is recorded when it is refused or changes nothing).
bool ReparentEntityAsUndoStep(int32_t child, int32_t newParent);
