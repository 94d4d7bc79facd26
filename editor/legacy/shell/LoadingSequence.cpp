#include "editor/legacy/shell/LoadingSequence.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "editor/legacy/base/AppState.h"
#include "editor/legacy/base/EditorLog.h"
#include "editor/legacy/scene/EntityStore.h"
#include "editor/legacy/base/ProjectPaths.h"
#include "editor/legacy/shell/ProjectRegistry.h"
#include "editor/legacy/files/SceneFile.h"
#include "editor/legacy/shell/ShellLogic.h"
#include "editor/legacy/scene/Undo.h"

int32_t g_loadingStep = kLoadingDoneStep;
int32_t g_loadingFirstStep = 0;
bool g_runtimeCoreInitialized = false;
int32_t g_loaderPresentedFrames = 0;
bool g_loaderFrameRenderedThisFrame = false;
float g_loadProg = 0.0f;
char g_loadMsg[128] = "";
float g_loaderFade = 0.0f;

LoadingHooks g_loadingHooks;
LoadingStep g_loadingSteps[kLoadingStepCount];

namespace {

bool StartEditorStep() {
    LoadingStartEditor();
    return true;
}

bool OpenSceneStep() {
    LoadingOpenProjectScene();
    return true;
}

bool RegistryStep() {
    if (!g_gameBuild) EnsureProjectsLoaded();
    return true;
}

// Meshes, framebuffers, input, audio and particles are process-wide: set up once.
bool IsOneTimeStep(int step) { return step == 1 || step == 2 || (step >= 4 && step <= 6); }

void SetLoadMessage(const char* text) { CopyTextField(g_loadMsg, text ? text : ""); }

}  // namespace

void ResetLoadingSteps() {
    static const struct {
        const char* message;
        bool endsBatch;
    } table[kLoadingStepCount] = {
        {"Initializing engine core...", false},    {"Building mesh geometry...", true},
        {"Creating framebuffers...", true},        {"Compiling shaders...", false},
        {"Setting up input system...", false},     {"Starting audio engine...", true},
        {"Initializing particle system...", true}, {"Preparing editor icons...", false},
        {"Opening project scene...", true},        {"Refreshing project registry...", false},
        {"Starting editor interface...", true},    {"Opening editor...", false},
    };
    for (int i = 0; i < kLoadingStepCount; ++i) {
        g_loadingSteps[i].message = table[i].message;
        g_loadingSteps[i].endsBatch = table[i].endsBatch;
        g_loadingSteps[i].work = nullptr;
    }
    g_loadingSteps[8].work = OpenSceneStep;
    g_loadingSteps[9].work = RegistryStep;
    g_loadingSteps[10].work = StartEditorStep;
}

namespace {
// The table is filled before main so that tests and the shell find it ready.
struct LoadingTableInit {
    LoadingTableInit() { ResetLoadingSteps(); }
} s_loadingTableInit;
}  // namespace

const char* LoadingMessageFor(int step) {
    if (step < 0 || step >= kLoadingStepCount) return "";
    return g_loadingSteps[step].message ? g_loadingSteps[step].message : "";
}

float LoadingProgressFor(int first, int step) {
    first = std::clamp(first, 0, 10);
    int current = std::clamp(step, first, 10);
    float p = float(current - first) / float(std::max(1, 11 - first));
    return std::clamp(p, 0.0f, 0.985f);
}

void UpdateLoadingProgress() {
    g_loadProg = LoadingProgressFor(g_loadingFirstStep, g_loadingStep);
    int current = std::clamp(g_loadingStep, std::clamp(g_loadingFirstStep, 0, 10), 10);
    SetLoadMessage(LoadingMessageFor(current));
}

