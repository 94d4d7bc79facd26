#include "tests/support/GlHarness.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "editor/render/GL.h"

namespace korvane::test {

namespace {
GLFWwindow* s_window = nullptr;
bool s_gaveUp = false;
std::string s_lastError;
}

bool GlHarness::HasDisplay() {
    const char* display = std::getenv("DISPLAY");
    return display && *display;
}

const std::string& GlHarness::LastError() { return s_lastError; }

bool GlHarness::Open(int width, int height) {
    if (s_window) {
        glfwMakeContextCurrent(s_window);
        return true;
    }
    if (s_gaveUp || !HasDisplay()) return false;
    glfwSetErrorCallback([](int code, const char* text) {
        s_lastError = "GLFW error " + std::to_string(code) + ": " + (text ? text : "");
        std::fprintf(stderr, "%s\n", s_lastError.c_str());
    });
    // A loaded X server can refuse a connection or a context for a moment;
    // try a few times before calling the GL stack broken.
    for (int attempt = 0; attempt < 5 && !s_window; ++attempt) {
        if (attempt > 0) std::this_thread::sleep_for(std::chrono::milliseconds(200 * attempt));
        if (!glfwInit()) continue;
        glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 3);
        glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 2);
        glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);
        // Not forward-compatible: Mesa would then reject line widths above 1.
        glfwWindowHint(GLFW_VISIBLE, GLFW_FALSE);
        s_window = glfwCreateWindow(width, height, "korvane-test", nullptr, nullptr);
        if (!s_window) glfwTerminate();
    }
    if (!s_window) {
        s_gaveUp = true;
        return false;
    }
    s_lastError.clear();
    glfwMakeContextCurrent(s_window);
    return true;
}

GLFWwindow* GlHarness::Window() { return s_window; }

std::vector<Rgba> GlHarness::ReadPixels(int x, int y, int w, int h) {
    std::vector<Rgba> pixels(size_t(w) * size_t(h));
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, w, h, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

Rgba GlHarness::ReadPixel(int x, int y) { return ReadPixels(x, y, 1, 1)[0]; }

bool GlHarness::AllSame(const std::vector<Rgba>& pixels) {
    for (const Rgba& p : pixels) {
        if (!(p == pixels.front())) return false;
    }
    return true;
}

} // namespace korvane::test
