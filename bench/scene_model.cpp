// Scene model costs: snapshot capture and restore (every undo step and play
// start copies the whole scene), undo history memory, and world matrices
// through a hierarchy. Baselines measured in the same run: a bare memcpy of
// the entity bytes, and local matrices without parent walks.

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "editor/legacy/scene/Entity.h"
#include "editor/legacy/scene/EntityStore.h"
#include "editor/legacy/scene/KorvaneMath.h"
#include "editor/legacy/scene/Undo.h"

namespace {

using Clock = std::chrono::steady_clock;

template <class F>
double MedianMicros(int runs, F&& f) {
    std::vector<double> t;
    t.reserve(runs);
    for (int i = 0; i < runs; ++i) {
        auto a = Clock::now();
        f();
        auto b = Clock::now();
        t.push_back(std::chrono::duration<double, std::micro>(b - a).count());
    }
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
}

void ResetScene() {
    UndoClearHistory();
    g_ents.clear();
    g_entIdx.clear();
    g_scriptMeta.clear();
    g_nextId = 1;
    g_selId = -1;
}

// Entities with mesh, material and rigid body, in chains of `depth`.
void BuildScene(int count, int depth) {
    ResetScene();
    g_ents.reserve(count);
    int32_t parent = -1;
    for (int i = 0; i < count; ++i) {
        if (depth <= 1 || i % depth == 0) parent = -1;
        Entity* e = AddEnt("Crate", parent);
        e->hasMesh = e->hasMaterial = e->hasRigidBody = true;
        CopyTextField(e->material.albedoTexture, "Assets/Textures/crate_albedo.png");
        e->transform.position = {float(i % 7), 0.5f, float(i % 11)};
        e->transform.rotation = {5.0f, float(i % 360), 0.0f};
        parent = e->id;
    }
}

long ResidentBytes() {
    long pages = 0, resident = 0;
    FILE* f = std::fopen("/proc/self/statm", "r");
    if (!f) return 0;
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
    return resident * sysconf(_SC_PAGESIZE);
}

volatile float g_sink;

}  // namespace

int main() {
    BuildScene(1000, 1);
    SceneSnapshot keep;
    double capture1k = MedianMicros(200, [] {
        SceneSnapshot s = CaptureSceneSnapshot();
        g_sink = s.ents.back().transform.position.x;
    });
    const size_t rawBytes = g_ents.size() * sizeof(Entity);
    double memcpy1k = MedianMicros(200, [&] {
        std::unique_ptr<char[]> copy(new char[rawBytes]);
        std::memcpy(copy.get(), static_cast<const void*>(g_ents.data()), rawBytes);
        g_sink = float(copy[rawBytes / 2]);
    });
    keep = CaptureSceneSnapshot();
    double restore1k = MedianMicros(200, [&] { RestoreSceneSnapshot(keep); });
    std::printf("snapshot_capture_1k_us %.1f us\n", capture1k);
    std::printf("snapshot_capture_1k_memcpy_baseline_us %.1f us\n", memcpy1k);
    std::printf("snapshot_restore_1k_us %.1f us\n", restore1k);

    // 100 undo pushes at 1,000 entities: what the history really costs.
    long before = ResidentBytes();
    for (int i = 0; i < 100; ++i) {
        SceneSnapshot s = CaptureSceneSnapshot();
        g_ents[i].transform.position.y += 1.0f;
        UndoPushSnapshot(s, "Change Position");
    }
    long after = ResidentBytes();
    std::printf("undo_memory_100_steps_1k_mb %.1f MB\n", double(after - before) / (1024.0 * 1024.0));
    std::printf("undo_accounted_100_steps_1k_mb %.1f MB\n", double(UndoHistoryBytes()) / (1024.0 * 1024.0));
    UndoClearHistory();

    BuildScene(10000, 1);
    double capture10k = MedianMicros(20, [] {
        SceneSnapshot s = CaptureSceneSnapshot();
        g_sink = s.ents.back().transform.position.x;
    });
    std::printf("snapshot_capture_10k_ms %.2f ms\n", capture10k / 1000.0);

    BuildScene(1000, 8);
    double world = MedianMicros(200, [] {
        float acc = 0;
        for (const Entity& e : g_ents) acc += EntityModelMatrix(e).m[12];
        g_sink = acc;
    });
    double local = MedianMicros(200, [] {
        float acc = 0;
        for (const Entity& e : g_ents) acc += EntityLocalMatrix(e).m[12];
        g_sink = acc;
    });
    std::printf("model_matrix_1k_depth8_us %.1f us\n", world);
    std::printf("local_matrix_1k_baseline_us %.1f us\n", local);
    ResetScene();
    return 0;
}
