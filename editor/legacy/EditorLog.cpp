#include "editor/legacy/EditorLog.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <mutex>

namespace {
std::mutex g_logsMutex;
std::vector<LogEntry> g_logs;
}

void Log(int level, const char* format, ...) {
    char buf[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buf, sizeof buf, format, args);
    va_end(args);
    std::lock_guard<std::mutex> lock(g_logsMutex);
    if (g_logs.size() >= 2000) {
        g_logs.erase(g_logs.begin(), g_logs.begin() + std::min<size_t>(200, g_logs.size()));
    }
    g_logs.push_back(LogEntry{buf, level});
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
}
