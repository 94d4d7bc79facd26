// Path helpers and the asset-root search, run against temporary trees through
// the injectable inputs (no copied executables).

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "editor/legacy/base/EditorLog.h"
#include "editor/legacy/base/ProjectPaths.h"
#include "tests/support/TempTree.h"

using korvane::test::EnvGuard;
using korvane::test::TempTree;

namespace {

TEST(PathHelpers, JoinPathStrTextForm) {
    struct Row {
        const char *a, *b, *out;
    } rows[] = {
        {"a/", "b", "a/b"}, {"a", "/b", "/b"},   {"", "b", "b"},       {"a", "", "a"},
        {"a", "b", "a/b"},  {".", "b", "./b"},   {"/x/y", "z/w", "/x/y/z/w"},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(JoinPathStr(std::string(r.a), std::string(r.b)), r.out) << r.a << " + " << r.b;
    }
}

TEST(PathHelpers, JoinPathStrCharForm) {
    struct Row {
        const char *a, *b, *out;
    } rows[] = {
        {".", "b", "b"}, {"", "b", "b"}, {"a", "", "a"}, {"a", "/b", "/b"}, {"a/", "b", "a//b"}, {"a", "b", "a/b"},
    };
    for (const auto& r : rows) EXPECT_EQ(JoinPathStr(std::string(r.a), r.b), r.out) << r.a << " + " << r.b;
    EXPECT_EQ(JoinPathStr(std::string("a"), static_cast<const char*>(nullptr)), "a");
}

TEST(PathHelpers, DirnameAndExt) {
    EXPECT_EQ(PathDirname("file"), "");
    EXPECT_EQ(PathDirname("/file"), "");
    EXPECT_EQ(PathDirname("/a/b/c.txt"), "/a/b");
    EXPECT_EQ(PathDirname("a/"), "a");
    EXPECT_EQ(Ext("dir.old/readme"), ".old/readme");
    EXPECT_EQ(Ext("model.glb"), ".glb");
    EXPECT_EQ(Ext("noext"), "");
    EXPECT_EQ(Ext("a.tar.gz"), ".gz");
}

TEST(PathHelpers, NormalizeResolvesExistingPathsOnly) {
    TempTree t;
    t.Mkdir("a/b");
    std::string real = NormalizePathBestEffort(t.path());
    EXPECT_EQ(NormalizePathBestEffort(t / "a/b/../b/."), real + "/a/b");
    EXPECT_EQ(NormalizePathBestEffort(t / "missing/../x"), t / "missing/../x");
    EXPECT_EQ(NormalizePathBestEffort(""), "");
}

TEST(PathHelpers, AssetPathSharesOneBuffer) {
    std::string saved = g_assetRoot;
    g_assetRoot = "/res";
    const char* a = AssetPath("one.png");
    const char* b = AssetPath("two.png");
    EXPECT_STREQ(a, "/res/two.png");  // the first result was overwritten
    EXPECT_STREQ(b, "/res/two.png");
    std::string longName(3000, 'n');
    EXPECT_EQ(std::strlen(AssetPath(longName.c_str())), 5 + longName.size());
    std::string tooLong(5000, 'n');
    EXPECT_STREQ(AssetPath(tooLong.c_str()), "");  // refused, not cut
    g_assetRoot = saved;
}

TEST(PathHelpers, HomeDirAndResolvePath) {
    EnvGuard home("HOME", "/home/tester");
    EXPECT_EQ(HomeDir(), "/home/tester");
    struct Row {
        const char *in, *out;
    } rows[] = {
        {"~", "/home/tester"},     {"~/a/b", "/home/tester/a/b"}, {"~other/x", "~other/x"},
        {"/abs/~/x", "/abs/~/x"},  {"rel", "rel"},                {"", ""},
    };
    char buf[64];
    for (const auto& r : rows) {
        EXPECT_TRUE(ResolvePath(r.in, buf, sizeof buf)) << r.in;
        EXPECT_STREQ(buf, r.out) << r.in;
    }
    // A result that does not fit is refused, not cut.
    char small[8];
    EXPECT_FALSE(ResolvePath("~/abc", small, sizeof small));
    EXPECT_STREQ(small, "");
    {
        EnvGuard unset("HOME", nullptr);
        EXPECT_EQ(HomeDir(), ".");
        EnvGuard empty("HOME", "");
        EXPECT_EQ(HomeDir(), ".");
    }
}

TEST(PathHelpers, MkdirPCreatesEveryLevelAndReportsFailure) {
    TempTree t;
    EXPECT_TRUE(MkdirP(t / "x/y/z"));
    EXPECT_TRUE(korvane::test::Exists(t / "x/y/z"));
    EXPECT_TRUE(MkdirP(t / "x/y/z"));  // already there
    t.Write("file", "x");
    EXPECT_FALSE(MkdirP(t / "file/sub"));  // a file as parent
    EXPECT_FALSE(MkdirP(""));
    // Long paths are handled whole, never cut to a shorter (wrong) directory.
    std::string deep = t.path();
    for (int i = 0; i < 12; ++i) deep += "/" + std::string(100, static_cast<char>('a' + i));
    EXPECT_TRUE(MkdirP(deep));
    EXPECT_TRUE(korvane::test::Exists(deep));
}

TEST(PathHelpers, ProjectAssetPaths) {
    char saved[sizeof g_projectRoot];
    std::memcpy(saved, g_projectRoot, sizeof saved);
    ASSERT_TRUE(SetProjectRoot("/p/Game"));
    EXPECT_EQ(ProjectAssetsDir(), "/p/Game/Assets");
    struct Row {
        const char* in;
        const char* relative;  // ProjectRelativeAssetPath
        const char* resolved;  // ResolveProjectAssetPath
    } rows[] = {
        {"/p/Game/Assets/Textures/a.png", "Textures/a.png", "/p/Game/Assets/Textures/a.png"},
        {"Textures/a.png", "Textures/a.png", "/p/Game/Assets/Textures/a.png"},
        {"/other/a.png", "/other/a.png", "/other/a.png"},
        {"https://x.org/a.png", "https://x.org/a.png", "https://x.org/a.png"},
        {"/p/Game/AssetsX/a.png", "/p/Game/AssetsX/a.png", "/p/Game/AssetsX/a.png"},
        {"", "", ""},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(ProjectRelativeAssetPath(r.in), r.relative) << r.in;
        EXPECT_EQ(ResolveProjectAssetPath(r.in), r.resolved) << r.in;
    }
    EXPECT_EQ(ProjectRelativeAssetPath(nullptr), "");
    EXPECT_EQ(ResolveProjectAssetPath(nullptr), "");

    // A root that does not fit is refused and the old one kept.
    LogClear();
    EXPECT_FALSE(SetProjectRoot(std::string(1024, 'r')));
    EXPECT_STREQ(g_projectRoot, "/p/Game");
    ASSERT_FALSE(LogSnapshot().empty());
    EXPECT_EQ(LogSnapshot().back().level, 4);
    std::memcpy(g_projectRoot, saved, sizeof saved);
}

// ---- Asset root rules -------------------------------------------------------

class AssetRootTest : public ::testing::Test {
protected:
    TempTree t;
    std::string root = NormalizePathBestEffort(t.path());
    AssetRootInputs In(const std::string& exeRel) {
        AssetRootInputs in;
        in.exePath = root + "/" + exeRel;
        in.cwd = root + "/cwd";
        t.Mkdir("cwd");
        t.Write(exeRel, "#!");
        return in;
    }
    AssetRootResult Run(const AssetRootInputs& in) {
        char arg0[] = "korvane";
        char* argv[] = {arg0, nullptr};
        return ResolveAssetRoot(1, argv, in);
    }
};

TEST_F(AssetRootTest, Rule1AssetDirWinsAndIsNormalised) {
    t.Mkdir("assets");
    auto in = In("bin/korvane");
    in.env["KORVANE_ASSET_DIR"] = root + "/assets/../assets";
    in.env["KORVANE_PROJECT_ROOT"] = "/ignored";
    auto r = Run(in);
    EXPECT_EQ(r.rule, 1);
    EXPECT_EQ(r.assetRoot, root + "/assets");
    EXPECT_FALSE(r.projectRoot.has_value());
}

TEST_F(AssetRootTest, Rule1EmptyValueIsIgnored) {
    t.Write("build/Resources/Roboto-Regular.ttf", "f");
    auto in = In("build/editor/korvane");
    in.env["KORVANE_ASSET_DIR"] = "";
    EXPECT_EQ(Run(in).rule, 5);
}

TEST_F(AssetRootTest, Rule3GameBuildFindsBundleResources) {
    t.Write("Game.app/Contents/Resources/Assets/Scenes/Default.korvane", "x");
    auto in = In("Game.app/Contents/MacOS/korvane");
    in.env["KORVANE_GAME_BUILD"] = "1";
    in.env["KORVANE_PROJECT_ROOT"] = "../Resources";
    auto r = Run(in);
    EXPECT_EQ(r.rule, 3);
    EXPECT_EQ(r.assetRoot, root + "/Game.app/Contents/Resources");
    ASSERT_TRUE(r.projectRoot.has_value());
    EXPECT_EQ(*r.projectRoot, r.assetRoot);
}

TEST_F(AssetRootTest, Rule3WithoutMatchUsesLastCandidate) {
    auto in = In("bin/korvane");
    in.env["KORVANE_GAME_BUILD"] = "";  // set at all means game runtime
    auto r = Run(in);
    EXPECT_EQ(r.rule, 3);
    // The last candidate, bin/../Resources, does not exist: kept as written.
    EXPECT_EQ(r.assetRoot, root + "/bin/../Resources");
    EXPECT_EQ(r.projectRoot.value_or(""), r.assetRoot);
}

TEST_F(AssetRootTest, Rule3AbsoluteProjectRootComesFirst) {
    t.Write("proj/Korvane.png", "p");
    t.Write("Resources/Roboto-Regular.ttf", "f");
    auto in = In("bin/korvane");
    in.env["KORVANE_GAME_BUILD"] = "1";
    in.env["KORVANE_PROJECT_ROOT"] = root + "/proj";
    EXPECT_EQ(Run(in).assetRoot, root + "/proj");
}

TEST_F(AssetRootTest, Rule4EditorProjectRootRelativeToExecutable) {
    t.Mkdir("projects/Mine");
    auto in = In("bin/korvane");
    in.env["KORVANE_PROJECT_ROOT"] = "../projects/Mine";
    auto r = Run(in);
    EXPECT_EQ(r.rule, 4);
    EXPECT_EQ(r.assetRoot, root + "/projects/Mine");
    EXPECT_EQ(r.projectRoot.value_or(""), root + "/projects/Mine");
}

TEST_F(AssetRootTest, Rule5ResourcesBesideTheExecutableFolder) {
    // Our own build: build/editor/korvane with build/Resources.
    t.Write("build/Resources/Roboto-Regular.ttf", "f");
    auto r = Run(In("build/editor/korvane"));
    EXPECT_EQ(r.rule, 5);
    EXPECT_EQ(r.assetRoot, root + "/build/Resources");
}

TEST_F(AssetRootTest, Rule5ExecutableFolderItself) {
    t.Write("bin/Korvane.png", "p");
    auto r = Run(In("bin/korvane"));
    EXPECT_EQ(r.rule, 5);
    EXPECT_EQ(r.assetRoot, root + "/bin");
}

TEST_F(AssetRootTest, Rule6WalksUpToTheFonts) {
    t.Write("Roboto-Regular.ttf", "f");
    auto r = Run(In("a/b/korvane"));
    EXPECT_EQ(r.rule, 6);
    EXPECT_EQ(r.assetRoot, root);
}

TEST_F(AssetRootTest, Rule6StopsAfterSixSteps) {
    t.Write("Roboto-Regular.ttf", "f");
    t.Write("cwd/Roboto-Regular.ttf", "f");
    auto r = Run(In("1/2/3/4/5/6/7/korvane"));
    EXPECT_EQ(r.rule, 7);  // seven levels up is too far; the working directory wins
    EXPECT_EQ(r.assetRoot, root + "/cwd");
}

TEST_F(AssetRootTest, Rule8Fallback) {
    auto r = Run(In("bin/korvane"));
    EXPECT_EQ(r.rule, 8);
    EXPECT_EQ(r.assetRoot, ".");
}

TEST_F(AssetRootTest, Argv0IsUsedWhenTheExecutablePathIsUnknown) {
    t.Write("build/Resources/Korvane.png", "p");
    t.Write("build/editor/korvane", "#!");
    t.Mkdir("build/cwd");
    AssetRootInputs in;
    in.cwd = root + "/build";
    char arg0[] = "editor/korvane";
    char* argv[] = {arg0, nullptr};
    auto r = ResolveAssetRoot(1, argv, in);
    EXPECT_EQ(r.rule, 5);
    EXPECT_EQ(r.assetRoot, root + "/build/Resources");
}

TEST_F(AssetRootTest, TooLongProjectRootIsRejectedNotCut) {
    char saved[sizeof g_projectRoot];
    std::memcpy(saved, g_projectRoot, sizeof saved);
    ASSERT_TRUE(SetProjectRoot("/kept"));
    AssetRootResult r;
    r.assetRoot = "/assets";
    r.projectRoot = "/" + std::string(1100, 'p');
    ApplyAssetRootResult(r);
    EXPECT_EQ(g_assetRoot, "/assets");
    EXPECT_STREQ(g_projectRoot, "/kept");
    std::memcpy(g_projectRoot, saved, sizeof saved);
}

TEST(AssetRootLive, TheBuiltTreeFindsItsResources) {
    // The test binary is not the editor, but the live inputs must at least
    // name this process and a working directory.
    AssetRootInputs in = CurrentAssetRootInputs();
    ASSERT_TRUE(in.exePath.has_value());
    EXPECT_NE(in.exePath->find("korvane_unit_tests"), std::string::npos);
    EXPECT_FALSE(in.cwd.empty());
    in.exePath = std::string(KORVANE_EXE_PATH);
    in.env.clear();
    char arg0[] = "korvane";
    char* argv[] = {arg0, nullptr};
    auto r = ResolveAssetRoot(1, argv, in);
    EXPECT_EQ(r.assetRoot, NormalizePathBestEffort(KORVANE_RESOURCES_DIR));
}

}  // namespace
