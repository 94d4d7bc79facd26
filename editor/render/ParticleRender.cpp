#include "editor/render/ParticleRender.h"

#include <cmath>

#include "editor/legacy/play/Particles.h"
#include "editor/render/GL.h"
#include "editor/render/Programs.h"
#include "editor/render/ShaderSources.h"

unsigned g_particleShader = 0;
int g_particleMVP = -1;
unsigned g_particleVAO = 0;
unsigned g_particleVBO = 0;

namespace {

std::vector<ParticleVertex> s_scratch;

bool Finite(const Particle& p) {
    return std::isfinite(p.position.x) && std::isfinite(p.position.y) && std::isfinite(p.position.z) &&
           std::isfinite(p.color.x) && std::isfinite(p.color.y) && std::isfinite(p.color.z) &&
           std::isfinite(p.color.w) && std::isfinite(p.size);
}

} // namespace

void BuildParticleVertices(const std::vector<Particle>& pool, std::vector<ParticleVertex>& out) {
    out.clear();
    if (out.capacity() < pool.size()) out.reserve(pool.size());
    for (const Particle& p : pool) {
        // A zero-sized point would still be rasterised at the minimum point
        // size; such particles are meant to be invisible.
        if (!(p.size > 0.0f) || !Finite(p)) continue;
        out.push_back({{p.position.x, p.position.y, p.position.z}, {p.color.x, p.color.y, p.color.z, p.color.w}, p.size});
    }
}

void ParticleInit() {
    if (!g_particleShader) {
        const AttribBinding attribs[] = {{0, "aPos"}, {1, "aColor"}, {2, "aSize"}};
        g_particleShader = LinkProgramWithAttribs(g_particleVert, g_particleFrag, attribs, 3, "Particle link:");
        g_particleMVP = g_particleShader ? glGetUniformLocation(g_particleShader, "uMVP") : -1;
    }
    if (!g_particleVAO) {
        glGenVertexArrays(1, &g_particleVAO);
        glGenBuffers(1, &g_particleVBO);
        glBindVertexArray(g_particleVAO);
        glBindBuffer(GL_ARRAY_BUFFER, g_particleVBO);
        const GLsizei stride = sizeof(ParticleVertex);
        glEnableVertexAttribArray(0);
        glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<const void*>(0));
        glEnableVertexAttribArray(1);
        glVertexAttribPointer(1, 4, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<const void*>(12));
        glEnableVertexAttribArray(2);
        glVertexAttribPointer(2, 1, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<const void*>(28));
        glBindVertexArray(0);
        glBindBuffer(GL_ARRAY_BUFFER, 0);
    }
}

void ParticleShutdown() {
    if (g_particleVBO) glDeleteBuffers(1, &g_particleVBO);
    if (g_particleVAO) glDeleteVertexArrays(1, &g_particleVAO);
    if (g_particleShader) glDeleteProgram(g_particleShader);
    g_particleVBO = g_particleVAO = g_particleShader = 0;
    g_particleMVP = -1;
    s_scratch.clear();
    s_scratch.shrink_to_fit();
}

void ParticleRender(const Mat4& viewProjection) {
    if (g_particles.empty() || !g_particleShader || !g_particleVAO) return;
    BuildParticleVertices(g_particles, s_scratch);
    if (s_scratch.empty()) return;

    // The callers (viewport, game, UI) keep their own state; give back
    // exactly what was there instead of assuming defaults.
    GLint prevProgram = 0, prevVAO = 0, prevBuffer = 0, srcRGB = 0, dstRGB = 0, srcA = 0, dstA = 0;
    GLboolean prevBlend = glIsEnabled(GL_BLEND);
    GLboolean prevPointSize = glIsEnabled(GL_PROGRAM_POINT_SIZE);
    GLboolean prevDepthMask = GL_TRUE;
    glGetIntegerv(GL_CURRENT_PROGRAM, &prevProgram);
    glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &prevVAO);
    glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &prevBuffer);
    glGetIntegerv(GL_BLEND_SRC_RGB, &srcRGB);
    glGetIntegerv(GL_BLEND_DST_RGB, &dstRGB);
    glGetIntegerv(GL_BLEND_SRC_ALPHA, &srcA);
    glGetIntegerv(GL_BLEND_DST_ALPHA, &dstA);
    glGetBooleanv(GL_DEPTH_WRITEMASK, &prevDepthMask);

    glUseProgram(g_particleShader);
    if (g_particleMVP >= 0) glUniformMatrix4fv(g_particleMVP, 1, GL_FALSE, viewProjection.m);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glDepthMask(GL_FALSE);
    glEnable(GL_PROGRAM_POINT_SIZE);

    glBindVertexArray(g_particleVAO);
    glBindBuffer(GL_ARRAY_BUFFER, g_particleVBO);
    glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(s_scratch.size() * sizeof(ParticleVertex)), s_scratch.data(),
                 GL_STREAM_DRAW);
    glDrawArrays(GL_POINTS, 0, GLsizei(s_scratch.size()));

    if (!prevPointSize) glDisable(GL_PROGRAM_POINT_SIZE);
    glDepthMask(prevDepthMask);
    glBlendFuncSeparate(GLenum(srcRGB), GLenum(dstRGB), GLenum(srcA), GLenum(dstA));
    if (!prevBlend) glDisable(GL_BLEND);
    glBindVertexArray(GLuint(prevVAO));
    glBindBuffer(GL_ARRAY_BUFFER, GLuint(prevBuffer));
    glUseProgram(GLuint(prevProgram));
}
