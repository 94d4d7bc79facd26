#include "editor/legacy/base/AppState.h"

#include "editor/legacy/base/EditorLog.h"

bool g_gameBuild = false;
int32_t g_state = 0;
int32_t g_splashState = 0;
float g_splashTimer = 0.0f;
char g_scenePath[1024] = "";
char g_projName[128] = "My Game";
bool g_pendingClose = false;
char g_pendingSceneOpen[1024] = "";
bool g_editorAutoSave = true;
float g_editorAutoSaveTimer = 0.0f;
double g_nextLayoutAutosave = 0.0;
bool g_forceLayoutSaveOnce = false;
bool g_pendingEditorWindowExpand = false;
bool g_useDefaultEditorLayout = true;
bool g_layoutLoadedForProject = false;
int32_t g_editorTheme = 0;
float g_editorFontScale = 1.0f;
int32_t g_buildPlatform = kDefaultBuildPlatform;
int32_t g_buildConfig = kDefaultBuildConfig;
float g_frameTimes[300] = {};
int32_t g_frameIdx = 0;
int32_t g_swapIntervalState = -99;

bool g_playing = false;
bool g_playPaused = false;
void (*g_playStopForSceneReplaceHook)() = nullptr;

bool RefusedWhilePlaying(const char* action) {
    if (!g_playing) return false;
    Log(3, "Cannot %s while play mode runs; press Stop first.", action ? action : "do that");
    return true;
}

bool g_showHier = true, g_showInsp = true, g_showAssets = true, g_showConsole = true;
bool g_showPreviewPanel = false, g_showScriptEditor = false, g_showProf = false, g_showBuild = false,
     g_showSettings = false, g_showGame = false;

void (*g_updateWindowTitleHook)() = nullptr;
