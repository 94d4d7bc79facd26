// Editor costs: one viewport pick among 10,000 primitive entities, one
// headless frame of the hierarchy listing 10,000 root entities, and the CPU
// side of one viewport frame (panel, shadow and lit pass submission, gizmo)
// with 1,000 entities. Baselines measured in the same run: the local box
// test alone over the same entities, the hierarchy frame of an empty scene,
// and the viewport frame of an empty scene.

#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "imgui.h"

#include "editor/legacy/base/AppState.h"
#include "editor/legacy/scene/EntityStore.h"
#include "editor/legacy/scene/Undo.h"
#include "editor/render/GL.h"
#include "editor/render/Meshes.h"
#include "editor/render/Programs.h"
#include "editor/render/RenderTargets.h"
#include "editor/render/ShadowMap.h"
#include "editor/ui/viewport/EditorCamera.h"
#include "editor/ui/viewport/Gizmo.h"
#include "editor/ui/hierarchy/HierarchyPanel.h"
#include "editor/ui/viewport/Picking.h"
#include "editor/ui/viewport/ViewportPanel.h"

namespace {

using Clock = std::chrono::steady_clock;

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double ThreadCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

void ResetScene() {
    UndoClearHistory();
    g_ents.clear();
    g_entIdx.clear();
    g_nextId = 1;
    g_selId = -1;
}

// A square grid of primitives of every shape, spaced so that many overlap
// along a pick ray.
void PrimitiveGrid(int count, float spacing, bool cubesOnly = false) {
    ResetScene();
    g_ents.reserve(count);
    int perRow = 1;
    while (perRow * perRow < count) ++perRow;
    for (int i = 0; i < count; ++i) {
        Entity* e = AddEnt("Prim", -1);
        e->hasMesh = true;
        e->mesh.shape = cubesOnly ? 0 : i % 6;
        if (e->mesh.shape == MeshShape_Plane) e->transform.scale = Vec3(0.1f, 1, 0.1f);
        e->transform.position =
            Vec3((float(i % perRow) - perRow * 0.5f) * spacing, 0.5f, (float(i / perRow) - perRow * 0.5f) * spacing);
        e->transform.rotation = Vec3(0, float(i * 13 % 360), 0);
    }
}

void SetCamera(float dist) {
    ResetEditorCamera();
    g_vpDispW = 1280;
    g_vpDispH = 720;
    g_camTarg = Vec3(0, 0, 0);
    g_camDist = dist;
    g_camPitch = 0.5f;
    RecomputeViewMatrices();
}

void BenchPick() {
    PrimitiveGrid(10000, 1.5f);
    SetCamera(90.0f);
    std::vector<ImVec2> points;
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 10; ++x) points.push_back(ImVec2(64.0f + x * 128.0f, 72.0f + y * 144.0f));
    std::vector<double> pick, box;
    int hits = 0;
    for (int round = 0; round < 3; ++round) {
        for (ImVec2 p : points) {
            auto a = Clock::now();
            int id = -1;
            float t = 0;
            hits += PickEntityAtViewportPoint(p.x, p.y, id, t) ? 1 : 0;
            auto b = Clock::now();
            pick.push_back(std::chrono::duration<double, std::micro>(b - a).count());

            a = Clock::now();
            Ray r = ScreenToRay(p.x, p.y);
            int boxHits = 0;
            for (const Entity& e : g_ents) {
                float bt = 0;
                boxHits += RayEntity(r, e, bt) ? 1 : 0;
            }
            b = Clock::now();
            box.push_back(std::chrono::duration<double, std::micro>(b - a).count());
            if (boxHits < 0) std::printf("unreachable\n");
        }
    }
    const double p = Median(pick), bl = Median(box);
    std::printf("pick_10k_entities_us %.1f us (%d of %zu picks hit)\n", p, hits, pick.size());
    std::printf("pick_10k_box_only_baseline_us %.1f us\n", bl);
    std::printf("pick_10k_vs_baseline %.2f x\n", p / bl);
}

