#include "editor/ui/inspector/InspectorPanel.h"

#include <sys/stat.h>

#include <cfloat>
#include <cstring>
#include <ctime>
#include <string>

#include "editor/legacy/base/AppState.h"
#include "editor/legacy/base/EditorLog.h"
#include "editor/legacy/base/ProjectPaths.h"
#include "editor/legacy/files/AssetKinds.h"
#include "editor/legacy/files/MaterialFile.h"
#include "editor/legacy/platform/OpenPath.h"
#include "editor/legacy/scene/EntityStore.h"
#include "editor/legacy/scene/Undo.h"
#include "editor/ui/common/EditWidgets.h"
#include "editor/ui/common/EditorHooks.h"
#include "editor/ui/inspector/AssetPickers.h"
#include "editor/ui/inspector/InspectorLogic.h"

namespace {

char s_componentSearch[96] = "";

void DrawEntityView(Entity& e);

} // namespace

void InspectorComponentPill(const char* name, ImU32 colour) {
    ImVec2 ts = ImGui::CalcTextSize(name);
    ImVec2 size(ts.x + 18.0f, 22.0f);
    ImVec2 p = ImGui::GetCursorScreenPos();
    ImDrawList* dl = ImGui::GetWindowDrawList();
    dl->AddRectFilled(p, ImVec2(p.x + size.x, p.y + size.y), MixImU32(IM_COL32(28, 29, 34, 255), colour, 0.28f),
                      11.0f);
    dl->AddCircleFilled(ImVec2(p.x + 8, p.y + 11), 3.0f, colour);
    dl->AddText(ImVec2(p.x + 15, p.y + 3), IM_COL32(230, 234, 242, 255), name);
    ImGui::PushID(name);
    ImGui::InvisibleButton("##componentPill", size);
    ImGui::PopID();
    ImGui::SameLine(0, 6);
}

bool InspectorComponentHeader(const char* text, ImU32 colour, int flags) {
    ImGui::PushStyleVar(ImGuiStyleVar_FrameRounding, 7.0f);
    ImGui::PushStyleVar(ImGuiStyleVar_FramePadding, ImVec2(9, 6));
    ImGui::PushStyleColor(ImGuiCol_Header, MixImU32(IM_COL32(31, 32, 38, 255), colour, 0.24f));
    ImGui::PushStyleColor(ImGuiCol_HeaderHovered, MixImU32(IM_COL32(42, 43, 50, 255), colour, 0.34f));
    ImGui::PushStyleColor(ImGuiCol_HeaderActive, MixImU32(IM_COL32(46, 48, 56, 255), colour, 0.46f));
    ImGui::PushStyleColor(ImGuiCol_Text, IM_COL32(242, 244, 248, 255));
    bool open = ImGui::CollapsingHeader(text, flags | ImGuiTreeNodeFlags_DefaultOpen);
    ImVec2 mn = ImGui::GetItemRectMin(), mx = ImGui::GetItemRectMax();
    ImGui::GetWindowDrawList()->AddRectFilled(ImVec2(mn.x + 1, mn.y + 3), ImVec2(mn.x + 5, mx.y - 3), colour, 3.0f);
    ImGui::PopStyleColor(4);
    ImGui::PopStyleVar(2);
    return open;
}

void InspectorDropTarget(Entity& e) {
    if (!ImGui::BeginDragDropTarget()) return;
    if (const ImGuiPayload* p = ImGui::AcceptDragDropPayload("PROJ_FILE")) {
        std::string path = PayloadPath(p);
        SceneSnapshot before = CaptureSceneSnapshot();
        ++g_editSnapshotCount;
        if (InspectorAttachAsset(e, path.c_str())) UndoPushSnapshot(before, "Assign Asset From Inspector");
        else Log(3, "Unsupported inspector drop: %s", path.empty() ? "<null>" : path.c_str());
    }
    ImGui::EndDragDropTarget();
}

