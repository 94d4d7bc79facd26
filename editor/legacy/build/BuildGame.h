#pragma once
// The incremental game build: the project becomes a standalone bundle
//   <build root>/<platform>/<name>.app/Contents/{MacOS/<name>, Resources/, Info.plist}
// holding a copy of the running executable, the engine's own files and the
// project's "Assets" tree (plus the converted models its scenes use). A hash
// over every input, kept in a manifest beside the output, skips the whole
// build when nothing changed; otherwise only changed files are copied, and
// files gone from the project are removed from the bundle.
//
//   BuildContext, CurrentBuildContext   the inputs, taken once on the main thread
//   DoBuildGame                         the build (runs on the build thread)
//   BundleNameForProject, XmlEscape, BundleIdentifierFor, InfoPlistText,
//   LaunchScriptText, EngineFileNames   the pieces, for tests
//   LaunchGameBundle                    starts a built game (no shell)

#include <functional>
#include <string>
#include <vector>

#include "editor/legacy/build/FileSync.h"

// Everything a build reads, passed by value so the build thread never reads
// globals the main thread may change.
struct BuildContext {
    std::string projectRoot;
    std::string projectName;
    std::string assetRoot;        // engine files
    std::string executablePath;   // copied into the bundle; "/proc/self/exe" for the editor
    std::string homeDir;          // for a leading "~" in the build root
    // Start the built game; true when it really started. Empty: LaunchGameBundle.
    std::function<bool(const std::string& appPath, const std::string& bundleName)> launch;
    // Show a path in the file browser. Empty: OpenPath(path, true).
    std::function<bool(const std::string& path)> reveal;
    // Every build log line as it is written (the headless command prints them).
    std::function<void(const char* line)> onLogLine;
};

struct BuildSettings {
    std::string outputName = "Build";  // under the project root; an absolute path is used as it is
    int platform = 1;                  // 0 Windows, 1 Linux, 2 macOS
    int config = 1;                    // 0 Debug, 1 Release, 2 Shipping
    bool cook = true;
    bool package = false;
    bool launch = false;
    bool fastPath = true;
    bool openOutput = false;
};

// What happened, beyond success.
struct BuildReport {
    bool cacheHit = false;
    bool launched = false;       // the launch was requested and really started
    std::string failure;         // the reason when the build failed
    std::string appPath;         // the bundle
    std::string packagePath;
    int engineUpdated = 0, engineCached = 0, projectUpdated = 0, projectCached = 0, removed = 0;
};

// The live process: g_projectRoot, g_projName, g_assetRoot, /proc/self/exe.
// Main thread.
BuildContext CurrentBuildContext();

const char* BuildPlatformName(int platform);  // "Windows", "Linux", "macOS" (clamped)
const char* BuildConfigName(int config);      // "Debug", "Release", "Shipping" (clamped)

// The project name as one path component: "/" and control characters become
// "_". False (reason in *why) for a name that is empty, "." or "..".
bool BundleNameForProject(const std::string& projectName, std::string* out, std::string* why);
// & < > " ' as XML entities.
std::string XmlEscape(const std::string& text);
// "com.korvane." + the name with only [A-Za-z0-9.-] kept ("game" when none).
std::string BundleIdentifierFor(const std::string& name);
std::string InfoPlistText(const std::string& name);
// Starts the bundle's executable with the game-runtime environment; the name
// is single-quoted.
std::string LaunchScriptText(const std::string& name);
// The 40 engine files, relative to the asset root, in copy order.
const std::vector<std::string>& EngineFileNames();
// "%.1f MB" above 1,048,575 bytes, else "%.1f KB"; "" below 0.
std::string PackageSizeText(long long bytes);
// The "../Library/Imported/<folder>/" folders the scene files under assetsDir
// refer to (sorted, each a plain folder name).
std::vector<std::string> ImportedModelFoldersInScenes(const std::string& assetsDir);

// Runs <app>/Contents/MacOS/<name> detached, with KORVANE_GAME_BUILD=1 and
// KORVANE_PROJECT_ROOT=../Resources; true when it started (a failure is logged).
bool LaunchGameBundle(const std::string& appPath, const std::string& bundleName);

// True on success or a cache hit. Progress goes to BuildJobSetProgress, log
// lines to logBuffer (through AppendLog) and context.onLogLine.
bool DoBuildGame(const BuildContext& context, const BuildSettings& settings, char* logBuffer, int logCapacity,
                 BuildReport* report = nullptr);
bool DoBuildGame(const char* outputName, int platform, int config, bool cook, bool package, bool launch,
                 bool fastPath, bool openOutput, char* logBuffer, int logCapacity);
