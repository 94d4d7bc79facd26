// Process entry: build the engine context from the command line and the
// environment, install the crash guards, say which mode we launch in, then
// hand the unchanged arguments to the application.

#include <cstdio>

#include "editor/legacy/app/LegacyKorvaneApp.h"
#include "engine/core/CrashGuards.h"
#include "engine/core/EngineContext.h"

namespace {

void LogBootstrapMode(korvane::EngineContext& context) {
    std::string line = "Launching Korvane legacy adapter in ";
    line += context.IsGameBuild() ? "game runtime" : "editor";
    line += " mode.";
    context.logger().Info(line);
}

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
    LogBootstrapMode(context);
    return KorvaneLegacyMain(argc, argv);
}
