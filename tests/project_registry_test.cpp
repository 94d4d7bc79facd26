// The project registry "~/.korvane_projects": parsing, ordering, adding,
// removing, atomic saving, project folders, and what a hub card shows.

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <sys/stat.h>
#include <utime.h>

#include "editor/legacy/base/AppState.h"
#include "editor/legacy/base/EditorLog.h"
#include "editor/legacy/base/ProjectPaths.h"
#include "editor/legacy/shell/ProjectRegistry.h"

namespace fs = std::filesystem;

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

void WriteAll(const std::string& path, const std::string& text) {
    std::ofstream f(path, std::ios::binary);
    f << text;
}

void SetMTime(const std::string& path, time_t t) {
    struct utimbuf u {t, t};
    ASSERT_EQ(utime(path.c_str(), &u), 0) << path;
}

// Each test gets its own HOME, and the registry is read afresh from it.
class RegistryTest : public ::testing::Test {
protected:
    std::string home;
    std::string oldHome;
    bool hadHome = false;

    void SetUp() override {
        const char* h = std::getenv("HOME");
        hadHome = h != nullptr;
        if (h) oldHome = h;
        char tmpl[] = "/tmp/korvane_registry_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        home = tmpl;
        setenv("HOME", home.c_str(), 1);
        g_projFile.clear();
        g_projectsLoaded = false;
        g_projectsDirty = true;
        g_projNames.clear();
        g_projRoots.clear();
        g_projModTimes.clear();
        LogClear();
    }
    void TearDown() override {
        if (hadHome) setenv("HOME", oldHome.c_str(), 1); else unsetenv("HOME");
        std::error_code ec;
        fs::remove_all(home, ec);
        g_projFile.clear();
        g_projectsLoaded = false;
    }
    std::string Registry() const { return home + "/.korvane_projects"; }
    std::string MakeProject(const std::string& name, time_t mtime) {
        std::string root = home + "/Games/" + name;
        fs::create_directories(root);
        SetMTime(root, mtime);
        return root;
    }
    bool LogHas(int level, const std::string& part) {
        for (const LogEntry& e : LogSnapshot()) {
            if (e.level == level && e.text.find(part) != std::string::npos) return true;
        }
        return false;
    }
};

} // namespace

TEST(RegistryFormat, ParsesLines) {
    struct Case { const char* text; std::vector<RegistryEntry> want; const char* why; } cases[] = {
        {"Demo|/tmp/Games/Demo\n", {{"Demo", "/tmp/Games/Demo"}}, "one project"},
        {"no bar here\nDemo|/d\n", {{"Demo", "/d"}}, "a line without | is skipped"},
        {"A|/x|y\n", {{"A", "/x|y"}}, "the root is everything after the first |"},
        {"A|/a\r\nB|/b", {{"A", "/a"}, {"B", "/b"}}, "CRLF and a missing last newline"},
        {"A|\n|/r\n", {{"", "/r"}}, "an empty root is skipped, an empty name is kept"},
        {"", {}, "empty file"},
    };
    for (const Case& c : cases) {
        auto got = ParseRegistryText(c.text);
        ASSERT_EQ(got.size(), c.want.size()) << c.why;
        for (size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].name, c.want[i].name) << c.why;
            EXPECT_EQ(got[i].root, c.want[i].root) << c.why;
        }
    }
}

TEST(RegistryFormat, LongLinesAreReadWhole) {
    std::string root = "/" + std::string(5000, 'r');
    auto got = ParseRegistryText("Long|" + root + "\nNext|/n\n");
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].root, root);
    EXPECT_EQ(got[1].name, "Next");
}

TEST(RegistryFormat, NamesAndRootsThatWouldCorruptTheFile) {
    EXPECT_EQ(SanitizeProjectName("A|B"), "A_B");
    EXPECT_EQ(SanitizeProjectName("line\nbreak"), "line_break");
    EXPECT_EQ(SanitizeProjectName(""), "Untitled");
    EXPECT_EQ(SanitizeProjectName("Caf\xC3\xA9"), "Caf\xC3\xA9");
    EXPECT_TRUE(IsRegistrableRoot("/a|b"));
    EXPECT_FALSE(IsRegistrableRoot("/a\nb"));
    EXPECT_FALSE(IsRegistrableRoot(""));
}

