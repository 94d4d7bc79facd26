// The editor layout state: the state file's exact lines, escapes, recent
// scripts, the clamps and rejected numbers, the docked-layout check, the
// save cadence, writes that change nothing, an oversize toolkit text, no
// files without a project, and a project switch that restores each
// project's own dock layout in a running (headless) editor.

#include <sys/stat.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "imgui.h"
#include "imgui_internal.h"

#include "editor/legacy/base/AppState.h"
#include "editor/legacy/base/EditorLog.h"
#include "editor/legacy/base/ProjectPaths.h"
#include "editor/legacy/base/RecentScripts.h"
#include "editor/legacy/shell/LayoutState.h"
#include "editor/ui/common/EditorHooks.h"
#include "editor/ui/frame/EditorFrame.h"
#include "editor/ui/frame/EditorLayoutGlue.h"
#include "editor/ui/viewport/EditorCamera.h"
#include "editor/ui/viewport/Gizmo.h"
#include "tests/support/SceneModel.h"
#include "tests/support/TempTree.h"

namespace {

using korvane::test::ReadAll;
using korvane::test::TempTree;

// Puts every global the state file records back to its start-up value.
void ResetLayoutGlobals() {
    ResetEditorCamera();
    g_showPreview = false;
    g_pvCamId = -1;
    g_pvPos = ImVec2(0, 0);
    g_uniformScaleLock = false;
    SetDefaultPanelVisibility();
    g_viewMode = 0;
    g_showGrid = true;
    g_snapGrid = false;
    g_editorTheme = 0;
    g_editorFontScale = 1.0f;
    g_editorAutoSave = true;
    g_buildPlatform = kDefaultBuildPlatform;
    g_buildConfig = kDefaultBuildConfig;
    g_recentScriptFiles.clear();
    g_layoutLoadedForProject = false;
    g_useDefaultEditorLayout = true;
    g_forceLayoutSaveOnce = false;
    g_nextLayoutAutosave = 0.0;
}

class LayoutState : public ::testing::Test {
protected:
    TempTree tmp;
    std::string project;
    void SetUp() override {
        g_layoutStateHooks = LayoutStateHooks();
        g_layoutStateHooks.captureUiValues = CaptureUiLayoutValues;
        g_layoutStateHooks.applyUiValues = ApplyUiLayoutValues;
        g_layoutStateHooks.setDefaultPanelVisibility = SetDefaultPanelVisibility;
        ResetLayoutGlobals();
        project = tmp.Mkdir("Game");
        ASSERT_TRUE(SetProjectRoot(project));
    }
    void TearDown() override {
        g_layoutStateHooks = LayoutStateHooks();
        g_projectRoot[0] = '\0';
        ResetLayoutGlobals();
    }
    std::string StateText() { return ReadAll(project + "/Library/editor_state.ini"); }
    void WriteState(const std::string& body) {
        tmp.Write("Game/Library/editor_state.ini", "# Korvane Editor Layout State v9\nlayout_version 9\n" + body);
    }
};

TEST_F(LayoutState, StartUpValuesGiveTheExactLines) {
    g_layoutLoadedForProject = true;
    ASSERT_TRUE(SaveEditorLayoutState());
    EXPECT_EQ(StateText(),
              "# Korvane Editor Layout State v9\n"
              "layout_version 9\n"
              "panels 1 1 1 1 0 0 0 0 0 0\n"
              "view 0 1 0 0.5 0.349999994 12 0 1 0\n"
              "preview 0 -1 0 0\n"
              "settings 0 1 1 1 0 1 1 0\n"
              "window 0 0 0 0\n");
    // The record's own defaults are the same start-up values.
    EXPECT_EQ(BuildEditorStateText(EditorLayoutValues(), {}), StateText());
}

TEST_F(LayoutState, EveryRecordRoundTrips) {
    g_layoutLoadedForProject = true;
    g_showProf = g_showGame = g_showScriptEditor = true;
    g_showConsole = false;
    g_viewMode = 2;
    g_showGrid = false;
    g_snapGrid = true;
    g_camYaw = -2.25f;
    g_camPitch = -0.7f;
    g_camDist = 33.3f;
    g_camTarg = Vec3(1.5f, -2.0f, 7.125f);
    g_showPreview = true;
    g_pvCamId = 42;
    g_pvPos = ImVec2(120.5f, 88.0f);
    g_editorTheme = 1;
    g_editorFontScale = 1.25f;
    g_editorAutoSave = false;
    g_cameraNavSpeed = 3.5f;
    g_vpResScale = 2;
    g_buildPlatform = 2;
    g_buildConfig = 0;
    g_uniformScaleLock = true;
    ASSERT_TRUE(SaveEditorLayoutState());
    const std::string saved = StateText();

    ResetLayoutGlobals();
    // The state is applied with a usable layout only: give it one.
    tmp.Write("Game/Library/editor_layout.ini",
              "[Window][Viewport]\n[Window][Hierarchy]\n[Window][Inspector]\n[Window][Project Browser]\n"
              "[Docking][Data]\n");
    LoadEditorLayoutState();
    EXPECT_FALSE(g_useDefaultEditorLayout);
    EXPECT_TRUE(g_showProf && g_showGame && g_showScriptEditor);
    EXPECT_FALSE(g_showConsole);
    EXPECT_EQ(g_viewMode, 2);
    EXPECT_FALSE(g_showGrid);
    EXPECT_TRUE(g_snapGrid);
    EXPECT_FLOAT_EQ(g_camYaw, -2.25f);
    EXPECT_FLOAT_EQ(g_camYawTarget, -2.25f) << "no transition runs after loading";
    EXPECT_FLOAT_EQ(g_camPitchTarget, -0.7f);
    EXPECT_FLOAT_EQ(g_camDistTarget, 33.3f);
    EXPECT_FLOAT_EQ(g_camTarg.z, 7.125f);
    EXPECT_TRUE(g_showPreview);
    EXPECT_EQ(g_pvCamId, 42);
    EXPECT_FLOAT_EQ(g_pvPos.x, 120.5f);
    EXPECT_EQ(g_editorTheme, 1);
    EXPECT_FLOAT_EQ(g_editorFontScale, 1.25f);
    EXPECT_FALSE(g_editorAutoSave);
    EXPECT_FLOAT_EQ(g_cameraNavSpeed, 3.5f);
    EXPECT_EQ(g_vpResScale, 2);
    EXPECT_EQ(g_buildPlatform, 2);
    EXPECT_EQ(g_buildConfig, 0);
    EXPECT_TRUE(g_uniformScaleLock);
    ASSERT_TRUE(SaveEditorLayoutState());
    EXPECT_EQ(StateText(), saved);
}

TEST_F(LayoutState, RecentScriptsKeepOrderAndEscapesSurvive) {
    g_layoutLoadedForProject = true;
    const std::vector<std::string> paths = {
        "/p/tab\there.fs", "/p/line\nfeed.fs", "/p/cr\rx.fs", "/p/quote\"d.fs",
        "/p/back\\slash.fs", "/p/two  blanks.fs", "/p/g.fs", "/p/h \\\" \t mix.fs",
    };
    for (auto it = paths.rbegin(); it != paths.rend(); ++it) AddRecentScriptFile(*it);
    ASSERT_EQ(g_recentScriptFiles, paths);
    ASSERT_TRUE(SaveEditorLayoutState());
    // One line per record: nothing in a path breaks a line.
    const std::string text = StateText();
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 7 + 8);
    g_recentScriptFiles = {"/other/project.fs"};
    g_layoutLoadedForProject = false;
    LoadEditorLayoutState();
    EXPECT_EQ(g_recentScriptFiles, paths);

