#include "editor/legacy/platform/Spawn.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>

extern char** environ;

namespace {

std::mutex g_detachedMutex;
std::vector<pid_t> g_detachedPids;

std::string EnvName(const std::string& entry) {
    size_t eq = entry.find('=');
    return eq == std::string::npos ? entry : entry.substr(0, eq);
}

// The inherited environment with the caller's entries applied.
std::vector<std::string> BuildEnvironment(const std::vector<std::string>& extra) {
    std::vector<std::string> env;
    for (char** e = environ; e && *e; ++e) env.emplace_back(*e);
    for (const std::string& entry : extra) {
        if (entry.empty()) continue;
        std::string name = EnvName(entry);
        env.erase(std::remove_if(env.begin(), env.end(), [&](const std::string& s) { return EnvName(s) == name; }),
                  env.end());
        if (entry.find('=') != std::string::npos) env.push_back(entry);
    }
    return env;
}

void ExitToResult(int status, ProcessRunResult* out) {
    if (WIFEXITED(status)) {
        out->exitCode = WEXITSTATUS(status);
        out->signal = 0;
    } else if (WIFSIGNALED(status)) {
        out->exitCode = -1;
        out->signal = WTERMSIG(status);
    }
}

// Stdio slot: an fd to dup2, /dev/null, or inherited.
void AddStdio(posix_spawn_file_actions_t* actions, int target, int fd, bool defaultNull) {
    if (fd >= 0) {
        if (fd != target) posix_spawn_file_actions_adddup2(actions, fd, target);
    } else if (fd == kSpawnDevNull || defaultNull) {
        posix_spawn_file_actions_addopen(actions, target, "/dev/null", target == 0 ? O_RDONLY : O_WRONLY, 0);
    }
}

pid_t SpawnWithFds(const std::vector<std::string>& argv, const SpawnOptions& options, int outFd, int errFd) {
    if (argv.empty() || argv[0].empty()) {
        errno = EINVAL;
        return -1;
    }
    ReapDetachedChildren();

    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    std::vector<std::string> envStore = BuildEnvironment(options.env);
    std::vector<char*> envp;
    envp.reserve(envStore.size() + 1);
    for (std::string& e : envStore) envp.push_back(e.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    AddStdio(&actions, 0, options.stdinFd, options.detached);
    AddStdio(&actions, 1, outFd, options.detached);
    AddStdio(&actions, 2, errFd, options.detached);
    // Nothing else of ours leaks into the child (sockets, pipes, the scene file).
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    if (!options.workDir.empty()) posix_spawn_file_actions_addchdir_np(&actions, options.workDir.c_str());

    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &all);
    short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
    if (options.detached) {
        flags |= POSIX_SPAWN_SETSID;
    } else {
        // Own process group, so a timeout kills what the program started too.
        flags |= POSIX_SPAWN_SETPGROUP;
        posix_spawnattr_setpgroup(&attr, 0);
    }
    posix_spawnattr_setflags(&attr, flags);

    pid_t pid = -1;
    int rc = argv[0].find('/') == std::string::npos
                 ? posix_spawnp(&pid, args[0], &actions, &attr, args.data(), envp.data())
                 : posix_spawn(&pid, args[0], &actions, &attr, args.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    if (rc != 0) {
        errno = rc;
        return -1;
    }
    if (options.detached) {
        std::lock_guard<std::mutex> lock(g_detachedMutex);
        g_detachedPids.push_back(pid);
    }
    return pid;
}

void KillGroup(pid_t pid) {
    if (kill(-pid, SIGKILL) != 0) kill(pid, SIGKILL);
}

// Reads what is available from a non-blocking pipe; false at end of stream.
bool Drain(int fd, std::string& into, size_t limit, bool& truncated) {
    char buf[16384];
    for (;;) {
        ssize_t n = read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno == EAGAIN || errno == EWOULDBLOCK;
        if (n == 0) return false;
        size_t room = into.size() < limit ? limit - into.size() : 0;
        size_t keep = std::min(room, static_cast<size_t>(n));
        into.append(buf, keep);
        if (keep < static_cast<size_t>(n)) truncated = true;
    }
}

} // namespace

pid_t SpawnProcess(const std::vector<std::string>& argv, const SpawnOptions& options) {
    return SpawnWithFds(argv, options, options.stdoutFd, options.stderrFd);
}

bool TryReapProcess(pid_t pid, ProcessRunResult* out) {
    if (pid <= 0) return true;
    int status = 0;
    pid_t r;
    do {
        r = waitpid(pid, &status, WNOHANG);
    } while (r < 0 && errno == EINTR);
    if (r == 0) return false;
    if (r == pid && out) ExitToResult(status, out);
    return true;  // ended, or not our child any more (ECHILD)
}

ProcessRunResult WaitProcess(pid_t pid, double timeoutSeconds) {
    ProcessRunResult result;
    result.started = pid > 0;
    if (pid <= 0) return result;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutSeconds);
    auto pause = std::chrono::milliseconds(1);
    while (!TryReapProcess(pid, &result)) {
        if (timeoutSeconds > 0 && std::chrono::steady_clock::now() >= deadline) {
            KillGroup(pid);
            result.timedOut = true;
            int status = 0;
            while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            ExitToResult(status, &result);
            break;
        }
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::milliseconds(20));
    }
    return result;
}

