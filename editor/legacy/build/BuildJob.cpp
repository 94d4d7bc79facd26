#include "editor/legacy/build/BuildJob.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <exception>

#include "editor/legacy/base/EditorLog.h"

std::thread g_buildThread;
std::mutex g_buildMutex;
float g_buildProgress = 0.0f;
char g_buildStatus[256] = "Ready";
char g_buildPopupLog[kBuildLogCapacity] = "";
std::atomic<bool> g_buildActive{false};
std::atomic<bool> g_buildDone{false};
std::atomic<bool> g_buildSuccess{false};
bool g_buildPopupVisible = false;

namespace {

// Cut at n bytes, backing off to the start of a UTF-8 character.
size_t Utf8Cut(const char* s, size_t len, size_t n) {
    if (len <= n) return len;
    while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) --n;
    return n;
}

} // namespace

void BuildJobSetProgress(float fraction, const char* status) {
    std::lock_guard<std::mutex> lock(g_buildMutex);
    if (!(fraction >= 0.0f)) fraction = 0.0f;  // NaN too
    g_buildProgress = std::min(fraction, 1.0f);
    if (status && *status) {
        size_t len = Utf8Cut(status, std::strlen(status), sizeof g_buildStatus - 1);
        std::memcpy(g_buildStatus, status, len);
        g_buildStatus[len] = '\0';
    }
}

void AppendLog(char* buffer, int* length, int capacity, const char* format, ...) {
    if (!buffer || !length || capacity <= 0 || !format) return;
    char line[512];
    va_list ap;
    va_start(ap, format);
    int n = std::vsnprintf(line, sizeof line, format, ap);
    va_end(ap);
    if (n < 0) return;
    size_t lineLen = std::min(static_cast<size_t>(n), sizeof line - 1);

    std::unique_lock<std::mutex> lock(g_buildMutex, std::defer_lock);
    if (buffer == g_buildPopupLog) lock.lock();
    int len = *length;
    if (len < 0 || len >= capacity - 4) return;
    size_t room = static_cast<size_t>(capacity - len - 2);
    size_t copy = Utf8Cut(line, lineLen, std::min(lineLen, room));
    std::memcpy(buffer + len, line, copy);
    buffer[len + static_cast<int>(copy)] = '\n';
    buffer[len + static_cast<int>(copy) + 1] = '\0';
    *length = len + static_cast<int>(copy) + 1;
}

const char* BuildJobFinalStatus(bool success, bool launchRequested, bool launchStarted) {
    if (!success) return "Build failed";
    return launchRequested && launchStarted ? "Build complete, launching" : "Build complete";
}

bool BuildJobRunning() { return g_buildActive.load(); }

bool StartBuildJob(const BuildContext& context, const BuildSettings& settings, BuildJobFunction fn) {
    if (g_buildActive.load()) return false;
    if (g_buildThread.joinable()) g_buildThread.join();  // the previous build has ended: active is off
    {
        std::lock_guard<std::mutex> lock(g_buildMutex);
        g_buildPopupLog[0] = '\0';
        g_buildProgress = 0.0f;
        std::snprintf(g_buildStatus, sizeof g_buildStatus, "%s", "Queued");
    }
    g_buildPopupVisible = true;
    g_buildDone.store(false);
    g_buildSuccess.store(false);
    g_buildActive.store(true);
    BuildSettings copy = settings;
    if (copy.outputName.empty()) copy.outputName = "Build";
    try {
        g_buildThread = std::thread([context, copy, fn = std::move(fn)]() {
            bool ok = false;
            bool launched = false;
            try {
                BuildJobSetProgress(0.01f, "Preparing build job");
                if (fn) {
                    ok = fn(context, copy, g_buildPopupLog, kBuildLogCapacity);
                    launched = copy.launch && ok;
                } else {
                    BuildReport report;
                    ok = DoBuildGame(context, copy, g_buildPopupLog, kBuildLogCapacity, &report);
                    launched = report.launched;
                }
            } catch (const std::exception& e) {
                ok = false;
                Log(4, "Build failed: %s", e.what());
            } catch (...) {
                ok = false;
                Log(4, "Build failed: unexpected error");
            }
            BuildJobSetProgress(1.0f, BuildJobFinalStatus(ok, copy.launch, launched));
            g_buildSuccess.store(ok);
            g_buildActive.store(false);
            g_buildDone.store(true);
        });
    } catch (const std::system_error& e) {
        Log(4, "Build failed: the build thread could not be started (%s)", e.what());
        BuildJobSetProgress(1.0f, "Build failed");
        g_buildSuccess.store(false);
        g_buildActive.store(false);
        g_buildDone.store(true);
        return false;
    }
    return true;
}

bool StartBuildAsync(const char* outputName, int platform, int config, bool cook, bool package, bool launch,
                     bool fastPath, bool openOutput) {
    if (g_buildActive.load()) return false;
    BuildSettings s;
    s.outputName = outputName && *outputName ? outputName : "Build";
    s.platform = platform;
    s.config = config;
    s.cook = cook;
    s.package = package;
    s.launch = launch;
    s.fastPath = fastPath;
    s.openOutput = openOutput;
    return StartBuildJob(CurrentBuildContext(), s, nullptr);
}

BuildJobState CopyBuildJobState() {
    BuildJobState s;
    std::lock_guard<std::mutex> lock(g_buildMutex);
    s.progress = g_buildProgress;
    s.status = g_buildStatus;
    s.log = g_buildPopupLog;
    return s;
}

bool ClearBuildJobLog() {
    if (g_buildActive.load()) return false;
    std::lock_guard<std::mutex> lock(g_buildMutex);
    g_buildPopupLog[0] = '\0';
    g_buildProgress = 0.0f;
    std::snprintf(g_buildStatus, sizeof g_buildStatus, "%s", "Ready");
    return true;
}

void JoinFinishedBuildThread() {
    if (g_buildDone.load() && !g_buildActive.load() && g_buildThread.joinable()) g_buildThread.join();
}

void JoinBuildThread() {
    if (g_buildThread.joinable()) g_buildThread.join();
}
