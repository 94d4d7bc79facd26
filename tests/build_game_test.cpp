// The incremental game build in a temporary project: bundle layout, cache
// hits, partial rebuilds, packaging, failures that must not be cached,
// hostile project names and the mirror of deleted files.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "editor/legacy/build/BuildGame.h"
#include "editor/legacy/build/BuildHash.h"
#include "editor/legacy/build/BuildJob.h"
#include "editor/legacy/platform/Spawn.h"
#include "tests/support/TempTree.h"

namespace fs = std::filesystem;
using korvane::test::ReadAll;
using korvane::test::TempTree;

namespace {

struct FileStamp {
    ino_t ino;
    int64_t sec, nsec;
    bool operator==(const FileStamp& o) const { return ino == o.ino && sec == o.sec && nsec == o.nsec; }
};

std::map<std::string, FileStamp> StampTree(const std::string& root) {
    std::map<std::string, FileStamp> out;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root, ec); it != fs::recursive_directory_iterator(); ++it) {
        struct stat st;
        if (lstat(it->path().c_str(), &st) != 0) continue;
        out[fs::relative(it->path(), root).string()] = {st.st_ino, st.st_mtim.tv_sec, st.st_mtim.tv_nsec};
    }
    return out;
}

std::set<std::string> FilesUnder(const std::string& root) {
    std::set<std::string> out;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root, ec); it != fs::recursive_directory_iterator(); ++it)
        if (!it->is_directory()) out.insert(fs::relative(it->path(), root).string());
    return out;
}

unsigned ModeOf(const std::string& p) {
    struct stat st;
    return stat(p.c_str(), &st) == 0 ? (st.st_mode & 0777) : 0;
}

void SetMtime(const std::string& p, time_t sec) {
    struct timespec ts[2] = {{sec, 0}, {sec, 0}};
    utimensat(AT_FDCWD, p.c_str(), ts, 0);
}

bool Contains(const std::string& hay, const std::string& needle) { return hay.find(needle) != std::string::npos; }

class BuildGameTest : public ::testing::Test {
protected:
    void SetUp() override {
        project_ = tmp_.Mkdir("proj");
        tmp_.Write("proj/Assets/a.txt", "aaa");
        tmp_.Write("proj/Assets/Scenes/Default.korvane", "# Korvane Scene v3\n");
        tmp_.Write("proj/Assets/Textures/t.png", "png-bytes");
        tmp_.Write("proj/Assets/.hidden", "never shipped");
        engine_ = tmp_.Mkdir("engine");
        tmp_.Write("engine/Korvane.png", "logo");
        tmp_.Write("engine/icons/camera.png", "cam");
        tmp_.Mkdir("engine/Loader.jpg");  // a folder is left out
        // The "executable" records how it was started, next to itself.
        exe_ = tmp_.Write("bin/korvane",
                          "#!/bin/sh\necho \"$KORVANE_GAME_BUILD|$KORVANE_PROJECT_ROOT|${KORVANE_ASSET_DIR-unset}\" "
                          "> \"$0.ran\"\n");
        chmod(exe_.c_str(), 0755);
    }

    BuildContext Context(const std::string& name = "My Game") {
        BuildContext c;
        c.projectRoot = project_;
        c.projectName = name;
        c.assetRoot = engine_;
        c.executablePath = exe_;
        c.homeDir = tmp_.path();
        c.launch = [this](const std::string& app, const std::string& bundle) {
            launched_.push_back(app + "|" + bundle);
            return launchWorks_;
        };
        c.reveal = [this](const std::string& p) {
            revealed_.push_back(p);
            return true;
        };
        return c;
    }

    struct Run {
        bool ok;
        std::string log;
        BuildReport report;
    };
    Run Build(const BuildSettings& s, BuildContext ctx) {
        std::vector<char> buf(kBuildLogCapacity, '\0');
        Run r;
        r.ok = DoBuildGame(ctx, s, buf.data(), kBuildLogCapacity, &r.report);
        r.log = buf.data();
        return r;
    }
    Run Build(const BuildSettings& s = {}) { return Build(s, Context()); }

    std::string Out() const { return project_ + "/Build/Linux"; }
    std::string App() const { return Out() + "/My Game.app"; }
    std::string Res() const { return App() + "/Contents/Resources"; }

