#include "editor/ui/viewport/ViewportPanel.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "editor/assets/EditorIcons.h"
#include "editor/legacy/base/AppState.h"
#include "editor/legacy/base/EditorLog.h"
#include "editor/legacy/scene/EntityStore.h"
#include "editor/legacy/scene/Undo.h"
#include "editor/ui/common/UiProbe.h"
#include "editor/ui/common/WindowChrome.h"
#include "editor/render/RenderTargets.h"
#include "editor/render/ScenePasses.h"
#include "editor/ui/viewport/EditorCamera.h"
#include "editor/ui/common/EditorHooks.h"
#include "editor/ui/common/EntityPresets.h"
#include "editor/ui/viewport/Gizmo.h"
#include "editor/ui/common/LockIconButton.h"
#include "editor/ui/viewport/ViewportInput.h"
#include "editor/ui/viewport/ViewportRender.h"

ImVec2 g_vpImageMin{0, 0};

namespace {

constexpr float kHeaderH = 40.0f;

ImVec2 Add(ImVec2 a, ImVec2 b) { return ImVec2(a.x + b.x, a.y + b.y); }
ImVec2 Sub(ImVec2 a, ImVec2 b) { return ImVec2(a.x - b.x, a.y - b.y); }

ImU32 Scaled(const uint8_t c[4], float b) {
    auto s = [b](uint8_t v) { return int(float(v) * b); };
    return IM_COL32(s(c[0]), s(c[1]), s(c[2]), s(c[3]));
}

// Left press that started inside the orientation widget (click or drag).
bool g_orientPressed = false;

bool StripButton(const char* label, const char* tooltip, uint32_t icon, bool active, ImVec2 pos, ImVec2 size,
                 float inset) {
    ImGui::SetCursorScreenPos(pos);
    if (active) {
        ImGui::PushStyleColor(ImGuiCol_Button, ImVec4(0.0f, 0.48f, 1.0f, 1.0f));
        ImGui::PushStyleColor(ImGuiCol_ButtonHovered, ImVec4(0.0f, 0.48f, 1.0f, 1.0f));
    } else {
        ImGui::PushStyleColor(ImGuiCol_Button, ImVec4(0.16f, 0.16f, 0.19f, 1.0f));
        ImGui::PushStyleColor(ImGuiCol_ButtonHovered, ImVec4(0.22f, 0.22f, 0.26f, 1.0f));
    }
    const bool clicked = ImGui::Button(label, size);
    ImGui::PopStyleColor(2);
    if (icon) {
        const ImVec2 min = Add(ImGui::GetItemRectMin(), ImVec2(inset, inset));
        const ImVec2 max = Sub(ImGui::GetItemRectMax(), ImVec2(inset, inset));
        ImGui::GetWindowDrawList()->AddImage(ImTextureID(icon), min, max, ImVec2(0, 0), ImVec2(1, 1),
                                             active ? IM_COL32_WHITE : IM_COL32(200, 205, 215, 255));
    }
    if (tooltip && ImGui::IsItemHovered()) ImGui::SetTooltip("%s", tooltip);
    return clicked;
}

void Header(ImVec2 origin, float width) {
    ImDrawList* dl = ImGui::GetWindowDrawList();
    dl->AddRectFilled(origin, Add(origin, ImVec2(width, kHeaderH)), IM_COL32(18, 18, 24, 220), 10.0f,
                      ImDrawFlags_RoundCornersTop);
    dl->AddLine(ImVec2(origin.x, origin.y + kHeaderH), ImVec2(origin.x + width, origin.y + kHeaderH),
                IM_COL32(255, 255, 255, 6));

    ImGui::PushStyleVar(ImGuiStyleVar_FrameRounding, 4.0f);
    ImGui::PushStyleColor(ImGuiCol_FrameBg, IM_COL32(35, 35, 40, 255));
    ImGui::PushStyleColor(ImGuiCol_FrameBgHovered, IM_COL32(45, 45, 52, 255));
    ImGui::PushStyleVar(ImGuiStyleVar_FramePadding, ImVec2(6, 3));
    ImGui::SetCursorScreenPos(Add(origin, ImVec2(58, 8)));
    ImGui::SetNextItemWidth(132);
    int mode = std::clamp<int>(g_viewMode, 0, 2);
    if (ImGui::Combo("##viewmode_top", &mode, "Shaded\0Wireframe\0Shaded + Wire\0")) g_viewMode = mode;
    ImGui::PopStyleVar();

    if (g_editorHooks.drawPlayTransportControls) {
        ImGui::SetCursorScreenPos(Add(origin, ImVec2((width - 108.0f) * 0.5f, 4)));
        g_editorHooks.drawPlayTransportControls("viewport", 32.0f, 6.0f);
    }

    g_vpResScale = std::clamp<int32_t>(g_vpResScale, 0, 2);
    ImGui::PushStyleVar(ImGuiStyleVar_FramePadding, ImVec2(4, 3));
    ImGui::SetCursorScreenPos(Add(origin, ImVec2(width - 80.0f, 8)));
    ImGui::SetNextItemWidth(70);
    int res = g_vpResScale;
    if (ImGui::Combo("##res", &res, "1x\0" "2x\0" "3x\0")) g_vpResScale = res;
    ImGui::PopStyleVar(2);
    ImGui::PopStyleColor(2);
}

void OrientationWidgetDraw(ImVec2 boxMin, ImVec2 boxMax, bool inside) {
    ImDrawList* dl = ImGui::GetWindowDrawList();
    const ImVec2 c((boxMin.x + boxMax.x) * 0.5f, (boxMin.y + boxMax.y) * 0.5f);
    dl->AddRectFilled(boxMin, boxMax, IM_COL32(14, 14, 20, 215), 8.0f);
    dl->AddRect(boxMin, boxMax, inside ? IM_COL32(100, 120, 180, 120) : IM_COL32(60, 60, 80, 60), 8.0f, 1.0f);
    const CameraBasisVectors b = CameraBasis();
    for (const OrientationAxis& a : kOrientationAxes) {
        const float r = a.dir.dot(b.right), u = a.dir.dot(b.up), f = a.dir.dot(b.forward);
        const ImVec2 tip(c.x + r * kOrientationAxisLen, c.y - u * kOrientationAxisLen);
        const float bright = std::max(a.positive ? 0.15f : 0.08f, 1.0f - 0.7f * std::max(0.0f, f));
        const ImU32 col = Scaled(a.rgba, bright);
        dl->AddLine(c, tip, col, a.positive ? 2.5f : 1.2f);
        dl->AddCircleFilled(tip, a.positive ? 5.0f : 3.0f, col);
        if (a.positive) dl->AddCircle(tip, 5.0f, IM_COL32(255, 255, 255, 60), 0, 1.5f);
        const ImU32 textCol = a.positive ? IM_COL32(a.rgba[0], a.rgba[1], a.rgba[2], a.rgba[3]) : IM_COL32(120, 120, 140, 120);
        dl->AddText(ImVec2(tip.x + 8 * r, tip.y - 8 * u), textCol, a.label);
    }
    dl->AddCircleFilled(c, 7.0f, IM_COL32(50, 50, 70, 200));
    dl->AddCircle(c, 7.0f, IM_COL32(100, 100, 130, 120), 0, 1.5f);
}

// Mouse over the widget: drag orbits, a click picks a view. Returns whether
// viewport clicks are blocked this frame.
bool OrientationWidgetInput(ImVec2 boxMin, ImVec2 boxMax, bool inside) {
    const ImGuiIO& io = ImGui::GetIO();
    if (inside && ImGui::IsMouseClicked(ImGuiMouseButton_Left)) g_orientPressed = true;
    if (g_orientPressed && inside && ImGui::IsMouseDragging(ImGuiMouseButton_Left))
        OrientationWidgetDrag(io.MouseDelta);
    if (g_orientPressed && ImGui::IsMouseReleased(ImGuiMouseButton_Left)) {
        const ImVec2 drag = ImGui::GetMouseDragDelta(ImGuiMouseButton_Left, 0.0f);
        const bool wasDrag = drag.x * drag.x + drag.y * drag.y > io.MouseDragThreshold * io.MouseDragThreshold;
        if (inside && !wasDrag) {
            const ImVec2 c((boxMin.x + boxMax.x) * 0.5f, (boxMin.y + boxMax.y) * 0.5f);
            ApplyOrientationChoice(OrientationWidgetChoice(Sub(io.MousePos, c), CameraBasis()));
        }
        g_orientPressed = false;
    }
    return inside && (ImGui::IsMouseDown(ImGuiMouseButton_Left) || ImGui::IsMouseClicked(ImGuiMouseButton_Left) ||
                      ImGui::IsMouseDragging(ImGuiMouseButton_Left));
}

// Where entities and the gizmo handles are on screen, for tests and scripts
// that drive the editor with synthetic clicks (only when probing is on).
// Points are reported as 2x2 rectangles centred on them.
void ProbeViewport(ImVec2 imgMin, ImVec2 imgMax) {
    if (!UiProbeEnabled()) return;
    UiProbeRect("viewport.image", imgMin, imgMax);
    char name[64];
    int listed = 0;
    for (const Entity& e : g_ents) {
        if (!e.enabled || listed >= 64) continue;
        ImVec2 s;
        if (!WorldToScreen(EntityWorldPos(e), s)) continue;
        ++listed;
        std::snprintf(name, sizeof name, "viewport.ent.%d", e.id);
        UiProbeRect(name, ImVec2(imgMin.x + s.x - 1, imgMin.y + s.y - 1), ImVec2(imgMin.x + s.x + 1, imgMin.y + s.y + 1));
    }
    const Entity* sel = GetEnt(g_selId);
    if (!sel || g_gizmoMode < 0 || g_gizmoMode == kGizmoRotate) return;
    Vec3 ax[3];
    GizmoAxes(*sel, g_gizmoMode, ax);
    const Vec3 c = EntityWorldPos(*sel);
    for (int i = 0; i < 3; ++i) {
        ImVec2 s;
        if (!WorldToScreen(c + ax[i] * (0.8f * GizmoWorldScale(c)), s)) continue;
        std::snprintf(name, sizeof name, "viewport.gizmo.%d", i);
        UiProbeRect(name, ImVec2(imgMin.x + s.x - 1, imgMin.y + s.y - 1), ImVec2(imgMin.x + s.x + 1, imgMin.y + s.y + 1));
    }
}

std::string PayloadText(const ImGuiPayload* p) {
    if (!p || !p->Data || p->DataSize <= 0) return std::string();
    const char* s = static_cast<const char*>(p->Data);
    return std::string(s, strnlen(s, size_t(p->DataSize)));
}

void DropTarget() {
    if (!ImGui::BeginDragDropTarget()) return;
    if (const ImGuiPayload* p = ImGui::AcceptDragDropPayload("PROJ_FILE")) {
        const std::string path = PayloadText(p);
        if (!path.empty() && g_editorHooks.createEntityFromAsset &&
            (!g_editorHooks.isSceneAsset || g_editorHooks.isSceneAsset(path.c_str()))) {
            SceneSnapshot before = CaptureSceneSnapshot();
            if (g_editorHooks.createEntityFromAsset(path.c_str()) >= 0) {
                UndoPushSnapshot(before, "Import Asset To Scene");
                Log(2, "Dropped into viewport: %s", path.c_str());
            }
        }
    }
    ImGui::EndDragDropTarget();
}

void ContextMenu() {
    if (!ImGui::BeginPopup("VpCtx")) return;
    struct Item {
        const char* label;
        EntityPreset preset;
        bool separatorBefore;
    } const items[] = {
        {"Create Empty", EntityPreset::Empty, false},
        {"Cube", EntityPreset::Cube, true},
        {"Sphere", EntityPreset::Sphere, false},
        {"Cylinder", EntityPreset::Cylinder, false},
        {"Plane", EntityPreset::Plane, false},
        {"Directional Light", EntityPreset::DirectionalLight, true},
        {"Point Light", EntityPreset::PointLight, false},
        {"Spot Light", EntityPreset::SpotLight, false},
        {"Camera", EntityPreset::Camera, false},
        {"Collider", EntityPreset::Collider, false},
    };
    for (const Item& it : items) {
        if (it.separatorBefore) ImGui::Separator();
        if (ImGui::MenuItem(it.label)) CreatePresetEntity(it.preset);
    }
    ImGui::EndPopup();
}

} // namespace

