// Texture loading without a GL context: the box filter and target sizes, the
// decode worker's queue (one request per key, owned path copies, upload
// budget, draining shutdown), remembered synchronous failures and the lazy
// editor icons' time limit.

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "editor/assets/EditorIcons.h"
#include "editor/assets/ImageCodec.h"
#include "editor/assets/Textures.h"
#include "editor/legacy/base/EditorLog.h"
#include "editor/legacy/base/ProjectPaths.h"

namespace fs = std::filesystem;

namespace {

// ---- Pure helpers --------------------------------------------------------------

std::vector<uint8_t> Pixels(std::initializer_list<uint8_t> values) { return std::vector<uint8_t>(values); }

TEST(DownsampleRGBA, BoxFilterCases) {
    struct Case {
        const char* what;
        std::vector<uint8_t> src;
        int sw, sh, dw, dh;
        std::vector<uint8_t> expected;
    };
    const Case cases[] = {
        {"2x2 to 1x1 truncates the average",
         Pixels({10, 0, 0, 255, 11, 0, 0, 255, 12, 0, 0, 255, 13, 1, 0, 254}),
         2, 2, 1, 1,
         Pixels({11, 0, 0, 254})},
        {"4x1 to 2x1 averages pairs",
         Pixels({0, 0, 0, 0, 100, 100, 100, 100, 200, 0, 0, 0, 255, 0, 0, 0}),
         4, 1, 2, 1,
         Pixels({50, 50, 50, 50, 227, 0, 0, 0})},
        {"3x1 to 2x1 uses uneven boxes [0,1) and [1,3)",
         Pixels({30, 0, 0, 0, 60, 0, 0, 0, 91, 0, 0, 0}),
         3, 1, 2, 1,
         Pixels({30, 0, 0, 0, 75, 0, 0, 0})},
        {"1x1 to 2x2 repeats the pixel (empty boxes widen to one)",
         Pixels({1, 2, 3, 4}),
         1, 1, 2, 2,
         Pixels({1, 2, 3, 4, 1, 2, 3, 4, 1, 2, 3, 4, 1, 2, 3, 4})},
        {"same size copies", Pixels({9, 8, 7, 6}), 1, 1, 1, 1, Pixels({9, 8, 7, 6})},
        {"zero target gives nothing", Pixels({9, 8, 7, 6}), 1, 1, 0, 1, {}},
        {"zero source gives nothing", Pixels({9, 8, 7, 6}), 0, 1, 1, 1, {}},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> out(7, 0xAB);  // stale content must not survive
        DownsampleRGBA(c.src.data(), c.sw, c.sh, c.dw, c.dh, out);
        EXPECT_EQ(out, c.expected) << c.what;
    }
    std::vector<uint8_t> out(3, 1);
    DownsampleRGBA(nullptr, 2, 2, 1, 1, out);
    EXPECT_TRUE(out.empty());
}

TEST(DownsampleRGBA, LargeBoxesDoNotOverflow) {
    // 512x512 white into one pixel: the sum exceeds 16 bits many times over.
    std::vector<uint8_t> src(512 * 512 * 4, 255), out;
    DownsampleRGBA(src.data(), 512, 512, 1, 1, out);
    EXPECT_EQ(out, Pixels({255, 255, 255, 255}));
}

// The plain definition: each target pixel averages its box, box by box.
std::vector<uint8_t> ReferenceDownsample(const std::vector<uint8_t>& src, int sw, int sh, int dw, int dh) {
    std::vector<uint8_t> out(size_t(dw) * dh * 4, 0);
    for (int y = 0; y < dh; ++y) {
        int y0 = y * sh / dh, y1 = (y + 1) * sh / dh;
        if (y0 >= y1) y1 = y0 + 1;
        y1 = std::min(y1, sh);
        for (int x = 0; x < dw; ++x) {
            int x0 = x * sw / dw, x1 = (x + 1) * sw / dw;
            if (x0 >= x1) x1 = x0 + 1;
            x1 = std::min(x1, sw);
            for (int c = 0; c < 4; ++c) {
                unsigned sum = 0, n = 0;
                for (int sy = y0; sy < y1; ++sy) {
                    for (int sx = x0; sx < x1; ++sx, ++n) sum += src[(size_t(sy) * sw + sx) * 4 + c];
                }
                out[(size_t(y) * dw + x) * 4 + c] = n ? uint8_t(sum / n) : 0;
            }
        }
    }
    return out;
}

TEST(DownsampleRGBA, MatchesTheBoxDefinitionOnOddSizes) {
    const int sizes[][4] = {{97, 61, 13, 7}, {64, 64, 64, 64}, {300, 17, 96, 5}, {5, 300, 1, 96}, {7, 5, 9, 11}};
    uint32_t seed = 7;
    for (const auto& z : sizes) {
        std::vector<uint8_t> src(size_t(z[0]) * z[1] * 4);
        for (uint8_t& b : src) b = uint8_t((seed = seed * 1103515245u + 12345u) >> 24);
        std::vector<uint8_t> out;
        DownsampleRGBA(src.data(), z[0], z[1], z[2], z[3], out);
        EXPECT_EQ(out, ReferenceDownsample(src, z[0], z[1], z[2], z[3])) << z[0] << "x" << z[1] << " -> " << z[2]
                                                                         << "x" << z[3];
    }
}

TEST(FastTextureTargetSize, LongerSideLimitedNeverBelowOne) {
    struct Case {
        int w, h, maxDim, ew, eh;
    } cases[] = {
        {4000, 1000, 384, 384, 96}, {200, 100, 384, 200, 100}, {1, 1000, 96, 1, 96},   {1000, 1, 96, 96, 1},
        {2048, 2048, 384, 384, 384}, {5000, 3000, 0, 5000, 3000}, {5000, 3000, -1, 5000, 3000},
        {384, 384, 384, 384, 384},  {385, 10, 384, 384, 10},     {0, 10, 96, 0, 0},
    };
    for (const Case& c : cases) {
        int w = -1, h = -1;
        FastTextureTargetSize(c.w, c.h, c.maxDim, &w, &h);
        EXPECT_EQ(w, c.ew) << c.w << "x" << c.h << " max " << c.maxDim;
        EXPECT_EQ(h, c.eh) << c.w << "x" << c.h << " max " << c.maxDim;
    }
}

TEST(FastTextureKey, SpellsModeSizeMipmapsAndWrap) {
    EXPECT_EQ(FastTextureKey("/a/b.png", false, 96, false), "ui:lin:96:0:/a/b.png");
    EXPECT_EQ(FastTextureKey("/a/b.png", true, 0, true), "ui:srgb:0:1:/a/b.png");
    EXPECT_EQ(FastTextureKey("/a/b.png", true, 0, true, true), "tex:srgb:0:1:/a/b.png");
}

// ---- Fixture with image files and a clean loader ------------------------------

class TextureLoader : public ::testing::Test {
protected:
    fs::path dir;

