// The build job: the guarded log and progress, the start/finish life cycle
// with an injected build, and a real build on the thread while the main
// thread keeps polling and logging.

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <vector>
#include <stdexcept>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "editor/legacy/base/EditorLog.h"
#include "editor/legacy/build/BuildJob.h"
#include "tests/support/TempTree.h"

using korvane::test::TempTree;

namespace {

void WaitForDone() {
    for (int i = 0; i < 3000 && !g_buildDone.load(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_TRUE(g_buildDone.load());
}

TEST(BuildJob, AppendLogCases) {
    struct Case {
        const char* what;
        int capacity;
        int startLen;       // bytes of 'x' already in the buffer
        std::string line;
        std::string expectTail;  // what follows the prefix
        int expectLen;
    } cases[] = {
        {"plain line", 64, 0, "abc", "abc\n", 4},
        {"appends after what is there", 64, 3, "de", "de\n", 6},
        {"cut to what fits", 10, 0, "abcdefghijkl", "abcdefgh\n", 9},
        {"nearly full: dropped", 10, 6, "a", "", 6},
        {"one past the drop limit still fits", 10, 5, "abc", "abc\n", 9},
        {"long line cut to 511", 4096, 0, std::string(700, 'L'), std::string(511, 'L') + "\n", 512},
        {"UTF-8 cut at a character boundary", 7, 0, "ab\xc3\xa9\xc3\xa9", "ab\xc3\xa9\n", 5},
        {"zero capacity", 0, 0, "abc", "", 0},
    };
    for (const Case& c : cases) {
        std::vector<char> buf(static_cast<size_t>(std::max(c.capacity, 1)) + 16, '\0');
        std::string prefix(static_cast<size_t>(c.startLen), 'x');
        std::memcpy(buf.data(), prefix.data(), prefix.size());
        int len = c.startLen;
        AppendLog(buf.data(), &len, c.capacity, "%s", c.line.c_str());
        EXPECT_EQ(len, c.expectLen) << c.what;
        EXPECT_EQ(std::string(buf.data()), prefix + c.expectTail) << c.what;
    }
    int len = 0;
    AppendLog(nullptr, &len, 10, "x");
    EXPECT_EQ(len, 0);
    char b[8] = "";
    AppendLog(b, nullptr, 8, "x");
    EXPECT_STREQ(b, "");
    AppendLog(b, &len, 8, "%d|%s", 42, "z");
    EXPECT_STREQ(b, "42|z\n");
}

TEST(BuildJob, AppendLogStopsGrowingWhenFull) {
    std::vector<char> buf(kBuildLogCapacity, '\0');
    int len = 0;
    for (int i = 0; i < 5000; ++i) AppendLog(buf.data(), &len, kBuildLogCapacity, "line %d of a long build log", i);
    EXPECT_LT(len, kBuildLogCapacity);
    EXPECT_GE(len, kBuildLogCapacity - 4 - 40);
    EXPECT_EQ(static_cast<int>(std::strlen(buf.data())), len);
    EXPECT_EQ(buf[static_cast<size_t>(len) - 1], '\n');
}

TEST(BuildJob, SetProgressCases) {
    ASSERT_FALSE(g_buildActive.load());
    ClearBuildJobLog();
    struct Case {
        float fraction;
        const char* status;
        float expectProgress;
        std::string expectStatus;
    } cases[] = {
        {0.5f, "Halfway", 0.5f, "Halfway"},
        {-1.0f, "", 0.0f, "Halfway"},          // empty status keeps the old one
        {2.0f, nullptr, 1.0f, "Halfway"},
        {NAN, "Odd", 0.0f, "Odd"},
        {0.25f, std::string(300, 's').c_str(), 0.25f, std::string(255, 's')},
    };
    std::string longStatus(300, 's');
    cases[4].status = longStatus.c_str();
    for (const Case& c : cases) {
        BuildJobSetProgress(c.fraction, c.status);
        BuildJobState s = CopyBuildJobState();
        EXPECT_FLOAT_EQ(s.progress, c.expectProgress);
        EXPECT_EQ(s.status, c.expectStatus);
    }
    ClearBuildJobLog();
    EXPECT_EQ(CopyBuildJobState().status, "Ready");
}

TEST(BuildJob, LifeCycleWithAnInjectedBuild) {
    std::atomic<bool> release{false};
    std::atomic<int> runs{0};
    std::string statusAtEntry;
    BuildSettings s;
    s.outputName = "";
    s.launch = true;
    std::string seenOutput;
    auto fn = [&](const BuildContext&, const BuildSettings& got, char* log, int cap) {
        ++runs;
        seenOutput = got.outputName;
        statusAtEntry = CopyBuildJobState().status;
        int len = 0;
        AppendLog(log, &len, cap, "working");
        while (!release.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return true;
    };
    g_buildPopupVisible = false;
    ASSERT_TRUE(StartBuildJob(BuildContext{}, s, fn));
    EXPECT_TRUE(g_buildPopupVisible);
    EXPECT_TRUE(BuildJobRunning());
    EXPECT_FALSE(StartBuildJob(BuildContext{}, s, fn));  // a second start is ignored
    EXPECT_FALSE(StartBuildAsync("Build", 1, 1, true, false, false, true, false));
    EXPECT_FALSE(ClearBuildJobLog());                     // "Clear" during a build does nothing
    auto t0 = std::chrono::steady_clock::now();
    JoinFinishedBuildThread();                            // never waits for a running build
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(500));
    EXPECT_TRUE(g_buildThread.joinable());
    release = true;
    WaitForDone();
    EXPECT_TRUE(g_buildSuccess.load());
    EXPECT_FALSE(g_buildActive.load());
    JoinFinishedBuildThread();
    EXPECT_FALSE(g_buildThread.joinable());
    EXPECT_EQ(runs.load(), 1);
    EXPECT_EQ(seenOutput, "Build");
    EXPECT_EQ(statusAtEntry, "Preparing build job");
    BuildJobState st = CopyBuildJobState();
    EXPECT_EQ(st.status, "Build complete, launching");
    EXPECT_FLOAT_EQ(st.progress, 1.0f);
    EXPECT_EQ(st.log, "working\n");

    // A build that throws is a failed build, and the next start clears the
    // old result first.
    auto thrower = [](const BuildContext&, const BuildSettings&, char*, int) -> bool {
        throw std::runtime_error("disk on fire");
    };
    LogClear();
    ASSERT_TRUE(StartBuildJob(BuildContext{}, BuildSettings{}, thrower));
    WaitForDone();
    JoinFinishedBuildThread();
    EXPECT_FALSE(g_buildSuccess.load());
    EXPECT_EQ(CopyBuildJobState().status, "Build failed");
    bool logged = false;
    for (const LogEntry& e : LogSnapshot())
        if (e.level == 4 && e.text.find("disk on fire") != std::string::npos) logged = true;
    EXPECT_TRUE(logged);
    JoinBuildThread();
}

TEST(BuildJob, RealBuildWhileTheMainThreadPollsAndLogs) {
    TempTree tmp;
    for (int i = 0; i < 200; ++i) tmp.Write("proj/Assets/f" + std::to_string(i) + ".txt", std::string(100, 'a'));
    tmp.Write("engine/Korvane.png", "logo");
    std::string exe = tmp.Write("bin/korvane", "binary");
    BuildContext ctx;
    ctx.projectRoot = tmp / "proj";
    ctx.projectName = "Threaded";
    ctx.assetRoot = tmp / "engine";
    ctx.executablePath = exe;
    ctx.reveal = [](const std::string&) { return true; };
    BuildSettings s;
    ASSERT_TRUE(StartBuildJob(ctx, s, nullptr));
    size_t polls = 0;
    for (int i = 0; i < 10000; ++i) {
        Log(2, "main thread line %d", i);
        if (i % 50 == 0) {
            BuildJobState st = CopyBuildJobState();
            EXPECT_GE(st.progress, 0.0f);
            ++polls;
        }
        JoinFinishedBuildThread();
    }
    WaitForDone();
    JoinFinishedBuildThread();
    EXPECT_TRUE(g_buildSuccess.load()) << CopyBuildJobState().log;
    EXPECT_GT(polls, 0u);
    BuildJobState st = CopyBuildJobState();
    EXPECT_EQ(st.status, "Build complete");
    EXPECT_NE(st.log.find("[ 58%] Project assets: 200 updated, 0 cached"), std::string::npos) << st.log;
    EXPECT_TRUE(std::filesystem::exists(tmp / "proj/Build/Linux/Threaded.app/Contents/Resources/Assets/f199.txt"));
}

} // namespace
