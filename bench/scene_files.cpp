// Scene file save/load and parallel file sync figures, one "name value unit"
// line each. The sync is measured against `cp -r` of the same tree in the
// same run (spawned with an argument vector). Each figure is the median of a
// few repetitions.

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "editor/legacy/base/EditorLog.h"
#include "editor/legacy/scene/EntityStore.h"
#include "editor/legacy/build/FileSync.h"
#include "editor/legacy/files/SceneFile.h"
#include "editor/legacy/scene/Undo.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

double NowMs() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void Print(const char* name, double value, const char* unit) { std::printf("%s %.2f %s\n", name, value, unit); }

void ClearStore() {
    g_ents.clear();
    g_entIdx.clear();
    g_scriptMeta.clear();
    g_nextId = 1;
    g_selId = -1;
    UndoClearHistory();
}

void BuildTypical(int n) {
    ClearStore();
    g_ents.reserve(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        Entity* e = AddEnt(("Entity " + std::to_string(i)).c_str(), i > 0 && i % 10 ? g_ents[i - i % 10].id : -1);
        e->transform.position = Vec3{i * 0.37f, (i % 17) * 1.1f, -i * 0.013f};
        e->transform.rotation = Vec3{0.0f, i * 3.7f, 0.0f};
        e->hasMesh = true;
        e->mesh.shape = i % 6;
        e->hasMaterial = true;
        e->material.baseColor = Vec4{(i % 255) / 255.0f, 0.5f, 0.25f, 1.0f};
        e->material.roughness = 0.4f + (i % 5) * 0.1f;
        CopyTextField(e->material.albedoTexture, "Textures/brick_albedo.png");
    }
}

void BuildFull(int n) {
    BuildTypical(n);
    for (int i = 0; i < n; ++i) {
        Entity& e = g_ents[static_cast<size_t>(i)];
        e.hasRigidBody = e.hasScript = e.hasLight = e.hasCamera = e.hasParticles = true;
        e.hasAudio = e.hasCanvas = e.hasUI = e.hasPrefab = e.hasCollider = e.hasLiquid = true;
        CopyTextField(e.script.scriptPath, "Scripts/player.fs");
        CopyTextField(e.audio.clip, "Audio/step.wav");
        CopyTextField(e.ui.text, "Score: 0");
        CopyTextField(e.prefab.path, "Prefabs/thing.prefab");
        ScriptMeta sm;
        CopyTextField(sm.scriptPath, "Scripts/player.fs");
        sm.fieldCount = 4;
        sm.parsed = true;
        for (int f = 0; f < 4; ++f) CopyTextField(sm.fields[f].fieldName, "speed");
        g_scriptMeta[e.id] = sm;
    }
}

int RunCommand(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
    int status = 0;
    if (waitpid(pid, &status, 0) < 0) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void MakeTree(const std::string& root, int files) {
    std::string payload;
    for (int i = 0; i < files; ++i) {
        std::string dir = root + "/d" + std::to_string(i % 100);
        if (i < 100) fs::create_directories(dir);
        payload.assign(512 + (i * 37) % 3584, static_cast<char>('a' + i % 26));
        std::ofstream(dir + "/file" + std::to_string(i) + ".dat", std::ios::binary) << payload;
    }
}

// A scene of n minimal entities with the given ids.
std::string IdsScene(const std::vector<int32_t>& ids) {
    std::string text = "# Korvane Scene v3\n";
    for (int32_t id : ids) {
        text += "entity " + std::to_string(id) + " \"E\" -1 1 1\ntransform 0 0 0 0 0 0 1 1 1\nend\n";
    }
    return text;
}

// Median load time of a file of n entities with ids 1..n, and of one whose
// ids are all multiples of the bucket count an identity-hashed index of n
// entries gets (the pattern that piles every id into one bucket).
void BenchIdPatterns(const std::string& root, int n, int reps) {
    std::vector<int32_t> plain, colliding;
    std::unordered_map<int32_t, int32_t> probe;
    probe.reserve(static_cast<size_t>(n));
    const int32_t buckets = static_cast<int32_t>(probe.bucket_count());
    for (int i = 1; i <= n; ++i) {
        plain.push_back(i);
        colliding.push_back(i * buckets);
    }
    const std::string plainPath = root + "/plain_ids.korvane", collidingPath = root + "/colliding_ids.korvane";
    std::ofstream(plainPath, std::ios::binary) << IdsScene(plain);
    std::ofstream(collidingPath, std::ios::binary) << IdsScene(colliding);
    std::vector<double> plainMs, collidingMs;
    for (int r = 0; r < reps; ++r) {
        for (int which = 0; which < 2; ++which) {
            ClearStore();
            const std::string& path = which ? collidingPath : plainPath;
            double t0 = NowMs();
            if (!LoadScene(path.c_str()) || g_ents.size() != static_cast<size_t>(n)) std::exit(9);
            (which ? collidingMs : plainMs).push_back(NowMs() - t0);
            LogClear();
        }
    }
    ClearStore();
    Print("scene_load_plain_ids_20k_ms", Median(plainMs), "ms");
    Print("scene_load_colliding_ids_20k_ms", Median(collidingMs), "ms");
}

}  // namespace

