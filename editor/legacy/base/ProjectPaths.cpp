#include "editor/legacy/base/ProjectPaths.h"

#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

#include "editor/legacy/base/EditorLog.h"

std::string g_assetRoot;
char g_projectRoot[1024] = "";

namespace {

// a + "/" + b, built by appending (GCC 12 warns falsely about operator+ chains).
std::string SlashJoin(std::string_view a, std::string_view b) {
    std::string out;
    out.reserve(a.size() + 1 + b.size());
    out.append(a).append(1, '/').append(b);
    return out;
}

bool CanOpenForReading(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    std::fclose(f);
    return true;
}

bool HasEntry(const std::string& dir, const char* name) {
    return PathExistsPlain(JoinPathStr(dir, std::string(name)));
}

const std::string* EnvValue(const AssetRootInputs& in, const char* key) {
    auto it = in.env.find(key);
    return it == in.env.end() ? nullptr : &it->second;
}

std::string ReadProcSelfExe() {
    std::vector<char> buf(4096);
    for (;;) {
        ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size());
        if (n < 0) return {};
        if (static_cast<size_t>(n) < buf.size()) return std::string(buf.data(), static_cast<size_t>(n));
        buf.resize(buf.size() * 2);  // the name filled the buffer: it may be cut, try again
    }
}

std::string CurrentWorkingDir() {
    std::vector<char> buf(4096);
    for (;;) {
        if (getcwd(buf.data(), buf.size())) return std::string(buf.data());
        if (errno != ERANGE) return {};
        buf.resize(buf.size() * 2);
    }
}

}  // namespace

// ---- Asset root search -----------------------------------------------------

AssetRootInputs CurrentAssetRootInputs() {
    AssetRootInputs in;
    std::string exe = ReadProcSelfExe();
    if (!exe.empty()) in.exePath = exe;
    in.cwd = CurrentWorkingDir();
    for (const char* key : {"KORVANE_ASSET_DIR", "KORVANE_PROJECT_ROOT", "KORVANE_GAME_BUILD"}) {
        if (const char* v = std::getenv(key)) in.env[key] = v;
    }
    return in;
}

AssetRootResult ResolveAssetRoot(int argc, char** argv, const AssetRootInputs& in) {
    AssetRootResult r;
    const std::string* assetDir = EnvValue(in, "KORVANE_ASSET_DIR");
    const std::string* projEnv = EnvValue(in, "KORVANE_PROJECT_ROOT");
    const bool gameBuild = EnvValue(in, "KORVANE_GAME_BUILD") != nullptr;
    const bool hasProj = projEnv && !projEnv->empty();

    // 1. An explicit asset directory wins outright.
    if (assetDir && !assetDir->empty()) {
        r.assetRoot = NormalizePathBestEffort(*assetDir);
        r.rule = 1;
        return r;
    }

    // 2. The executable's directory.
    std::string exeDir;
    if (in.exePath && !in.exePath->empty()) {
        exeDir = PathDirname(NormalizePathBestEffort(*in.exePath));
    } else if (argc > 0 && argv && argv[0] && argv[0][0]) {
        std::string a0 = argv[0];
        if (a0[0] != '/' && !in.cwd.empty()) a0 = JoinPathStr(in.cwd, a0);
        exeDir = PathDirname(NormalizePathBestEffort(a0));
    }
    const bool haveExeDir = !exeDir.empty();

    // 3. Game runtime: the bundle carries its project in its Resources folder.
    if (gameBuild) {
        std::vector<std::string> cands;
        if (hasProj) {
            if ((*projEnv)[0] == '/') cands.push_back(*projEnv);
            if (haveExeDir) cands.push_back(JoinPathStr(exeDir, *projEnv));
        }
        if (haveExeDir) {
            cands.push_back(JoinPathStr(PathDirname(exeDir), std::string("Resources")));
            cands.push_back(JoinPathStr(exeDir, std::string("../Resources")));
        }
        for (const auto& c : cands) {
            std::string n = NormalizePathBestEffort(c);
            if (HasEntry(n, "Assets") || HasEntry(n, "Korvane.png") || HasEntry(n, "Roboto-Regular.ttf")) {
                r.assetRoot = n;
                r.projectRoot = n;
                r.rule = 3;
                return r;
            }
        }
        if (!cands.empty()) {
            r.assetRoot = NormalizePathBestEffort(cands.back());
            r.projectRoot = r.assetRoot;
            r.rule = 3;
            return r;
        }
    } else if (hasProj) {
        // 4. Editor started on a given project.
        std::string p = (*projEnv)[0] == '/' ? *projEnv : JoinPathStr(exeDir, *projEnv);
        r.assetRoot = NormalizePathBestEffort(p);
        r.projectRoot = r.assetRoot;
        r.rule = 4;
        return r;
    }

    // 5. Resources beside or above the executable, or the executable's folder.
    if (haveExeDir) {
        const std::string cands[] = {JoinPathStr(PathDirname(exeDir), std::string("Resources")),
                                     JoinPathStr(exeDir, std::string("../Resources")), exeDir};
        for (const auto& c : cands) {
            std::string n = NormalizePathBestEffort(c);
            if (HasEntry(n, "Roboto-Regular.ttf") || HasEntry(n, "Korvane.png")) {
                r.assetRoot = n;
                r.rule = 5;
                return r;
            }
        }
        r.assetRoot = exeDir;

        // 6. Walk upwards looking for the font.
        std::string root = r.assetRoot;
        for (int i = 0; i < 6; ++i) {
            if (CanOpenForReading(root + "/Roboto-Regular.ttf")) {
                r.assetRoot = root;
                r.rule = 6;
                return r;
            }
            size_t slash = root.rfind('/');
            if (slash == std::string::npos || slash == 0) break;
            root.resize(slash);
        }
    }

    // 7. The working directory.
    if (!in.cwd.empty() && CanOpenForReading(JoinPathStr(in.cwd, std::string("Roboto-Regular.ttf")))) {
        r.assetRoot = in.cwd;
        r.rule = 7;
        return r;
    }

    // 8. Last resort.
    r.assetRoot.assign(1, '.');
    r.rule = 8;
    return r;
}

