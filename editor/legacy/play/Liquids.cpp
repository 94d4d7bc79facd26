#include "editor/legacy/play/Liquids.h"

#include <algorithm>
#include <cmath>

#include "editor/legacy/play/Physics.h"
#include "editor/legacy/scene/EntityStore.h"

namespace {

float Fit(float v, float lo, float hi, float fallback) {
    if (!std::isfinite(v)) return fallback;
    return std::clamp(v, lo, hi);
}

float Finite(float v, float fallback) { return std::isfinite(v) ? v : fallback; }

void ActOnBody(const Entity& liquid, const LiquidSurface& L, Entity& b, float dt) {
    const float half = L.size * 0.5f;
    const Vec3& lp = liquid.transform.position;
    const Vec3& bp = b.transform.position;
    if (!(std::fabs(bp.x - lp.x) <= half) || !(std::fabs(bp.z - lp.z) <= half)) return;
    float h = 0.5f * std::fabs(Finite(b.transform.scale.y, 1.0f));
    if (b.hasCollider) h = std::max(0.05f, std::fabs(Finite(b.collider.size.y, 1.0f)) * 0.5f * std::fabs(Finite(b.transform.scale.y, 1.0f)));
    const float d = std::max(0.05f, L.depth);
    const float f = std::clamp((lp.y - (bp.y - h)) / (2.0f * h + d), 0.0f, 1.0f);
    if (!(f > 0.0f)) return;
    RigidBody& rb = b.rigidBody;
    if (L.buoyancy) {
        const float gravity = Fit(g_engine.gravity, 0.0f, 100.0f, 15.0f);
        const float mass = std::max(Finite(rb.mass, 1.0f), 0.001f);
        rb.velocity.y += gravity * 1.05f * LiquidTypeFactor(L.liquidType) * f * dt / mass;
    }
    const float c = 1.0f / (1.0f + (0.85f * L.viscosity + 0.35f * L.foam) * f * dt);
    rb.velocity.x = rb.velocity.x * c + L.flowX * f * dt * 3.0f;
    rb.velocity.z = rb.velocity.z * c + L.flowZ * f * dt * 3.0f;
    rb.velocity.y = rb.velocity.y / (1.0f + L.viscosity * f * dt * 0.45f);
}

}  // namespace

float LiquidTypeFactor(int32_t liquidType) {
    switch (liquidType) {
    case LiquidType_Lava: return 0.62f;
    case LiquidType_SlimeOil: return 1.35f;
    default: return 1.0f;
    }
}

LiquidSurface SanitizeLiquid(const LiquidSurface& in) {
    const LiquidSurface def;
    LiquidSurface L = in;
    if (L.liquidType < 0 || L.liquidType >= LiquidType_COUNT) L.liquidType = LiquidType_Water;
    L.size = Fit(in.size, 0.1f, 500.0f, def.size);
    L.depth = Fit(in.depth, 0.05f, 100.0f, def.depth);
    L.flowX = Fit(in.flowX, -10.0f, 10.0f, def.flowX);
    L.flowZ = Fit(in.flowZ, -10.0f, 10.0f, def.flowZ);
    L.foam = Fit(in.foam, 0.0f, 1.0f, def.foam);
    L.viscosity = Fit(in.viscosity, 0.0f, 20.0f, def.viscosity);
    L.liquidColor = Vec4(Fit(in.liquidColor.x, 0.0f, 1.0f, def.liquidColor.x), Fit(in.liquidColor.y, 0.0f, 1.0f, def.liquidColor.y),
                         Fit(in.liquidColor.z, 0.0f, 1.0f, def.liquidColor.z), Fit(in.liquidColor.w, 0.0f, 1.0f, def.liquidColor.w));
    return L;
}

void ApplyLiquidMaterialDefaults(Entity& e) {
    if (!e.hasMesh) {
        e.hasMesh = true;
        e.mesh = MeshRenderer();
        e.mesh.shape = MeshShape_Plane;
    }
    const LiquidSurface L = SanitizeLiquid(e.liquid);
    e.hasMaterial = true;
    e.material.baseColor = L.liquidColor;
    if (L.liquidType == LiquidType_Lava) {
        e.material.metallic = 0.3f;
        e.material.roughness = 0.6f;
    } else {
        e.material.metallic = 0.0f;
        e.material.roughness = 0.12f;
    }
}

void LiquidUpdateAll(float dt) {
    // The same frame clamp as physics: a long hitch must not fling bodies.
    dt = ClampPlayDt(dt);
    if (dt <= 0.0f) return;
    for (Entity& liquid : g_ents) {
        if (!liquid.enabled || !liquid.hasLiquid) continue;
        ApplyLiquidMaterialDefaults(liquid);
        const LiquidSurface L = SanitizeLiquid(liquid.liquid);
        liquid.transform.scale.x = std::max(0.1f, L.size);
        liquid.transform.scale.z = std::max(0.1f, L.size);
        for (Entity& b : g_ents) {
            if (b.id == liquid.id || !b.enabled || !b.hasRigidBody || b.rigidBody.isKinematic) continue;
            ActOnBody(liquid, L, b, dt);
        }
    }
}
