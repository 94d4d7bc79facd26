// Particle drawing: one point's colour at its pixel centre, additive
// overlap, size 0 invisible, hidden behind meshes, and the GL state the
// caller had is given back.

#include <gtest/gtest.h>

#include "tests/support/RenderFixture.h"

using namespace korvane::test;

namespace {

class ParticleDraw : public RenderGlTest {
protected:
    void SetUp() override {
        RenderGlTest::SetUp();
        if (IsSkipped()) return;
        ParticleInit();
        ASSERT_NE(g_particleShader, 0u);
        ASSERT_GE(g_particleMVP, 0);
    }

    // Orthographic view of the z = 0 plane: x and y in -1..1 fill the target.
    static Mat4 Ortho() {
        Mat4 m;
        m.m[10] = -0.1f;  // depth: z = 0 maps to the middle of the range
        return m;
    }
    void Clear(float r, float g, float b) {
        glBindFramebuffer(GL_FRAMEBUFFER, fbo);
        glViewport(0, 0, kSize, kSize);
        glClearColor(r, g, b, 1);
        glDepthMask(GL_TRUE);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }
    static Particle At(float x, float y, float size, Vec4 colour) {
        Particle p;
        p.position = Vec3(x, y, 0);
        p.size = size;
        p.color = colour;
        return p;
    }
};

TEST_F(ParticleDraw, OnePointShowsItsColourAtItsCentre) {
    Clear(0, 0, 0);
    // Centre of pixel (16, 48): x = (16.5 / 64) * 2 - 1, y = (48.5 / 64) * 2 - 1.
    g_particles = {At(16.5f / 32 - 1, 48.5f / 32 - 1, 9.0f, Vec4(0.8f, 0.4f, 0.2f, 1))};
    ParticleRender(Ortho());
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    // At the very centre the disc's alpha is 1: additive blend of colour * 1.
    EXPECT_TRUE(Near(Pixel(16, 48), (Rgba{204, 102, 51, 255}), 2));
    // Beyond the disc's rim nothing is drawn.
    EXPECT_EQ(Pixel(16 + 6, 48), (Rgba{0, 0, 0, 255}));
    // Half way out the disc has faded: alpha = 1 - smoothstep(0, 1, d).
    const Rgba mid = Pixel(16 + 2, 48);
    EXPECT_LT(mid.r, 204);
    EXPECT_GT(mid.r, 60);
}

TEST_F(ParticleDraw, OverlappingParticlesAddUp) {
    Clear(0.1f, 0.1f, 0.1f);
    g_particles = {At(0.5f / 32, 0.5f / 32, 8.0f, Vec4(0.3f, 0, 0, 1)),
                   At(0.5f / 32, 0.5f / 32, 8.0f, Vec4(0, 0.4f, 0, 1))};
    ParticleRender(Ortho());
    EXPECT_TRUE(Near(Pixel(32, 32), (Rgba{102, 128, 26, 255}), 2));
}

TEST_F(ParticleDraw, SizeZeroAndNonFiniteParticlesAreNotDrawn) {
    Clear(0, 0, 0);
    Particle nan = At(0.5f / 32, 0.5f / 32, 8.0f, Vec4(1, 1, 1, 1));
    nan.position.x = std::numeric_limits<float>::quiet_NaN();
    g_particles = {At(0.5f / 32, 0.5f / 32, 0.0f, Vec4(1, 1, 1, 1)),
                   At(0.5f / 32, 0.5f / 32, -3.0f, Vec4(1, 1, 1, 1)), nan};
    ParticleRender(Ortho());
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    EXPECT_EQ(Pixel(32, 32), (Rgba{0, 0, 0, 255}));
    std::vector<ParticleVertex> verts;
    BuildParticleVertices(g_particles, verts);
    EXPECT_TRUE(verts.empty());
}

TEST_F(ParticleDraw, HiddenBehindMeshesButNeverWritingDepth) {
    Clear(0, 0, 0);
    // A near occluder covers the left half of the target (depth 0.25).
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, kSize / 2, kSize);
    glClearDepth(0.25);
    glClear(GL_DEPTH_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
    glClearDepth(1.0);
    g_particles = {At(-0.5f + 0.5f / 32, 0.5f / 32, 8.0f, Vec4(1, 1, 1, 1)),
                   At(0.5f + 0.5f / 32, 0.5f / 32, 8.0f, Vec4(1, 1, 1, 1))};
    ParticleRender(Ortho());
    EXPECT_EQ(Pixel(16, 32), (Rgba{0, 0, 0, 255}));  // behind the occluder
    EXPECT_GT(Pixel(48, 32).r, 240);                  // in front of the far plane
    float depth = 0;
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    glReadPixels(48, 32, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    EXPECT_FLOAT_EQ(depth, 1.0f);
    glDisable(GL_DEPTH_TEST);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

TEST_F(ParticleDraw, CallerStateIsRestored) {
    Clear(0, 0, 0);
    glUseProgram(g_shader);
    glBindVertexArray(g_shapes[0].vao);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ZERO);
    glDepthMask(GL_TRUE);
    glDisable(GL_PROGRAM_POINT_SIZE);
    g_particles = {At(0, 0, 4.0f, Vec4(1, 1, 1, 1))};
    ParticleRender(Ortho());

    GLint program = 0, vao = 0, src = 0, dst = 0;
    GLboolean depthMask = GL_FALSE;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &vao);
    glGetIntegerv(GL_BLEND_SRC_RGB, &src);
    glGetIntegerv(GL_BLEND_DST_RGB, &dst);
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthMask);
    EXPECT_EQ(GLuint(program), g_shader);
    EXPECT_EQ(GLuint(vao), g_shapes[0].vao);
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_EQ(src, GL_ONE);
    EXPECT_EQ(dst, GL_ZERO);
    EXPECT_TRUE(depthMask);
    EXPECT_FALSE(glIsEnabled(GL_PROGRAM_POINT_SIZE));
    glDisable(GL_BLEND);
    glBindVertexArray(0);
    glUseProgram(0);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(ParticleDraw, EmptyPoolOrNoProgramDrawsNothing) {
    Clear(0, 0, 0);
    g_particles.clear();
    ParticleRender(Ortho());
    EXPECT_EQ(Pixel(32, 32), (Rgba{0, 0, 0, 255}));
    const unsigned saved = g_particleShader;
    g_particleShader = 0;
    g_particles = {At(0.5f / 32, 0.5f / 32, 8.0f, Vec4(1, 1, 1, 1))};
    ParticleRender(Ortho());
    g_particleShader = saved;
    EXPECT_EQ(Pixel(32, 32), (Rgba{0, 0, 0, 255}));
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

} // namespace
