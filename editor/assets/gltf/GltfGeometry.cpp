// The node walk, primitives, node transforms and tangents of the loader.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "editor/assets/gltf/GltfBuild.h"

size_t g_gltfMaxVertices = size_t(16) << 20;

namespace {

bool Finite3(const float* v) { return std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]); }

bool FiniteAll(const std::vector<double>& v) {
    for (double d : v) {
        if (!std::isfinite(d) || std::fabs(d) > 1e30) return false;
    }
    return true;
}

Vec3 Norm3(const float* v) { return Vec3(v[0], v[1], v[2]).norm(); }

}  // namespace

int MaterialIndex(const tinygltf::Model& model, int material) {
    if (material < 0 || size_t(material) >= model.materials.size()) return 0;
    return material + 1;
}

Transform NodeLocalTransform(const tinygltf::Node& node) {
    Transform t;
    if (node.translation.size() == 3 && FiniteAll(node.translation)) {
        t.position = Vec3(float(node.translation[0]), float(node.translation[1]), float(node.translation[2]));
    }
    if (node.scale.size() == 3 && FiniteAll(node.scale)) {
        t.scale = Vec3(float(node.scale[0]), float(node.scale[1]), float(node.scale[2]));
    }
    if (node.rotation.size() == 4 && FiniteAll(node.rotation)) {
        const Vec3 e = QuatToEulerDeg(float(node.rotation[0]), float(node.rotation[1]), float(node.rotation[2]),
                                      float(node.rotation[3]));
        if (std::isfinite(e.x) && std::isfinite(e.y) && std::isfinite(e.z)) t.rotation = e;
    }
    if (node.matrix.size() == 16 && FiniteAll(node.matrix)) {
        const std::vector<double>& m = node.matrix;  // column-major
        t.position = Vec3(float(m[12]), float(m[13]), float(m[14]));
        Vec3 c0{float(m[0]), float(m[1]), float(m[2])};
        Vec3 c1{float(m[4]), float(m[5]), float(m[6])};
        Vec3 c2{float(m[8]), float(m[9]), float(m[10])};
        float sx = std::max(c0.len(), 1e-4f), sy = std::max(c1.len(), 1e-4f), sz = std::max(c2.len(), 1e-4f);
        if (c0.dot(c1.cross(c2)) < 0.0f) {
            // A mirror: one negative scale (on the largest axis) and a proper rotation.
            if (sx >= sy && sx >= sz) {
                sx = -sx;
                c0 = -c0;
            } else if (sy >= sz) {
                sy = -sy;
                c1 = -c1;
            } else {
                sz = -sz;
                c2 = -c2;
            }
        }
        t.scale = Vec3(sx, sy, sz);
        const Vec3 r0 = c0 * (1.0f / std::fabs(sx)), r1 = c1 * (1.0f / std::fabs(sy)), r2 = c2 * (1.0f / std::fabs(sz));
        t.rotation = EulerXYZFromRotationMatrix(r0.x, r1.x, r2.x, r0.y, r1.y, r2.y, r0.z, r1.z, r2.z);
    }
    return t;
}

