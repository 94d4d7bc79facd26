#include "editor/render/LitPass.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <string>

#include "editor/legacy/base/EditorLog.h"
#include "editor/legacy/base/ProjectPaths.h"
#include "editor/assets/Textures.h"
#include "editor/legacy/scene/EntityStore.h"
#include "editor/render/GL.h"
#include "editor/render/Meshes.h"
#include "editor/render/Programs.h"

DrawImportedPartsFn g_drawImportedPartsFn = nullptr;
LoadFailureMemo g_failedModelLoads;

namespace {

// Locations of the per-frame lighting uniforms, looked up on the first
// upload after the lit program was (re)created; -2 = not looked up yet.
struct LightingLocations {
    unsigned program = 0;
    int ambientColor = -2, exposure = -2, skyTop = -2, skyHorizon = -2, fogColor = -2, fogDensity = -2,
        shadowSoftness = -2, ambientOcclusion = -2, bloomIntensity = -2, contactShadowStrength = -2,
        lightCount = -2;
    int type[kMaxLightSlots], pos[kMaxLightSlots], dir[kMaxLightSlots], color[kMaxLightSlots],
        intensity[kMaxLightSlots], range[kMaxLightSlots], spotCos[kMaxLightSlots], spotSoft[kMaxLightSlots];
};
LightingLocations s_light;

void LookupLightingLocations() {
    const unsigned p = g_shader;
    s_light.program = p;
    s_light.ambientColor = glGetUniformLocation(p, "uAmbientColor");
    s_light.exposure = glGetUniformLocation(p, "uExposure");
    s_light.skyTop = glGetUniformLocation(p, "uSkyTopColor");
    s_light.skyHorizon = glGetUniformLocation(p, "uSkyHorizonColor");
    s_light.fogColor = glGetUniformLocation(p, "uFogColor");
    s_light.fogDensity = glGetUniformLocation(p, "uFogDensity");
    s_light.shadowSoftness = glGetUniformLocation(p, "uShadowSoftness");
    s_light.ambientOcclusion = glGetUniformLocation(p, "uAmbientOcclusion");
    s_light.bloomIntensity = glGetUniformLocation(p, "uBloomIntensity");
    s_light.contactShadowStrength = glGetUniformLocation(p, "uContactShadowStrength");
    s_light.lightCount = glGetUniformLocation(p, "uLightCount");
    char name[64];
    for (int i = 0; i < kMaxLightSlots; ++i) {
        std::snprintf(name, sizeof name, "uLightType[%d]", i);
        s_light.type[i] = glGetUniformLocation(p, name);
        std::snprintf(name, sizeof name, "uLightPos[%d]", i);
        s_light.pos[i] = glGetUniformLocation(p, name);
        std::snprintf(name, sizeof name, "uLightDir[%d]", i);
        s_light.dir[i] = glGetUniformLocation(p, name);
        std::snprintf(name, sizeof name, "uLightColor[%d]", i);
        s_light.color[i] = glGetUniformLocation(p, name);
        std::snprintf(name, sizeof name, "uLightIntensity[%d]", i);
        s_light.intensity[i] = glGetUniformLocation(p, name);
        std::snprintf(name, sizeof name, "uLightRange[%d]", i);
        s_light.range[i] = glGetUniformLocation(p, name);
        std::snprintf(name, sizeof name, "uLightSpotCos[%d]", i);
        s_light.spotCos[i] = glGetUniformLocation(p, name);
        std::snprintf(name, sizeof name, "uLightSpotSoft[%d]", i);
        s_light.spotSoft[i] = glGetUniformLocation(p, name);
    }
}

void Uniform3(int loc, const Vec3& v) {
    if (loc >= 0) glUniform3f(loc, v.x, v.y, v.z);
}
void Uniform1f(int loc, float v) {
    if (loc >= 0) glUniform1f(loc, v);
}
void Uniform1i(int loc, int v) {
    if (loc >= 0) glUniform1i(loc, v);
}

void DrawShapeTriangles(int shape) {
    if (shape < 0 || shape >= kPrimitiveShapeCount) shape = 0;
    const ShapeGeo& geo = g_shapes[shape];
    if (!geo.vao || geo.count <= 0) return;
    glBindVertexArray(geo.vao);
    glDrawArrays(GL_TRIANGLES, 0, geo.count);
}

// What the lit program and texture units hold during one lit pass, so the
// per-draw material set-up only sends what changed (state changes cost far
// more than the draws themselves under a software rasteriser). Valid only
// between BeginLitPassState and EndLitPassState; outside a pass everything is
// sent as asked.
struct LitStateCache {
    bool valid = false;
    unsigned program = 0;
    bool haveMaterial = false;
    float color[4] = {};
    float metallic = 0, roughness = 0, emissive[3] = {}, normalScale = 0, heightScale = 0;
    int use[6] = {};
    int lit = -1;
    unsigned tex[8] = {};
    bool texKnown[8] = {};
    bool samplerSet[8] = {};
};
LitStateCache s_cache;

bool CacheOn() { return s_cache.valid && s_cache.program == g_shader; }

void SendLit(int lit) {
    if (CacheOn() && s_cache.lit == lit) return;
    Uniform1i(g_uLit, lit);
    s_cache.lit = lit;
}

void SendMaterial(const float color[4], float metallic, float roughness, const float emissive[3], float normalScale,
                  float heightScale, const int use[6]) {
    const bool on = CacheOn() && s_cache.haveMaterial;
    LitStateCache& c = s_cache;
    if (!on || c.color[0] != color[0] || c.color[1] != color[1] || c.color[2] != color[2] || c.color[3] != color[3]) {
        if (g_uMatColor >= 0) glUniform4f(g_uMatColor, color[0], color[1], color[2], color[3]);
    }
    if (!on || c.metallic != metallic) Uniform1f(g_uMatMetallic, metallic);
    if (!on || c.roughness != roughness) Uniform1f(g_uMatRoughness, roughness);
    if (!on || c.emissive[0] != emissive[0] || c.emissive[1] != emissive[1] || c.emissive[2] != emissive[2]) {
        if (g_uMatEmissive >= 0) glUniform3f(g_uMatEmissive, emissive[0], emissive[1], emissive[2]);
    }
    if (!on || c.normalScale != normalScale) Uniform1f(g_uNormalScale, normalScale);
    if (!on || c.heightScale != heightScale) Uniform1f(g_uHeightScale, heightScale);
    const int locs[6] = {g_uUseAlbedoMap, g_uUseNormalMap, g_uUseMRMap, g_uUseAOMap, g_uUseEmissiveMap, g_uUseHeightMap};
    for (int i = 0; i < 6; ++i) {
        if (!on || c.use[i] != use[i]) Uniform1i(locs[i], use[i]);
    }
    for (int i = 0; i < 4; ++i) c.color[i] = color[i];
    c.metallic = metallic;
    c.roughness = roughness;
    for (int i = 0; i < 3; ++i) c.emissive[i] = emissive[i];
    c.normalScale = normalScale;
    c.heightScale = heightScale;
    for (int i = 0; i < 6; ++i) c.use[i] = use[i];
    c.haveMaterial = true;
}

bool IsImportedRenderer(const MeshRenderer& mr) { return mr.shape == MeshShape_Custom && mr.modelPath[0] != '\0'; }

float Positive(float v, float fallback) { return std::max(FiniteOr(v, fallback), 0.0f); }

} // namespace

