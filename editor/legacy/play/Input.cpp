#include "editor/legacy/play/Input.h"

#include <cmath>
#include <cstring>

#include "editor/legacy/base/EditorLog.h"
#include "editor/legacy/scene/Entity.h"

std::vector<InputAction> g_inputActions;
bool g_inputStates[kInputSlotCount] = {};
bool g_inputPrev[kInputSlotCount] = {};
float g_mouseDx = 0.0f, g_mouseDy = 0.0f;
InputSource g_inputSource;

namespace {

bool HasSlot(int32_t code) { return code >= 0 && code < kInputSlotCount; }

bool SlotDown(const bool* table, int32_t code) { return HasSlot(code) && table[code]; }

bool SampleableKey(int32_t code) { return code >= kInputFirstKey && code <= kInputLastKey; }

void SampleKey(int32_t code) {
    if (!SampleableKey(code)) return;
    g_inputStates[code] = g_inputSource.keyDown && g_inputSource.keyDown(code);
}

void SampleKeysAndButtons() {
    for (const InputAction& a : g_inputActions) {
        SampleKey(a.key);
        SampleKey(a.altKey);
    }
    for (int b = 0; b < kInputMouseButtons; ++b)
        g_inputStates[kInputMouseSlot + b] = g_inputSource.mouseButtonDown && g_inputSource.mouseButtonDown(b);
}

float FiniteDelta(float v) { return std::isfinite(v) ? v : 0.0f; }

}  // namespace

bool InputRegister(const char* name, int32_t key, int32_t altKey, int32_t auxCode1, int32_t auxCode2, float auxScale,
                   bool auxFlag) {
    if (!HasSlot(key) || !HasSlot(altKey)) {
        Log(3, "Input action '%s' not registered: key codes must lie in 0..%d (got %d, %d)", name ? name : "", kInputSlotCount - 1,
            int(key), int(altKey));
        return false;
    }
    InputAction a;
    CopyTextField(a.actionName, name);
    a.key = key;
    a.altKey = altKey;
    a.auxCode1 = auxCode1;
    a.auxCode2 = auxCode2;
    a.auxScale = auxScale;
    a.auxFlag = auxFlag;
    g_inputActions.push_back(a);
    return true;
}

void SetupDefaultInputs() {
    static const struct {
        const char* name;
        int32_t key, altKey;
    } defaults[] = {
        {"MoveForward", 87, 265}, {"MoveBack", 83, 264}, {"MoveLeft", 65, 263}, {"MoveRight", 68, 262},
        {"Jump", 32, 0},          {"Sprint", 340, 0},    {"Crouch", 341, 0},    {"Interact", 69, 0},
        {"Fire1", 500, 501},      {"Reload", 82, 0},     {"Pause", 256, 0},     {"Inventory", 258, 0},
    };
    g_inputActions.clear();
    for (const auto& d : defaults) InputRegister(d.name, d.key, d.altKey);
}

void InputBeginFrame() {
    std::memcpy(g_inputPrev, g_inputStates, sizeof g_inputStates);
    g_mouseDx = 0.0f;
    g_mouseDy = 0.0f;
}

void InputSample(bool mouseCaptured) {
    SampleKeysAndButtons();
    float dx = 0.0f, dy = 0.0f;
    if (mouseCaptured && g_inputSource.mouseDelta) g_inputSource.mouseDelta(&dx, &dy);
    InputSetMouseDelta(dx, dy);
}

void InputSyncToCurrent() {
    std::memset(g_inputStates, 0, sizeof g_inputStates);
    SampleKeysAndButtons();
    std::memcpy(g_inputPrev, g_inputStates, sizeof g_inputStates);
    InputSetMouseDelta(0.0f, 0.0f);
}

void InputClearStates() {
    std::memset(g_inputStates, 0, sizeof g_inputStates);
    std::memset(g_inputPrev, 0, sizeof g_inputPrev);
    InputSetMouseDelta(0.0f, 0.0f);
}

bool InputHeld(const char* name) {
    if (!name) return false;
    for (const InputAction& a : g_inputActions) {
        if (std::strcmp(a.actionName, name) != 0) continue;
        if (SlotDown(g_inputStates, a.key)) return true;
        if (a.altKey != 0 && SlotDown(g_inputStates, a.altKey)) return true;
    }
    return false;
}

bool InputDown(const char* name) {
    if (!name) return false;
    for (const InputAction& a : g_inputActions) {
        if (std::strcmp(a.actionName, name) != 0) continue;
        if (SlotDown(g_inputStates, a.key) && !SlotDown(g_inputPrev, a.key)) return true;
        if (a.altKey != 0 && SlotDown(g_inputStates, a.altKey) && !SlotDown(g_inputPrev, a.altKey)) return true;
    }
    return false;
}

void InputSetMouseDelta(float dx, float dy) {
    g_mouseDx = FiniteDelta(dx);
    g_mouseDy = FiniteDelta(dy);
}
float InputMouseDX() { return g_mouseDx; }
float InputMouseDY() { return g_mouseDy; }
