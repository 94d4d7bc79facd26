#include "editor/ui/common/EditWidgets.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <vector>

#include "imgui.h"
#include "imgui_internal.h"

#include "editor/legacy/scene/Entity.h"
#include "editor/legacy/scene/EntityStore.h"
#include "editor/legacy/scene/Undo.h"
#include "editor/ui/common/EditorTools.h"
#include "editor/ui/common/LockIconButton.h"

uint64_t g_editSnapshotCount = 0;

namespace {

// The item that was active when the pending entry was opened (a drag, a text
// field, or the picker inside a colour popup), and the entry's label.
ImGuiID s_pendingItem = 0;
char s_pendingLabel[64] = "";

template <class T>
bool SameBits(const T& a, const T& b) {
    return std::memcmp(&a, &b, sizeof(T)) == 0;
}

bool AllFinite(const float* v, int n) {
    for (int i = 0; i < n; ++i)
        if (!std::isfinite(v[i])) return false;
    return true;
}

bool Limited(float vmin, float vmax) { return vmin < vmax; }

} // namespace

float ClampEditValue(float v, float vmin, float vmax) {
    if (!Limited(vmin, vmax)) return v;
    if (std::isnan(v)) return vmin;
    return std::min(std::max(v, vmin), vmax);
}

bool EditPendingOpen() { return s_pendingItem != 0; }

void ResetEditWidgets() {
    s_pendingItem = 0;
    s_pendingLabel[0] = '\0';
}

void SettlePendingEdit() {
    if (s_pendingItem == 0) return;
    if (ImGui::GetCurrentContext() && ImGui::GetActiveID() == s_pendingItem) return;
    s_pendingItem = 0;
    UndoCommitPending(s_pendingLabel);
    s_pendingLabel[0] = '\0';
}

void RecordDiscreteEdit(const char* undoLabel) {
    SettlePendingEdit();
    if (s_pendingItem != 0) {
        // A discrete change while a drag still holds the pending entry: close
        // the drag's entry first so the two stay separate steps.
        s_pendingItem = 0;
        UndoCommitPending(s_pendingLabel);
    }
    ++g_editSnapshotCount;
    UndoPushSnapshot(CaptureSceneSnapshot(), undoLabel);
}

void RecordContinuousEdit(const char* undoLabel) {
    ImGuiID active = ImGui::GetCurrentContext() ? ImGui::GetActiveID() : 0;
    if (active == 0) {  // changed without an active item (keyboard, paste): one step
        RecordDiscreteEdit(undoLabel);
        return;
    }
    if (s_pendingItem == active) {
        MarkSceneDirty();
        return;
    }
    if (s_pendingItem != 0) {
        s_pendingItem = 0;
        UndoCommitPending(s_pendingLabel);
    }
    ++g_editSnapshotCount;
    UndoBeginSnapshotFrom(CaptureSceneSnapshot(), undoLabel);
    s_pendingItem = active;
    CopyTextField(s_pendingLabel, undoLabel ? undoLabel : "");
    MarkSceneDirty();
}

void ApplyUniformScaleRatio(const Vec3& old, Vec3& v, int k, float vmin, float vmax) {
    const float o[3] = {old.x, old.y, old.z};
    float n[3] = {v.x, v.y, v.z};
    float base = std::fabs(o[k]) <= 1e-4f ? 1.0f : o[k];
    float ratio = n[k] / base;
    if (!std::isfinite(ratio)) return;
    for (int i = 0; i < 3; ++i)
        if (i != k) n[i] = ClampEditValue(o[i] * ratio, vmin, vmax);
    v = Vec3(n[0], n[1], n[2]);
}

bool EditFloat(const char* id, float* v, float speed, float vmin, float vmax, const char* undoLabel,
               const char* format) {
    SettlePendingEdit();
    float copy = *v;
    bool touched = ImGui::DragFloat(id, &copy, speed, vmin, vmax, format, ImGuiSliderFlags_AlwaysClamp);
    bool changed = touched && std::isfinite(copy);
    if (changed) copy = ClampEditValue(copy, vmin, vmax);
    changed = changed && !SameBits(copy, *v);
    if (changed) {
        RecordContinuousEdit(undoLabel);
        *v = copy;
    }
    SettlePendingEdit();
    return changed;
}

bool EditInt(const char* id, int32_t* v, float speed, int32_t vmin, int32_t vmax, const char* undoLabel,
             const char* format) {
    SettlePendingEdit();
    int copy = *v;
    bool touched = ImGui::DragInt(id, &copy, speed, vmin, vmax, format, ImGuiSliderFlags_AlwaysClamp);
    if (vmin < vmax) copy = std::min(std::max(copy, int(vmin)), int(vmax));
    bool changed = touched && copy != *v;
    if (changed) {
        RecordContinuousEdit(undoLabel);
        *v = copy;
    }
    SettlePendingEdit();
    return changed;
}

bool EditIntAsFloat(const char* id, int32_t* v, float speed, float vmin, float vmax, const char* undoLabel) {
    SettlePendingEdit();
    float copy = float(*v);
    bool touched = ImGui::DragFloat(id, &copy, speed, vmin, vmax, "%.3f", ImGuiSliderFlags_AlwaysClamp);
    if (std::isfinite(copy)) copy = ClampEditValue(copy, vmin, vmax);
    bool changed = false;
    if (touched && std::isfinite(copy) && copy > -2147483648.0f && copy < 2147483648.0f) {
        int32_t whole = int32_t(copy);
        if (whole != *v) {
            RecordContinuousEdit(undoLabel);
            *v = whole;
            changed = true;
        }
    }
    SettlePendingEdit();
    return changed;
}