void DrawInspectorAddComponentMenu(Entity& e) {
    if (ImGui::Button("+ Add Component", ImVec2(-FLT_MIN, 0))) {
        s_componentSearch[0] = '\0';
        ImGui::OpenPopup("AddComponentPopup");
    }
    if (!ImGui::BeginPopup("AddComponentPopup")) return;
    if (ImGui::IsWindowAppearing()) ImGui::SetKeyboardFocusHere();
    ImGui::SetNextItemWidth(320);
    ImGui::InputTextWithHint("##componentSearch", "Search components...", s_componentSearch,
                             sizeof(s_componentSearch));
    ImGui::Separator();
    bool listedAny = false;
    bool firstCategory = true;
    for (int cat = 0; cat < 3; ++cat) {
        bool captionShown = false;
        for (const AddComponentEntry& entry : kAddComponentEntries) {
            if (entry.category != cat || !AddComponentListed(e, entry, s_componentSearch)) continue;
            if (!captionShown) {
                if (!firstCategory) ImGui::Separator();
                ImGui::TextDisabled("%s", kAddComponentCategories[cat]);
                captionShown = true;
                firstCategory = false;
            }
            listedAny = true;
            if (ImGui::Selectable(entry.label)) {
                RecordDiscreteEdit(entry.undoLabel);
                AddComponentToEntity(e, entry.kind);
                ImGui::CloseCurrentPopup();
            }
        }
    }
    if (!listedAny) ImGui::TextDisabled("No matching components left to add.");
    ImGui::EndPopup();
}