    AddRecentScriptFile("/p/ninth.fs");
    EXPECT_EQ(g_recentScriptFiles.size(), kRecentScriptFilesMax);
    EXPECT_EQ(g_recentScriptFiles.front(), "/p/ninth.fs");
    AddRecentScriptFile("/p/g.fs");  // already there: moves to the front
    EXPECT_EQ(g_recentScriptFiles.front(), "/p/g.fs");
    EXPECT_EQ(std::count(g_recentScriptFiles.begin(), g_recentScriptFiles.end(), "/p/g.fs"), 1);
}

TEST(LayoutStateQuoting, ReadQuotedTable) {
    struct Case {
        const char* line;
        bool ok;
        const char* out;
    } cases[] = {
        {"recent_script \"/a/b.fs\"", true, "/a/b.fs"},
        {"recent_script \"a\\tb\\nc\\rd\"", true, "a\tb\nc\rd"},
        {"recent_script \"q\\\"x\\\\y\\z\"", true, "q\"x\\yz"},
        {"recent_script \"\"", true, ""},
        {"recent_script \"unterminated", false, nullptr},
        {"recent_script \"ends in escape\\", false, nullptr},
        {"recent_script \"escaped close\\\"", false, nullptr},
        {"recent_script no quotes", false, nullptr},
    };
    for (const Case& c : cases) {
        std::string out = "stale";
        EXPECT_EQ(EditorStateReadQuoted(c.line, out), c.ok) << c.line;
        if (c.ok) {
            EXPECT_EQ(out, c.out) << c.line;
        }
    }
    std::string none;
    EXPECT_FALSE(EditorStateReadQuoted(nullptr, none));
    EXPECT_EQ(EditorStateEscape("a\tb\nc\rd\"e\\f"), "a\\tb\\nc\\rd\\\"e\\\\f");
}

