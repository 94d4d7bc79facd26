// The application proper: start-up, the frame loop of every application
// state (hub, loading, editor or running game) and shutdown.
//
// Pieces of the frame that belong to units still to come are marked
// "Seam:" with the call that goes there; until then the frame simply has
// nothing to draw for them.

#include "editor/legacy/app/LegacyKorvaneApp.h"
#include "editor/legacy/shell/LoadingSequence.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include <unistd.h>

#include "editor/legacy/base/AppState.h"
#include "editor/legacy/base/EditorLog.h"
#include "editor/legacy/scene/Entity.h"
#include "editor/legacy/scene/EntityStore.h"
#include "editor/legacy/base/ProjectPaths.h"
#include "editor/legacy/platform/Spawn.h"
#include "editor/legacy/build/BuildJob.h"
#include "editor/ui/build/BuildPanel.h"
#include "editor/legacy/shell/ProjectRegistry.h"
#include "editor/legacy/shell/SceneRecovery.h"
#include "editor/legacy/shell/ShellLogic.h"
#include "editor/legacy/shell/WindowLayout.h"
#include "editor/ui/frame/LoadingSteps.h"
#include "editor/ui/frame/ImportedModelHooks.h"
#include "editor/assets/gltf/ImportedModelCache.h"
#include "editor/ui/frame/EditorLayoutGlue.h"
#include "editor/legacy/shell/LayoutState.h"
#include "editor/legacy/update/UpdateJob.h"
#include "editor/legacy/app/MainLoop.h"
#include "editor/ui/common/AppWindow.h"
#include "editor/ui/shell/ScenePopups.h"
#include "editor/ui/script/ScriptEditorPanel.h"
#include "editor/ui/common/UiProbe.h"
#include "editor/ui/common/WindowChrome.h"
#include "editor/ui/common/NativeWindow.h"
#include "editor/render/GL.h"
#include "editor/render/Programs.h"
#include "editor/render/Renderer.h"
#include "editor/ui/frame/EditorFrame.h"
#include "editor/ui/common/EditorHooks.h"
#include "editor/ui/inspector/InspectorPanel.h"
#include "editor/ui/viewport/EditorCamera.h"
#include "editor/ui/play/PlayInstall.h"
#include "editor/ui/viewport/EditorCamera.h"
#include "editor/legacy/play/Input.h"
#include "editor/legacy/play/PlayMode.h"
#include "editor/ui/shell/LoadingScreen.h"
#include "editor/ui/shell/LogPanels.h"
#include "editor/ui/shell/ProjectHub.h"
#include "editor/assets/EditorIcons.h"
#include "editor/assets/Textures.h"
#include "imgui.h"
#include "imgui_impl_glfw.h"
#include "imgui_impl_opengl3.h"


