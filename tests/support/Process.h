#pragma once
// Runs a program with an argument vector (posix_spawn, never a shell) and
// collects its exit code and output, for end-to-end tests.

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace korvane::test {

struct ProcessResult {
    int exitCode = -1;      // -1 when it did not exit normally
    int signal = 0;         // the terminating signal, if any
    std::string out;
    std::string err;
};

struct ProcessOptions {
    // Variables to set (a value) or remove (nullopt); others are inherited.
    std::map<std::string, std::optional<std::string>> env;
    std::string workDir;
    double timeoutSeconds = 60;
};

ProcessResult RunProcess(const std::vector<std::string>& argv, const ProcessOptions& options = {});

// Splits text into lines (without their "\n").
std::vector<std::string> SplitLines(const std::string& text);

} // namespace korvane::test
