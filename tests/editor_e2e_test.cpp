// The editing session end to end, on the real editor under a private Xvfb:
// open the sample project, select an entity by clicking it in the viewport,
// drag the move gizmo (one "Move Entity" undo step), undo with Ctrl+Z,
// re-parent by dragging a hierarchy row, save with Ctrl+S and check that
// the saved file reads back to the same file. Screenshots of the editor in
// its default layout are kept under /tmp/korvane-editor-e2e/.

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "editor/legacy/files/SceneFile.h"
#include "editor/legacy/scene/EntityStore.h"
#include "editor/legacy/scene/KorvaneMath.h"
#include "tests/support/Process.h"
#include "tests/support/TempTree.h"
#include "tests/support/XSession.h"

using namespace korvane::test;
namespace fs = std::filesystem;

namespace {

bool Xdo(const std::string& display, std::vector<std::string> args) {
    args.insert(args.begin(), "/usr/bin/xdotool");
    ProcessOptions o;
    o.env["DISPLAY"] = display;
    o.timeoutSeconds = 10;
    return RunProcess(args, o).exitCode == 0;
}

// Press, move in small steps (the editor sees every frame of the drag), release.
bool Drag(const std::string& display, int x0, int y0, int x1, int y1) {
    if (!Xdo(display, {"mousemove", std::to_string(x0), std::to_string(y0)})) return false;
    usleep(200000);
    if (!Xdo(display, {"mousedown", "1"})) return false;
    usleep(150000);
    const int steps = 12;
    for (int i = 1; i <= steps; ++i) {
        const int x = x0 + (x1 - x0) * i / steps, y = y0 + (y1 - y0) * i / steps;
        if (!Xdo(display, {"mousemove", std::to_string(x), std::to_string(y)})) return false;
        usleep(60000);
    }
    usleep(200000);
    return Xdo(display, {"mouseup", "1"});
}

size_t CountLines(EditorSession& s, const std::string& text) {
    size_t n = 0;
    for (const std::string& line : s.Lines())
        if (line.find(text) != std::string::npos) ++n;
    return n;
}

// The latest rectangle of a probe once it differs from `from` by more than
// `minMove` pixels (or the latest one at the timeout).
std::optional<ProbeRect> WaitForProbeMove(EditorSession& s, const std::string& name, const ProbeRect& from,
                                          int minMove, double timeoutSeconds) {
    std::optional<ProbeRect> r;
    for (double waited = 0; waited < timeoutSeconds; waited += 0.2) {
        r = s.WaitForProbe(name, 1);
        if (r && std::abs(r->CenterX() - from.CenterX()) + std::abs(r->CenterY() - from.CenterY()) > minMove)
            return r;
        usleep(200000);
    }
    return r;
}

// The entity block of a scene file ("entity <id> ..." up to "end").
std::string EntityBlock(const std::string& file, int id) {
    const std::string head = "entity " + std::to_string(id) + " ";
    size_t at = file.find("\n" + head);
    if (at == std::string::npos) return std::string();
    size_t end = file.find("\nend\n", at + 1);
    return file.substr(at + 1, end == std::string::npos ? std::string::npos : end - at);
}

class EditorE2E : public ::testing::Test {
protected:
    XvfbServer xvfb;
    std::string home;
    std::string shots = "/tmp/korvane-editor-e2e";

    void SetUp() override {
        home = MakeTempDir("korvane_editor_e2e_");
        ASSERT_FALSE(home.empty());
        if (!xvfb.Start(1600, 1000)) GTEST_SKIP() << "Xvfb is not available";
        std::error_code ec;
        fs::create_directories(shots, ec);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(home, ec);
    }
};

} // namespace

