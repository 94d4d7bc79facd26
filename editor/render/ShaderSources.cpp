#include "editor/render/ShaderSources.h"

const char* const g_vert = R"GLSL(#version 150
in vec3 aPos;
in vec3 aColor;
in vec3 aNormal;
in vec2 aUV;
in vec4 aTangent;

uniform mat4 uMVP;
uniform mat4 uModel;
uniform mat4 uShadowMVP;

out vec3 vColor;
out vec3 vWorldPos;
out vec3 vNormal;
out vec2 vUV;
out vec4 vTangent;
out vec4 vShadowCoord;

// Scaling by the largest component first keeps tiny vectors from
// underflowing to a zero length; a zero or non-finite vector gives fallback.
vec3 safeNormalize(vec3 v, vec3 fallback) {
    float m = max(max(abs(v.x), abs(v.y)), abs(v.z));
    if (!(m > 1e-30) || isinf(m) || isnan(m)) return fallback;
    v /= m;
    return v / length(v);
}

void main() {
    vec4 wp = uModel * vec4(aPos, 1.0);
    gl_Position = uMVP * vec4(aPos, 1.0);
    vWorldPos = wp.xyz;

    // transpose(inverse(m)) equals the cofactor matrix divided by det(m).
    // The cofactor matrix stays finite when a scale axis is zero (where the
    // inverse would be NaN), and only the sign of det changes the direction,
    // so non-uniform and mirrored scales still get correct normals.
    mat3 m = mat3(uModel);
    mat3 cof = mat3(cross(m[1], m[2]), cross(m[2], m[0]), cross(m[0], m[1]));
    float det = dot(m[0], cof[0]);
    vNormal = safeNormalize(cof * aNormal * (det < 0.0 ? -1.0 : 1.0), vec3(0.0));
    vTangent = vec4(safeNormalize(m * aTangent.xyz, vec3(0.0)), aTangent.w);

    vColor = aColor;
    vUV = aUV;
    vShadowCoord = uShadowMVP * wp;
}
)GLSL";

const char* const g_frag = R"GLSL(#version 150
const int MAX_LIGHTS = 32;
const float PI = 3.14159265;

in vec3 vColor;
in vec3 vWorldPos;
in vec3 vNormal;
in vec2 vUV;
in vec4 vTangent;
in vec4 vShadowCoord;

out vec4 fragColor;

uniform int uLit;
uniform vec4 uMatColor;
uniform float uMatMetallic;
uniform float uMatRoughness;
uniform vec3 uMatEmissive;
uniform float uNormalScale;
uniform float uHeightScale;

uniform int uUseAlbedoMap;
uniform int uUseNormalMap;
uniform int uUseMRMap;
uniform int uUseAOMap;
uniform int uUseEmissiveMap;
uniform int uUseHeightMap;
uniform sampler2D uAlbedoMap;
uniform sampler2D uNormalMap;
uniform sampler2D uMetallicRoughnessMap;
uniform sampler2D uAOMap;
uniform sampler2D uEmissiveMap;
uniform sampler2D uHeightMap;
uniform sampler2DShadow uShadowMap;

uniform vec3 uCameraPos;
uniform vec3 uAmbientColor;
uniform vec3 uSkyTopColor;
uniform vec3 uSkyHorizonColor;
uniform vec3 uFogColor;
uniform float uExposure;
uniform float uFogDensity;
uniform float uShadowSoftness;
uniform float uAmbientOcclusion;
uniform float uBloomIntensity;
uniform float uContactShadowStrength;

uniform int uLightCount;
uniform int uLightType[MAX_LIGHTS];
uniform vec3 uLightPos[MAX_LIGHTS];
uniform vec3 uLightDir[MAX_LIGHTS];
uniform vec3 uLightColor[MAX_LIGHTS];
uniform float uLightIntensity[MAX_LIGHTS];
uniform float uLightRange[MAX_LIGHTS];
uniform float uLightSpotCos[MAX_LIGHTS];
uniform float uLightSpotSoft[MAX_LIGHTS];

vec3 safeNormalize(vec3 v, vec3 fallback) {
    float m = max(max(abs(v.x), abs(v.y)), abs(v.z));
    if (!(m > 1e-30) || isinf(m) || isnan(m)) return fallback;
    v /= m;
    return v / length(v);
}

