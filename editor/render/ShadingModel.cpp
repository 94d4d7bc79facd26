#include "editor/render/ShadingModel.h"

#include <algorithm>
#include <cmath>

namespace {

using V = ShadeVec3;

V Add(V a, V b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
V Sub(V a, V b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
V Mul(V a, V b) { return {a.x * b.x, a.y * b.y, a.z * b.z}; }
V Scale(V a, float s) { return {a.x * s, a.y * s, a.z * s}; }
float Dot(V a, V b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
float Len(V a) { return std::sqrt(Dot(a, a)); }
V Mix(V a, V b, float t) { return Add(Scale(a, 1 - t), Scale(b, t)); }
float Clamp(float v, float lo, float hi) { return std::min(std::max(v, lo), hi); }
float Smoothstep(float e0, float e1, float x) {
    float t = Clamp((x - e0) / (e1 - e0), 0, 1);
    return t * t * (3 - 2 * t);
}

V SafeNormalize(V v, V fallback) {
    float m = std::max({std::fabs(v.x), std::fabs(v.y), std::fabs(v.z)});
    if (!(m > 1e-30f) || !std::isfinite(m)) return fallback;
    v = Scale(v, 1 / m);
    return Scale(v, 1 / Len(v));
}

float Aces(float c) { return Clamp((c * (2.51f * c + 0.03f)) / (c * (2.43f * c + 0.59f) + 0.14f), 0, 1); }

} // namespace

ShadeOutput ShadeFragment(const ShadeInput& in) {
    const float pi = 3.14159265f;
    V n = SafeNormalize(in.normal, {0, 1, 0});
    V v = SafeNormalize(Sub(in.cameraPos, in.worldPos), {0, 0, 1});

    V albedo = Mul({in.matColor[0], in.matColor[1], in.matColor[2]}, in.vertexColor);
    albedo = {std::max(albedo.x, 0.001f), std::max(albedo.y, 0.001f), std::max(albedo.z, 0.001f)};
    if (!in.lit) return {albedo.x, albedo.y, albedo.z, in.matColor[3]};

    float roughness = Clamp(in.roughness, 0.02f, 1);
    float metallic = Clamp(in.metallic, 0, 1);
    V f0 = Mix({0.04f, 0.04f, 0.04f}, albedo, metallic);
    float a = std::max(roughness * roughness, 0.001f);
    float a2 = a * a;
    float k = (roughness + 1) * (roughness + 1) / 8;

    V lo{};
    int count = std::min(in.lightCount, 32);
    for (int i = 0; i < count; ++i) {
        const ShadeLight& light = in.lights[i];
        V l;
        float attenuation = 1;
        if (light.type == 0) {
            l = SafeNormalize(Scale(light.dir, -1), {0, 1, 0});
        } else {
            V toLight = Sub(light.pos, in.worldPos);
            float d = Len(toLight);
            l = Scale(toLight, 1 / std::max(d, 0.0001f));
            float range = std::max(light.range, 0.01f);
            float x = Clamp(1 - d / range, 0, 1);
            attenuation = (x * x * x * x) / std::max(d * d, 0.04f);
            if (light.type == 2) {
                V sd = SafeNormalize(light.dir, {0, 0, -1});
                attenuation *=
                    Smoothstep(light.spotCos - light.spotSoft, light.spotCos, Dot(sd, Scale(l, -1)));
            }
        }
        float ndotl = std::max(Dot(n, l), 0.0f);
        if (ndotl <= 0) continue;
        V h = SafeNormalize(Add(v, l), n);
        float ndotv = std::max(Dot(n, v), 0.001f);
        float ndoth = std::max(Dot(n, h), 0.001f);
        float vdoth = std::max(Dot(v, h), 0.001f);
        float dd = ndoth * ndoth * (a2 - 1) + 1;
        float dTerm = a2 / (pi * dd * dd);
        float g = (ndotv / (ndotv * (1 - k) + k)) * (ndotl / (ndotl * (1 - k) + k));
        float fw = std::pow(1 - vdoth, 5.0f);
        V f = Add(f0, Scale(Sub({1, 1, 1}, f0), fw));
        V specular = Scale(f, dTerm * g / std::max(4 * ndotv * ndotl, 0.001f));
        V kd = Scale(Sub({1, 1, 1}, f), 1 - metallic);

        float s = 1;
        if (i == 0 && light.type == 0) s = in.shadowFactor;
        s = 1 + (s - 1) * Clamp(in.shadowSoftness, 0, 1);
        s = s + (s * s - s) * Clamp(in.contactShadowStrength, 0, 1);

        V radiance = Scale(light.color, light.intensity * attenuation * s);
        V brdf = Add(Scale(Mul(kd, albedo), 1 / pi), specular);
        lo = Add(lo, Scale(Mul(brdf, radiance), ndotl));
    }

    float skyT = Clamp(n.y * 0.5f + 0.5f, 0, 1);
    V sky = Mix(in.skyHorizon, in.skyTop, skyT);
    V envSpec = Scale(Mul(sky, f0), (1 - roughness) * 0.35f);
    // Without an AO map ao = 1, so the occlusion strength has no effect.
    V ambient = Add(Add(Mul(albedo, in.ambientColor), Scale(Mul(albedo, sky), 0.22f)), envSpec);

    V colour = Add(Add(ambient, lo), in.emissive);

    float luma = Dot(colour, {0.2126f, 0.7152f, 0.0722f});
    V over{std::max(colour.x - 1, 0.0f), std::max(colour.y - 1, 0.0f), std::max(colour.z - 1, 0.0f)};
    colour = Add(colour, Add(Scale(over, in.bloomIntensity),
                             Scale(colour, Smoothstep(1, 4, luma) * in.bloomIntensity * 0.18f)));

    float fog = 1 - std::exp(-in.fogDensity * Len(Sub(in.cameraPos, in.worldPos)));
    colour = Mix(colour, in.fogColor, Clamp(fog, 0, 0.92f));

    V c = Scale(colour, in.exposure);
    c = {Aces(c.x), Aces(c.y), Aces(c.z)};
    const float inv = 1 / 2.2f;
    return {std::pow(c.x, inv), std::pow(c.y, inv), std::pow(c.z, inv), 1};
}

uint8_t ShadeToByte(float v) {
    if (!(v > 0)) return 0;
    if (v >= 1) return 255;
    return uint8_t(std::lround(v * 255.0f));
}