void UploadLighting(Vec3 eye) {
    if (!g_shader) return;
    if (s_light.program != g_shader || s_light.lightCount == -2) LookupLightingLocations();

    const LightingEnv env = CurrentLightingEnv();
    if (g_uCameraPos >= 0 && IsFinite(eye)) glUniform3f(g_uCameraPos, eye.x, eye.y, eye.z);
    Uniform3(s_light.ambientColor, env.ambient);
    Uniform1f(s_light.exposure, env.exposure);
    Uniform3(s_light.skyTop, env.skyTop);
    Uniform3(s_light.skyHorizon, env.skyHorizon);
    Uniform3(s_light.fogColor, env.fogColor);
    Uniform1f(s_light.fogDensity, env.fogDensity);
    Uniform1f(s_light.shadowSoftness, env.shadowSoftness);
    Uniform1f(s_light.ambientOcclusion, env.ambientOcclusion);
    Uniform1f(s_light.bloomIntensity, env.bloomIntensity);
    Uniform1f(s_light.contactShadowStrength, env.contactShadowStrength);

    LightSlot slots[kMaxLightSlots];
    const int n = CollectLightSlots(g_ents, g_engine.maxLights, slots);
    for (int j = 0; j < n; ++j) {
        const LightSlot& s = slots[j];
        Uniform1i(s_light.type[j], s.type);
        Uniform3(s_light.pos[j], s.pos);
        Uniform3(s_light.dir[j], s.dir);
        Uniform3(s_light.color[j], s.color);
        Uniform1f(s_light.intensity[j], s.intensity);
        Uniform1f(s_light.range[j], s.range);
        Uniform1f(s_light.spotCos[j], s.spotCos);
        Uniform1f(s_light.spotSoft[j], s.spotSoft);
    }
    Uniform1i(s_light.lightCount, n);
}

void SetMVP(const Mat4& mvp) {
    if (g_uMVP >= 0) glUniformMatrix4fv(g_uMVP, 1, GL_FALSE, mvp.m);
}

void SetModelLit(const Mat4& model, bool lit, const Material* m) {
    if (g_uModel >= 0) glUniformMatrix4fv(g_uModel, 1, GL_FALSE, model.m);
    SendLit(lit ? 1 : 0);
    SetRenderMaterial(lit ? m : nullptr);
}

