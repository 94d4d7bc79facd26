#pragma once
// The scripts opened most recently, newest first, at most eight. The script
// editor adds to it; the editor layout state stores it with the project.
//
//   g_recentScriptFiles, kRecentScriptFilesMax, AddRecentScriptFile

#include <string>
#include <vector>

constexpr size_t kRecentScriptFilesMax = 8;
extern std::vector<std::string> g_recentScriptFiles;

// Moves path to the front (every equal entry removed first) and keeps at most
// kRecentScriptFilesMax entries. An empty path changes nothing.
void AddRecentScriptFile(const std::string& path);