ImGuiContext* HeadlessUi() {
    ImGuiContext* ctx = ImGui::CreateContext();
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr;
    io.DisplaySize = ImVec2(1600, 1000);
    io.DeltaTime = 1.0f / 60.0f;
    io.ConfigFlags |= ImGuiConfigFlags_DockingEnable;
    io.BackendFlags |= ImGuiBackendFlags_RendererHasTextures;
    return ctx;
}

double HierarchyFrameMs() {
    std::vector<double> t;
    for (int i = 0; i < 40; ++i) {
        auto a = Clock::now();
        ImGui::NewFrame();
        ImGui::SetNextWindowPos(ImVec2(0, 0));
        ImGui::SetNextWindowSize(ImVec2(300, 900));
        HierarchyPanel();
        ImGui::Render();
        auto b = Clock::now();
        if (i >= 5) t.push_back(std::chrono::duration<double, std::milli>(b - a).count());
    }
    return Median(t);
}

void BenchHierarchy() {
    ImGuiContext* ctx = HeadlessUi();
    ResetScene();
    g_showHier = true;
    const double empty = HierarchyFrameMs();
    for (int i = 0; i < 10000; ++i) AddEnt("Entity", -1);
    const double full = HierarchyFrameMs();
    std::printf("hierarchy_frame_10k_flat_ms %.3f ms (%d rows drawn)\n", full, g_hierarchyRowsDrawn);
    std::printf("hierarchy_frame_empty_baseline_ms %.3f ms\n", empty);
    ImGui::DestroyContext(ctx);
}

double ViewportFrameCpuMs() {
    std::vector<double> t;
    for (int i = 0; i < 25; ++i) {
        const double a = ThreadCpuMs();
        ImGui::NewFrame();
        ImGui::SetNextWindowPos(ImVec2(0, 0));
        ImGui::SetNextWindowSize(ImVec2(1332, 800));
        ViewportPanel();
        ImGui::Render();
        const double b = ThreadCpuMs();
        glFinish();  // the rasteriser's work is not part of the figure
        if (i >= 5) t.push_back(b - a);
    }
    return Median(t);
}

void BenchViewport() {
    ImGuiContext* ctx = HeadlessUi();
    ResetScene();
    ResetGizmoState();
    ResetEditorCamera();
    g_camDist = 60.0f;
    const double empty = ViewportFrameCpuMs();
    // Cubes: with the software rasteriser, vertex work runs on the calling
    // thread and would swamp the editor's own cost with sphere and torus
    // vertices.
    PrimitiveGrid(1000, 2.0f, true);
    Entity* sun = AddEnt("Sun", -1);
    sun->hasLight = true;
    sun->transform.rotation = Vec3(-55, 30, 0);
    g_selId = g_ents[500].id;
    const double full = ViewportFrameCpuMs();
    std::printf("viewport_frame_cpu_1k_ms %.3f ms (render %dx%d)\n", full, g_vpW, g_vpH);
    std::printf("viewport_frame_cpu_empty_baseline_ms %.3f ms\n", empty);
    ImGui::DestroyContext(ctx);
}

} // namespace

int main() {
    BenchPick();
    BenchHierarchy();
    if (!glfwInit()) {
        std::fprintf(stderr, "no display: viewport figure skipped\n");
        return 0;
    }
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 3);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 2);
    glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);
    glfwWindowHint(GLFW_OPENGL_FORWARD_COMPAT, GLFW_TRUE);
    glfwWindowHint(GLFW_VISIBLE, GLFW_FALSE);
    GLFWwindow* window = glfwCreateWindow(64, 64, "bench-editor", nullptr, nullptr);
    if (!window) {
        std::fprintf(stderr, "no GL 3.2 context: viewport figure skipped\n");
        glfwTerminate();
        return 0;
    }
    glfwMakeContextCurrent(window);
    InitScenePrograms();
    InitShapes();
    InitViewportFBO();
    InitShadowFBO();
    BenchViewport();
    DeleteRenderTargets();
    DeleteShadowFBO();
    DestroyShapes();
    DeleteScenePrograms();
    glfwDestroyWindow(window);
    glfwTerminate();
    return 0;
}
