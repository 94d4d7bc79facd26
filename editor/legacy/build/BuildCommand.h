#pragma once
// The headless build for pipelines:
//   korvane --build <projectDir> [--platform Linux|macOS|Windows]
//           [--config Debug|Release|Shipping] [--package] [--output DIR] [--run]
// No window opens; the build log lines are printed as they come; exit 0 on
// success, 1 on a failed build (the reason on stderr), 2 on a usage error.

#include <functional>
#include <string>
#include <vector>

#include "editor/legacy/build/BuildGame.h"

extern const char* const kBuildCommandUsage;
extern const char* const kBuildCommandSummary;

struct BuildCommandArgs {
    std::string projectDir;
    BuildSettings settings;  // the defaults of a Cmd/Ctrl+B build, launch off
    bool help = false;
};
// args are what follows "--build". False with *error for a usage error.
bool ParseBuildCommand(const std::vector<std::string>& args, BuildCommandArgs* out, std::string* error);

// The registered name of a project root, or "" when it is not registered
// (the folder's name is used then). Installed by the process entry.
extern std::string (*g_buildCommandProjectName)(const std::string& root);

// argv[0] is "--build". Sets the asset root from the running executable.
int RunBuildCommand(int argc, char** argv);
