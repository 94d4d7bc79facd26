#include "editor/legacy/base/RecentScripts.h"

#include <algorithm>

std::vector<std::string> g_recentScriptFiles;

void AddRecentScriptFile(const std::string& path) {
    if (path.empty()) return;
    g_recentScriptFiles.erase(std::remove(g_recentScriptFiles.begin(), g_recentScriptFiles.end(), path),
                              g_recentScriptFiles.end());
    g_recentScriptFiles.insert(g_recentScriptFiles.begin(), path);
    if (g_recentScriptFiles.size() > kRecentScriptFilesMax) g_recentScriptFiles.resize(kRecentScriptFilesMax);
}