void UpdateViewMatrix() {
    AdvanceViewTransition(ImGui::GetIO().DeltaTime);
    RecomputeViewMatrices();
}

void ViewportToolbar() {
    ImDrawList* dl = ImGui::GetWindowDrawList();
    const float x0 = ImGui::GetWindowPos().x + 6.0f;
    const float y0 = ImGui::GetCursorScreenPos().y;
    const float h = ImGui::GetWindowHeight();
    dl->AddRectFilled(ImVec2(x0, y0 + 4), ImVec2(x0 + 42, y0 + h - 8), IM_COL32(18, 18, 24, 200), 8.0f);
    dl->AddRect(ImVec2(x0, y0 + 4), ImVec2(x0 + 42, y0 + h - 8), IM_COL32(255, 255, 255, 10), 8.0f, 1.0f);

    ImGui::PushStyleVar(ImGuiStyleVar_FrameRounding, 6.0f);
    ImGui::PushStyleVar(ImGuiStyleVar_FramePadding, ImVec2(4, 4));
    float y = y0 + 12.0f;
    struct Tool {
        const char* label;
        const char* tooltip;
        uint32_t icon;
        int mode;
    } const tools[] = {
        {"##tool0", "Move (W)", g_icoMove, kGizmoMove},
        {"##tool1", "Rotate (E)", g_icoRotate, kGizmoRotate},
        {"##tool2", "Scale (R)", g_icoScale, kGizmoScale},
    };
    for (const Tool& t : tools) {
        if (StripButton(t.label, t.tooltip, t.icon, g_gizmoMode == t.mode, ImVec2(x0 + 5, y), ImVec2(32, 32), 5.0f))
            g_gizmoMode = t.mode;
        y += 36.0f;
    }
    y += 4.0f;
    if (StripButton("##toggleSnap to Grid", "Snap to Grid", g_icoSnap, g_snapGrid, ImVec2(x0 + 5, y), ImVec2(32, 32),
                    5.0f))
        g_snapGrid = !g_snapGrid;
    y += 36.0f;
    if (StripButton("##toggleShow Grid", "Show Grid", g_icoGridShow, g_showGrid, ImVec2(x0 + 5, y), ImVec2(32, 32),
                    5.0f))
        g_showGrid = !g_showGrid;
    y += 36.0f + 8.0f;
    if (StripButton("##camPreview", "Camera Preview", g_icoCam, g_showPreview, ImVec2(x0 + 8, y), ImVec2(26, 26),
                    3.0f)) {
        g_showPreview = !g_showPreview;
        if (g_showPreview && g_pvCamId < 0) {
            for (const Entity& e : g_ents) {
                if (e.hasCamera) {
                    g_pvCamId = e.id;
                    break;
                }
            }
        }
        if (!g_showPreview) g_dragPreview = false;
    }
    ImGui::PopStyleVar(2);
    g_vpLeftMargin = 52.0f;
}