TEST_F(EditorE2E, SelectMoveUndoReparentAndSave) {
    const std::string root = home + "/Sample";
    fs::copy(std::string(KORVANE_SOURCE_DIR) + "/samples/SampleProject", root, fs::copy_options::recursive);
    { std::ofstream(home + "/.korvane_projects") << "Sample|" << root << "\n"; }
    const std::string scene = root + "/Assets/Scenes/Default.korvane";
    const std::string original = ReadAll(scene);

    EditorSession s;
    ASSERT_TRUE(s.Launch(KORVANE_EXE_PATH, xvfb.Display(), home));
    auto card = s.WaitForProbe("hub.card.0", 30);
    ASSERT_TRUE(card) << s.AllStderr();
    ASSERT_TRUE(s.WaitForLine("[probe] frame state=0", 10));
    ASSERT_TRUE(Click(s.Display(), card->CenterX(), card->CenterY()));
    ASSERT_TRUE(s.WaitForLine("[INFO] Scene loaded: " + scene, 30)) << s.AllStderr();
    ASSERT_TRUE(s.WaitForLine("[probe] frame state=2", 20)) << s.AllStderr();
    sleep(2);  // the window takes its editor size; the layout settles
    ASSERT_TRUE(Screenshot(s.Display(), shots + "/default-layout.png"));
    EXPECT_GT(ReadImageStats(shots + "/default-layout.png").distinctColors, 20u);

    // Click the player in the viewport.
    auto image = s.WaitForProbe("viewport.image", 10);
    ASSERT_TRUE(image && image->w > 200 && image->h > 200) << s.AllStderr();
    auto player = s.WaitForProbe("viewport.ent.4", 10);
    ASSERT_TRUE(player) << s.AllStderr();
    ASSERT_TRUE(Click(s.Display(), player->CenterX(), player->CenterY()));
    ASSERT_TRUE(s.WaitForLine("[INFO] Selected under cursor: Player", 10)) << s.AllStderr();

    // Drag the move gizmo's X arrow.
    auto arrow = s.WaitForProbe("viewport.gizmo.0", 10);
    ASSERT_TRUE(arrow) << s.AllStderr();
    sleep(1);
    arrow = s.WaitForProbe("viewport.gizmo.0", 1);
    ASSERT_TRUE(Drag(s.Display(), arrow->CenterX(), arrow->CenterY(), arrow->CenterX() + 90, arrow->CenterY() + 10));
    auto moved = WaitForProbeMove(s, "viewport.ent.4", *player, 20, 10);
    ASSERT_TRUE(moved);
    EXPECT_GT(std::abs(moved->CenterX() - player->CenterX()) + std::abs(moved->CenterY() - player->CenterY()), 20)
        << "the player moved on screen";
    ASSERT_TRUE(Screenshot(s.Display(), shots + "/after-move.png"));

    // One undo step restores it; a second Ctrl+Z finds nothing more.
    ASSERT_TRUE(Key(s.Display(), "ctrl+z"));
    ASSERT_TRUE(s.WaitForLine("[INFO] Undo: Move Entity", 10)) << s.AllStderr();
    auto back = WaitForProbeMove(s, "viewport.ent.4", *moved, 20, 10);
    ASSERT_TRUE(back);
    ASSERT_TRUE(Key(s.Display(), "ctrl+z"));
    sleep(1);
    EXPECT_EQ(CountLines(s, "[INFO] Undo:"), 1u) << "exactly one undo step for the drag";
    EXPECT_LE(std::abs(back->CenterX() - player->CenterX()) + std::abs(back->CenterY() - player->CenterY()), 2);

    // Re-parent "Health Orb" (5) under "Player" (4) in the hierarchy.
    auto orbRow = s.WaitForProbe("hierarchy.row.5", 10);
    auto playerRow = s.WaitForProbe("hierarchy.row.4", 10);
    ASSERT_TRUE(orbRow && playerRow) << s.AllStderr();
    ASSERT_TRUE(Drag(s.Display(), orbRow->x + 60, orbRow->CenterY(), playerRow->x + 60, playerRow->CenterY()));
    sleep(1);
    ASSERT_TRUE(Screenshot(s.Display(), shots + "/after-reparent.png"));

    // Save and read back.
    ASSERT_TRUE(Key(s.Display(), "ctrl+s"));
    ASSERT_TRUE(s.WaitForLine("[INFO] Scene saved: " + scene, 10)) << s.AllStderr();
    EXPECT_EQ(CountLines(s, "[INFO] Scene saved:"), 1u);
    ASSERT_TRUE(Screenshot(s.Display(), shots + "/after-save.png"));
    ASSERT_TRUE(s.RequestWindowClose());
    EXPECT_EQ(s.WaitExit(20), 0) << s.AllStderr();

    // The sample is hand-written; compare with it as this editor writes it.
    const std::string originalPath = home + "/original.korvane";
    { std::ofstream(originalPath) << original; }
    ASSERT_TRUE(LoadScene(originalPath.c_str()));
    const std::string normalizedPath = home + "/normalized.korvane";
    ASSERT_TRUE(SaveScene(normalizedPath.c_str()));
    const std::string normalized = ReadAll(normalizedPath);

    const std::string saved = ReadAll(scene);
    const std::string orb = EntityBlock(saved, 5);
    ASSERT_FALSE(orb.empty()) << saved;
    EXPECT_EQ(orb.rfind("entity 5 \"Health Orb\" 4 ", 0), 0u) << orb;
    const std::string orbBefore = EntityBlock(normalized, 5);
    const std::string oldHead = "entity 5 \"Health Orb\" -1 ";
    ASSERT_EQ(orbBefore.rfind(oldHead, 0), 0u) << orbBefore;
    // Re-parenting keeps the orb where it was in the world: its local
    // transform changes into the player's space, nothing else does.
    ASSERT_TRUE(LoadScene(originalPath.c_str()));
    const Entity* orbOld = GetEnt(5);
    ASSERT_NE(orbOld, nullptr);
    const Vec3 worldBefore = EntityWorldPos(*orbOld);
    ASSERT_TRUE(LoadScene(scene.c_str()));
    const Entity* orbNew = GetEnt(5);
    ASSERT_NE(orbNew, nullptr);
    EXPECT_EQ(orbNew->parent, 4);
    const Vec3 worldAfter = EntityWorldPos(*orbNew);
    EXPECT_NEAR(worldAfter.x, worldBefore.x, 1e-4);
    EXPECT_NEAR(worldAfter.y, worldBefore.y, 1e-4);
    EXPECT_NEAR(worldAfter.z, worldBefore.z, 1e-4);
    auto withoutTransform = [](const std::string& block) {
        std::string out;
        std::istringstream in(block);
        std::string line;
        std::getline(in, line);  // the entity line carries the parent
        while (std::getline(in, line))
            if (line.rfind("transform ", 0) != 0 && line.rfind("scriptmeta ", 0) != 0 &&
                line.rfind("scriptfield ", 0) != 0)
                out += line + "\n";
        return out;
    };
    EXPECT_EQ(withoutTransform(orb), withoutTransform(orbBefore)) << "only the parent and the local transform changed";
    // The inspector parses the exports of the scripts it shows, so the saved
    // file may carry their values; the rest of each block is unchanged.
    auto withoutMeta = [](const std::string& block) {
        std::string out;
        std::istringstream in(block);
        std::string line;
        while (std::getline(in, line))
            if (line.rfind("scriptmeta ", 0) != 0 && line.rfind("scriptfield ", 0) != 0) out += line + "\n";
        return out;
    };
    EXPECT_EQ(withoutMeta(EntityBlock(saved, 4)), withoutMeta(EntityBlock(normalized, 4)))
        << "the undone move left the player as it was";
    EXPECT_EQ(withoutMeta(EntityBlock(saved, 6)), withoutMeta(EntityBlock(normalized, 6)));

    // The saved file reads back to the same file.
    ASSERT_TRUE(LoadScene(scene.c_str()));
    const std::string again = home + "/again.korvane";
    ASSERT_TRUE(SaveScene(again.c_str()));
    EXPECT_EQ(ReadAll(again), saved);
}