TEST_F(LayoutState, UnterminatedAndEmptyRecentScriptsAreSkipped) {
    WriteState("recent_script \"/ok.fs\"\nrecent_script \"/broken.fs\nrecent_script \"\"\n");
    LoadEditorLayoutState();
    EXPECT_EQ(g_recentScriptFiles, (std::vector<std::string>{"/ok.fs"}));
}

TEST_F(LayoutState, ReadValuesAreClampedAndNonFiniteOnesRejected) {
    struct Case {
        const char* what;
        const char* line;
        float EditorLayoutValues::* field;
        float expect;
    } cases[] = {
        {"font scale 3 loads as 2", "settings 0 3 1 1 0 1 1", &EditorLayoutValues::fontScale, 2.0f},
        {"font scale 0.1 loads as 0.5", "settings 0 0.1 1 1 0 1 1", &EditorLayoutValues::fontScale, 0.5f},
        {"font scale nan is rejected", "settings 0 nan 1 1 0 1 1", &EditorLayoutValues::fontScale, 1.0f},
        {"navigation speed 0 loads as 0.1", "settings 0 1 1 0 0 1 1", &EditorLayoutValues::navSpeed, 0.1f},
        {"navigation speed inf is rejected", "settings 0 1 1 inf 0 1 1", &EditorLayoutValues::navSpeed, 1.0f},
        {"pitch 2 loads as 1.5", "view 0 1 0 0.5 2 12 0 1 0", &EditorLayoutValues::camPitch, 1.5f},
        {"pitch -9 loads as -1.5", "view 0 1 0 0.5 -9 12 0 1 0", &EditorLayoutValues::camPitch, -1.5f},
        {"pitch nan is rejected", "view 0 1 0 0.5 nan 12 0 1 0", &EditorLayoutValues::camPitch, 0.35f},
        {"distance 0 loads as 0.5", "view 0 1 0 0.5 0.3 0 0 1 0", &EditorLayoutValues::camDist, 0.5f},
        {"distance 1e9 loads as 200", "view 0 1 0 0.5 0.3 1e9 0 1 0", &EditorLayoutValues::camDist, 200.0f},
        {"distance -inf is rejected", "view 0 1 0 0.5 0.3 -inf 0 1 0", &EditorLayoutValues::camDist, 12.0f},
        {"yaw infinity is rejected", "view 0 1 0 inf 0.3 12 0 1 0", &EditorLayoutValues::camYaw, 0.5f},
        {"an overflowing yaw is rejected", "view 0 1 0 1e99 0.3 12 0 1 0", &EditorLayoutValues::camYaw, 0.5f},
        {"a malformed number is rejected", "view 0 1 0 0.5x 0.3 12 0 1 0", &EditorLayoutValues::camYaw, 0.5f},
    };
    for (const Case& c : cases) {
        EditorLayoutValues v;
        std::vector<std::string> recent;
        ApplyEditorStateText(std::string(c.line) + "\n", true, v, recent);
        EXPECT_FLOAT_EQ(v.*c.field, c.expect) << c.what;
    }
    // Non-finite target coordinates keep their values too.
    EditorLayoutValues v;
    std::vector<std::string> recent;
    ApplyEditorStateText("view 0 1 0 0.5 0.3 12 nan inf 4\n", true, v, recent);
    EXPECT_FLOAT_EQ(v.camTarg[0], 0.0f);
    EXPECT_FLOAT_EQ(v.camTarg[1], 1.0f);
    EXPECT_FLOAT_EQ(v.camTarg[2], 4.0f);
    // Indices are clamped.
    ApplyEditorStateText("settings 7 1 1 1 9 -3 5 1\n", true, v, recent);
    EXPECT_EQ(v.theme, 2);
    EXPECT_EQ(v.resScale, 2);
    EXPECT_EQ(v.buildPlatform, 0);
    EXPECT_EQ(v.buildConfig, 2);
    EXPECT_TRUE(v.uniformScaleLock);
    // A line that stops after the build configuration keeps the lock.
    ApplyEditorStateText("settings 0 1 1 1 0 1 1\n", true, v, recent);
    EXPECT_TRUE(v.uniformScaleLock);
    ApplyEditorStateText("settings 0 1 1 1 0 1 1 0\n", true, v, recent);
    EXPECT_FALSE(v.uniformScaleLock);
}

