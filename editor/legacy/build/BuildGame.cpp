#include "editor/legacy/build/BuildGame.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <system_error>

#include "editor/legacy/base/AppState.h"
#include "editor/legacy/base/AtomicFile.h"
#include "editor/legacy/base/EditorLog.h"
#include "editor/legacy/base/ProjectPaths.h"
#include "editor/legacy/build/BuildHash.h"
#include "editor/legacy/build/BuildJob.h"
#include "editor/legacy/platform/OpenPath.h"
#include "editor/legacy/platform/Spawn.h"

namespace fs = std::filesystem;

namespace {

std::string Join(std::string_view a, std::string_view b) {
    std::string out;
    out.reserve(a.size() + 1 + b.size());
    out.append(a).append(1, '/').append(b);
    return out;
}

bool IsDir(const std::string& p) {
    struct stat st;
    return !p.empty() && stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsRegular(const std::string& p, struct stat* out = nullptr) {
    struct stat st;
    if (p.empty() || stat(p.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    if (out) *out = st;
    return true;
}

// Lines go to the build log buffer (through AppendLog) and to the context's
// sink, in the order they are written.
class BuildLogger {
public:
    BuildLogger(char* buffer, int capacity, const std::function<void(const char*)>& sink)
        : buffer_(buffer), capacity_(capacity), sink_(sink) {
        if (buffer_ && capacity_ > 0) {
            std::lock_guard<std::mutex> lock(g_buildMutex);
            length_ = static_cast<int>(strnlen(buffer_, static_cast<size_t>(capacity_ - 1)));
        }
    }
    void Line(const char* format, ...) __attribute__((format(printf, 2, 3))) {
        char line[512];
        va_list ap;
        va_start(ap, format);
        int n = std::vsnprintf(line, sizeof line, format, ap);
        va_end(ap);
        if (n < 0) return;
        AppendLog(buffer_, &length_, capacity_, "%s", line);
        if (sink_) sink_(line);
    }

private:
    char* buffer_;
    int capacity_;
    int length_ = 0;
    const std::function<void(const char*)>& sink_;
};

// Lexically normalised absolute form, with the longest existing prefix
// resolved (links, "..").
std::string CanonicalBestEffort(const std::string& p) {
    std::error_code ec;
    fs::path abs = fs::absolute(fs::path(p), ec);
    if (ec) return p;
    fs::path canon = fs::weakly_canonical(abs, ec);
    return (ec ? abs.lexically_normal() : canon).string();
}

bool PathInside(const std::string& child, const std::string& parent) {
    if (parent.empty()) return false;
    std::string c = child, pr = parent;
    while (c.size() > 1 && c.back() == '/') c.pop_back();
    while (pr.size() > 1 && pr.back() == '/') pr.pop_back();
    return c == pr || (c.size() > pr.size() && c.compare(0, pr.size(), pr) == 0 && c[pr.size()] == '/');
}

// Removes everything under dir whose path relative to the bundle's resources
// (prefix + "/" + name) is not in keep; empty folders go too.
void PruneStale(const std::string& dir, const std::string& prefix, const std::set<std::string>& keep,
                const std::set<std::string>& keepDirs, int& removed) {
    std::error_code ec;
    fs::directory_iterator it(dir, ec), end;
    if (ec) return;
    std::vector<std::pair<std::string, std::string>> entries;
    for (; it != end; it.increment(ec)) {
        if (ec) break;
        std::string name = it->path().filename().string();
        entries.emplace_back(it->path().string(), prefix + "/" + name);
    }
    for (const auto& [full, rel] : entries) {
        std::error_code sec;
        fs::file_status st = fs::symlink_status(full, sec);
        if (sec) continue;
        if (fs::is_directory(st)) {
            PruneStale(full, rel, keep, keepDirs, removed);
            if (!keepDirs.count(rel) && fs::is_empty(full, sec) && !sec) fs::remove(full, sec);
        } else if (!keep.count(rel)) {
            if (fs::remove(full, sec) && !sec) ++removed;
        }
    }
}

void AddParentDirs(const std::string& rel, std::set<std::string>& dirs) {
    for (size_t slash = rel.find('/'); slash != std::string::npos; slash = rel.find('/', slash + 1))
        dirs.insert(rel.substr(0, slash));
}

bool ValidImportFolder(std::string_view f) {
    if (f.empty() || f == "." || f == "..") return false;
    for (unsigned char c : f)
        if (c < 0x20 || c == 0x7f || c == '"' || c == '\\') return false;
    return true;
}

void ScanScenes(const std::string& dir, std::set<std::string>& out, int depth) {
    if (depth > 64) return;
    std::error_code ec;
    fs::directory_iterator it(dir, ec), end;
    if (ec) return;
    for (; it != end; it.increment(ec)) {
        if (ec) break;
        std::string name = it->path().filename().string();
        if (name.empty() || name[0] == '.') continue;
        std::error_code sec;
        fs::file_status st = fs::status(it->path(), sec);
        if (sec) continue;
        if (fs::is_directory(st) && !fs::is_symlink(it->symlink_status(sec))) {
            ScanScenes(it->path().string(), out, depth + 1);
            continue;
        }
        if (!fs::is_regular_file(st) || name.size() < 8 || name.compare(name.size() - 8, 8, ".korvane") != 0)
            continue;
        constexpr std::uintmax_t kMaxSceneBytes = 64u << 20;
        std::uintmax_t size = fs::file_size(it->path(), sec);
        if (sec || size > kMaxSceneBytes) continue;
        std::ifstream in(it->path(), std::ios::binary);
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        static const std::string kMarker = "../Library/Imported/";
        for (size_t at = text.find(kMarker); at != std::string::npos; at = text.find(kMarker, at + 1)) {
            size_t start = at + kMarker.size();
            size_t stop = text.find_first_of("/\"\n", start);
            if (stop == std::string::npos || text[stop] != '/') continue;
            std::string folder = text.substr(start, stop - start);
            if (ValidImportFolder(folder)) out.insert(folder);
        }
    }
}

std::string FileNameOf(const std::string& path) {
    char target[4096];
    std::string shown = path;
    ssize_t n = readlink(path.c_str(), target, sizeof target - 1);
    if (n > 0) shown.assign(target, static_cast<size_t>(n));
    size_t slash = shown.rfind('/');
    return slash == std::string::npos ? shown : shown.substr(slash + 1);
}

std::string ShellSingleQuote(const std::string& s) {
    std::string out = "'";
    for (char c : s) {
        if (c == '\'') out += "'\\''";
        else out += c;
    }
    out += "'";
    return out;
}

} // namespace

const char* BuildPlatformName(int platform) {
    static const char* kNames[] = {"Windows", "Linux", "macOS"};
    return kNames[std::clamp(platform, 0, 2)];
}

const char* BuildConfigName(int config) {
    static const char* kNames[] = {"Debug", "Release", "Shipping"};
    return kNames[std::clamp(config, 0, 2)];
}

bool BundleNameForProject(const std::string& projectName, std::string* out, std::string* why) {
    std::string name;
    name.reserve(projectName.size());
    for (unsigned char c : projectName) {
        if (c == '\0') break;
        name.push_back(c == '/' || c < 0x20 || c == 0x7f ? '_' : static_cast<char>(c));
    }
    if (name.empty() || name == "." || name == "..") {
        if (why) *why = "the project name \"" + name + "\" cannot name a game bundle; rename the project";
        return false;
    }
    if (out) *out = name;
    return true;
}

std::string XmlEscape(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        default: out += c;
        }
    }
    return out;
}

std::string BundleIdentifierFor(const std::string& name) {
    std::string kept;
    for (char c : name)
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '-')
            kept += c;
    return "com.korvane." + (kept.empty() ? std::string("game") : kept);
}

