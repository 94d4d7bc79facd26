#pragma once
// The lit forward pass's per-frame and per-draw calls on g_shader: light and
// environment upload, matrices, material binding rules and the mesh-renderer
// draws. The lit program must be in use. Main thread only.
//
//   UploadLighting(eye)           camera, environment, up to 32 lights
//   SetMVP / SetModelLit          matrices; SetModelLit resets the material
//   SetRenderMaterial             colour/metallic/roughness, maps off
//   BindTexUnit                   texture (or fallback) on a unit + sampler
//   SetPrimitiveMaterialUniforms  default material, or the entity's override
//   SetImportedMaterialUniforms   a model slot's material, or the override
//   DrawMeshRendererLit / Unlit   one renderer (primitive or imported model)
//   SetLineWidth                  glLineWidth within what the context allows
//
// Imported models are drawn through g_drawImportedPartsFn, installed by the
// imported-model cache. A model that cannot be drawn is logged once and then
// skipped until its file changes (g_failedModelLoads).

#include "editor/legacy/scene/Entity.h"
#include "editor/legacy/base/LoadFailureMemo.h"
#include "editor/render/ImportedMaterial.h"
#include "editor/render/RenderMath.h"

void UploadLighting(Vec3 eye);
void SetMVP(const Mat4& mvp);
void SetModelLit(const Mat4& model, bool lit, const Material* m);
void SetRenderMaterial(const Material* m);
void BindTexUnit(int unit, unsigned tex, unsigned fallback, int location);
void SetPrimitiveMaterialUniforms(const Material* m);
void SetImportedMaterialUniforms(const ImportedMaterial& im, const Material* override);
void DrawMeshRendererLit(const MeshRenderer& mr, const Mat4& model, const Mat4& mvp, const Material* m);
void DrawMeshRendererUnlit(const MeshRenderer& mr, const Mat4& model, const Mat4& mvp);
void SetLineWidth(float width);

// Between these two calls (BeginLitPass/EndLitPass make them) material
// uniforms and texture bindings that did not change are not sent again. Code
// that binds textures on units 1..7 or uploads material uniforms itself in a
// pass must call BeginLitPassState again afterwards.
void BeginLitPassState();
void EndLitPassState();

// Loads (or finds) the model named by mr.modelPath and draws the parts mr
// selects; with lit set, each part's material goes through
// SetImportedMaterialUniforms(slot, override). Returns false when the model
// cannot be loaded. Null until the imported-model cache installs it.
using DrawImportedPartsFn = bool (*)(const MeshRenderer& mr, const Material* override, bool lit);
extern DrawImportedPartsFn g_drawImportedPartsFn;
extern LoadFailureMemo g_failedModelLoads;

// Draws an imported renderer through the hook, or logs "Imported model
// failed, NOT drawing cube fallback: %s" once per path and file state.
bool DrawImportedRenderer(const MeshRenderer& mr, const Material* override, bool lit);

// The material values the lit program receives for a slot and an optional
// override, before textures are bound (pure; exposed for tests).
struct ResolvedMaterial {
    float color[4];
    float metallic, roughness;
    float emissive[3];
    float normalScale, heightScale;
};
ResolvedMaterial ResolveMaterialValues(const ImportedMaterial& im, const Material* override);

// The texture name for a material path (0 while loading or on failure).
unsigned ResolveRenderTexture(const char* path, bool srgb);
