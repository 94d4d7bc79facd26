#include "editor/assets/EditorIcons.h"

#include <chrono>

#include "editor/assets/Textures.h"
#include "editor/legacy/base/EditorLog.h"
#include "editor/legacy/base/ProjectPaths.h"

uint32_t g_icoCam = 0, g_icoLight = 0, g_icoMesh = 0, g_icoScript = 0, g_icoObj = 0, g_icoPlay = 0, g_icoPause = 0,
         g_icoStop = 0;
uint32_t g_icoFolder = 0, g_icoCode = 0, g_icoImage = 0, g_icoAudio = 0, g_icoModel = 0, g_icoScene = 0,
         g_icoFile = 0, g_icoBack = 0;
uint32_t g_icoUp = 0, g_icoNew = 0, g_icoGrid = 0, g_icoList = 0, g_icoForward = 0, g_icoMove = 0, g_icoRotate = 0,
         g_icoScale = 0;
uint32_t g_icoSnap = 0, g_icoGridShow = 0, g_icoOpen = 0, g_icoSave = 0, g_icoReload = 0, g_icoSearch = 0,
         g_icoReplace = 0;
uint32_t g_icoAnalyze = 0, g_icoWrap = 0, g_icoPanel = 0, g_icoProblems = 0;

bool g_lazyIconsDone = false;
double g_lazyIconsStartTime = 0.0;

const EditorIconEntry kEditorIcons[kEditorIconCount] = {
    {&g_icoCam, "icons/camera.png"},     {&g_icoLight, "icons/light.png"},      {&g_icoMesh, "icons/mesh.png"},
    {&g_icoScript, "icons/script.png"},  {&g_icoObj, "icons/object.png"},       {&g_icoPlay, "icons/play.png"},
    {&g_icoPause, "icons/pause.png"},    {&g_icoStop, "icons/stop.png"},        {&g_icoFolder, "icons/folder.png"},
    {&g_icoCode, "icons/code.png"},      {&g_icoImage, "icons/image.png"},      {&g_icoAudio, "icons/audio.png"},
    {&g_icoModel, "icons/model.png"},    {&g_icoScene, "icons/scene.png"},      {&g_icoFile, "icons/object.png"},
    {&g_icoBack, "icons/back.png"},      {&g_icoUp, "icons/up.png"},            {&g_icoNew, "icons/new.png"},
    {&g_icoGrid, "icons/grid.png"},      {&g_icoList, "icons/listview.png"},    {&g_icoForward, "icons/forward.png"},
    {&g_icoMove, "icons/move.png"},      {&g_icoRotate, "icons/rotate.png"},    {&g_icoScale, "icons/scale.png"},
    {&g_icoSnap, "icons/snap.png"},      {&g_icoGridShow, "icons/grid.png"},    {&g_icoOpen, "icons/open.png"},
    {&g_icoSave, "icons/save.png"},      {&g_icoReload, "icons/reload.png"},    {&g_icoSearch, "icons/search.png"},
    {&g_icoReplace, "icons/replace.png"}, {&g_icoAnalyze, "icons/analyze.png"}, {&g_icoWrap, "icons/wrap.png"},
    {&g_icoPanel, "icons/panel.png"},    {&g_icoProblems, "icons/problems.png"},
};

EditorIconEntry g_extraEditorIcons[2] = {{nullptr, nullptr}, {nullptr, nullptr}};

void SetExtraEditorIcon(int index, uint32_t* global, const char* file) {
    if (index != 35 && index != 36) return;
    g_extraEditorIcons[index - 35] = {global, file};
}

double LazyIconClock() {
    using namespace std::chrono;
    static const steady_clock::time_point origin = steady_clock::now();
    // Offset well above zero: a start time <= 0 means "not started".
    return 1000.0 + duration<double>(steady_clock::now() - origin).count();
}

bool LoadEditorIconByIndex(int i) {
    if (i < 0 || i > 36) {
        g_lazyIconsDone = true;
        return true;
    }
    const EditorIconEntry& entry = i < kEditorIconCount ? kEditorIcons[i] : g_extraEditorIcons[i - 35];
    if (!entry.global || !entry.file) return true;
    uint32_t& global = *entry.global;
    if (!global) {
        // AssetPath's buffer is shared; the request keeps its own copy.
        uint32_t tex = LoadIcon(AssetPath(entry.file));
        if (tex) global = tex;
    }
    return global != 0;
}

void TickLazyEditorIcons(int budget) {
    if (g_lazyIconsDone) return;
    if (g_lazyIconsStartTime <= 0) g_lazyIconsStartTime = LazyIconClock();
    int b = budget > 0 ? budget : 32;
    PumpFastTextureUploads(b);
    int ready = 0;
    for (int i = 0; i <= 36; ++i) ready += LoadEditorIconByIndex(i) ? 1 : 0;
    PumpFastTextureUploads(b);
    if (ready == 37) {
        g_lazyIconsDone = true;
        return;
    }
    if (LazyIconClock() - g_lazyIconsStartTime > 1.5) {
        Log(3, "Continuing startup with fallback editor icons; some optional icon textures did not load.");
        g_lazyIconsDone = true;
    }
}

void ResetEditorIconGlobals() {
    for (const EditorIconEntry& e : kEditorIcons) *e.global = 0;
    for (const EditorIconEntry& e : g_extraEditorIcons) {
        if (e.global) *e.global = 0;
    }
    g_lazyIconsDone = false;
    g_lazyIconsStartTime = 0.0;
}
