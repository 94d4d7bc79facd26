// The spawn helper: argument vectors reach the program untouched, stdio,
// working directory and environment are set as asked, timeouts and
// cancellation kill the child, and no child is ever left a zombie.

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "editor/legacy/platform/Spawn.h"
#include "tests/support/TempTree.h"

using korvane::test::TempTree;

namespace {

bool NoUnreapedChildren() {
    int status = 0;
    return waitpid(-1, &status, WNOHANG) < 0 && errno == ECHILD;
}

bool WaitDetachedGone(double seconds) {
    auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (ReapDetachedChildren() != 0) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

} // namespace

TEST(Spawn, ArgumentsReachTheProgramVerbatim) {
    TempTree tmp;
    SpawnOptions o;
    o.captureStdout = true;
    o.workDir = tmp.path();
    ProcessRunResult r = RunProcess({"printf", "%s|", "a b", "$(touch PWNED)", "`touch PWNED`", "'\"; touch PWNED"}, o);
    ASSERT_TRUE(r.Succeeded()) << r.spawnError;
    EXPECT_EQ(r.out, "a b|$(touch PWNED)|`touch PWNED`|'\"; touch PWNED|");
    EXPECT_FALSE(std::filesystem::exists(tmp / "PWNED"));
    EXPECT_TRUE(NoUnreapedChildren());
}

TEST(Spawn, ExitStatusMissingProgramAndEmptyArgv) {
    ProcessRunResult r = RunProcess({"sh", "-c", "exit 7"});
    EXPECT_TRUE(r.started);
    EXPECT_EQ(r.exitCode, 7);
    EXPECT_FALSE(r.Succeeded());

    r = RunProcess({"korvane-no-such-program-here"});
    EXPECT_FALSE(r.started);
    EXPECT_EQ(r.spawnError, ENOENT);

    r = RunProcess({"/nonexistent/dir/prog"});
    EXPECT_FALSE(r.started);
    EXPECT_EQ(r.spawnError, ENOENT);

    errno = 0;
    EXPECT_EQ(SpawnProcess({}), -1);
    EXPECT_EQ(errno, EINVAL);
    EXPECT_TRUE(NoUnreapedChildren());
}

TEST(Spawn, WorkingDirectoryEnvironmentAndStdin) {
    TempTree tmp;
    setenv("KORVANE_SPAWN_INHERITED", "yes", 1);
    setenv("KORVANE_SPAWN_DROPPED", "yes", 1);
    SpawnOptions o;
    o.captureStdout = true;
    o.workDir = tmp.path();
    o.env = {"KORVANE_SPAWN_ADDED=a b", "KORVANE_SPAWN_INHERITED=replaced", "KORVANE_SPAWN_DROPPED"};
    ProcessRunResult r = RunProcess({"sh", "-c",
                                     "pwd; echo \"$KORVANE_SPAWN_ADDED\"; echo \"$KORVANE_SPAWN_INHERITED\"; "
                                     "echo \"${KORVANE_SPAWN_DROPPED-unset}\"; cat"},
                                    o);
    unsetenv("KORVANE_SPAWN_INHERITED");
    unsetenv("KORVANE_SPAWN_DROPPED");
    ASSERT_TRUE(r.Succeeded());
    // stdin is /dev/null: cat ends at once instead of waiting on our terminal.
    EXPECT_EQ(r.out, std::filesystem::canonical(tmp.path()).string() + "\na b\nreplaced\nunset\n");
}

TEST(Spawn, CapturesBothStreamsUpToTheLimit) {
    SpawnOptions o;
    o.captureStdout = o.captureStderr = true;
    o.captureLimit = 1000;
    ProcessRunResult r = RunProcess({"sh", "-c", "head -c 200000 /dev/zero; echo oops >&2"}, o);
    ASSERT_TRUE(r.Succeeded());
    EXPECT_EQ(r.out.size(), 1000u);
    EXPECT_TRUE(r.outTruncated);
    EXPECT_EQ(r.err, "oops\n");
    EXPECT_FALSE(r.errTruncated);
}

TEST(Spawn, RedirectsToAnFdAndLeaksNoOtherDescriptor) {
    TempTree tmp;
    std::string outPath = tmp / "out.txt";
    int fd = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    int stray = dup2(fd, 57);  // no close-on-exec: the child must still not see it
    ASSERT_EQ(stray, 57);
    SpawnOptions o;
    o.stdoutFd = fd;
    ProcessRunResult r = RunProcess({"sh", "-c", "echo hello; if test -e /proc/self/fd/57; then echo leaked; fi"}, o);
    close(fd);
    close(stray);
    ASSERT_TRUE(r.Succeeded());
    EXPECT_EQ(korvane::test::ReadAll(outPath), "hello\n");
}

TEST(Spawn, TimeoutAndCancelKillTheWholeGroup) {
    TempTree tmp;
    auto t0 = std::chrono::steady_clock::now();
    SpawnOptions o;
    o.timeoutSeconds = 0.3;
    o.captureStdout = true;
    // The grandchild holds the pipe open: it must die with the child.
    ProcessRunResult r = RunProcess({"sh", "-c", "sleep 30 & sleep 30"}, o);
    double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    EXPECT_TRUE(r.timedOut);
    EXPECT_EQ(r.signal, SIGKILL);
    EXPECT_FALSE(r.Succeeded());
    EXPECT_LT(took, 10.0);

    std::atomic<bool> cancel{false};
    std::thread canceller([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        cancel = true;
    });
    SpawnOptions c;
    c.cancel = &cancel;
    r = RunProcess({"sleep", "30"}, c);
    canceller.join();
    EXPECT_TRUE(r.cancelled);
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.signal, SIGKILL);
    EXPECT_TRUE(NoUnreapedChildren());
}

TEST(Spawn, OwnedChildPolledThenWaited) {
    pid_t pid = SpawnProcess({"sh", "-c", "sleep 0.1; exit 3"});
    ASSERT_GT(pid, 0);
    ProcessRunResult r;
    EXPECT_FALSE(TryReapProcess(pid, &r));
    r = WaitProcess(pid, 10);
    EXPECT_EQ(r.exitCode, 3);

    pid = SpawnProcess({"sleep", "30"});
    ASSERT_GT(pid, 0);
    r = WaitProcess(pid, 0.1);
    EXPECT_TRUE(r.timedOut);
    EXPECT_TRUE(NoUnreapedChildren());
}

TEST(Spawn, DetachedChildrenRunInTheirOwnSessionAndAreReaped) {
    SpawnOptions o;
    o.detached = true;
    pid_t pid = SpawnProcess({"sleep", "0.2"}, o);
    ASSERT_GT(pid, 0);
    EXPECT_EQ(getsid(pid), pid);
    EXPECT_GE(DetachedChildCount(), 1u);
    ASSERT_TRUE(WaitDetachedGone(10));
    EXPECT_TRUE(NoUnreapedChildren());
}
