#include "editor/legacy/base/RecentScripts.h"

#include <algorithm>

std::vector<std::string> g_recentScriptFiles;

void AddRecentScriptFile(const std::string& path) {
    if (path.empty()) return;
    auto& list = g_recentScriptFiles;
    list.erase(std::remove(list.begin(), list.end(), path), list.end());
    list.insert(list.begin(), path);
    if (list.size() > kMaxRecentScripts) list.resize(kMaxRecentScripts);
}
