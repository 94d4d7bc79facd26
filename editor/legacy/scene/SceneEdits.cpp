#include "editor/legacy/scene/SceneEdits.h"

#include <cmath>

#include "editor/legacy/scene/EntityStore.h"
#include "editor/legacy/scene/Undo.h"

bool RecordUndoableEdit(const char* label, const std::function<bool()>& edit) {
    SceneSnapshot before = CaptureSceneSnapshot();
    if (!edit()) return false;
    UndoPushSnapshot(before, label);
    return true;
}

namespace {

Vec3 Column(const Mat4& m, int c) { return {m.m[c * 4 + 0], m.m[c * 4 + 1], m.m[c * 4 + 2]}; }

bool Finite(const Vec3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

} // namespace

Transform LocalTransformUnderParent(const Mat4& parentWorld, const Quat& parentRot, const Mat4& world,
                                    const Quat& worldRot) {
    const Mat4 local = m_mul(m_inverse(parentWorld), world);
    Transform t;
    t.position = Column(local, 3);

    // The rotation comes from the rotation chain, which is what the editor
    // composes for children and gizmos, so it is exact even under shear.
    const Quat q = QuatNormalize(QuatMul(QuatInverse(parentRot), worldRot));
    QuatToEuler(q, t.rotation.x, t.rotation.y, t.rotation.z);

    // local = R * S when there is no shear: the scale of each axis is that
    // column of the local matrix measured along the rotated axis.
    const Quat r = QuatFromEuler(t.rotation.x, t.rotation.y, t.rotation.z);
    const Vec3 axes[3] = {QuatRotate(r, {1, 0, 0}), QuatRotate(r, {0, 1, 0}), QuatRotate(r, {0, 0, 1})};
    float s[3];
    for (int i = 0; i < 3; ++i) s[i] = axes[i].dot(Column(local, i));
    t.scale = Vec3(s[0], s[1], s[2]);
    if (!Finite(t.position)) t.position = Vec3();
    if (!Finite(t.rotation)) t.rotation = Vec3();
    if (!Finite(t.scale)) t.scale = Vec3(1, 1, 1);
    return t;
}

bool ReparentKeepingWorld(int32_t child, int32_t newParent) {
    const Entity* d = GetEnt(child);
    if (!d) return false;
    const Mat4 world = EntityModelMatrix(*d);
    const Quat worldRot = EntityWorldQuat(*d);
    if (!ReparentEntity(child, newParent)) return false;
    Mat4 parentWorld;
    Quat parentRot;
    if (const Entity* p = newParent >= 0 ? GetEnt(newParent) : nullptr) {
        parentWorld = EntityModelMatrix(*p);
        parentRot = EntityWorldQuat(*p);
    }
    Entity* moved = GetEnt(child);
    moved->transform = LocalTransformUnderParent(parentWorld, parentRot, world, worldRot);
    return true;
}

bool ReparentEntityAsUndoStep(int32_t child, int32_t newParent) {
    const Entity* d = GetEnt(child);
    // Dropping a row where it already is changes nothing worth a step.
    if (!d || d->parent == (newParent >= 0 ? newParent : -1)) return false;
    return RecordUndoableEdit("Reparent Entity", [&] { return ReparentKeepingWorld(child, newParent); });
}