std::string InfoPlistText(const std::string& name) {
    const std::string n = XmlEscape(name);
    std::string t;
    t += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    t += "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n";
    t += "<plist version=\"1.0\">\n<dict>\n";
    auto kv = [&t](const char* key, const std::string& value) {
        t += "\t<key>";
        t += key;
        t += "</key>\n\t<string>";
        t += value;
        t += "</string>\n";
    };
    kv("CFBundleExecutable", n);
    kv("CFBundleIdentifier", XmlEscape(BundleIdentifierFor(name)));
    kv("CFBundleName", n);
    kv("CFBundleDisplayName", n);
    kv("CFBundleVersion", "1.0");
    kv("CFBundleShortVersionString", "1.0");
    kv("CFBundlePackageType", "APPL");
    kv("CFBundleInfoDictionaryVersion", "6.0");
    kv("LSMinimumSystemVersion", "12.0");
    t += "\t<key>NSHighResolutionCapable</key>\n\t<true/>\n";
    t += "\t<key>LSEnvironment</key>\n\t<dict>\n";
    t += "\t\t<key>KORVANE_PROJECT_ROOT</key>\n\t\t<string>../Resources</string>\n";
    t += "\t\t<key>KORVANE_GAME_BUILD</key>\n\t\t<string>1</string>\n";
    t += "\t</dict>\n</dict>\n</plist>\n";
    return t;
}