bool BeginProjectLoading() {
    if (g_projectRoot[0] == '\0') {
        Log(4, "No project folder to open.");
        return false;
    }
    // A running import or build writes into the project it started in.
    if (g_loadingHooks.modelImportRunning && g_loadingHooks.modelImportRunning()) {
        Log(3, "Cannot open another project while a model import is running; wait for it to finish.");
        return false;
    }
    if (g_loadingHooks.buildRunning && g_loadingHooks.buildRunning()) {
        Log(3, "Cannot open another project while a build is running; wait for it to finish.");
        return false;
    }
    // Play mode would restore the old project's scene over the new one, and
    // undo would bring the old project's entities back.
    if (g_playing || g_playPaused) {
        if (g_stopPlayModeHook) {
            g_stopPlayModeHook();
        } else {
            g_playing = false;
            g_playPaused = false;
        }
    }
    UndoClearHistory();

    if (!g_gameBuild) {
        if (g_loadingHooks.resetEditorLayout) {
            g_loadingHooks.resetEditorLayout();
        } else {
            g_useDefaultEditorLayout = true;
            g_forceLayoutSaveOnce = true;
            g_showHier = g_showInsp = g_showAssets = g_showConsole = true;
            g_showProf = g_showBuild = g_showSettings = g_showGame = g_showPreviewPanel = g_showScriptEditor = false;
        }
    }
    g_pendingEditorWindowExpand = false;
    g_loaderFade = 0.0f;
    g_loadProg = 0.0f;
    SetLoadMessage("Preparing project...");
    g_loaderPresentedFrames = 0;
    if (g_loadingHooks.prewarmLoaderArtwork) g_loadingHooks.prewarmLoaderArtwork();

    g_loadingFirstStep = g_runtimeCoreInitialized ? kLoadingProjectStep : 0;
    g_loadingStep = g_loadingFirstStep;
    g_state = 1;
    return true;
}

void AdvanceLoadingWork() {
    if (g_state != 1 || g_loadingStep >= kLoadingDoneStep || g_loadingStep < 0) return;
    int budget = g_runtimeCoreInitialized ? 2 : 4;
    if (g_loaderPresentedFrames == 0) budget = 1;
    if (g_loaderPresentedFrames < INT32_MAX) ++g_loaderPresentedFrames;

    while (budget > 0 && g_state == 1 && g_loadingStep < kLoadingDoneStep) {
        const int step = g_loadingStep;
        --budget;
        bool finished = true;
        const LoadingStep& s = g_loadingSteps[step];
        if (s.work && !(IsOneTimeStep(step) && g_runtimeCoreInitialized)) finished = s.work();
        if (!finished) break;  // a repeating step waits for the next frame
        if (step == 7) g_runtimeCoreInitialized = true;
        // Step 10 leaves the loading state; the sequence is then complete.
        if (g_loadingStep == step) g_loadingStep = step + 1;
        if (g_state != 1) g_loadingStep = kLoadingDoneStep;
        if (s.endsBatch) break;
    }
}

// ---- Step 8: the project's scene ----------------------------------------------

std::string ChooseProjectSceneFile(const std::string& scenesDir) {
    const std::string def = scenesDir + "/Default.korvane";
    struct stat st{};
    if (::stat(def.c_str(), &st) == 0) return def;  // whatever it is, it is the project's scene
    DIR* d = opendir(scenesDir.c_str());
    if (!d) return {};
    // Sorted by name, so the choice does not depend on the file system's order.
    std::vector<std::string> names;
    while (dirent* e = readdir(d)) {
        std::string name = e->d_name;
        size_t dot = name.rfind('.');
        if (dot == std::string::npos || name.compare(dot, std::string::npos, ".korvane") != 0) continue;
        std::string full = scenesDir + "/" + name;
        if (::stat(full.c_str(), &st) == 0 && S_ISREG(st.st_mode)) names.push_back(name);
    }
    closedir(d);
    if (names.empty()) return {};
    std::sort(names.begin(), names.end());
    return scenesDir + "/" + names.front();
}

