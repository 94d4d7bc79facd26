#pragma once
// The scripts opened most recently, most recent first. The script editor adds
// to it; the layout state keeps it per project.
//
//   g_recentScriptFiles        at most kMaxRecentScripts paths
//   AddRecentScriptFile(path)  moves or inserts path at the front

#include <string>
#include <vector>

constexpr size_t kMaxRecentScripts = 8;

extern std::vector<std::string> g_recentScriptFiles;

// Removes every entry equal to path, inserts it at the front and keeps the
// first kMaxRecentScripts. An empty path changes nothing.
void AddRecentScriptFile(const std::string& path);
