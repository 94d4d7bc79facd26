#pragma once
// The game build on its own thread: progress, status and the live log under
// g_buildMutex, three atomic flags, and the starter the panel, the menu and
// Cmd/Ctrl+B share. The window side (progress popup, "Build" panel) lives in
// editor/ui/build and only reads copies taken under the mutex.
//
//   StartBuildAsync(...)       main thread; ignored while a build runs
//   BuildJobSetProgress, AppendLog   what the build thread reports through
//   CopyBuildJobState          progress, status and log, copied under the mutex
//   JoinFinishedBuildThread    joins a finished thread (never waits)
//   JoinBuildThread            shutdown: waits for a running build

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "editor/legacy/build/BuildGame.h"

constexpr int kBuildLogCapacity = 32768;

extern std::thread g_buildThread;
extern std::mutex g_buildMutex;
extern float g_buildProgress;                    // g_buildMutex
extern char g_buildStatus[256];                  // g_buildMutex
extern char g_buildPopupLog[kBuildLogCapacity];  // g_buildMutex
extern std::atomic<bool> g_buildActive;
extern std::atomic<bool> g_buildDone;
extern std::atomic<bool> g_buildSuccess;
extern bool g_buildPopupVisible;                 // main thread

// Progress clamped to 0..1; the status is replaced (cut to 255 bytes at a
// character boundary) only by a non-empty text.
void BuildJobSetProgress(float fraction, const char* status);

// Appends one line ("\n"-ended) at *length. Nothing for a missing buffer or
// length, or a capacity of 0 or less; the line (cut to 511 bytes) is cut to
// what fits, and dropped once fewer than 4 bytes remain. g_buildMutex is held
// while appending to g_buildPopupLog.
void AppendLog(char* buffer, int* length, int capacity, const char* format, ...)
    __attribute__((format(printf, 4, 5)));

// What a build thread runs; the default is DoBuildGame with the context.
using BuildJobFunction = std::function<bool(const BuildContext&, const BuildSettings&, char* log, int capacity)>;

// Starts a build unless one is active (then false, nothing changes). The
// context is taken now, on the calling thread, and handed over by value.
bool StartBuildAsync(const char* outputName, int platform, int config, bool cook, bool package, bool launch,
                     bool fastPath, bool openOutput);
bool StartBuildJob(const BuildContext& context, const BuildSettings& settings, BuildJobFunction fn);

bool BuildJobRunning();
// The final status of a build thread: "Build failed", "Build complete,
// launching" (only when the launch really started) or "Build complete".
const char* BuildJobFinalStatus(bool success, bool launchRequested, bool launchStarted);

struct BuildJobState {
    float progress = 0;
    std::string status;
    std::string log;
};
BuildJobState CopyBuildJobState();
// "Clear" of the panel: when no build runs, empties the log, progress 0,
// status "Ready". False (nothing changed) during a build.
bool ClearBuildJobLog();

// Joins the thread when its build has finished; never blocks on a running one.
void JoinFinishedBuildThread();
// Shutdown: waits for a running build and joins it.
void JoinBuildThread();
