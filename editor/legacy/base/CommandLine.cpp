#include "editor/legacy/base/CommandLine.h"

#include <cstring>

std::string CommandLineHelp(const char* program, const CommandOption* options, size_t count) {
    const char* prog = program && *program ? program : "korvane";
    const char* slash = std::strrchr(prog, '/');
    if (slash) prog = slash + 1;
    std::string t = "Usage:\n";
    t += std::string("  ") + prog + "                 start the editor\n";
    for (size_t i = 0; i < count; ++i) {
        t += std::string("  ") + prog + " " + options[i].usage + "\n";
        t += std::string("      ") + options[i].summary + "\n";
    }
    t += std::string("  ") + prog + " --help          show this help\n";
    return t;
}

bool DispatchCommandLine(int argc, char** argv, const CommandOption* options, size_t count, int* exitCode,
                         FILE* out, FILE* err) {
    if (argc < 2 || !argv || !argv[1] || argv[1][0] != '-') return false;
    const char* arg = argv[1];
    const char* program = argv[0];
    int code = 2;
    if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
        std::fputs(CommandLineHelp(program, options, count).c_str(), out);
        code = 0;
    } else {
        bool found = false;
        for (size_t i = 0; i < count; ++i) {
            if (std::strcmp(arg, options[i].name) == 0) {
                std::fflush(out);
                code = options[i].run(argc - 1, argv + 1);
                found = true;
                break;
            }
        }
        if (!found) {
            std::fprintf(err, "Unknown option: %s\n", arg);
            std::fputs(CommandLineHelp(program, options, count).c_str(), err);
            code = 2;
        }
    }
    if (exitCode) *exitCode = code;
    return true;
}
