#pragma once
// Named input actions for gameplay: each name binds a primary and an
// alternate key code; key and mouse-button states are sampled once per play
// frame into 1024 slots, and the previous frame's copy answers whether a key
// went down in this frame. Headless: the window library is reached through
// g_inputSource, which the application installs (tests install their own).
//
//   InputAction g_inputActions          the bindings, in registration order
//   g_inputStates g_inputPrev           slots 0..1023 (500..504 = mouse buttons 0..4)
//   g_mouseDx g_mouseDy                 mouse movement of the current frame
//   InputRegister SetupDefaultInputs    bindings
//   InputBeginFrame                     every frame, before the UI frame
//   InputSample                         play's first step: keys, buttons, mouse delta
//   InputSyncToCurrent InputClearStates play start and stop
//   InputHeld InputDown                 queries by action name
//   InputSetMouseDelta InputMouseDX InputMouseDY

#include <cstdint>
#include <vector>

constexpr int kInputSlotCount = 1024;
constexpr int kInputMouseSlot = 500;  // slots 500..504: mouse buttons 0..4
constexpr int kInputMouseButtons = 5;
// The window library's key codes run from Space (32) to Menu (348); only
// those are asked for, so a binding in 349..499 or below 32 never reads down.
constexpr int kInputFirstKey = 32;
constexpr int kInputLastKey = 348;

struct InputAction {
    char actionName[32] = "";
    int32_t key = 0;
    int32_t altKey = 0;  // 0 = none
    int32_t auxCode1 = -1;
    int32_t auxCode2 = -1;
    float auxScale = 1.0f;
    bool auxFlag = false;
};

extern std::vector<InputAction> g_inputActions;
extern bool g_inputStates[kInputSlotCount];
extern bool g_inputPrev[kInputSlotCount];
extern float g_mouseDx, g_mouseDy;

// What the window says about keys, buttons and the mouse. Any entry may stay
// null (reads as "up" / no movement).
struct InputSource {
    bool (*keyDown)(int key) = nullptr;               // pressed or repeating
    bool (*mouseButtonDown)(int button) = nullptr;    // 0..4
    void (*mouseDelta)(float* dx, float* dy) = nullptr;  // this frame's motion, pixels
};
extern InputSource g_inputSource;

// Appends a binding (name cut to 31 bytes). A key outside 0..1023, or an
// alternate key outside it, has no slot: the binding is refused (false,
// logged) rather than stored as one that can never answer.
bool InputRegister(const char* name, int32_t key, int32_t altKey, int32_t auxCode1 = -1, int32_t auxCode2 = -1,
                   float auxScale = 1.0f, bool auxFlag = false);
// The twelve default bindings. Replaces the table, so running it twice
// (a second loading sequence) does not double every binding.
void SetupDefaultInputs();

// Start of every frame: the previous table catches up, the mouse delta is 0.
void InputBeginFrame();
// Reads every bound key (32..348) and the five mouse buttons from
// g_inputSource; the mouse delta is taken only while the game holds the mouse.
void InputSample(bool mouseCaptured);
// Play start: both tables take the keys as they are now, so a key already
// held (Space that started play) does not count as going down.
void InputSyncToCurrent();
// Play stop: every slot up, no movement.
void InputClearStates();

bool InputHeld(const char* name);
bool InputDown(const char* name);

void InputSetMouseDelta(float dx, float dy);
float InputMouseDX();
float InputMouseDY();
