#pragma once
// Connects the headless layout state (editor/legacy/shell/LayoutState.h) to
// the UI: the toolkit's settings text, the camera and viewport values, the
// window rectangle and the loading step that reads the layout.
//
//   InstallEditorLayoutState()   fills g_layoutStateHooks and the loading hook
//   CaptureUiLayoutValues / ApplyUiLayoutValues   the UI side of the record
//   LoadUiSettingsText(text)     replaces the toolkit's settings, also while
//                                the editor is running (a project switch)

#include <string>

#include "editor/legacy/shell/LayoutState.h"

void InstallEditorLayoutState();
void CaptureUiLayoutValues(EditorLayoutValues& v);
void ApplyUiLayoutValues(const EditorLayoutValues& v);
std::string UiSettingsText();
void LoadUiSettingsText(const std::string& text);
