#include "editor/ui/viewport/Picking.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "editor/legacy/scene/EntityStore.h"
#include "editor/ui/viewport/EditorCamera.h"
#include "editor/ui/viewport/RayMath.h"

bool (*g_pickModelProvider)(const char* modelPath, PickModelView& out) = nullptr;

namespace {

bool Finite(Vec3 v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

bool TransformUsable(const Entity& e) {
    const Transform& tr = e.transform;
    if (!Finite(tr.position) || !Finite(tr.rotation) || !Finite(tr.scale)) return false;
    // A flat axis has no inverse: the entity cannot be hit through its mesh.
    return std::fabs(tr.scale.x) >= 1e-6f && std::fabs(tr.scale.y) >= 1e-6f && std::fabs(tr.scale.z) >= 1e-6f;
}

struct LocalRay {
    Mat4 model;
    Ray ray;
};

// Moves the ray into the space of a world matrix. False when the matrix
// cannot be inverted (an ancestor scaled flat): the inverse would silently
// be the identity and hit the wrong place.
bool ToLocal(const Ray& r, const Mat4& model, LocalRay& lr) {
    lr.model = model;
    const float* m = model.m;
    double det = double(m[0]) * (double(m[5]) * m[10] - double(m[9]) * m[6]) -
                 double(m[4]) * (double(m[1]) * m[10] - double(m[9]) * m[2]) +
                 double(m[8]) * (double(m[1]) * m[6] - double(m[5]) * m[2]);
    if (!std::isfinite(det) || std::fabs(det) < 1e-24) return false;
    Mat4 inv = m_inverse(model);
    lr.ray.origin = m_mulPt(inv, r.origin);
    lr.ray.dir = m_mulDir(inv, r.dir);
    return true;
}

bool ToLocal(const Ray& r, const Entity& e, LocalRay& lr) { return ToLocal(r, EntityModelMatrix(e), lr); }

// Cheap early out before inverting anything: the sphere around the local
// box (centred on the origin) after the world matrix, against the ray.
bool BoundingSphereMayHit(const Ray& r, const Mat4& model, Vec3 half) {
    const float* m = model.m;
    float sx = m[0] * m[0] + m[1] * m[1] + m[2] * m[2];
    float sy = m[4] * m[4] + m[5] * m[5] + m[6] * m[6];
    float sz = m[8] * m[8] + m[9] * m[9] + m[10] * m[10];
    float radius2 = half.dot(half) * std::max({sx, sy, sz});
    Vec3 v = Vec3(m[12], m[13], m[14]) - r.origin;
    float along = v.dot(r.dir);
    float d2 = v.dot(v) - along * along;
    if (!(d2 <= radius2 * 1.0001f + 1e-6f)) return false;  // NaN: no hit
    // Entirely behind the ray's origin.
    return !(along < 0.0f && along * along > radius2 * 1.0001f + 1e-6f);
}

bool PrimitiveTriangles(const Ray& r, const LocalRay& lr, int shape, float& t);

// Distance along the world ray of a point given by the local ray parameter.
float WorldDistance(const Ray& world, const LocalRay& lr, float u) {
    Vec3 wp = m_mulPt(lr.model, lr.ray.origin + lr.ray.dir * u);
    return (wp - world.origin).dot(world.dir);
}

int ClampPrimitiveShape(int shape) { return (shape < 0 || shape > 5) ? 0 : shape; }

} // namespace

void MeshLocalBounds(int meshType, Vec3& bmin, Vec3& bmax) {
    Vec3 h(0.5f, 0.5f, 0.5f);
    switch (meshType) {
    case MeshShape_Torus: h = Vec3(0.65f, 0.18f, 0.65f); break;
    case MeshShape_Plane: h = Vec3(5.0f, 0.05f, 5.0f); break;
    case MeshShape_Custom: h = Vec3(2.0f, 2.0f, 2.0f); break;
    default: break;
    }
    bmin = -h;
    bmax = h;
}

void BuildPrimitivePickVerts(int meshType, std::vector<V3>& out) {
    out.clear();
    // Same generators and parameters as the render meshes; only the cube's
    // vertex colour differs, which picking ignores.
    GenPrimitiveShape(out, ClampPrimitiveShape(meshType), 0.15f, 0.5f, 0.8f);
}

const std::vector<V3>& PrimitivePickVerts(int meshType) {
    static std::vector<V3> cache[kPrimitiveShapeCount];
    static bool built[kPrimitiveShapeCount] = {};
    int s = ClampPrimitiveShape(meshType);
    if (!built[s]) {
        BuildPrimitivePickVerts(s, cache[s]);
        built[s] = true;
    }
    return cache[s];
}

bool RayEntity(const Ray& r, const Entity& e, float& t) {
    if (!TransformUsable(e)) return false;
    int shape = e.mesh.shape;
    if (shape < 0 || shape > 6) shape = 0;
    Vec3 bmin, bmax;
    MeshLocalBounds(shape, bmin, bmax);
    LocalRay lr;
    if (!ToLocal(r, e, lr)) return false;
    return RayAABB(lr.ray, bmin, bmax, t);
}

namespace {

bool PrimitiveTriangles(const Ray& r, const LocalRay& lr, int shape, float& t) {
    Vec3 bmin, bmax;
    MeshLocalBounds(shape, bmin, bmax);
    float boxT = 0.0f;
    if (!RayAABB(lr.ray, bmin, bmax, boxT)) return false;
    const std::vector<V3>& verts = PrimitivePickVerts(shape);
    bool found = false;
    float best = FLT_MAX;
    for (size_t i = 0; i + 2 < verts.size(); i += 3) {
        const float* a = verts[i].pos;
        const float* b = verts[i + 1].pos;
        const float* c = verts[i + 2].pos;
        float u = 0.0f;
        if (!RayTriangleMT(lr.ray, Vec3(a[0], a[1], a[2]), Vec3(b[0], b[1], b[2]), Vec3(c[0], c[1], c[2]), u))
            continue;
        float wt = WorldDistance(r, lr, u);
        if (wt >= 0.0f && wt < best) {
            best = wt;
            found = true;
        }
    }
    if (found) t = best;
    return found;
}

// Primitive triangles, else the local box: the mesh part of a viewport pick
// with the world matrix computed and inverted once.
bool PrimitiveOrBox(const Ray& r, const Entity& e, float& t, int& priority) {
    if (!TransformUsable(e)) return false;
    int boxShape = e.mesh.shape;
    if (boxShape < 0 || boxShape > 6) boxShape = 0;
    Vec3 bmin, bmax;
    MeshLocalBounds(boxShape, bmin, bmax);
    const Mat4 model = EntityModelMatrix(e);
    if (!BoundingSphereMayHit(r, model, bmax)) return false;
    LocalRay lr;
    if (!ToLocal(r, model, lr)) return false;
    if (PrimitiveTriangles(r, lr, ClampPrimitiveShape(e.mesh.shape), t)) {
        priority = kPickPriorityPrimitive;
        return true;
    }
    if (RayAABB(lr.ray, bmin, bmax, t)) {
        priority = kPickPriorityBox;
        return true;
    }
    return false;
}

} // namespace

bool RayPrimitiveEntityExact(const Ray& r, const Entity& e, float& t) {
    if (!TransformUsable(e)) return false;
    LocalRay lr;
    if (!ToLocal(r, e, lr)) return false;
    return PrimitiveTriangles(r, lr, ClampPrimitiveShape(e.mesh.shape), t);
}

bool RayImportedModelExact(const Ray& r, const Entity& e, const PickModelView& model, float& t) {
    if (!TransformUsable(e)) return false;
    LocalRay lr;
    if (!ToLocal(r, e, lr)) return false;
    if (!(lr.ray.dir.len() >= 1e-8f)) return false;
    float boxT = 0.0f;
    if (!RayAABB(lr.ray, model.boundsMin, model.boundsMax, boxT)) return false;

    auto pos = [&](uint32_t i) {
        const float* p = model.positions + size_t(i) * size_t(std::max(3, model.positionStride));
        return Vec3(p[0], p[1], p[2]);
    };
    bool found = false;
    float best = FLT_MAX;
    for (int32_t si = 0; si < model.submeshCount; ++si) {
        const PickSubmesh& sm = model.submeshes[si];
        if (!ImportedPartMatchesRenderer(e.mesh, sm.nodeIndex, sm.materialIndex) || sm.indexCount <= 0) continue;
        float sbt = 0.0f;
        if (!RayAABB(lr.ray, sm.boundsMin, sm.boundsMax, sbt)) continue;
        int64_t begin = std::max<int64_t>(0, sm.firstIndex);
        int64_t end = std::min<int64_t>(model.indexCount, int64_t(sm.firstIndex) + int64_t(sm.indexCount));
        if (!model.positions || !model.indices) continue;
        for (int64_t k = begin; k + 2 < end; k += 3) {
            uint32_t i0 = model.indices[k], i1 = model.indices[k + 1], i2 = model.indices[k + 2];
            uint32_t limit = uint32_t(std::max(0, model.positionCount));
            if (i0 >= limit || i1 >= limit || i2 >= limit) continue;
            float u = 0.0f;
            if (!RayTriangleMT(lr.ray, pos(i0), pos(i1), pos(i2), u)) continue;
            float wt = WorldDistance(r, lr, u);
            if (wt >= 0.0f && wt < best) {
                best = wt;
                found = true;
            }
        }
    }
    if (!found) {
        // Models without usable triangles (or rays that slip between them)
        // still pick through the boxes of the parts they draw.
        for (int32_t si = 0; si < model.submeshCount; ++si) {
            const PickSubmesh& sm = model.submeshes[si];
            if (!ImportedPartMatchesRenderer(e.mesh, sm.nodeIndex, sm.materialIndex)) continue;
            float sbt = 0.0f;
            if (!RayAABB(lr.ray, sm.boundsMin, sm.boundsMax, sbt)) continue;
            float wt = WorldDistance(r, lr, sbt);
            if (wt >= 0.0f && wt < best) {
                best = wt;
                found = true;
            }
        }
    }
    if (found) t = best;
    return found;
}

bool RayImportedEntityExact(const Ray& r, const Entity& e, float& t) {
    if (e.mesh.shape != MeshShape_Custom || e.mesh.modelPath[0] == '\0') return false;
    PickModelView model;
    if (!g_pickModelProvider || !g_pickModelProvider(e.mesh.modelPath, model)) return false;
    return RayImportedModelExact(r, e, model, t);
}

bool RayEntityViewportPick(const Ray& r, const Entity& e, float mouseX, float mouseY, float& t, int& priority) {
    priority = 0;
    bool hit = false;
    if (e.hasMesh && e.mesh.visible) {
        if (e.mesh.shape == MeshShape_Custom && e.mesh.modelPath[0] != '\0') {
            if (!RayImportedEntityExact(r, e, t)) return false;
            priority = kPickPriorityImported;
            return true;
        }
        hit = PrimitiveOrBox(r, e, t, priority);
    }
    if (!hit && (e.hasCamera || e.hasLight || e.hasCollider || e.hasAudio || e.hasParticles)) {
        Vec3 wp = EntityWorldPos(e);
        ImVec2 sp;
        if (Finite(wp) && WorldToScreen(wp, sp)) {
            float radius = e.hasCollider ? kPickRadiusCollider : kPickRadiusOther;
            float dx = sp.x - mouseX, dy = sp.y - mouseY;
            if (dx * dx + dy * dy <= radius * radius) {
                float wt = (wp - r.origin).dot(r.dir);
                if (wt >= 0.0f) {
                    t = wt;
                    priority = kPickPriorityScreenRadius;
                    hit = true;
                }
            }
        }
    }
    return hit;
}

bool PickEntityAtViewportPoint(float x, float y, int& id, float& t) {
    Ray ray = ScreenToRay(x, y);
    float bestT = FLT_MAX;
    int bestId = -1, bestDepth = -1, bestPriority = -1;
    for (const Entity& e : g_ents) {
        if (!e.enabled) continue;
        float et = 0.0f;
        int priority = 0;
        if (!RayEntityViewportPick(ray, e, x, y, et, priority)) continue;
        int depth = EntityHierarchyDepth(e.id);
        if (e.mesh.shape == MeshShape_Custom && e.mesh.importedMaterialSlot >= 0) priority += 1;
        bool closer = et < bestT - kPickTieDistance;
        bool tie = std::fabs(et - bestT) <= kPickTieDistance;
        if (closer || (tie && (depth > bestDepth || (depth == bestDepth && priority > bestPriority)))) {
            bestT = et;
            bestId = e.id;
            bestDepth = depth;
            bestPriority = priority;
        }
    }
    if (bestId < 0) {
        id = -1;
        t = 0.0f;
        return false;
    }
    id = bestId;
    t = bestT;
    return true;
}