TEST_F(LayoutState, OverlongLinesAreIgnoredWholeNeverSplit) {
    EditorLayoutValues v;
    std::vector<std::string> recent;
    // The tail of an over-long line would read as a "settings" record if the
    // line were cut into pieces.
    std::string longLine = "recent_script \"/" + std::string(kMaxEditorStateLine, 'a') + " settings 1 2 0 5 2 2 2 1\"";
    ApplyEditorStateText(longLine + "\nview 1 1 0 0.5 0.3 12 0 1 0\n", true, v, recent);
    EXPECT_TRUE(recent.empty());
    EXPECT_EQ(v.theme, 0);
    EXPECT_FLOAT_EQ(v.fontScale, 1.0f);
    EXPECT_EQ(v.viewMode, 1) << "the line after it is read";
    // A long but acceptable path survives.
    const std::string path = "/" + std::string(4000, 'p') + ".fs";
    ApplyEditorStateText("recent_script \"" + EditorStateEscape(path) + "\"\n", true, v, recent);
    EXPECT_EQ(recent, (std::vector<std::string>{path}));
}

TEST_F(LayoutState, OlderLayoutVersionFallsBackToTheDefaultLayout) {
    tmp.Write("Game/Library/editor_layout.ini",
              "[Window][Viewport]\n[Window][Hierarchy]\n[Window][Inspector]\n[Window][Project Browser]\n"
              "[Docking][Data]\n");
    tmp.Write("Game/Library/editor_state.ini", "layout_version 8\npanels 0 0 0 0 1 1 1 1 1 1\nview 1 0 1 0.5 0.3 12 0 1 0\n");
    EXPECT_EQ(ReadEditorLayoutVersion(), 8);
    g_showProf = true;
    LoadEditorLayoutState();
    EXPECT_TRUE(g_layoutLoadedForProject);
    EXPECT_TRUE(g_useDefaultEditorLayout);
    EXPECT_TRUE(g_forceLayoutSaveOnce);
    EXPECT_TRUE(g_showHier && g_showInsp && g_showAssets && g_showConsole) << "panels line ignored";
    EXPECT_FALSE(g_showProf) << "non-default panels hidden";
    EXPECT_EQ(g_viewMode, 1) << "the other records still apply";
    // The forced save at the end of the next frame rewrites the state file.
    EXPECT_TRUE(TickEditorLayoutAutosave(100.0));
    EXPECT_EQ(ReadEditorLayoutVersion(), 9);
    EXPECT_FALSE(g_forceLayoutSaveOnce);
}