int main(int argc, char** argv) {
    // "scene" or "sync" runs only that half (for profiling).
    const std::string only = argc > 1 ? argv[1] : "";
    LogSetStderrMirror(false);
    char tmpl[] = "/tmp/korvane_bench_XXXXXX";
    if (!mkdtemp(tmpl)) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string root = tmpl;
    const std::string scene = root + "/bench.korvane";
    const int kEntities = 10000, kReps = 5;

    // ---- Scene files ----
    std::vector<double> save, load, full;
    if (only == "sync") goto sync_part;
    for (int r = 0; r < kReps; ++r) {
        BuildTypical(kEntities);
        double t0 = NowMs();
        if (!SaveScene(scene.c_str())) return 2;
        double t1 = NowMs();
        ClearStore();
        double t2 = NowMs();
        if (!LoadScene(scene.c_str()) || g_ents.size() != static_cast<size_t>(kEntities)) return 3;
        double t3 = NowMs();
        save.push_back(t1 - t0);
        load.push_back(t3 - t2);
        LogClear();
    }
    for (int r = 0; r < kReps; ++r) {
        BuildFull(kEntities);
        double t0 = NowMs();
        if (!SaveScene(scene.c_str())) return 4;
        ClearStore();
        if (!LoadScene(scene.c_str()) || g_ents.size() != static_cast<size_t>(kEntities)) return 5;
        full.push_back(NowMs() - t0);
        LogClear();
    }
    ClearStore();
    Print("scene_save_10k_typical_ms", Median(save), "ms");
    Print("scene_load_10k_typical_ms", Median(load), "ms");
    Print("scene_save_load_10k_full_ms", Median(full), "ms");
    BenchIdPatterns(root, 20000, 3);

sync_part:
    if (only == "scene") {
        fs::remove_all(root);
        return 0;
    }
    // ---- File sync ----
    {
    const std::string src = root + "/src";
    MakeTree(src, kEntities);
    std::vector<double> ours, cp, noop;
    const int kSyncReps = 5;
    for (int r = 0; r < kSyncReps; ++r) {
        const std::string dstCp = root + "/dst_cp", dstOurs = root + "/dst_ours";
        fs::remove_all(dstCp);
        fs::remove_all(dstOurs);
        sync();

        // Alternate which copy goes first, so neither always meets a file
        // system still busy with the other's writes.
        auto runCp = [&]() {
            double t = NowMs();
            bool ok = RunCommand({"cp", "-r", src, dstCp}) == 0;
            cp.push_back(NowMs() - t);
            return ok;
        };
        std::vector<BuildFileEntry> list;
        int updated = 0, cached = 0;
        auto runOurs = [&]() {
            double t = NowMs();
            bool ok = CopyTreeFast(src, dstOurs, &updated, &cached, &list) && updated == kEntities;
            ours.push_back(NowMs() - t);
            return ok;
        };
        if (r % 2 == 0 ? !(runCp() && runOurs()) : !(runOurs() && runCp())) return 7;
        sync();

        double t0 = NowMs();
        t0 = NowMs();
        if (!CopyTreeFast(src, dstOurs, &updated, &cached, &list) || cached != kEntities) return 8;
        noop.push_back(NowMs() - t0);
    }
    Print("sync_10k_small_files_ms", Median(ours), "ms");
    Print("sync_10k_small_files_cp_ms", Median(cp), "ms");
    Print("sync_noop_10k_ms", Median(noop), "ms");
    }

    fs::remove_all(root);
    return 0;
}