bool SetProjectRoot(const std::string& root) {
    if (root.size() >= sizeof g_projectRoot) {
        Log(4, "Project root path is too long (%zu bytes, limit %zu): %s", root.size(),
            sizeof g_projectRoot - 1, root.c_str());
        return false;
    }
    std::memcpy(g_projectRoot, root.c_str(), root.size() + 1);
    return true;
}

void ApplyAssetRootResult(const AssetRootResult& r) {
    g_assetRoot = r.assetRoot;
    if (r.projectRoot) SetProjectRoot(*r.projectRoot);
}

void SetAssetRootFromArgv(int argc, char** argv) {
    ApplyAssetRootResult(ResolveAssetRoot(argc, argv, CurrentAssetRootInputs()));
}

// ---- Path helpers ----------------------------------------------------------

const char* AssetPath(const char* name) {
    // A fixed buffer, so a pointer from an earlier call stays valid (it then
    // reads the latest result) instead of dangling after a reallocation.
    static char shared[PATH_MAX];
    const size_t rootLen = g_assetRoot.size();
    const size_t nameLen = name ? std::strlen(name) : 0;
    if (rootLen + 1 + nameLen >= sizeof shared) {
        Log(4, "Asset path too long (%zu bytes): %s/%s", rootLen + 1 + nameLen, g_assetRoot.c_str(), name ? name : "");
        shared[0] = '\0';
        return shared;
    }
    std::memcpy(shared, g_assetRoot.data(), rootLen);
    shared[rootLen] = '/';
    if (nameLen) std::memcpy(shared + rootLen + 1, name, nameLen);
    shared[rootLen + 1 + nameLen] = '\0';
    return shared;
}

std::string NormalizePathBestEffort(const std::string& path) {
    if (path.empty()) return path;
    char* real = realpath(path.c_str(), nullptr);
    if (!real) return path;
    std::string out(real);
    std::free(real);
    return out;
}

std::string PathDirname(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return {};
    return path.substr(0, slash);
}

std::string JoinPathStr(const std::string& a, const std::string& b) {
    if (a.empty()) return b;
    if (b.empty()) return a;
    if (b[0] == '/') return b;
    if (a.back() == '/') return a + b;
    return SlashJoin(a, b);
}

std::string JoinPathStr(const std::string& a, const char* b) {
    if (!b || !*b) return a;
    if (b[0] == '/') return b;
    if (a.empty() || a == ".") return b;
    return SlashJoin(a, b);
}

bool PathExistsPlain(const std::string& path) {
    struct stat st;
    return !path.empty() && stat(path.c_str(), &st) == 0;
}

bool FileExists(const char* path) { return path && PathExistsPlain(path); }

std::string Ext(const std::string& path) {
    size_t dot = path.rfind('.');
    if (dot == std::string::npos) return {};
    return path.substr(dot);
}

bool MkdirP(const std::string& path) {
    if (path.empty()) return false;
    auto isDir = [](const std::string& p) {
        struct stat st;
        return stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    };
    // Usually only the last level is missing (or none): try it first.
    if (mkdir(path.c_str(), 0755) == 0) return true;
    if (errno != ENOENT) {
        const int err = errno;
        if (isDir(path)) return true;
        errno = err;
        return false;
    }
    // Each prefix that ends before a "/" (after the first character), then
    // the whole path. Errors on prefixes are ignored: the final check says
    // whether the directory is there.
    std::string prefix;
    prefix.reserve(path.size());
    for (size_t i = 1; i < path.size(); ++i) {
        if (path[i] == '/') {
            prefix.assign(path, 0, i);
            mkdir(prefix.c_str(), 0755);
        }
    }
    if (mkdir(path.c_str(), 0755) == 0) return true;
    const int err = errno;
    if (isDir(path)) return true;
    errno = err;
    return false;
}

std::string HomeDir() {
    const char* h = std::getenv("HOME");
    if (!h || !*h) return ".";
    return h;
}

bool ResolvePath(const char* path, char* out, size_t size) {
    if (!out || size == 0) return false;
    out[0] = '\0';
    if (!path) return false;
    std::string result;
    if (path[0] == '~' && (path[1] == '\0' || path[1] == '/')) {
        result = HomeDir() + (path + 1);
    } else {
        result = path;
    }
    if (result.size() >= size) {
        Log(4, "Path is too long (%zu bytes, limit %zu): %s", result.size(), size - 1, result.c_str());
        return false;
    }
    std::memcpy(out, result.c_str(), result.size() + 1);
    return true;
}

std::string ProjectAssetsDir() { return std::string(g_projectRoot) + "/Assets"; }

std::string ResolveProjectAssetPath(const char* path) {
    if (!path || !*path) return {};
    if (path[0] == '/' || std::strstr(path, "://")) return path;
    return SlashJoin(ProjectAssetsDir(), path);
}

std::string ProjectRelativeAssetPath(const char* path) {
    if (!path || !*path) return {};
    const std::string prefix = SlashJoin(ProjectAssetsDir(), "");
    const size_t len = std::strlen(path);
    if (len >= prefix.size() && std::memcmp(path, prefix.data(), prefix.size()) == 0) {
        return std::string(path + prefix.size(), len - prefix.size());
    }
    return path;
}
