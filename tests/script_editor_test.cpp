// The script editor: buffer operations, opening and saving without losing a
// byte, the unsaved-edits question, metadata refresh after a save, and the
// panel in headless Dear ImGui frames.

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "editor/legacy/base/AppState.h"
#include "editor/legacy/base/AtomicFile.h"
#include "editor/legacy/base/ProjectPaths.h"
#include "editor/legacy/base/RecentScripts.h"
#include "editor/legacy/scene/EntityStore.h"
#include "editor/legacy/scripting/ScriptEditor.h"
#include "editor/legacy/scripting/ScriptMeta.h"
#include "editor/ui/common/EditorHooks.h"
#include "editor/ui/common/UiProbe.h"
#include "editor/ui/frame/EditorShortcuts.h"
#include "editor/ui/script/ScriptEditorPanel.h"
#include "imgui.h"
#include "imgui_internal.h"
#include "tests/support/SceneModel.h"
#include "tests/support/TempTree.h"
#include "tests/support/UiClick.h"

namespace {

using korvane::test::TempTree;

std::string Slurp(const std::string& path) { return korvane::test::ReadAll(path); }

struct timespec MTime(const std::string& path) {
    struct stat st {};
    stat(path.c_str(), &st);
    return st.st_mtim;
}

bool SameTime(const struct timespec& a, const struct timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

class ScriptEditorTest : public ::testing::Test {
protected:
    TempTree tree;
    std::string scripts;
    void SetUp() override {
        korvane::test::ResetSceneModel();
        ResetScriptEditorState();
        g_recentScriptFiles.clear();
        std::snprintf(g_projectRoot, sizeof g_projectRoot, "%s", tree.path().c_str());
        g_assetRoot = tree / "engine";
        scripts = tree / "Assets/Scripts";
        MkdirP(scripts);
        ForgetScriptLookupFailures();
        g_showScriptEditor = false;
    }
    void TearDown() override {
        ResetScriptEditorState();
        g_recentScriptFiles.clear();
        g_projectRoot[0] = '\0';
        g_assetRoot.clear();
        korvane::test::ResetSceneModel();
    }
};

TEST(ScriptEditorBuffer, ReplaceAllAndCount) {
    struct {
        const char* text;
        const char* find;
        const char* repl;
        const char* expect;
        size_t count;
    } cases[] = {
        {"aaaa", "aa", "a", "aa", 2},        // non-overlapping, left to right
        {"aaa", "a", "aa", "aaaaaa", 3},     // terminates; each original replaced once
        {"abc", "x", "y", "abc", 0},
        {"abc", "", "y", "abc", 0},          // an empty needle replaces nothing
        {"a.b.c", ".", "", "abc", 2},
    };
    for (const auto& c : cases) {
        std::string t = c.text;
        EXPECT_EQ(CountOccurrences(c.text, c.find), c.count) << c.text << " / " << c.find;
        EXPECT_EQ(ReplaceAllOccurrences(t, c.find, c.repl), c.count);
        EXPECT_EQ(t, c.expect);
    }
}

TEST(ScriptEditorBuffer, GlyphTable) {
    struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"a\xE2\x80\x94" "b", "a-b"},  {"\xE2\x80\x93", "-"},       {"\xE2\x80\xA6", "..."},
        {"\xE2\x80\xA2 x", "* x"},      {"\xE2\x9C\x93", "OK"},       {"\xE2\x9C\x95", "X"},
        {"\xE2\x9A\xA0", "!"},          {"\xE2\x96\xB6", ">"},        {"\xE2\x94\x8C\xE2\x94\x80\xE2\x94\x90", "+-+"},
        {"\xE2\x94\x82\xE2\x94\x83\xE2\x94\xBC", "||+"},
    };
    for (const auto& c : cases) {
        std::string t = c.in;
        EXPECT_TRUE(ScriptEditorNormalizeUnsupportedGlyphs(t)) << c.in;
        EXPECT_EQ(t, c.out);
    }
    std::string plain = "caf\xC3\xA9 \xE2\x82\xAC";  // other non-ASCII text is left alone
    EXPECT_FALSE(ScriptEditorNormalizeUnsupportedGlyphs(plain));
    EXPECT_EQ(plain, "caf\xC3\xA9 \xE2\x82\xAC");
}