void ViewportPanel() {
    ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, ImVec2(0, 0));
    ImGui::PushStyleVar(ImGuiStyleVar_WindowRounding, 12.0f);
    ImGui::PushStyleColor(ImGuiCol_WindowBg, ImVec4(0.07f, 0.07f, 0.09f, 1.0f));
    const bool visible = ImGui::Begin("Viewport", nullptr,
                                      ImGuiWindowFlags_NoScrollbar | ImGuiWindowFlags_NoScrollWithMouse |
                                          ImGuiWindowFlags_NoBringToFrontOnFocus);
    ImGui::PopStyleVar(2);
    ImGui::PopStyleColor();
    g_vpHovered = ImGui::IsWindowHovered(ImGuiHoveredFlags_ChildWindows);
    g_vpFocused = ImGui::IsWindowFocused(ImGuiFocusedFlags_ChildWindows);
    if (!visible) {
        ImGui::End();
        // A drag that lost its window still ends with the button.
        if (ImGui::IsMouseReleased(ImGuiMouseButton_Left)) ViewportLeftRelease();
        return;
    }
    const ImGuiIO& io = ImGui::GetIO();
    const ImVec2 winPos = ImGui::GetWindowPos();
    const ImVec2 winSize = ImGui::GetWindowSize();
    const ImVec2 start = ImGui::GetCursorScreenPos();
    const ImVec2 origin(winPos.x, start.y);
    Header(origin, winSize.x);

    g_vpLeftMargin = 0.0f;
    ImGui::SetCursorScreenPos(ImVec2(start.x, origin.y + kHeaderH));
    ViewportToolbar();
    ImGui::SetCursorScreenPos(ImVec2(start.x + g_vpLeftMargin, origin.y + kHeaderH));

    // Sizes: the display follows the panel, the render target multiplies it.
    const ImVec2 avail = ImGui::GetContentRegionAvail();
    g_vpDispW = std::max(32, int(avail.x));
    g_vpDispH = std::max(32, int(avail.y));
    if (g_vpFBO) {
        static int s_maxSide = 0;
        if (s_maxSide <= 0) s_maxSide = MaxTargetSize();
        int w = 0, h = 0;
        ViewportRenderSize(g_vpDispW, g_vpDispH, g_vpResScale, s_maxSide, w, h);
        if (w != g_vpW || h != g_vpH) ResizeFBO(w, h);
    }
    UpdateViewMatrix();
    RenderViewport3D();

    ImDrawList* dl = ImGui::GetWindowDrawList();
    const ImVec2 imgMin = ImGui::GetCursorScreenPos();
    g_vpImageMin = imgMin;
    const ImVec2 dispSize{float(g_vpDispW), float(g_vpDispH)};
    const ImVec2 imgMax = Add(imgMin, dispSize);
    if (g_vpTex) dl->AddImage(ImTextureID(g_vpTex), imgMin, imgMax, ImVec2(0, 1), ImVec2(1, 0));
    else dl->AddRectFilled(imgMin, imgMax, IM_COL32(14, 15, 19, 255));
    const ImVec2 local = Sub(io.MousePos, imgMin);

    // Items over the image are submitted before it, so they take the mouse.
    bool blocked = false;
    const Entity* sel = GetEnt(g_selId);
    ImVec2 selScreen;
    if (!g_playing && g_gizmoMode == kGizmoScale && sel && WorldToScreen(EntityWorldPos(*sel), selScreen)) {
        ImGui::PushID("viewportScaleLock");
        ImGui::SetCursorScreenPos(ImVec2(imgMin.x + selScreen.x + 34.0f, imgMin.y + selScreen.y - 18.0f));
        LockIconButton("##viewportScaleLockIcon", &g_uniformScaleLock,
                       g_uniformScaleLock ? "Uniform scale locked: scale gizmo scales X/Y/Z together"
                                          : "Uniform scale unlocked: scale gizmo scales one axis",
                       ImVec2(30, 30), true);
        if (ImGui::IsItemHovered() || ImGui::IsItemActive() ||
            ImGui::IsMouseHoveringRect(ImGui::GetItemRectMin(), ImGui::GetItemRectMax()))
            blocked = true;
        ImGui::PopID();
    }
    const ImVec2 boxMax(imgMax.x - kOrientationBoxMargin, imgMax.y - kOrientationBoxMargin);
    const ImVec2 boxMin(boxMax.x - kOrientationBoxSize, boxMax.y - kOrientationBoxSize);
    const bool inBox = g_vpHovered && ImGui::IsMouseHoveringRect(boxMin, boxMax, false);
    if (OrientationWidgetInput(boxMin, boxMax, inBox)) blocked = true;

    ImGui::SetCursorScreenPos(imgMin);
    ImGui::InvisibleButton("##vpClick", dispSize,
                           ImGuiButtonFlags_MouseButtonLeft | ImGuiButtonFlags_MouseButtonRight |
                               ImGuiButtonFlags_MouseButtonMiddle);
    const bool imgHovered = ImGui::IsItemHovered();
    const bool imgActive = ImGui::IsItemActive();
    g_vpHovered = imgHovered;
    DropTarget();

    // Right button: a click opens "VpCtx", a drag navigates.
    if (ImGui::IsItemClicked(ImGuiMouseButton_Right) && imgHovered && !blocked) RightClickPress(io.MousePos);
    if (g_vpRightWasDown && ImGui::IsMouseDown(ImGuiMouseButton_Right)) RightClickMove(io.MousePos);
    if (g_vpRightWasDown && ImGui::IsMouseReleased(ImGuiMouseButton_Right) && RightClickRelease(imgHovered, blocked))
        ImGui::OpenPopup("VpCtx");
    ContextMenu();

    ViewportNavInput nav;
    nav.mouseDelta = io.MouseDelta;
    // Drags navigate only when they started on the image.
    nav.leftDown = imgActive && ImGui::IsMouseDown(ImGuiMouseButton_Left) && !blocked;
    nav.rightDown = imgActive && ImGui::IsMouseDown(ImGuiMouseButton_Right);
    nav.middleDown = imgActive && ImGui::IsMouseDown(ImGuiMouseButton_Middle);
    nav.alt = io.KeyAlt;
    nav.shift = io.KeyShift;
    nav.cmd = io.KeyCtrl || io.KeySuper;
    nav.wheel = io.MouseWheel;
    nav.wheelH = io.MouseWheelH;
    nav.imageHovered = imgHovered;
    nav.imageActive = imgActive;
    nav.playing = g_playing;
    ApplyViewportNavigation(nav);

    if (ImGui::IsItemClicked(ImGuiMouseButton_Left) && !g_playing && !blocked && !io.KeyAlt)
        ViewportLeftClick(local.x, local.y);
    if (g_gizmoDrag) ViewportDragUpdate(local.x, local.y);
    if (ImGui::IsMouseReleased(ImGuiMouseButton_Left)) ViewportLeftRelease();

    dl->AddRect(Add(imgMin, ImVec2(0.5f, 0.5f)), Sub(imgMax, ImVec2(0.5f, 0.5f)), IM_COL32(255, 255, 255, 18), 0.0f,
                0.5f);
    if (g_playing) {
        dl->AddRectFilled(imgMin, imgMax, IM_COL32(0, 0, 0, 40));
        const char* text = "\xE2\x96\xB6 PLAYING";
        const ImVec2 ts = ImGui::CalcTextSize(text);
        dl->AddText(ImVec2(imgMin.x + (dispSize.x - ts.x) * 0.5f, imgMin.y + dispSize.y * 0.12f),
                    IM_COL32(100, 255, 100, 200), text);
    }
    OrientationWidgetDraw(boxMin, boxMax, inBox);
    ProbeViewport(imgMin, imgMax);
    ImGui::End();
    CameraPreviewPanel(winPos, Add(winPos, winSize));
}