namespace {

FramePacer s_pacer;
double s_lastInputTime = 0.0;
std::string s_lastFrameTitle;
double s_lastFrameTime = 0.0;

class GlfwPaceClock : public PaceClock {
public:
    double Now() override { return glfwGetTime(); }
    void Sleep(double seconds) override {
        if (!(seconds > 0.0)) return;
        timespec ts;
        ts.tv_sec = time_t(seconds);
        ts.tv_nsec = long((seconds - double(ts.tv_sec)) * 1e9);
        while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {}
    }
};

// Every worker thread the application starts is joined here, on every way
// out of KorvaneLegacyMain (a std::thread still joinable at exit aborts the
// process), including the early returns when there is no window. Seam: the
// model-import job (JoinModelImportThread) and the build job
// (JoinBuildThread) join here too once they exist.
void JoinShellWorkerThreads() {
    ShutdownFastTextureLoader();
    JoinBuildThread();
    ShutdownUpdateJob();
}

struct WorkerJoinGuard {
    ~WorkerJoinGuard() { JoinShellWorkerThreads(); }
};

void ShellUpdateWindowTitle() {
    if (!g_win) return;
    // No project is open in the hub (g_projName is only the name typed for a
    // new one): the plain title there.
    if (g_state == 0 && !g_gameBuild) glfwSetWindowTitle(g_win, "Korvane");
    else glfwSetWindowTitle(g_win, ComposeDirtyTitle(g_projName, g_sceneDirty).c_str());
    SetDocumentEdited(g_win, g_sceneDirty);
}

void MarkWindowToClose() {
    if (g_win) glfwSetWindowShouldClose(g_win, GLFW_TRUE);
}

void OnWindowCloseRequested(GLFWwindow* window) {
    if (g_gameBuild || g_closeWithoutSaving) return;
    // Let RequestClose decide: it re-marks the window when nothing is at
    // stake, stops play first, or raises "Unsaved Changes".
    glfwSetWindowShouldClose(window, GLFW_FALSE);
    RequestClose();
}

void OnFilesDropped(GLFWwindow*, int count, const char** paths) {
    // Seam: HandleExternalFileDrop(count, paths) copies desktop drops into
    // the project once asset drops are handled.
    (void)count;
    (void)paths;
}

// Input of any kind keeps the hub at full rate for a second; after that an
// idle hub waits for events (up to 0.1 s) instead of redrawing an unchanged
// card sixty times a second. Installed before the UI backend, which chains
// to them.
void NoteInput() { s_lastInputTime = glfwGetTime(); }
void InstallInputActivityCallbacks(GLFWwindow* w) {
    glfwSetCursorPosCallback(w, [](GLFWwindow*, double, double) { NoteInput(); });
    glfwSetMouseButtonCallback(w, [](GLFWwindow*, int, int, int) { NoteInput(); });
    glfwSetScrollCallback(w, [](GLFWwindow*, double, double) { NoteInput(); });
    glfwSetKeyCallback(w, [](GLFWwindow*, int, int, int, int) { NoteInput(); });
    glfwSetCharCallback(w, [](GLFWwindow*, unsigned int) { NoteInput(); });
    glfwSetCursorEnterCallback(w, [](GLFWwindow*, int) { NoteInput(); });
    glfwSetWindowFocusCallback(w, [](GLFWwindow*, int) { NoteInput(); });
}

void PollOrWaitEvents() {
    const bool idleHub = g_state == 0 && !g_DraggingWindow && glfwGetTime() - s_lastInputTime > 1.0;
    if (idleHub) glfwWaitEventsTimeout(0.1);
    else glfwPollEvents();
}

void OnGlfwError(int code, const char* text) { std::fprintf(stderr, "GLFW error %d: %s\n", code, text ? text : ""); }

bool FileReadable(const char* path) { return path && access(path, R_OK) == 0; }

void SetUpImGui() {
    IMGUI_CHECKVERSION();
    ImGui::CreateContext();
    ImGuiIO& io = ImGui::GetIO();
    io.ConfigFlags |= ImGuiConfigFlags_DockingEnable;
    io.IniFilename = nullptr;  // the editor keeps its own layout files
    io.ConfigErrorRecoveryEnableAssert = false;

    std::string roboto = AssetPath("Roboto-Regular.ttf");
    ImFont* main = FileReadable(roboto.c_str()) ? io.Fonts->AddFontFromFileTTF(roboto.c_str(), 16.0f) : nullptr;
    if (!main) main = io.Fonts->AddFontDefault();
    io.FontDefault = main;
    std::string icons = AssetPath("MaterialIcons.ttf");
    static const ImWchar iconRanges[] = {0xE000, 0xE900, 0};
    g_iconFont = FileReadable(icons.c_str()) ? io.Fonts->AddFontFromFileTTF(icons.c_str(), 20.0f, nullptr, iconRanges)
                                             : nullptr;
    if (!g_iconFont) g_iconFont = main;

    ApplyAppleTheme();
    InstallInputActivityCallbacks(g_win);
    ImGui_ImplGlfw_InitForOpenGL(g_win, true);
    ImGui_ImplOpenGL3_Init("#version 150");
}

// Creates the window for the mode; false when it cannot be created.
bool CreateShellWindow() {
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 3);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 2);
    glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);
    // Not forward-compatible: Mesa would then reject line widths above 1,
    // which the gizmos and grid rely on.
    glfwWindowHint(GLFW_OPENGL_FORWARD_COMPAT, GLFW_FALSE);
    glfwWindowHint(GLFW_DECORATED, GLFW_FALSE);

    GLFWmonitor* monitor = glfwGetPrimaryMonitor();
    const GLFWvidmode* mode = monitor ? glfwGetVideoMode(monitor) : nullptr;
    int wx = 0, wy = 0, ww = 0, wh = 0;
    GetPrimaryWorkArea(&wx, &wy, &ww, &wh);
    WorkArea work{wx, wy, ww, wh};

    if (g_gameBuild) {
        glfwWindowHint(GLFW_RESIZABLE, GLFW_FALSE);
        int w = mode ? mode->width : work.width;
        int h = mode ? mode->height : work.height;
        g_win = glfwCreateWindow(w, h, "Korvane", monitor, nullptr);
        if (!g_win) return false;
        glfwSetInputMode(g_win, GLFW_CURSOR, GLFW_CURSOR_HIDDEN);
        return true;
    }
    glfwWindowHint(GLFW_RESIZABLE, GLFW_TRUE);
    WindowRect r = InitialEditorWindowRect(work);
    g_win = glfwCreateWindow(r.width, r.height, "Korvane", nullptr, nullptr);
    if (!g_win) return false;
    SetFramelessRounded(g_win, true);
    glfwSetWindowPos(g_win, r.x, r.y);
    return true;
}