void SetRenderMaterial(const Material* m) {
    float color[4] = {1, 1, 1, 1};
    float metallic = 0.0f, roughness = 0.55f;
    if (m) {
        const ImportedMaterial none;
        const ResolvedMaterial r = ResolveMaterialValues(none, m);
        for (int i = 0; i < 4; ++i) color[i] = r.color[i];
        metallic = r.metallic;
        roughness = r.roughness;
    }
    const float black[3] = {0, 0, 0};
    const int off[6] = {0, 0, 0, 0, 0, 0};
    SendMaterial(color, metallic, roughness, black, 1.0f, 0.0f, off);
}

void BindTexUnit(int unit, unsigned tex, unsigned fallback, int location) {
    const unsigned name = tex ? tex : fallback;
    const bool cached = CacheOn() && unit >= 0 && unit < 8;
    if (!cached || !s_cache.texKnown[unit] || s_cache.tex[unit] != name) {
        glActiveTexture(GL_TEXTURE0 + unsigned(unit));
        glBindTexture(GL_TEXTURE_2D, name);
        if (cached) {
            s_cache.tex[unit] = name;
            s_cache.texKnown[unit] = true;
        }
    }
    if (location >= 0 && (!cached || !s_cache.samplerSet[unit])) {
        glUniform1i(location, unit);
        if (cached) s_cache.samplerSet[unit] = true;
    }
}

void BeginLitPassState() {
    s_cache = LitStateCache();
    s_cache.valid = true;
    s_cache.program = g_shader;
}

void EndLitPassState() { s_cache = LitStateCache(); }

ResolvedMaterial ResolveMaterialValues(const ImportedMaterial& im, const Material* ov) {
    const Material def;
    ResolvedMaterial r;
    const Vec4& c = ov ? ov->baseColor : im.baseColor;
    const float cc[4] = {c.x, c.y, c.z, c.w};
    for (int i = 0; i < 4; ++i) r.color[i] = std::clamp(FiniteOr(cc[i], 1.0f), 0.0f, 1.0f);
    r.metallic = ClampFinite(ov ? ov->metallic : im.metallic, 0.0f, 1.0f, def.metallic);
    r.roughness = ClampFinite(ov ? ov->roughness : im.roughness, 0.0f, 1.0f, def.roughness);
    const Vec3& e = ov ? ov->emissive : im.emissive;
    r.emissive[0] = Positive(e.x, 0.0f);
    r.emissive[1] = Positive(e.y, 0.0f);
    r.emissive[2] = Positive(e.z, 0.0f);
    r.normalScale = ClampFinite(ov ? ov->normalScale : im.normalScale, 0.0f, 16.0f, def.normalScale);
    r.heightScale = ClampFinite(ov ? ov->heightScale : im.heightScale, 0.0f, 1.0f, def.heightScale);
    return r;
}

unsigned ResolveRenderTexture(const char* path, bool srgb) {
    if (!path || !path[0]) return 0;
    return GetTextureFileForRender(path, srgb);
}

void SetImportedMaterialUniforms(const ImportedMaterial& im, const Material* ov) {
    struct Map {
        unsigned tex;
        int useLoc, samplerLoc, unit;
        unsigned fallback;
    };
    Map maps[6];
    const char* overridePaths[6] = {};
    const char* ownPaths[6] = {im.albedoPath, im.normalPath, im.metallicRoughnessPath,
                               im.aoPath,     im.emissivePath, im.heightPath};
    const unsigned ownTex[6] = {im.albedoTex, im.normalTex,   im.metallicRoughnessTex,
                                im.aoTex,     im.emissiveTex, im.heightTex};
    const bool srgb[6] = {true, false, false, false, true, false};
    if (ov) {
        const char* p[6] = {ov->albedoTexture, ov->normalTexture,   ov->metallicRoughnessTexture,
                            ov->aoTexture,     ov->emissiveTexture, ov->heightTexture};
        for (int i = 0; i < 6; ++i) overridePaths[i] = p[i];
    }
    const int useLocs[6] = {g_uUseAlbedoMap, g_uUseNormalMap,   g_uUseMRMap,
                            g_uUseAOMap,     g_uUseEmissiveMap, g_uUseHeightMap};
    const int samplerLocs[6] = {g_uAlbedoMap, g_uNormalMap, g_uMRMap, g_uAOMap, g_uEmissiveMap, g_uHeightMap};
    const unsigned fallbacks[6] = {g_texWhite, g_texFlatNormal, g_texWhite, g_texWhite, g_texBlack, g_texBlack};
    // A first request can create the texture right here, which binds it
    // (and then 0) on the active unit. Make that the albedo unit, rebound
    // below, so the shadow map on unit 1 or a cached binding never changes
    // behind the pass's back.
    bool resolved = false;
    auto resolve = [&](const char* path, bool isSrgb) {
        if (!resolved) {
            glActiveTexture(GL_TEXTURE0 + kTexUnitAlbedo);
            resolved = true;
        }
        return ResolveRenderTexture(path, isSrgb);
    };
    for (int i = 0; i < 6; ++i) {
        unsigned tex = 0;
        if (ov) {
            // The override replaces the imported material entirely.
            if (overridePaths[i][0]) tex = resolve(overridePaths[i], srgb[i]);
        } else {
            tex = ownTex[i];
            if (!tex && ownPaths[i][0]) tex = resolve(ownPaths[i], srgb[i]);
        }
        maps[i] = {tex, useLocs[i], samplerLocs[i], kTexUnitAlbedo + i, fallbacks[i]};
    }
    if (resolved) s_cache.texKnown[kTexUnitAlbedo] = false;

    const ResolvedMaterial r = ResolveMaterialValues(im, ov);
    int use[6];
    for (int i = 0; i < 6; ++i) use[i] = maps[i].tex ? 1 : 0;
    SendMaterial(r.color, r.metallic, r.roughness, r.emissive, r.normalScale, r.heightScale, use);
    for (const Map& m : maps) BindTexUnit(m.unit, m.tex, m.fallback, m.samplerLoc);
}