void BuildStarterScene() {
    NewScene();
    struct Starter {
        const char* name;
        int shape;  // -1 = no mesh
        float pos[3];
        float scale[3];
        bool rigidBody;
        const char* script;
        bool camera;
    };
    static const Starter starters[] = {
        {"Player", 0, {0, 1, 0}, {1, 1, 1}, true, "player.fs", false},
        {"Health Orb", 1, {2, 1.5f, 0}, {0.6f, 0.6f, 0.6f}, false, nullptr, false},
        {"Pillar", 2, {-3, 1.5f, 0}, {1, 2, 1}, false, nullptr, false},
        {"Ring", 4, {0, 1, 3}, {1, 1, 1}, false, nullptr, false},
        {"Spike", 3, {-2, 1, 2}, {1, 1, 1}, false, nullptr, false},
        {"Enemy", 0, {4, 1, 0}, {1, 1, 1}, false, "enemy.fs", false},
        {"CameraFollow", -1, {0, 5, 8}, {1, 1, 1}, false, nullptr, true},
    };
    for (const Starter& s : starters) {
        Entity* e = AddEnt(s.name, -1);
        if (!e) continue;
        e->transform.position = Vec3(s.pos[0], s.pos[1], s.pos[2]);
        e->transform.scale = Vec3(s.scale[0], s.scale[1], s.scale[2]);
        if (s.shape >= 0) {
            e->hasMesh = true;
            e->mesh.shape = s.shape;
        }
        e->hasRigidBody = s.rigidBody;
        if (s.script) {
            e->hasScript = true;
            CopyTextField(e->script.scriptPath, s.script);
        }
        e->hasCamera = s.camera;
    }
    // Nothing was typed by the user: no name field should grab focus.
    g_renameEntId = -1;
}

void LoadingOpenProjectScene() {
    const std::string root = g_projectRoot;
    const std::string scenesDir = root + "/Assets/Scenes";
    if (root.empty()) {  // never create folders at the file system's root
        NewScene();
        return;
    }
    if (g_gameBuild) {
        std::string scene = ChooseProjectSceneFile(scenesDir);
        if (!scene.empty() && LoadScene(scene.c_str())) {
            Log(2, "Game scene loaded: %s", scene.c_str());
        } else {
            Log(4, "Built game could not find a .korvane scene in %s; opening safe empty scene.", scenesDir.c_str());
            NewScene();
        }
    } else {
        for (const char* sub : {"/Assets", "/Assets/Scenes", "/Assets/Scripts", "/Library"}) MkdirP(root + sub);
        SeedProjectScripts(g_assetRoot, root);
        std::string scene = ChooseProjectSceneFile(scenesDir);
        if (!scene.empty()) {
            if (!LoadScene(scene.c_str())) {
                Log(4, "Project load: scene failed, opening a safe new scene instead.");
                NewScene();
            }
        } else {
            BuildStarterScene();
            // Saved at once, so the editor opens on a clean scene.
            SaveScene((scenesDir + "/Default.korvane").c_str());
        }
    }
    if (g_loadingHooks.preloadSceneAssets) g_loadingHooks.preloadSceneAssets();
}

void LoadingStartEditor() {
    if (g_gameBuild) {
        g_splashState = 0;
        g_splashTimer = 0.0f;
    } else {
        if (g_loadingHooks.loadEditorLayoutState) g_loadingHooks.loadEditorLayoutState();
        UpdateWindowTitle();
        g_pendingEditorWindowExpand = true;
        Log(2, "Korvane Editor v0.4.0 - Ready");
    }
    g_state = 2;
}

// ---- Script seeding --------------------------------------------------------------

