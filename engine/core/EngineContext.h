#pragma once
// EngineContext: the process configuration (app name, version, launch mode,
// project root, arguments) and the core logger that lives as long as main.

#include <string>
#include <vector>

#include "engine/core/Logger.h"
#include "engine/core/Status.h"

namespace korvane {

struct EngineContextConfig {
    std::string appName = "Korvane";
    std::string version = "0.4.0";
    bool gameBuild = false;
    std::string projectRoot;
    std::string reservedText;
    std::vector<std::string> args;
};

// Reads KORVANE_GAME_BUILD (set at all = game runtime), KORVANE_PROJECT_ROOT
// and the argument vector; null entries become empty texts.
EngineContextConfig BuildContextConfigFromProcess(int argc, char** argv);

class EngineContext {
public:
    static Result<EngineContext> Create(EngineContextConfig config);

    EngineContext(EngineContext&&) noexcept = default;
    EngineContext& operator=(EngineContext&&) noexcept = default;

    Logger& logger() { return m_logger; }
    const EngineContextConfig& config() const { return m_config; }
    bool IsGameBuild() const { return m_config.gameBuild; }

private:
    explicit EngineContext(EngineContextConfig config) : m_config(std::move(config)) {}

    EngineContextConfig m_config;
    Logger m_logger;
};

} // namespace korvane
