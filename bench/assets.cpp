// Image and loading figures, in process on a hidden window:
//
//   decode_32_images_2048_ms          32 PNGs of 2048 x 2048 requested as project
//                                     browser thumbnails (GetThumb) until every one
//                                     is an uploaded texture, pumping 3 uploads per
//                                     frame as the editor does
//   baseline_decode_32_images_2048_sync_ms   the same files decoded one after the
//                                     other on the calling thread (no shrinking,
//                                     no upload): what the worker saves the UI
//   hub_to_editor_ms                  BeginProjectLoading of the sample project to
//                                     the editor state, loading screen drawn and
//                                     frames paced at 120 per second as the main
//                                     loop does (fresh process: all twelve steps)
//   project_switch_ms                 the same for a second opening (steps 8..10)
//
// Each figure is the median of three runs. Needs a display (scripts/bench.sh
// provides Xvfb).

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

#include "editor/assets/EditorIcons.h"
#include "editor/assets/ImageCodec.h"
#include "editor/assets/Textures.h"
#include "editor/legacy/base/AppState.h"
#include "editor/legacy/shell/LoadingSequence.h"
#include "editor/legacy/base/ProjectPaths.h"
#include "editor/legacy/shell/ShellLogic.h"
#include "editor/ui/frame/LoadingSteps.h"
#include "editor/render/GL.h"
#include "editor/render/Meshes.h"
#include "editor/ui/shell/LoadingScreen.h"
#include "imgui.h"
#include "imgui_impl_opengl3.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double MsSince(Clock::time_point t) { return std::chrono::duration<double, std::milli>(Clock::now() - t).count(); }

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

class SteadyPaceClock : public PaceClock {
public:
    double Now() override { return std::chrono::duration<double>(Clock::now().time_since_epoch()).count(); }
    void Sleep(double seconds) override {
        if (seconds > 0) std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    }
};

// A 2048 x 2048 image that does not compress to nothing.
std::string WriteTestImage(const std::string& dir) {
    const int n = 2048;
    std::vector<uint8_t> px(size_t(n) * n * 4);
    uint32_t seed = 12345;
    for (int y = 0; y < n; ++y) {
        for (int x = 0; x < n; ++x) {
            seed = seed * 1664525u + 1013904223u;
            uint8_t* p = &px[(size_t(y) * n + x) * 4];
            p[0] = uint8_t(x / 8 + (seed >> 28));
            p[1] = uint8_t(y / 8 + (seed >> 29));
            p[2] = uint8_t((x ^ y) + (seed >> 30));
            p[3] = 255;
        }
    }
    std::string path = dir + "/source.png";
    if (!WritePngRGBA(path, n, n, px.data())) return {};
    return path;
}

double DecodeThumbsOnce(const std::vector<std::string>& files) {
    ShutdownFastTextureLoader();
    ReleaseTextureCaches();
    auto t0 = Clock::now();
    for (;;) {
        PumpFastTextureUploads(3);
        size_t ready = 0;
        for (const std::string& f : files) ready += GetThumb(f.c_str()) ? 1 : 0;
        if (ready == files.size()) break;
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    glFinish();
    return MsSince(t0);
}

double DecodeSyncOnce(const std::vector<std::string>& files) {
    auto t0 = Clock::now();
    size_t bytes = 0;
    for (const std::string& f : files) {
        DecodedImage img;
        if (img.Load(f.c_str())) bytes += size_t(img.Width()) * size_t(img.Height());
    }
    if (bytes == 0) std::fprintf(stderr, "baseline decoded nothing\n");
    return MsSince(t0);
}

// One main-loop frame of the loading state: uploads, loading screen, present,
// loading work, pacing.
void LoadingFrame(GLFWwindow* win, FramePacer& pacer) {
    PumpFastTextureUploads(4);
    ImGui_ImplOpenGL3_NewFrame();
    ImGuiIO& io = ImGui::GetIO();
    int w = 0, h = 0;
    glfwGetFramebufferSize(win, &w, &h);
    io.DisplaySize = ImVec2(float(w), float(h));
    io.DeltaTime = 1.0f / 120.0f;
    ImGui::NewFrame();
    if (g_state == 1) LoadingScreen();
    ImGui::Render();
    glViewport(0, 0, w, h);
    glClear(GL_COLOR_BUFFER_BIT);
    ImGui_ImplOpenGL3_RenderDrawData(ImGui::GetDrawData());
    glfwSwapBuffers(win);
    AdvanceLoadingAfterPresent();
    SteadyPaceClock clock;
    PaceMainLoopWith(pacer, g_state, clock);
}

double OpenProjectOnce(GLFWwindow* win, const std::string& root) {
    SetProjectRoot(root);
    FramePacer pacer;
    auto t0 = Clock::now();
    if (!BeginProjectLoading()) return -1;
    for (int i = 0; i < 5000 && g_state == 1; ++i) LoadingFrame(win, pacer);
    return g_state == 2 ? MsSince(t0) : -1;
}

}  // namespace

