#pragma once
// The editor's icon textures (0 = not loaded; the UI draws a fallback glyph).
// They are requested lazily during start-up and whatever has not arrived
// after 1.5 seconds stays 0, so a missing icon never holds up the editor.
//
//   kEditorIconCount          35 table entries (index -> global, file)
//   LoadEditorIconByIndex(i)  request icon i; true once its global is set
//   TickLazyEditorIcons(b)    pump uploads, request all, give up after 1.5 s
//   ResetEditorIconGlobals()  zero every icon global and the lazy state
//   SetExtraEditorIcon(i, ..) slots 35 and 36, for icons whose globals live in
//                             the UI layer (the inspector's padlock)

#include <cstdint>

extern uint32_t g_icoCam, g_icoLight, g_icoMesh, g_icoScript, g_icoObj, g_icoPlay, g_icoPause, g_icoStop;
extern uint32_t g_icoFolder, g_icoCode, g_icoImage, g_icoAudio, g_icoModel, g_icoScene, g_icoFile, g_icoBack;
extern uint32_t g_icoUp, g_icoNew, g_icoGrid, g_icoList, g_icoForward, g_icoMove, g_icoRotate, g_icoScale;
extern uint32_t g_icoSnap, g_icoGridShow, g_icoOpen, g_icoSave, g_icoReload, g_icoSearch, g_icoReplace;
extern uint32_t g_icoAnalyze, g_icoWrap, g_icoPanel, g_icoProblems;

struct EditorIconEntry {
    uint32_t* global;
    const char* file;  // relative to the asset root
};
constexpr int kEditorIconCount = 35;
extern const EditorIconEntry kEditorIcons[kEditorIconCount];
// Slots 35 and 36 (empty = nothing to load there, counted as ready).
extern EditorIconEntry g_extraEditorIcons[2];
void SetExtraEditorIcon(int index, uint32_t* global, const char* file);

extern bool g_lazyIconsDone;
extern double g_lazyIconsStartTime;  // LazyIconClock seconds; <= 0 = not started

// Seconds on a steady clock that starts above zero.
double LazyIconClock();

bool LoadEditorIconByIndex(int i);
void TickLazyEditorIcons(int budget);
void ResetEditorIconGlobals();
