// "Unsaved Changes" driven by synthetic mouse input: a failed save keeps the
// dialog open and offers "Close Without Saving"; saving a scene that has no
// path picks a free name; the pending action runs after a successful save;
// "Don't Save" writes nothing. The recovery question: "Recover" and
// "Discard".

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "editor/legacy/base/AppState.h"
#include "editor/legacy/base/EditorLog.h"
#include "editor/legacy/scene/EntityStore.h"
#include "editor/legacy/base/ProjectPaths.h"
#include "editor/legacy/files/SceneFile.h"
#include "editor/legacy/shell/SceneRecovery.h"
#include "editor/legacy/shell/ShellLogic.h"
#include "editor/ui/shell/ScenePopups.h"
#include "editor/ui/common/UiProbe.h"
#include "imgui.h"
#include "imgui_impl_opengl3.h"
#include "tests/support/GlHarness.h"
#include "tests/support/UiClick.h"

namespace fs = std::filesystem;

namespace {

int s_closeMarks = 0;
void FakeMarkClose() { ++s_closeMarks; }

std::string ReadAll(const std::string& path) {
    std::ifstream f(path);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

class UnsavedDialogTest : public korvane::test::GlTest {
protected:
    std::string dir;
    std::string root;

    void SetUp() override {
        GlTest::SetUp();
        if (IsSkipped()) return;
        char tmpl[] = "/tmp/korvane_popups_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
        root = dir + "/Project";
        fs::create_directories(root + "/Assets/Scenes");
        ASSERT_TRUE(SetProjectRoot(root));
        ImGui::CreateContext();
        ImGuiIO& io = ImGui::GetIO();
        io.IniFilename = nullptr;
        io.DisplaySize = ImVec2(800, 600);
        io.DeltaTime = 1.0f / 60.0f;
        ASSERT_TRUE(ImGui_ImplOpenGL3_Init("#version 150"));
        UiProbeClear();
        s_closeMarks = 0;
        g_markWindowCloseHook = FakeMarkClose;
        g_closeWithoutSaving = false;
        g_state = 2;
        g_gameBuild = false;
        g_pendingClose = false;
        g_pendingSceneOpen[0] = '\0';
        NewScene();
        LogClear();
    }
    void TearDown() override {
        if (ImGui::GetCurrentContext()) {
            ImGui_ImplOpenGL3_Shutdown();
            ImGui::DestroyContext();
        }
        g_markWindowCloseHook = nullptr;
        g_closeWithoutSaving = false;
        g_state = 0;
        g_sceneDirty = false;
        g_scenePath[0] = '\0';
        std::error_code ec;
        if (!dir.empty()) fs::remove_all(dir, ec);
    }
    void Frame() {
        ImGui_ImplOpenGL3_NewFrame();
        ImGui::NewFrame();
        DrawUnsavedChangesDialog();
        DrawScenePopups();
        ImGui::Render();
        ImGui_ImplOpenGL3_RenderDrawData(ImGui::GetDrawData());
    }
    // Opens the dialog and lets it settle; true when its buttons were drawn.
    bool Open() {
        for (int i = 0; i < 3; ++i) Frame();
        return UiProbeFind("unsaved.save", nullptr, nullptr, nullptr, nullptr);
    }
    bool Click(const char* probe) {
        if (!korvane::test::ClickProbe(probe, [this] { Frame(); })) return false;
        // What is drawn from here on shows the dialog after the click.
        UiProbeClear();
        Frame();
        Frame();
        return true;
    }
    bool Drawn(const char* probe) { return UiProbeFind(probe, nullptr, nullptr, nullptr, nullptr); }
};

} // namespace

TEST_F(UnsavedDialogTest, FailedSaveStaysOpenAndOffersDiscard) {
    // The scene's folder is a file: every save fails.
    std::ofstream(dir + "/blocked") << "x";
    std::strcpy(g_scenePath, (dir + "/blocked/Scene.korvane").c_str());
    MarkSceneDirty();
    RequestClose();
    ASSERT_TRUE(g_pendingClose);
    ASSERT_TRUE(Open());
    EXPECT_FALSE(Drawn("unsaved.discard")) << "no discard choice before a failure";

    ASSERT_TRUE(Click("unsaved.save"));
    EXPECT_EQ(s_closeMarks, 0) << "a failed save must not close";
    EXPECT_TRUE(g_sceneDirty);
    ASSERT_TRUE(Drawn("unsaved.save")) << "the dialog stays open";
    ASSERT_TRUE(Drawn("unsaved.discard"));

    ASSERT_TRUE(Click("unsaved.discard"));
    EXPECT_EQ(s_closeMarks, 1);
    EXPECT_TRUE(g_closeWithoutSaving);
    EXPECT_FALSE(Drawn("unsaved.save")) << "the dialog closed";
    // The loop's own close check now lets the window go.
    s_closeMarks = 0;
    RequestClose();
    EXPECT_EQ(s_closeMarks, 1);
    EXPECT_FALSE(g_pendingClose);
}

TEST_F(UnsavedDialogTest, SaveWithoutPathNeverOverwrites) {
    const std::string scenes = root + "/Assets/Scenes";
    std::ofstream(scenes + "/Untitled.korvane") << "keep me";
    g_scenePath[0] = '\0';
    MarkSceneDirty();
    RequestClose();
    ASSERT_TRUE(Open());
    ASSERT_TRUE(Click("unsaved.save"));
    EXPECT_EQ(ReadAll(scenes + "/Untitled.korvane"), "keep me");
    EXPECT_TRUE(fs::exists(scenes + "/Untitled_1.korvane"));
    EXPECT_EQ(std::string(g_scenePath), scenes + "/Untitled_1.korvane");
    EXPECT_FALSE(g_sceneDirty);
    EXPECT_EQ(s_closeMarks, 1) << "saved, then closed";
}

TEST_F(UnsavedDialogTest, NewSceneRunsAfterTheSave) {
    const std::string path = root + "/Assets/Scenes/Level.korvane";
    ASSERT_TRUE(SaveScene(path.c_str()));
    AddEnt("Extra", -1);
    ASSERT_TRUE(g_sceneDirty);
    EXPECT_FALSE(RequestSceneSwitch("__NEW__"));
    ASSERT_TRUE(Open());
    ASSERT_TRUE(Click("unsaved.save"));
    EXPECT_EQ(s_closeMarks, 0) << "the pending action was a new scene, not closing";
    EXPECT_STREQ(g_scenePath, "") << "the new scene has no path yet";
    EXPECT_NE(ReadAll(path).find("\"Extra\""), std::string::npos) << "the edit was saved first";
    EXPECT_STREQ(g_pendingSceneOpen, "");
}

TEST_F(UnsavedDialogTest, CancelKeepsEverything) {
    MarkSceneDirty();
    EXPECT_FALSE(RequestSceneSwitch("/some/other.korvane"));
    ASSERT_TRUE(Open());
    ASSERT_TRUE(Click("unsaved.cancel"));
    EXPECT_STREQ(g_pendingSceneOpen, "");
    EXPECT_TRUE(g_sceneDirty);
    EXPECT_EQ(s_closeMarks, 0);
    EXPECT_FALSE(Drawn("unsaved.save"));
}

namespace {
class ScenePopupsTest : public UnsavedDialogTest {
protected:
    void TypeInto(const char* probe, const char* text) {
        ASSERT_TRUE(Click(probe));
        ImGuiIO& io = ImGui::GetIO();
        io.AddKeyEvent(ImGuiMod_Ctrl, true);
        io.AddKeyEvent(ImGuiKey_A, true);
        Frame();
        io.AddKeyEvent(ImGuiKey_A, false);
        io.AddKeyEvent(ImGuiMod_Ctrl, false);
        Frame();
        io.AddInputCharactersUTF8(text);
        Frame();
        Frame();
    }
};
}

TEST_F(ScenePopupsTest, OpenListsScenesAndLoadsTheChosenOne) {
    const std::string scenes = root + "/Assets/Scenes";
    AddEnt("Only In Level1", -1);
    ASSERT_TRUE(SaveScene((scenes + "/Level1.korvane").c_str()));
    NewScene();
    ASSERT_TRUE(SaveScene((scenes + "/Level2.korvane").c_str()));
    std::ofstream(scenes + "/notes.txt") << "not a scene";
    OpenSceneDialog();
    for (int i = 0; i < 3; ++i) Frame();
    EXPECT_FALSE(Drawn("open.scene.notes.txt"));
    ASSERT_TRUE(Drawn("open.scene.Level2.korvane"));
    ASSERT_TRUE(Click("open.scene.Level1.korvane"));
    ASSERT_TRUE(Click("open.button"));
    EXPECT_EQ(std::string(g_scenePath), scenes + "/Level1.korvane");
    bool found = false;
    for (const Entity& e : g_ents) found = found || std::string(e.name) == "Only In Level1";
    EXPECT_TRUE(found);
}

TEST_F(ScenePopupsTest, SaveAsRefusesPathsAndAsksBeforeOverwriting) {
    const std::string scenes = root + "/Assets/Scenes";
    SaveSceneDialog();
    for (int i = 0; i < 3; ++i) Frame();
    ASSERT_TRUE(Drawn("save.button"));

    // A name that climbs out of the scenes folder: the button does nothing.
    TypeInto("save.name", "../Escaped");
    ASSERT_TRUE(Click("save.button"));
    EXPECT_FALSE(fs::exists(root + "/Assets/Escaped.korvane"));
    EXPECT_STREQ(g_scenePath, "");

    TypeInto("save.name", "Level3");
    ASSERT_TRUE(Click("save.button"));
    ASSERT_TRUE(fs::exists(scenes + "/Level3.korvane"));
    EXPECT_EQ(std::string(g_scenePath), scenes + "/Level3.korvane");
    const std::string saved = ReadAll(scenes + "/Level3.korvane");

    // The same name again: the dialog asks ("Overwrite") instead of saving.
    AddEnt("Later Edit", -1);
    SaveSceneDialog();
    for (int i = 0; i < 3; ++i) Frame();
    TypeInto("save.name", "Level3");
    UiProbeClear();
    Frame();
    EXPECT_FALSE(Drawn("save.button"));
    ASSERT_TRUE(Drawn("save.overwrite"));
    EXPECT_EQ(ReadAll(scenes + "/Level3.korvane"), saved) << "nothing written before the user agrees";
    ASSERT_TRUE(Click("save.overwrite"));
    EXPECT_NE(ReadAll(scenes + "/Level3.korvane").find("\"Later Edit\""), std::string::npos);
}

// "Don't Save" goes on without writing anything: closing, or opening the
// other scene; the recovery copy goes too.
TEST_F(UnsavedDialogTest, DontSaveClosesWithoutWriting) {
    InstallSceneRecovery();
    const std::string path = root + "/Assets/Scenes/Level.korvane";
    ASSERT_TRUE(SaveScene(path.c_str()));
    const std::string before = ReadAll(path);
    const auto time = fs::last_write_time(path);
    AddEnt("Throw Away", -1);
    ASSERT_TRUE(WriteRecoveryCopy());
    const std::string copy = RecoveryCopyPath(path, root);
    ASSERT_TRUE(fs::exists(copy));
    RequestClose();
    ASSERT_TRUE(Open());
    ASSERT_TRUE(Drawn("unsaved.dontsave")) << "offered before any failure";
    ASSERT_TRUE(Click("unsaved.dontsave"));
    EXPECT_EQ(s_closeMarks, 1);
    EXPECT_TRUE(g_closeWithoutSaving);
    EXPECT_EQ(ReadAll(path), before) << "nothing written";
    EXPECT_EQ(fs::last_write_time(path), time);
    EXPECT_FALSE(fs::exists(path + ".bak"));
    EXPECT_FALSE(fs::exists(copy)) << "nothing left to recover";
    EXPECT_FALSE(Drawn("unsaved.save"));
    g_sceneLoadedHook = nullptr;
    g_sceneSavedHook = nullptr;
}

TEST_F(UnsavedDialogTest, DontSaveOpensTheOtherScene) {
    const std::string scenes = root + "/Assets/Scenes";
    AddEnt("Only In Other", -1);
    ASSERT_TRUE(SaveScene((scenes + "/Other.korvane").c_str()));
    NewScene();
    const std::string path = scenes + "/Level.korvane";
    ASSERT_TRUE(SaveScene(path.c_str()));
    const std::string before = ReadAll(path);
    AddEnt("Throw Away", -1);
    EXPECT_FALSE(RequestSceneSwitch((scenes + "/Other.korvane").c_str()));
    ASSERT_TRUE(Open());
    ASSERT_TRUE(Click("unsaved.dontsave"));
    EXPECT_EQ(s_closeMarks, 0);
    EXPECT_EQ(std::string(g_scenePath), scenes + "/Other.korvane");
    EXPECT_FALSE(g_sceneDirty);
    EXPECT_EQ(ReadAll(path), before);
    EXPECT_STREQ(g_pendingSceneOpen, "");
}

// The recovery question after a scene with a newer copy was opened.
TEST_F(UnsavedDialogTest, RecoverLoadsTheCopyDiscardDeletesIt) {
    InstallSceneRecovery();
    const std::string path = root + "/Assets/Scenes/Level.korvane";
    ASSERT_TRUE(SaveScene(path.c_str()));
    const std::string saved = ReadAll(path);
    AddEnt("Unsaved Edit", -1);
    ASSERT_TRUE(WriteRecoveryCopy());
    const std::string copy = RecoveryCopyPath(path, root);
    // The copy must be newer than the scene: age the scene file a little.
    fs::last_write_time(path, fs::last_write_time(copy) - std::chrono::seconds(5));

    for (const char* answer : {"recovery.discard", "recovery.recover"}) {
        SCOPED_TRACE(answer);
        if (!fs::exists(copy)) {
            ASSERT_TRUE(LoadScene(path.c_str()));
            AddEnt("Unsaved Edit", -1);
            ASSERT_TRUE(WriteRecoveryCopy());
            fs::last_write_time(path, fs::last_write_time(copy) - std::chrono::seconds(5));
        }
        ASSERT_TRUE(LoadScene(path.c_str()));
        ASSERT_TRUE(g_recoveryOffer.active);
        for (int i = 0; i < 3; ++i) Frame();
        ASSERT_TRUE(Drawn("recovery.recover"));
        ASSERT_TRUE(Click(answer));
        EXPECT_FALSE(g_recoveryOffer.active);
        EXPECT_FALSE(Drawn("recovery.recover")) << "answered once";
        EXPECT_EQ(std::string(g_scenePath), path) << "the open scene is still the real file";
        EXPECT_EQ(ReadAll(path), saved) << "the scene file stays untouched";
        bool edit = false;
        for (const Entity& e : g_ents) edit = edit || std::string(e.name) == "Unsaved Edit";
        if (std::string(answer) == "recovery.recover") {
            EXPECT_TRUE(edit);
            EXPECT_TRUE(g_sceneDirty);
            EXPECT_TRUE(fs::exists(copy)) << "kept until the user saves";
            ASSERT_TRUE(SaveScene(g_scenePath));
            EXPECT_FALSE(fs::exists(copy)) << "a real save removes it";
        } else {
            EXPECT_FALSE(edit);
            EXPECT_FALSE(g_sceneDirty);
            EXPECT_FALSE(fs::exists(copy));
        }
    }
    g_sceneLoadedHook = nullptr;
    g_sceneSavedHook = nullptr;
}