TEST(RegistryCaptions, RelativeTimes) {
    setenv("TZ", "UTC", 1);
    tzset();
    const int64_t now = 1700000000;
    struct Case { int64_t ago; const char* want; } cases[] = {
        {10, "Just now"},
        {59, "Just now"},
        {60, "1 min ago"},
        {150, "2 min ago"},
        {7200, "2 hours ago"},
        {86399, "24 hours ago"},
        {86400, "Yesterday"},
        {172799, "Yesterday"},
        {172800, "2 days ago"},
        {3 * 86400, "3 days ago"},
        {604800, "Nov 07, 2023"},
        {-500, "Just now"},
    };
    for (const Case& c : cases) EXPECT_EQ(RelativeTimeCaption(now, now - c.ago), c.want) << c.ago;
}

TEST(RegistryCaptions, LastComponent) {
    EXPECT_EQ(PathLastComponent("/tmp/Games/Demo"), "Demo");
    EXPECT_EQ(PathLastComponent("/tmp/Games/Demo/"), "Demo");
    EXPECT_EQ(PathLastComponent("Demo"), "Demo");
    EXPECT_EQ(PathLastComponent("/"), "/");
}

TEST_F(RegistryTest, MissingFileIsAnEmptyList) {
    LoadProjects();
    EXPECT_TRUE(g_projNames.empty());
    EXPECT_TRUE(g_projectsLoaded);
    EXPECT_FALSE(g_projectsDirty);
    EXPECT_EQ(g_projFile, Registry());
}

TEST_F(RegistryTest, ListedNewestFirst) {
    time_t now = time(nullptr);
    std::string a = MakeProject("Old", now - 3 * 86400);
    std::string b = MakeProject("Mid", now - 7200);
    std::string c = MakeProject("New", now - 10);
    WriteAll(Registry(), "Old|" + a + "\nNew|" + c + "\ngarbage\nGone|/nonexistent/korvane\nMid|" + b + "\n");
    LoadProjects();
    ASSERT_EQ(g_projNames.size(), 4u);
    EXPECT_EQ(g_projNames[0], "New");
    EXPECT_EQ(g_projNames[1], "Mid");
    EXPECT_EQ(g_projNames[2], "Old");
    EXPECT_EQ(g_projNames[3], "Gone");
    EXPECT_EQ(g_projModTimes[3], 0);
    EXPECT_EQ(RelativeTimeCaption(now, g_projModTimes[0]), "Just now");
    EXPECT_EQ(RelativeTimeCaption(now, g_projModTimes[1]), "2 hours ago");
    EXPECT_EQ(RelativeTimeCaption(now, g_projModTimes[2]), "3 days ago");
}

TEST_F(RegistryTest, AddRenamesAnExistingRootAndKeepsOthers) {
    std::string a = MakeProject("A", time(nullptr) - 100);
    std::string b = MakeProject("B", time(nullptr) - 50);
    WriteAll(Registry(), "A|" + a + "\n");
    // Adding before anything was loaded must not drop what is registered.
    ASSERT_TRUE(AddProject("B", b));
    ASSERT_TRUE(AddProject("Renamed", a));
    EXPECT_EQ(ReadAll(Registry()), "B|" + b + "\nRenamed|" + a + "\n");
    EXPECT_EQ(g_projNames.size(), 2u);
}

TEST_F(RegistryTest, AddRejectsRootsAndCleansNames) {
    std::string a = MakeProject("A", time(nullptr));
    EXPECT_FALSE(AddProject("X", "/tmp/a\nInjected|/etc"));
    EXPECT_TRUE(LogHas(4, "Project not registered"));
    ASSERT_TRUE(AddProject("Evil|Name\nX", a));
    EXPECT_EQ(ReadAll(Registry()), "Evil_Name_X|" + a + "\n");
    g_projectsDirty = true;
    EnsureProjectsLoaded();
    ASSERT_EQ(g_projNames.size(), 1u);
    EXPECT_EQ(g_projRoots[0], a);
}

