#pragma once
// The inspector's pickers: project files under a folder (AssetCombo), the
// script files of the project and the engine (ScriptCombo), and the texture
// slot built on the image picker. The folders are scanned only while a
// picker's popup is open, at most once a second; a closed picker touches no
// file. The *Edit forms record undo like the edit widgets.
//
//   AssetCombo ScriptCombo AssetPickerEdit ScriptPickerEdit TextureSlot
//   PayloadPath InvalidatePickerCaches

#include <cstddef>
#include <functional>
#include <string>

#include "imgui.h"

using AssetFilter = std::function<bool(const char*)>;

// buf holds a path relative to root/subfolder. True when buf changed.
bool AssetCombo(const char* id, char* buf, size_t size, const char* root, const char* subfolder,
                const AssetFilter& filter);
bool ScriptCombo(const char* id, char* buf, size_t size, const char* projectRoot);
// The same over a copy: on a change the undo entry is pushed before the
// choice is written back.
bool AssetPickerEdit(const char* id, char* buf, size_t size, const char* subfolder, const AssetFilter& filter,
                     const char* undoLabel);
bool ScriptPickerEdit(const char* id, char* buf, size_t size, const char* undoLabel);
// Label, thumbnail, "##image_picker", "Clear", a "PROJ_FILE" drop target.
bool TextureSlot(const char* label, const char* id, char* path, size_t size, const char* undoLabel);

// The text of a "PROJ_FILE" payload (bounded by the payload size).
std::string PayloadPath(const ImGuiPayload* p);
// The next open picker scans again (tests; after files were added).
void InvalidatePickerCaches();