    void SetUp() override {
        char tmpl[] = "/tmp/korvane_tex_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
        Reset();
        g_fastTexUploader = [](const FastTextureDecoded& d) -> uint32_t {
            uploads.push_back(d.key);
            return uint32_t(1000 + uploads.size());
        };
        uploads.clear();
        LogClear();
    }
    void TearDown() override {
        Reset();
        g_fastTexUploader = UploadFastTexture;
        fs::remove_all(dir);
    }
    static void Reset() {
        ShutdownFastTextureLoader();
        // No context here: forget the fake names without deleting them.
        g_textureCache.clear();
        g_fastTexGpu.clear();
        g_thumbCache.clear();
        g_textureFailed.clear();
        ResetEditorIconGlobals();
    }

    std::string WritePng(const std::string& name, int w, int h, uint8_t value = 128) {
        std::vector<uint8_t> px(size_t(w) * size_t(h) * 4, value);
        std::string path = (dir / name).string();
        EXPECT_TRUE(WritePngRGBA(path, w, h, px.data()));
        return path;
    }

    static size_t ReadyCount() {
        std::lock_guard<std::mutex> lock(g_fastTexMutex);
        return g_fastTexReady.size();
    }
    static bool WaitReady(size_t n) {
        for (int i = 0; i < 2000; ++i) {
            if (ReadyCount() >= n) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return false;
    }

    static inline std::vector<std::string> uploads;
};

TEST_F(TextureLoader, DecodeShrinksUiImagesAndReportsFailures) {
    FastTextureRequest r;
    r.path = WritePng("wide.png", 400, 100);
    r.maxDim = 96;
    FastTextureDecoded d = DecodeFastTexture(r);
    EXPECT_EQ(d.width, 96);
    EXPECT_EQ(d.height, 24);
    EXPECT_EQ(d.pixels.size(), size_t(96 * 24 * 4));
    EXPECT_EQ(d.pixels[0], 128);

    r.maxDim = 0;
    d = DecodeFastTexture(r);
    EXPECT_EQ(d.width, 400);

    r.path = (dir / "missing.png").string();
    d = DecodeFastTexture(r);
    EXPECT_TRUE(d.pixels.empty());
    EXPECT_EQ(d.width, 0);
}

TEST_F(TextureLoader, DuplicateRequestsQueueOnceAndBothStayPending) {
    std::string path = WritePng("a.png", 8, 8);
    bool pending1 = false, pending2 = false;
    uint64_t before = g_fastTexProcessed.load();
    EXPECT_EQ(RequestFastUIImage(path.c_str(), false, 96, false, &pending1), 0u);
    EXPECT_EQ(RequestFastUIImage(path.c_str(), false, 96, false, &pending2), 0u);
    EXPECT_TRUE(pending1);
    EXPECT_TRUE(pending2);
    ASSERT_TRUE(WaitReady(1));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(ReadyCount(), 1u);
    EXPECT_EQ(g_fastTexProcessed.load() - before, 1u);

    EXPECT_EQ(PumpFastTextureUploads(3), 1);
    uint32_t a = RequestFastUIImage(path.c_str(), false, 96, false, &pending1);
    uint32_t b = RequestFastUIImage(path.c_str(), false, 96, false, &pending2);
    EXPECT_NE(a, 0u);
    EXPECT_EQ(a, b);
    EXPECT_FALSE(pending1);
    EXPECT_EQ(uploads.size(), 1u);

    // The same file as sRGB is another texture.
    EXPECT_EQ(RequestFastUIImage(path.c_str(), true, 96, false), 0u);
    ASSERT_TRUE(WaitReady(1));
    PumpFastTextureUploads(3);
    EXPECT_NE(RequestFastUIImage(path.c_str(), true, 96, false), a);
}

TEST_F(TextureLoader, RequestOwnsItsPathCopy) {
    // Callers pass AssetPath's shared buffer, which the next call rewrites.
    g_assetRoot = dir.string();
    WritePng("one.png", 4, 4);
    const char* shared = AssetPath("one.png");
    std::string expected = shared;
    RequestFastUIImage(shared, false, 96, false);
    AssetPath("zzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzz.png");
    ASSERT_TRUE(WaitReady(1));
    std::lock_guard<std::mutex> lock(g_fastTexMutex);
    EXPECT_EQ(g_fastTexReady.front().path, expected);
    EXPECT_FALSE(g_fastTexReady.front().pixels.empty());
}

TEST_F(TextureLoader, UploadBudgetLimitsEachPumpAndFailuresUseIt) {
    std::vector<std::string> paths;
    for (int i = 0; i < 5; ++i) paths.push_back(WritePng("img" + std::to_string(i) + ".png", 4, 4));
    std::string missing = (dir / "missing.png").string();
    RequestFastUIImage(missing.c_str(), false, 96, false);  // fails first, in queue order
    for (const auto& p : paths) RequestFastUIImage(p.c_str(), false, 96, false);
    ASSERT_TRUE(WaitReady(6));

    EXPECT_EQ(PumpFastTextureUploads(0), 0);
    EXPECT_EQ(PumpFastTextureUploads(-2), 0);
    EXPECT_EQ(ReadyCount(), 6u);
    EXPECT_EQ(PumpFastTextureUploads(3), 2) << "the failed decode took one unit";
    EXPECT_EQ(ReadyCount(), 3u);
    EXPECT_EQ(PumpFastTextureUploads(3), 3);
    EXPECT_EQ(PumpFastTextureUploads(3), 0);
    EXPECT_EQ(uploads.size(), 5u);

    // A failed request stays pending and is never queued again.
    bool pending = false;
    EXPECT_EQ(RequestFastUIImage(missing.c_str(), false, 96, false, &pending), 0u);
    EXPECT_TRUE(pending);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(ReadyCount(), 0u);
}

TEST_F(TextureLoader, ShutdownWithAFullQueueDrainsAndJoins) {
    std::string path = WritePng("big.png", 256, 256);
    uint64_t before = g_fastTexProcessed.load();
    // Distinct keys for one file: every request is decoded.
    for (int i = 1; i <= 40; ++i) RequestFastUIImage(path.c_str(), false, i, false);
    ShutdownFastTextureLoader();
    EXPECT_EQ(g_fastTexProcessed.load() - before, 40u);
    EXPECT_FALSE(g_fastTexWorkerStarted);
    EXPECT_TRUE(g_fastTexWorkers.empty());
    EXPECT_TRUE(g_fastTexQueue.empty());
    EXPECT_TRUE(g_fastTexReady.empty());
    EXPECT_TRUE(g_fastTexQueued.empty());
    // A second shutdown is harmless, and the loader starts again on demand.
    ShutdownFastTextureLoader();
    RequestFastUIImage(path.c_str(), false, 96, false);
    EXPECT_TRUE(g_fastTexWorkerStarted);
    ASSERT_TRUE(WaitReady(1));
}

TEST_F(TextureLoader, FailedSynchronousLoadIsRememberedUntilTheFileChanges) {
    std::string path = (dir / "late.png").string();
    for (int i = 0; i < 10; ++i) EXPECT_EQ(LoadTextureFileCached(path.c_str(), true), 0u);
    ASSERT_EQ(LogCount(), 1u);
    EXPECT_EQ(LogSnapshot()[0].text, "Texture not found/decode failed: " + path);
    EXPECT_EQ(LogSnapshot()[0].level, 4);

    // The file appears, but broken: one more attempt and one more line.
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("not an image", f);
    std::fclose(f);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(LoadTextureFileCached(path.c_str(), true), 0u);
    EXPECT_EQ(LogCount(), 2u);
    // The linear variant is its own key.
    EXPECT_EQ(LoadTextureFileCached(path.c_str(), false), 0u);
    EXPECT_EQ(LogCount(), 3u);
    EXPECT_EQ(LoadTextureFileCached("", false), 0u);
    EXPECT_EQ(LogCount(), 3u);
}

TEST_F(TextureLoader, ThumbsAndIconsUseTheirSizes) {
    std::string path = WritePng("photo.png", 1000, 250);
    EXPECT_EQ(GetThumb(path.c_str()), 0u);
    EXPECT_EQ(LoadIcon(path.c_str()), 0u);
    ASSERT_TRUE(WaitReady(2));
    std::lock_guard<std::mutex> lock(g_fastTexMutex);
    EXPECT_EQ(g_fastTexReady[0].key, FastTextureKey(path, false, 384, false));
    EXPECT_EQ(g_fastTexReady[0].width, 384);
    EXPECT_EQ(g_fastTexReady[0].height, 96);
    EXPECT_FALSE(g_fastTexReady[0].repeat);
    EXPECT_EQ(g_fastTexReady[1].width, 96);
    EXPECT_EQ(g_fastTexReady[1].height, 24);
}

TEST_F(TextureLoader, MaterialTexturesRequestRepeatWithMipmaps) {
    std::string path = WritePng("brick.png", 16, 16);
    EXPECT_EQ(RequestTextureFileCachedAsync(path.c_str(), true), 0u);
    ASSERT_TRUE(WaitReady(1));
    {
        std::lock_guard<std::mutex> lock(g_fastTexMutex);
        const FastTextureDecoded& d = g_fastTexReady.front();
        EXPECT_TRUE(d.repeat);
        EXPECT_TRUE(d.mipmaps);
        EXPECT_TRUE(d.srgb);
        EXPECT_EQ(d.width, 16);
    }
    PumpFastTextureUploads(3);
    uint32_t tex = RequestTextureFileCachedAsync(path.c_str(), true);
    EXPECT_NE(tex, 0u);
    EXPECT_EQ(g_textureCache.at("srgb:" + path), tex);
}

TEST_F(TextureLoader, LazyIconsGiveUpAfterTheTimeLimit) {
    g_assetRoot = dir.string();  // no icons here
    TickLazyEditorIcons(64);
    EXPECT_FALSE(g_lazyIconsDone);
    EXPECT_GT(g_lazyIconsStartTime, 0.0);
    EXPECT_EQ(LogCount(), 0u);
    g_lazyIconsStartTime = LazyIconClock() - 1.6;
    TickLazyEditorIcons(64);
    EXPECT_TRUE(g_lazyIconsDone);
    ASSERT_EQ(LogCount(), 1u);
    EXPECT_EQ(LogSnapshot()[0].level, 3);
    EXPECT_EQ(LogSnapshot()[0].text,
              "Continuing startup with fallback editor icons; some optional icon textures did not load.");
    TickLazyEditorIcons(64);  // done: nothing more
    EXPECT_EQ(LogCount(), 1u);
    EXPECT_EQ(g_icoCam, 0u);
}

TEST_F(TextureLoader, IconIndicesBeyondTheTable) {
    // Without extra slots, 35 and 36 have nothing to wait for.
    EXPECT_TRUE(LoadEditorIconByIndex(35));
    EXPECT_TRUE(LoadEditorIconByIndex(36));
    EXPECT_FALSE(g_lazyIconsDone);
    EXPECT_TRUE(LoadEditorIconByIndex(37));
    EXPECT_TRUE(g_lazyIconsDone);
    g_lazyIconsDone = false;
    EXPECT_TRUE(LoadEditorIconByIndex(-1));
    EXPECT_TRUE(g_lazyIconsDone);
    // Icons that share an image share a table file.
    EXPECT_STREQ(kEditorIcons[4].file, kEditorIcons[14].file);
    EXPECT_STREQ(kEditorIcons[18].file, kEditorIcons[25].file);
}

TEST_F(TextureLoader, LazyIconsFinishWhenEveryIconArrives) {
    g_assetRoot = KORVANE_RESOURCES_DIR;
    uint32_t lockClosed = 0, lockOpen = 0;
    SetExtraEditorIcon(35, &lockClosed, "icons/lock_closed.png");
    SetExtraEditorIcon(36, &lockOpen, "icons/lock_open.png");
    SetExtraEditorIcon(37, &lockOpen, "icons/ignored.png");
    for (int i = 0; i < 2000 && !g_lazyIconsDone; ++i) {
        TickLazyEditorIcons(64);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        // Keep the time limit out of the way on a slow machine.
        g_lazyIconsStartTime = LazyIconClock();
    }
    EXPECT_TRUE(g_lazyIconsDone);
    EXPECT_EQ(LogCount(), 0u);
    for (const EditorIconEntry& e : kEditorIcons) EXPECT_NE(*e.global, 0u) << e.file;
    EXPECT_EQ(g_icoObj, g_icoFile);
    EXPECT_EQ(g_icoGrid, g_icoGridShow);
    EXPECT_NE(lockClosed, 0u);
    EXPECT_NE(lockOpen, 0u);
    EXPECT_NE(lockClosed, lockOpen);
    EXPECT_EQ(uploads.size(), 35u) << "two table entries reuse another's image";
    ResetEditorIconGlobals();
    EXPECT_EQ(lockClosed, 0u);
    SetExtraEditorIcon(35, nullptr, nullptr);
    SetExtraEditorIcon(36, nullptr, nullptr);
}

}  // namespace
