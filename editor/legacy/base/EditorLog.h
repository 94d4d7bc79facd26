#pragma once
// The editor log: one in-memory list shown by the console. Safe to call from
// any thread; entries keep the order in which Log was called.
//
//   Log(level, format, ...)   2 info, 3 warning, 4 error (1 = unclassified)
//   LogSnapshot()             copy of the entries, for drawing or tests
//   LogClear()                empty the list ("Clear" in the console)
//   LogSetStderrMirror(on)    also print every line to stderr as "[LEVEL] text"
//                             (on by default when KORVANE_LOG_STDERR is enabled)
//
// What the console, profiler and status bar show is computed here by plain
// functions; editor/ui only draws it.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct LogEntry {
    std::string text;
    int level = 2;
};

// Limits of the list: at kLogMaxEntries the oldest kLogTrimBlock go at once,
// so trimming happens at most once per kLogTrimBlock new lines.
constexpr size_t kLogMaxEntries = 2000;
constexpr size_t kLogTrimBlock = 200;
constexpr size_t kLogLineBytes = 1024;  // formatted text is cut to 1023 bytes

void Log(int level, const char* format, ...) __attribute__((format(printf, 2, 3)));
std::vector<LogEntry> LogSnapshot();
size_t LogCount();
void LogClear();
// Changes whenever an entry is added or the list is cleared, so the console
// copies the list only when there is something new.
uint64_t LogGeneration();

// Mirror to standard error. The first Log call reads KORVANE_LOG_STDERR
// unless a test or the shell has set the switch explicitly.
void LogSetStderrMirror(bool on);
bool LogStderrMirrorEnabled();
// "INFO", "WARN", "ERROR", or "LOG" for unclassified levels.
const char* LogLevelName(int level);

// ---- Console ---------------------------------------------------------------

// The console's filter checkboxes ("Info", "Warn", "Error"); process-wide,
// start enabled. Main thread only.
extern bool g_consoleShowInfo;
extern bool g_consoleShowWarn;
extern bool g_consoleShowError;

struct LogColor {
    float r, g, b, a;
};

// Levels without a checkbox (anything but 2, 3, 4) are always shown.
bool LogEntryVisible(int level, bool showInfo, bool showWarn, bool showError);
LogColor LogLevelColor(int level);
// Indices into entries of the lines the console lists, oldest first.
std::vector<size_t> ConsoleVisibleEntries(const std::vector<LogEntry>& entries, bool showInfo,
                                          bool showWarn, bool showError);

// ---- Profiler --------------------------------------------------------------

constexpr int kFrameTimeSamples = 300;

// "FPS: %.1f  |  Frame: %.2f ms  |  Entities: %zu"; a frame rate that is not
// positive and finite shows a frame time of 0.
std::string ProfilerStatsText(float fps, size_t entityCount);
// The stored frame durations (seconds) in milliseconds, oldest first: the
// ring starts at slot frameIdx modulo 300.
std::vector<float> ProfilerFrameSeriesMs(const float* frameTimes, int32_t frameIdx);
// Overlay "%.2f ms" with the most recent frame's duration.
std::string ProfilerOverlayText(const float* frameTimes, int32_t frameIdx);

// ---- Status bar ------------------------------------------------------------

// "Move", "Rotate", "Scale", or "-" for any other gizmo mode.
const char* GizmoModeLabel(int gizmoMode);
// The selection field: the entity name, else the selected file, else "-".
// Either may be null or empty.
const char* StatusSelectionLabel(const char* selectedEntityName, const char* selectedFilePath);
// "  FPS: %.0f | %zu entities | %s | %s | Preview: %s".
std::string StatusBarText(float fps, size_t entityCount, const char* selectedEntityName,
                          const char* selectedFilePath, int gizmoMode, bool previewVisible);
// The bar's top edge: viewport top + max(0, viewport height - 24).
float StatusBarTop(float viewportTop, float viewportHeight);
constexpr float kStatusBarHeight = 24.0f;
