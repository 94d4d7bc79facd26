#include "editor/legacy/base/EditorLog.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <mutex>

#include "engine/platform/Environment.h"

bool g_consoleShowInfo = true;
bool g_consoleShowWarn = true;
bool g_consoleShowError = true;

namespace {
std::mutex g_logsMutex;
std::vector<LogEntry> g_logs;
// -1 = not decided yet (read the environment on first use), 0 off, 1 on.
std::atomic<int> g_stderrMirror{-1};
std::atomic<uint64_t> g_logGeneration{0};

// vsnprintf cuts at a byte count; drop a UTF-8 sequence left incomplete at
// the end so the console never shows half a character.
size_t TrimIncompleteUtf8(const char* s, size_t len) {
    size_t i = len;
    size_t back = 0;
    while (i > 0 && back < 4 && (static_cast<unsigned char>(s[i - 1]) & 0xC0) == 0x80) {
        --i;
        ++back;
    }
    if (i == 0) return len;
    unsigned char lead = static_cast<unsigned char>(s[i - 1]);
    size_t need = 0;
    if ((lead & 0xE0) == 0xC0) need = 2;
    else if ((lead & 0xF0) == 0xE0) need = 3;
    else if ((lead & 0xF8) == 0xF0) need = 4;
    else return len;  // ASCII or stray continuation bytes: leave as is
    return (back + 1 < need) ? i - 1 : len;
}
}  // namespace

void LogSetStderrMirror(bool on) { g_stderrMirror.store(on ? 1 : 0); }

bool LogStderrMirrorEnabled() {
    int v = g_stderrMirror.load();
    if (v < 0) {
        int decided = korvane::platform::IsEnvEnabled("KORVANE_LOG_STDERR") ? 1 : 0;
        // Only the first reader decides; an explicit LogSetStderrMirror wins.
        g_stderrMirror.compare_exchange_strong(v, decided);
        v = g_stderrMirror.load();
    }
    return v == 1;
}

const char* LogLevelName(int level) {
    switch (level) {
    case 2: return "INFO";
    case 3: return "WARN";
    case 4: return "ERROR";
    default: return "LOG";
    }
}

void Log(int level, const char* format, ...) {
    if (!format) return;
    char buf[kLogLineBytes];
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(buf, sizeof buf, format, args);
    va_end(args);
    if (n < 0) buf[0] = '\0';
    size_t len = std::char_traits<char>::length(buf);
    if (n >= static_cast<int>(sizeof buf)) len = TrimIncompleteUtf8(buf, len);
    std::string text(buf, len);
    const bool mirror = LogStderrMirrorEnabled();

    std::lock_guard<std::mutex> lock(g_logsMutex);
    if (g_logs.size() >= kLogMaxEntries) {
        g_logs.erase(g_logs.begin(), g_logs.begin() + std::min(kLogTrimBlock, g_logs.size()));
    }
    if (mirror) {
        // One write per line, under the lock, so lines from several threads
        // neither interleave nor change order.
        std::string line = "[";
        line += LogLevelName(level);
        line += "] ";
        line += text;
        line += '\n';
        std::fwrite(line.data(), 1, line.size(), stderr);
        std::fflush(stderr);
    }
    g_logs.push_back(LogEntry{std::move(text), level});
    g_logGeneration.fetch_add(1);
}

std::vector<LogEntry> LogSnapshot() {
    std::lock_guard<std::mutex> lock(g_logsMutex);
    return g_logs;
}

size_t LogCount() {
    std::lock_guard<std::mutex> lock(g_logsMutex);
    return g_logs.size();
}

void LogClear() {
    std::lock_guard<std::mutex> lock(g_logsMutex);
    g_logs.clear();
    g_logGeneration.fetch_add(1);
}

uint64_t LogGeneration() { return g_logGeneration.load(); }

// ---- Console ---------------------------------------------------------------

bool LogEntryVisible(int level, bool showInfo, bool showWarn, bool showError) {
    switch (level) {
    case 2: return showInfo;
    case 3: return showWarn;
    case 4: return showError;
    default: return true;
    }
}

