#pragma once
// The padlock toggle used by the scale gizmo's floating lock and by the
// inspector's scale row.
//
//   LockIconButton          a square button that flips *value when clicked
//   DrawFallbackLockGlyph   a drawn padlock for when the icon texture is missing

#include <cstdint>

#include "imgui.h"

// Lock icon textures (0 = none: the glyph is drawn instead). Nothing loads
// them yet; the icon table can take them over.
extern uint32_t g_icoLockClosed, g_icoLockOpen;

bool LockIconButton(const char* id, bool* value, const char* tooltip, ImVec2 size, bool overlay);
void DrawFallbackLockGlyph(ImDrawList* dl, ImVec2 min, ImVec2 max, bool locked, ImU32 colour);
