#include "editor/ui/play/GamePanel.h"

#include <algorithm>
#include <cstdio>

#include "imgui.h"

#include "editor/assets/EditorIcons.h"
#include "editor/legacy/base/AppState.h"
#include "editor/legacy/play/GameView.h"
#include "editor/legacy/play/PlayMode.h"
#include "editor/legacy/scene/EntityStore.h"
#include "editor/render/GL.h"
#include "editor/render/LitPass.h"
#include "editor/render/RenderTargets.h"
#include "editor/render/ScenePasses.h"
#include "editor/ui/common/UiProbe.h"

unsigned gGameFBO = 0, gGameTex = 0, gGameRBO = 0;
int gw = 0, gh = 0;
int g_gameTargetCreations = 0;
void (*g_gameEditorCameraHook)(float eye[3], float target[3]) = nullptr;

namespace {

void DeleteGameTarget() {
    DeleteFramebuffer(gGameFBO);
    DeleteTexture(gGameTex);
    DeleteRenderbuffer(gGameRBO);
    gw = gh = 0;
}

bool IconButton(const char* id, unsigned icon, float size, ImVec4 col, ImVec4 hovered, ImU32 tint) {
    ImGui::PushStyleColor(ImGuiCol_Button, col);
    ImGui::PushStyleColor(ImGuiCol_ButtonHovered, hovered);
    ImGui::PushStyleColor(ImGuiCol_ButtonActive, hovered);
    const bool clicked = ImGui::Button(id, ImVec2(size, size));
    ImGui::PopStyleColor(3);
    if (icon) {
        const ImVec2 a = ImGui::GetItemRectMin(), b = ImGui::GetItemRectMax();
        ImGui::GetWindowDrawList()->AddImage(ImTextureRef(ImTextureID(icon)), ImVec2(a.x + 6, a.y + 6),
                                             ImVec2(b.x - 6, b.y - 6), ImVec2(0, 0), ImVec2(1, 1), tint);
    }
    return clicked;
}

// "<scope>.<button>" for the tests that click the bar.
void ProbeButton(const char* scope, const char* button) {
    char name[96];
    std::snprintf(name, sizeof name, "%s.%s", scope, button);
    UiProbeLastItem(name);
}

}  // namespace

void DrawPlayTransportControls(const char* idScope, float buttonSize, float spacing) {
    ImGui::PushID(idScope);
    ImGui::PushStyleVar(ImGuiStyleVar_FrameRounding, 6.0f);
    const bool running = g_playing && !g_playPaused;
    const ImU32 white = IM_COL32(255, 255, 255, 255);

    const ImVec4 playCol = running ? ImVec4(0.05f, 0.35f, 0.05f, 1) : ImVec4(0.1f, 0.48f, 0.1f, 1);
    const ImVec4 playHov = running ? ImVec4(0.07f, 0.42f, 0.07f, 1) : ImVec4(0.13f, 0.58f, 0.13f, 1);
    if (IconButton("##play", g_icoPlay, buttonSize, playCol, playHov, running ? IM_COL32(100, 255, 100, 255) : white)) {
        if (!g_playing) StartPlayMode();
        else if (g_playPaused) TogglePlayPaused();
        else SetPlayCursorCaptured(true);
    }
    ProbeButton(idScope, "play");
    ImGui::SameLine(0.0f, spacing);
    const ImVec4 pauseCol = g_playPaused ? ImVec4(0.5f, 0.36f, 0.06f, 1) : ImVec4(0.4f, 0.3f, 0.06f, 1);
    if (IconButton("##pause", g_icoPause, buttonSize, pauseCol, ImVec4(0.56f, 0.42f, 0.08f, 1), white))
        TogglePlayPaused();
    ProbeButton(idScope, "pause");
    ImGui::SameLine(0.0f, spacing);
    if (IconButton("##stop", g_icoStop, buttonSize, ImVec4(0.4f, 0.12f, 0.12f, 1), ImVec4(0.5f, 0.15f, 0.15f, 1), white))
        StopPlayMode("Stop");
    ProbeButton(idScope, "stop");
    ImGui::PopStyleVar();
    ImGui::PopID();
}

void EnsureGameTarget(int w, int h) {
    if (gGameFBO && !GameTargetNeedsResize(gw, gh, w, h)) return;
    DeleteGameTarget();
    glGenFramebuffers(1, &gGameFBO);
    glGenTextures(1, &gGameTex);
    glGenRenderbuffers(1, &gGameRBO);
    glBindTexture(GL_TEXTURE_2D, gGameTex);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB8, w, h, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glBindTexture(GL_TEXTURE_2D, 0);
    glBindRenderbuffer(GL_RENDERBUFFER, gGameRBO);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, w, h);
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    GLint previous = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &previous);
    glBindFramebuffer(GL_FRAMEBUFFER, gGameFBO);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, gGameTex, 0);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, gGameRBO);
    CheckFramebufferComplete("Game");
    glBindFramebuffer(GL_FRAMEBUFFER, GLuint(previous));
    gw = w;
    gh = h;
    ++g_gameTargetCreations;
}

