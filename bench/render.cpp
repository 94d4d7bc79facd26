// Rendering costs: the CPU side of submitting one lit pass of 1,000 cube
// entities, a whole 720p frame (shadow pass + lit pass, 100 cubes, one
// shadowed sun) under the software rasteriser, and one steady-state update
// of 10,000 particles. Baselines measured in the same run: the bare GL calls
// of the 1,000 draws (one matrix upload and one draw each, plus one colour
// upload where the material changes), and a plain position integration of
// the same 10,000 particles.

#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "editor/legacy/scene/EntityStore.h"
#include "editor/legacy/play/Particles.h"
#include "editor/render/GL.h"
#include "editor/render/LitPass.h"
#include "editor/render/Meshes.h"
#include "editor/render/Programs.h"
#include "editor/render/RenderTargets.h"
#include "editor/render/ScenePasses.h"
#include "editor/render/ShadowMap.h"

namespace {

using Clock = std::chrono::steady_clock;

double ThreadCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// mixedMaterials: every other cube carries its own material, so the
// material uniforms change on every draw.
void CubeGrid(int count, float spacing, bool mixedMaterials = false) {
    g_ents.clear();
    RebuildEntityIndex();
    int perRow = 1;
    while (perRow * perRow < count) ++perRow;
    for (int i = 0; i < count; ++i) {
        Entity* e = AddEnt("Cube", -1);
        e->hasMesh = true;
        e->hasMaterial = mixedMaterials && (i % 2) == 0;
        e->material.baseColor = Vec4(0.8f, 0.5f, 0.3f, 1);
        e->transform.position = Vec3((i % perRow - perRow / 2) * spacing, 0.5f, (i / perRow - perRow / 2) * spacing);
        e->transform.rotation = Vec3(0, float(i * 7 % 360), 0);
    }
    Entity* sun = AddEnt("Sun", -1);
    sun->hasLight = true;
    sun->transform.rotation = Vec3(-55, 30, 0);
    Entity* ground = AddEnt("Ground", -1);
    ground->hasMesh = true;
    ground->mesh.shape = MeshShape_Plane;
    ground->transform.scale = Vec3(4, 1, 4);
}

double SubmitLitPass(unsigned fbo, int w, int h, const Mat4& vp, const Vec3& eye) {
    const double a = ThreadCpuMs();
    BeginLitPass(fbo, w, h, eye, vp);
    for (const Entity& e : g_ents) {
        if (!e.enabled || !e.hasMesh || !e.mesh.visible) continue;
        const Mat4 model = EntityModelMatrix(e);
        DrawMeshRendererLit(e.mesh, model, m_mul(vp, model), e.hasMaterial ? &e.material : nullptr);
    }
    EndLitPass();
    const double b = ThreadCpuMs();
    glFinish();
    return b - a;
}

double SubmitRawDraws(unsigned fbo, int w, int h, const Mat4& vp) {
    const double a = ThreadCpuMs();
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    glViewport(0, 0, w, h);
    glUseProgram(g_shader);
    glBindVertexArray(g_shapes[0].vao);
    bool lastOwn = false;
    glUniform4f(g_uMatColor, 1, 1, 1, 1);
    for (const Entity& e : g_ents) {
        if (!e.hasMesh) continue;
        const Mat4 mvp = m_mul(vp, EntityModelMatrix(e));
        glUniformMatrix4fv(g_uMVP, 1, GL_FALSE, mvp.m);
        // The bare cost of a material change: one colour upload when it differs.
        const bool own = e.hasMaterial;
        if (own != lastOwn) glUniform4f(g_uMatColor, own ? 0.8f : 1.0f, own ? 0.5f : 1.0f, own ? 0.3f : 1.0f, 1.0f);
        lastOwn = own;
        glDrawArrays(GL_TRIANGLES, 0, g_shapes[0].count);
    }
    glBindVertexArray(0);
    glUseProgram(0);
    const double b = ThreadCpuMs();
    glFinish();
    return b - a;
}

void BenchSubmit(bool mixedMaterials) {
    unsigned fbo = 0, tex = 0, rbo = 0;
    InitColorDepthFBO(fbo, tex, rbo, 16, 16, "Bench");
    CubeGrid(1000, 1.5f, mixedMaterials);
    const Vec3 eye(0, 30, 40);
    const Mat4 vp = m_mul(m_perspective(60, 1, 0.1f, 200), m_lookAt(eye, Vec3(0, 0, 0), Vec3(0, 1, 0)));
    std::vector<double> lit, raw;
    for (int i = 0; i < 23; ++i) {
        const double l = SubmitLitPass(fbo, 16, 16, vp, eye);
        const double r = SubmitRawDraws(fbo, 16, 16, vp);
        if (i >= 3) {
            lit.push_back(l);
            raw.push_back(r);
        }
    }
    const double litMs = Median(lit), rawMs = Median(raw);
    const char* name = mixedMaterials ? "submit_1000_cubes_mixed_materials" : "submit_1000_cubes";
    std::printf("%s_cpu_ms %.3f ms\n", name, litMs);
    std::printf("%s_raw_gl_baseline_ms %.3f ms\n", name, rawMs);
    std::printf("%s_vs_baseline %.2f x\n", name, litMs / rawMs);
    DeleteFramebuffer(fbo);
    DeleteTexture(tex);
    DeleteRenderbuffer(rbo);
}

void BenchFrame720p() {
    const int w = 1280, h = 720;
    unsigned fbo = 0, tex = 0, rbo = 0;
    InitColorDepthFBO(fbo, tex, rbo, w, h, "Bench720p");
    InitShadowFBO();
    CubeGrid(100, 2.0f);
    g_camTarg = Vec3(0, 0, 0);
    const Vec3 eye(0, 12, 18);
    const Mat4 vp =
        m_mul(m_perspective(60, float(w) / float(h), 0.1f, 200), m_lookAt(eye, Vec3(0, 0, 0), Vec3(0, 1, 0)));
    std::vector<double> frames;
    for (int i = 0; i < 12; ++i) {
        const auto a = Clock::now();
        RenderShadowPass();
        SubmitLitPass(fbo, w, h, vp, eye);  // ends with glFinish
        const auto b = Clock::now();
        if (i >= 2) frames.push_back(std::chrono::duration<double, std::milli>(b - a).count());
    }
    std::printf("frame_720p_100_cubes_ms %.2f ms\n", Median(frames));
    DeleteFramebuffer(fbo);
    DeleteTexture(tex);
    DeleteRenderbuffer(rbo);
}

void BenchParticles() {
    g_ents.clear();
    RebuildEntityIndex();
    g_particles.clear();
    Entity* e = AddEnt("Emitter", -1);
    e->hasParticles = true;
    e->emitter.rate = 500;
    e->emitter.lifetime = 20;
    e->emitter.maxParticles = 10000;
    e->emitter.turbulence = 1.0f;
    e->emitter.gravity = -2.0f;
    e->emitter.collision = true;
    const float dt = 1.0f / 60.0f;
    // Twenty seconds fill the pool to its maximum; from then on births
    // replace deaths.
    for (int i = 0; i < 60 * 21; ++i) ParticleUpdateAll(dt);
    std::vector<double> update, base;
    for (int i = 0; i < 200; ++i) {
        auto a = Clock::now();
        ParticleUpdateAll(dt);
        auto b = Clock::now();
        update.push_back(std::chrono::duration<double, std::micro>(b - a).count());
        a = Clock::now();
        for (Particle& p : g_particles) p.position = p.position + p.velocity * dt;
        b = Clock::now();
        base.push_back(std::chrono::duration<double, std::micro>(b - a).count());
    }
    const double u = Median(update), bl = Median(base);
    std::printf("particles_update_10k_us %.1f us (pool %zu)\n", u, g_particles.size());
    std::printf("particles_update_10k_integrate_baseline_us %.1f us\n", bl);
    std::printf("particles_update_10k_vs_baseline %.1f x\n", u / bl);
}

} // namespace

int main() {
    BenchParticles();
    if (!glfwInit()) {
        std::fprintf(stderr, "no display: GL figures skipped\n");
        return 0;
    }
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 3);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 2);
    glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);
    glfwWindowHint(GLFW_VISIBLE, GLFW_FALSE);
    GLFWwindow* window = glfwCreateWindow(64, 64, "bench-render", nullptr, nullptr);
    if (!window) {
        std::fprintf(stderr, "no GL 3.2 context: GL figures skipped\n");
        glfwTerminate();
        return 0;
    }
    glfwMakeContextCurrent(window);
    InitScenePrograms();
    InitShapes();
    BenchSubmit(false);
    BenchSubmit(true);
    BenchFrame720p();
    DestroyShapes();
    DeleteShadowFBO();
    DeleteScenePrograms();
    DeleteDefaultPBRTextures();
    glfwDestroyWindow(window);
    glfwTerminate();
    return 0;
}
