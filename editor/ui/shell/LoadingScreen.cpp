#include "editor/ui/shell/LoadingScreen.h"

#include <algorithm>
#include <cstdio>

#include "editor/assets/Textures.h"
#include "editor/legacy/base/AppState.h"
#include "editor/legacy/shell/LoadingSequence.h"
#include "editor/legacy/shell/ShellLogic.h"
#include "editor/ui/common/AppWindow.h"
#include "editor/ui/common/UiProbe.h"
#include "editor/ui/common/WindowChrome.h"
#include "imgui.h"

namespace {

constexpr ImU32 kBackground = IM_COL32(0x19, 0x19, 0x1D, 255);

void DrawEditorLoader(ImDrawList* dl, ImVec2 p0, ImVec2 size) {
    const ImVec2 p1(p0.x + size.x, p0.y + size.y);
    dl->AddRectFilled(p0, p1, kBackground, 28.0f);
    dl->AddRect(p0, p1, IM_COL32(255, 255, 255, 22), 28.0f);
    dl->PushClipRect(p0, p1, true);

    // Artwork over the top 55 %, blended into the background at its foot.
    const float imgH = std::max(1.0f, size.y * 0.55f);
    const ImVec2 imgMax(p1.x, p0.y + imgH);
    if (g_loaderTex) {
        dl->AddImageRounded(ImTextureRef(ImTextureID(g_loaderTex)), p0, imgMax, ImVec2(0, 0), ImVec2(1, 1),
                            IM_COL32_WHITE, 28.0f, ImDrawFlags_RoundCornersTop);
    } else {
        dl->AddRectFilledMultiColor(p0, imgMax, IM_COL32(34, 36, 43, 255), IM_COL32(34, 36, 43, 255),
                                    IM_COL32(22, 23, 29, 255), IM_COL32(22, 23, 29, 255));
    }
    const float bandTop = std::max(p0.y, imgMax.y - 86.0f);
    dl->AddRectFilledMultiColor(ImVec2(p0.x, bandTop), imgMax, IM_COL32(0x19, 0x19, 0x1D, 0),
                                IM_COL32(0x19, 0x19, 0x1D, 0), kBackground, kBackground);
    DrawKorvaneLogoOverlay(dl, p0, imgMax, 210.0f, 1.0f);

    if (KorvanePanelCloseButtonAt("##SplashCloseButton", ImVec2(p1.x - 48, p0.y + 24), ImVec2(32, 32), "Close")) {
        RequestClose();
    }
    UiProbeLastItem("loader.close");

    // Progress card below the artwork, kept 30 pixels clear of the bottom.
    const float cardW = std::max(40.0f, std::min(500.0f, size.x - 84.0f));
    const float cardH = 118.0f;
    float cardY = imgMax.y + 24.0f;
    if (cardY + cardH > p1.y - 30.0f) cardY = p1.y - 30.0f - cardH;
    const ImVec2 c0(p0.x + (size.x - cardW) * 0.5f, cardY);
    const ImVec2 c1(c0.x + cardW, c0.y + cardH);
    dl->AddRectFilled(c0, c1, IM_COL32(32, 33, 39, 246), 16.0f);
    dl->AddRect(c0, c1, IM_COL32(255, 255, 255, 20), 16.0f);
    UiProbeRect("loader.card", ImVec2(c0.x - p0.x, c0.y - p0.y), ImVec2(c1.x - p0.x, c1.y - p0.y));

    dl->AddText(ImVec2(c0.x + 24, c0.y + 20), IM_COL32(238, 239, 243, 255), "Opening project");
    char pct[16];
    std::snprintf(pct, sizeof pct, "%.0f%%", double(g_loadProg) * 100.0);
    const ImVec2 pctSize = ImGui::CalcTextSize(pct);
    dl->AddText(ImVec2(c1.x - 24 - pctSize.x, c0.y + 20), IM_COL32(200, 204, 214, 255), pct);
    const char* msg = g_loadMsg[0] ? g_loadMsg : "Starting editor...";
    dl->AddText(ImVec2(c0.x + 24, c0.y + 46), IM_COL32(160, 164, 174, 255), msg);
    UiProbeText("loader.message", msg);

    const ImVec2 t0(c0.x + 24, c1.y - 28 - 4);
    const ImVec2 t1(c1.x - 24, c1.y - 28);
    dl->AddRectFilled(t0, t1, IM_COL32(255, 255, 255, 30), 2.0f);
    const float fill = std::clamp(g_loadProg, 0.0f, 1.0f);
    if (fill > 0.0f) dl->AddRectFilled(t0, ImVec2(t0.x + (t1.x - t0.x) * fill, t1.y), IM_COL32(226, 230, 240, 255), 2.0f);

    if (g_loaderFade < 0.999f) {
        const int alpha = std::clamp(int((1.0f - g_loaderFade) * 92.0f), 0, 255);
        dl->AddRectFilled(p0, p1, IM_COL32(0x19, 0x19, 0x1D, alpha), 28.0f);
    }
    dl->PopClipRect();

    HandleFramelessWindowDrag(g_win, p0, imgMax);
}

}  // namespace

void LoadingScreen() {
    g_loaderFrameRenderedThisFrame = true;
    UpdateLoadingProgress();
    EnsureLoaderImageLoaded();
    const float dt = std::clamp(ImGui::GetIO().DeltaTime, 1.0f / 120.0f, 1.0f / 30.0f);
    g_loaderFade = std::min(1.0f, g_loaderFade + 6.0f * dt);

    const ImGuiViewport* vp = ImGui::GetMainViewport();
    ImGui::SetNextWindowPos(vp->Pos);
    ImGui::SetNextWindowSize(vp->Size);
    ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, ImVec2(0, 0));
    ImGui::PushStyleVar(ImGuiStyleVar_WindowRounding, 0.0f);
    ImGui::PushStyleVar(ImGuiStyleVar_WindowBorderSize, 0.0f);
    ImGui::PushStyleColor(ImGuiCol_WindowBg, ImVec4(0, 0, 0, 0));
    ImGui::Begin("##ld", nullptr,
                 ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoSavedSettings |
                     ImGuiWindowFlags_NoBringToFrontOnFocus | ImGuiWindowFlags_NoScrollWithMouse);
    ImGui::PopStyleColor();
    ImGui::PopStyleVar(3);
    ImDrawList* dl = ImGui::GetWindowDrawList();
    if (g_gameBuild) {
        dl->AddRectFilled(vp->Pos, ImVec2(vp->Pos.x + vp->Size.x, vp->Pos.y + vp->Size.y), IM_COL32(0, 0, 0, 255));
    } else {
        DrawEditorLoader(dl, vp->Pos, vp->Size);
    }
    ImGui::End();
}
