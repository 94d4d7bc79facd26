#include "editor/ui/inspector/AssetPickers.h"

#include <cstring>
#include <vector>

#include "editor/assets/Textures.h"
#include "editor/legacy/base/EditorLog.h"
#include "editor/legacy/base/ProjectPaths.h"
#include "editor/legacy/files/AssetKinds.h"
#include "editor/legacy/scene/Entity.h"
#include "editor/ui/common/EditWidgets.h"
#include "editor/ui/inspector/InspectorLogic.h"

namespace {

struct PickerCache {
    std::vector<std::string> paths, labels;
    std::string key;
    double scanTime = -1.0;
};
PickerCache s_assetCache, s_scriptCache;

constexpr double kRescanSeconds = 1.0;

bool Stale(const PickerCache& c, const std::string& key) {
    return c.scanTime < 0.0 || c.key != key || ImGui::GetTime() - c.scanTime >= kRescanSeconds;
}

// The popup's body shared by both pickers.
bool PickerList(const PickerCache& c, char* buf, size_t size) {
    bool changed = false;
    int current = -1;
    for (size_t i = 0; i < c.paths.size(); ++i)
        if (c.paths[i] == buf) {
            current = int(i);
            break;
        }
    if (ImGui::Selectable("None", current == -1, ImGuiSelectableFlags_NoAutoClosePopups) && buf[0]) {
        buf[0] = '\0';
        changed = true;
    }
    if (buf[0] && current == -1) {
        ImGui::Separator();
        ImGui::TextDisabled("Current: %s", buf);
    }
    for (size_t i = 0; i < c.paths.size(); ++i) {
        bool selected = int(i) == current;
        ImGui::PushID(int(i));
        if (ImGui::Selectable(c.labels[i].c_str(), selected) && !selected) {
            if (CopyPathField(buf, size, c.paths[i])) changed = true;
            else Log(4, "Path too long for this field: %s", c.paths[i].c_str());
        }
        if (selected) ImGui::SetItemDefaultFocus();
        ImGui::PopID();
    }
    return changed;
}

} // namespace

std::string PayloadPath(const ImGuiPayload* p) {
    if (!p || !p->Data || p->DataSize <= 0) return std::string();
    const char* s = static_cast<const char*>(p->Data);
    return std::string(s, strnlen(s, size_t(p->DataSize)));
}

void InvalidatePickerCaches() {
    s_assetCache = PickerCache();
    s_scriptCache = PickerCache();
}

bool AssetCombo(const char* id, char* buf, size_t size, const char* root, const char* subfolder,
                const AssetFilter& filter) {
    bool changed = false;
    if (ImGui::BeginCombo(id, buf[0] ? buf : "None")) {
        std::string key = std::string(subfolder ? subfolder : "") + "|" + id + "|" + (root ? root : "");
        if (Stale(s_assetCache, key)) {
            s_assetCache.paths.clear();
            s_assetCache.labels.clear();
            s_assetCache.key = key;
            if (root && root[0])
                ScanAssetFiles(std::string(root) + "/" + (subfolder ? subfolder : ""), "", s_assetCache.paths,
                               s_assetCache.labels, filter);
            SortByLabel(s_assetCache.paths, s_assetCache.labels);
            s_assetCache.scanTime = ImGui::GetTime();
        }
        changed = PickerList(s_assetCache, buf, size);
        ImGui::EndCombo();
    }
    return changed;
}

