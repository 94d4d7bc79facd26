#include "editor/legacy/platform/OpenPath.h"

#include <cerrno>
#include <cstring>
#include <string>

#include "editor/legacy/base/EditorLog.h"
#include "editor/legacy/platform/Spawn.h"

std::string OpenPathTarget(const char* path, bool reveal) {
    if (!path || !*path) return {};
    std::string target = path;
    while (target.size() > 1 && target.back() == '/') target.pop_back();
    if (reveal) {
        size_t slash = target.rfind('/');
        if (slash == std::string::npos) target = ".";
        else if (slash == 0) target = "/";
        else target.resize(slash);
    }
    if (target[0] != '/' && target.compare(0, 2, "./") != 0 && target != ".") target = "./" + target;
    return target;
}

bool OpenPath(const char* path, bool reveal) {
    std::string target = OpenPathTarget(path, reveal);
    if (target.empty()) return false;
    SpawnOptions options;
    options.detached = true;
    pid_t pid = SpawnProcess({"xdg-open", target}, options);
    if (pid < 0) {
        int err = errno;
        if (err == ENOENT) {
            Log(3, "Cannot open %s: xdg-open was not found (install xdg-utils)", target.c_str());
        } else {
            Log(3, "Cannot open %s: xdg-open could not be started (%s)", target.c_str(), std::strerror(err));
        }
        return false;
    }
    return true;
}
