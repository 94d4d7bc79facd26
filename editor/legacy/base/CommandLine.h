#pragma once
// Options at the process entry that run a command instead of the editor
// (`korvane --build ...`). Each command is one row of a table handed to
// DispatchCommandLine; the editor starts as before when the first argument is
// not an option.

#include <cstddef>
#include <cstdio>
#include <string>

struct CommandOption {
    const char* name;     // "--build"
    const char* usage;    // "--build <projectDir> [--platform Linux|macOS|Windows] ..."
    const char* summary;  // one line for the help
    // argv[0] is the option itself; the result is the process exit code.
    int (*run)(int argc, char** argv);
};

// The help text: a usage line per command and "--help".
std::string CommandLineHelp(const char* program, const CommandOption* options, size_t count);

// When argv[1] starts with "-": "--help" or "-h" prints the help to out and
// gives 0; a listed option runs its command; anything else prints the help
// to err and gives 2. Returns true then, with *exitCode set. False (nothing
// printed) when there is no option: the editor starts.
bool DispatchCommandLine(int argc, char** argv, const CommandOption* options, size_t count, int* exitCode,
                         FILE* out = stdout, FILE* err = stderr);