vec3 anyOrthogonal(vec3 n) {
    vec3 axis = abs(n.y) < 0.99 ? vec3(0.0, 1.0, 0.0) : vec3(1.0, 0.0, 0.0);
    return normalize(cross(n, axis));
}

// A missing or degenerate tangent (zero-scaled axis, generated meshes that
// point it along the normal) must not turn the whole frame into NaN.
mat3 buildTBN(vec3 N) {
    vec3 T = vTangent.xyz;
    T = T - N * dot(N, T);
    T = safeNormalize(T, anyOrthogonal(N));
    float hand = vTangent.w < 0.0 ? -1.0 : 1.0;
    vec3 B = normalize(cross(N, T) * hand);
    return mat3(T, B, N);
}

float shadowFactor() {
    if (abs(vShadowCoord.w) < 1e-8) return 1.0;
    vec3 p = vShadowCoord.xyz / vShadowCoord.w * 0.5 + 0.5;
    // Outside the map, in front of its near plane or beyond its far plane:
    // nothing there was drawn into the map, so the fragment is lit.
    if (p.x < 0.0 || p.x > 1.0 || p.y < 0.0 || p.y > 1.0 || p.z < 0.0 || p.z > 1.0) return 1.0;
    vec3 ng = safeNormalize(vNormal, vec3(0.0, 1.0, 0.0));
    vec3 l = safeNormalize(-uLightDir[0], vec3(0.0, 1.0, 0.0));
    float bias = max(0.0008 * (1.0 - dot(ng, l)), 0.00015);
    vec2 texel = 1.0 / vec2(textureSize(uShadowMap, 0));
    float sum = 0.0;
    for (int x = -2; x <= 2; ++x) {
        for (int y = -2; y <= 2; ++y) {
            sum += texture(uShadowMap, vec3(p.xy + vec2(float(x), float(y)) * texel, p.z - bias));
        }
    }
    return sum / 25.0;
}

