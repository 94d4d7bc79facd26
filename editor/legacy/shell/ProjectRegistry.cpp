#include "editor/legacy/shell/ProjectRegistry.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "editor/legacy/base/AppState.h"
#include "editor/legacy/base/EditorLog.h"
#include "editor/legacy/scene/Entity.h"
#include "editor/legacy/base/ProjectPaths.h"
#include "engine/platform/FileSystem.h"

std::vector<std::string> g_projNames;
std::vector<std::string> g_projRoots;
std::vector<int64_t> g_projModTimes;
std::string g_projFile;
bool g_projectsLoaded = false;
bool g_projectsDirty = true;
char g_projPath[256] = "";

namespace {

constexpr uint64_t kRegistryMaxBytes = 16u << 20;

// Newest first; equal times keep their order.
void SortProjectsByTime() {
    const size_t n = g_projRoots.size();
    std::vector<size_t> order(n);
    for (size_t i = 0; i < n; ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [](size_t a, size_t b) { return g_projModTimes[a] > g_projModTimes[b]; });
    std::vector<std::string> names, roots;
    std::vector<int64_t> times;
    for (size_t i : order) {
        names.push_back(std::move(g_projNames[i]));
        roots.push_back(std::move(g_projRoots[i]));
        times.push_back(g_projModTimes[i]);
    }
    g_projNames = std::move(names);
    g_projRoots = std::move(roots);
    g_projModTimes = std::move(times);
}

// The file a rename must replace: a registry kept as a symbolic link (for
// example into a dotfiles folder) stays a link to the updated file.
std::string RegistryWriteTarget(const std::string& path) {
    struct stat st {};
    if (lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        char resolved[PATH_MAX];
        if (realpath(path.c_str(), resolved)) return resolved;
    }
    return path;
}

} // namespace

std::vector<RegistryEntry> ParseRegistryText(const std::string& text) {
    std::vector<RegistryEntry> out;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        size_t bar = line.find('|');
        if (bar == std::string::npos) continue;
        RegistryEntry e{line.substr(0, bar), line.substr(bar + 1)};
        if (e.root.empty()) continue;
        out.push_back(std::move(e));
    }
    return out;
}

std::string RegistryText(const std::vector<std::string>& names, const std::vector<std::string>& roots) {
    std::string text;
    for (size_t i = 0; i < roots.size() && i < names.size(); ++i) {
        text += SanitizeProjectName(names[i]);
        text += '|';
        text += roots[i];
        text += '\n';
    }
    return text;
}

std::string SanitizeProjectName(const std::string& name) {
    std::string out = name;
    for (char& c : out) {
        unsigned char u = static_cast<unsigned char>(c);
        if (c == '|' || u < 0x20 || u == 0x7f) c = '_';
    }
    if (out.empty()) out = "Untitled";
    return out;
}

bool IsRegistrableRoot(const std::string& root) {
    if (root.empty()) return false;
    for (unsigned char c : root) {
        if (c < 0x20 || c == 0x7f) return false;
    }
    return true;
}

std::string ProjectRegistryPath() { return HomeDir() + "/.korvane_projects"; }

int64_t PathModTime(const std::string& path) {
    struct stat st {};
    if (path.empty() || stat(path.c_str(), &st) != 0) return 0;
    return int64_t(st.st_mtime);
}

void EnsureProjectsLoaded() {
    if (!g_projectsLoaded || g_projectsDirty) LoadProjects();
}

void LoadProjects() {
    if (g_projFile.empty()) g_projFile = ProjectRegistryPath();
    g_projNames.clear();
    g_projRoots.clear();
    g_projModTimes.clear();
    g_projectsLoaded = true;
    g_projectsDirty = false;
    if (!korvane::platform::FileExists(g_projFile)) return;
    auto text = korvane::platform::ReadTextFile(g_projFile, kRegistryMaxBytes);
    if (!text.ok()) {
        Log(3, "Project list not read: %s", text.status().message().c_str());
        return;
    }
    for (RegistryEntry& e : ParseRegistryText(text.value())) {
        g_projModTimes.push_back(PathModTime(e.root));
        g_projNames.push_back(std::move(e.name));
        g_projRoots.push_back(std::move(e.root));
    }
    SortProjectsByTime();
}

