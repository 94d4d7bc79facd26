#include "tests/support/XSession.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <set>
#include <sstream>

#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/Process.h"

#include "editor/assets/ImageCodec.h"

extern char** environ;

namespace korvane::test {

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

std::vector<std::string> BuildEnv(const std::map<std::string, std::optional<std::string>>& overrides) {
    std::map<std::string, std::string> env;
    for (char** e = environ; *e; ++e) {
        const char* eq = std::strchr(*e, '=');
        if (eq) env[std::string(*e, size_t(eq - *e))] = eq + 1;
    }
    for (const auto& [k, v] : overrides) {
        if (v) env[k] = *v; else env.erase(k);
    }
    std::vector<std::string> out;
    for (const auto& [k, v] : env) out.push_back(k + "=" + v);
    return out;
}

bool RunTool(const std::string& display, const std::vector<std::string>& argv) {
    ProcessOptions o;
    o.env["DISPLAY"] = display;
    o.timeoutSeconds = 20;
    ProcessResult r = RunProcess(argv, o);
    return r.exitCode == 0;
}

} // namespace

// ---- Xvfb ----------------------------------------------------------------

XvfbServer::~XvfbServer() { Stop(); }

bool XvfbServer::Start(int width, int height) {
    if (access("/usr/bin/Xvfb", X_OK) != 0) return false;
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 3);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    std::vector<std::string> args = {"/usr/bin/Xvfb", "-displayfd", "3", "-screen", "0", screen, "-nolisten", "tcp"};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    int rc = posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (rc != 0) {
        close(fds[0]);
        m_pid = -1;
        return false;
    }
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    auto start = Clock::now();
    while (SecondsSince(start) < 10) {
        if (poll(&p, 1, 100) <= 0) continue;
        char buf[32];
        ssize_t n = read(fds[0], buf, sizeof buf);
        if (n <= 0) break;
        number.append(buf, size_t(n));
        if (number.find('\n') != std::string::npos) break;
    }
    close(fds[0]);
    while (!number.empty() && (number.back() == '\n' || number.back() == '\r')) number.pop_back();
    if (number.empty()) {
        Stop();
        return false;
    }
    m_display = ":" + number;
    return true;
}

void XvfbServer::Stop() {
    if (m_pid <= 0) return;
    kill(m_pid, SIGTERM);
    int status = 0;
    auto start = Clock::now();
    while (waitpid(m_pid, &status, WNOHANG) == 0) {
        if (SecondsSince(start) > 5) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, &status, 0);
            break;
        }
        usleep(20000);
    }
    m_pid = -1;
}

// ---- Editor session --------------------------------------------------------

EditorSession::~EditorSession() {
    if (m_pid > 0 && Running()) {
        kill(m_pid, SIGKILL);
        WaitExit(5);
    }
    if (m_reader.joinable()) m_reader.join();
}

bool EditorSession::Launch(const std::string& exe, const std::string& display, const std::string& home,
                           const std::map<std::string, std::optional<std::string>>& env) {
    std::map<std::string, std::optional<std::string>> vars = {
        {"HOME", home},
        {"KORVANE_LOG_STDERR", std::string("1")},
        {"KORVANE_UI_PROBE", std::string("1")},
        {"LIBGL_ALWAYS_SOFTWARE", std::string("1")},
        {"ALSOFT_DRIVERS", std::string("null")},
        {"WAYLAND_DISPLAY", std::nullopt},
        {"KORVANE_GAME_BUILD", std::nullopt},
        {"KORVANE_PROJECT_ROOT", std::nullopt},
    };
    if (display.empty()) vars["DISPLAY"] = std::nullopt; else vars["DISPLAY"] = display;
    for (const auto& [k, v] : env) vars[k] = v;
    m_display = display;
    std::vector<std::string> envText = BuildEnv(vars);
    std::vector<char*> envp;
    for (auto& s : envText) envp.push_back(s.data());
    envp.push_back(nullptr);
    std::string exeCopy = exe;
    char* argv[] = {exeCopy.data(), nullptr};

    int errPipe[2];
    if (pipe2(errPipe, O_CLOEXEC) != 0) return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
    int rc = posix_spawn(&m_pid, argv[0], &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(errPipe[1]);
    if (rc != 0) {
        close(errPipe[0]);
        m_pid = -1;
        return false;
    }
    int readFd = errPipe[0];
    m_reader = std::thread([this, readFd] { ReadLoop(readFd); });
    return true;
}

void EditorSession::ReadLoop(int fd) {
    std::string partial;
    char buf[4096];
    for (;;) {
        ssize_t n = read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        partial.append(buf, size_t(n));
        size_t nl;
        std::vector<std::string> done;
        while ((nl = partial.find('\n')) != std::string::npos) {
            done.push_back(partial.substr(0, nl));
            partial.erase(0, nl + 1);
        }
        if (!done.empty()) {
            std::lock_guard<std::mutex> lock(m_mutex);
            for (auto& l : done) m_lines.push_back(std::move(l));
            m_cv.notify_all();
        }
    }
    close(fd);
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!partial.empty()) m_lines.push_back(partial);
    m_eof = true;
    m_cv.notify_all();
}

