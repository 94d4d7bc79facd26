// Opening and revealing paths through xdg-open: a fake opener first in PATH
// records the arguments it was given.

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "editor/legacy/base/EditorLog.h"
#include "editor/legacy/platform/OpenPath.h"
#include "editor/legacy/platform/Spawn.h"
#include "tests/support/TempTree.h"

using korvane::test::ReadAll;
using korvane::test::TempTree;

namespace {

class OpenPathTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* path = std::getenv("PATH");
        savedPath_ = path ? path : "";
        bin_ = tmp_.Mkdir("bin");
        record_ = tmp_ / "record.txt";
        setenv("KORVANE_OPEN_RECORD", record_.c_str(), 1);
    }
    void TearDown() override {
        setenv("PATH", savedPath_.c_str(), 1);
        unsetenv("KORVANE_OPEN_RECORD");
    }
    void InstallFakeOpener() {
        std::string opener = tmp_.Write("bin/xdg-open",
                                        "#!/bin/sh\nprintf '%s\\n' \"$#\" \"$@\" > \"$KORVANE_OPEN_RECORD.part\"\n"
                                        "mv \"$KORVANE_OPEN_RECORD.part\" \"$KORVANE_OPEN_RECORD\"\n");
        chmod(opener.c_str(), 0755);
        setenv("PATH", (bin_ + ":" + savedPath_).c_str(), 1);
    }
    // The opener's record once it exists, after every detached child is reaped.
    std::string WaitForRecord() {
        auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < end) {
            if (ReapDetachedChildren() == 0 && access(record_.c_str(), F_OK) == 0) return ReadAll(record_);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return "<timeout>";
    }

    TempTree tmp_;
    std::string savedPath_, bin_, record_;
};

TEST_F(OpenPathTest, HandsTheTargetToXdgOpenAsOneArgumentAndReapsIt) {
    InstallFakeOpener();
    std::string file = tmp_.Write("dir with space/My $(touch PWNED) Game.txt", "x");
    struct Case {
        std::string path;
        bool reveal;
        std::string expected;  // the one argument xdg-open receives
    } cases[] = {
        {file, false, file},                                          // opened as given, metacharacters inert
        {file, true, tmp_ / "dir with space"},                        // reveal: its folder
        {tmp_ / "dir with space/", true, tmp_.path()},                // a folder: the one holding it
        {"rel/a.txt", false, "./rel/a.txt"},                          // relative stays relative
        {"-v", false, "./-v"},                                        // never read as an option
        {"/top", true, "/"},
        {"bare", true, "."},
    };
    for (const Case& c : cases) {
        unlink(record_.c_str());
        ASSERT_TRUE(OpenPath(c.path.c_str(), c.reveal)) << c.path;
        EXPECT_EQ(WaitForRecord(), "1\n" + c.expected + "\n") << c.path << " reveal " << c.reveal;
    }
    EXPECT_FALSE(std::filesystem::exists(tmp_ / "dir with space/PWNED"));
    EXPECT_FALSE(std::filesystem::exists("PWNED"));
    int status = 0;
    EXPECT_TRUE(waitpid(-1, &status, WNOHANG) < 0 && errno == ECHILD) << "a child was left unreaped";
}

TEST_F(OpenPathTest, EmptyPathStartsNothing) {
    InstallFakeOpener();
    EXPECT_FALSE(OpenPath("", false));
    EXPECT_FALSE(OpenPath(nullptr, true));
    EXPECT_EQ(DetachedChildCount(), 0u);
    EXPECT_EQ(OpenPathTarget("", false), "");
}

TEST_F(OpenPathTest, MissingOpenerWarnsAndFails) {
    setenv("PATH", bin_.c_str(), 1);  // an empty folder: no xdg-open anywhere
    LogClear();
    EXPECT_FALSE(OpenPath("/tmp", false));
    bool warned = false;
    for (const LogEntry& e : LogSnapshot())
        if (e.level == 3 && e.text.find("xdg-open") != std::string::npos) warned = true;
    EXPECT_TRUE(warned);
    EXPECT_EQ(DetachedChildCount(), 0u);
}

} // namespace