TEST_F(LayoutState, MissingFilesAndMissingVersionGiveTheDefault) {
    EXPECT_EQ(ReadEditorLayoutVersion(), 0);
    LoadEditorLayoutState();
    EXPECT_TRUE(g_useDefaultEditorLayout);
    g_layoutLoadedForProject = false;
    WriteState("");
    // A layout lacking the project browser is not the docked editor's.
    tmp.Write("Game/Library/editor_layout.ini", "[Window][Viewport]\n[Window][Hierarchy]\n[Window][Inspector]\n[Docking][Data]\n");
    g_useDefaultEditorLayout = false;
    LoadEditorLayoutState();
    EXPECT_TRUE(g_useDefaultEditorLayout);
    // Loaded once per project.
    g_useDefaultEditorLayout = false;
    LoadEditorLayoutState();
    EXPECT_FALSE(g_useDefaultEditorLayout);
}

TEST_F(LayoutState, DockedCheckTable) {
    const std::string all =
        "[Window][Viewport]\nPos=0,0\n[Window][Hierarchy]\n[Window][Inspector]\n[Window][Project Browser]\n"
        "[Docking][Data]\nDockSpace ID=0x1\n";
    struct Case {
        const char* what;
        std::string text;
        bool docked;
    } cases[] = {
        {"every section", all, true},
        {"CRLF line ends", "[Window][Viewport]\r\n[Window][Hierarchy]\r\n[Window][Inspector]\r\n"
                           "[Window][Project Browser]\r\n[Docking][Data]\r\n", true},
        {"no dock data", "[Window][Viewport]\n[Window][Hierarchy]\n[Window][Inspector]\n[Window][Project Browser]\n", false},
        {"no project browser", "[Window][Viewport]\n[Window][Hierarchy]\n[Window][Inspector]\n[Docking][Data]\n", false},
        {"names only inside other text", "Name=Viewport Name=Hierarchy Name=Inspector Name=Project Browser [Docking][Data]\n", false},
        {"empty", "", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(EditorIniTextLooksDocked(c.text), c.docked) << c.what;
        const std::string path = tmp.Write("ini_case.ini", c.text);
        EXPECT_EQ(EditorIniLooksDocked(path.c_str()), c.docked) << c.what;
    }
    EXPECT_FALSE(EditorIniLooksDocked((tmp / "missing.ini").c_str()));
    EXPECT_FALSE(EditorIniLooksDocked(nullptr));
}

TEST_F(LayoutState, SavingTwiceWithoutChangesRewritesNeither) {
    g_layoutLoadedForProject = true;
    g_layoutStateHooks.uiSettingsText = [] { return std::string("[Docking][Data]\n"); };
    ASSERT_TRUE(SaveEditorLayoutState());
    struct stat a1, b1, a2, b2;
    ASSERT_EQ(stat((project + "/Library/editor_layout.ini").c_str(), &a1), 0);
    ASSERT_EQ(stat((project + "/Library/editor_state.ini").c_str(), &b1), 0);
    ASSERT_TRUE(SaveEditorLayoutState());
    ASSERT_EQ(stat((project + "/Library/editor_layout.ini").c_str(), &a2), 0);
    ASSERT_EQ(stat((project + "/Library/editor_state.ini").c_str(), &b2), 0);
    EXPECT_EQ(a1.st_ino, a2.st_ino);
    EXPECT_EQ(b1.st_ino, b2.st_ino);
    EXPECT_EQ(a1.st_mtim.tv_sec, a2.st_mtim.tv_sec);
    EXPECT_EQ(a1.st_mtim.tv_nsec, a2.st_mtim.tv_nsec);
    EXPECT_EQ(b1.st_mtim.tv_nsec, b2.st_mtim.tv_nsec);
    g_camDist = 20.0f;  // a change rewrites only the state file
    ASSERT_TRUE(SaveEditorLayoutState());
    ASSERT_EQ(stat((project + "/Library/editor_layout.ini").c_str(), &a2), 0);
    ASSERT_EQ(stat((project + "/Library/editor_state.ini").c_str(), &b2), 0);
    EXPECT_EQ(a1.st_ino, a2.st_ino);
    EXPECT_NE(b1.st_ino, b2.st_ino);
}

TEST_F(LayoutState, OversizeToolkitTextIsRefusedAndTheStateStillWritten) {
    g_layoutLoadedForProject = true;
    tmp.Write("Game/Library/editor_layout.ini", "previous\n");
    g_layoutStateHooks.uiSettingsText = [] { return std::string(kMaxEditorIniBytes, 'x'); };
    LogClear();
    EXPECT_FALSE(SaveEditorLayoutState());
    EXPECT_EQ(ReadAll(project + "/Library/editor_layout.ini"), "previous\n");
    EXPECT_EQ(ReadEditorLayoutVersion(), 9);
    auto log = LogSnapshot();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back().level, 4);
    EXPECT_EQ(log.back().text,
              "Skipped layout save: ImGui layout data is unexpectedly large (1048576 bytes)");
}

