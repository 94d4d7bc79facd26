#pragma once
// The application window and the icon font every panel may draw with. The
// main loop creates both; panels only read them (null before start-up and
// in headless tests).

struct GLFWwindow;
struct ImFont;

extern GLFWwindow* g_win;
extern ImFont* g_iconFont;