bool EditorSession::WaitForLine(const std::string& text, double timeoutSeconds) {
    std::unique_lock<std::mutex> lock(m_mutex);
    size_t checked = 0;
    auto deadline = Clock::now() + std::chrono::milliseconds(int64_t(timeoutSeconds * 1000));
    for (;;) {
        for (; checked < m_lines.size(); ++checked) {
            if (m_lines[checked].find(text) != std::string::npos) return true;
        }
        if (m_eof) return false;
        if (m_cv.wait_until(lock, deadline) == std::cv_status::timeout) {
            for (; checked < m_lines.size(); ++checked) {
                if (m_lines[checked].find(text) != std::string::npos) return true;
            }
            return false;
        }
    }
}

std::optional<ProbeRect> EditorSession::WaitForProbe(const std::string& name, double timeoutSeconds) {
    const std::string prefix = "[probe] rect " + name + " ";
    // Items report an empty rectangle in the frame before their first
    // layout; only a real one can be clicked.
    auto latest = [&]() -> std::optional<ProbeRect> {
        for (size_t i = m_lines.size(); i-- > 0;) {
            if (m_lines[i].rfind(prefix, 0) != 0) continue;
            std::istringstream in(m_lines[i].substr(prefix.size()));
            ProbeRect r;
            if (in >> r.x >> r.y >> r.w >> r.h && r.w > 0 && r.h > 0) return r;
            return std::nullopt;
        }
        return std::nullopt;
    };
    std::unique_lock<std::mutex> lock(m_mutex);
    auto deadline = Clock::now() + std::chrono::milliseconds(int64_t(timeoutSeconds * 1000));
    for (;;) {
        if (auto r = latest()) return r;
        if (m_eof) return std::nullopt;
        if (m_cv.wait_until(lock, deadline) == std::cv_status::timeout) return latest();
    }
}

std::optional<ProbeRect> EditorSession::WaitForSettledProbe(const std::string& name, double timeoutSeconds) {
    auto start = Clock::now();
    std::optional<ProbeRect> last = WaitForProbe(name, timeoutSeconds);
    while (last && SecondsSince(start) < timeoutSeconds) {
        usleep(300000);
        std::optional<ProbeRect> now = WaitForProbe(name, 0);
        if (now && *now == *last) return now;
        last = now;
    }
    return last;
}

bool EditorSession::Running() {
    if (m_pid <= 0 || m_exitCode != -2) return false;
    int status = 0;
    pid_t r = waitpid(m_pid, &status, WNOHANG);
    if (r == 0) return true;
    if (r == m_pid) m_exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return false;
}

int EditorSession::WaitExit(double timeoutSeconds) {
    if (m_pid <= 0) return -1;
    auto start = Clock::now();
    while (Running()) {
        if (SecondsSince(start) > timeoutSeconds) {
            kill(m_pid, SIGKILL);
            int status = 0;
            waitpid(m_pid, &status, 0);
            m_exitCode = -1;
            break;
        }
        usleep(20000);
    }
    if (m_reader.joinable()) m_reader.join();
    return m_exitCode;
}

std::vector<std::string> EditorSession::Lines() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_lines;
}

std::string EditorSession::AllStderr() {
    std::string all;
    for (const auto& l : Lines()) all += l + "\n";
    return all;
}

