#pragma once
// Window geometry of the shell without a window: the rectangles of the hub,
// loading and editor profiles from a desktop work area, the profile switch
// over an abstract set of window operations, and the frameless drag state
// machine. The GLFW side (editor/ui/common/WindowChrome.cpp) supplies the
// real operations and input.
//
//   WorkArea, SanitizeWorkArea            the primary work area, bounded below
//   InitialEditorWindowRect               the window created at start-up
//   CenteredWindowRect, EditorWindowRect  profile rectangles
//   WindowOps, ApplyWindowProfileWith     switching profiles
//   DragInput, FramelessDragStep          dragging a borderless window

#include <cstdint>

struct WorkArea {
    int x = 0, y = 0, width = 1280, height = 720;
};

struct WindowRect {
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const WindowRect&) const = default;
};

// No monitor → 0, 0, 1280 × 720; otherwise width at least 640, height at
// least 480.
WorkArea SanitizeWorkArea(bool haveMonitor, int x, int y, int width, int height);

// The window created before any profile: min(820, max(640, w − 120)) by
// min(560, max(460, h − 120)), centred.
WindowRect InitialEditorWindowRect(const WorkArea& work);

// The hub and loading card: the wanted size limited to the work area minus
// 80 (never below 480 × 320), centred.
WindowRect CenteredWindowRect(const WorkArea& work, int wantW, int wantH);

// The editor: the whole work area less a 6-pixel margin.
WindowRect EditorWindowRect(const WorkArea& work);

enum KorvaneWindowProfile : int32_t {
    KorvaneWindowProfileHub = 0,
    KorvaneWindowProfileLoading = 1,
    KorvaneWindowProfileEditor = 2,
};

class WindowOps {
public:
    virtual ~WindowOps() = default;
    virtual WorkArea PrimaryWorkArea() = 0;
    virtual void SetTitle(const char* title) = 0;
    virtual void SetDecorated(bool decorated) = 0;
    virtual void SetSize(int width, int height) = 0;
    virtual void SetPos(int x, int y) = 0;
    virtual void SetFramelessRounded(bool on) = 0;
    virtual void RefreshTitle() = 0;
};

// Applies a profile unless it is already the active one (force re-applies).
// A running game only remembers the profile; its window is never reshaped.
// Returns true when the window was reshaped.
bool ApplyWindowProfileWith(WindowOps& ops, KorvaneWindowProfile& active, bool& applied,
                            KorvaneWindowProfile profile, bool force, bool gameBuild);

// Sizes and centres a card-shaped window (hub, loading).
void CenterAndSizeWindowWith(WindowOps& ops, int width, int height, bool decorated, bool rounded);

struct DragInput {
    bool mouseInRect = false;       // the cursor is over the drag area
    bool leftPressedThisFrame = false;
    bool leftDown = false;
    bool anyItemHovered = false;    // a button or field is under the cursor
    int windowX = 0, windowY = 0;   // window position now
    double cursorX = 0, cursorY = 0;  // cursor inside the window
};

struct DragState {
    bool dragging = false;
    double absStartX = 0, absStartY = 0;
    int startWX = 0, startWY = 0;
};

// One frame of frameless dragging. Returns true with the new window position
// in *outX/*outY when the window must move.
bool FramelessDragStep(DragState& drag, const DragInput& in, int* outX, int* outY);
