#include "engine/core/CrashGuards.h"

#include <atomic>
#include <cstdlib>
#include <exception>

namespace korvane {

Logger* g_crashLogger = nullptr;

namespace {
// The handler may run on any thread; the pointer itself is published atomically.
std::atomic<Logger*> s_crashLogger{nullptr};
}

void InstallCrashGuards(Logger& logger) {
    g_crashLogger = &logger;
    s_crashLogger.store(&logger);
    std::set_terminate(TerminateHandler);
    logger.Info("Crash guards installed.");
}

void ClearCrashGuards() {
    s_crashLogger.store(nullptr);
    g_crashLogger = nullptr;
}

void TerminateHandler() {
    if (Logger* logger = s_crashLogger.load()) {
        logger->Error("Unhandled exception reached the engine terminate handler.");
    }
    std::abort();
}

} // namespace korvane
