#pragma once
// The editor log's panels: "Console" (filtered, coloured entries), "Profiler"
// (frame rate and frame-time graph) and the status bar along the bottom.
// Their texts and filtering come from editor/legacy/base/EditorLog.h.
//
//   ConsolePanel() ProfilerPanel() StatusBar()
//   InstallLogPanels()   puts the three into g_editorHooks

void ConsolePanel();
void ProfilerPanel();
void StatusBar();
void InstallLogPanels();
