// The inspector's component sections, in the order the entity view draws
// them, and the scene lighting section below them.

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "imgui.h"

#include "editor/legacy/base/EditorLog.h"
#include "editor/legacy/base/ProjectPaths.h"
#include "editor/legacy/files/AssetKinds.h"
#include "editor/legacy/files/MaterialFile.h"
#include "editor/legacy/scene/EntityStore.h"
#include "editor/legacy/scripting/ScriptMeta.h"
#include "editor/ui/common/EditWidgets.h"
#include "editor/ui/common/EditorHooks.h"
#include "editor/ui/inspector/AssetPickers.h"
#include "editor/ui/inspector/InspectorLogic.h"
#include "editor/ui/inspector/InspectorPanel.h"

namespace {

void Labeled(const char* label) {
    ImGui::TextUnformatted(label);
    ImGui::SetNextItemWidth(-FLT_MIN);
}

void DragRow(const char* label, const char* id, float* v, float speed, float vmin, float vmax, const char* undo) {
    Labeled(label);
    EditFloat(id, v, speed, vmin, vmax, undo);
}

// A checkbox placed after the previous one when more than 150 pixels remain.
void SameLineIfRoom() {
    ImGui::SameLine();
    if (ImGui::GetContentRegionAvail().x <= 150.0f) ImGui::NewLine();
}

bool RemoveButton(const char* label, const char* undo, bool& flag) {
    if (!ImGui::SmallButton(label)) return false;
    RecordDiscreteEdit(undo);
    flag = false;
    return true;
}

void MeshSection(Entity& e) {
    if (!InspectorComponentHeader("Mesh Renderer", kAccentMesh, 0)) return;
    MeshRenderer& m = e.mesh;
    Labeled("Shape");
    EditCombo("##shape", &m.shape, g_meshNames, MeshShape_COUNT, "Change Mesh Shape");
    Labeled("Model");
    if (AssetPickerEdit("##model", m.modelPath, sizeof(m.modelPath), "Assets",
                        [](const char* n) { return IsMeshAsset(n); }, "Change Mesh Model") &&
        m.modelPath[0]) {
        m.shape = MeshShape_Custom;
        m.importedNode = -1;
    }
    InspectorDropTarget(e);
    if (m.shape == MeshShape_Custom && m.importedNode >= 0) {
        ImGui::TextDisabled("Imported scene node: %d", m.importedNode);
        if (m.importedMaterialSlot >= 0) ImGui::TextDisabled("Imported material slot: %d", m.importedMaterialSlot);
    }
    EditCheckbox("Visible", &m.visible, "Toggle Mesh Visibility");
    SameLineIfRoom();
    EditCheckbox("Cast Shadows", &m.castShadows, "Toggle Mesh Cast Shadows");
    RemoveButton("Remove Mesh Renderer##mesh", "Remove Mesh Renderer", e.hasMesh);
}

// Where "Save Material File" writes: the material's own path, resolved under
// the project's assets; never a path relative to the working directory.
bool MaterialSaveTarget(const char* path, std::string& out) {
    if (!path || !path[0] || std::strstr(path, "://")) return false;
    if (path[0] == '/') {
        out = path;
        return true;
    }
    if (!g_projectRoot[0]) return false;
    out = ResolveProjectAssetPath(path);
    return true;
}

void MaterialSection(Entity& e) {
    if (!InspectorComponentHeader("Material", kAccentMaterial, 0)) return;
    Material& m = e.material;
    EnsureMaterialDefaults(m);
    Labeled("Material Asset");
    {
        char choice[sizeof(m.path)];
        std::memcpy(choice, m.path, sizeof(choice));
        if (AssetCombo("##mat_asset", choice, sizeof(choice), g_projectRoot, "Assets",
                       [](const char* n) { return IsMaterialAsset(n); }) &&
            std::strcmp(choice, m.path) != 0) {
            RecordDiscreteEdit("Change Material");
            ApplyMaterialAssetChoice(m, choice);
        }
    }
    InspectorDropTarget(e);
    Labeled("Base Color");
    EditColor4("##mat_bc", &m.baseColor.x, "Change Material Base Color");
    DragRow("Metallic", "##mat_mt", &m.metallic, 0.01f, 0.0f, 1.0f, "Change Material Metallic");
    DragRow("Roughness", "##mat_rg", &m.roughness, 0.01f, 0.02f, 1.0f, "Change Material Roughness");
    TextureSlot("Albedo Texture", "mat_albedo", m.albedoTexture, sizeof(m.albedoTexture),
                "Change Material Albedo Texture");
    TextureSlot("Normal Texture", "mat_normal", m.normalTexture, sizeof(m.normalTexture),
                "Change Material Normal Texture");
    TextureSlot("Metallic/Roughness Texture", "mat_mr", m.metallicRoughnessTexture, sizeof(m.metallicRoughnessTexture),
                "Change Material Metallic/Roughness Texture");
    TextureSlot("Ambient Occlusion Texture", "mat_ao", m.aoTexture, sizeof(m.aoTexture), "Change Material AO Texture");
    TextureSlot("Emissive Texture", "mat_emissive", m.emissiveTexture, sizeof(m.emissiveTexture),
                "Change Material Emissive Texture");
    TextureSlot("Height/Displacement Texture", "mat_height", m.heightTexture, sizeof(m.heightTexture),
                "Change Material Height Texture");
    if (m.path[0]) {
        if (ImGui::Button("Save Material File", ImVec2(150, 0))) {
            std::string target;
            if (!MaterialSaveTarget(m.path, target)) Log(4, "Material save failed: %s (no project folder to save into)", m.path);
            else if (SaveMaterialAsset(m, target.c_str())) MarkSceneDirty();
        }
        ImGui::SameLine();
        if (ImGui::SmallButton("Reload Material")) {
            char path[sizeof(m.path)];
            std::memcpy(path, m.path, sizeof(path));
            RecordDiscreteEdit("Reload Material");
            ApplyMaterialAssetChoice(m, path);
        }
    }
    ImGui::TextDisabled("Drop a .mat file here from the Project Browser. Empty/new materials render white.");
    RemoveButton("Remove Material", "Remove Material", e.hasMaterial);
}

void RigidBodySection(Entity& e) {
    if (!InspectorComponentHeader("Rigid Body", kAccentRigidBody, 0)) return;
    RigidBody& r = e.rigidBody;
    DragRow("Mass", "##rb_mass", &r.mass, 0.1f, 0.01f, 10000.0f, "Change Rigid Body Mass");
    DragRow("Linear Drag", "##rb_ld", &r.linearDrag, 0.01f, 0.0f, FLT_MAX, "Change Linear Drag");
    DragRow("Angular Drag", "##rb_ad", &r.angularDrag, 0.01f, 0.0f, FLT_MAX, "Change Angular Drag");
    EditCheckbox("Use Gravity", &r.useGravity, "Toggle Use Gravity");
    SameLineIfRoom();
    EditCheckbox("Is Kinematic", &r.isKinematic, "Toggle Is Kinematic");
    RemoveButton("Remove Rigid Body##rb", "Remove Rigid Body", e.hasRigidBody);
}

void ColliderSection(Entity& e) {
    if (!InspectorComponentHeader("Collider", kAccentCollider, 0)) return;
    Collider& c = e.collider;
    Labeled("Shape");
    EditCombo("##col_shape", &c.shape, g_colliderShapeNames, ColliderShape_COUNT, "Change Collider Shape");
    EditVec3Plain("Size", &c.size, 0.05f, 0.01f, 100.0f, "Change Collider Size");
    EditVec3Plain("Center", &c.center, 0.05f, -50.0f, 50.0f, "Change Collider Center");
    EditCheckbox("Is Trigger", &c.isTrigger, "Toggle Is Trigger");
    DragRow("Bounciness", "##col_rest", &c.bounciness, 0.01f, 0.0f, 1.0f, "Change Bounciness");
    DragRow("Friction", "##col_fric", &c.friction, 0.01f, 0.0f, 1.0f, "Change Friction");
    if (ShowConvexHull(c)) EditCheckbox("Convex Hull", &c.convexHull, "Toggle Convex Hull");
    RemoveButton("Remove Collider##col", "Remove Collider", e.hasCollider);
}

constexpr const char* kScriptFieldUndo = "Change Script Field";

bool EntityMatchesFilter(const Entity& e, const char* filter) {
    if (!e.enabled) return false;
    if (!filter || !filter[0]) return true;
    if (std::strcmp(filter, "camera") == 0) return e.hasCamera;
    if (std::strcmp(filter, "light") == 0) return e.hasLight;
    if (std::strcmp(filter, "mesh") == 0) return e.hasMesh;
    return true;
}

void ScriptFieldWidget(ScriptField& f, int i) {
    char id[16];
    std::snprintf(id, sizeof(id), "##sf%d", i);
    std::string name = ScriptFieldDisplayName(f.fieldName);
    ImGui::TextUnformatted(name.c_str());
    ImGui::SetNextItemWidth(-FLT_MIN);
    switch (f.fieldType) {
    case ScriptFieldType_Float:
        EditFloat(id, &f.fieldValue, 0.1f, -FLT_MAX, FLT_MAX, kScriptFieldUndo);
        break;
    case ScriptFieldType_Int: {
        float v = f.fieldValue;
        int32_t whole = std::isfinite(v) ? int32_t(std::fmin(std::fmax(v, -99999.0f), 99999.0f)) : 0;
        int32_t before = whole;
        if (EditInt(id, &whole, 0.5f, -99999, 99999, kScriptFieldUndo) && whole != before) f.fieldValue = float(whole);
        break;
    }
    case ScriptFieldType_Text:
        EditText(id, f.stringValue, sizeof(f.stringValue), kScriptFieldUndo);
        break;
    case ScriptFieldType_Bool: {
        bool on = f.fieldValue > 0.5f;
        if (EditCheckbox(id, &on, kScriptFieldUndo)) f.fieldValue = on ? 1.0f : 0.0f;
        break;
    }
    case ScriptFieldType_Color:
        EditColor4(id, f.vectorValue, kScriptFieldUndo);
        break;
    case ScriptFieldType_Vector: {
        float w = std::fmax(40.0f, ImGui::GetContentRegionAvail().x / 3.0f - 8.0f);
        static const char* const axes[3] = {"X", "Y", "Z"};
        for (int k = 0; k < 3; ++k) {
            if (k > 0) ImGui::SameLine(0, 4);
            char axisId[24];
            std::snprintf(axisId, sizeof(axisId), "%s%s", axes[k], id);
            ImGui::SetNextItemWidth(w);
            EditFloat(axisId, &f.vectorValue[k], 0.1f, -FLT_MAX, FLT_MAX, kScriptFieldUndo);
        }
        break;
    }
    case ScriptFieldType_Choice: {
        std::vector<std::string> options = ScriptChoiceOptions(f.extraText);
        int current = ScriptFieldChoiceIndex(f);
        const char* preview = options.empty() ? "" : options[size_t(current)].c_str();
        if (ImGui::BeginCombo(id, preview)) {
            for (size_t k = 0; k < options.size(); ++k) {
                ImGui::PushID(int(k));
                bool selected = int(k) == current;
                if (ImGui::Selectable(options[k].c_str(), selected) && !selected) {
                    RecordDiscreteEdit(kScriptFieldUndo);
                    f.fieldValue = float(k);
                }
                if (selected) ImGui::SetItemDefaultFocus();
                ImGui::PopID();
            }
            ImGui::EndCombo();
        }
        break;
    }
    case ScriptFieldType_Entity: {
        int32_t current = ScriptFieldEntityId(f);
        const Entity* target = current >= 0 ? GetEnt(current) : nullptr;
        if (target && !EntityMatchesFilter(*target, f.extraText)) target = nullptr;
        if (ImGui::BeginCombo(id, target ? target->name : "None")) {
            std::vector<EntityRefCandidate> candidates = EntityRefCandidates(f.extraText);
            for (size_t k = 0; k < candidates.size(); ++k) {
                ImGui::PushID(int(k));
                bool selected = candidates[k].id == (target ? current : -1);
                if (ImGui::Selectable(candidates[k].name.c_str(), selected) && !selected) {
                    RecordDiscreteEdit(kScriptFieldUndo);
                    f.fieldValue = float(candidates[k].id);
                }
                if (selected) ImGui::SetItemDefaultFocus();
                ImGui::PopID();
            }
            ImGui::EndCombo();
        }
        break;
    }
    default:
        ImGui::TextDisabled("(unknown field kind %d)", f.fieldType);
        break;
    }
}

void ScriptSection(Entity& e) {
    if (!InspectorComponentHeader("Script", kAccentScript, 0)) return;
    Script& s = e.script;
    const int32_t id = e.id;
    Labeled("Script Asset");
    if (ScriptPickerEdit("##script_asset", s.scriptPath, sizeof(s.scriptPath), "Change Script")) g_scriptMeta.erase(id);
    InspectorDropTarget(e);
    if (s.scriptPath[0]) {
        EnsureScriptMeta(id);
        auto it = g_scriptMeta.find(id);
        if (it != g_scriptMeta.end() && it->second.fieldCount > 0) {
            ImGui::Spacing();
            ImGui::TextColored(ImVec4(0.55f, 0.78f, 1.0f, 1.0f), "Exported Fields");
            ImGui::Separator();
            int n = std::min(it->second.fieldCount, kMaxScriptFields);
            for (int i = 0; i < n; ++i) ScriptFieldWidget(it->second.fields[i], i);
        }
    }
    EditCheckbox("Hot Reload", &s.hotReload, "Toggle Script Hot Reload");
    if (s.scriptPath[0]) {
        bool available = g_editorHooks.openScriptInEditor != nullptr;
        ImGui::BeginDisabled(!available);
        if (ImGui::Button("Open in Script Editor", ImVec2(-FLT_MIN, 0)) && available)
            g_editorHooks.openScriptInEditor(s.scriptPath);
        ImGui::EndDisabled();
    }
    ImGui::TextDisabled("Choose a script from the dropdown or drag one from the Project Browser.");
    if (RemoveButton("Remove Script##script", "Remove Script", e.hasScript)) g_scriptMeta.erase(id);
}

void LightSection(Entity& e) {
    if (!InspectorComponentHeader("Light", kAccentLight, 0)) return;
    Light& l = e.light;
    Labeled("Light Type");
    EditCombo("##lt_type", &l.type, g_lightTypeNames, LightType_COUNT, "Change Light Type");
    Labeled("Light Color");
    EditColor4("##lt_color", &l.color.x, "Change Light Color");
    DragRow("Intensity", "##lt_int", &l.intensity, 0.05f, 0.0f, 250.0f, "Change Light Intensity");
    DragRow("Range", "##lt_rng", &l.range, 0.1f, 0.1f, 500.0f, "Change Light Range");
    if (ShowSpotLightFields(l)) {
        DragRow("Spot Angle", "##lt_sa", &l.spotAngle, 0.5f, 1.0f, 179.0f, "Change Spot Angle");
        DragRow("Spot Softness", "##lt_ss", &l.spotSoftness, 0.01f, 0.001f, 1.0f, "Change Spot Softness");
    }
    EditCheckbox("Shadows", &l.shadows, "Toggle Light Shadows");
    RemoveButton("Remove Light##light", "Remove Light", e.hasLight);
}

void CameraSection(Entity& e) {
    if (!InspectorComponentHeader("Camera", kAccentCamera, 0)) return;
    Camera& c = e.camera;
    DragRow("Field of View", "##cam_fov", &c.fov, 0.5f, 1.0f, 179.0f, "Change Camera Field of View");
    DragRow("Near Plane", "##cam_np", &c.nearPlane, 0.01f, 0.001f, 10.0f, "Change Camera Near Plane");
    DragRow("Far Plane", "##cam_fp", &c.farPlane, 1.0f, 10.0f, 10000.0f, "Change Camera Far Plane");
    RemoveButton("Remove Camera##cam", "Remove Camera", e.hasCamera);
}

void ParticleSection(Entity& e) {
    if (!InspectorComponentHeader("Particle Emitter", kAccentParticles, 0)) return;
    ParticleEmitter& p = e.emitter;
    EditCheckbox("Playing", &p.playing, "Toggle Particles Playing");
    DragRow("Rate", "##pe_rate", &p.rate, 1.0f, 1.0f, 500.0f, "Change Particle Rate");
    DragRow("Lifetime", "##pe_life", &p.lifetime, 0.1f, 0.1f, 20.0f, "Change Particle Lifetime");
    DragRow("Speed", "##pe_spd", &p.speed, 0.5f, 0.0f, 100.0f, "Change Particle Speed");
    DragRow("Start Size", "##pe_ss", &p.startSize, 0.05f, 0.001f, 5.0f, "Change Start Size");
    DragRow("End Size", "##pe_es", &p.endSize, 0.05f, 0.0f, 5.0f, "Change End Size");
    DragRow("Gravity", "##pe_grav", &p.gravity, 0.5f, -50.0f, 50.0f, "Change Particle Gravity");
    DragRow("Cone Angle", "##pe_cone", &p.coneAngle, 1.0f, 0.0f, 180.0f, "Change Cone Angle");
    Labeled("Max Particles");
    EditIntAsFloat("##pe_max", &p.maxParticles, 10.0f, 1.0f, 10000.0f, "Change Max Particles");
    Labeled("Start Color");
    EditColor4("##pe_sc", &p.startColor.x, "Change Particle Start Color");
    Labeled("End Color");
    EditColor4("##pe_ec", &p.endColor.x, "Change Particle End Color");
    Labeled("Emitter Shape");
    EditCombo("##pe_shape", &p.shape, g_emitterShapeNames, EmitterShape_COUNT, "Change Particle Shape");
    Labeled("Blend Mode");
    EditCombo("##pe_blend", &p.blendMode, g_particleBlendModeNames, ParticleBlendMode_COUNT, "Change Particle Blend");
    DragRow("Emission Radius", "##pe_radius", &p.emissionRadius, 0.01f, 0.0f, 25.0f, "Change Particle Radius");
    DragRow("Turbulence", "##pe_turb", &p.turbulence, 0.01f, 0.0f, 25.0f, "Change Particle Turbulence");
    DragRow("Drag", "##pe_drag", &p.drag, 0.01f, 0.0f, 25.0f, "Change Particle Drag");
    DragRow("Size Randomness", "##pe_srand", &p.sizeRandomness, 0.01f, 0.0f, 2.0f, "Change Particle Size Randomness");
    DragRow("Velocity Randomness", "##pe_vrand", &p.velocityRandomness, 0.01f, 0.0f, 3.0f,
            "Change Particle Velocity Randomness");
    DragRow("Orbital Velocity", "##pe_orbit", &p.orbitalVelocity, 0.01f, -20.0f, 20.0f,
            "Change Particle Orbital Velocity");
    EditCheckbox("Collision", &p.collision, "Toggle Particle Collision");
    EditCheckbox("Prewarm", &p.prewarm, "Toggle Particle Prewarm");
    EditCheckbox("Align To Velocity", &p.alignToVelocity, "Toggle Particle Velocity Alignment");
    TextureSlot("Particle Texture", "pe_tex", p.texture, sizeof(p.texture), "Change Particle Texture");
    RemoveButton("Remove Particle Emitter##pe", "Remove Particle Emitter", e.hasParticles);
}

void AudioSection(Entity& e) {
    if (!InspectorComponentHeader("Audio Source", kAccentAudio, 0)) return;
    AudioSource& a = e.audio;
    Labeled("Audio Clip");
    AssetPickerEdit("##aud_clip", a.clip, sizeof(a.clip), "Assets", [](const char* n) { return IsAudioAsset(n); },
                    "Change Audio Clip");
    EditCheckbox("Play On Awake", &a.playOnAwake, "Toggle Play On Awake");
    ImGui::SameLine();
    EditCheckbox("Loop", &a.loop, "Toggle Audio Loop");
    DragRow("Volume", "##aud_vol", &a.volume, 0.05f, 0.0f, 2.0f, "Change Audio Volume");
    DragRow("Pitch", "##aud_pit", &a.pitch, 0.05f, 0.1f, 3.0f, "Change Audio Pitch");
    DragRow("Min Distance", "##aud_mn", &a.minDistance, 0.5f, 0.1f, 500.0f, "Change Audio Min Distance");
    DragRow("Max Distance", "##aud_mx", &a.maxDistance, 1.0f, 1.0f, 1000.0f, "Change Audio Max Distance");
    RemoveButton("Remove Audio Source##aud", "Remove Audio Source", e.hasAudio);
}

void CanvasSection(Entity& e) {
    if (!InspectorComponentHeader("Canvas", kAccentCanvas, 0)) return;
    Canvas& c = e.canvas;
    Labeled("Width");
    EditIntAsFloat("##cv_w", &c.width, 10.0f, 1.0f, 4096.0f, "Change Canvas Width");
    Labeled("Height");
    EditIntAsFloat("##cv_h", &c.height, 10.0f, 1.0f, 4096.0f, "Change Canvas Height");
    ImGui::SetNextItemWidth(-FLT_MIN);
    EditCombo("##cv_rm", &c.renderMode, g_canvasRenderModeNames, CanvasRenderMode_COUNT, "Change Canvas Render Mode");
    RemoveButton("Remove Canvas##cv", "Remove Canvas", e.hasCanvas);
}

void UIElementSection(Entity& e) {
    if (!InspectorComponentHeader("UI Element", kAccentUI, 0)) return;
    UIElement& u = e.ui;
    ImGui::SetNextItemWidth(-FLT_MIN);
    EditCombo("##ui_type", &u.type, g_uiElementTypeNames, UIElementType_COUNT, "Change UI Type");
    Labeled("Text");
    EditText("##ui_txt", u.text, sizeof(u.text), "Change UI Text");
    Labeled("Color");
    EditColor4("##ui_col", &u.color.x, "Change UI Color");
    Labeled("Font Size");
    EditIntAsFloat("##ui_fs", &u.fontSize, 1.0f, 8.0f, 72.0f, "Change UI Font Size");
    RemoveButton("Remove UI Element##ui", "Remove UI Element", e.hasUI);
}

void ApplyLiquidDefaults(Entity& e) {
    if (g_editorHooks.applyLiquidMaterialDefaults) g_editorHooks.applyLiquidMaterialDefaults(e);
}

void LiquidSection(Entity& e) {
    if (!InspectorComponentHeader("Liquid / Water", kAccentLiquid, 0)) return;
    LiquidSurface& q = e.liquid;
    ImGui::SetNextItemWidth(-FLT_MIN);
    EditCombo("##liq_type", &q.liquidType, g_liquidTypeNames, LiquidType_COUNT, "Change Liquid Type");
    Labeled("Size");
    if (EditFloat("##liq_size", &q.size, 0.1f, 0.1f, 500.0f, "Change Liquid Size")) ApplyLiquidDefaults(e);
    DragRow("Depth", "##liq_depth", &q.depth, 0.05f, 0.05f, 100.0f, "Change Liquid Depth");
    DragRow("Wave Height", "##liq_waveh", &q.waveHeight, 0.01f, 0.0f, 10.0f, "Change Wave Height");
    DragRow("Wave Scale", "##liq_waves", &q.waveScale, 0.01f, 0.01f, 20.0f, "Change Wave Scale");
    DragRow("Wave Speed", "##liq_wavespd", &q.waveSpeed, 0.01f, 0.0f, 20.0f, "Change Wave Speed");
    DragRow("Flow X", "##liq_flowx", &q.flowX, 0.01f, -10.0f, 10.0f, "Change Liquid Flow X");
    DragRow("Flow Z", "##liq_flowz", &q.flowZ, 0.01f, -10.0f, 10.0f, "Change Liquid Flow Z");
    Labeled("Liquid Color");
    if (EditColor4("##liq_color", &q.liquidColor.x, "Change Liquid Color")) ApplyLiquidDefaults(e);
    DragRow("Foam", "##liq_foam", &q.foam, 0.01f, 0.0f, 1.0f, "Change Foam");
    DragRow("Viscosity", "##liq_visc", &q.viscosity, 0.01f, 0.0f, 20.0f, "Change Viscosity");
    EditCheckbox("Buoyancy", &q.buoyancy, "Toggle Liquid Buoyancy");
    EditCheckbox("Realtime Reflection", &q.realtimeReflection, "Toggle Liquid Reflection");
    RemoveButton("Remove Liquid##liq", "Remove Liquid", e.hasLiquid);
}

} // namespace

