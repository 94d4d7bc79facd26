#include "editor/ui/common/NativeWindow.h"

namespace {
bool s_rounded = false;
bool s_edited = false;
}

void SetFramelessRounded(GLFWwindow* window, bool on) {
    if (!window) return;
    s_rounded = on;
}

void SetDocumentEdited(GLFWwindow* window, bool edited) {
    if (!window) return;
    s_edited = edited;
}

bool NativeWindowRoundedRequested() { return s_rounded; }
bool NativeWindowDocumentEdited() { return s_edited; }
