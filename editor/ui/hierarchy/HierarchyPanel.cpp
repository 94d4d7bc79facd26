#include "editor/ui/hierarchy/HierarchyPanel.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "imgui.h"

#include "editor/assets/EditorIcons.h"
#include "editor/legacy/base/AppState.h"
#include "editor/legacy/base/EditorLog.h"
#include "editor/legacy/scene/EntityStore.h"
#include "editor/legacy/scene/SceneEdits.h"
#include "editor/ui/common/UiProbe.h"
#include "editor/ui/common/EditorHooks.h"
#include "editor/ui/common/EntityPresets.h"

bool g_hierarchyExpandAll = false;
int g_hierarchyRowsDrawn = 0;

namespace {

enum class HierOp { Delete, DeleteSelected, Duplicate, DuplicateWithoutLiquid, CreateChild, Reparent, AttachAsset, CreateFromAsset, Rename };

struct PendingOp {
    HierOp op;
    int32_t a = -1, b = -1;
    std::string path;
};

std::vector<PendingOp> g_hierOps;

// The inline rename: one row at a time, edited in a copy of the name.
struct InlineRename {
    int32_t id = -1;
    char text[sizeof(Entity::name)] = "";
    bool focus = false;      // give the field the keyboard on its first frame
    bool wasActive = false;  // the field has had the keyboard
    bool drawn = false;      // the row was drawn this frame
};
InlineRename s_rename;

void StopRename() { s_rename = InlineRename(); }

void RenameField(const Entity& e, ImVec2 labelPos) {
    s_rename.drawn = true;
    // On the row's own line, where its label would be.
    ImGui::SameLine(0.0f, 0.0f);
    ImGui::SetCursorScreenPos(labelPos);
    ImGui::PushStyleVar(ImGuiStyleVar_FramePadding, ImVec2(2.0f, 0.0f));
    ImGui::SetNextItemWidth(std::max(40.0f, ImGui::GetContentRegionAvail().x));
    if (s_rename.focus) {
        ImGui::SetKeyboardFocusHere();
        s_rename.focus = false;
    }
    const bool entered = ImGui::InputText("##hierRename", s_rename.text, sizeof s_rename.text,
                                        ImGuiInputTextFlags_EnterReturnsTrue | ImGuiInputTextFlags_AutoSelectAll);
    ImGui::PopStyleVar();
    if (UiProbeEnabled()) UiProbeLastItem("hierarchy.rename");
    const bool active = ImGui::IsItemActive();
    const bool escaped = ImGui::IsKeyPressed(ImGuiKey_Escape, false);
    // The field's own Enter can be taken by keyboard navigation on the frame
    // the keyboard reached it; the key itself always means "done".
    const bool enter = entered || ((active || s_rename.wasActive) && (ImGui::IsKeyPressed(ImGuiKey_Enter, false) ||
                                                                      ImGui::IsKeyPressed(ImGuiKey_KeypadEnter, false)));
    if (active) s_rename.wasActive = true;
    if (escaped && (active || s_rename.wasActive)) {
        StopRename();
    } else if (enter || (s_rename.wasActive && !active)) {
        // Enter, or leaving the field (a click elsewhere, Tab): keep the name.
        if (s_rename.text[0] && std::strcmp(s_rename.text, e.name) != 0)
            g_hierOps.push_back({HierOp::Rename, e.id, -1, s_rename.text});
        StopRename();
    }
}

std::string PayloadText(const ImGuiPayload* p) {
    if (!p || !p->Data || p->DataSize <= 0) return std::string();
    const char* s = static_cast<const char*>(p->Data);
    return std::string(s, strnlen(s, size_t(p->DataSize)));
}

bool IsRoot(const Entity& e) {
    // A parent that names a missing entity, or the entity itself, counts as
    // none: such rows would otherwise never be listed.
    return e.parent < 0 || e.parent == e.id || !EntityExists(e.parent);
}

uint32_t RowIcon(const Entity& e) {
    if (e.hasLight) return g_icoLight;
    if (e.hasCamera) return g_icoCam;
    if (e.hasMesh) return g_icoMesh;
    if (e.hasScript) return g_icoScript;
    return g_icoObj;
}

bool NodeOpen(int32_t id) {
    return ImGui::GetStateStorage()->GetInt(ImGui::GetID(reinterpret_cast<void*>(intptr_t(id))), 0) != 0;
}

void RowDragDrop(const Entity& e) {
    if (ImGui::BeginDragDropSource(ImGuiDragDropFlags_None)) {
        const int32_t id = e.id;
        ImGui::SetDragDropPayload("ENT", &id, sizeof(id));
        ImGui::TextUnformatted(e.name);
        ImGui::EndDragDropSource();
    }
    if (ImGui::BeginDragDropTarget()) {
        if (const ImGuiPayload* p = ImGui::AcceptDragDropPayload("ENT")) {
            if (p->DataSize == int(sizeof(int32_t))) {
                int32_t dragged = 0;
                std::memcpy(&dragged, p->Data, sizeof(dragged));
                g_hierOps.push_back({HierOp::Reparent, dragged, e.id, {}});
            }
        }
        if (const ImGuiPayload* p = ImGui::AcceptDragDropPayload("PROJ_FILE"))
            g_hierOps.push_back({HierOp::AttachAsset, e.id, -1, PayloadText(p)});
        ImGui::EndDragDropTarget();
    }
}

void RowContextMenu(const Entity& e) {
    if (!ImGui::BeginPopupContextItem()) return;
    if (ImGui::MenuItem("Delete")) g_hierOps.push_back({HierOp::Delete, e.id, -1, {}});
    if (ImGui::MenuItem("Duplicate")) g_hierOps.push_back({HierOp::Duplicate, e.id, -1, {}});
    ImGui::Separator();
    if (ImGui::MenuItem("Create Child")) g_hierOps.push_back({HierOp::CreateChild, e.id, -1, {}});
    ImGui::EndPopup();
}

void HierarchyNode(int32_t id, int depth, float iconPad) {
    const Entity* ep = GetEnt(id);
    if (!ep) return;
    const Entity& e = *ep;
    ImGuiTreeNodeFlags flags = ImGuiTreeNodeFlags_OpenOnArrow | ImGuiTreeNodeFlags_SpanAvailWidth;
    if (e.children.empty()) flags |= ImGuiTreeNodeFlags_Leaf;
    if (e.id == g_selId) flags |= ImGuiTreeNodeFlags_Selected;
    const uint32_t icon = RowIcon(e);
    const bool renaming = s_rename.id == e.id;
    if (!e.enabled) ImGui::PushStyleColor(ImGuiCol_Text, ImVec4(0.5f, 0.5f, 0.5f, 1.0f));
    if (g_hierarchyExpandAll) ImGui::SetNextItemOpen(true, ImGuiCond_Always);
    const bool open = ImGui::TreeNodeEx(reinterpret_cast<void*>(intptr_t(e.id)), flags, "%*s%s", icon ? int(iconPad) : 0,
                                        "", renaming ? "" : e.name);
    if (!e.enabled) ImGui::PopStyleColor();
    ++g_hierarchyRowsDrawn;
    if (UiProbeEnabled()) {
        char probe[48];
        std::snprintf(probe, sizeof probe, "hierarchy.row.%d", e.id);
        UiProbeLastItem(probe);
    }
    if (ImGui::IsItemClicked(ImGuiMouseButton_Left) && !ImGui::IsItemToggledOpen()) {
        SelectEntity(e.id);
        g_showPreviewPanel = true;
    }
    const bool doubleClicked = !renaming && ImGui::IsItemHovered() && !ImGui::IsItemToggledOpen() &&
                               ImGui::IsMouseDoubleClicked(ImGuiMouseButton_Left);
    const ImVec2 rowMin = ImGui::GetItemRectMin();
    const float rowH = ImGui::GetItemRectSize().y;
    RowDragDrop(e);
    RowContextMenu(e);
    if (icon) {
        const float x = rowMin.x + ImGui::GetTreeNodeToLabelSpacing();
        const float y = rowMin.y + (rowH - 16.0f) * 0.5f;
        ImGui::GetWindowDrawList()->AddImage(ImTextureID(icon), ImVec2(x, y), ImVec2(x + 16, y + 16));
    }
    if (renaming) {
        const float iconW = icon ? iconPad * ImGui::CalcTextSize(" ").x : 0.0f;
        RenameField(e, ImVec2(rowMin.x + ImGui::GetTreeNodeToLabelSpacing() + iconW, rowMin.y));
    } else if (doubleClicked) {
        HierarchyBeginRename(e.id);
    }
    if (!open) return;
    if (depth + 1 >= kHierarchyMaxDrawDepth && !e.children.empty()) {
        ImGui::TextDisabled("\xE2\x80\xA6");  // "…": deeper rows are not drawn
        if (ImGui::IsItemHovered()) ImGui::SetTooltip("Hierarchy too deep to show");
    } else {
        // Children are drawn from a copy: the list lives in the store.
        const std::vector<int32_t> children = e.children;
        for (int32_t c : children)
            if (c != id) HierarchyNode(c, depth + 1, iconPad);
    }
    ImGui::TreePop();
}

void CreatePopup() {
    if (!ImGui::BeginPopup("CreatePopup")) return;
    struct Item {
        const char* label;
        EntityPreset preset;
        bool separatorBefore;
    } const items[] = {
        {"Empty", EntityPreset::Empty, false},
        {"Cube", EntityPreset::Cube, true},
        {"Sphere", EntityPreset::Sphere, false},
        {"Cylinder", EntityPreset::Cylinder, false},
        {"Cone", EntityPreset::Cone, false},
        {"Torus", EntityPreset::Torus, false},
        {"Plane", EntityPreset::Plane, false},
        {"Directional Light", EntityPreset::DirectionalLight, true},
        {"Point Light", EntityPreset::PointLight, false},
        {"Spot Light", EntityPreset::SpotLight, false},
        {"Camera", EntityPreset::Camera, false},
        {"Canvas", EntityPreset::Canvas, true},
        {"UI Text", EntityPreset::UIText, false},
        {"UI Button", EntityPreset::UIButton, false},
        {"UI Image", EntityPreset::UIImage, false},
        {"Particle Emitter", EntityPreset::ParticleEmitter, false},
        {"Water Surface", EntityPreset::WaterSurface, false},
        {"Audio Source", EntityPreset::AudioSource, false},
        {"Collider", EntityPreset::Collider, false},
    };
    for (const Item& it : items) {
        if (it.separatorBefore) ImGui::Separator();
        const bool enabled =
            it.preset != EntityPreset::WaterSurface || g_editorHooks.applyLiquidMaterialDefaults != nullptr;
        if (ImGui::MenuItem(it.label, nullptr, false, enabled)) CreatePresetEntity(it.preset);
    }
    ImGui::EndPopup();
}

void ApplyOps() {
    std::vector<PendingOp> ops;
    ops.swap(g_hierOps);
    for (const PendingOp& op : ops) {
        switch (op.op) {
        case HierOp::Delete: DeleteEntityWithUndo(op.a); break;
        case HierOp::DeleteSelected:
            if (g_selId >= 0) DeleteEntityWithUndo(g_selId);
            break;
        case HierOp::Duplicate: DuplicateEntityPartial(op.a, true); break;
        case HierOp::DuplicateWithoutLiquid: DuplicateEntityPartial(op.a, false); break;
        case HierOp::CreateChild: CreateChildEntity(op.a); break;
        case HierOp::Reparent: HierarchyDropEntity(op.a, op.b); break;
        case HierOp::Rename:
            RecordUndoableEdit("Rename Entity", [&] {
                Entity* e = GetEnt(op.a);
                if (!e || op.path == e->name) return false;
                CopyTextField(e->name, op.path.c_str());
                MarkSceneDirty();
                return true;
            });
            break;
        case HierOp::AttachAsset: {
            if (!AttachAssetWithUndo(op.a, op.path.c_str())) Log(3, "Unsupported hierarchy drop: %s", op.path.empty() ? "<null>" : op.path.c_str());
            break;
        }
        case HierOp::CreateFromAsset: {
            if (op.path.empty() || !g_editorHooks.createEntityFromAsset) break;
            if (g_editorHooks.isSceneAsset && !g_editorHooks.isSceneAsset(op.path.c_str())) break;
            if (CreateEntityFromAssetWithUndo(op.path.c_str()) >= 0)
                Log(2, "Created from asset: %s", op.path.c_str());
            break;
        }
        }
    }
}

} // namespace

