#include "editor/ui/common/LockIconButton.h"

uint32_t g_icoLockClosed = 0, g_icoLockOpen = 0;

void DrawFallbackLockGlyph(ImDrawList* dl, ImVec2 min, ImVec2 max, bool locked, ImU32 colour) {
    const float w = max.x - min.x, h = max.y - min.y;
    const float cx = min.x + w * 0.5f;
    const float bodyW = w * 0.42f, bodyH = h * 0.34f;
    const ImVec2 bodyMin(cx - bodyW * 0.5f, min.y + h * 0.5f);
    const ImVec2 bodyMax(cx + bodyW * 0.5f, bodyMin.y + bodyH);
    dl->AddRect(bodyMin, bodyMax, colour, 2.0f, 1.6f);
    // Shackle: two legs and an arc above the body; open padlocks swing right.
    const float shift = locked ? 0.0f : w * 0.16f;
    const float legL = bodyMin.x + bodyW * 0.18f + shift, legR = bodyMax.x - bodyW * 0.18f + shift;
    const float top = min.y + h * 0.22f, legTop = top + (legR - legL) * 0.5f;
    const float legBottom = locked ? bodyMin.y : bodyMin.y - h * 0.08f;
    dl->AddLine(ImVec2(legL, legBottom), ImVec2(legL, legTop), colour, 1.7f);
    dl->AddLine(ImVec2(legR, bodyMin.y), ImVec2(legR, legTop), colour, 1.7f);
    const float r = (legR - legL) * 0.5f;
    dl->AddBezierCubic(ImVec2(legL, legTop), ImVec2(legL, legTop - r * 1.33f), ImVec2(legR, legTop - r * 1.33f),
                       ImVec2(legR, legTop), colour, 1.7f);
}

bool LockIconButton(const char* id, bool* value, const char* tooltip, ImVec2 size, bool overlay) {
    const bool locked = value && *value;
    ImGui::PushStyleVar(ImGuiStyleVar_FrameRounding, overlay ? 8.0f : 4.0f);
    ImGui::PushStyleVar(ImGuiStyleVar_FramePadding, ImVec2(0, 0));
    if (locked) {
        ImGui::PushStyleColor(ImGuiCol_Button, ImVec4(0.16f, 0.34f, 0.62f, 0.96f));
        ImGui::PushStyleColor(ImGuiCol_ButtonHovered, ImVec4(0.22f, 0.43f, 0.76f, 1.0f));
    } else {
        ImGui::PushStyleColor(ImGuiCol_Button,
                              overlay ? ImVec4(0.06f, 0.07f, 0.09f, 0.84f) : ImVec4(0.12f, 0.13f, 0.16f, 1.0f));
        ImGui::PushStyleColor(ImGuiCol_ButtonHovered, ImVec4(0.19f, 0.2f, 0.24f, 1.0f));
    }
    ImGui::PushStyleColor(ImGuiCol_ButtonActive, ImVec4(0.1f, 0.27f, 0.5f, 1.0f));
    const bool clicked = ImGui::Button(id, size);
    ImGui::PopStyleColor(3);
    ImGui::PopStyleVar(2);

    const float inset = overlay ? 6.0f : 5.0f;
    const ImVec2 min(ImGui::GetItemRectMin().x + inset, ImGui::GetItemRectMin().y + inset);
    const ImVec2 max(ImGui::GetItemRectMax().x - inset, ImGui::GetItemRectMax().y - inset);
    const ImU32 tint = locked ? IM_COL32(255, 255, 255, 255) : IM_COL32(210, 218, 230, 255);
    const uint32_t icon = locked ? g_icoLockClosed : g_icoLockOpen;
    ImDrawList* dl = ImGui::GetWindowDrawList();
    if (icon) dl->AddImage(ImTextureID(icon), min, max, ImVec2(0, 0), ImVec2(1, 1), tint);
    else DrawFallbackLockGlyph(dl, min, max, locked, tint);

    if (tooltip && tooltip[0] && ImGui::IsItemHovered()) ImGui::SetTooltip("%s", tooltip);
    if (clicked && value) *value = !*value;
    return clicked;
}
