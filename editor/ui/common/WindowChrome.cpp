#include "editor/ui/common/WindowChrome.h"

#include <algorithm>
#include <cmath>

#include "editor/legacy/base/AppState.h"
#include "editor/ui/common/NativeWindow.h"
#include "editor/render/GL.h"
#include "imgui.h"
#include "imgui_internal.h"

#include "editor/assets/ImageCodec.h"

KorvaneWindowProfile g_activeWindowProfile = KorvaneWindowProfileHub;
bool g_windowProfileApplied = false;
bool g_DraggingWindow = false;
double g_DragAbsStartX = 0.0, g_DragAbsStartY = 0.0;
int g_DragStartWX = 0, g_DragStartWY = 0;
uint32_t g_logoTex = 0;
int g_logoW = 0, g_logoH = 0;

namespace {

class GlfwWindowOps : public WindowOps {
public:
    explicit GlfwWindowOps(GLFWwindow* w) : m_window(w) {}
    WorkArea PrimaryWorkArea() override {
        WorkArea a;
        GetPrimaryWorkArea(&a.x, &a.y, &a.width, &a.height);
        return a;
    }
    void SetTitle(const char* title) override { glfwSetWindowTitle(m_window, title); }
    void SetDecorated(bool d) override { glfwSetWindowAttrib(m_window, GLFW_DECORATED, d ? GLFW_TRUE : GLFW_FALSE); }
    void SetSize(int w, int h) override { glfwSetWindowSize(m_window, w, h); }
    void SetPos(int x, int y) override { glfwSetWindowPos(m_window, x, y); }
    void SetFramelessRounded(bool on) override { ::SetFramelessRounded(m_window, on); }
    void RefreshTitle() override { UpdateWindowTitle(); }

private:
    GLFWwindow* m_window;
};

} // namespace

void GetPrimaryWorkArea(int* x, int* y, int* width, int* height) {
    GLFWmonitor* monitor = glfwGetPrimaryMonitor();
    int mx = 0, my = 0, mw = 0, mh = 0;
    if (monitor) glfwGetMonitorWorkarea(monitor, &mx, &my, &mw, &mh);
    WorkArea a = SanitizeWorkArea(monitor != nullptr && mw > 0 && mh > 0, mx, my, mw, mh);
    if (x) *x = a.x;
    if (y) *y = a.y;
    if (width) *width = a.width;
    if (height) *height = a.height;
}

void ApplyWindowProfile(GLFWwindow* window, KorvaneWindowProfile profile, bool force) {
    if (!window) return;
    GlfwWindowOps ops(window);
    ApplyWindowProfileWith(ops, g_activeWindowProfile, g_windowProfileApplied, profile, force, g_gameBuild);
}

void CenterAndSizeWindow(GLFWwindow* window, int width, int height, bool decorated, bool rounded) {
    if (!window || g_gameBuild) return;
    GlfwWindowOps ops(window);
    CenterAndSizeWindowWith(ops, width, height, decorated, rounded);
}

void ApplyEditorWindowToDesktopWorkArea(GLFWwindow* window) {
    if (!window || g_gameBuild) return;
    GlfwWindowOps ops(window);
    WindowRect r = EditorWindowRect(ops.PrimaryWorkArea());
    ops.SetDecorated(true);
    ops.SetPos(r.x, r.y);
    ops.SetSize(r.width, r.height);
}

void HandleFramelessWindowDrag(GLFWwindow* window, const ImVec2& rectMin, const ImVec2& rectMax) {
    if (!window) return;
    DragInput in;
    in.mouseInRect = ImGui::IsMouseHoveringRect(rectMin, rectMax, false);
    in.leftPressedThisFrame = ImGui::IsMouseClicked(ImGuiMouseButton_Left);
    in.leftDown = ImGui::IsMouseDown(ImGuiMouseButton_Left);
    in.anyItemHovered = ImGui::IsAnyItemHovered() || ImGui::IsAnyItemActive();
    glfwGetWindowPos(window, &in.windowX, &in.windowY);
    // GLFW's own cursor position stays valid outside the window during a drag.
    glfwGetCursorPos(window, &in.cursorX, &in.cursorY);
    DragState drag{g_DraggingWindow, g_DragAbsStartX, g_DragAbsStartY, g_DragStartWX, g_DragStartWY};
    int nx = 0, ny = 0;
    bool move = FramelessDragStep(drag, in, &nx, &ny);
    g_DraggingWindow = drag.dragging;
    g_DragAbsStartX = drag.absStartX;
    g_DragAbsStartY = drag.absStartY;
    g_DragStartWX = drag.startWX;
    g_DragStartWY = drag.startWY;
    if (move && (nx != in.windowX || ny != in.windowY)) glfwSetWindowPos(window, nx, ny);
}

