#include <atomic>
#include <thread>

#include <gtest/gtest.h>

#include "engine/core/Logger.h"
#include "engine/core/Status.h"

using namespace korvane;

TEST(Status, ResultFailureAndSuccess) {
    auto failed = Result<int>::Failure("m");
    EXPECT_FALSE(failed.ok());
    EXPECT_EQ(failed.status().message(), "m");
    EXPECT_FALSE(failed.has_value());
    auto good = Result<int>::Success(7);
    EXPECT_TRUE(good.ok());
    EXPECT_TRUE(good.status().message().empty());
    EXPECT_EQ(good.value(), 7);
}

TEST(Logger, NoSinkWritesFormattedLineToStderr) {
    Logger logger;
    testing::internal::CaptureStderr();
    logger.Info("x");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "[INFO] x\n");
    auto history = logger.History();
    ASSERT_EQ(history.size(), 1u);
    EXPECT_EQ(history[0].level, LogLevel::Info);
}

TEST(Logger, LevelNamesAndFormat) {
    struct Case { int level; const char* name; } cases[] = {
        {0, "TRACE"}, {1, "INFO"}, {2, "WARN"}, {3, "ERROR"}, {7, "INFO"}, {-1, "INFO"}};
    for (const auto& c : cases) {
        EXPECT_STREQ(Logger::LevelName(static_cast<LogLevel>(c.level)), c.name) << c.level;
    }
    EXPECT_EQ(Logger::Format({LogLevel::Info, "Engine context initialized."}),
              "[INFO] Engine context initialized.");
}

TEST(Logger, SinkThatLogsAgainDoesNotDeadlock) {
    Logger logger;
    std::vector<std::string> seen;
    logger.SetSink([&](const LogRecord& r) {
        seen.push_back(r.message);
        if (r.message == "first") logger.Error("second");
    });
    logger.Info("first");
    EXPECT_EQ(seen, (std::vector<std::string>{"first", "second"}));
    EXPECT_EQ(logger.History().size(), 2u);
}

TEST(Logger, HistoryIsASnapshot) {
    Logger logger;
    logger.SetSink([](const LogRecord&) {});
    logger.Info("a");
    auto snapshot = logger.History();
    logger.Info("b");
    EXPECT_EQ(snapshot.size(), 1u);
    EXPECT_EQ(logger.History().size(), 2u);
}

TEST(Logger, MoveKeepsHistoryAndSink) {
    Logger a;
    int calls = 0;
    a.SetSink([&](const LogRecord&) { ++calls; });
    a.Info("one");
    Logger b(std::move(a));
    b.Info("two");
    Logger c;
    c = std::move(b);
    c = std::move(c);  // self-move leaves it intact
    c.Info("three");
    EXPECT_EQ(calls, 3);
    EXPECT_EQ(c.History().size(), 3u);
}

TEST(Logger, ConcurrentLoggingKeepsEveryRecord) {
    Logger logger;
    std::atomic<int> sinkCalls{0};
    logger.SetSink([&](const LogRecord&) { sinkCalls++; });
    constexpr int kThreads = 8, kPer = 2000;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kPer; ++i) logger.Info(std::to_string(t) + ":" + std::to_string(i));
        });
    }
    // Swapping the sink while others log must not lose records either.
    for (int i = 0; i < 50; ++i) logger.SetSink([&](const LogRecord&) { sinkCalls++; });
    for (auto& th : threads) th.join();
    EXPECT_EQ(logger.History().size(), size_t(kThreads * kPer));
    EXPECT_EQ(sinkCalls.load(), kThreads * kPer);
    // Each thread's records stay in its own order.
    std::vector<int> next(kThreads, 0);
    for (const auto& r : logger.History()) {
        int t = std::stoi(r.message.substr(0, r.message.find(':')));
        int i = std::stoi(r.message.substr(r.message.find(':') + 1));
        EXPECT_EQ(i, next[t]++);
    }
}
