#include "engine/core/EngineContext.h"

#include <algorithm>

#include "engine/platform/Environment.h"

namespace korvane {

EngineContextConfig BuildContextConfigFromProcess(int argc, char** argv) {
    EngineContextConfig config;
    config.gameBuild = platform::GetEnv("KORVANE_GAME_BUILD").has_value();
    if (auto root = platform::GetEnv("KORVANE_PROJECT_ROOT")) config.projectRoot = *root;
    config.args.reserve(static_cast<size_t>(std::max(argc, 0)));
    for (int i = 0; i < argc; ++i) {
        config.args.emplace_back((argv && argv[i]) ? argv[i] : "");
    }
    return config;
}

Result<EngineContext> EngineContext::Create(EngineContextConfig config) {
    if (config.appName.empty()) {
        return Result<EngineContext>::Failure("EngineContext requires an app name.");
    }
    EngineContext context(std::move(config));
    context.logger().Info("Engine context initialized.");
    return Result<EngineContext>::Success(std::move(context));
}

} // namespace korvane