bool KorvanePanelCloseButtonAt(const char* id, const ImVec2& pos, const ImVec2& size, const char* tooltip) {
    ImGui::SetCursorScreenPos(pos);
    const bool clicked = ImGui::InvisibleButton(id, size);
    const bool hovered = ImGui::IsItemHovered();
    const bool held = ImGui::IsItemActive();
    ImDrawList* dl = ImGui::GetWindowDrawList();
    const float side = std::min(size.x, size.y);
    const float radius = std::max(6.0f, 0.3f * side);
    const ImVec2 max(pos.x + size.x, pos.y + size.y);
    dl->AddRectFilled(ImVec2(pos.x + 1, pos.y + 2), ImVec2(max.x + 1, max.y + 2), IM_COL32(0, 0, 0, 78), radius);
    ImU32 face = held ? IM_COL32(62, 66, 80, 255) : hovered ? IM_COL32(54, 58, 70, 255) : IM_COL32(42, 45, 55, 238);
    dl->AddRectFilled(pos, max, face, radius);
    dl->AddRect(pos, max, IM_COL32(255, 255, 255, hovered ? 118 : 54), radius);
    const float inset = std::max(8.0f, 0.33f * side);
    const float thick = std::max(1.8f, 0.075f * side);
    const ImU32 cross = hovered ? IM_COL32(255, 255, 255, 255) : IM_COL32(218, 224, 236, 245);
    dl->AddLine(ImVec2(pos.x + inset, pos.y + inset), ImVec2(max.x - inset, max.y - inset), cross, thick);
    dl->AddLine(ImVec2(max.x - inset, pos.y + inset), ImVec2(pos.x + inset, max.y - inset), cross, thick);
    if (hovered && tooltip && tooltip[0]) ImGui::SetTooltip("%s", tooltip);
    return clicked;
}

bool KorvaneNativePanelCloseButtonAt(const char* id, const ImVec2& pos, const char* tooltip) {
    ImGuiWindow* window = ImGui::GetCurrentWindow();
    if (!window || window->SkipItems) return false;
    const ImGuiID bid = window->GetID(id);
    const bool pressed = ImGui::CloseButton(bid, pos);
    if (tooltip && tooltip[0] && ImGui::GetHoveredID() == bid) ImGui::SetTooltip("%s", tooltip);
    return pressed;
}

void DrawKorvaneLogoOverlay(ImDrawList* list, const ImVec2& rectMin, const ImVec2& rectMax, float maxWidth,
                            float alpha) {
    if (!list || !g_logoTex || g_logoW <= 0 || g_logoH <= 0) return;
    if (!std::isfinite(alpha)) return;
    alpha = std::clamp(alpha, 0.0f, 1.0f);
    const float rectW = rectMax.x - rectMin.x;
    const float w = std::min(maxWidth, std::max(80.0f, 0.42f * rectW));
    const float h = w * float(g_logoH) / float(g_logoW);
    const ImVec2 c((rectMin.x + rectMax.x) * 0.5f, (rectMin.y + rectMax.y) * 0.5f);
    const ImVec2 a(c.x - w * 0.5f, c.y - h * 0.5f);
    const ImVec2 b(c.x + w * 0.5f, c.y + h * 0.5f);
    list->AddRectFilled(ImVec2(a.x - 18, a.y - 14), ImVec2(b.x + 18, b.y + 14),
                        IM_COL32(10, 12, 18, int(112 * alpha)), 18.0f);
    list->AddImage(ImTextureRef(ImTextureID(g_logoTex)), a, b, ImVec2(0, 0), ImVec2(1, 1),
                   IM_COL32(255, 255, 255, int(245 * alpha)));
}

uint32_t LoadLogo(const char* path) {
    if (!path || !path[0]) return 0;
    DecodedImage image;
    if (!image.Load(path)) return 0;
    const int w = image.Width(), h = image.Height();
    GLuint tex = 0;
    glGenTextures(1, &tex);
    glBindTexture(GL_TEXTURE_2D, tex);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, image.Pixels());
    glBindTexture(GL_TEXTURE_2D, 0);
    g_logoW = w;
    g_logoH = h;
    return tex;
}