void DrawInspectorComponentSections(Entity& e) {
    struct Section {
        bool Entity::*flag;
        void (*draw)(Entity&);
    } sections[] = {
        {&Entity::hasMesh, MeshSection},         {&Entity::hasMaterial, MaterialSection},
        {&Entity::hasRigidBody, RigidBodySection}, {&Entity::hasCollider, ColliderSection},
        {&Entity::hasScript, ScriptSection},     {&Entity::hasLight, LightSection},
        {&Entity::hasCamera, CameraSection},     {&Entity::hasParticles, ParticleSection},
        {&Entity::hasAudio, AudioSection},       {&Entity::hasCanvas, CanvasSection},
        {&Entity::hasUI, UIElementSection},      {&Entity::hasLiquid, LiquidSection},
    };
    int index = 0;
    for (const Section& s : sections) {
        ++index;
        if (!(e.*s.flag)) continue;
        ImGui::PushID(index);
        s.draw(e);
        ImGui::PopID();
    }
}

void DrawSceneLightingSection() {
    if (!InspectorComponentHeader("Scene Lighting", kAccentSceneLighting, 0)) return;
    DragRow("Ambient Strength", "##sl_amb", &g_ambientStrength, 0.005f, 0.0f, 2.0f, "Change Ambient Strength");
    DragRow("Exposure", "##sl_exp", &g_lightingExposure, 0.01f, 0.01f, 8.0f, "Change Lighting Exposure");
    Labeled("Sky Top");
    EditColor3("##sl_skytop", g_engine.skyTopColor, "Change Sky Top Color");
    Labeled("Sky Horizon");
    EditColor3("##sl_skyhor", g_engine.skyHorizonColor, "Change Sky Horizon Color");
    Labeled("Fog Color");
    EditColor3("##sl_fogc", g_engine.fogColor, "Change Fog Color");
    DragRow("Fog Density", "##sl_fogd", &g_engine.fogDensity, 0.0005f, 0.0f, 0.2f, "Change Fog Density");
    DragRow("Shadow Softness", "##sl_shadowsoft", &g_engine.shadowSoftness, 0.01f, 0.0f, 1.0f,
            "Change Shadow Softness");
    DragRow("Shadow Distance", "##sl_shadowdist", &g_engine.shadowDistance, 1.0f, 10.0f, 500.0f,
            "Change Shadow Distance");
    Labeled("Max Realtime Lights");
    EditInt("##sl_maxlights", &g_engine.maxLights, 1.0f, 1, 32, "Change Max Lights");
    Labeled("Physics Substeps");
    EditInt("##sl_ps", &g_engine.physicsSubsteps, 1.0f, 1, 12, "Change Physics Substeps");
    DragRow("Gravity", "##sl_grav", &g_engine.gravity, 0.1f, 0.0f, 100.0f, "Change Gravity");
}