void AppendGLTFPrimitive(GltfBuild& b, const tinygltf::Primitive& prim, int nodeIndex, std::vector<V3>& vertices,
                         std::vector<uint32_t>& indices, ImportedModel& model) {
    const tinygltf::Model& m = b.data.model;
    if (prim.mode != TINYGLTF_MODE_TRIANGLES) return;
    auto attr = [&](const char* name, AccessorView& view) {
        auto it = prim.attributes.find(name);
        return it != prim.attributes.end() && OpenAccessor(m, it->second, view);
    };
    AccessorView pos, nrm, uv, col;
    if (!attr("POSITION", pos)) return;
    const bool hasNormal = attr("NORMAL", nrm);
    const bool hasUV = attr("TEXCOORD_0", uv);
    const bool hasColor = attr("COLOR_0", col);
    // Tangents in the file are not read: GenerateTangents replaces them all.

    AccessorView idx;
    const bool indexed = prim.indices >= 0;
    if (indexed) {
        if (!OpenAccessor(m, prim.indices, idx) || idx.components != 1 ||
            !(idx.componentType == TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE ||
              idx.componentType == TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT ||
              idx.componentType == TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT)) {
            b.Warn("glTF primitive skipped: its index accessor is not unsigned integer scalars (node " +
                   std::to_string(nodeIndex) + ")");
            return;
        }
    }
    size_t count = indexed ? idx.count : pos.count;
    count -= count % 3;  // whole triangles only
    if (count == 0) return;
    if (count > g_gltfMaxVertices || vertices.size() > g_gltfMaxVertices - count ||
        indices.size() + count > size_t(INT32_MAX)) {
        if (!b.budgetWarned) {
            b.Warn("glTF primitive skipped: the model would exceed " + std::to_string(g_gltfMaxVertices) +
                   " vertices");
            b.budgetWarned = true;
        }
        return;
    }
    if (indexed) {
        // An index past the vertices would read another primitive's data, or
        // none at all: the primitive is refused whole.
        for (size_t k = 0; k < count; ++k) {
            uint32_t v = 0;
            ReadAccessorUint(idx, k, v);
            if (v >= pos.count) {
                b.Warn("glTF primitive skipped: index " + std::to_string(v) + " is past its " +
                       std::to_string(pos.count) + " vertices (node " + std::to_string(nodeIndex) + ")");
                return;
            }
        }
    }

    ImportedSubmesh sm;
    sm.firstIndex = int32_t(indices.size());
    sm.materialIndex = MaterialIndex(m, prim.material);
    sm.nodeIndex = nodeIndex;
    const size_t base = vertices.size();
    vertices.resize(base + count);
    indices.resize(base + count);
    for (size_t k = 0; k < count; ++k) {
        uint32_t src = uint32_t(k);
        if (indexed) ReadAccessorUint(idx, k, src);
        V3& v = vertices[base + k];
        float p[3] = {0, 0, 0};
        ReadAccessorVec3(pos, src, p);
        if (!Finite3(p)) {
            for (float& c : p) c = std::isfinite(c) ? c : 0.0f;
            ++b.nonFinite;
        }
        std::memcpy(v.pos, p, sizeof p);
        sm.boundsMin = Vec3(std::min(sm.boundsMin.x, p[0]), std::min(sm.boundsMin.y, p[1]), std::min(sm.boundsMin.z, p[2]));
        sm.boundsMax = Vec3(std::max(sm.boundsMax.x, p[0]), std::max(sm.boundsMax.y, p[1]), std::max(sm.boundsMax.z, p[2]));
        if (hasNormal) {
            float n[3] = {0, 1, 0};
            ReadAccessorVec3(nrm, src, n);
            Vec3 nn = Finite3(n) ? Norm3(n) : Vec3(0, 1, 0);
            if (!(nn.len() >= 0.001f)) nn = Vec3(0, 1, 0);
            v.normal[0] = nn.x;
            v.normal[1] = nn.y;
            v.normal[2] = nn.z;
        }
        if (hasUV) {
            float t[2] = {0, 0};
            ReadAccessorVec2(uv, src, t);
            if (std::isfinite(t[0]) && std::isfinite(t[1])) {
                v.uv[0] = t[0];
                v.uv[1] = t[1];
            }
        }
        if (hasColor) {
            float c[4] = {1, 1, 1, 1};
            ReadAccessorVec4(col, src, c);
            if (Finite3(c)) std::memcpy(v.color, c, sizeof v.color);
        }
        indices[base + k] = uint32_t(base + k);
    }
    sm.indexCount = int32_t(count);
    model.submeshes.push_back(sm);
}

