#include "editor/render/MeshGen.h"

#include <cmath>
#include <initializer_list>

namespace {

constexpr float kPi = 3.1415927f;
constexpr float kTwoPi = 6.2831855f;

struct F3 {
    float x, y, z;
    F3 operator+(F3 o) const { return {x + o.x, y + o.y, z + o.z}; }
    F3 operator-(F3 o) const { return {x - o.x, y - o.y, z - o.z}; }
    F3 operator*(float s) const { return {x * s, y * s, z * s}; }
    F3 cross(F3 o) const { return {y * o.z - z * o.y, z * o.x - x * o.z, x * o.y - y * o.x}; }
    float len() const { return std::sqrt(x * x + y * y + z * z); }
    F3 norm() const {
        float l = len();
        return l > 1e-8f ? F3{x / l, y / l, z / l} : F3{0, 0, 0};
    }
};

void Push(std::vector<V3>& verts, F3 p, float r, float g, float b) {
    verts.push_back(MakeGenVertex(p.x, p.y, p.z, r, g, b));
}

// Side vectors of the plane perpendicular to a gizmo axis. An axis parallel
// to +Y falls back to X so the Y handles get a proper frame.
void GizmoFrame(F3 d, F3& u, F3& v) {
    u = d.cross({0, 1, 0});
    if (u.len() < 0.001f) u = d.cross({1, 0, 0});
    u = u.norm();
    v = d.cross(u).norm();
}

F3 Ring(F3 u, F3 v, float theta) { return u * std::cos(theta) + v * std::sin(theta); }

}  // namespace