    TempTree tmp_;
    std::string project_, engine_, exe_;
    std::vector<std::string> launched_, revealed_;
    bool launchWorks_ = true;
};

const char* const kPlist =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
    "<plist version=\"1.0\">\n<dict>\n"
    "\t<key>CFBundleExecutable</key>\n\t<string>My Game</string>\n"
    "\t<key>CFBundleIdentifier</key>\n\t<string>com.korvane.MyGame</string>\n"
    "\t<key>CFBundleName</key>\n\t<string>My Game</string>\n"
    "\t<key>CFBundleDisplayName</key>\n\t<string>My Game</string>\n"
    "\t<key>CFBundleVersion</key>\n\t<string>1.0</string>\n"
    "\t<key>CFBundleShortVersionString</key>\n\t<string>1.0</string>\n"
    "\t<key>CFBundlePackageType</key>\n\t<string>APPL</string>\n"
    "\t<key>CFBundleInfoDictionaryVersion</key>\n\t<string>6.0</string>\n"
    "\t<key>LSMinimumSystemVersion</key>\n\t<string>12.0</string>\n"
    "\t<key>NSHighResolutionCapable</key>\n\t<true/>\n"
    "\t<key>LSEnvironment</key>\n\t<dict>\n"
    "\t\t<key>KORVANE_PROJECT_ROOT</key>\n\t\t<string>../Resources</string>\n"
    "\t\t<key>KORVANE_GAME_BUILD</key>\n\t\t<string>1</string>\n"
    "\t</dict>\n</dict>\n</plist>\n";

const char* const kLaunchScript =
    "#!/bin/bash\n"
    "cd \"$(dirname \"$0\")\" || exit 1\n"
    "unset KORVANE_ASSET_DIR\n"
    "export KORVANE_GAME_BUILD=1\n"
    "export KORVANE_PROJECT_ROOT=../Resources\n"
    "exec './My Game.app/Contents/MacOS/My Game' \"$@\"\n";

TEST_F(BuildGameTest, FirstBuildLaysOutTheBundle) {
    Run r = Build();
    ASSERT_TRUE(r.ok) << r.log;
    EXPECT_FALSE(r.report.cacheHit);
    const std::string bin = App() + "/Contents/MacOS/My Game";
    EXPECT_EQ(ReadAll(bin), ReadAll(exe_));
    EXPECT_EQ(ModeOf(bin), 0755u);
    EXPECT_EQ(FilesUnder(Res()), (std::set<std::string>{"Korvane.png", "icons/camera.png", "Assets/a.txt",
                                                        "Assets/Scenes/Default.korvane", "Assets/Textures/t.png"}));
    EXPECT_EQ(ReadAll(Res() + "/Assets/Textures/t.png"), "png-bytes");
    EXPECT_EQ(ReadAll(Res() + "/icons/camera.png"), "cam");
    EXPECT_EQ(ReadAll(App() + "/Contents/Info.plist"), kPlist);
    EXPECT_EQ(ModeOf(App() + "/Contents/Info.plist"), 0644u);
    EXPECT_EQ(ReadAll(Out() + "/launch_My Game.sh"), kLaunchScript);
    EXPECT_EQ(ModeOf(Out() + "/launch_My Game.sh"), 0755u);
    uint64_t stored = 0;
    EXPECT_TRUE(ReadBuildManifest(Out() + "/.korvane_build_manifest", &stored));
    EXPECT_EQ(ModeOf(Out() + "/.korvane_build_manifest"), 0644u);
    EXPECT_EQ(r.report.engineUpdated, 2);
    EXPECT_EQ(r.report.projectUpdated, 3);
    for (const char* line : {"=== Lightning Build: Linux/Release ===\n", "Project: My Game\n",
                             "Mode: Development fast path\n", "[ 18%] Runtime binary ready: My Game\n",
                             "[ 34%] Engine assets: 2 updated, 0 cached\n", "[ 58%] Project assets: 3 updated, 0 cached\n",
                             "[ 70%] Info.plist up to date\n", "[ 76%] Cook pass: no-op cache-safe raw asset layout\n",
                             "[ 88%] Package skipped (toggle Package .fpkg when needed)\n",
                             "[ 95%] Manifest written; future unchanged builds are instant\n",
                             "[100%] Build complete!\n"})
        EXPECT_TRUE(Contains(r.log, line)) << line << "\n" << r.log;
    EXPECT_TRUE(Contains(r.log, "[  8%] Output: " + Out() + "\n"));
    EXPECT_TRUE(Contains(r.log, "\nOutput: " + App() + "\n"));
    EXPECT_TRUE(launched_.empty());
}