TEST_F(RegistryTest, RemoveRewritesWithoutTouchingTheFolder) {
    std::string a = MakeProject("A", time(nullptr) - 10);
    std::string b = MakeProject("B", time(nullptr) - 5000);
    WriteAll(Registry(), "A|" + a + "\nB|" + b + "\n");
    LoadProjects();
    ASSERT_TRUE(RemoveProjectAt(0));
    EXPECT_EQ(ReadAll(Registry()), "B|" + b + "\n");
    EXPECT_TRUE(fs::is_directory(a));
    EXPECT_FALSE(RemoveProjectAt(5));
}

TEST_F(RegistryTest, SaveIsAtomicAndReportsFailure) {
    std::string a = MakeProject("A", time(nullptr));
    ASSERT_TRUE(AddProject("A", a));
    // A registry path that is a directory cannot be replaced: the save says
    // so and leaves no temporary file behind.
    g_projFile = home + "/regdir";
    fs::create_directories(g_projFile + "/inner");
    EXPECT_FALSE(SaveProjects());
    EXPECT_TRUE(LogHas(4, "Could not save the project list"));
    EXPECT_TRUE(fs::is_directory(g_projFile + "/inner"));
    for (const auto& e : fs::directory_iterator(home)) {
        EXPECT_EQ(e.path().filename().string().find(".tmp"), std::string::npos) << e.path();
    }
    // A missing parent folder fails the same way.
    g_projFile = home + "/no/such/dir/.korvane_projects";
    EXPECT_FALSE(SaveProjects());
}

TEST_F(RegistryTest, SaveKeepsASymlinkedRegistryALink) {
    std::string real = home + "/dotfiles_registry";
    WriteAll(real, "");
    fs::create_symlink(real, Registry());
    std::string a = MakeProject("A", time(nullptr));
    ASSERT_TRUE(AddProject("A", a));
    EXPECT_TRUE(fs::is_symlink(Registry()));
    EXPECT_EQ(ReadAll(real), "A|" + a + "\n");
}

TEST_F(RegistryTest, CreateProjectDirs) {
    std::string root = home + "/Documents/Korvane/My Game";
    ASSERT_TRUE(CreateProjectDirs(root));
    for (const char* sub : {"/Assets", "/Assets/Scripts", "/Assets/Scenes", "/Build"}) {
        EXPECT_TRUE(fs::is_directory(root + sub)) << sub;
    }
    EXPECT_TRUE(LogHas(2, "Project created: " + root));
    EXPECT_TRUE(CreateProjectDirs(root)) << "existing folders are fine";

    // A file where a folder must go: reported, not claimed as created.
    std::string blocked = home + "/blocked";
    WriteAll(blocked, "x");
    LogClear();
    EXPECT_FALSE(CreateProjectDirs(blocked + "/Game"));
    EXPECT_TRUE(LogHas(4, "Project not created"));
    EXPECT_FALSE(LogHas(2, "Project created"));
    std::string assetsFile = home + "/p2";
    fs::create_directories(assetsFile);
    WriteAll(assetsFile + "/Assets", "x");
    EXPECT_FALSE(CreateProjectDirs(assetsFile));
}

TEST_F(RegistryTest, SelectByIndex) {
    std::string a = MakeProject("A", time(nullptr));
    std::string longName(300, 'n');
    WriteAll(Registry(), longName + "|" + a + "\n");
    LoadProjects();
    EXPECT_FALSE(SelectProjectByIndex(-1));
    EXPECT_FALSE(SelectProjectByIndex(1));
    ASSERT_TRUE(SelectProjectByIndex(0));
    EXPECT_EQ(std::string(g_projectRoot), a);
    EXPECT_EQ(std::string(g_projName), std::string(127, 'n'));

    // A root longer than g_projectRoot is refused, not cut.
    g_projRoots[0] = "/" + std::string(1500, 'x');
    EXPECT_FALSE(SelectProjectByIndex(0));
    EXPECT_EQ(std::string(g_projectRoot), a);
}
