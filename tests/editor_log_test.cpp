// Editor log limits and thread safety, and the text the console, profiler and
// status bar show.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "editor/legacy/base/EditorLog.h"
#include "tests/support/TempTree.h"

namespace {

class EditorLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        LogSetStderrMirror(false);
        LogClear();
    }
    void TearDown() override { LogClear(); }
};

TEST_F(EditorLogTest, TrimsOldestBlockOnlyWhenFull) {
    for (int i = 0; i < 2000; ++i) Log(2, "line %d", i);
    ASSERT_EQ(LogCount(), 2000u);
    EXPECT_EQ(LogSnapshot().front().text, "line 0");

    Log(2, "line %d", 2000);
    auto logs = LogSnapshot();
    ASSERT_EQ(logs.size(), 1801u);
    EXPECT_EQ(logs.front().text, "line 200");
    EXPECT_EQ(logs.back().text, "line 2000");
}

TEST_F(EditorLogTest, LongMessagesAreCutTo1023BytesOnACharacterBoundary) {
    std::string big(5000, 'a');
    Log(2, "%s", big.c_str());
    EXPECT_EQ(LogSnapshot().back().text, std::string(1023, 'a'));

    // 1022 ASCII bytes and a 2-byte character: the cut would split it.
    std::string utf(1022, 'b');
    utf += "\xC3\xA9tail";
    Log(2, "%s", utf.c_str());
    EXPECT_EQ(LogSnapshot().back().text, std::string(1022, 'b'));
}

TEST_F(EditorLogTest, UserTextIsNeverAFormat) {
    const char* userText = "100%s %n %d";
    Log(3, "%s", userText);
    EXPECT_EQ(LogSnapshot().back().text, userText);
    EXPECT_EQ(LogSnapshot().back().level, 3);
}

TEST_F(EditorLogTest, ConcurrentWritersKeepTheirOrderAndCount) {
    constexpr int kThreads = 4, kLines = 400;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < kLines; ++i) Log(2, "%d %d", t, i);
        });
    }
    // A reader and a trimmer racing the writers must not break anything.
    for (int i = 0; i < 50; ++i) (void)LogSnapshot();
    for (auto& th : threads) th.join();

    auto logs = LogSnapshot();
    ASSERT_EQ(logs.size(), static_cast<size_t>(kThreads * kLines));
    std::vector<int> last(kThreads, -1);
    for (const auto& e : logs) {
        int t = -1, i = -1;
        ASSERT_EQ(std::sscanf(e.text.c_str(), "%d %d", &t, &i), 2);
        EXPECT_EQ(i, last[t] + 1) << "thread " << t << " out of order";
        last[t] = i;
    }
}

TEST_F(EditorLogTest, MirrorsLinesToStderrWhenEnabled) {
    korvane::test::TempTree dir;
    std::string errPath = dir / "stderr.txt";
    std::fflush(stderr);
    int saved = dup(fileno(stderr));
    FILE* f = std::fopen(errPath.c_str(), "w");
    ASSERT_NE(f, nullptr);
    dup2(fileno(f), fileno(stderr));

    LogSetStderrMirror(true);
    Log(2, "hello %d", 1);
    Log(3, "careful");
    Log(4, "broken");
    Log(1, "odd");
    LogSetStderrMirror(false);
    Log(2, "not mirrored");

    std::fflush(stderr);
    dup2(saved, fileno(stderr));
    close(saved);
    std::fclose(f);
    EXPECT_EQ(korvane::test::ReadAll(errPath), "[INFO] hello 1\n[WARN] careful\n[ERROR] broken\n[LOG] odd\n");
    EXPECT_EQ(LogCount(), 5u);
}

TEST(ConsoleText, FiltersByLevelAndAlwaysShowsUnclassified) {
    struct Row {
        int level;
        bool info, warn, error;
        bool visible;
    } rows[] = {
        {2, true, true, true, true},    {2, false, true, true, false}, {3, true, false, true, false},
        {4, true, true, false, false},  {1, false, false, false, true}, {7, false, false, false, true},
        {3, false, true, false, true},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(LogEntryVisible(r.level, r.info, r.warn, r.error), r.visible) << "level " << r.level;
    }
    std::vector<LogEntry> entries = {{"a", 2}, {"b", 1}, {"c", 3}, {"d", 4}, {"e", 2}};
    EXPECT_EQ(ConsoleVisibleEntries(entries, false, true, true), (std::vector<size_t>{1, 2, 3}));
    EXPECT_EQ(ConsoleVisibleEntries(entries, true, false, false), (std::vector<size_t>{0, 1, 4}));
}

TEST(ConsoleText, LevelColours) {
    auto same = [](LogColor c, float r, float g, float b) { return c.r == r && c.g == g && c.b == b && c.a == 1.0f; };
    EXPECT_TRUE(same(LogLevelColor(2), 0.7f, 0.7f, 0.7f));
    EXPECT_TRUE(same(LogLevelColor(3), 1.0f, 1.0f, 0.3f));
    EXPECT_TRUE(same(LogLevelColor(4), 1.0f, 0.3f, 0.3f));
    EXPECT_TRUE(same(LogLevelColor(1), 0.7f, 0.7f, 0.7f));
    EXPECT_TRUE(g_consoleShowInfo && g_consoleShowWarn && g_consoleShowError);
}

TEST(ProfilerText, StatsSeriesAndOverlay) {
    EXPECT_EQ(ProfilerStatsText(50.0f, 12), "FPS: 50.0  |  Frame: 20.00 ms  |  Entities: 12");
    EXPECT_EQ(ProfilerStatsText(0.0f, 0), "FPS: 0.0  |  Frame: 0.00 ms  |  Entities: 0");

    float times[300] = {};
    for (int i = 0; i < 300; ++i) times[i] = static_cast<float>(i) / 1000.0f;  // i ms
    // 305 frames stored: the next slot (5) holds the oldest sample.
    auto series = ProfilerFrameSeriesMs(times, 305);
    ASSERT_EQ(series.size(), 300u);
    EXPECT_NEAR(series.front(), 5.0f, 1e-4);
    EXPECT_NEAR(series.back(), 4.0f, 1e-4);
    EXPECT_EQ(ProfilerOverlayText(times, 305), "4.00 ms");
    EXPECT_EQ(ProfilerOverlayText(times, 0), "299.00 ms");
}

TEST(StatusBarText, Fields) {
    struct Row {
        const char* entity;
        const char* file;
        int gizmo;
        bool preview;
        const char* expected;
    } rows[] = {
        {nullptr, nullptr, 0, true, "  FPS: 60 | 3 entities | - | Move | Preview: on"},
        {nullptr, "", 5, false, "  FPS: 60 | 3 entities | - | - | Preview: off"},
        {nullptr, "Assets/a.png", 1, false, "  FPS: 60 | 3 entities | Assets/a.png | Rotate | Preview: off"},
        {"Player", "Assets/a.png", 2, true, "  FPS: 60 | 3 entities | Player | Scale | Preview: on"},
        {"Cam", nullptr, -1, true, "  FPS: 60 | 3 entities | Cam | - | Preview: on"},
    };
    for (const auto& r : rows) EXPECT_EQ(StatusBarText(60.2f, 3, r.entity, r.file, r.gizmo, r.preview), r.expected);
    EXPECT_EQ(StatusBarTop(10.0f, 600.0f), 586.0f);
    EXPECT_EQ(StatusBarTop(10.0f, 12.0f), 10.0f);
}

}  // namespace
