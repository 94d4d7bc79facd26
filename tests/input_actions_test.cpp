// Input actions with a scripted key source: the default bindings, held and
// went-down queries over frames, the mouse slots, the mouse delta only while
// captured, play start taking the keys as they are, and the key codes that
// have no slot or are never asked for.

#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <limits>
#include <set>
#include <string>

#include "editor/legacy/play/Input.h"

namespace {

std::set<int> g_keys;       // keys the fake window reports down
std::set<int> g_buttons;    // mouse buttons down
std::set<int> g_askedKeys;  // every key code the sampler asked for
float g_fakeDx = 0, g_fakeDy = 0;

bool FakeKey(int k) {
    g_askedKeys.insert(k);
    return g_keys.count(k) != 0;
}
bool FakeButton(int b) { return g_buttons.count(b) != 0; }
void FakeDelta(float* dx, float* dy) {
    *dx = g_fakeDx;
    *dy = g_fakeDy;
}

class InputActions : public ::testing::Test {
protected:
    void SetUp() override {
        g_keys.clear();
        g_buttons.clear();
        g_askedKeys.clear();
        g_fakeDx = g_fakeDy = 0;
        g_inputSource = InputSource{FakeKey, FakeButton, FakeDelta};
        SetupDefaultInputs();
        InputClearStates();
    }
    void TearDown() override {
        g_inputSource = InputSource{};
        InputClearStates();
        SetupDefaultInputs();
    }
    // One play frame as the main loop runs it.
    static void Frame(bool captured = true) {
        InputBeginFrame();
        InputSample(captured);
    }
};

TEST_F(InputActions, DefaultBindingsInOrder) {
    const struct {
        const char* name;
        int key, alt;
    } expected[] = {
        {"MoveForward", 87, 265}, {"MoveBack", 83, 264}, {"MoveLeft", 65, 263}, {"MoveRight", 68, 262},
        {"Jump", 32, 0},          {"Sprint", 340, 0},    {"Crouch", 341, 0},    {"Interact", 69, 0},
        {"Fire1", 500, 501},      {"Reload", 82, 0},     {"Pause", 256, 0},     {"Inventory", 258, 0},
    };
    ASSERT_EQ(g_inputActions.size(), std::size(expected));
    for (size_t i = 0; i < std::size(expected); ++i) {
        SCOPED_TRACE(expected[i].name);
        EXPECT_STREQ(g_inputActions[i].actionName, expected[i].name);
        EXPECT_EQ(g_inputActions[i].key, expected[i].key);
        EXPECT_EQ(g_inputActions[i].altKey, expected[i].alt);
        EXPECT_EQ(g_inputActions[i].auxCode1, -1);
        EXPECT_EQ(g_inputActions[i].auxCode2, -1);
        EXPECT_FLOAT_EQ(g_inputActions[i].auxScale, 1.0f);
        EXPECT_FALSE(g_inputActions[i].auxFlag);
    }
    // A second loading sequence does not double the table.
    SetupDefaultInputs();
    EXPECT_EQ(g_inputActions.size(), std::size(expected));
}

TEST_F(InputActions, HeldAndDownOverFrames) {
    struct Step {
        std::set<int> keys;
        bool held, down;
    };
    // Space pressed for three frames, released, pressed again.
    const Step steps[] = {{{}, false, false}, {{32}, true, true}, {{32}, true, false}, {{32}, true, false},
                          {{}, false, false}, {{32}, true, true}};
    int frame = 0;
    for (const Step& s : steps) {
        SCOPED_TRACE(frame++);
        g_keys = s.keys;
        Frame();
        EXPECT_EQ(InputHeld("Jump"), s.held);
        EXPECT_EQ(InputDown("Jump"), s.down);
    }
}

TEST_F(InputActions, PrimaryAlternateAndMouseSlots) {
    const struct {
        const char* what;
        std::set<int> keys, buttons;
        const char* action;
        bool held;
    } cases[] = {
        {"primary W", {87}, {}, "MoveForward", true},
        {"alternate Up", {265}, {}, "MoveForward", true},
        {"other key", {83}, {}, "MoveForward", false},
        {"left button fires", {}, {0}, "Fire1", true},
        {"right button fires", {}, {1}, "Fire1", true},
        {"middle button does not", {}, {2}, "Fire1", false},
        {"no binding of that name", {87}, {}, "Fly", false},
        {"names are case-sensitive", {87}, {}, "moveforward", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        g_keys = c.keys;
        g_buttons = c.buttons;
        InputClearStates();
        Frame();
        EXPECT_EQ(InputHeld(c.action), c.held);
    }
    // Slots 500 and 501 are never asked of the keyboard, nor anything
    // outside the window library's key range.
    for (int k : g_askedKeys) {
        EXPECT_GE(k, kInputFirstKey);
        EXPECT_LE(k, kInputLastKey);
    }
}

TEST_F(InputActions, RegistrationRulesAndSharedNames) {
    // Codes without a slot are refused; the table is unchanged.
    const size_t before = g_inputActions.size();
    EXPECT_FALSE(InputRegister("Bad", 1024, 0));
    EXPECT_FALSE(InputRegister("Bad", -1, 0));
    EXPECT_FALSE(InputRegister("Bad", 70, 5000));
    EXPECT_EQ(g_inputActions.size(), before);

    // A second binding under one name answers too.
    ASSERT_TRUE(InputRegister("Jump", 74, 0));  // J
    g_keys = {74};
    Frame();
    EXPECT_TRUE(InputHeld("Jump"));
    EXPECT_TRUE(InputDown("Jump"));

    // Codes 0..31 are never sampled: such a binding never reads down.
    ASSERT_TRUE(InputRegister("Low", 20, 0));
    g_keys = {20};
    Frame();
    EXPECT_FALSE(InputHeld("Low"));
    EXPECT_EQ(g_askedKeys.count(20), 0u);

    // A binding in 349..499 is stored but never asked for either.
    ASSERT_TRUE(InputRegister("High", 400, 0));
    g_keys = {400};
    Frame();
    EXPECT_FALSE(InputHeld("High"));

    // Long names are cut to 31 bytes.
    ASSERT_TRUE(InputRegister("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789", 75, 0));
    EXPECT_EQ(std::strlen(g_inputActions.back().actionName), 31u);
}

TEST_F(InputActions, MouseDeltaOnlyWhileCaptured) {
    g_fakeDx = 4.0f;
    g_fakeDy = -2.0f;
    Frame(true);
    EXPECT_FLOAT_EQ(InputMouseDX(), 4.0f);
    EXPECT_FLOAT_EQ(InputMouseDY(), -2.0f);
    Frame(false);
    EXPECT_FLOAT_EQ(InputMouseDX(), 0.0f);
    EXPECT_FLOAT_EQ(InputMouseDY(), 0.0f);
    // Outside play nothing samples: the frame start alone zeroes the delta.
    Frame(true);
    InputBeginFrame();
    EXPECT_FLOAT_EQ(InputMouseDX(), 0.0f);
    // A non-finite delta from the window reads as no movement.
    g_fakeDx = std::numeric_limits<float>::infinity();
    Frame(true);
    EXPECT_FLOAT_EQ(InputMouseDX(), 0.0f);
}

TEST_F(InputActions, PlayStartTakesKeysAsTheyAreAndStopClears) {
    // Space is still held from the shortcut that started play.
    g_keys = {32};
    InputSyncToCurrent();
    Frame();
    EXPECT_TRUE(InputHeld("Jump"));
    EXPECT_FALSE(InputDown("Jump"));

    InputClearStates();
    EXPECT_FALSE(InputHeld("Jump"));
    InputBeginFrame();
    EXPECT_FALSE(InputHeld("Jump"));

    // Paused or stopped: states keep their last values; Down is false from
    // the next frame start on.
    g_keys = {87};
    Frame();
    EXPECT_TRUE(InputDown("MoveForward"));
    g_keys.clear();
    InputBeginFrame();
    EXPECT_TRUE(InputHeld("MoveForward"));
    EXPECT_FALSE(InputDown("MoveForward"));
}

}  // namespace
