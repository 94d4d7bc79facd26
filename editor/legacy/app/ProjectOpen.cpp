// Opening a project, and the scene file operations as the shell calls them.
//
// OpenProjectAndEnterEditor is the stand-in for the staged loading screen:
// it performs the project steps in one go (folders, the project's scene, the
// registry) and enters the editor state. The loading sequence replaces it
// with BeginProjectLoading().

#include <cstring>
#include <string>

#include <dirent.h>

#include "editor/legacy/AppState.h"
#include "editor/legacy/EditorLog.h"
#include "editor/legacy/LoadingSequence.h"
#include "editor/legacy/ProjectPaths.h"
#include "editor/legacy/ProjectRegistry.h"
#include "editor/legacy/SceneFile.h"
#include "editor/legacy/app/Shell.h"
#include "engine/platform/FileSystem.h"

namespace {

// "Default.korvane" when present, else the first ".korvane" entry in
// directory order; empty when there is none.
std::string ChooseProjectScene(const std::string& scenesDir) {
    const std::string def = scenesDir + "/Default.korvane";
    if (korvane::platform::FileExists(def)) return def;
    DIR* d = opendir(scenesDir.c_str());
    if (!d) return std::string();
    std::string found;
    while (dirent* e = readdir(d)) {
        std::string name = e->d_name;
        size_t dot = name.rfind('.');
        if (dot != std::string::npos && name.compare(dot, std::string::npos, ".korvane") == 0) {
            found = scenesDir + "/" + name;
            break;
        }
    }
    closedir(d);
    return found;
}

} // namespace

bool ShellSaveScene(const char* path) { return SaveScene(path); }

bool ShellLoadScene(const char* path) { return LoadScene(path); }

void ShellNewScene() { NewScene(); }

void OpenProjectByIndex(int i) {
    if (SelectProjectByIndex(i)) BeginProjectLoading();
}

void OpenProjectAndEnterEditor() {
    const std::string root = g_projectRoot;
    const std::string scenesDir = root + "/Assets/Scenes";
    if (!g_gameBuild) {
        for (const char* sub : {"/Assets", "/Assets/Scenes", "/Assets/Scripts", "/Library"}) {
            korvane::Status s = korvane::platform::EnsureDirectory(root + sub);
            if (!s.ok()) Log(4, "%s", s.message().c_str());
        }
    }
    const std::string scene = ChooseProjectScene(scenesDir);
    if (g_gameBuild) {
        if (!scene.empty() && ShellLoadScene(scene.c_str())) {
            Log(2, "Game scene loaded: %s", scene.c_str());
        } else {
            Log(4, "Built game could not find a .korvane scene in %s; opening safe empty scene.", scenesDir.c_str());
            ShellNewScene();
        }
        g_splashState = 0;
        g_splashTimer = 0.0f;
    } else {
        if (!scene.empty()) {
            if (!ShellLoadScene(scene.c_str())) {
                Log(4, "Project load: scene failed, opening a safe new scene instead.");
                ShellNewScene();
            }
        } else {
            // Seam: the loading sequence builds the starter scene here.
            ShellNewScene();
            ShellSaveScene((scenesDir + "/Default.korvane").c_str());
        }
        EnsureProjectsLoaded();
        UpdateWindowTitle();
        g_pendingEditorWindowExpand = true;
        Log(2, "Korvane Editor v0.4.0 - Ready");
    }
    g_state = 2;
}
