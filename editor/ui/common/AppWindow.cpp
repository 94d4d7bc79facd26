#include "editor/ui/common/AppWindow.h"

GLFWwindow* g_win = nullptr;
ImFont* g_iconFont = nullptr;