int main(int argc, char** argv) {
    if (!glfwInit()) {
        std::fprintf(stderr, "bench_assets: no display\n");
        return 1;
    }
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 3);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 2);
    glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);
    glfwWindowHint(GLFW_VISIBLE, GLFW_FALSE);
    GLFWwindow* win = glfwCreateWindow(820, 560, "bench_assets", nullptr, nullptr);
    if (!win) {
        std::fprintf(stderr, "bench_assets: no OpenGL 3.2 context\n");
        glfwTerminate();
        return 1;
    }
    glfwMakeContextCurrent(win);
    glfwSwapInterval(0);

    char tmpl[] = "/tmp/korvane_bench_assets_XXXXXX";
    if (!mkdtemp(tmpl)) return 1;
    const std::string dir = tmpl;

    // ---- Thumbnails through the worker versus a plain decode ----------------
    const std::string source = WriteTestImage(dir);
    std::vector<std::string> files;
    for (int i = 0; i < 32; ++i) {
        std::string f = dir + "/image_" + std::to_string(i) + ".png";
        fs::copy_file(source, f);
        files.push_back(f);
    }
    std::vector<double> thumbs, sync;
    for (int run = 0; run < 3; ++run) {
        thumbs.push_back(DecodeThumbsOnce(files));
        sync.push_back(DecodeSyncOnce(files));
    }
    const double thumbMs = Median(thumbs), syncMs = Median(sync);
    std::printf("decode_32_images_2048_ms %.1f ms\n", thumbMs);
    std::printf("baseline_decode_32_images_2048_sync_ms %.1f ms\n", syncMs);
    std::printf("decode_32_images_2048_vs_sync_ratio %.2f x\n", thumbMs / syncMs);
    std::fflush(stdout);
    ShutdownFastTextureLoader();
    ReleaseTextureCaches();

    // ---- Opening the sample project ------------------------------------------
    ImGui::CreateContext();
    ImGui::GetIO().IniFilename = nullptr;
    ImGui_ImplOpenGL3_Init("#version 150");
    // The asset root next to the build's executables, the sample beside this source.
    SetAssetRootFromArgv(argc, argv);
    const std::string sample = fs::path(__FILE__).parent_path().parent_path().string() + "/samples/SampleProject";
    std::vector<double> fresh, again;
    for (int run = 0; run < 3; ++run) {
        // Each run starts like a fresh process: nothing initialised, nothing cached.
        ShutdownFastTextureLoader();
        ReleaseTextureCaches();
        DestroyShapes();
        g_runtimeCoreInitialized = false;
        g_state = 0;
        const std::string root = dir + "/Sample_" + std::to_string(run);
        fs::copy(sample, root, fs::copy_options::recursive);
        fresh.push_back(OpenProjectOnce(win, root));
        again.push_back(OpenProjectOnce(win, root));
    }
    std::printf("hub_to_editor_ms %.1f ms\n", Median(fresh));
    std::printf("project_switch_ms %.1f ms\n", Median(again));

    ShutdownFastTextureLoader();
    ReleaseTextureCaches();
    DestroyShapes();
    ImGui_ImplOpenGL3_Shutdown();
    ImGui::DestroyContext();
    glfwDestroyWindow(win);
    glfwTerminate();
    std::error_code ec;
    fs::remove_all(dir, ec);
    return 0;
}