bool ScriptCombo(const char* id, char* buf, size_t size, const char* projectRoot) {
    bool changed = false;
    if (ImGui::BeginCombo(id, buf[0] ? buf : "None")) {
        std::string key = std::string(projectRoot ? projectRoot : "") + "|" + g_assetRoot;
        if (Stale(s_scriptCache, key)) {
            PickerCache& c = s_scriptCache;
            c.paths.clear();
            c.labels.clear();
            c.key = key;
            if (projectRoot && projectRoot[0]) ScanScriptFiles(std::string(projectRoot) + "/Assets/Scripts", "", c.paths, c.labels);
            if (!g_assetRoot.empty()) {
                ScanScriptFiles(g_assetRoot + "/scripts", "", c.paths, c.labels);
                ScanScriptFiles(g_assetRoot + "/scripts/kelmar", "", c.paths, c.labels);
            }
            // Later duplicates go (the project's copy of a name wins).
            std::vector<std::string> p, l;
            for (size_t i = 0; i < c.paths.size(); ++i) {
                bool seen = false;
                for (const std::string& q : p)
                    if (q == c.paths[i]) {
                        seen = true;
                        break;
                    }
                if (seen) continue;
                p.push_back(c.paths[i]);
                l.push_back(c.labels[i]);
            }
            c.paths = std::move(p);
            c.labels = std::move(l);
            SortByLabel(c.paths, c.labels);
            c.scanTime = ImGui::GetTime();
        }
        changed = PickerList(s_scriptCache, buf, size);
        ImGui::EndCombo();
    }
    return changed;
}

namespace {

template <class Pick>
bool PickOnCopy(char* buf, size_t size, const char* undoLabel, Pick pick) {
    std::vector<char> copy(buf, buf + size);
    copy[size - 1] = '\0';
    if (!pick(copy.data()) || std::strcmp(copy.data(), buf) == 0) return false;
    RecordDiscreteEdit(undoLabel);
    std::memcpy(buf, copy.data(), size);
    return true;
}

} // namespace

bool AssetPickerEdit(const char* id, char* buf, size_t size, const char* subfolder, const AssetFilter& filter,
                     const char* undoLabel) {
    if (size == 0) return false;
    return PickOnCopy(buf, size, undoLabel,
                      [&](char* c) { return AssetCombo(id, c, size, g_projectRoot, subfolder, filter); });
}

bool ScriptPickerEdit(const char* id, char* buf, size_t size, const char* undoLabel) {
    if (size == 0) return false;
    return PickOnCopy(buf, size, undoLabel, [&](char* c) { return ScriptCombo(id, c, size, g_projectRoot); });
}

bool TextureSlot(const char* label, const char* id, char* path, size_t size, const char* undoLabel) {
    bool changed = false;
    ImGui::TextUnformatted(label);
    ImGui::PushID(id);
    if (path[0]) {
        std::string resolved = ResolveProjectAssetPath(path);
        if (uint32_t tex = GetThumb(resolved.c_str())) {
            ImGui::Image(ImTextureRef(ImTextureID(tex)), ImVec2(44, 44));
            ImGui::SameLine();
        }
    }
    ImGui::SetNextItemWidth(-FLT_MIN);
    changed |= AssetPickerEdit("##image_picker", path, size, "Assets", [](const char* n) { return IsImageAsset(n); },
                               undoLabel);
    if (path[0]) {
        ImGui::SameLine();
        if (ImGui::SmallButton("Clear")) {
            RecordDiscreteEdit(undoLabel);
            path[0] = '\0';
            changed = true;
        }
    }
    if (ImGui::BeginDragDropTarget()) {
        if (const ImGuiPayload* p = ImGui::AcceptDragDropPayload("PROJ_FILE")) {
            std::string dropped = PayloadPath(p);
            if (IsImageAsset(dropped.c_str())) {
                std::string rel = ProjectRelativeAssetPath(dropped.c_str());
                if (rel.empty()) rel = dropped;
                if (TextFitsField(size, rel)) {
                    RecordDiscreteEdit(undoLabel);
                    CopyPathField(path, size, rel);
                    changed = true;
                } else {
                    Log(4, "Texture path too long: %s", dropped.c_str());
                }
            } else {
                Log(3, "Drop an image texture here (.png/.jpg/.tga/.bmp/.hdr/.exr/.webp)");
            }
        }
        ImGui::EndDragDropTarget();
    }
    if (path[0]) ImGui::TextDisabled("%s", path);
    ImGui::PopID();
    return changed;
}