void RegisterGLTFNode(GltfBuild& b, int node, int parentIndex, std::vector<V3>& vertices,
                      std::vector<uint32_t>& indices, ImportedModel& model) {
    const tinygltf::Model& m = b.data.model;
    // Depth-first pre-order with an explicit stack: deep chains cannot
    // overflow the call stack, and a node met again (a cycle, or a child
    // shared by two parents) is skipped with a warning.
    struct Item {
        int node, parent;
    };
    std::vector<Item> stack{{node, parentIndex}};
    while (!stack.empty()) {
        const Item it = stack.back();
        stack.pop_back();
        if (it.node < 0 || size_t(it.node) >= m.nodes.size()) continue;
        if (b.visited[size_t(it.node)]) {
            b.Warn("glTF node " + std::to_string(it.node) + " is reached more than once (a cycle or a shared child); "
                   "the repeat is skipped");
            continue;
        }
        b.visited[size_t(it.node)] = 1;
        const tinygltf::Node& n = m.nodes[size_t(it.node)];
        const int nodeIndex = int(model.nodes.size());
        ImportedNode out;
        CopyTextField(out.name, n.name.empty() ? "Object" : n.name.c_str());
        out.parent = it.parent;
        out.hasMesh = n.mesh >= 0 && size_t(n.mesh) < m.meshes.size();
        out.transform = NodeLocalTransform(n);
        model.nodes.push_back(out);
        if (out.hasMesh) {
            for (const tinygltf::Primitive& p : m.meshes[size_t(n.mesh)].primitives) {
                AppendGLTFPrimitive(b, p, nodeIndex, vertices, indices, model);
            }
        }
        for (auto c = n.children.rbegin(); c != n.children.rend(); ++c) stack.push_back({*c, nodeIndex});
    }
}

void GenerateTangents(std::vector<V3>& vertices, const std::vector<uint32_t>& indices) {
    const size_t nv = vertices.size();
    std::vector<Vec3> acc(nv, Vec3(0, 0, 0));
    for (size_t i = 0; i + 2 < indices.size(); i += 3) {
        const uint32_t i0 = indices[i], i1 = indices[i + 1], i2 = indices[i + 2];
        if (i0 >= nv || i1 >= nv || i2 >= nv) continue;
        const V3 &a = vertices[i0], &b = vertices[i1], &c = vertices[i2];
        const Vec3 e1(b.pos[0] - a.pos[0], b.pos[1] - a.pos[1], b.pos[2] - a.pos[2]);
        const Vec3 e2(c.pos[0] - a.pos[0], c.pos[1] - a.pos[1], c.pos[2] - a.pos[2]);
        const float du1 = b.uv[0] - a.uv[0], dv1 = b.uv[1] - a.uv[1];
        const float du2 = c.uv[0] - a.uv[0], dv2 = c.uv[1] - a.uv[1];
        const float det = du1 * dv2 - du2 * dv1;
        if (!(std::fabs(det) >= 1e-8f)) continue;
        const Vec3 t = (e1 * dv2 - e2 * dv1) * (1.0f / det);
        if (!std::isfinite(t.x) || !std::isfinite(t.y) || !std::isfinite(t.z)) continue;
        acc[i0] = acc[i0] + t;
        acc[i1] = acc[i1] + t;
        acc[i2] = acc[i2] + t;
    }
    for (size_t i = 0; i < nv; ++i) {
        V3& v = vertices[i];
        const Vec3 n(v.normal[0], v.normal[1], v.normal[2]);
        Vec3 t = acc[i];
        Vec3 ortho = (t - n * n.dot(t)).norm();
        if (!(t.len() >= 0.001f) || !(ortho.len() >= 0.001f)) {
            // No usable UV direction: any axis across the normal will do, but
            // never one along it (that would give a zero tangent).
            const Vec3 axis = std::fabs(n.x) < 0.9f ? Vec3(1, 0, 0) : Vec3(0, 1, 0);
            ortho = (axis - n * n.dot(axis)).norm();
            if (!(ortho.len() >= 0.001f)) ortho = Vec3(1, 0, 0);
        }
        v.tangent[0] = ortho.x;
        v.tangent[1] = ortho.y;
        v.tangent[2] = ortho.z;
        v.tangent[3] = 1.0f;
    }
}