std::string LaunchScriptText(const std::string& name) {
    std::string exe = "./" + name + ".app/Contents/MacOS/" + name;
    std::string t = "#!/bin/bash\n";
    t += "cd \"$(dirname \"$0\")\" || exit 1\n";
    t += "unset KORVANE_ASSET_DIR\n";
    t += "export KORVANE_GAME_BUILD=1\n";
    t += "export KORVANE_PROJECT_ROOT=../Resources\n";
    t += "exec " + ShellSingleQuote(exe) + " \"$@\"\n";
    return t;
}

const std::vector<std::string>& EngineFileNames() {
    static const std::vector<std::string> kFiles = [] {
        std::vector<std::string> v = {"Korvane.png", "Roboto-Regular.ttf", "MaterialIcons.ttf", "Loader.jpg"};
        const char* icons[] = {"camera",  "light",   "mesh",     "script",      "object",    "play",
                               "pause",   "stop",    "folder",   "code",        "image",     "audio",
                               "model",   "scene",   "file",     "back",        "up",        "new",
                               "grid",    "listview", "forward", "move",        "rotate",    "scale",
                               "snap",    "open",    "save",     "reload",      "search",    "replace",
                               "analyze", "wrap",    "panel",    "problems",    "lock_closed", "lock_open"};
        for (const char* i : icons) v.push_back(std::string("icons/") + i + ".png");
        return v;
    }();
    return kFiles;
}

std::string PackageSizeText(long long bytes) {
    if (bytes < 0) return "";
    char buf[64];
    if (bytes > 1048575) std::snprintf(buf, sizeof buf, "%.1f MB", double(bytes) / 1048576.0);
    else std::snprintf(buf, sizeof buf, "%.1f KB", double(bytes) / 1024.0);
    return buf;
}

std::vector<std::string> ImportedModelFoldersInScenes(const std::string& assetsDir) {
    std::set<std::string> found;
    ScanScenes(assetsDir, found, 0);
    return {found.begin(), found.end()};
}

bool LaunchGameBundle(const std::string& appPath, const std::string& bundleName) {
    std::string exe = Join(Join(appPath, "Contents/MacOS"), bundleName);
    SpawnOptions options;
    options.detached = true;
    options.workDir = PathDirname(appPath);
    // The editor's own asset folder would win over the bundle's resources.
    options.env = {"KORVANE_GAME_BUILD=1", "KORVANE_PROJECT_ROOT=../Resources", "KORVANE_ASSET_DIR"};
    if (SpawnProcess({exe}, options) < 0) {
        Log(4, "Could not start the game %s: %s", exe.c_str(), std::strerror(errno));
        return false;
    }
    return true;
}

BuildContext CurrentBuildContext() {
    BuildContext c;
    c.projectRoot = g_projectRoot;
    c.projectName = g_projName;
    c.assetRoot = g_assetRoot;
    // The running image itself, also when the file on disk was replaced.
    if (access("/proc/self/exe", R_OK) == 0) c.executablePath = "/proc/self/exe";
    c.homeDir = HomeDir();
    return c;
}

