// Opening a listed project, and the scene file operations as the shell
// calls them.

#include "editor/legacy/LoadingSequence.h"
#include "editor/legacy/ProjectRegistry.h"
#include "editor/legacy/SceneFile.h"
#include "editor/legacy/app/Shell.h"

bool ShellSaveScene(const char* path) { return SaveScene(path); }

bool ShellLoadScene(const char* path) { return LoadScene(path); }

void ShellNewScene() { NewScene(); }

void OpenProjectByIndex(int i) {
    if (SelectProjectByIndex(i)) BeginProjectLoading();
}
