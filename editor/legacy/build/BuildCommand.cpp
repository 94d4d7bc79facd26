#include "editor/legacy/build/BuildCommand.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <strings.h>

#include "editor/legacy/base/EditorLog.h"
#include "editor/legacy/base/ProjectPaths.h"

const char* const kBuildCommandUsage =
    "--build <projectDir> [--platform Linux|macOS|Windows] [--config Debug|Release|Shipping] [--package] "
    "[--output DIR] [--run]";
const char* const kBuildCommandSummary =
    "build the project into a game bundle without opening a window (exit 0 on success, 1 on failure)";

std::string (*g_buildCommandProjectName)(const std::string& root) = nullptr;

namespace {

int IndexOf(const std::string& v, const char* const* names, int n) {
    for (int i = 0; i < n; ++i)
        if (strcasecmp(v.c_str(), names[i]) == 0) return i;
    return -1;
}

std::string Absolute(const std::string& p) {
    if (p.empty() || p[0] == '/') return p;
    char cwd[4096];
    if (!getcwd(cwd, sizeof cwd)) return p;
    return std::string(cwd) + "/" + p;
}

std::string LastComponent(std::string p) {
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    size_t slash = p.rfind('/');
    return slash == std::string::npos ? p : p.substr(slash + 1);
}

} // namespace

bool ParseBuildCommand(const std::vector<std::string>& args, BuildCommandArgs* out, std::string* error) {
    static const char* const kPlatforms[] = {"Windows", "Linux", "macOS"};
    static const char* const kConfigs[] = {"Debug", "Release", "Shipping"};
    BuildCommandArgs r;
    r.settings.outputName = "Build";
    r.settings.platform = 1;
    r.settings.config = 1;
    r.settings.cook = true;
    r.settings.package = false;
    r.settings.launch = false;
    r.settings.fastPath = true;
    r.settings.openOutput = false;
    auto bad = [&](const std::string& why) {
        if (error) *error = why;
        return false;
    };
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string* v) {
            if (i + 1 >= args.size() || args[i + 1].empty()) return false;
            *v = args[++i];
            return true;
        };
        std::string v;
        if (a == "--help" || a == "-h") {
            r.help = true;
        } else if (a == "--platform") {
            if (!value(&v)) return bad("--platform needs a value: Linux, macOS or Windows");
            int p = IndexOf(v, kPlatforms, 3);
            if (p < 0) return bad("unknown platform \"" + v + "\" (Linux, macOS or Windows)");
            r.settings.platform = p;
        } else if (a == "--config") {
            if (!value(&v)) return bad("--config needs a value: Debug, Release or Shipping");
            int c = IndexOf(v, kConfigs, 3);
            if (c < 0) return bad("unknown configuration \"" + v + "\" (Debug, Release or Shipping)");
            r.settings.config = c;
        } else if (a == "--package") {
            r.settings.package = true;
        } else if (a == "--run") {
            r.settings.launch = true;
        } else if (a == "--output") {
            if (!value(&v)) return bad("--output needs a folder");
            r.settings.outputName = Absolute(v);
        } else if (!a.empty() && a[0] == '-') {
            return bad("unknown option " + a);
        } else if (r.projectDir.empty()) {
            r.projectDir = a;
        } else {
            return bad("more than one project folder given (" + r.projectDir + ", " + a + ")");
        }
    }
    if (!r.help && r.projectDir.empty()) return bad("no project folder given");
    if (out) *out = r;
    return true;
}

int RunBuildCommand(int argc, char** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i] ? argv[i] : "");
    BuildCommandArgs cmd;
    std::string error;
    if (!ParseBuildCommand(args, &cmd, &error)) {
        std::fprintf(stderr, "korvane --build: %s\nUsage: korvane %s\n", error.c_str(), kBuildCommandUsage);
        return 2;
    }
    if (cmd.help) {
        std::printf("Usage: korvane %s\n  %s\n", kBuildCommandUsage, kBuildCommandSummary);
        return 0;
    }
    std::string root = NormalizePathBestEffort(Absolute(cmd.projectDir));
    struct stat st;
    if (stat(root.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        std::fprintf(stderr, "Build failed: %s is not a folder\n", cmd.projectDir.c_str());
        return 1;
    }
    std::string assets = root + "/Assets";
    if (stat(assets.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        std::fprintf(stderr, "Build failed: %s is not a Korvane project (it has no Assets folder)\n", root.c_str());
        return 1;
    }

    // Warnings of the file copies and the launch go to stderr as they happen.
    LogSetStderrMirror(true);
    char* argv0 = argv[0];
    SetAssetRootFromArgv(1, &argv0);

    BuildContext ctx;
    ctx.projectRoot = root;
    std::string registered = g_buildCommandProjectName ? g_buildCommandProjectName(root) : "";
    ctx.projectName = registered.empty() ? LastComponent(root) : registered;
    ctx.assetRoot = g_assetRoot;
    if (access("/proc/self/exe", R_OK) == 0) ctx.executablePath = "/proc/self/exe";
    ctx.homeDir = HomeDir();
    ctx.onLogLine = [](const char* line) {
        std::fputs(line, stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);
    };
    static char logBuffer[32768];
    logBuffer[0] = '\0';
    BuildReport report;
    bool ok = false;
    try {
        ok = DoBuildGame(ctx, cmd.settings, logBuffer, sizeof logBuffer, &report);
    } catch (const std::exception& e) {
        report.failure = e.what();
    } catch (...) {
        report.failure = "unexpected error";
    }
    if (!ok) {
        std::fprintf(stderr, "Build failed: %s\n", report.failure.empty() ? "unknown error" : report.failure.c_str());
        return 1;
    }
    if (cmd.settings.launch && !report.launched) {
        std::fprintf(stderr, "Build succeeded, but the game could not be started\n");
        return 1;
    }
    return 0;
}
