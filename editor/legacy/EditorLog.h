#pragma once
// The editor log: one in-memory list shown by the console. Safe to call from
// any thread; entries keep the order in which Log was called.
//
//   Log(level, format, ...)   2 info, 3 warning, 4 error (1 = unclassified)
//   LogSnapshot()             copy of the entries, for drawing or tests
//   LogClear()                empty the list ("Clear" in the console)

#include <cstddef>
#include <string>
#include <vector>

struct LogEntry {
    std::string text;
    int level = 2;
};

void Log(int level, const char* format, ...) __attribute__((format(printf, 2, 3)));
std::vector<LogEntry> LogSnapshot();
size_t LogCount();
void LogClear();