void RenderGamePicture(int w, int h) {
    EnsureGameTarget(w, h);
    float eye[3] = {0, 2, 5}, target[3] = {0, 0, 0};
    if (g_gameEditorCameraHook) g_gameEditorCameraHook(eye, target);
    const GameViewCamera cam =
        ChooseGameViewCamera(g_ents, Vec3(eye[0], eye[1], eye[2]), Vec3(target[0], target[1], target[2]));
    const Mat4 viewProj = m_mul(GameViewProjection(w, h), GameViewMatrix(cam));

    GLint previousFbo = 0, previousViewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &previousFbo);
    glGetIntegerv(GL_VIEWPORT, previousViewport);
    if (BeginLitPass(gGameFBO, w, h, cam.eye, viewProj)) {
        for (const Entity& e : g_ents) {
            if (!e.enabled || !e.hasMesh || !e.mesh.visible) continue;
            const Mat4 model = EntityModelMatrix(e);
            DrawMeshRendererLit(e.mesh, model, m_mul(viewProj, model), e.hasMaterial ? &e.material : nullptr);
        }
    }
    EndLitPass();
    glBindFramebuffer(GL_FRAMEBUFFER, GLuint(previousFbo));
    glViewport(previousViewport[0], previousViewport[1], previousViewport[2], previousViewport[3]);
}

void GamePanel() {
    ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, ImVec2(0, 0));
    ImGui::PushStyleVar(ImGuiStyleVar_WindowRounding, 12.0f);
    ImGui::PushStyleColor(ImGuiCol_WindowBg, ImVec4(0.05f, 0.05f, 0.07f, 1.0f));
    const bool open = ImGui::Begin("Game", &g_showGame, ImGuiWindowFlags_NoScrollbar);
    ImGui::PopStyleColor();
    ImGui::PopStyleVar(2);
    if (!open) {
        ImGui::End();
        return;
    }

    ImGui::BeginChild("##game_transport", ImVec2(0, 42), ImGuiChildFlags_None,
                      ImGuiWindowFlags_NoScrollbar | ImGuiWindowFlags_NoScrollWithMouse);
    const float barW = 3 * 30.0f + 2 * 6.0f;
    const float availW = ImGui::GetContentRegionAvail().x;
    ImGui::SetCursorPos(ImVec2(std::max(8.0f, (availW - barW) * 0.5f), 6.0f));
    DrawPlayTransportControls("game", 30.0f, 6.0f);
    ImGui::SameLine(0.0f, 12.0f);
    ImGui::SetCursorPosY(12.0f);
    ImGui::TextDisabled("%s", GamePanelStatusWord(g_playing, g_playPaused, g_playMouseCaptured));
    ImGui::EndChild();

    const ImVec2 avail = ImGui::GetContentRegionAvail();
    const ImVec2 area(std::max(32.0f, avail.x), std::max(32.0f, avail.y));
    const ImVec2 p0 = ImGui::GetCursorScreenPos();
    const ImVec2 p1(p0.x + area.x, p0.y + area.y);
    ImDrawList* dl = ImGui::GetWindowDrawList();
    if (!g_playing) {
        dl->AddRectFilled(p0, p1, IM_COL32(12, 12, 18, 255), 6.0f);
        const char* text = "Press Play to begin";
        const ImVec2 ts = ImGui::CalcTextSize(text);
        dl->AddText(ImVec2(p0.x + (area.x - ts.x) * 0.5f, p0.y + (area.y - ts.y) * 0.5f),
                    ImGui::GetColorU32(ImVec4(0.4f, 0.4f, 0.5f, 1.0f)), text);
        ImGui::Dummy(area);
        ImGui::End();
        return;
    }

    int w = 0, h = 0;
    GameTargetSize(area.x, area.y, &w, &h);
    RenderGamePicture(w, h);
    ImGui::Image(ImTextureRef(ImTextureID(gGameTex)), area, ImVec2(0, 1), ImVec2(1, 0));
    UiProbeLastItem("game.picture");
    if (ImGui::IsItemHovered() && ImGui::IsMouseClicked(ImGuiMouseButton_Left)) SetPlayCursorCaptured(true);

    dl->AddText(ImVec2(p0.x + 8, p0.y + 8), IM_COL32(100, 220, 100, 180), g_playPaused ? "GAME PAUSED" : "GAME");
    if (!g_playMouseCaptured) {
        const char* hint = "Click the Game view to recapture mouse";
        const ImVec2 ts = ImGui::CalcTextSize(hint);
        const float cx = p0.x + area.x * 0.5f;
        dl->AddRectFilled(ImVec2(cx - ts.x * 0.5f - 10, p1.y - 38), ImVec2(cx + ts.x * 0.5f + 10, p1.y - 12),
                          IM_COL32(0, 0, 0, 150), 6.0f);
        dl->AddText(ImVec2(cx - ts.x * 0.5f, p1.y - 33), IM_COL32(230, 235, 245, 220), hint);
    }
    ImGui::End();
}
