#pragma once
// A hidden GLFW window with an OpenGL 3.2 core context, shared by GL and UI
// tests, plus helpers to read pixels back. Tests skip only when there is no
// display at all (outside ./test.sh); with a display, a context that cannot
// be made is a failure, so a broken GL stack never passes as skipped.

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

struct GLFWwindow;

namespace korvane::test {

struct Rgba {
    uint8_t r, g, b, a;
    bool operator==(const Rgba&) const = default;
};

class GlHarness {
public:
    // Creates (once per process) the hidden window and makes it current.
    static bool Open(int width = 128, int height = 128);
    static bool HasDisplay();
    // Why the last Open failed (GLFW's own words), empty after success.
    static const std::string& LastError();
    static GLFWwindow* Window();
    // Pixels of the bound read framebuffer, rows bottom to top.
    static std::vector<Rgba> ReadPixels(int x, int y, int w, int h);
    static Rgba ReadPixel(int x, int y);
    static bool AllSame(const std::vector<Rgba>& pixels);
};

// Fixture: each test starts with the harness context current.
class GlTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (GlHarness::Open()) return;
        if (!GlHarness::HasDisplay()) GTEST_SKIP() << "no display";
        FAIL() << "no OpenGL 3.2 core context: " << GlHarness::LastError();
    }
};

} // namespace korvane::test
