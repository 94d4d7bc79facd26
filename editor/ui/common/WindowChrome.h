#pragma once
// The window's shapes and the chrome drawn on the borderless screens: window
// profiles (hub, loading, editor), frameless dragging, the close buttons, the
// logo and its overlay, and the dark theme. The geometry itself is computed
// by editor/legacy/shell/WindowLayout.h; this file applies it to the GLFW window.
//
//   GetPrimaryWorkArea, ApplyWindowProfile, CenterAndSizeWindow,
//   ApplyEditorWindowToDesktopWorkArea, HandleFramelessWindowDrag
//   KorvanePanelCloseButtonAt, KorvaneNativePanelCloseButtonAt
//   DrawKorvaneLogoOverlay, LoadLogo, ApplyAppleTheme

#include <cstdint>

#include "editor/legacy/shell/WindowLayout.h"

struct GLFWwindow;
struct ImDrawList;
struct ImVec2;

extern KorvaneWindowProfile g_activeWindowProfile;
extern bool g_windowProfileApplied;
extern bool g_DraggingWindow;
extern double g_DragAbsStartX, g_DragAbsStartY;
extern int g_DragStartWX, g_DragStartWY;
extern uint32_t g_logoTex;   // GL texture name, 0 = none
extern int g_logoW, g_logoH;

void GetPrimaryWorkArea(int* x, int* y, int* width, int* height);
void ApplyWindowProfile(GLFWwindow* window, KorvaneWindowProfile profile, bool force);
void CenterAndSizeWindow(GLFWwindow* window, int width, int height, bool decorated, bool rounded);
void ApplyEditorWindowToDesktopWorkArea(GLFWwindow* window);
// rectMin/rectMax: the drag area in window coordinates.
void HandleFramelessWindowDrag(GLFWwindow* window, const ImVec2& rectMin, const ImVec2& rectMax);

bool KorvanePanelCloseButtonAt(const char* id, const ImVec2& pos, const ImVec2& size, const char* tooltip);
bool KorvaneNativePanelCloseButtonAt(const char* id, const ImVec2& pos, const char* tooltip);
void DrawKorvaneLogoOverlay(ImDrawList* list, const ImVec2& rectMin, const ImVec2& rectMax, float maxWidth,
                            float alpha);

// Decodes an image as RGBA and uploads it; remembers its size in
// g_logoW/g_logoH. 0 when the file cannot be decoded.
uint32_t LoadLogo(const char* path);
void ApplyAppleTheme();