namespace {

void DrawPills(const Entity& e) {
    struct Pill {
        bool shown;
        const char* name;
        ImU32 colour;
    } pills[] = {
        {true, "Transform", kAccentTransform},    {e.hasMesh, "Mesh", kAccentMesh},
        {e.hasMaterial, "Material", kAccentMaterial}, {e.hasRigidBody, "Rigid Body", kAccentRigidBody},
        {e.hasCollider, "Collider", kAccentCollider}, {e.hasScript, "Script", kAccentScript},
        {e.hasLight, "Light", kAccentLight},       {e.hasCamera, "Camera", kAccentCamera},
        {e.hasParticles, "Particles", kAccentParticles}, {e.hasAudio, "Audio", kAccentAudio},
        {e.hasCanvas, "Canvas", kAccentCanvas},    {e.hasUI, "UI", kAccentUI},
        {e.hasLiquid, "Liquid", kAccentLiquid},
    };
    float right = ImGui::GetCursorScreenPos().x + ImGui::GetContentRegionAvail().x;
    bool first = true;
    for (const Pill& p : pills) {
        if (!p.shown) continue;
        // Wrap a pill that would run past the window's edge.
        float width = ImGui::CalcTextSize(p.name).x + 18.0f;
        if (!first && ImGui::GetCursorScreenPos().x + width > right) ImGui::NewLine();
        InspectorComponentPill(p.name, p.colour);
        first = false;
    }
    ImGui::NewLine();
}

void DrawTransformSection(Entity& e) {
    if (!InspectorComponentHeader("Transform", kAccentTransform, 0)) return;
    EditVec3("Position", &e.transform.position, 0.1f, -FLT_MAX, FLT_MAX, "Change Position", false);
    EditVec3("Rotation", &e.transform.rotation, 1.0f, -FLT_MAX, FLT_MAX, "Change Rotation", false);
    EditVec3("Scale", &e.transform.scale, 0.1f, 0.01f, 100.0f, "Change Scale", true);
    if (ImGui::Button("Reset Transform", ImVec2(130, 0))) {
        RecordDiscreteEdit("Reset Transform");
        e.transform.position = Vec3(0, 0, 0);
        e.transform.rotation = Vec3(0, 0, 0);
        e.transform.scale = Vec3(1, 1, 1);
    }
    if (ImGui::GetContentRegionAvail().x - 130.0f > 100.0f) {
        ImGui::SameLine();
        ImGui::BeginDisabled(g_editorHooks.focusOnSelection == nullptr);
        if (ImGui::Button("Focus", ImVec2(90, 0)) && g_editorHooks.focusOnSelection) g_editorHooks.focusOnSelection();
        ImGui::EndDisabled();
    }
}

void DrawEntityView(Entity& e) {
    const int32_t id = e.id;
    ImGui::PushTextWrapPos(0.0f);
    ImGui::BeginChild("##inspScroll", ImVec2(0, 0), ImGuiChildFlags_None, ImGuiWindowFlags_AlwaysVerticalScrollbar);
    ImGui::PushTextWrapPos(ImGui::GetCursorPosX() + ImGui::GetContentRegionAvail().x - 4.0f);
    ImGui::TextUnformatted("Entity");
    DrawInspectorAddComponentMenu(e);
    ImGui::Separator();

    ImGui::TextUnformatted("Name");
    ImGui::SetNextItemWidth(-FLT_MIN);
    if (g_renameEntId == id) {
        ImGui::SetKeyboardFocusHere();
        g_renameEntId = -1;
    }
    EditText("##name", e.name, sizeof(e.name), "Rename Entity");
    EditCheckbox("Enabled", &e.enabled, "Toggle Entity Enabled");
    ImGui::SameLine();
    ImGui::TextDisabled("Entity ID: %d", id);

    DrawPills(e);
    ImGui::PushStyleColor(ImGuiCol_Button, ImVec4(0.14f, 0.14f, 0.17f, 1.0f));
    ImGui::Button("Drop scripts, materials, or models here to link them", ImVec2(-FLT_MIN, 28));
    ImGui::PopStyleColor();
    InspectorDropTarget(e);
    ImGui::Separator();

    DrawTransformSection(e);
    DrawInspectorComponentSections(e);
    DrawSceneLightingSection();

    ImGui::PopTextWrapPos();
    ImGui::EndChild();
    ImGui::PopTextWrapPos();
}

std::string ModifiedText(const struct stat& st) {
    char buf[64] = "";
    struct tm local;
    time_t t = st.st_mtime;
    if (localtime_r(&t, &local)) std::strftime(buf, sizeof(buf), "%Y-%m-%d %H:%M", &local);
    return buf;
}

void DrawMaterialAssetEditor(const std::string& file) {
    if (std::strcmp(g_inspectorMatPath, file.c_str()) != 0) {
        // A fresh record: nothing of the previously shown material stays.
        g_inspectorEditMat = Material();
        LoadMaterialAsset(file.c_str(), g_inspectorEditMat);
        EnsureMaterialDefaults(g_inspectorEditMat);
        CopyPathField(g_inspectorMatPath, file);
    }
    Material& m = g_inspectorEditMat;
    ImGui::TextUnformatted("Material Asset");
    ImGui::TextUnformatted("Base Color");
    ImGui::SetNextItemWidth(-FLT_MIN);
    EditColor4("##fim_bc", &m.baseColor.x, "Change Material Asset Base Color");
    ImGui::TextUnformatted("Metallic");
    ImGui::SetNextItemWidth(-FLT_MIN);
    EditFloat("##fim_mt", &m.metallic, 0.01f, 0.0f, 1.0f, "Change Material Asset Metallic");
    ImGui::TextUnformatted("Roughness");
    ImGui::SetNextItemWidth(-FLT_MIN);
    EditFloat("##fim_rg", &m.roughness, 0.01f, 0.02f, 1.0f, "Change Material Asset Roughness");
    TextureSlot("Albedo Texture", "fim_albedo", m.albedoTexture, sizeof(m.albedoTexture),
                "Change Material Asset Albedo Texture");
    TextureSlot("Normal Texture", "fim_normal", m.normalTexture, sizeof(m.normalTexture),
                "Change Material Asset Normal Texture");
    TextureSlot("Metallic/Roughness Texture", "fim_mr", m.metallicRoughnessTexture,
                sizeof(m.metallicRoughnessTexture), "Change Material Asset Metallic/Roughness Texture");
    TextureSlot("Ambient Occlusion Texture", "fim_ao", m.aoTexture, sizeof(m.aoTexture),
                "Change Material Asset AO Texture");
    TextureSlot("Emissive Texture", "fim_emissive", m.emissiveTexture, sizeof(m.emissiveTexture),
                "Change Material Asset Emissive Texture");
    TextureSlot("Height/Displacement Texture", "fim_height", m.heightTexture, sizeof(m.heightTexture),
                "Change Material Asset Height Texture");
    ImGui::TextDisabled("New materials default to white and can be dragged onto any object.");
    if (ImGui::Button("Save Material", ImVec2(-FLT_MIN, 0))) SaveMaterialAsset(m, file.c_str());
    if (ImGui::Button("Assign To Selected Object", ImVec2(-FLT_MIN, 0))) {
        if (Entity* target = GetAssignableEntity()) {
            SceneSnapshot before = CaptureSceneSnapshot();
            ++g_editSnapshotCount;
            if (InspectorAttachAsset(*target, file.c_str())) UndoPushSnapshot(before, "Assign Material Asset");
        } else {
            Log(3, "Select an object first or drag the material onto one.");
        }
    }
}

void DrawModelAssetButton(const std::string& file) {
    ImGui::TextUnformatted("Model Asset");
    if (Ext(file) == ".blend")
        ImGui::TextWrapped(
            "Dropping this into the scene converts it through Blender headless into cached GLB with exported "
            "textures/materials/lights/cameras/animations where supported. The cache avoids relaunching Blender "
            "unless the source or import settings changed.");
    bool available = g_editorHooks.createEntityFromAsset != nullptr;
    ImGui::BeginDisabled(!available);
    if (ImGui::Button("Import To Scene", ImVec2(-FLT_MIN, 0)) && available) {
        SceneSnapshot before = CaptureSceneSnapshot();
        ++g_editSnapshotCount;
        if (g_editorHooks.createEntityFromAsset(file.c_str()) >= 0) {
            UndoPushSnapshot(before, "Import Model Asset");
            Log(2, "Imported asset: %s", file.c_str());
        }
    }
    ImGui::EndDisabled();
    if (!available && ImGui::IsItemHovered(ImGuiHoveredFlags_AllowWhenDisabled))
        ImGui::SetTooltip("Model import is not available in this build yet.");
}

} // namespace