const float kGizmoAxisDir[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
const float kGizmoAxisColor[3][3] = {{1.0f, 0.22f, 0.22f}, {0.22f, 1.0f, 0.22f}, {0.22f, 0.35f, 1.0f}};

V3 MakeGenVertex(float x, float y, float z, float r, float g, float b) {
    V3 v;
    v.pos[0] = x;
    v.pos[1] = y;
    v.pos[2] = z;
    v.color[0] = r;
    v.color[1] = g;
    v.color[2] = b;
    return v;
}

void GenCube(std::vector<V3>& verts, float a, float r, float g, float b) {
    struct Face {
        F3 c[4];
        float shade;
    };
    // Face colour factors stand in for lighting: the primitives carry an up
    // normal everywhere, so the faces are told apart by these shades.
    const Face faces[6] = {
        {{{-a, -a, a}, {a, -a, a}, {a, a, a}, {-a, a, a}}, 1.0f},
        {{{a, -a, -a}, {-a, -a, -a}, {-a, a, -a}, {a, a, -a}}, 0.7f},
        {{{-a, a, a}, {a, a, a}, {a, a, -a}, {-a, a, -a}}, 0.9f},
        {{{-a, -a, -a}, {a, -a, -a}, {a, -a, a}, {-a, -a, a}}, 0.5f},
        {{{a, -a, a}, {a, -a, -a}, {a, a, -a}, {a, a, a}}, 0.8f},
        {{{-a, -a, -a}, {-a, -a, a}, {-a, a, a}, {-a, a, -a}}, 0.6f},
    };
    static const int order[6] = {0, 1, 2, 0, 2, 3};
    for (const Face& f : faces) {
        for (int k : order) Push(verts, f.c[k], r * f.shade, g * f.shade, b * f.shade);
    }
}

void GenSphere(std::vector<V3>& verts, int stacks, int slices, float rad) {
    const float cr = 0.82f, cg = 0.45f, cb = 0.18f, s = 0.75f;
    auto P = [rad](float lat, float lon) {
        return F3{rad * std::cos(lat) * std::cos(lon), rad * std::sin(lat), rad * std::cos(lat) * std::sin(lon)};
    };
    for (int i = 0; i < stacks; ++i) {
        float lat0 = kPi * (float(i) / float(stacks) - 0.5f);
        float lat1 = kPi * (float(i + 1) / float(stacks) - 0.5f);
        for (int j = 0; j < slices; ++j) {
            float lon0 = kTwoPi * float(j) / float(slices);
            float lon1 = kTwoPi * float(j + 1) / float(slices);
            F3 A = P(lat0, lon0), B = P(lat0, lon1), C = P(lat1, lon1), D = P(lat1, lon0);
            Push(verts, A, cr * s, cg * s, cb * s);
            Push(verts, B, cr * s, cg * s, cb * s);
            Push(verts, C, cr, cg, cb);
            Push(verts, A, cr * s, cg * s, cb * s);
            Push(verts, C, cr, cg, cb);
            Push(verts, D, cr * s, cg * s, cb * s);
        }
    }
}

void GenCylinder(std::vector<V3>& verts, int n, float r, float height) {
    const float h = height * 0.5f;
    const float sr = 0.175f, sg = 0.385f, sb = 0.42f;  // side
    const float cr = 0.25f, cg = 0.55f, cb = 0.6f;     // caps
    for (int i = 0; i < n; ++i) {
        float a0 = kTwoPi * float(i) / float(n), a1 = kTwoPi * float(i + 1) / float(n);
        float x0 = r * std::cos(a0), z0 = r * std::sin(a0);
        float x1 = r * std::cos(a1), z1 = r * std::sin(a1);
        Push(verts, {x0, h, z0}, sr, sg, sb);
        Push(verts, {x1, h, z1}, sr, sg, sb);
        Push(verts, {x1, -h, z1}, sr, sg, sb);
        Push(verts, {x0, h, z0}, sr, sg, sb);
        Push(verts, {x1, -h, z1}, sr, sg, sb);
        Push(verts, {x0, -h, z0}, sr, sg, sb);
        Push(verts, {0, h, 0}, cr, cg, cb);
        Push(verts, {x0, h, z0}, cr, cg, cb);
        Push(verts, {x1, h, z1}, cr, cg, cb);
        Push(verts, {0, -h, 0}, cr, cg, cb);
        Push(verts, {x1, -h, z1}, cr, cg, cb);
        Push(verts, {x0, -h, z0}, cr, cg, cb);
    }
}

void GenCone(std::vector<V3>& verts, int n, float r, float height) {
    const float h = height * 0.5f;
    const float dr = 0.595f, dg = 0.28f, db = 0.21f;  // rim of the side
    const float lr = 0.85f, lg = 0.4f, lb = 0.3f;     // apex and base
    for (int i = 0; i < n; ++i) {
        float a0 = kTwoPi * float(i) / float(n), a1 = kTwoPi * float(i + 1) / float(n);
        float x0 = r * std::cos(a0), z0 = r * std::sin(a0);
        float x1 = r * std::cos(a1), z1 = r * std::sin(a1);
        Push(verts, {x0, -h, z0}, dr, dg, db);
        Push(verts, {x1, -h, z1}, dr, dg, db);
        Push(verts, {0, h, 0}, lr, lg, lb);
        Push(verts, {0, -h, 0}, lr, lg, lb);
        Push(verts, {x1, -h, z1}, lr, lg, lb);
        Push(verts, {x0, -h, z0}, lr, lg, lb);
    }
}

void GenTorus(std::vector<V3>& verts, int M, int N, float R, float r) {
    const float cr = 0.45f, cg = 0.35f, cb = 0.7f, s = 0.7f;
    auto P = [R, r](float u, float v) {
        return F3{(R + r * std::cos(v)) * std::cos(u), r * std::sin(v), (R + r * std::cos(v)) * std::sin(u)};
    };
    for (int i = 0; i < M; ++i) {
        float a0 = kTwoPi * float(i) / float(M), a1 = kTwoPi * float(i + 1) / float(M);
        for (int j = 0; j < N; ++j) {
            float b0 = kTwoPi * float(j) / float(N), b1 = kTwoPi * float(j + 1) / float(N);
            F3 p00 = P(a0, b0), p10 = P(a1, b0), p11 = P(a1, b1), p01 = P(a0, b1);
            Push(verts, p00, cr * s, cg * s, cb * s);
            Push(verts, p10, cr, cg, cb);
            Push(verts, p11, cr, cg, cb);
            Push(verts, p00, cr * s, cg * s, cb * s);
            Push(verts, p11, cr, cg, cb);
            Push(verts, p01, cr * s, cg * s, cb * s);
        }
    }
}

void GenPlaneGeo(std::vector<V3>& verts, float a) {
    const float c = 0.19f, y = 0.01f;
    Push(verts, {-a, y, -a}, c, c, c);
    Push(verts, {a, y, a}, c, c, c);
    Push(verts, {a, y, -a}, c, c, c);
    Push(verts, {-a, y, -a}, c, c, c);
    Push(verts, {-a, y, a}, c, c, c);
    Push(verts, {a, y, a}, c, c, c);
}

void GenPrimitiveShape(std::vector<V3>& verts, int shape) { GenPrimitiveShape(verts, shape, 0.18f, 0.42f, 0.75f); }

void GenPrimitiveShape(std::vector<V3>& verts, int shape, float cubeR, float cubeG, float cubeB) {
    switch (shape) {
    case kShapeCube: GenCube(verts, 0.5f, cubeR, cubeG, cubeB); break;
    case kShapeSphere: GenSphere(verts, 20, 20, 0.5f); break;
    case kShapeCylinder: GenCylinder(verts, 20, 0.5f, 1.0f); break;
    case kShapeCone: GenCone(verts, 20, 0.5f, 1.0f); break;
    case kShapeTorus: GenTorus(verts, 32, 16, 0.5f, 0.15f); break;
    case kShapePlane: GenPlaneGeo(verts, 5.0f); break;
    default: break;
    }
}

void GenGridLines(std::vector<V3>& verts) {
    for (int i = -50; i <= 50; ++i) {
        float c = 1.0f - 0.85f * std::fabs(float(i) / 50.0f);
        float r = 0.15f * c, g = 0.16f * c, b = 0.2f * c;
        float fi = float(i);
        Push(verts, {fi, 0.02f, -50}, r, g, b);
        Push(verts, {fi, 0.02f, 50}, r, g, b);
        Push(verts, {-50, 0.02f, fi}, r, g, b);
        Push(verts, {50, 0.02f, fi}, r, g, b);
    }
}

void GenAxisLines(std::vector<V3>& verts) {
    const F3 o{0, 0.03f, 0};
    Push(verts, o, 1.0f, 0.25f, 0.25f);
    Push(verts, {5, 0.03f, 0}, 1.0f, 0.25f, 0.25f);
    Push(verts, o, 0.25f, 1.0f, 0.25f);
    Push(verts, {0, 5, 0}, 0.25f, 1.0f, 0.25f);
    Push(verts, o, 0.25f, 0.35f, 1.0f);
    Push(verts, {0, 0.03f, 5}, 0.25f, 0.35f, 1.0f);
}

void GenGizmoArrow(std::vector<V3>& verts, const float (&axis)[3], float r, float g, float b, float sr, float sl,
                   float hr, float hl) {
    F3 d{axis[0], axis[1], axis[2]}, u, v;
    GizmoFrame(d, u, v);
    const F3 E = d * sl;
    const F3 tip = d * (sl + hl);
    const float s = 0.85f;
    for (int k = 0; k < 6; ++k) {
        float t0 = kTwoPi * float(k) / 6.0f, t1 = kTwoPi * float(k + 1) / 6.0f;
        F3 p0 = Ring(u, v, t0) * sr, p1 = Ring(u, v, t1) * sr;
        Push(verts, p0, r * s, g * s, b * s);
        Push(verts, p0 + E, r * s, g * s, b * s);
        Push(verts, p1 + E, r * s, g * s, b * s);
        Push(verts, p0, r * s, g * s, b * s);
        Push(verts, p1 + E, r * s, g * s, b * s);
        Push(verts, p1, r * s, g * s, b * s);
    }
    for (int k = 0; k < 6; ++k) {
        float t0 = kTwoPi * float(k) / 6.0f, t1 = kTwoPi * float(k + 1) / 6.0f;
        Push(verts, E + Ring(u, v, t0) * hr, r, g, b);
        Push(verts, E + Ring(u, v, t1) * hr, r, g, b);
        Push(verts, tip, r, g, b);
    }
}

void GenGizmoRing(std::vector<V3>& verts, const float (&axis)[3], float r, float g, float b, int n) {
    F3 d{axis[0], axis[1], axis[2]}, u, v;
    GizmoFrame(d, u, v);
    const float radius = 0.58f, s = 0.9f;
    const F3 t = d * 0.03f;
    for (int k = 0; k < n; ++k) {
        float t0 = kTwoPi * float(k) / float(n), t1 = kTwoPi * float(k + 1) / float(n);
        F3 P0 = Ring(u, v, t0) * radius, P1 = Ring(u, v, t1) * radius;
        Push(verts, P0 - t, r * s, g * s, b * s);
        Push(verts, P0 + t, r, g, b);
        Push(verts, P1 + t, r, g, b);
        Push(verts, P0 - t, r * s, g * s, b * s);
        Push(verts, P1 + t, r, g, b);
        Push(verts, P1 - t, r * s, g * s, b * s);
    }
}

void GenGizmoScaleCube(std::vector<V3>& verts, const float (&axis)[3], float r, float g, float b) {
    F3 d{axis[0], axis[1], axis[2]}, u, v;
    GizmoFrame(d, u, v);
    const F3 centre = d * 0.82f;
    const float e = 0.07f;
    static const int sign[8][3] = {{-1, -1, -1}, {1, -1, -1}, {1, 1, -1}, {-1, 1, -1},
                                   {-1, -1, 1},  {1, -1, 1},  {1, 1, 1},  {-1, 1, 1}};
    F3 corner[8];
    for (int k = 0; k < 8; ++k) {
        corner[k] = centre + (u * float(sign[k][0]) + v * float(sign[k][1]) + d * float(sign[k][2])) * e;
    }
    static const int tris[12][3] = {{0, 1, 2}, {0, 2, 3}, {4, 5, 6}, {4, 6, 7}, {0, 1, 5}, {0, 5, 4},
                                    {1, 2, 6}, {1, 6, 5}, {2, 3, 7}, {2, 7, 6}, {3, 0, 4}, {3, 4, 7}};
    for (const auto& t : tris) {
        for (int k : t) Push(verts, corner[k], r, g, b);
    }
}

void RepairMissingNormals(std::vector<V3>& verts) {
    auto zero = [](const V3& v) {
        return std::fabs(v.normal[0]) <= 1e-4f && std::fabs(v.normal[1]) <= 1e-4f && std::fabs(v.normal[2]) <= 1e-4f;
    };
    for (size_t i = 0; i + 2 < verts.size(); i += 3) {
        V3& a = verts[i];
        V3& b = verts[i + 1];
        V3& c = verts[i + 2];
        if (!zero(a) || !zero(b) || !zero(c)) continue;
        F3 p0{a.pos[0], a.pos[1], a.pos[2]}, p1{b.pos[0], b.pos[1], b.pos[2]}, p2{c.pos[0], c.pos[1], c.pos[2]};
        F3 n = (p1 - p0).cross(p2 - p0).norm();
        if (n.len() < 0.001f) n = {0, 1, 0};
        for (V3* t : {&a, &b, &c}) {
            t->normal[0] = n.x;
            t->normal[1] = n.y;
            t->normal[2] = n.z;
        }
    }
}