bool HierarchyBeginRename(int32_t id) {
    const Entity* e = GetEnt(id);
    if (!e) return false;
    StopRename();
    s_rename.id = id;
    CopyTextField(s_rename.text, e->name);
    s_rename.focus = true;
    return true;
}

int32_t HierarchyRenamingId() { return s_rename.id; }

bool HierarchyDropEntity(int32_t dragged, int32_t target) {
    if (!GetEnt(dragged)) return false;
    if (target >= 0 && (dragged == target || !GetEnt(target) || IsDescendant(target, dragged))) return false;
    return ReparentEntityAsUndoStep(dragged, target);
}

void HierarchyPanel() {
    g_hierarchyRowsDrawn = 0;
    if (!ImGui::Begin("Hierarchy", &g_showHier)) {
        ImGui::End();
        return;
    }
    if (ImGui::Button("+ Create", ImVec2(ImGui::GetContentRegionAvail().x, 0))) ImGui::OpenPopup("CreatePopup");
    CreatePopup();
    ImGui::Separator();

    // F2 renames the selected row in place, unless a text field has the keys.
    if (s_rename.id < 0 && g_selId >= 0 && !ImGui::GetIO().WantTextInput && !ImGui::IsAnyItemActive() &&
        ImGui::IsKeyPressed(ImGuiKey_F2, false)) {
        HierarchyBeginRename(g_selId);
    }
    s_rename.drawn = false;
    ImGui::BeginChild("##htree", ImVec2(0, 0));
    const float spaceW = ImGui::CalcTextSize(" ").x;
    const float iconPad = spaceW > 0.0f ? float(int(20.0f / spaceW + 0.99f)) : 4.0f;
    const float rowH = ImGui::GetTextLineHeightWithSpacing();
    const float spacingY = ImGui::GetStyle().ItemSpacing.y;
    const float width = ImGui::GetContentRegionAvail().x;
    // Rows of closed roots outside the visible area are only counted, so a
    // scene with many thousands of entities costs a few visible rows.
    float skipped = 0.0f;
    auto flush = [&] {
        if (skipped > 0.0f) ImGui::Dummy(ImVec2(1.0f, skipped - spacingY));
        skipped = 0.0f;
    };
    for (size_t i = 0; i < g_ents.size(); ++i) {
        const Entity& e = g_ents[i];
        if (!IsRoot(e)) continue;
        const bool oneRow = e.children.empty() || (!g_hierarchyExpandAll && !NodeOpen(e.id));
        if (oneRow) {
            ImVec2 p = ImGui::GetCursorScreenPos();
            p.y += skipped;
            if (!ImGui::IsRectVisible(p, ImVec2(p.x + width, p.y + rowH))) {
                skipped += rowH;
                continue;
            }
        }
        flush();
        HierarchyNode(e.id, 0, iconPad);
    }
    flush();
    // A row that scrolled away, collapsed or vanished ends its rename unsaved.
    if (s_rename.id >= 0 && !s_rename.drawn && !s_rename.focus) StopRename();
    if (s_rename.id >= 0 && !GetEnt(s_rename.id)) StopRename();
    if (ImGui::BeginPopupContextWindow("HierCtx", ImGuiPopupFlags_MouseButtonRight | ImGuiPopupFlags_NoOpenOverItems)) {
        if (ImGui::MenuItem("Delete")) g_hierOps.push_back({HierOp::DeleteSelected, -1, -1, {}});
        if (ImGui::MenuItem("Duplicate") && g_selId >= 0)
            g_hierOps.push_back({HierOp::DuplicateWithoutLiquid, g_selId, -1, {}});
        ImGui::EndPopup();
    }
    ImGui::EndChild();
    // Drops on the free area of the tree: a project file becomes an entity,
    // a dragged row becomes a root.
    if (ImGui::BeginDragDropTarget()) {
        if (const ImGuiPayload* p = ImGui::AcceptDragDropPayload("PROJ_FILE"))
            g_hierOps.push_back({HierOp::CreateFromAsset, -1, -1, PayloadText(p)});
        if (const ImGuiPayload* p = ImGui::AcceptDragDropPayload("ENT")) {
            if (p->DataSize == int(sizeof(int32_t))) {
                int32_t dragged = 0;
                std::memcpy(&dragged, p->Data, sizeof(dragged));
                g_hierOps.push_back({HierOp::Reparent, dragged, -1, {}});
            }
        }
        ImGui::EndDragDropTarget();
    }
    ImGui::End();
    g_hierarchyExpandAll = false;
    ApplyOps();
}
