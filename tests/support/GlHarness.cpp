#include "tests/support/GlHarness.h"

#include <cstdio>

#include "editor/render/GL.h"

namespace korvane::test {

namespace {
GLFWwindow* s_window = nullptr;
bool s_tried = false;
}

bool GlHarness::Open(int width, int height) {
    if (s_window) {
        glfwMakeContextCurrent(s_window);
        return true;
    }
    if (s_tried) return false;
    s_tried = true;
    glfwSetErrorCallback([](int code, const char* text) { std::fprintf(stderr, "GLFW %d: %s\n", code, text); });
    if (!glfwInit()) return false;
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 3);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 2);
    glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);
    // Not forward-compatible: Mesa would then reject line widths above 1.
    glfwWindowHint(GLFW_VISIBLE, GLFW_FALSE);
    s_window = glfwCreateWindow(width, height, "korvane-test", nullptr, nullptr);
    if (!s_window) return false;
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
