// Start-up figures of the real editor on the current display:
//
//   launch_to_hub_ms        process start to the first presented hub frame
//   launch_to_editor_ms     the above plus click-on-card to the first editor
//                           frame of the bundled sample project (the
//                           synthetic click itself is not counted)
//   hub_idle_cpu_percent    CPU of one core used by an untouched hub over 5 s
//   baseline_bare_window_ms process start to the first frame of a bare GLFW
//                           window with the same context (this program run
//                           with --bare-window), the floor for launch_to_hub
//
// Each launch figure is the median of three runs. Needs a display and
// xdotool (scripts/bench.sh provides a private Xvfb when there is none). The
// sample project is found next to this source file.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "editor/render/GL.h"

extern char** environ;

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double MsSince(Clock::time_point t) { return std::chrono::duration<double, std::milli>(Clock::now() - t).count(); }

struct Child {
    pid_t pid = -1;
    int errFd = -1;
    std::string buffer;
    Clock::time_point start;

    bool Spawn(const std::vector<std::string>& args, const std::map<std::string, std::string>& extraEnv) {
        std::vector<std::string> envText;
        for (char** e = environ; *e; ++e) {
            std::string kv = *e;
            std::string key = kv.substr(0, kv.find('='));
            if (!extraEnv.count(key)) envText.push_back(kv);
        }
        for (const auto& [k, v] : extraEnv) envText.push_back(k + "=" + v);
        std::vector<char*> envp, argv;
        for (auto& s : envText) envp.push_back(s.data());
        envp.push_back(nullptr);
        std::vector<std::string> argCopy = args;
        for (auto& s : argCopy) argv.push_back(s.data());
        argv.push_back(nullptr);
        int p[2];
        if (pipe2(p, O_CLOEXEC) != 0) return false;
        posix_spawn_file_actions_t a;
        posix_spawn_file_actions_init(&a);
        posix_spawn_file_actions_addopen(&a, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&a, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_adddup2(&a, p[1], 2);
        start = Clock::now();
        int rc = posix_spawn(&pid, argv[0], &a, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&a);
        close(p[1]);
        if (rc != 0) {
            close(p[0]);
            return false;
        }
        errFd = p[0];
        return true;
    }

    // Reads stderr until a line (seen before or new) contains text; the time
    // of the call's return in ms since the spawn, or a negative value at the
    // timeout.
    double WaitFor(const std::string& text, double timeoutMs, std::string* line = nullptr) {
        size_t scanned = 0;
        auto begin = Clock::now();
        while (MsSince(begin) < timeoutMs) {
            size_t nl;
            while ((nl = buffer.find('\n', scanned)) != std::string::npos) {
                std::string l = buffer.substr(scanned, nl - scanned);
                scanned = nl + 1;
                if (l.find(text) != std::string::npos) {
                    if (line) *line = l;
                    return MsSince(start);
                }
            }
            pollfd pfd{errFd, POLLIN, 0};
            if (poll(&pfd, 1, 20) > 0) {
                char buf[4096];
                ssize_t n = read(errFd, buf, sizeof buf);
                if (n <= 0) return -1;
                buffer.append(buf, size_t(n));
            }
        }
        return -1;
    }

    // CPU seconds (user + system) used so far.
    double CpuSeconds() const {
        std::ifstream f("/proc/" + std::to_string(pid) + "/stat");
        std::string s((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
        size_t close = s.rfind(')');
        if (close == std::string::npos) return 0;
        std::vector<std::string> fields;
        size_t pos = close + 2;
        while (pos < s.size()) {
            size_t sp = s.find(' ', pos);
            if (sp == std::string::npos) sp = s.size();
            fields.push_back(s.substr(pos, sp - pos));
            pos = sp + 1;
        }
        if (fields.size() < 13) return 0;
        // Fields 14 and 15 of the stat line: utime, stime (after pid and comm).
        double ticks = std::atof(fields[11].c_str()) + std::atof(fields[12].c_str());
        return ticks / double(sysconf(_SC_CLK_TCK));
    }

    void Stop() {
        if (pid > 0) {
            kill(pid, SIGTERM);
            int st = 0;
            auto begin = Clock::now();
            while (waitpid(pid, &st, WNOHANG) == 0) {
                if (MsSince(begin) > 3000) {
                    kill(pid, SIGKILL);
                    waitpid(pid, &st, 0);
                    break;
                }
                usleep(10000);
            }
            pid = -1;
        }
        if (errFd >= 0) close(errFd);
        errFd = -1;
    }
};

int RunTool(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    std::vector<std::string> copy = args;
    for (auto& s : copy) argv.push_back(s.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t a;
    posix_spawn_file_actions_init(&a);
    posix_spawn_file_actions_addopen(&a, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&a, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid;
    int rc = posix_spawn(&pid, argv[0], &a, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&a);
    if (rc != 0) return -1;
    int st = 0;
    waitpid(pid, &st, 0);
    return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
}

double Median(std::vector<double> v) {
    if (v.empty()) return -1;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// The floor: a process that opens the same kind of window and presents once.
int BareWindow() {
    if (!glfwInit()) return 1;
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 3);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 2);
    glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);
    glfwWindowHint(GLFW_DECORATED, GLFW_FALSE);
    GLFWwindow* w = glfwCreateWindow(820, 560, "bare", nullptr, nullptr);
    if (!w) return 1;
    glfwMakeContextCurrent(w);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glfwSwapBuffers(w);
    std::fprintf(stderr, "bare frame\n");
    glfwDestroyWindow(w);
    glfwTerminate();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--bare-window") == 0) return BareWindow();

    const fs::path self = fs::canonical("/proc/self/exe");
    const fs::path exe = self.parent_path().parent_path() / "editor" / "korvane";
    const fs::path sample = fs::path(__FILE__).parent_path().parent_path() / "samples" / "SampleProject";
    if (!fs::exists(exe) || !fs::exists(sample)) {
        std::fprintf(stderr, "bench_startup: missing %s or %s\n", exe.c_str(), sample.c_str());
        return 1;
    }
    char tmpl[] = "/tmp/korvane_bench_startup_XXXXXX";
    if (!mkdtemp(tmpl)) return 1;
    const std::string home = tmpl;
    const std::string root = home + "/SampleProject";
    fs::copy(sample, root, fs::copy_options::recursive);
    std::ofstream(home + "/.korvane_projects") << "Sample Project|" << root << "\n";

    const std::map<std::string, std::string> env = {
        {"HOME", home}, {"KORVANE_UI_PROBE", "1"}, {"KORVANE_LOG_STDERR", "1"},
        {"LIBGL_ALWAYS_SOFTWARE", "1"}, {"ALSOFT_DRIVERS", "null"},
    };
    std::vector<double> bare, hub, editor;
    double idleCpu = -1;
    for (int run = 0; run < 3; ++run) {
        Child b;
        if (b.Spawn({self.string(), "--bare-window"}, env)) {
            double t = b.WaitFor("bare frame", 20000);
            if (t >= 0) bare.push_back(t);
            b.Stop();
        }

        RunTool({"/usr/bin/xdotool", "mousemove", "0", "0"});
        Child c;
        if (!c.Spawn({exe.string()}, env)) break;
        double tHub = c.WaitFor("[probe] frame state=0", 30000);
        std::string cardLine;
        double tCard = c.WaitFor("[probe] rect hub.card.0 ", 10000, &cardLine);
        if (tHub < 0 || tCard < 0) {
            c.Stop();
            continue;
        }
        hub.push_back(tHub);
        if (run == 0) {
            // The pointer stays outside the window: an untouched hub.
            usleep(1500 * 1000);
            double cpu0 = c.CpuSeconds();
            auto t0 = Clock::now();
            usleep(5 * 1000 * 1000);
            double wall = MsSince(t0) / 1000.0;
            idleCpu = 100.0 * (c.CpuSeconds() - cpu0) / wall;
        }
        int x = 0, y = 0, w = 0, h = 0;
        if (std::sscanf(cardLine.c_str(), "[probe] rect hub.card.0 %d %d %d %d", &x, &y, &w, &h) == 4) {
            RunTool({"/usr/bin/xdotool", "mousemove", std::to_string(x + w / 2), std::to_string(y + h / 2)});
            usleep(300 * 1000);
            auto clickAt = Clock::now();
            RunTool({"/usr/bin/xdotool", "click", "1"});
            double tEditor = c.WaitFor("[probe] frame state=2", 30000);
            if (tEditor >= 0) editor.push_back(tHub + MsSince(clickAt));
        }
        c.Stop();
    }
    std::error_code ec;
    fs::remove_all(home, ec);

    const double bareMs = Median(bare), hubMs = Median(hub), editorMs = Median(editor);
    std::printf("baseline_bare_window_ms %.1f ms\n", bareMs);
    std::printf("launch_to_hub_ms %.1f ms\n", hubMs);
    if (bareMs > 0 && hubMs > 0) std::printf("launch_to_hub_vs_bare_window %.2f x\n", hubMs / bareMs);
    std::printf("launch_to_editor_ms %.1f ms\n", editorMs);
    std::printf("hub_idle_cpu_percent %.1f %%\n", idleCpu);
    return hub.empty() ? 1 : 0;
}