TEST_F(BuildGameTest, UnchangedRebuildIsACacheHitThatTouchesNothing) {
    ASSERT_TRUE(Build().ok);
    auto before = StampTree(project_ + "/Build");
    Run r = Build();
    ASSERT_TRUE(r.ok);
    EXPECT_TRUE(r.report.cacheHit);
    EXPECT_TRUE(Contains(r.log, "[ 93%] Cache hit: no source, asset, binary or setting changes.\n"));
    EXPECT_TRUE(Contains(r.log, "       Skipped compile/copy/package work.\n"));
    EXPECT_TRUE(Contains(r.log, "[100%] Cached build ready.\n"));
    EXPECT_EQ(StampTree(project_ + "/Build"), before);
}

TEST_F(BuildGameTest, PartialRebuilds) {
    ASSERT_TRUE(Build().ok);
    // One touched file: only it is copied.
    SetMtime(project_ + "/Assets/a.txt", time(nullptr) + 10);
    Run r = Build();
    ASSERT_TRUE(r.ok);
    EXPECT_FALSE(r.report.cacheHit);
    EXPECT_TRUE(Contains(r.log, "[ 58%] Project assets: 1 updated, 2 cached\n")) << r.log;
    EXPECT_TRUE(Contains(r.log, "[ 34%] Engine assets: 0 updated, 2 cached\n"));

    // A configuration change misses the cache once and copies nothing.
    BuildSettings debug;
    debug.config = 0;
    auto before = StampTree(Res());
    r = Build(debug);
    ASSERT_TRUE(r.ok);
    EXPECT_FALSE(r.report.cacheHit);
    EXPECT_TRUE(Contains(r.log, "=== Lightning Build: Linux/Debug ===\n"));
    EXPECT_TRUE(Contains(r.log, "[ 58%] Project assets: 0 updated, 3 cached\n"));
    EXPECT_EQ(StampTree(Res()), before);
    EXPECT_TRUE(Build(debug).report.cacheHit);

    // A deleted asset leaves the bundle; its empty folder goes too.
    fs::remove(project_ + "/Assets/Textures/t.png");
    r = Build(debug);
    ASSERT_TRUE(r.ok);
    EXPECT_FALSE(fs::exists(Res() + "/Assets/Textures/t.png"));
    EXPECT_FALSE(fs::exists(Res() + "/Assets/Textures"));
    EXPECT_EQ(r.report.removed, 1);
    EXPECT_TRUE(fs::exists(Res() + "/Assets/a.txt"));

    // A garbage manifest counts as none and is rewritten.
    tmp_.Write("proj/Build/Linux/.korvane_build_manifest", "12zz");
    r = Build(debug);
    ASSERT_TRUE(r.ok);
    EXPECT_FALSE(r.report.cacheHit);
    uint64_t h = 0;
    EXPECT_TRUE(ReadBuildManifest(Out() + "/.korvane_build_manifest", &h));
    EXPECT_TRUE(Build(debug).report.cacheHit);

    // Platform only names the folder.
    BuildSettings windows;
    windows.platform = 0;
    ASSERT_TRUE(Build(windows).ok);
    EXPECT_TRUE(fs::exists(project_ + "/Build/Windows/My Game.app/Contents/Info.plist"));
}

