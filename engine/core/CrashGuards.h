#pragma once
// CrashGuards: a terminate handler that leaves one error record in the core
// log before the process aborts on an uncaught exception.

#include "engine/core/Logger.h"

namespace korvane {

// The logger the terminate handler writes to; null when none is installed.
extern Logger* g_crashLogger;

void InstallCrashGuards(Logger& logger);
// Forgets the logger, so the handler never writes through a dangling pointer
// once the context that owns it is gone.
void ClearCrashGuards();
[[noreturn]] void TerminateHandler();

// Clears the crash logger when it leaves scope (held by main next to its context).
struct CrashGuardScope {
    CrashGuardScope() = default;
    CrashGuardScope(const CrashGuardScope&) = delete;
    CrashGuardScope& operator=(const CrashGuardScope&) = delete;
    ~CrashGuardScope() { ClearCrashGuards(); }
};

} // namespace korvane