TEST_F(LayoutState, NothingIsWrittenWithoutAProjectOrBeforeLoading) {
    // Before the state was read for this project nothing may replace it.
    tmp.Write("Game/Library/editor_state.ini", "keep\n");
    EXPECT_FALSE(SaveEditorLayoutState());
    EXPECT_EQ(StateText(), "keep\n");

    const char* oldHome = std::getenv("HOME");
    const std::string home = tmp.Mkdir("home");
    setenv("HOME", home.c_str(), 1);
    g_projectRoot[0] = '\0';
    EXPECT_EQ(EditorLibraryDir(), home + "/.korvane/Library");
    EXPECT_EQ(EditorStatePath(), home + "/.korvane/Library/editor_state.ini");
    EXPECT_EQ(EditorIniPath(), home + "/.korvane/Library/editor_layout.ini");
    g_layoutLoadedForProject = true;
    EXPECT_FALSE(SaveEditorLayoutState());
    LoadEditorLayoutState();
    struct stat st;
    EXPECT_NE(stat((home + "/.korvane").c_str(), &st), 0) << "asking for a path creates nothing";
    if (oldHome) setenv("HOME", oldHome, 1);
    else unsetenv("HOME");
}

TEST_F(LayoutState, CadenceEveryThirtySecondsOrWhenForced) {
    g_layoutLoadedForProject = true;
    int saves = 0;
    static int* counter = nullptr;
    counter = &saves;
    g_layoutStateHooks.uiSettingsText = [] {
        ++*counter;
        return std::string();
    };
    EXPECT_FALSE(TickEditorLayoutAutosave(10.0));  // first frame: the clock starts
    EXPECT_DOUBLE_EQ(g_nextLayoutAutosave, 40.0);
    EXPECT_FALSE(TickEditorLayoutAutosave(40.0));
    EXPECT_TRUE(TickEditorLayoutAutosave(40.5));
    EXPECT_EQ(saves, 1);
    EXPECT_DOUBLE_EQ(g_nextLayoutAutosave, 70.5);
    g_forceLayoutSaveOnce = true;
    EXPECT_TRUE(TickEditorLayoutAutosave(41.0));
    EXPECT_FALSE(g_forceLayoutSaveOnce);
    EXPECT_EQ(saves, 2);
    EXPECT_FALSE(TickEditorLayoutAutosave(42.0));
}

// ---------------------------------------------------------------------------
// With the real toolkit: a headless Dear ImGui context running the editor
// frame with plain stand-in windows for the panels of other units.

void InspectorStub() { ImGui::Begin("Inspector", &g_showInsp); ImGui::End(); }
void BrowserStub() { ImGui::Begin("Project Browser", &g_showAssets); ImGui::End(); }
void ConsoleStub() { ImGui::Begin("Console", &g_showConsole); ImGui::End(); }

