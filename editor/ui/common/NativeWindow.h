#pragma once
// The few window properties GLFW does not cover, done as far as Linux/X11
// allows.
//
//   SetFramelessRounded(window, on)    borderless card look of the hub and loader
//   SetDocumentEdited(window, edited)  the "unsaved changes" mark of the window
//
// On X11 a window has no rounded-corner or document-edited property a
// desktop honours uniformly: the card is simply an undecorated window (the
// decoration is switched by the window profiles) with its corners drawn by
// the UI, and the unsaved mark lives in the title (" ●" / " [*]"). Both
// calls therefore only remember the requested value, which keeps callers
// platform-neutral and lets tests observe what was asked.

struct GLFWwindow;

void SetFramelessRounded(GLFWwindow* window, bool on);
void SetDocumentEdited(GLFWwindow* window, bool edited);

bool NativeWindowRoundedRequested();
bool NativeWindowDocumentEdited();