// The close box of a window manager sends WM_DELETE_WINDOW; Xvfb has no
// window manager, so the session sends it itself. libX11 is loaded at run
// time because its headers are not part of the build dependencies.
bool EditorSession::RequestWindowClose() {
    using Display = void;
    using Window = unsigned long;
    using Atom = unsigned long;
    struct ClientMessage {
        int type;
        unsigned long serial;
        int sendEvent;
        Display* display;
        Window window;
        Atom messageType;
        int format;
        long data[5];
    };
    union Event {
        int type;
        ClientMessage client;
        long pad[24];
    };
    void* lib = dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);
    if (!lib) return false;
    auto openDisplay = reinterpret_cast<Display* (*)(const char*)>(dlsym(lib, "XOpenDisplay"));
    auto closeDisplay = reinterpret_cast<int (*)(Display*)>(dlsym(lib, "XCloseDisplay"));
    auto internAtom = reinterpret_cast<Atom (*)(Display*, const char*, int)>(dlsym(lib, "XInternAtom"));
    auto sendEvent = reinterpret_cast<int (*)(Display*, Window, int, long, Event*)>(dlsym(lib, "XSendEvent"));
    auto flush = reinterpret_cast<int (*)(Display*)>(dlsym(lib, "XFlush"));
    if (!openDisplay || !closeDisplay || !internAtom || !sendEvent || !flush) {
        dlclose(lib);
        return false;
    }
    // xdotool finds the window by its title.
    ProcessOptions o;
    o.env["DISPLAY"] = m_display;
    o.timeoutSeconds = 10;
    ProcessResult found = RunProcess({"/usr/bin/xdotool", "search", "--name", "^Korvane"}, o);
    std::vector<std::string> ids = SplitLines(found.out);
    bool sent = false;
    Display* dpy = openDisplay(m_display.c_str());
    if (dpy) {
        Atom protocols = internAtom(dpy, "WM_PROTOCOLS", 0);
        Atom del = internAtom(dpy, "WM_DELETE_WINDOW", 0);
        for (const std::string& id : ids) {
            if (id.empty()) continue;
            Window w = std::strtoul(id.c_str(), nullptr, 10);
            Event ev;
            std::memset(&ev, 0, sizeof ev);
            ev.client.type = 33;  // ClientMessage
            ev.client.window = w;
            ev.client.messageType = protocols;
            ev.client.format = 32;
            ev.client.data[0] = long(del);
            ev.client.data[1] = 0;  // CurrentTime
            sent = sendEvent(dpy, w, 0, 0, &ev) != 0 || sent;
        }
        flush(dpy);
        closeDisplay(dpy);
    }
    dlclose(lib);
    return sent;
}

// ---- Input and screenshots ---------------------------------------------------

bool Click(const std::string& display, int x, int y, int button) {
    if (!RunTool(display, {"/usr/bin/xdotool", "mousemove", std::to_string(x), std::to_string(y)})) return false;
    // Let the editor see the hover before the press.
    usleep(150000);
    bool ok = RunTool(display, {"/usr/bin/xdotool", "click", std::to_string(button)});
    // A loaded machine draws slowly; keys sent right after a click could
    // reach a field before the click has activated it.
    usleep(300000);
    return ok;
}

bool Key(const std::string& display, const std::string& keys) {
    // Modifiers are held across frames: a chord sent faster than one frame
    // would reach the UI with the modifier already released.
    std::vector<std::string> parts;
    for (size_t start = 0;;) {
        size_t plus = keys.find('+', start);
        parts.push_back(keys.substr(start, plus == std::string::npos ? std::string::npos : plus - start));
        if (plus == std::string::npos) break;
        start = plus + 1;
    }
    const std::string key = parts.back();
    parts.pop_back();
    bool ok = true;
    for (const std::string& mod : parts) ok = RunTool(display, {"/usr/bin/xdotool", "keydown", mod}) && ok;
    if (!parts.empty()) usleep(200000);
    ok = RunTool(display, {"/usr/bin/xdotool", "key", key}) && ok;
    if (!parts.empty()) usleep(200000);
    for (auto it = parts.rbegin(); it != parts.rend(); ++it) {
        ok = RunTool(display, {"/usr/bin/xdotool", "keyup", *it}) && ok;
    }
    usleep(200000);
    return ok;
}

bool Type(const std::string& display, const std::string& text) {
    return RunTool(display, {"/usr/bin/xdotool", "type", "--delay", "30", text});
}

bool Screenshot(const std::string& display, const std::string& pngPath) {
    return RunTool(display, {"/usr/bin/import", "-display", display, "-window", "root", pngPath});
}

ImageStats ReadImageStats(const std::string& pngPath) {
    ImageStats s;
    DecodedImage image;
    if (!image.Load(pngPath.c_str())) return s;
    s.width = image.Width();
    s.height = image.Height();
    const uint8_t* px = image.Pixels();
    std::set<uint32_t> colors;
    const size_t count = size_t(s.width) * size_t(s.height);
    for (size_t i = 0; i < count && colors.size() < 4096; i += 7) {
        uint32_t c;
        std::memcpy(&c, px + i * 4, 4);
        colors.insert(c);
    }
    s.distinctColors = colors.size();
    s.ok = true;
    return s;
}

std::string MakeTempDir(const std::string& prefix) {
    std::string tmpl = "/tmp/" + prefix + "XXXXXX";
    std::vector<char> buf(tmpl.begin(), tmpl.end());
    buf.push_back('\0');
    if (!mkdtemp(buf.data())) return std::string();
    return buf.data();
}

} // namespace korvane::test