TEST(ScriptEditorBuffer, RecentListOrderAndCap) {
    g_recentScriptFiles.clear();
    for (int i = 0; i < 10; ++i) AddRecentScriptFile("s" + std::to_string(i));
    AddRecentScriptFile("s5");
    AddRecentScriptFile("");
    ASSERT_EQ(g_recentScriptFiles.size(), 8u);
    EXPECT_EQ(g_recentScriptFiles[0], "s5");
    EXPECT_EQ(g_recentScriptFiles[1], "s9");
    EXPECT_EQ(g_recentScriptFiles[7], "s2");
    g_recentScriptFiles.clear();
}

TEST_F(ScriptEditorTest, AtomicWriterKeepsTimeCreatesFoldersRefusesFolders) {
    const std::string p = tree / "a/b/c.fs";
    ASSERT_TRUE(WriteTextIfChangedAtomic(p, "x"));
    const struct timespec t0 = MTime(p);
    ASSERT_TRUE(WriteTextIfChangedAtomic(p, "x"));
    EXPECT_TRUE(SameTime(MTime(p), t0));
    EXPECT_FALSE(WriteTextIfChangedAtomic(tree / "a/b", "y"));  // a folder is never replaced
    struct stat st {};
    EXPECT_EQ(stat((tree / "a/b").c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
}

TEST_F(ScriptEditorTest, NewScriptsTakeTheFirstFreeNumber) {
    tree.Write("Assets/Scripts/NewScript1.fs", "one");
    tree.Write("Assets/Scripts/NewScript2.fs", "two");
    ASSERT_TRUE(ScriptEditorCreateNew());
    EXPECT_EQ(std::string(g_scriptEditorPath), scripts + "/NewScript3.fs");
    EXPECT_EQ(Slurp(scripts + "/NewScript3.fs"), kNewScriptText);
    EXPECT_EQ(Slurp(scripts + "/NewScript1.fs"), "one");
    EXPECT_TRUE(g_showScriptEditor);
    EXPECT_FALSE(g_scriptEditorDirty);
}

TEST_F(ScriptEditorTest, NewScriptWithoutAProjectIsRefused) {
    g_projectRoot[0] = '\0';
    EXPECT_FALSE(ScriptEditorCreateNew());
    EXPECT_EQ(g_scriptEditorPath[0], '\0');
    struct stat st {};
    EXPECT_NE(stat("/Assets/Scripts/NewScript1.fs", &st), 0);
}

TEST_F(ScriptEditorTest, MissingFileOpensTheTemplateAndTheFirstSaveCreatesIt) {
    const std::string p = scripts + "/later.fs";
    ASSERT_TRUE(OpenScriptInEditor(p.c_str()));
    EXPECT_EQ(g_scriptEditorText, kScriptEditorTemplate);
    EXPECT_EQ(g_scriptEditorStatus, "Opened " + p);
    EXPECT_EQ(g_scriptEditorErrors, 0);  // analysed on opening
    ASSERT_TRUE(SaveScriptEditor());
    EXPECT_EQ(Slurp(p), kScriptEditorTemplate);
    EXPECT_EQ(g_scriptEditorStatus, "Saved " + p);
    ASSERT_EQ(g_recentScriptFiles.size(), 1u);
    EXPECT_EQ(g_recentScriptFiles[0], p);
}

TEST_F(ScriptEditorTest, OpeningNormalizesGlyphsAndSavingUnchangedKeepsTheTime) {
    const std::string p = tree.Write("Assets/Scripts/dash.fs", "return function(self, dt) -- a \xE2\x80\x94 b\nend\n");
    ASSERT_TRUE(OpenScriptInEditor("dash.fs"));  // found through the script search
    EXPECT_EQ(std::string(g_scriptEditorPath), p);
    EXPECT_TRUE(g_scriptEditorDirty);
    EXPECT_EQ(g_scriptEditorText, "return function(self, dt) -- a - b\nend\n");
    ASSERT_TRUE(SaveScriptEditor());
    const struct timespec t0 = MTime(p);
    ASSERT_TRUE(SaveScriptEditor());
    EXPECT_TRUE(SameTime(MTime(p), t0));
    EXPECT_EQ(g_scriptEditorStatus, "Saved " + p);
    g_scriptEditorText += "x = (\n";
    ASSERT_TRUE(SaveScriptEditor());
    EXPECT_EQ(g_scriptEditorStatus, "Saved " + p + " with diagnostics");
}

// Each row names a file that exists but must never become the template: the
// bytes (or the node) must be there, untouched, after trying to open it.
TEST_F(ScriptEditorTest, UnreadableFilesOpenNothingAndKeepTheirBytes) {
    const std::string folder = scripts + "/folder.fs";
    MkdirP(folder);
    const std::string fifo = scripts + "/pipe.fs";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    const std::string big = tree.Write("Assets/Scripts/big.fs", std::string(kScriptEditorMaxFileBytes + 1, 'a'));
    for (const std::string& p : {folder, fifo, big}) {
        ResetScriptEditorState();
        EXPECT_FALSE(OpenScriptInEditor(p.c_str())) << p;
        EXPECT_EQ(g_scriptEditorPath[0], '\0') << p;
        EXPECT_EQ(g_scriptEditorStatus.rfind("Cannot open " + p, 0), 0u) << g_scriptEditorStatus;
        EXPECT_FALSE(SaveScriptEditor());
    }
    EXPECT_EQ(Slurp(big).size(), kScriptEditorMaxFileBytes + 1);
}

TEST_F(ScriptEditorTest, NulBytesAndInvalidUtf8OpenReadOnlyAndAreNeverWritten) {
    const std::string nul = tree.Write("Assets/Scripts/nul.fs", std::string("return\0function", 15));
    const std::string bad = tree.Write("Assets/Scripts/bad.fs", "x = '\xC3\x28'\n");
    const std::string overlong = tree.Write("Assets/Scripts/over.fs", "x = '\xC0\xAF'\n");
    for (const std::string& p : {nul, bad, overlong}) {
        const std::string before = Slurp(p);
        ResetScriptEditorState();
        ASSERT_TRUE(OpenScriptInEditor(p.c_str())) << p;
        EXPECT_TRUE(g_scriptEditorReadOnly);
        EXPECT_NE(g_scriptEditorStatus.find("read-only"), std::string::npos);
        g_scriptEditorText = "changed";
        g_scriptEditorDirty = true;
        EXPECT_FALSE(SaveScriptEditor());
        EXPECT_EQ(Slurp(p), before);
    }
    EXPECT_TRUE(ScriptTextEditable("plain caf\xC3\xA9 \xF0\x9F\x98\x80"));
    EXPECT_FALSE(ScriptTextEditable("\xED\xA0\x80"));  // a surrogate half
}

TEST_F(ScriptEditorTest, SavingThroughALinkKeepsTheLinkAndTheMode) {
    const std::string target = tree.Write("real/player.fs", "return function(self, dt) end\n");
    ASSERT_EQ(chmod(target.c_str(), 0640), 0);
    const std::string link = scripts + "/player.fs";
    ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
    ASSERT_TRUE(OpenScriptInEditor(link.c_str()));
    g_scriptEditorText = "-- saved\nreturn function(self, dt) end\n";
    ASSERT_TRUE(SaveScriptEditor());
    struct stat st {};
    ASSERT_EQ(lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(Slurp(target), "-- saved\nreturn function(self, dt) end\n");
    ASSERT_EQ(stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST_F(ScriptEditorTest, UnsavedEditsAskBeforeAnotherFileOpens) {
    const std::string a = tree.Write("Assets/Scripts/a.fs", "return function(self, dt) end\n");
    const std::string b = tree.Write("Assets/Scripts/b.fs", "return function(self, dt) end -- b\n");
    struct Row {
        ScriptEditorAnswer answer;
        const char* openAfter;
        const char* aBytes;
    } rows[] = {
        {ScriptEditorAnswer::Cancel, "a.fs", "return function(self, dt) end\n"},
        {ScriptEditorAnswer::Discard, "b.fs", "return function(self, dt) end\n"},
        {ScriptEditorAnswer::Save, "b.fs", "edited"},
    };
    for (const Row& r : rows) {
        ASSERT_TRUE(WriteTextIfChangedAtomic(a, "return function(self, dt) end\n"));
        ResetScriptEditorState();
        ASSERT_TRUE(OpenScriptInEditor(a.c_str()));
        g_scriptEditorText = "edited";
        ScriptEditorNoteEdit();
        ScriptEditorRequest(ScriptEditorAction::Open, b.c_str());
        EXPECT_EQ(ScriptEditorPendingAction(), ScriptEditorAction::Open);
        EXPECT_EQ(std::string(g_scriptEditorPath), a);  // nothing happened yet
        ScriptEditorResolvePending(r.answer);
        EXPECT_EQ(ScriptEditorPendingAction(), ScriptEditorAction::None);
        EXPECT_EQ(std::string(g_scriptEditorPath), scripts + "/" + r.openAfter);
        EXPECT_EQ(Slurp(a), r.aBytes);
    }
    // Reload asks too; a clean buffer never asks.
    ResetScriptEditorState();
    ASSERT_TRUE(OpenScriptInEditor(b.c_str()));
    ScriptEditorRequest(ScriptEditorAction::Open, a.c_str());
    EXPECT_EQ(ScriptEditorPendingAction(), ScriptEditorAction::None);
    EXPECT_EQ(std::string(g_scriptEditorPath), a);
    g_scriptEditorText = "edited again";
    ScriptEditorNoteEdit();
    ScriptEditorRequest(ScriptEditorAction::Reload);
    EXPECT_EQ(ScriptEditorPendingAction(), ScriptEditorAction::Reload);
    ScriptEditorResolvePending(ScriptEditorAnswer::Discard);
    EXPECT_EQ(g_scriptEditorText, Slurp(a));
}

TEST_F(ScriptEditorTest, SavingUpdatesTheMetadataOfEntitiesUsingTheScript) {
    const std::string p = tree.Write("Assets/Scripts/player.fs",
                                     "-- @export float moveSpeed 4\n-- @export float jump 2\nreturn function(self, dt) end\n");
    Entity* e = AddEnt("Player", -1);
    ASSERT_NE(e, nullptr);
    e->hasScript = true;
    std::snprintf(e->script.scriptPath, sizeof e->script.scriptPath, "player.fs");
    const int32_t id = e->id;
    EnsureScriptMeta(id);
    ASSERT_TRUE(g_scriptMeta[id].parsed);
    ASSERT_EQ(g_scriptMeta[id].fieldCount, 2);
    g_scriptMeta[id].fields[0].fieldValue = 9.0f;  // the user's value

    ASSERT_TRUE(OpenScriptInEditor("player.fs"));
    g_scriptEditorText =
        "-- @export float moveSpeed 4\n-- @export float jump 2\n-- @export bool canFly true\nreturn function(self, dt) end\n";
    ASSERT_TRUE(SaveScriptEditor());
    const ScriptMeta& m = g_scriptMeta[id];
    ASSERT_TRUE(m.parsed);
    ASSERT_EQ(m.fieldCount, 3);
    EXPECT_STREQ(m.fields[2].fieldName, "canFly");
    EXPECT_FLOAT_EQ(m.fields[0].fieldValue, 9.0f);  // kept: same name and type
    EXPECT_EQ(Slurp(p).find("canFly") != std::string::npos, true);
}

TEST_F(ScriptEditorTest, LiveAnalysisRunsOnlyWhenTheTextChanged) {
    tree.Write("Assets/Scripts/a.fs", "return function(self, dt) end\n");
    ASSERT_TRUE(OpenScriptInEditor("a.fs"));
    g_scriptEditorText += "(";
    ScriptEditorNoteEdit();
    ScriptEditorAutoAnalyzeTick(10.0);
    EXPECT_EQ(g_scriptEditorErrors, 1);
    g_scriptEditorDiagnostics.clear();  // a rerun would bring it back
    ScriptEditorAutoAnalyzeTick(20.0);  // nothing changed since
    EXPECT_TRUE(g_scriptEditorDiagnostics.empty());
    ScriptEditorNoteEdit();
    ScriptEditorAutoAnalyzeTick(20.2);  // changed: runs
    EXPECT_EQ(g_scriptEditorDiagnostics.size(), 1u);
    g_scriptEditorDiagnostics.clear();
    ScriptEditorNoteEdit();
    ScriptEditorAutoAnalyzeTick(20.4);  // too soon after the last run
    EXPECT_TRUE(g_scriptEditorDiagnostics.empty());
    ScriptEditorAutoAnalyzeTick(20.6);
    EXPECT_EQ(g_scriptEditorDiagnostics.size(), 1u);
}

TEST(ScriptEditorShortcuts, CtrlSIsTheScriptsWhileTheEditorHasTheKeyboard) {
    ShortcutInput in;
    in.Press(ShortcutKey::S);
    in.mod = true;
    in.hasScenePath = true;
    EXPECT_EQ(DecideEditorShortcut(in), EditorShortcut::Save);
    in.scriptEditorFocused = true;
    EXPECT_EQ(DecideEditorShortcut(in), EditorShortcut::None);
    in.shift = true;
    EXPECT_EQ(DecideEditorShortcut(in), EditorShortcut::None);
}

TEST(ScriptEditorPanelMaths, LinesGutterAndCaret) {
    EXPECT_EQ(ScriptLineCount(""), 1);
    EXPECT_EQ(ScriptLineCount("a\nb\n"), 3);
    EXPECT_FLOAT_EQ(ScriptGutterWidth(9, 7.0f), 38.0f);
    EXPECT_FLOAT_EQ(ScriptGutterWidth(12345, 7.0f), 5 * 7.0f + 22.0f);
    int line = 0, col = 0;
    ScriptCaretLineCol("ab\ncd\n", 4, line, col);
    EXPECT_EQ(line, 2);
    EXPECT_EQ(col, 2);
    ScriptCaretLineCol("ab\ncd\n", 6, line, col);
    EXPECT_EQ(line, 3);
    EXPECT_EQ(col, 1);
    ScriptCaretLineCol("ab", 99, line, col);
    EXPECT_EQ(line, 1);
    EXPECT_EQ(col, 3);
}

class ScriptEditorPanelFrames : public ScriptEditorTest {
protected:
    ImGuiContext* ctx = nullptr;
    void SetUp() override {
        ScriptEditorTest::SetUp();
        ctx = ImGui::CreateContext();
        ImGuiIO& io = ImGui::GetIO();
        io.IniFilename = nullptr;
        io.DisplaySize = ImVec2(1280, 800);
        io.DeltaTime = 1.0f / 60.0f;
        io.BackendFlags |= ImGuiBackendFlags_RendererHasTextures;
        io.ConfigDebugHighlightIdConflicts = true;
        g_editorHooks = EditorHooks();
        InstallScriptEditorPanel();
        UiProbeClear();
        g_showScriptEditor = true;
    }
    void TearDown() override {
        g_editorHooks = EditorHooks();
        ImGui::DestroyContext(ctx);
        ScriptEditorTest::TearDown();
    }
    void Frame() {
        ImGui::NewFrame();
        ImGui::SetNextWindowPos(ImVec2(0, 0));
        ImGui::SetNextWindowSize(ImVec2(1000, 700));
        if (g_showScriptEditor) ScriptEditorPanel();
        ImGui::Begin("Other");
        ImGui::Text("another panel");
        ImGui::End();
        ImGui::Render();
    }
    void Frames(int n) {
        for (int i = 0; i < n; ++i) Frame();
    }
    void FocusWindow(const char* name) {
        ImGui::FocusWindow(ImGui::FindWindowByName(name));
    }
    void CtrlS() {
        ImGuiIO& io = ImGui::GetIO();
        io.AddKeyEvent(ImGuiMod_Ctrl, true);
        io.AddKeyEvent(ImGuiKey_LeftCtrl, true);
        Frame();
        io.AddKeyEvent(ImGuiKey_S, true);
        Frame();
        io.AddKeyEvent(ImGuiKey_S, false);
        io.AddKeyEvent(ImGuiKey_LeftCtrl, false);
        io.AddKeyEvent(ImGuiMod_Ctrl, false);
        Frame();
    }
};

TEST_F(ScriptEditorPanelFrames, EmptyAndOpenStatesDrawWithoutIdConflicts) {
    Frames(3);
    EXPECT_NE(ImGui::FindWindowByName("Script Editor"), nullptr);
    EXPECT_TRUE(UiProbeFind("##scNew", nullptr, nullptr, nullptr, nullptr));
    tree.Write("Assets/Scripts/a.fs", "return function(self, dt)\n  x = (\nend\n");
    ASSERT_TRUE(OpenScriptInEditor("a.fs"));
    g_scriptEditorShowSidebar = true;
    g_scriptEditorSearchOpen = true;
    for (int page = 0; page < 4; ++page) {
        g_scriptEditorSideMode = page;
        Frames(2);
    }
    EXPECT_TRUE(UiProbeFind("script.text", nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(g_scriptEditorErrors, 1);
    EXPECT_EQ(ctx->DebugDrawIdConflictsCount, 0);
}

TEST_F(ScriptEditorPanelFrames, CtrlSSavesOnlyWhileThePanelIsFocused) {
    const std::string p = tree.Write("Assets/Scripts/a.fs", "return function(self, dt) end\n");
    ASSERT_TRUE(OpenScriptInEditor("a.fs"));
    g_scriptEditorText = "-- edited\nreturn function(self, dt) end\n";
    ScriptEditorNoteEdit();
    Frames(2);
    FocusWindow("Other");
    CtrlS();
    EXPECT_EQ(Slurp(p), "return function(self, dt) end\n");
    EXPECT_FALSE(*g_editorHooks.scriptEditorFocused);
    FocusWindow("Script Editor");
    Frame();
    EXPECT_TRUE(*g_editorHooks.scriptEditorFocused);
    CtrlS();
    EXPECT_EQ(Slurp(p), "-- edited\nreturn function(self, dt) end\n");
    EXPECT_FALSE(g_scriptEditorDirty);
}

TEST_F(ScriptEditorPanelFrames, OpeningAnotherFileWithEditsShowsThePrompt) {
    tree.Write("Assets/Scripts/a.fs", "return function(self, dt) end\n");
    const std::string b = tree.Write("Assets/Scripts/b.fs", "return function(self, dt) end -- b\n");
    ASSERT_TRUE(OpenScriptInEditor("a.fs"));
    g_scriptEditorText = "unsaved";
    ScriptEditorNoteEdit();
    Frames(2);
    g_editorHooks.openScriptInEditor("b.fs");
    Frames(3);
    EXPECT_TRUE(ImGui::IsPopupOpen("Unsaved Script Changes", ImGuiPopupFlags_AnyPopupId));
    ASSERT_TRUE(korvane::test::ClickProbe("script.unsaved.discard", [&] { Frame(); }));
    Frames(2);
    EXPECT_EQ(std::string(g_scriptEditorPath), b);
    EXPECT_EQ(g_scriptEditorText, Slurp(b));
}

}  // namespace
