#pragma once
// Off-screen colour + depth targets that the UI shows as images: the editor
// viewport, the preview panel and the camera preview. Main thread only.
//
//   CheckFramebufferComplete   report an incomplete bound framebuffer
//   InitColorDepthFBO          framebuffer + RGBA8 texture + depth-stencil buffer
//   InitViewportFBO / InitPreviewFBO   the editor's targets at their sizes
//   ResizeFBO                  viewport (non-positive sizes ignored)
//   ResizePreviewFBO / ResizeCameraPreviewFBO   at least 32 px, no-op when equal
//   ResizeColorDepthFBO        re-specify a texture and renderbuffer
//   DeleteFramebuffer / DeleteTexture / DeleteRenderbuffer   delete and zero
//   DeleteRenderTargets        all three targets (GL clean-up at exit)
//   ClampTargetSize            a requested size within what the context allows

extern unsigned g_vpFBO, g_vpTex, g_vpRBO;
extern int g_vpW, g_vpH;
extern unsigned g_pvFBO, g_pvTex, g_pvRBO;
extern int g_pvW, g_pvH;
extern unsigned g_camPvFBO, g_camPvTex, g_camPvRBO;
extern int g_camPvW, g_camPvH;

bool CheckFramebufferComplete(const char* name);
void InitColorDepthFBO(unsigned& fbo, unsigned& tex, unsigned& rbo, int w, int h, const char* name);
void InitViewportFBO();
void InitPreviewFBO();
void ResizeFBO(int w, int h);
void ResizeColorDepthFBO(unsigned tex, unsigned rbo, int w, int h);
void ResizePreviewFBO(int w, int h);
void ResizeCameraPreviewFBO(int w, int h);
void DeleteFramebuffer(unsigned& name);
void DeleteTexture(unsigned& name);
void DeleteRenderbuffer(unsigned& name);
void DeleteRenderTargets();

// Pure: the preview rule (each side at least 32) and the context's limit
// (maxSize <= 0 means unknown, no upper clamp).
int ClampPreviewSide(int v);
int ClampTargetSide(int v, int maxSize);
// The largest texture/renderbuffer side of the current context.
int MaxTargetSize();