bool DoBuildGame(const char* outputName, int platform, int config, bool cook, bool package, bool launch,
                 bool fastPath, bool openOutput, char* logBuffer, int logCapacity) {
    BuildSettings s;
    s.outputName = outputName && *outputName ? outputName : "Build";
    s.platform = platform;
    s.config = config;
    s.cook = cook;
    s.package = package;
    s.launch = launch;
    s.fastPath = fastPath;
    s.openOutput = openOutput;
    return DoBuildGame(CurrentBuildContext(), s, logBuffer, logCapacity);
}

bool DoBuildGame(const BuildContext& ctx, const BuildSettings& s, char* logBuffer, int logCapacity,
                 BuildReport* report) {
    BuildReport local;
    BuildReport& rep = report ? *report : local;
    rep = BuildReport{};
    BuildLogger log(logBuffer, logCapacity, ctx.onLogLine);
    auto fail = [&](const char* status, const std::string& reason) {
        log.Line("Build failed: %s", reason.c_str());
        BuildJobSetProgress(1.0f, status);
        rep.failure = reason;
        Log(4, "Build failed: %s", reason.c_str());
        return false;
    };
    auto reveal = [&](const std::string& path) {
        if (ctx.reveal) ctx.reveal(path);
        else OpenPath(path.c_str(), true);
    };
    auto startGame = [&](const std::string& app, const std::string& name) {
        return ctx.launch ? ctx.launch(app, name) : LaunchGameBundle(app, name);
    };

    const char* platformName = BuildPlatformName(s.platform);
    const char* configName = BuildConfigName(s.config);

    // 1. Header.
    BuildJobSetProgress(0.02f, "Hashing build inputs");
    log.Line("=== Lightning Build: %s/%s ===", platformName, configName);
    log.Line("Project: %s", ctx.projectName.c_str());
    log.Line("Mode: %s", s.fastPath ? "Development fast path" : "Release-safe incremental");
    log.Line("%s", "");

    std::string name, why;
    if (!BundleNameForProject(ctx.projectName, &name, &why)) return fail("Build failed", why);
    if (ctx.projectRoot.empty()) return fail("Build failed", "no project is open");

    // 2. Paths and folders.
    std::string outName = s.outputName.empty() ? std::string("Build") : s.outputName;
    std::string buildRoot = outName[0] == '/' ? outName : Join(ctx.projectRoot, outName);
    if (buildRoot[0] == '~' && (buildRoot.size() == 1 || buildRoot[1] == '/'))
        buildRoot = (ctx.homeDir.empty() ? std::string(".") : ctx.homeDir) + buildRoot.substr(1);
    const std::string assetsDir = Join(ctx.projectRoot, "Assets");
    const std::string outDir = Join(buildRoot, platformName);
    if (PathInside(CanonicalBestEffort(outDir), CanonicalBestEffort(assetsDir)))
        return fail("Build failed", "the output folder " + outDir +
                                        " is inside the project's Assets folder; choose another output directory");
    const std::string app = Join(outDir, name + ".app");
    const std::string exeDir = Join(app, "Contents/MacOS");
    const std::string resDir = Join(app, "Contents/Resources");
    const std::string pkg = Join(outDir, name + ".fpkg");
    const std::string manifest = Join(outDir, ".korvane_build_manifest");
    const std::string plist = Join(app, "Contents/Info.plist");
    const std::string script = Join(outDir, "launch_" + name + ".sh");
    const std::string exeDst = Join(exeDir, name);
    rep.appPath = app;
    if (s.package) rep.packagePath = pkg;
    for (const std::string* d : {&outDir, &exeDir, &resDir}) {
        if (!MkdirP(*d)) return fail("Build failed", "could not create the folder " + *d + ": " + std::strerror(errno));
    }
    BuildJobSetProgress(0.08f, "Prepared output folders");
    log.Line("[  8%%] Output: %s", outDir.c_str());

    // 3-4. Inputs and their hash.
    const std::string& exe = ctx.executablePath;
    std::vector<BuildFileEntry> engine;
    for (const std::string& rel : EngineFileNames()) {
        std::string src = Join(ctx.assetRoot, rel);
        struct stat st;
        if (!IsRegular(src, &st)) continue;
        BuildFileEntry e;
        e.srcPath = src;
        e.dstPath = Join(resDir, rel);
        e.relPath = rel;
        e.size = static_cast<int64_t>(st.st_size);
        e.mtime = static_cast<int64_t>(st.st_mtim.tv_sec);
        e.mtimeNsec = static_cast<int64_t>(st.st_mtim.tv_nsec);
        e.mode = static_cast<uint16_t>(st.st_mode);
        engine.push_back(std::move(e));
    }
    std::vector<BuildFileEntry> project;
    if (IsDir(assetsDir) && !CollectDirFiles(assetsDir, Join(resDir, "Assets"), "Assets", project))
        return fail("Build failed", "some files under " + assetsDir + " could not be listed");
    for (const std::string& folder : ImportedModelFoldersInScenes(assetsDir)) {
        std::string rel = "Library/Imported/" + folder;
        std::string src = Join(ctx.projectRoot, rel);
        if (!IsDir(src)) {
            log.Line("WARNING: a scene uses a converted model that is missing: %s", rel.c_str());
            continue;
        }
        if (!CollectDirFiles(src, Join(resDir, rel), rel, project))
            return fail("Build failed", "some files under " + src + " could not be listed");
    }
    const ExecutableStamp stamp = StampExecutable(exe);
    const uint64_t hash = BuildInputHash(platformName, configName, ctx.projectName.c_str(), stamp, engine, project,
                                         s.cook, s.package, s.fastPath);

    // 5. Cache hit: nothing is written.
    uint64_t stored = 0;
    if (ReadBuildManifest(manifest, &stored) && stored == hash && IsDir(app) && IsRegular(exeDst) &&
        (!s.package || IsRegular(pkg))) {
        rep.cacheHit = true;
        BuildJobSetProgress(0.93f, "Build cache hit");
        log.Line("[ 93%%] Cache hit: no source, asset, binary or setting changes.");
        log.Line("       Skipped compile/copy/package work.");
        const char* done = "Cached build ready";
        if (s.launch) {
            rep.launched = startGame(app, name);
            if (rep.launched) {
                log.Line("[100%%] Launched cached build.");
                done = "Launched cached build";
            } else {
                log.Line("[100%%] WARNING: the game could not be started.");
            }
        } else {
            log.Line("[100%%] Cached build ready.");
        }
        if (s.openOutput) reveal(s.package ? outDir : app);
        BuildJobSetProgress(1.0f, done);
        return true;
    }
    // A build that stops half-way must never look complete to the next one.
    if (unlink(manifest.c_str()) != 0 && errno != ENOENT)
        return fail("Build failed", "could not remove the old manifest " + manifest + ": " + std::strerror(errno));

    // 6. The runtime binary.
    BuildJobSetProgress(0.16f, "Preparing runtime binary");
    if (exe.empty() || !stamp.known) {
        log.Line("[ 18%%] ERROR: Could not locate runtime binary");
        return fail("Build failed", "the running executable could not be found");
    }
    if (!CopyFileToPathFast(exe, exeDst, 0755) || chmod(exeDst.c_str(), 0755) != 0) {
        log.Line("[ 18%%] ERROR: Runtime binary copy failed: %s", FileNameOf(exe).c_str());
        return fail("Build failed", "could not copy the runtime binary to " + exeDst);
    }
    log.Line("[ 18%%] Runtime binary ready: %s", name.c_str());

    // 7-8. Engine and project files.
    BuildJobSetProgress(0.30f, "Syncing engine assets");
    bool engineOk = CopyFileListParallel(engine, &rep.engineUpdated, &rep.engineCached);
    log.Line("[ 34%%] Engine assets: %d updated, %d cached", rep.engineUpdated, rep.engineCached);
    if (!engineOk) return fail("Build failed", "some engine files could not be copied into the bundle");

    BuildJobSetProgress(0.48f, "Syncing project assets");
    bool projectOk = CopyFileListParallel(project, &rep.projectUpdated, &rep.projectCached);
    log.Line("[ 58%%] Project assets: %d updated, %d cached", rep.projectUpdated, rep.projectCached);
    if (!projectOk) return fail("Build failed", "some project files could not be copied into the bundle");
    {
        // The bundle mirrors the project: what was deleted there goes here.
        std::set<std::string> keep, keepDirs;
        for (const BuildFileEntry& e : project) {
            keep.insert(e.relPath);
            AddParentDirs(e.relPath, keepDirs);
        }
        keepDirs.insert("Assets");
        PruneStale(Join(resDir, "Assets"), "Assets", keep, keepDirs, rep.removed);
        PruneStale(Join(resDir, "Library"), "Library", keep, keepDirs, rep.removed);
        if (rep.removed > 0) log.Line("[ 58%%] Removed %d files no longer in the project", rep.removed);
    }

    // 9. Metadata.
    BuildJobSetProgress(0.68f, "Writing app metadata");
    if (!WriteTextIfChanged(plist, InfoPlistText(name), 0644))
        return fail("Build failed", "could not write " + plist + ": " + std::strerror(errno));
    log.Line("[ 70%%] Info.plist up to date");

    // 10. Cook.
    if (s.cook) {
        BuildJobSetProgress(0.76f, "Cooking assets");
        log.Line("[ 76%%] Cook pass: no-op cache-safe raw asset layout");
    }

    // 11. Package.
    if (s.package) {
        BuildJobSetProgress(0.84f, "Packaging only changed builds");
        if (unlink(pkg.c_str()) != 0 && errno != ENOENT) {
            log.Line("[ 88%%] Package FAILED");
            return fail("Build failed during packaging",
                        "could not remove the old package " + pkg + ": " + std::strerror(errno));
        }
        SpawnOptions zo;
        zo.workDir = outDir;
        zo.captureStderr = true;
        zo.captureLimit = 4096;
        zo.timeoutSeconds = 3600;
        // "./" keeps a name starting with "-" from being read as an option;
        // zip stores the entries without it.
        ProcessRunResult zr = RunProcess({"zip", "-qry", "./" + name + ".fpkg", "./" + name + ".app"}, zo);
        if (!zr.Succeeded()) {
            unlink(pkg.c_str());
            std::string reason;
            if (!zr.started) reason = zr.spawnError == ENOENT ? "zip was not found (install zip)"
                                                                : std::string("zip could not be started: ") +
                                                                      std::strerror(zr.spawnError);
            else if (zr.signal) reason = "zip was stopped by signal " + std::to_string(zr.signal);
            else reason = "zip failed with status " + std::to_string(zr.exitCode);
            std::string detail = zr.err.substr(0, zr.err.find('\n'));
            if (!detail.empty()) reason += ": " + detail;
            log.Line("[ 88%%] Package FAILED");
            return fail("Build failed during packaging", reason);
        }
        struct stat pst;
        std::string sizeText = stat(pkg.c_str(), &pst) == 0 ? PackageSizeText(pst.st_size) : "";
        log.Line("[ 88%%] Package ready: %s.fpkg %s", name.c_str(), sizeText.c_str());
    } else {
        BuildJobSetProgress(0.88f, "Package skipped for fast app build");
        log.Line("[ 88%%] Package skipped (toggle Package .fpkg when needed)");
    }

    // 12. Launch script, then the manifest: last, once everything succeeded.
    if (!WriteTextIfChanged(script, LaunchScriptText(name), 0755))
        return fail("Build failed", "could not write " + script + ": " + std::strerror(errno));
    if (!WriteBuildManifest(manifest, hash))
        return fail("Build failed", "could not write " + manifest + ": " + std::strerror(errno));
    BuildJobSetProgress(0.95f, "Finalizing build");
    log.Line("[ 95%%] Manifest written; future unchanged builds are instant");

    // 13. Launch.
    if (s.launch) {
        rep.launched = startGame(app, name);
        if (rep.launched) {
            log.Line("[100%%] Launching...");
            BuildJobSetProgress(1.0f, "Launching build");
        } else {
            log.Line("[100%%] Build complete, but the game could not be started.");
            BuildJobSetProgress(1.0f, "Build complete");
        }
    } else {
        log.Line("[100%%] Build complete!");
        BuildJobSetProgress(1.0f, "Build complete");
    }

    // 14-15.
    log.Line("%s", "");
    log.Line("Output: %s", app.c_str());
    if (s.package) log.Line("Package: %s", pkg.c_str());
    Log(2, "Build complete: %s", app.c_str());
    if (s.openOutput) reveal(s.package ? outDir : app);
    return true;
}