class LayoutStateUi : public LayoutState {
protected:
    ImGuiContext* ctx = nullptr;
    void SetUp() override {
        LayoutState::SetUp();
        ctx = ImGui::CreateContext();
        ImGuiIO& io = ImGui::GetIO();
        io.IniFilename = nullptr;
        io.DisplaySize = ImVec2(1600, 900);
        io.DeltaTime = 1.0f / 60.0f;
        io.ConfigFlags |= ImGuiConfigFlags_DockingEnable;
        io.BackendFlags |= ImGuiBackendFlags_RendererHasTextures;
        korvane::test::ResetSceneModel();
        g_state = 2;
        g_editorHooks = EditorHooks();
        g_editorHooks.inspectorPanel = InspectorStub;
        g_editorHooks.projectBrowserPanel = BrowserStub;
        g_editorHooks.consolePanel = ConsoleStub;
        g_layoutStateHooks.uiSettingsText = UiSettingsText;
        g_layoutStateHooks.loadUiSettingsText = LoadUiSettingsText;
    }
    void TearDown() override {
        g_editorHooks = EditorHooks();
        ImGui::DestroyContext(ctx);
        LayoutState::TearDown();
    }
    void Frame(double now) {
        ImGui::NewFrame();
        RunEditorFrame();
        TickEditorLayoutAutosave(now);
        ImGui::Render();
    }
    // The dock node (its root-most tab bar holder) a window sits in.
    static ImGuiID NodeOf(const char* window) {
        ImGuiWindow* w = ImGui::FindWindowByName(window);
        return w ? w->DockId : 0;
    }
    // Opens a project the way the loading sequence does.
    void Open(const std::string& root, double now) {
        ResetEditorLayoutForProjectSwitch();
        ASSERT_TRUE(SetProjectRoot(root));
        LoadEditorLayoutState();
        for (int i = 0; i < 3; ++i) Frame(now + i * 0.02);
    }
};

TEST_F(LayoutStateUi, TheDockedEditorsTextPassesTheCheck) {
    Open(project, 1.0);
    std::string ini = ReadAll(project + "/Library/editor_layout.ini");
    EXPECT_TRUE(EditorIniTextLooksDocked(ini)) << ini;
    EXPECT_TRUE(EditorIniLooksDocked(EditorIniPath().c_str()));
    EXPECT_EQ(ReadEditorLayoutVersion(), 9);
}

TEST_F(LayoutStateUi, ProjectSwitchRestoresEachProjectsOwnLayout) {
    const std::string other = tmp.Mkdir("Other");
    // Project A: the console moves next to the hierarchy, the camera turns.
    Open(project, 1.0);
    ASSERT_NE(NodeOf("Console"), NodeOf("Hierarchy"));
    ImGui::DockBuilderDockWindow("Console", NodeOf("Hierarchy"));
    g_camYaw = g_camYawTarget = 2.0f;
    Frame(2.0);
    Frame(2.1);
    ASSERT_EQ(NodeOf("Console"), NodeOf("Hierarchy"));
    g_forceLayoutSaveOnce = true;
    Frame(2.2);
    const std::string savedA = ReadAll(project + "/Library/editor_layout.ini");

    // Project B: a fresh project gets the default layout.
    Open(other, 3.0);
    EXPECT_NE(NodeOf("Console"), NodeOf("Hierarchy"));
    EXPECT_TRUE(EditorIniLooksDocked((other + "/Library/editor_layout.ini").c_str()));
    g_camYaw = g_camYawTarget = -1.0f;
    g_forceLayoutSaveOnce = true;
    Frame(3.5);

    // Back to A: its arrangement and camera return, and its file was not
    // replaced by the default layout on the way.
    Open(project, 4.0);
    EXPECT_EQ(NodeOf("Console"), NodeOf("Hierarchy"));
    EXPECT_FLOAT_EQ(g_camYaw, 2.0f);
    EXPECT_TRUE(EditorIniTextLooksDocked(ReadAll(project + "/Library/editor_layout.ini")));

    // And B again: the default arrangement it saved.
    Open(other, 5.0);
    EXPECT_NE(NodeOf("Console"), NodeOf("Hierarchy"));
    EXPECT_FLOAT_EQ(g_camYaw, -1.0f);
    (void)savedA;
}

} // namespace
