// Process entry: build the engine context from the command line and the
// environment, install the crash guards, say which mode we launch in, then
// hand the unchanged arguments to the application. An option as the first
// argument runs its command instead, before any window opens.

#include <cstdio>
#include <fstream>
#include <iterator>

#include "editor/legacy/app/LegacyKorvaneApp.h"
#include "editor/legacy/base/CommandLine.h"
#include "editor/legacy/base/ProjectPaths.h"
#include "editor/legacy/build/BuildCommand.h"
#include "editor/legacy/shell/ProjectRegistry.h"
#include "engine/core/CrashGuards.h"
#include "engine/core/EngineContext.h"

namespace {

void LogBootstrapMode(korvane::EngineContext& context) {
    std::string line = "Launching Korvane legacy adapter in ";
    line += context.IsGameBuild() ? "game runtime" : "editor";
    line += " mode.";
    context.logger().Info(line);
}

// The name the project hub shows for root, when the registry lists it.
std::string RegisteredProjectName(const std::string& root) {
    std::ifstream in(ProjectRegistryPath(), std::ios::binary);
    if (!in) return "";
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (const RegistryEntry& e : ParseRegistryText(text))
        if (NormalizePathBestEffort(e.root) == root) return e.name;
    return "";
}

int BuildCommand(int argc, char** argv) {
    g_buildCommandProjectName = RegisteredProjectName;
    return RunBuildCommand(argc, argv);
}

// One row per command-line command.
const CommandOption kCommands[] = {
    {"--build", kBuildCommandUsage, kBuildCommandSummary, BuildCommand},
};

} // namespace

int main(int argc, char** argv) {
    korvane::EngineContextConfig config = korvane::BuildContextConfigFromProcess(argc, argv);
    korvane::Result<korvane::EngineContext> result = korvane::EngineContext::Create(config);
    if (!result.ok()) {
        std::fprintf(stderr, "Korvane bootstrap failed: %s\n", result.status().message().c_str());
        return 1;
    }
    korvane::EngineContext& context = result.value();
    // Declared after the context: destroyed first, so the terminate handler
    // never points at a logger that is gone.
    korvane::CrashGuardScope crashGuardScope;
    korvane::InstallCrashGuards(context.logger());
    int commandExit = 0;
    if (DispatchCommandLine(argc, argv, kCommands, sizeof kCommands / sizeof kCommands[0], &commandExit))
        return commandExit;
    LogBootstrapMode(context);
    return KorvaneLegacyMain(argc, argv);
}
