#pragma once
// The "Build" panel (settings and the three start buttons) and the floating
// "Build Progress" window, over the build job of editor/legacy/build.
//
//   InstallBuildPanel()   puts both, "Build & Run" and the loader's
//                         build-running test into the hook tables

void BuildPanel();
void DrawBuildProgressPopup();
// File ▸ "Build & Run" and Cmd/Ctrl+B: always into "Build", cook on, package
// off, launch on, fast path on, reveal on, whatever the panel shows.
void BuildAndRunFromShortcut();
void InstallBuildPanel();

// The panel's settings (kept for the process lifetime, not saved).
struct BuildPanelSettings {
    char outputDir[256] = "Build";
    bool cook = true;
    bool package = false;
    bool runAfterBuild = false;
    bool developmentBuild = true;
    bool revealInFileBrowser = true;
};
extern BuildPanelSettings g_buildPanelSettings;