ProcessRunResult RunProcess(const std::vector<std::string>& argv, const SpawnOptions& options) {
    ProcessRunResult result;
    int outPipe[2] = {-1, -1}, errPipe[2] = {-1, -1};
    auto closeFd = [](int& fd) {
        if (fd >= 0) close(fd);
        fd = -1;
    };
    if (options.captureStdout && pipe2(outPipe, O_CLOEXEC) != 0) {
        result.spawnError = errno;
        return result;
    }
    if (options.captureStderr && pipe2(errPipe, O_CLOEXEC) != 0) {
        result.spawnError = errno;
        closeFd(outPipe[0]);
        closeFd(outPipe[1]);
        return result;
    }
    SpawnOptions opts = options;
    opts.detached = false;
    pid_t pid = SpawnWithFds(argv, opts, options.captureStdout ? outPipe[1] : options.stdoutFd,
                             options.captureStderr ? errPipe[1] : options.stderrFd);
    int spawnErr = errno;
    closeFd(outPipe[1]);
    closeFd(errPipe[1]);
    if (pid < 0) {
        result.spawnError = spawnErr;
        closeFd(outPipe[0]);
        closeFd(errPipe[0]);
        return result;
    }
    result.started = true;
    if (outPipe[0] >= 0) fcntl(outPipe[0], F_SETFL, O_NONBLOCK);
    if (errPipe[0] >= 0) fcntl(errPipe[0], F_SETFL, O_NONBLOCK);

    auto start = std::chrono::steady_clock::now();
    bool killed = false;
    int status = 0;
    bool reaped = false;
    for (;;) {
        pollfd fds[2];
        int nfds = 0;
        if (outPipe[0] >= 0) fds[nfds++] = {outPipe[0], POLLIN, 0};
        if (errPipe[0] >= 0) fds[nfds++] = {errPipe[0], POLLIN, 0};
        if (nfds == 0) {
            // Nothing to read: wait for the exit in short steps.
            pid_t r = waitpid(pid, &status, WNOHANG);
            if (r == pid) {
                reaped = true;
                break;
            }
            if (r < 0 && errno != EINTR) break;
        } else {
            int pr = poll(fds, static_cast<nfds_t>(nfds), 20);
            if (pr > 0) {
                for (int i = 0; i < nfds; ++i) {
                    if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
                    bool isOut = fds[i].fd == outPipe[0];
                    bool open = Drain(fds[i].fd, isOut ? result.out : result.err, options.captureLimit,
                                      isOut ? result.outTruncated : result.errTruncated);
                    if (!open) closeFd(isOut ? outPipe[0] : errPipe[0]);
                }
            }
        }
        bool cancel = options.cancel && options.cancel->load();
        bool late = options.timeoutSeconds > 0 &&
                    std::chrono::steady_clock::now() - start >= std::chrono::duration<double>(options.timeoutSeconds);
        if (!killed && (cancel || late)) {
            KillGroup(pid);
            killed = true;
            result.cancelled = cancel;
            result.timedOut = !cancel && late;
        }
        if (killed) {
            // The pipes may be held open by a grandchild that ignored the
            // signal's group; stop reading once the child itself has gone.
            closeFd(outPipe[0]);
            closeFd(errPipe[0]);
        }
        if (nfds == 0 && !reaped) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    closeFd(outPipe[0]);
    closeFd(errPipe[0]);
    if (!reaped) {
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
    ExitToResult(status, &result);
    return result;
}

size_t ReapDetachedChildren() {
    std::lock_guard<std::mutex> lock(g_detachedMutex);
    g_detachedPids.erase(std::remove_if(g_detachedPids.begin(), g_detachedPids.end(),
                                        [](pid_t pid) { return TryReapProcess(pid, nullptr); }),
                         g_detachedPids.end());
    return g_detachedPids.size();
}

size_t DetachedChildCount() {
    std::lock_guard<std::mutex> lock(g_detachedMutex);
    return g_detachedPids.size();
}
