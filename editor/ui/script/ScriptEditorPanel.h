#pragma once
// The "Script Editor" panel: tool strip, find bar, side pages, gutter, text
// field, status strip, command palette and the unsaved-edits question. The
// state and every operation are in editor/legacy/scripting/ScriptEditor.h.
//
//   ScriptEditorPanel()          draw it (while g_showScriptEditor)
//   InstallScriptEditorPanel()   fill its g_editorHooks entries
//   ScriptGutterWidth, ScriptLineCount, ScriptCaretLineCol   the panel's arithmetic

#include <cstddef>
#include <string_view>

void ScriptEditorPanel();
void InstallScriptEditorPanel();

// 1 + the number of newlines.
int ScriptLineCount(std::string_view text);
// max(38, digits of lineCount * digitWidth + 22).
float ScriptGutterWidth(int lineCount, float digitWidth);
// 1-based line and column of a byte offset (a newline starts a new line).
void ScriptCaretLineCol(std::string_view text, size_t offset, int& line, int& col);
// True while the panel (or one of its children) has the keyboard.
bool ScriptEditorPanelFocused();