void DrawInspectorFileView(const char* selected) {
    std::string file = selected ? selected : "";
    if (!file.empty() && file[0] != '/') file = ResolveProjectAssetPath(file.c_str());
    struct stat st;
    if (file.empty() || stat(file.c_str(), &st) != 0) {
        ImGui::TextDisabled("File not found");
        return;
    }
    size_t slash = file.find_last_of('/');
    ImGui::TextUnformatted(slash == std::string::npos ? file.c_str() : file.c_str() + slash + 1);
    ImGui::Separator();
    ImGui::BeginChild("##fileInspScroll", ImVec2(0, 0), ImGuiChildFlags_None,
                      ImGuiWindowFlags_AlwaysVerticalScrollbar);
    const bool isDir = S_ISDIR(st.st_mode);
    ImGui::TextWrapped("Path: %s", file.c_str());
    ImGui::Text("Type: %s", isDir ? "Folder" : Ext(file).c_str());
    if (!isDir) ImGui::TextUnformatted(FormatFileSize(static_cast<long long>(st.st_size)).c_str());
    ImGui::Text("Modified: %s", ModifiedText(st).c_str());
    ImGui::Separator();
    if (!isDir && IsMaterialAsset(file.c_str())) DrawMaterialAssetEditor(file);
    else if (!isDir && IsMeshAsset(file.c_str())) DrawModelAssetButton(file);
    ImGui::Separator();
    if (ImGui::Button("Open", ImVec2(90, 0))) OpenPath(file.c_str(), false);
    if (ImGui::GetContentRegionAvail().x - 90.0f > 130.0f) {
        ImGui::SameLine();
        if (ImGui::Button("Show in Folder##fi", ImVec2(130, 0))) OpenPath(file.c_str(), true);
    }
    ImGui::EndChild();
}

void InspectorPanel() {
    SettlePendingEdit();
    if (ImGui::Begin("Inspector", &g_showInsp)) {
        if (Entity* e = GetSel()) DrawEntityView(*e);
        else if (g_selFilePath[0]) DrawInspectorFileView(g_selFilePath);
        else ImGui::TextDisabled("No selection");
    }
    ImGui::End();
    SettlePendingEdit();
}

void InstallInspectorPanel() { g_editorHooks.inspectorPanel = InspectorPanel; }