bool SaveProjects() {
    g_projectsLoaded = true;
    g_projectsDirty = false;
    if (g_projFile.empty()) g_projFile = ProjectRegistryPath();
    const std::string text = RegistryText(g_projNames, g_projRoots);
    const std::string target = RegistryWriteTarget(g_projFile);
    const std::string tmp = target + ".tmp" + std::to_string(getpid());
    int fd = open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        Log(4, "Could not save the project list %s: %s", g_projFile.c_str(), std::strerror(errno));
        return false;
    }
    bool ok = true;
    size_t done = 0;
    while (ok && done < text.size()) {
        ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) ok = false;
        else done += size_t(n);
    }
    int err = ok ? 0 : errno;
    if (ok && fsync(fd) != 0) { ok = false; err = errno; }
    if (close(fd) != 0 && ok) { ok = false; err = errno; }
    if (ok && rename(tmp.c_str(), target.c_str()) != 0) { ok = false; err = errno; }
    if (!ok) {
        unlink(tmp.c_str());
        Log(4, "Could not save the project list %s: %s", g_projFile.c_str(), std::strerror(err ? err : EIO));
        return false;
    }
    return true;
}

bool AddProject(const std::string& name, const std::string& root) {
    if (!IsRegistrableRoot(root)) {
        Log(4, "Project not registered: the path is empty or holds control characters");
        return false;
    }
    // Saving a list that was never read would drop every registered project.
    EnsureProjectsLoaded();
    const std::string clean = SanitizeProjectName(name);
    for (size_t i = 0; i < g_projRoots.size(); ++i) {
        if (g_projRoots[i] == root) {
            g_projNames[i] = clean;
            g_projModTimes[i] = PathModTime(root);
            return SaveProjects();
        }
    }
    g_projNames.push_back(clean);
    g_projRoots.push_back(root);
    g_projModTimes.push_back(PathModTime(root));
    SortProjectsByTime();
    return SaveProjects();
}

bool RemoveProjectAt(int i) {
    if (i < 0 || size_t(i) >= g_projRoots.size()) return false;
    g_projNames.erase(g_projNames.begin() + i);
    g_projRoots.erase(g_projRoots.begin() + i);
    g_projModTimes.erase(g_projModTimes.begin() + i);
    return SaveProjects();
}

bool CreateProjectDirs(const std::string& root) {
    if (root.empty()) {
        Log(4, "Project not created: no path given");
        return false;
    }
    const char* subdirs[] = {"", "/Assets", "/Assets/Scripts", "/Assets/Scenes", "/Build"};
    for (const char* sub : subdirs) {
        korvane::Status s = korvane::platform::EnsureDirectory(root + sub);
        if (!s.ok()) {
            Log(4, "Project not created: %s", s.message().c_str());
            return false;
        }
    }
    Log(2, "Project created: %s", root.c_str());
    return true;
}

bool SelectProjectByIndex(int i) {
    if (i < 0 || size_t(i) >= g_projRoots.size()) return false;
    if (!SetProjectRoot(g_projRoots[i])) return false;
    CopyTextField(g_projName, g_projNames[i]);
    return true;
}

std::string RelativeTimeCaption(int64_t now, int64_t modTime) {
    const double s = double(now - modTime);
    char buf[64];
    if (s < 60) return "Just now";
    if (s < 3600) {
        std::snprintf(buf, sizeof buf, "%.0f min ago", s / 60.0);
        return buf;
    }
    if (s < 86400) {
        std::snprintf(buf, sizeof buf, "%.0f hours ago", s / 3600.0);
        return buf;
    }
    if (s < 172800) return "Yesterday";
    if (s < 604800) {
        std::snprintf(buf, sizeof buf, "%.0f days ago", s / 86400.0);
        return buf;
    }
    time_t t = time_t(modTime);
    struct tm tmv {};
    if (!localtime_r(&t, &tmv)) return std::string();
    if (std::strftime(buf, sizeof buf, "%b %d, %Y", &tmv) == 0) return std::string();
    return buf;
}

std::string PathLastComponent(const std::string& path) {
    std::string p = path;
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    size_t slash = p.rfind('/');
    if (slash == std::string::npos) return p;
    if (slash + 1 == p.size()) return p;  // "/" itself
    return p.substr(slash + 1);
}
