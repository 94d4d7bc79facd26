#pragma once
// Starting outside programs (xdg-open, zip, Blender, a built game): always an
// argument vector handed to posix_spawn, never a shell string, so no path or
// project name is ever parsed as a command.
//
//   SpawnProcess(argv, options)          start; the pid (> 0) or -1 (errno set)
//   RunProcess(argv, options)            start, wait (kill on timeout or cancel),
//                                        optionally capture stdout / stderr
//   TryReapProcess(pid, out)             non-blocking wait for a child we own
//   WaitProcess(pid, timeout, out)       blocking wait, kills on timeout
//   ReapDetachedChildren()               collects detached children that ended
//
// Children started with `detached` run in a session of their own with stdio
// on /dev/null (unless redirected); the helper remembers them and reaps them
// when they end (each spawn and every editor frame calls
// ReapDetachedChildren), so none stays a zombie. They are meant to outlive
// the editor (a launched game, a file browser): when the editor exits the
// ones still running are adopted by init. A child that is not detached
// belongs to its caller, who must wait for it (RunProcess does).

#include <sys/types.h>

#include <atomic>
#include <cstddef>
#include <string>
#include <vector>

// Values of SpawnOptions' stdio fields besides a file descriptor to dup2.
constexpr int kSpawnInherit = -1;
constexpr int kSpawnDevNull = -2;

struct SpawnOptions {
    std::string workDir;               // empty: the caller's working directory
    // "NAME=value" sets (replacing an inherited NAME); "NAME" alone removes it.
    std::vector<std::string> env;
    int stdinFd = kSpawnDevNull;
    int stdoutFd = kSpawnInherit;      // detached children: /dev/null unless set to an fd
    int stderrFd = kSpawnInherit;
    bool detached = false;
    // RunProcess only.
    double timeoutSeconds = 0;         // 0 or less: no limit
    bool captureStdout = false;        // overrides stdoutFd
    bool captureStderr = false;        // overrides stderrFd
    size_t captureLimit = 1u << 20;    // bytes kept per stream; the rest is read and dropped
    const std::atomic<bool>* cancel = nullptr;  // set: the child is killed, result cancelled
};

struct ProcessRunResult {
    bool started = false;   // the program was found and started
    int spawnError = 0;     // errno of a failed start (ENOENT: not found)
    bool timedOut = false;  // killed after timeoutSeconds
    bool cancelled = false; // killed because *cancel became true
    int exitCode = -1;      // exit status when it exited normally, else -1
    int signal = 0;         // terminating signal, when it was killed
    std::string out;        // captured stdout (at most captureLimit bytes)
    std::string err;        // captured stderr
    bool outTruncated = false;
    bool errTruncated = false;

    // Started, exited by itself with status 0.
    bool Succeeded() const { return started && !timedOut && !cancelled && signal == 0 && exitCode == 0; }
};

// argv[0] is searched in PATH when it has no "/". Returns the child's pid or
// -1 with errno set (argv empty: EINVAL).
pid_t SpawnProcess(const std::vector<std::string>& argv, const SpawnOptions& options = {});

// Runs to completion (or timeout / cancel: the child's process group gets
// SIGKILL) and always reaps the child.
ProcessRunResult RunProcess(const std::vector<std::string>& argv, const SpawnOptions& options = {});

// For a non-detached child: true once it has ended (then *out holds its exit
// code and signal), false while it runs. Never blocks.
bool TryReapProcess(pid_t pid, ProcessRunResult* out);
// Waits for it; after timeoutSeconds (when > 0) kills its process group and
// reaps it.
ProcessRunResult WaitProcess(pid_t pid, double timeoutSeconds);

// Reaps every detached child that has ended; returns how many still run.
size_t ReapDetachedChildren();
// Detached children not yet reaped (tests).
size_t DetachedChildCount();
