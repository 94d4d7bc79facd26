#pragma once
// End-to-end sessions: a private Xvfb server, the real editor running on it
// with its own HOME, synthetic input through xdotool, screenshots, and the
// editor's standard error read line by line while it runs.
//
//   XvfbServer       starts Xvfb on a free display (-displayfd) and stops it
//   EditorSession    launches the executable, collects stderr lines, waits
//                    for a line or a probe rectangle, asks the window to
//                    close (WM_DELETE_WINDOW, as a window manager would) and
//                    waits for the exit code
//   Click, Key, Type xdotool on the session's display
//   Screenshot       "import -window root" into a PNG
//   ImageStats       decoded PNG: size, distinct colours (to tell "blank")
//
// The editor prints "[probe] rect <name> x y w h" lines when started with
// KORVANE_UI_PROBE=1 and mirrors its log as "[LEVEL] text" with
// KORVANE_LOG_STDERR=1; both are set by EditorSession.

#include <sys/types.h>

#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace korvane::test {

class XvfbServer {
public:
    XvfbServer() = default;
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;
    ~XvfbServer();
    // False when Xvfb is missing or does not come up within a few seconds.
    bool Start(int width = 1600, int height = 1000);
    void Stop();
    const std::string& Display() const { return m_display; }

private:
    pid_t m_pid = -1;
    std::string m_display;
};

struct ProbeRect {
    int x = 0, y = 0, w = 0, h = 0;
    int CenterX() const { return x + w / 2; }
    int CenterY() const { return y + h / 2; }
    bool operator==(const ProbeRect&) const = default;
};

class EditorSession {
public:
    EditorSession() = default;
    EditorSession(const EditorSession&) = delete;
    EditorSession& operator=(const EditorSession&) = delete;
    ~EditorSession();

    // display empty = no DISPLAY at all. env entries override the inherited
    // environment (nullopt removes a variable).
    bool Launch(const std::string& exe, const std::string& display, const std::string& home,
                const std::map<std::string, std::optional<std::string>>& env = {});
    // Waits until a stderr line contains text; true when seen.
    bool WaitForLine(const std::string& text, double timeoutSeconds);
    // The latest rectangle reported for a probe name, waiting until it is
    // not empty.
    std::optional<ProbeRect> WaitForProbe(const std::string& name, double timeoutSeconds);
    // The same, once the rectangle has stopped moving for 0.3 s (popups are
    // placed over their first frames).
    std::optional<ProbeRect> WaitForSettledProbe(const std::string& name, double timeoutSeconds);
    // Sends WM_DELETE_WINDOW to the editor's window (found by its title
    // prefix "Korvane").
    bool RequestWindowClose();
    // Exit code, or -1 after killing it at the timeout (or on a signal).
    int WaitExit(double timeoutSeconds);
    bool Running();
    std::vector<std::string> Lines();
    std::string AllStderr();
    const std::string& Display() const { return m_display; }

private:
    void ReadLoop(int fd);

    pid_t m_pid = -1;
    int m_exitCode = -2;
    std::string m_display;
    std::thread m_reader;
    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::vector<std::string> m_lines;
    bool m_eof = false;
};

// xdotool on a display: move, then click (button 1 = left, 3 = right).
bool Click(const std::string& display, int x, int y, int button = 1);
// xdotool key with one key sequence such as "ctrl+a" or "Return".
bool Key(const std::string& display, const std::string& keys);
// xdotool type.
bool Type(const std::string& display, const std::string& text);
// The whole screen as PNG.
bool Screenshot(const std::string& display, const std::string& pngPath);

struct ImageStats {
    int width = 0, height = 0;
    size_t distinctColors = 0;  // counted up to 4096
    bool ok = false;
};
ImageStats ReadImageStats(const std::string& pngPath);

// A fresh directory under /tmp (removed by the caller when wanted).
std::string MakeTempDir(const std::string& prefix);

} // namespace korvane::test
