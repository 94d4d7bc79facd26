#include <cstdlib>
#include <thread>

#include <gtest/gtest.h>

#include "engine/core/CrashGuards.h"
#include "engine/core/EngineContext.h"

using namespace korvane;

namespace {
// Sets or unsets an environment variable for one test and restores it after.
struct ScopedEnv {
    std::string name;
    std::optional<std::string> old;
    ScopedEnv(const char* n, const char* value) : name(n) {
        if (const char* o = std::getenv(n)) old = o;
        if (value) setenv(n, value, 1); else unsetenv(n);
    }
    ~ScopedEnv() { if (old) setenv(name.c_str(), old->c_str(), 1); else unsetenv(name.c_str()); }
};
}

TEST(EngineContext, ConfigFromProcess) {
    struct Case { const char* gameBuild; const char* root; bool expectGame; const char* expectRoot; } cases[] = {
        {nullptr, nullptr, false, ""},
        {"", nullptr, true, ""},          // set at all counts, even empty
        {"0", "/p", true, "/p"},          // "0" counts too
        {"1", "", true, ""},
    };
    for (const auto& c : cases) {
        ScopedEnv g("KORVANE_GAME_BUILD", c.gameBuild);
        ScopedEnv r("KORVANE_PROJECT_ROOT", c.root);
        char a0[] = "korvane", a1[] = "--x";
        char* argv[] = {a0, a1, nullptr};
        auto config = BuildContextConfigFromProcess(2, argv);
        EXPECT_EQ(config.gameBuild, c.expectGame);
        EXPECT_EQ(config.projectRoot, c.expectRoot);
        EXPECT_EQ(config.args, (std::vector<std::string>{"korvane", "--x"}));
        EXPECT_EQ(config.appName, "Korvane");
        EXPECT_EQ(config.version, "0.4.0");
    }
}

TEST(EngineContext, ArgumentEdgeCases) {
    EXPECT_TRUE(BuildContextConfigFromProcess(0, nullptr).args.empty());
    EXPECT_TRUE(BuildContextConfigFromProcess(-3, nullptr).args.empty());
    char a0[] = "exe";
    char* argv[] = {a0, nullptr, nullptr};
    EXPECT_EQ(BuildContextConfigFromProcess(2, argv).args, (std::vector<std::string>{"exe", ""}));
    EXPECT_EQ(BuildContextConfigFromProcess(1, nullptr).args, (std::vector<std::string>{""}));
}

TEST(EngineContext, CreateLogsAndRejectsEmptyName) {
    EngineContextConfig bad;
    bad.appName.clear();
    auto failed = EngineContext::Create(bad);
    ASSERT_FALSE(failed.ok());
    EXPECT_EQ(failed.status().message(), "EngineContext requires an app name.");

    testing::internal::CaptureStderr();
    auto made = EngineContext::Create(EngineContextConfig{});
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "[INFO] Engine context initialized.\n");
    ASSERT_TRUE(made.ok());
    auto history = made.value().logger().History();
    ASSERT_EQ(history.size(), 1u);
    EXPECT_EQ(history[0].message, "Engine context initialized.");
}

TEST(CrashGuards, InstallAndClear) {
    Logger logger;
    logger.SetSink([](const LogRecord&) {});
    {
        CrashGuardScope scope;
        InstallCrashGuards(logger);
        EXPECT_EQ(g_crashLogger, &logger);
        EXPECT_EQ(logger.History().back().message, "Crash guards installed.");
    }
    EXPECT_EQ(g_crashLogger, nullptr);
}

TEST(CrashGuardsDeathTest, UncaughtExceptionLogsOneErrorThenAborts) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            static Logger logger;
            InstallCrashGuards(logger);
            // An exception nobody catches (on another thread, so the
            // death-test wrapper cannot catch it either).
            std::thread([] { throw 42; }).join();
        },
        "\\[ERROR\\] Unhandled exception reached the engine terminate handler\\.");
}