TEST_F(BuildGameTest, PackageHoldsEveryBundleFileAndIsPartOfTheCacheTest) {
    BuildSettings s;
    s.package = true;
    Run r = Build(s);
    ASSERT_TRUE(r.ok) << r.log;
    const std::string pkg = Out() + "/My Game.fpkg";
    ASSERT_TRUE(fs::exists(pkg));
    EXPECT_TRUE(Contains(r.log, "[ 88%] Package ready: My Game.fpkg ")) << r.log;
    EXPECT_TRUE(Contains(r.log, "Package: " + pkg + "\n"));
    SpawnOptions o;
    o.captureStdout = true;
    ProcessRunResult list = RunProcess({"unzip", "-Z1", pkg}, o);
    ASSERT_TRUE(list.Succeeded());
    std::set<std::string> archived;
    for (size_t at = 0, nl; (nl = list.out.find('\n', at)) != std::string::npos; at = nl + 1) {
        std::string entry = list.out.substr(at, nl - at);
        if (!entry.empty() && entry.back() != '/') archived.insert(entry);
    }
    std::set<std::string> bundle;
    for (const std::string& f : FilesUnder(App())) bundle.insert("My Game.app/" + f);
    EXPECT_EQ(archived, bundle);

    EXPECT_TRUE(Build(s).report.cacheHit);
    fs::remove(pkg);
    r = Build(s);
    ASSERT_TRUE(r.ok);
    EXPECT_FALSE(r.report.cacheHit);
    EXPECT_TRUE(fs::exists(pkg));
}

TEST_F(BuildGameTest, FailuresFailAndAreNeverCached) {
    const std::string manifest = Out() + "/.korvane_build_manifest";
    ASSERT_TRUE(Build().ok);

    // A file that cannot be copied into the bundle.
    SetMtime(project_ + "/Assets/a.txt", time(nullptr) + 20);
    fs::remove(Res() + "/Assets/a.txt");
    tmp_.Write("proj/Build/Linux/My Game.app/Contents/Resources/Assets/a.txt/blocker", "x");
    Run r = Build();
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(fs::exists(manifest));
    EXPECT_TRUE(Contains(r.log, "Build failed: ")) << r.log;
    EXPECT_FALSE(r.report.failure.empty());
    fs::remove_all(Res() + "/Assets/a.txt");
    ASSERT_TRUE(Build().ok);

    // No runtime binary.
    BuildContext noExe = Context();
    noExe.executablePath = tmp_ / "missing-exe";
    SetMtime(project_ + "/Assets/a.txt", time(nullptr) + 30);
    r = Build(BuildSettings{}, noExe);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(fs::exists(manifest));
    EXPECT_TRUE(Contains(r.log, "[ 18%] ERROR: Could not locate runtime binary\n"));

    // The Info.plist path is taken by a folder.
    ASSERT_TRUE(Build().ok);
    SetMtime(project_ + "/Assets/a.txt", time(nullptr) + 40);
    fs::remove(App() + "/Contents/Info.plist");
    tmp_.Mkdir("proj/Build/Linux/My Game.app/Contents/Info.plist/x");
    r = Build();
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(fs::exists(manifest));
    fs::remove_all(App() + "/Contents/Info.plist");

    // No zip: packaging fails.
    const char* oldPath = std::getenv("PATH");
    std::string saved = oldPath ? oldPath : "";
    setenv("PATH", tmp_.Mkdir("emptybin").c_str(), 1);
    BuildSettings pkg;
    pkg.package = true;
    r = Build(pkg);
    setenv("PATH", saved.c_str(), 1);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(Contains(r.log, "[ 88%] Package FAILED\n"));
    EXPECT_TRUE(Contains(r.report.failure, "zip")) << r.report.failure;
    EXPECT_FALSE(fs::exists(manifest));
    EXPECT_FALSE(fs::exists(Out() + "/My Game.fpkg"));
    EXPECT_EQ(CopyBuildJobState().status, "Build failed during packaging");
}

TEST_F(BuildGameTest, OutputInsideAssetsIsRefused) {
    for (const char* out : {"Assets", "Assets/Build", "Build/../Assets/x"}) {
        BuildSettings s;
        s.outputName = out;
        Run r = Build(s);
        EXPECT_FALSE(r.ok) << out;
        EXPECT_TRUE(Contains(r.report.failure, "inside the project's Assets folder")) << r.report.failure;
    }
    EXPECT_EQ(FilesUnder(project_ + "/Assets").size(), 4u);  // a.txt, scene, texture, .hidden
    // Elsewhere, also absolute and under "~", is fine.
    BuildSettings abs;
    abs.outputName = tmp_ / "elsewhere";
    ASSERT_TRUE(Build(abs).ok);
    EXPECT_TRUE(fs::exists(tmp_ / "elsewhere/Linux/My Game.app/Contents/Info.plist"));
}