namespace {

constexpr int kMaxCopyDepth = 32;

// Copies one regular file without following links at either end; O_EXCL
// makes "only when nothing exists there" hold even against a race.
bool CopyRegularFileExclusive(const std::string& src, const std::string& dst, mode_t mode) {
    int in = ::open(src.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (in < 0) {
        Log(4, "Script seeding: cannot read %s (%s)", src.c_str(), std::strerror(errno));
        return false;
    }
    int out = ::open(dst.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode & 07777);
    if (out < 0) {
        int err = errno;
        ::close(in);
        if (err == EEXIST) return true;  // appeared meanwhile: never overwrite
        Log(4, "Script seeding: cannot create %s (%s)", dst.c_str(), std::strerror(err));
        return false;
    }
    bool ok = true;
    char buf[64 * 1024];
    for (;;) {
        ssize_t n = ::read(in, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            ok = false;
            break;
        }
        if (n == 0) break;
        for (ssize_t off = 0; off < n;) {
            ssize_t w = ::write(out, buf + off, size_t(n - off));
            if (w < 0) {
                if (errno == EINTR) continue;
                ok = false;
                break;
            }
            off += w;
        }
        if (!ok) break;
    }
    if (::close(out) != 0) ok = false;
    ::close(in);
    if (!ok) {
        ::unlink(dst.c_str());  // no half-written script in the project
        Log(4, "Script seeding: copying %s failed", src.c_str());
    }
    return ok;
}

bool CopyMissing(const std::string& source, const std::string& destination, int depth) {
    DIR* d = opendir(source.c_str());
    if (!d) return true;  // nothing to seed from
    if (!MkdirP(destination)) {
        closedir(d);
        Log(4, "Script seeding: cannot create folder %s", destination.c_str());
        return false;
    }
    std::vector<std::string> names;
    while (dirent* e = readdir(d)) {
        if (e->d_name[0] != '.') names.push_back(e->d_name);
    }
    closedir(d);
    bool ok = true;
    for (const std::string& name : names) {
        const std::string src = source + "/" + name;
        const std::string dst = destination + "/" + name;
        struct stat st{};
        if (::lstat(src.c_str(), &st) != 0) {
            ok = false;
            continue;
        }
        if (S_ISLNK(st.st_mode)) continue;  // links are not followed out of the source
        if (S_ISDIR(st.st_mode)) {
            if (depth >= kMaxCopyDepth) continue;
            struct stat dt{};
            if (::lstat(dst.c_str(), &dt) == 0 && !S_ISDIR(dt.st_mode)) continue;  // something else is there
            ok = CopyMissing(src, dst, depth + 1) && ok;
        } else if (S_ISREG(st.st_mode)) {
            struct stat dt{};
            if (::lstat(dst.c_str(), &dt) == 0) continue;  // never overwrite, not even a dangling link
            ok = CopyRegularFileExclusive(src, dst, st.st_mode) && ok;
        }
    }
    return ok;
}

bool ReadMarker(const std::string& path, long long* value) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    char buf[64] = {};
    size_t n = std::fread(buf, 1, sizeof buf - 1, f);
    std::fclose(f);
    buf[n] = '\0';
    char* end = nullptr;
    errno = 0;
    long long v = std::strtoll(buf, &end, 10);
    if (end == buf || errno != 0) return false;
    while (*end == '\n' || *end == '\r' || *end == ' ') ++end;
    if (*end != '\0') return false;
    *value = v;
    return true;
}

bool WriteMarker(const std::string& path, long long value) {
    const std::string tmp = path + ".tmp";
    FILE* f = std::fopen(tmp.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fprintf(f, "%lld", value) > 0;
    ok = (std::fclose(f) == 0) && ok;
    if (ok) ok = std::rename(tmp.c_str(), path.c_str()) == 0;
    if (!ok) std::remove(tmp.c_str());
    return ok;
}

}  // namespace

bool CopyScriptsMissingOnly(const std::string& source, const std::string& destination) {
    return CopyMissing(source, destination, 0);
}

long long ScriptSourceStamp(const std::string& dir) {
    struct stat st{};
    if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return 0;
    return (long long)st.st_mtime;
}

bool SeedProjectScripts(const std::string& assetRoot, const std::string& projectRoot) {
    const std::string source = assetRoot + "/scripts";
    const std::string target = projectRoot + "/Assets/Scripts";
    const std::string marker = projectRoot + "/Library/.scripts_seeded";
    const long long stamp = ScriptSourceStamp(source);
    long long seen = 0;
    if (ReadMarker(marker, &seen) && seen == stamp) return true;
    if (!CopyScriptsMissingOnly(source, target)) {
        Log(3, "Some built-in scripts could not be copied into %s; they will be tried again next time.",
            target.c_str());
        return false;
    }
    MkdirP(projectRoot + "/Library");
    if (!WriteMarker(marker, stamp)) {
        Log(3, "Could not write %s", marker.c_str());
        return false;
    }
    return true;
}

void OpenProjectByIndex(int i) {
    if (SelectProjectByIndex(i)) BeginProjectLoading();
}