LogColor LogLevelColor(int level) {
    switch (level) {
    case 3: return {1.0f, 1.0f, 0.3f, 1.0f};
    case 4: return {1.0f, 0.3f, 0.3f, 1.0f};
    default: return {0.7f, 0.7f, 0.7f, 1.0f};
    }
}

std::vector<size_t> ConsoleVisibleEntries(const std::vector<LogEntry>& entries, bool showInfo,
                                          bool showWarn, bool showError) {
    std::vector<size_t> out;
    out.reserve(entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        if (LogEntryVisible(entries[i].level, showInfo, showWarn, showError)) out.push_back(i);
    }
    return out;
}

// ---- Profiler --------------------------------------------------------------

namespace {
int RingSlot(int32_t frameIdx) {
    int slot = static_cast<int>(frameIdx % kFrameTimeSamples);
    return slot < 0 ? slot + kFrameTimeSamples : slot;
}
float SampleMs(float seconds) { return std::isfinite(seconds) ? seconds * 1000.0f : 0.0f; }
}  // namespace

std::string ProfilerStatsText(float fps, size_t entityCount) {
    const bool usable = std::isfinite(fps) && fps > 0.0f;
    char buf[160];
    std::snprintf(buf, sizeof buf, "FPS: %.1f  |  Frame: %.2f ms  |  Entities: %zu",
                  usable ? static_cast<double>(fps) : 0.0, usable ? 1000.0 / fps : 0.0, entityCount);
    return buf;
}

std::vector<float> ProfilerFrameSeriesMs(const float* frameTimes, int32_t frameIdx) {
    std::vector<float> out(kFrameTimeSamples, 0.0f);
    if (!frameTimes) return out;
    const int start = RingSlot(frameIdx);
    for (int i = 0; i < kFrameTimeSamples; ++i) {
        out[i] = SampleMs(frameTimes[(start + i) % kFrameTimeSamples]);
    }
    return out;
}

std::string ProfilerOverlayText(const float* frameTimes, int32_t frameIdx) {
    float ms = 0.0f;
    if (frameTimes) ms = SampleMs(frameTimes[RingSlot(frameIdx - 1)]);
    char buf[48];
    std::snprintf(buf, sizeof buf, "%.2f ms", static_cast<double>(ms));
    return buf;
}

// ---- Status bar ------------------------------------------------------------

const char* GizmoModeLabel(int gizmoMode) {
    switch (gizmoMode) {
    case 0: return "Move";
    case 1: return "Rotate";
    case 2: return "Scale";
    default: return "-";
    }
}

const char* StatusSelectionLabel(const char* selectedEntityName, const char* selectedFilePath) {
    if (selectedEntityName) return selectedEntityName;
    if (selectedFilePath && *selectedFilePath) return selectedFilePath;
    return "-";
}

std::string StatusBarText(float fps, size_t entityCount, const char* selectedEntityName,
                          const char* selectedFilePath, int gizmoMode, bool previewVisible) {
    const double shownFps = std::isfinite(fps) ? static_cast<double>(fps) : 0.0;
    const char* sel = StatusSelectionLabel(selectedEntityName, selectedFilePath);
    int n = std::snprintf(nullptr, 0, "  FPS: %.0f | %zu entities | %s | %s | Preview: %s", shownFps,
                          entityCount, sel, GizmoModeLabel(gizmoMode), previewVisible ? "on" : "off");
    std::string out(n > 0 ? static_cast<size_t>(n) : 0, '\0');
    if (n > 0) {
        std::snprintf(out.data(), out.size() + 1, "  FPS: %.0f | %zu entities | %s | %s | Preview: %s",
                      shownFps, entityCount, sel, GizmoModeLabel(gizmoMode), previewVisible ? "on" : "off");
    }
    return out;
}

float StatusBarTop(float viewportTop, float viewportHeight) {
    return viewportTop + std::max(0.0f, viewportHeight - kStatusBarHeight);
}