void main() {
    vec3 N = safeNormalize(vNormal, vec3(0.0, 1.0, 0.0));
    vec3 V = safeNormalize(uCameraPos - vWorldPos, vec3(0.0, 0.0, 1.0));

    vec2 uv = vUV;
    if (uUseHeightMap != 0 && uHeightScale > 0.00001) {
        vec3 vts = safeNormalize(transpose(buildTBN(N)) * V, vec3(0.0, 0.0, 1.0));
        if (abs(vts.z) >= 0.08) {
            float h = texture(uHeightMap, vUV).r;
            uv = vUV - (vts.xy / vts.z) * (h - 0.5) * uHeightScale;
        }
    }

    vec4 base = uMatColor;
    if (uUseAlbedoMap != 0) base *= texture(uAlbedoMap, uv);
    vec3 albedo = max(base.rgb * vColor, vec3(0.001));
    float alpha = base.a;

    if (uUseNormalMap != 0) {
        vec3 t = texture(uNormalMap, uv).xyz * 2.0 - 1.0;
        t.xy *= uNormalScale;
        N = safeNormalize(buildTBN(N) * t, N);
    }

    float roughness = clamp(uMatRoughness, 0.02, 1.0);
    float metallic = clamp(uMatMetallic, 0.0, 1.0);
    if (uUseMRMap != 0) {
        vec4 mr = texture(uMetallicRoughnessMap, uv);
        roughness = clamp(mr.g * uMatRoughness, 0.02, 1.0);
        metallic = clamp(mr.b * uMatMetallic, 0.0, 1.0);
    }
    float ao = 1.0;
    if (uUseAOMap != 0) ao = texture(uAOMap, uv).r;
    vec3 emissive = uMatEmissive;
    if (uUseEmissiveMap != 0) emissive += texture(uEmissiveMap, uv).rgb;

    if (uLit == 0) {
        fragColor = vec4(albedo, alpha);
        return;
    }

    vec3 F0 = mix(vec3(0.04), albedo, metallic);
    float a = max(roughness * roughness, 0.001);
    float a2 = a * a;
    float k = (roughness + 1.0) * (roughness + 1.0) / 8.0;
    vec3 Lo = vec3(0.0);
    int count = min(uLightCount, MAX_LIGHTS);
    for (int i = 0; i < count; ++i) {
        vec3 L;
        float attenuation = 1.0;
        if (uLightType[i] == 0) {
            L = safeNormalize(-uLightDir[i], vec3(0.0, 1.0, 0.0));
        } else {
            vec3 toLight = uLightPos[i] - vWorldPos;
            float d = length(toLight);
            L = toLight / max(d, 0.0001);
            float range = max(uLightRange[i], 0.01);
            float x = clamp(1.0 - d / range, 0.0, 1.0);
            attenuation = (x * x * x * x) / max(d * d, 0.04);
            if (uLightType[i] == 2) {
                vec3 sd = safeNormalize(uLightDir[i], vec3(0.0, 0.0, -1.0));
                attenuation *= smoothstep(uLightSpotCos[i] - uLightSpotSoft[i], uLightSpotCos[i], dot(sd, -L));
            }
        }
        float NdotL = max(dot(N, L), 0.0);
        if (NdotL <= 0.0) continue;
        vec3 H = safeNormalize(V + L, N);
        float NdotV = max(dot(N, V), 0.001);
        float NdotH = max(dot(N, H), 0.001);
        float VdotH = max(dot(V, H), 0.001);

        float dd = NdotH * NdotH * (a2 - 1.0) + 1.0;
        float D = a2 / (PI * dd * dd);
        float G = (NdotV / (NdotV * (1.0 - k) + k)) * (NdotL / (NdotL * (1.0 - k) + k));
        vec3 F = F0 + (1.0 - F0) * pow(1.0 - VdotH, 5.0);
        vec3 specular = D * G * F / max(4.0 * NdotV * NdotL, 0.001);
        vec3 kd = (vec3(1.0) - F) * (1.0 - metallic);

        float s = 1.0;
        if (i == 0 && uLightType[0] == 0) s = shadowFactor();
        s = mix(1.0, s, clamp(uShadowSoftness, 0.0, 1.0));
        s = mix(s, s * s, clamp(uContactShadowStrength, 0.0, 1.0));

        vec3 radiance = uLightColor[i] * uLightIntensity[i] * attenuation * s;
        Lo += (kd * albedo / PI + specular) * radiance * NdotL;
    }

    float skyT = clamp(N.y * 0.5 + 0.5, 0.0, 1.0);
    vec3 sky = mix(uSkyHorizonColor, uSkyTopColor, skyT);
    vec3 envSpec = sky * F0 * (1.0 - roughness) * 0.35;
    vec3 ambient = (albedo * uAmbientColor + albedo * sky * 0.22 + envSpec) *
                   mix(1.0, clamp(ao, 0.0, 1.0), clamp(uAmbientOcclusion, 0.0, 1.0));

    vec3 colour = ambient + Lo + emissive;

    float luma = dot(colour, vec3(0.2126, 0.7152, 0.0722));
    colour += max(colour - 1.0, 0.0) * uBloomIntensity + colour * smoothstep(1.0, 4.0, luma) * uBloomIntensity * 0.18;

    float f = 1.0 - exp(-uFogDensity * distance(uCameraPos, vWorldPos));
    colour = mix(colour, uFogColor, clamp(f, 0.0, 0.92));

    vec3 c = colour * uExposure;
    c = clamp((c * (2.51 * c + 0.03)) / (c * (2.43 * c + 0.59) + 0.14), 0.0, 1.0);
    c = pow(c, vec3(1.0 / 2.2));
    // Opaque: the UI shows off-screen targets as images, and a material's
    // alpha below 1 would let the window background show through meshes.
    fragColor = vec4(c, 1.0);
}
)GLSL";

const char* const g_shadowVert = R"GLSL(#version 150
in vec3 aPos;
uniform mat4 uShadowMVP;
void main() {
    gl_Position = uShadowMVP * vec4(aPos, 1.0);
}
)GLSL";

const char* const g_shadowFrag = R"GLSL(#version 150
void main() {
}
)GLSL";

const char* const g_particleVert = R"GLSL(#version 150
in vec3 aPos;
in vec4 aColor;
in float aSize;
uniform mat4 uMVP;
out vec4 vColor;
void main() {
    gl_Position = uMVP * vec4(aPos, 1.0);
    gl_PointSize = aSize;
    vColor = aColor;
}
)GLSL";

const char* const g_particleFrag = R"GLSL(#version 150
in vec4 vColor;
out vec4 fragColor;
void main() {
    float d = length(gl_PointCoord - vec2(0.5)) * 2.0;
    float alpha = 1.0 - smoothstep(0.0, 1.0, d);
    fragColor = vColor * vec4(1.0, 1.0, 1.0, alpha);
}
)GLSL";