float FrameDelta() {
    double now = glfwGetTime();
    double dt = s_lastFrameTime > 0.0 ? now - s_lastFrameTime : 1.0 / 60.0;
    s_lastFrameTime = now;
    if (!std::isfinite(dt) || dt < 0.0) dt = 0.0;
    return float(std::min(dt, 1.0));
}

// The running game's logo splash; true once it has finished.
bool DrawGameSplash(float dt) {
    if (g_splashState >= 3) return true;
    float alpha = SplashAdvance(g_splashState, g_splashTimer, dt);
    const ImGuiViewport* vp = ImGui::GetMainViewport();
    ImGui::SetNextWindowPos(vp->Pos);
    ImGui::SetNextWindowSize(vp->Size);
    ImGui::PushStyleColor(ImGuiCol_WindowBg, ImVec4(0, 0, 0, 1));
    ImGui::PushStyleVar(ImGuiStyleVar_WindowRounding, 0.0f);
    ImGui::Begin("##gameSplash", nullptr,
                 ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoSavedSettings |
                     ImGuiWindowFlags_NoBringToFrontOnFocus | ImGuiWindowFlags_NoNav);
    if (g_logoTex && g_logoW > 0 && g_logoH > 0) {
        const float w = 400.0f;
        const float h = w * float(g_logoH) / float(g_logoW);
        const ImVec2 c(vp->Pos.x + vp->Size.x * 0.5f, vp->Pos.y + vp->Size.y * 0.5f);
        ImGui::GetWindowDrawList()->AddImage(ImTextureRef(ImTextureID(g_logoTex)), ImVec2(c.x - w / 2, c.y - h / 2),
                                             ImVec2(c.x + w / 2, c.y + h / 2), ImVec2(0, 0), ImVec2(1, 1),
                                             IM_COL32(255, 255, 255, int(255 * std::clamp(alpha, 0.0f, 1.0f))));
    }
    ImGui::End();
    ImGui::PopStyleVar();
    ImGui::PopStyleColor();
    return g_splashState >= 3;
}

// The Game panel looks through the editor camera when the scene has none.
void EditorCameraForGameView(float eye[3], float target[3]) {
    const Vec3 e = g_camEye, t = g_camTarg;
    eye[0] = e.x, eye[1] = e.y, eye[2] = e.z;
    target[0] = t.x, target[1] = t.y, target[2] = t.z;
}