namespace {

bool Vec3Drags(const char* const ids[3], float itemWidth, float groupWidth, Vec3& c, float speed, float vmin,
               float vmax, int* changedAxis) {
    static const char* const letters[3] = {"X", "Y", "Z"};
    static const ImVec4 colours[3] = {ImVec4(1, 0.35f, 0.35f, 1), ImVec4(0.35f, 1, 0.35f, 1),
                                      ImVec4(0.35f, 0.45f, 1, 1)};
    float* comps[3] = {&c.x, &c.y, &c.z};
    bool any = false;
    for (int i = 0; i < 3; ++i) {
        if (i > 0) ImGui::SameLine(0, 4);
        ImGui::BeginGroup();
        ImGui::TextColored(colours[i], "%s", letters[i]);
        ImGui::SameLine(0, 2);
        ImGui::SetNextItemWidth(itemWidth);
        float before = *comps[i];
        if (ImGui::DragFloat(ids[i], comps[i], speed, vmin, vmax, "%.2f", ImGuiSliderFlags_AlwaysClamp)) {
            if (!std::isfinite(*comps[i])) *comps[i] = before;
            *comps[i] = ClampEditValue(*comps[i], vmin, vmax);
            if (!SameBits(before, *comps[i])) {
                any = true;
                *changedAxis = i;
            }
        }
        ImGui::EndGroup();
    }
    (void)groupWidth;
    return any;
}

} // namespace

bool EditVec3(const char* label, Vec3* v, float speed, float vmin, float vmax, const char* undoLabel,
              bool showLock) {
    SettlePendingEdit();
    ImGui::PushID(label);
    ImGui::TextUnformatted(label);
    float avail = ImGui::GetContentRegionAvail().x;
    float w = std::max(38.0f, (avail - (showLock ? 30.0f : 0.0f) - 28.0f) / 3.0f - 8.0f);
    static const char* const ids[3] = {"##v3x", "##v3y", "##v3z"};
    Vec3 c = *v;
    int axis = -1;
    bool any = Vec3Drags(ids, w - 16.0f, w, c, speed, vmin, vmax, &axis);
    if (showLock) {
        ImGui::SameLine();
        LockIconButton("##scaleLockIcon", &g_uniformScaleLock,
                       g_uniformScaleLock ? "Uniform scale locked: X/Y/Z scale together"
                                          : "Uniform scale unlocked: X/Y/Z scale independently",
                       ImVec2(26, 22), false);
        if (any && g_uniformScaleLock && axis >= 0) ApplyUniformScaleRatio(*v, c, axis, vmin, vmax);
    }
    if (any) {
        RecordContinuousEdit(undoLabel);
        *v = c;
    }
    ImGui::PopID();
    SettlePendingEdit();
    return any;
}

bool EditVec3Plain(const char* label, Vec3* v, float speed, float vmin, float vmax, const char* undoLabel) {
    SettlePendingEdit();
    ImGui::PushID(label);
    ImGui::TextUnformatted(label);
    float w = std::max(40.0f, ImGui::GetContentRegionAvail().x / 3.0f - 8.0f);
    static const char* const ids[3] = {"##colx", "##coly", "##colz"};
    Vec3 c = *v;
    int axis = -1;
    bool any = Vec3Drags(ids, w - 16.0f, w, c, speed, vmin, vmax, &axis);
    if (any) {
        RecordContinuousEdit(undoLabel);
        *v = c;
    }
    ImGui::PopID();
    SettlePendingEdit();
    return any;
}

namespace {

bool EditColorN(const char* id, float* values, int n, const char* undoLabel) {
    SettlePendingEdit();
    float copy[4] = {values[0], values[1], values[2], n == 4 ? values[3] : 1.0f};
    bool touched = n == 4 ? ImGui::ColorEdit4(id, copy) : ImGui::ColorEdit3(id, copy);
    bool changed = touched && AllFinite(copy, n) && std::memcmp(copy, values, sizeof(float) * size_t(n)) != 0;
    if (changed) {
        RecordContinuousEdit(undoLabel);
        std::memcpy(values, copy, sizeof(float) * size_t(n));
    }
    SettlePendingEdit();
    return changed;
}

} // namespace

bool EditColor4(const char* id, float* rgba, const char* undoLabel) { return EditColorN(id, rgba, 4, undoLabel); }
bool EditColor3(const char* id, float* rgb, const char* undoLabel) { return EditColorN(id, rgb, 3, undoLabel); }

bool EditText(const char* id, char* buf, size_t size, const char* undoLabel) {
    SettlePendingEdit();
    if (size == 0) return false;
    char small[1024];
    std::vector<char> big;
    char* copy = small;
    if (size > sizeof(small)) {
        big.resize(size);
        copy = big.data();
    }
    std::memcpy(copy, buf, size);
    copy[size - 1] = '\0';
    bool changed = ImGui::InputText(id, copy, size) && std::strcmp(copy, buf) != 0;
    if (changed) {
        RecordContinuousEdit(undoLabel);
        CopyTextField(buf, size, copy);
    }
    SettlePendingEdit();
    return changed;
}

bool EditCheckbox(const char* label, bool* v, const char* undoLabel) {
    SettlePendingEdit();
    bool copy = *v;
    bool changed = ImGui::Checkbox(label, &copy) && copy != *v;
    if (changed) {
        RecordDiscreteEdit(undoLabel);
        *v = copy;
    }
    return changed;
}

bool EditCombo(const char* id, int32_t* v, const char* const* labels, int count, const char* undoLabel) {
    SettlePendingEdit();
    int copy = *v;
    bool changed = ImGui::Combo(id, &copy, labels, count) && copy != *v;
    if (changed) {
        RecordDiscreteEdit(undoLabel);
        *v = copy;
    }
    return changed;
}
