#include "editor/legacy/shell/SceneRecovery.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <sys/stat.h>

#include "editor/legacy/base/AppState.h"
#include "editor/legacy/base/EditorLog.h"
#include "editor/legacy/base/ProjectPaths.h"
#include "editor/legacy/scene/EntityStore.h"
#include "editor/legacy/files/SceneFile.h"

RecoveryOffer g_recoveryOffer;

namespace {

bool s_loadingCopy = false;  // LoadScene of a copy is not a scene being opened

// True when any "/"-separated component is "." or "..".
bool HasDotComponent(const std::string& rel) {
    size_t start = 0;
    while (start <= rel.size()) {
        size_t end = rel.find('/', start);
        if (end == std::string::npos) end = rel.size();
        const std::string part = rel.substr(start, end - start);
        if (part == "." || part == "..") return true;
        start = end + 1;
    }
    return false;
}

bool ModTime(const std::string& path, timespec* out) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    *out = st.st_mtim;
    return true;
}

void OnSceneLoaded(const char* path) {
    if (s_loadingCopy || g_gameBuild || !path) return;
    RecoveryOffer offer;
    if (FindNewerRecoveryCopy(path, &offer)) {
        g_recoveryOffer = offer;
        Log(2, "Found unsaved changes of %s from an earlier session", path);
    } else {
        g_recoveryOffer = RecoveryOffer();
    }
}

void OnSceneSaved(const char* path, const char* previous) {
    RemoveRecoveryCopy(path);
    if (previous && previous[0] && std::strcmp(previous, path) != 0) RemoveRecoveryCopy(previous);
    // The scene file is now newer than any copy: nothing to offer.
    if (g_recoveryOffer.active && (g_recoveryOffer.scenePath == path || g_recoveryOffer.scenePath == previous))
        g_recoveryOffer = RecoveryOffer();
}

} // namespace

std::string RecoveryCopyPath(const std::string& scenePath, const std::string& projectRoot) {
    if (scenePath.empty() || projectRoot.empty()) return std::string();
    std::string root = projectRoot;
    while (root.size() > 1 && root.back() == '/') root.pop_back();
    std::string rel;
    if (scenePath.size() > root.size() + 1 && scenePath.compare(0, root.size(), root) == 0 &&
        scenePath[root.size()] == '/') {
        rel = scenePath.substr(root.size() + 1);
    } else {
        size_t skip = 0;
        while (skip < scenePath.size() && scenePath[skip] == '/') ++skip;
        rel = "External/" + scenePath.substr(skip);
    }
    // Doubled separators would let two spellings of one path share a copy
    // under different names; collapse them.
    std::string clean;
    for (char c : rel)
        if (!(c == '/' && !clean.empty() && clean.back() == '/')) clean += c;
    while (!clean.empty() && clean.back() == '/') clean.pop_back();
    if (clean.empty() || HasDotComponent(clean)) return std::string();
    return root + "/Library/Recovery/" + clean;
}

bool WriteRecoveryCopy() {
    const std::string copy = RecoveryCopyPath(g_scenePath, g_projectRoot);
    if (copy.empty()) {
        Log(3, "No recovery copy for %s: it has no place under the project's Library", g_scenePath);
        return false;
    }
    if (!SaveSceneCopy(copy.c_str())) return false;
    Log(2, "Autosaved recovery copy: %s", copy.c_str());
    return true;
}

void RemoveRecoveryCopy(const char* scenePath) {
    if (!scenePath || !scenePath[0]) return;
    const std::string copy = RecoveryCopyPath(scenePath, g_projectRoot);
    if (copy.empty()) return;
    if (std::remove(copy.c_str()) != 0 && errno != ENOENT)
        Log(3, "Could not remove recovery copy %s: %s", copy.c_str(), std::strerror(errno));
}

bool FindNewerRecoveryCopy(const char* scenePath, RecoveryOffer* out) {
    if (!scenePath || !scenePath[0]) return false;
    const std::string copy = RecoveryCopyPath(scenePath, g_projectRoot);
    timespec copyTime{}, sceneTime{};
    if (copy.empty() || !ModTime(copy, &copyTime)) return false;
    if (ModTime(scenePath, &sceneTime)) {
        const bool newer = copyTime.tv_sec > sceneTime.tv_sec ||
                           (copyTime.tv_sec == sceneTime.tv_sec && copyTime.tv_nsec > sceneTime.tv_nsec);
        if (!newer) return false;
    }
    if (out) {
        out->scenePath = scenePath;
        out->copyPath = copy;
        out->when = copyTime.tv_sec;
        out->active = true;
    }
    return true;
}

std::string RecoveryQuestion(const RecoveryOffer& offer) {
    char when[64] = "";
    time_t t = offer.when;
    struct tm local;
    if (localtime_r(&t, &local)) std::strftime(when, sizeof when, "%Y-%m-%d %H:%M:%S", &local);
    return std::string("Recover unsaved changes from ") + when + "?";
}

bool AcceptRecoveryOffer() {
    if (!g_recoveryOffer.active) return false;
    const RecoveryOffer offer = g_recoveryOffer;
    g_recoveryOffer = RecoveryOffer();
    if (offer.scenePath.size() >= sizeof g_scenePath) return false;
    s_loadingCopy = true;
    const bool loaded = LoadScene(offer.copyPath.c_str());
    s_loadingCopy = false;
    if (!loaded) {
        Log(4, "Could not recover unsaved changes from %s", offer.copyPath.c_str());
        return false;
    }
    // The recovered content belongs to the scene file, which is only
    // written when the user saves; until then the copy stays as well.
    CopyPathField(g_scenePath, offer.scenePath.c_str());
    g_sceneDirty = false;
    MarkSceneDirty();
    Log(2, "Recovered unsaved changes of %s", offer.scenePath.c_str());
    return true;
}

void DiscardRecoveryOffer() {
    if (!g_recoveryOffer.active) return;
    const std::string copy = g_recoveryOffer.copyPath;
    g_recoveryOffer = RecoveryOffer();
    if (std::remove(copy.c_str()) != 0 && errno != ENOENT)
        Log(3, "Could not remove recovery copy %s: %s", copy.c_str(), std::strerror(errno));
    else
        Log(2, "Discarded unsaved changes from an earlier session");
}

void InstallSceneRecovery() {
    g_sceneLoadedHook = OnSceneLoaded;
    g_sceneSavedHook = OnSceneSaved;
}