void UpdateFrameTitle() {
    std::string title = ComposeFrameTitle(g_projName, g_sceneDirty);
    if (title == s_lastFrameTitle) return;
    s_lastFrameTitle = title;
    glfwSetWindowTitle(g_win, title.c_str());
}

void TickLayoutAutosave() { TickEditorLayoutAutosave(glfwGetTime()); }

void RunFrame() {
    PollOrWaitEvents();
    ReapDetachedChildren();  // launched games and openers that have ended
    // A close mark set outside the close callback (a menu, a shortcut) goes
    // through the same routing.
    if (!g_gameBuild && !g_closeWithoutSaving && g_state == 2 && (g_sceneDirty || g_playing) &&
        glfwWindowShouldClose(g_win)) {
        glfwSetWindowShouldClose(g_win, GLFW_FALSE);
        RequestClose();
    }

    if (g_state == 0) {
        ApplyWindowProfile(g_win, KorvaneWindowProfileHub, false);
    } else if (g_state == 1) {
        ApplyWindowProfile(g_win, KorvaneWindowProfileLoading, false);
    } else if (g_pendingEditorWindowExpand) {
        ApplyWindowProfile(g_win, KorvaneWindowProfileEditor, true);
        g_pendingEditorWindowExpand = false;
    }
    if (!g_gameBuild && g_state == 2) TickLazyEditorIcons(3);
    ApplySwapIntervalForAppState();
    PumpFastTextureUploads(g_state == 2 ? 3 : 4);
    ApplyImportedModelEvictions();  // before anything this frame draws or picks a model
    InputBeginFrame();
    ImGui_ImplOpenGL3_NewFrame();
    ImGui_ImplGlfw_NewFrame();
    ImGui::NewFrame();
    // Seam: ApplyEditorSettings() once the settings panel owns font scale
    // and theme.

    const float dt = FrameDelta();
    AutosaveInputs autosave;
    autosave.enabled = g_editorAutoSave;
    autosave.state = g_state;
    autosave.sceneDirty = g_sceneDirty;
    autosave.hasScenePath = g_scenePath[0] != '\0';
    autosave.playing = g_playing;
    autosave.gameBuild = g_gameBuild;
    // The autosave writes the recovery copy, never the scene file itself.
    if (AutosaveTick(g_editorAutoSaveTimer, dt, autosave)) WriteRecoveryCopy();

    if (g_playing && !g_playPaused && g_state == 2) TickPlayMode(dt);
    if (g_playing && ImGui::IsKeyPressed(ImGuiKey_Escape, true)) {
        if (g_gameBuild) glfwSetWindowShouldClose(g_win, GLFW_TRUE);
        else ReleasePlayMouseForEscape();
    }

    bool splashDone = false;
    if (g_state == 0) {
        ProjectManager();
    } else if (g_state == 1) {
        LoadingScreen();
    } else if (!g_gameBuild) {
        // Dock space, default layout, menu bar, the panels in their order,
        // the viewport and the build and import popups.
        RunEditorFrame();
    } else {
        splashDone = DrawGameSplash(dt);
        if (splashDone && !g_playing) StartGameRuntimePlay();
    }
    if (g_state == 2) {
        if (!g_gameBuild) {
            DrawUnsavedChangesDialog();
            HandleGlobalEditorShortcuts();
            UpdateFrameTitle();
            TickLayoutAutosave();
            DrawScenePopups();
        }
    }
    // Seam: the software-update window when it is open.
    // Drops of project files on the viewport are handled by the viewport's
    // own drop target only, so one drop never creates two entities.

    RecordFrameTimeIn(g_frameTimes, g_frameIdx, dt);

    ImGui::Render();
    int fbw = 0, fbh = 0;
    glfwGetFramebufferSize(g_win, &fbw, &fbh);
    glViewport(0, 0, fbw, fbh);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    if (g_gameBuild && g_state == 2 && g_splashState >= 3) {
        // The UI of this frame is not drawn over the game.
        RenderGameFrame();
    } else {
        ImGui_ImplOpenGL3_RenderDrawData(ImGui::GetDrawData());
    }
    glfwSwapBuffers(g_win);
    UiProbeFramePresented(g_state);
    AdvanceLoadingAfterPresent();
    PaceMainLoop();
}