TEST_F(BuildGameTest, LaunchAndRevealHappenOnlyWhenAskedAndReportTheTruth) {
    BuildSettings s;
    s.launch = true;
    s.openOutput = true;
    Run r = Build(s);
    ASSERT_TRUE(r.ok);
    EXPECT_TRUE(r.report.launched);
    EXPECT_EQ(launched_, (std::vector<std::string>{App() + "|My Game"}));
    EXPECT_EQ(revealed_, (std::vector<std::string>{App()}));
    EXPECT_TRUE(Contains(r.log, "[100%] Launching...\n"));

    launchWorks_ = false;
    r = Build(s);  // cache hit, the launch fails
    ASSERT_TRUE(r.ok);
    EXPECT_TRUE(r.report.cacheHit);
    EXPECT_FALSE(r.report.launched);
    EXPECT_FALSE(Contains(r.log, "Launched cached build."));
    EXPECT_STREQ(BuildJobFinalStatus(true, true, r.report.launched), "Build complete");
    EXPECT_STREQ(BuildJobFinalStatus(true, true, true), "Build complete, launching");
    EXPECT_STREQ(BuildJobFinalStatus(false, true, true), "Build failed");
}

TEST_F(BuildGameTest, LaunchRunsTheBundleWithTheGameEnvironmentAndNoShell) {
    ASSERT_TRUE(Build().ok);
    setenv("KORVANE_ASSET_DIR", "/editor/assets", 1);
    ASSERT_TRUE(LaunchGameBundle(App(), "My Game"));
    unsetenv("KORVANE_ASSET_DIR");
    const std::string ran = App() + "/Contents/MacOS/My Game.ran";
    for (int i = 0; i < 500 && !fs::exists(ran); ++i) usleep(10000);
    while (ReapDetachedChildren() != 0) usleep(5000);
    EXPECT_EQ(ReadAll(ran), "1|../Resources|unset\n");
    EXPECT_FALSE(LaunchGameBundle(tmp_ / "nothing.app", "nothing"));
}

TEST_F(BuildGameTest, ConvertedModelsTheScenesUseShipWithTheBundle) {
    tmp_.Write("proj/Assets/Scenes/Level.korvane",
               "mesh \"../Library/Imported/Robot_ab12/canonical.glb\"\nmesh \"../Library/Imported/..//x\"\n");
    tmp_.Write("proj/Library/Imported/Robot_ab12/canonical.glb", "glb");
    tmp_.Write("proj/Library/Imported/Robot_ab12/textures/albedo.png", "px");
    tmp_.Write("proj/Library/Imported/Unused_cd34/canonical.glb", "glb");
    EXPECT_EQ(ImportedModelFoldersInScenes(project_ + "/Assets"), (std::vector<std::string>{"Robot_ab12"}));
    ASSERT_TRUE(Build().ok);
    EXPECT_EQ(ReadAll(Res() + "/Library/Imported/Robot_ab12/canonical.glb"), "glb");
    EXPECT_TRUE(fs::exists(Res() + "/Library/Imported/Robot_ab12/textures/albedo.png"));
    EXPECT_FALSE(fs::exists(Res() + "/Library/Imported/Unused_cd34"));
    // The scene stops using it: it leaves the bundle.
    tmp_.Write("proj/Assets/Scenes/Level.korvane", "nothing\n");
    ASSERT_TRUE(Build().ok);
    EXPECT_FALSE(fs::exists(Res() + "/Library/Imported/Robot_ab12"));
}