void ApplyAppleTheme() {
    ImGuiStyle& s = ImGui::GetStyle();
    s.WindowPadding = ImVec2(10, 10);
    s.WindowRounding = 10;
    s.WindowBorderSize = 0;
    s.WindowTitleAlign = ImVec2(0.5f, 0.5f);
    s.ChildRounding = 8;
    s.ChildBorderSize = 0;
    s.PopupRounding = 8;
    s.PopupBorderSize = 1;
    s.FramePadding = ImVec2(8, 5);
    s.FrameRounding = 6;
    s.FrameBorderSize = 0;
    s.ItemSpacing = ImVec2(8, 6);
    s.ItemInnerSpacing = ImVec2(6, 4);
    s.IndentSpacing = 20;
    s.ScrollbarSize = 8;
    s.ScrollbarRounding = 4;
    s.GrabMinSize = 8;
    s.GrabRounding = 6;
    s.TabRounding = 8;
    s.TabBorderSize = 0;

    struct Slot { ImGuiCol col; float r, g, b, a; };
    static const Slot slots[] = {
        {ImGuiCol_Text, 0.90f, 0.90f, 0.92f, 1.0f},
        {ImGuiCol_TextDisabled, 0.45f, 0.45f, 0.47f, 1.0f},
        {ImGuiCol_WindowBg, 0.11f, 0.11f, 0.12f, 1.0f},
        {ImGuiCol_ChildBg, 0.09f, 0.09f, 0.10f, 1.0f},
        {ImGuiCol_PopupBg, 0.14f, 0.14f, 0.15f, 0.96f},
        {ImGuiCol_Border, 0.22f, 0.22f, 0.24f, 0.50f},
        {ImGuiCol_FrameBg, 0.16f, 0.16f, 0.18f, 1.0f},
        {ImGuiCol_FrameBgHovered, 0.20f, 0.20f, 0.22f, 1.0f},
        {ImGuiCol_FrameBgActive, 0.24f, 0.24f, 0.26f, 1.0f},
        {ImGuiCol_TitleBg, 0.08f, 0.08f, 0.09f, 1.0f},
        {ImGuiCol_TitleBgActive, 0.08f, 0.08f, 0.09f, 1.0f},
        {ImGuiCol_MenuBarBg, 0.08f, 0.08f, 0.09f, 1.0f},
        {ImGuiCol_ScrollbarBg, 0.08f, 0.08f, 0.09f, 0.0f},
        {ImGuiCol_ScrollbarGrab, 0.25f, 0.25f, 0.27f, 1.0f},
        {ImGuiCol_ScrollbarGrabHovered, 0.35f, 0.35f, 0.37f, 1.0f},
        {ImGuiCol_ScrollbarGrabActive, 0.45f, 0.45f, 0.47f, 1.0f},
        {ImGuiCol_CheckMark, 0.82f, 0.84f, 0.88f, 1.0f},
        {ImGuiCol_SliderGrab, 0.74f, 0.76f, 0.80f, 1.0f},
        {ImGuiCol_Button, 0.16f, 0.16f, 0.18f, 1.0f},
        {ImGuiCol_ButtonHovered, 0.22f, 0.22f, 0.24f, 1.0f},
        {ImGuiCol_ButtonActive, 0.32f, 0.33f, 0.36f, 1.0f},
        {ImGuiCol_Header, 0.16f, 0.16f, 0.18f, 1.0f},
        {ImGuiCol_HeaderHovered, 0.20f, 0.20f, 0.22f, 1.0f},
        {ImGuiCol_HeaderActive, 0.22f, 0.22f, 0.24f, 1.0f},
        {ImGuiCol_Separator, 0.20f, 0.20f, 0.22f, 0.50f},
        {ImGuiCol_ResizeGrip, 0.25f, 0.25f, 0.27f, 0.0f},
        {ImGuiCol_ResizeGripHovered, 0.35f, 0.35f, 0.37f, 1.0f},
        {ImGuiCol_ResizeGripActive, 0.72f, 0.74f, 0.78f, 1.0f},
        {ImGuiCol_Tab, 0.11f, 0.11f, 0.12f, 1.0f},
        {ImGuiCol_TabHovered, 0.18f, 0.18f, 0.20f, 1.0f},
        {ImGuiCol_TabSelected, 0.14f, 0.14f, 0.15f, 1.0f},
        {ImGuiCol_TabDimmed, 0.09f, 0.09f, 0.10f, 1.0f},
        {ImGuiCol_TabDimmedSelected, 0.11f, 0.11f, 0.12f, 1.0f},
        {ImGuiCol_DockingPreview, 0.74f, 0.76f, 0.80f, 0.28f},
        {ImGuiCol_DockingEmptyBg, 0.06f, 0.06f, 0.07f, 1.0f},
        {ImGuiCol_DragDropTarget, 0.74f, 0.76f, 0.80f, 0.42f},
        {ImGuiCol_TextSelectedBg, 0.55f, 0.57f, 0.62f, 0.34f},
        {ImGuiCol_NavCursor, 0.72f, 0.74f, 0.78f, 0.32f},
    };
    for (const Slot& slot : slots) s.Colors[slot.col] = ImVec4(slot.r, slot.g, slot.b, slot.a);
}