void Shutdown() {
    JoinShellWorkerThreads();
    if (!g_gameBuild) SaveEditorLayoutState();
    // A clean close leaves nothing to recover.
    if (!g_gameBuild && g_state == 2 && !g_sceneDirty) RemoveRecoveryCopy(g_scenePath);
    ReleaseMeshAndTextureResources();
    CleanupRenderResources();
    // Seam: CleanupGLResources() for framebuffers, programs, meshes, models,
    // textures and icons as their units arrive.
    if (g_logoTex) {
        GLuint tex = g_logoTex;
        glDeleteTextures(1, &tex);
        g_logoTex = 0;
    }
    // Seam: AudioShutdown().
    ImGui_ImplOpenGL3_Shutdown();
    ImGui_ImplGlfw_Shutdown();
    ImGui::DestroyContext();
    g_updateWindowTitleHook = nullptr;
    g_markWindowCloseHook = nullptr;
    glfwDestroyWindow(g_win);
    g_win = nullptr;
    glfwTerminate();
}

} // namespace

void ApplySwapIntervalForAppState() {
    int32_t want = WantedSwapInterval(g_state);
    if (want == g_swapIntervalState) return;
    glfwSwapInterval(want);
    g_swapIntervalState = want;
}

void PaceMainLoop() {
    GlfwPaceClock clock;
    PaceMainLoopWith(s_pacer, g_state, clock);
}

int KorvaneLegacyMain(int argc, char** argv) {
    WorkerJoinGuard joinGuard;
    SetAssetRootFromArgv(argc, argv);
    g_gameBuild = std::getenv("KORVANE_GAME_BUILD") != nullptr;
    if (g_gameBuild && g_projectRoot[0]) {
        CopyTextField(g_projName, PathLastComponent(g_projectRoot));
        BeginProjectLoading();
    }

    glfwSetErrorCallback(OnGlfwError);
    if (!glfwInit()) {
        std::fprintf(stderr, "Korvane: the window system could not be initialised (no display?).\n");
        return 1;
    }
    if (!CreateShellWindow()) {
        std::fprintf(stderr, "Korvane: the window could not be created.\n");
        glfwTerminate();
        return 1;
    }
    g_markWindowCloseHook = MarkWindowToClose;
    g_updateWindowTitleHook = ShellUpdateWindowTitle;
    if (!g_gameBuild) ApplyWindowProfile(g_win, KorvaneWindowProfileHub, true);
    glfwSetWindowCloseCallback(g_win, OnWindowCloseRequested);
    glfwSetDropCallback(g_win, OnFilesDropped);
    glfwMakeContextCurrent(g_win);
    glfwSwapInterval(1);

    SetUpImGui();
    InitScenePrograms();
    {
        std::string logo = AssetPath("Korvane.png");
        g_logoTex = LoadLogo(logo.c_str());
    }
    InstallLoadingRuntime();
    InstallImportedModelHooks();
    if (!g_gameBuild) InstallSceneRecovery();
    InstallEditorLayoutState();
    InstallLogPanels();
    InstallBuildPanel();
    InstallScriptEditorPanel();
    InstallPlayMode(EditorCameraForGameView);
    InstallInspectorPanel();
    g_editorHooks.focusOnSelection = FocusOnSelection;
    PrewarmLoaderArtwork();
    glfwSetWindowTitle(g_win, g_state == 0 ? "Korvane" : ComposeFrameTitle(g_projName, g_sceneDirty).c_str());

    while (!glfwWindowShouldClose(g_win)) RunFrame();

    Shutdown();
    return 0;
}