TEST_F(BuildGameTest, HostileProjectNames) {
    struct Case {
        std::string name;
        std::string bundle;  // "" = refused
    } cases[] = {
        {"a\"; touch PWNED; \"", "a\"; touch PWNED; \""},
        {"$(touch PWNED)", "$(touch PWNED)"},
        {"`id`", "`id`"},
        {"O'Brien", "O'Brien"},
        {"Tom & Jerry <3", "Tom & Jerry <3"},
        {"../x", ".._x"},
        {"-rf", "-rf"},
        {"", ""},
        {".", ""},
        {"..", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(project_ + "/Build");
        BuildSettings s;
        s.package = true;
        BuildContext ctx = Context(c.name);
        ctx.launch = nullptr;  // the real launcher
        s.launch = !c.bundle.empty();
        Run r = Build(s, ctx);
        if (c.bundle.empty()) {
            EXPECT_FALSE(r.ok);
            EXPECT_TRUE(Contains(r.report.failure, "cannot name a game bundle")) << r.report.failure;
            continue;
        }
        ASSERT_TRUE(r.ok) << r.log;
        const std::string app = Out() + "/" + c.bundle + ".app";
        EXPECT_EQ(FilesUnder(Out()).count(c.bundle + ".app/Contents/MacOS/" + c.bundle), 1u);
        // The property list parses and names the bundle.
        SpawnOptions o;
        o.captureStdout = true;
        ProcessRunResult py = RunProcess({"python3", "-c",
                                          "import plistlib,sys; d=plistlib.load(open(sys.argv[1],'rb')); "
                                          "print(d['CFBundleName']); print(d['CFBundleIdentifier'])",
                                          app + "/Contents/Info.plist"},
                                         o);
        ASSERT_TRUE(py.Succeeded());
        EXPECT_EQ(py.out.substr(0, py.out.find('\n')), c.bundle);
        EXPECT_TRUE(Contains(py.out, "\n" + BundleIdentifierFor(c.bundle) + "\n"));
        // The launch script starts the same executable.
        const std::string script = Out() + "/launch_" + c.bundle + ".sh";
        const std::string ran = app + "/Contents/MacOS/" + c.bundle + ".ran";
        for (int i = 0; i < 500 && !fs::exists(ran); ++i) usleep(10000);
        EXPECT_EQ(ReadAll(ran), "1|../Resources|unset\n");
        fs::remove(ran);
        SpawnOptions so;
        so.workDir = tmp_.path();
        EXPECT_TRUE(RunProcess({"bash", script}, so).Succeeded());
        EXPECT_EQ(ReadAll(ran), "1|../Resources|unset\n");
        while (ReapDetachedChildren() != 0) usleep(5000);
    }
    for (const std::string& f : FilesUnder(tmp_.path())) EXPECT_NE(fs::path(f).filename(), "PWNED") << f;
    EXPECT_FALSE(fs::exists("PWNED"));
    EXPECT_FALSE(fs::exists(tmp_ / "PWNED"));
    EXPECT_FALSE(fs::exists(Out() + "/PWNED"));
}

TEST(BuildPieces, NamesEscapesAndSizes) {
    EXPECT_EQ(XmlEscape("Tom & Jerry <3> \"q\" 'a'"), "Tom &amp; Jerry &lt;3&gt; &quot;q&quot; &apos;a&apos;");
    EXPECT_EQ(BundleIdentifierFor("My Game"), "com.korvane.MyGame");
    EXPECT_EQ(BundleIdentifierFor("Tom & Jerry <3>.v-2"), "com.korvane.TomJerry3.v-2");
    EXPECT_EQ(BundleIdentifierFor("日本"), "com.korvane.game");
    std::string out, why;
    EXPECT_TRUE(BundleNameForProject("a/b\tc", &out, &why));
    EXPECT_EQ(out, "a_b_c");
    EXPECT_FALSE(BundleNameForProject("..", &out, &why));
    EXPECT_FALSE(why.empty());
    EXPECT_EQ(PackageSizeText(1048575), "1024.0 KB");
    EXPECT_EQ(PackageSizeText(1048576), "1.0 MB");
    EXPECT_EQ(PackageSizeText(512), "0.5 KB");
    EXPECT_EQ(EngineFileNames().size(), 40u);
    EXPECT_EQ(EngineFileNames().front(), "Korvane.png");
    EXPECT_EQ(EngineFileNames().back(), "icons/lock_open.png");
    EXPECT_STREQ(BuildPlatformName(1), "Linux");
    EXPECT_STREQ(BuildPlatformName(9), "macOS");
    EXPECT_STREQ(BuildConfigName(-1), "Debug");
}

} // namespace