void SetPrimitiveMaterialUniforms(const Material* m) {
    ImportedMaterial im;
    im.baseColor = Vec4(1, 1, 1, 1);
    im.metallic = 0.0f;
    im.roughness = 0.55f;
    im.emissive = Vec3(0, 0, 0);
    im.normalScale = 1.0f;
    im.heightScale = 0.03f;
    SetImportedMaterialUniforms(im, m);
}

bool DrawImportedRenderer(const MeshRenderer& mr, const Material* override, bool lit) {
    const std::string path = mr.modelPath;
    // Stored paths are Assets-relative: the file state is the resolved file's.
    const std::string file = ResolveProjectAssetPath(path.c_str());
    if (g_failedModelLoads.KnownFailure(path, file)) return false;
    if (g_drawImportedPartsFn) {
        // A first draw loads the model and its textures, binding them on the
        // active unit; keep that off the shadow map's unit and out of the
        // pass's idea of what is bound.
        glActiveTexture(GL_TEXTURE0 + kTexUnitAlbedo);
        s_cache.texKnown[kTexUnitAlbedo] = false;
        if (g_drawImportedPartsFn(mr, override, lit)) return true;
    }
    g_failedModelLoads.Remember(path, file);
    Log(4, "Imported model failed, NOT drawing cube fallback: %s", path.c_str());
    return false;
}

void DrawMeshRendererLit(const MeshRenderer& mr, const Mat4& model, const Mat4& mvp, const Material* m) {
    if (!g_shader || !IsFinite(mvp) || !IsFinite(model)) return;
    SetMVP(mvp);
    if (g_uModel >= 0) glUniformMatrix4fv(g_uModel, 1, GL_FALSE, model.m);
    SendLit(1);
    if (IsImportedRenderer(mr)) {
        DrawImportedRenderer(mr, m, true);
        return;
    }
    SetPrimitiveMaterialUniforms(m);
    DrawShapeTriangles(mr.shape);
}

void DrawMeshRendererUnlit(const MeshRenderer& mr, const Mat4& model, const Mat4& mvp) {
    if (!g_shader || !IsFinite(mvp) || !IsFinite(model)) return;
    SetPrimitiveMaterialUniforms(nullptr);
    SetMVP(mvp);
    if (g_uModel >= 0) glUniformMatrix4fv(g_uModel, 1, GL_FALSE, model.m);
    SendLit(0);
    if (IsImportedRenderer(mr)) {
        DrawImportedRenderer(mr, nullptr, false);
        return;
    }
    DrawShapeTriangles(mr.shape);
}

void SetLineWidth(float width) {
    // The limits belong to the context; tests and the editor each use one.
    static GLFWwindow* s_context = nullptr;
    static bool s_forwardCompatible = false;
    static float s_maxWidth = 1.0f;
    GLFWwindow* current = glfwGetCurrentContext();
    if (current != s_context) {
        s_context = current;
        GLint flags = 0;
        glGetIntegerv(GL_CONTEXT_FLAGS, &flags);
        s_forwardCompatible = (flags & GL_CONTEXT_FLAG_FORWARD_COMPATIBLE_BIT) != 0;
        GLfloat range[2] = {1.0f, 1.0f};
        glGetFloatv(GL_ALIASED_LINE_WIDTH_RANGE, range);
        s_maxWidth = range[1];
    }
    glLineWidth(ClampLineWidth(width, s_forwardCompatible, s_maxWidth));
}