void CameraPreviewPanel(ImVec2 hostMin, ImVec2 hostMax) {
    // Turned on without any camera in the scene: it closes again at once.
    if (!g_showPreview) return;
    const int32_t cam = ResolvePreviewCamera(g_pvCamId);
    if (cam < 0) {
        g_showPreview = false;
        g_pvCamId = -1;
        g_dragPreview = false;
        return;
    }
    g_pvCamId = cam;
    g_pvPos = PlaceCameraPreview(g_pvPos, hostMin, hostMax);

    ImGui::SetNextWindowPos(g_pvPos, ImGuiCond_Always);
    ImGui::SetNextWindowSize(ImVec2(kCameraPreviewW, kCameraPreviewH), ImGuiCond_Always);
    ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, ImVec2(0, 0));
    ImGui::PushStyleVar(ImGuiStyleVar_WindowRounding, 8.0f);
    ImGui::PushStyleVar(ImGuiStyleVar_WindowBorderSize, 0.0f);
    ImGui::PushStyleColor(ImGuiCol_WindowBg, ImVec4(0.045f, 0.047f, 0.055f, 0.96f));
    const ImGuiWindowFlags flags = ImGuiWindowFlags_NoTitleBar | ImGuiWindowFlags_NoResize | ImGuiWindowFlags_NoMove |
                                   ImGuiWindowFlags_NoScrollbar | ImGuiWindowFlags_NoScrollWithMouse |
                                   ImGuiWindowFlags_NoCollapse | ImGuiWindowFlags_NoSavedSettings |
                                   ImGuiWindowFlags_NoDocking;
    const bool open = ImGui::Begin("##CameraPreviewOverlay", nullptr, flags);
    ImGui::PopStyleVar(3);
    ImGui::PopStyleColor();
    if (!open) {
        ImGui::End();
        return;
    }
    ImDrawList* dl = ImGui::GetWindowDrawList();
    const ImVec2 p0 = ImGui::GetWindowPos();
    const ImVec2 p1 = Add(p0, ImGui::GetWindowSize());
    dl->AddRectFilled(p0, ImVec2(p1.x, p0.y + 32), IM_COL32(29, 30, 35, 245), 8.0f, ImDrawFlags_RoundCornersTop);
    dl->AddRect(p0, p1, IM_COL32(255, 255, 255, 38), 8.0f, 1.0f);

    bool keepOpen = true;
    const Entity* camEnt = GetEnt(g_pvCamId);
    ImGui::SetCursorScreenPos(ImVec2(p0.x + 10, p0.y + 6));
    ImGui::SetNextItemWidth(ImGui::GetWindowWidth() - 54.0f);
    if (ImGui::BeginCombo("##CameraPreviewSelect", camEnt ? camEnt->name : "Camera", ImGuiComboFlags_HeightRegular)) {
        for (const Entity& e : g_ents) {
            if (!e.hasCamera || !e.enabled) continue;
            const bool current = e.id == g_pvCamId;
            ImGui::PushID(e.id);
            if (ImGui::Selectable(e.name, current)) g_pvCamId = e.id;
            if (current) ImGui::SetItemDefaultFocus();
            ImGui::PopID();
        }
        ImGui::EndCombo();
    }
    const float fh = ImGui::GetFrameHeight();
    const ImVec2 closePos(p1.x - fh - 6.0f, p0.y + (32.0f - fh) * 0.5f);
    if (KorvaneNativePanelCloseButtonAt("##CloseCameraPreview", closePos, "Close camera preview")) keepOpen = false;

    // Dragging by the header strip, outside the combo and the close button.
    const ImGuiIO& io = ImGui::GetIO();
    if (ImGui::IsMouseClicked(ImGuiMouseButton_Left) && ImGui::IsWindowHovered()) {
        const ImVec2 m = io.MousePos;
        const bool inHeader = m.x >= p0.x && m.x < p1.x && m.y >= p0.y && m.y < p0.y + 32;
        const bool inCombo = m.x >= p0.x + 10 && m.x < closePos.x - 6 && m.y >= p0.y + 4 && m.y < p0.y + 30;
        const bool inClose = m.x >= closePos.x && m.x < closePos.x + fh && m.y >= closePos.y && m.y < closePos.y + fh;
        if (inHeader && !inCombo && !inClose) {
            g_dragPreview = true;
            g_pvDragOff = Sub(m, g_pvPos);
        }
    }
    if (g_dragPreview) {
        if (ImGui::IsMouseDown(ImGuiMouseButton_Left)) g_pvPos = Sub(io.MousePos, g_pvDragOff);
        else g_dragPreview = false;
    }

    const ImVec2 a0(p0.x + 1, p0.y + 32), a1(p1.x - 1, p1.y - 1);
    dl->AddRectFilled(a0, a1, IM_COL32(8, 9, 12, 255), 8.0f, ImDrawFlags_RoundCornersBottom);
    const Entity* still = GetEnt(g_pvCamId);
    if (keepOpen && still && still->hasCamera && g_camPvFBO) {
        ResizeCameraPreviewFBO(int(a1.x - a0.x), int(a1.y - a0.y));
        RenderCameraSceneToFBO(g_pvCamId, g_camPvFBO, g_camPvW, g_camPvH);
        dl->AddImage(ImTextureID(g_camPvTex), a0, a1, ImVec2(0, 1), ImVec2(1, 0));
    }
    ImGui::End();
    if (!keepOpen) {
        g_showPreview = false;
        g_dragPreview = false;
    }
}
