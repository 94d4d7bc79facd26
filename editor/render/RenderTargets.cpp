#include "editor/render/RenderTargets.h"

#include <algorithm>
#include <cstdio>

#include "editor/render/GL.h"

unsigned g_vpFBO = 0, g_vpTex = 0, g_vpRBO = 0;
int g_vpW = 1280, g_vpH = 720;
unsigned g_pvFBO = 0, g_pvTex = 0, g_pvRBO = 0;
int g_pvW = 320, g_pvH = 180;
unsigned g_camPvFBO = 0, g_camPvTex = 0, g_camPvRBO = 0;
int g_camPvW = 330, g_camPvH = 188;

namespace {

void SpecifyColorDepth(unsigned tex, unsigned rbo, int w, int h) {
    glBindTexture(GL_TEXTURE_2D, tex);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glBindTexture(GL_TEXTURE_2D, 0);
    glBindRenderbuffer(GL_RENDERBUFFER, rbo);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, w, h);
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
}

void ResizePreviewTarget(unsigned tex, unsigned rbo, int& curW, int& curH, int w, int h) {
    const int maxSize = MaxTargetSize();
    w = ClampTargetSide(ClampPreviewSide(w), maxSize);
    h = ClampTargetSide(ClampPreviewSide(h), maxSize);
    if (w == curW && h == curH) return;
    curW = w;
    curH = h;
    ResizeColorDepthFBO(tex, rbo, w, h);
}

} // namespace

int ClampPreviewSide(int v) { return std::max(v, 32); }

int ClampTargetSide(int v, int maxSize) {
    if (maxSize > 0 && v > maxSize) return maxSize;
    return v;
}

int MaxTargetSize() {
    GLint tex = 0, rb = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &tex);
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &rb);
    if (tex <= 0) return rb;
    if (rb <= 0) return tex;
    return std::min(tex, rb);
}

bool CheckFramebufferComplete(const char* name) {
    GLenum status = glCheckFramebufferStatus(GL_FRAMEBUFFER);
    if (status == GL_FRAMEBUFFER_COMPLETE) return true;
    std::fprintf(stderr, "%s framebuffer incomplete: 0x%04x\n", name, unsigned(status));
    return false;
}

void InitColorDepthFBO(unsigned& fbo, unsigned& tex, unsigned& rbo, int w, int h, const char* name) {
    const int maxSize = MaxTargetSize();
    w = ClampTargetSide(std::max(w, 1), maxSize);
    h = ClampTargetSide(std::max(h, 1), maxSize);
    glGenFramebuffers(1, &fbo);
    glGenTextures(1, &tex);
    glGenRenderbuffers(1, &rbo);
    SpecifyColorDepth(tex, rbo, w, h);
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, tex, 0);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, rbo);
    CheckFramebufferComplete(name);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

void InitViewportFBO() { InitColorDepthFBO(g_vpFBO, g_vpTex, g_vpRBO, g_vpW, g_vpH, "Viewport"); }

void InitPreviewFBO() {
    InitColorDepthFBO(g_pvFBO, g_pvTex, g_pvRBO, g_pvW, g_pvH, "Preview");
    InitColorDepthFBO(g_camPvFBO, g_camPvTex, g_camPvRBO, g_camPvW, g_camPvH, "Camera Preview");
}

void ResizeFBO(int w, int h) {
    if (w <= 0 || h <= 0) return;
    const int maxSize = MaxTargetSize();
    g_vpW = ClampTargetSide(w, maxSize);
    g_vpH = ClampTargetSide(h, maxSize);
    if (g_vpTex && g_vpRBO) ResizeColorDepthFBO(g_vpTex, g_vpRBO, g_vpW, g_vpH);
}

void ResizeColorDepthFBO(unsigned tex, unsigned rbo, int w, int h) {
    if (!tex || !rbo || w <= 0 || h <= 0) return;
    SpecifyColorDepth(tex, rbo, w, h);
}

void ResizePreviewFBO(int w, int h) { ResizePreviewTarget(g_pvTex, g_pvRBO, g_pvW, g_pvH, w, h); }

void ResizeCameraPreviewFBO(int w, int h) {
    ResizePreviewTarget(g_camPvTex, g_camPvRBO, g_camPvW, g_camPvH, w, h);
}

void DeleteFramebuffer(unsigned& name) {
    if (name) glDeleteFramebuffers(1, &name);
    name = 0;
}

void DeleteTexture(unsigned& name) {
    if (name) glDeleteTextures(1, &name);
    name = 0;
}

void DeleteRenderbuffer(unsigned& name) {
    if (name) glDeleteRenderbuffers(1, &name);
    name = 0;
}

void DeleteRenderTargets() {
    DeleteFramebuffer(g_vpFBO);
    DeleteTexture(g_vpTex);
    DeleteRenderbuffer(g_vpRBO);
    DeleteFramebuffer(g_pvFBO);
    DeleteTexture(g_pvTex);
    DeleteRenderbuffer(g_pvRBO);
    DeleteFramebuffer(g_camPvFBO);
    DeleteTexture(g_camPvTex);
    DeleteRenderbuffer(g_camPvRBO);
}
