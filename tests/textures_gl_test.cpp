// Textures on the GPU: sizes after shrinking, sRGB versus linear storage,
// repeat for material textures on both paths, clamp for UI images, mipmap
// chains, the loader artwork and the editor icons from the asset root.

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "editor/assets/EditorIcons.h"
#include "editor/assets/ImageCodec.h"
#include "editor/assets/Textures.h"
#include "editor/legacy/base/AppState.h"
#include "editor/legacy/base/EditorLog.h"
#include "editor/legacy/base/ProjectPaths.h"
#include "editor/render/GL.h"
#include "tests/support/GlHarness.h"

namespace fs = std::filesystem;
using namespace korvane::test;

namespace {

struct TexInfo {
    GLint width = 0, height = 0, format = 0, wrapS = 0, wrapT = 0, minFilter = 0;
    int levels = 0;  // mip levels with a non-zero width
};

TexInfo Inspect(uint32_t tex) {
    TexInfo t;
    glBindTexture(GL_TEXTURE_2D, tex);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &t.width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &t.height);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &t.format);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &t.wrapS);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &t.wrapT);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &t.minFilter);
    for (int level = 0; level < 16; ++level) {
        GLint w = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &w);
        if (w == 0) break;
        t.levels = level + 1;
    }
    glBindTexture(GL_TEXTURE_2D, 0);
    return t;
}

class Textures : public GlTest {
protected:
    fs::path dir;
    void SetUp() override {
        GlTest::SetUp();
        if (IsSkipped()) return;
        char tmpl[] = "/tmp/korvane_texgl_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
        Release();
        LogClear();
    }
    void TearDown() override {
        if (!dir.empty()) {
            Release();
            fs::remove_all(dir);
        }
        g_gameBuild = false;
    }
    static void Release() {
        ShutdownFastTextureLoader();
        ReleaseTextureCaches();
    }
    std::string WritePng(const std::string& name, int w, int h) {
        std::vector<uint8_t> px(size_t(w) * size_t(h) * 4);
        for (size_t i = 0; i < px.size(); ++i) px[i] = uint8_t(i * 7);
        std::string path = (dir / name).string();
        EXPECT_TRUE(WritePngRGBA(path, w, h, px.data()));
        return path;
    }
    // Pumps uploads until the request gives a texture (or a second passes).
    template <typename F>
    static uint32_t Await(F request) {
        for (int i = 0; i < 1000; ++i) {
            if (uint32_t tex = request()) return tex;
            PumpFastTextureUploads(4);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return 0;
    }
};

TEST_F(Textures, SynchronousMaterialTextureRepeatsWithFullMipChain) {
    std::string path = WritePng("brick.png", 64, 32);
    uint32_t srgb = LoadTextureFileCached(path.c_str(), true);
    uint32_t lin = LoadTextureFileCached(path.c_str(), false);
    ASSERT_NE(srgb, 0u);
    ASSERT_NE(lin, 0u);
    EXPECT_NE(srgb, lin);
    EXPECT_EQ(LoadTextureFileCached(path.c_str(), true), srgb);
    TexInfo s = Inspect(srgb), l = Inspect(lin);
    EXPECT_EQ(s.width, 64);
    EXPECT_EQ(s.height, 32);
    EXPECT_EQ(s.format, GL_SRGB8_ALPHA8);
    EXPECT_EQ(l.format, GL_RGBA8);
    EXPECT_EQ(s.wrapS, GL_REPEAT);
    EXPECT_EQ(s.wrapT, GL_REPEAT);
    EXPECT_EQ(s.minFilter, GL_LINEAR_MIPMAP_LINEAR);
    EXPECT_EQ(s.levels, 7);  // 64x32 down to 1x1
    EXPECT_EQ(LogCount(), 0u);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(Textures, AsynchronousMaterialTextureMatchesTheBuiltGame) {
    std::string path = WritePng("tiles.png", 32, 32);
    uint32_t tex = Await([&] { return GetTextureFileForRender(path.c_str(), true); });
    ASSERT_NE(tex, 0u);
    TexInfo t = Inspect(tex);
    EXPECT_EQ(t.format, GL_SRGB8_ALPHA8);
    EXPECT_EQ(t.wrapS, GL_REPEAT) << "a tiled material must look the same in the editor and in a game";
    EXPECT_EQ(t.wrapT, GL_REPEAT);
    EXPECT_EQ(t.minFilter, GL_LINEAR_MIPMAP_LINEAR);
    EXPECT_EQ(t.levels, 6);

    g_gameBuild = true;
    uint32_t sync = GetTextureFileForRender(path.c_str(), false);
    ASSERT_NE(sync, 0u);
    EXPECT_EQ(Inspect(sync).wrapS, GL_REPEAT);
    EXPECT_EQ(Inspect(sync).format, GL_RGBA8);
}

TEST_F(Textures, UiImagesAreShrunkClampedAndWithoutMipmaps) {
    std::string path = WritePng("wide.png", 1000, 250);
    uint32_t thumb = Await([&] { return GetThumb(path.c_str()); });
    uint32_t icon = Await([&] { return LoadIcon(path.c_str()); });
    ASSERT_NE(thumb, 0u);
    ASSERT_NE(icon, 0u);
    TexInfo t = Inspect(thumb), i = Inspect(icon);
    EXPECT_EQ(t.width, 384);
    EXPECT_EQ(t.height, 96);
    EXPECT_EQ(i.width, 96);
    EXPECT_EQ(i.height, 24);
    EXPECT_EQ(t.format, GL_RGBA8);
    EXPECT_EQ(t.wrapS, GL_CLAMP_TO_EDGE);
    EXPECT_EQ(t.wrapT, GL_CLAMP_TO_EDGE);
    EXPECT_EQ(t.minFilter, GL_LINEAR);
    EXPECT_EQ(t.levels, 1);
    EXPECT_EQ(GetThumb(path.c_str()), thumb);
    EXPECT_EQ(g_thumbCache.at(path), thumb);

    // A small image keeps its size; sRGB storage when asked for.
    std::string small = WritePng("small.png", 20, 10);
    uint32_t s = Await([&] { return RequestFastUIImage(small.c_str(), true, 384, false); });
    EXPECT_EQ(Inspect(s).width, 20);
    EXPECT_EQ(Inspect(s).format, GL_SRGB8_ALPHA8);
}

TEST_F(Textures, UploadedPixelsArriveUnchanged) {
    // Odd widths exercise the unpack alignment.
    std::string path = WritePng("odd.png", 3, 3);
    uint32_t tex = Await([&] { return RequestFastUIImage(path.c_str(), false, 0, false); });
    ASSERT_NE(tex, 0u);
    std::vector<uint8_t> back(3 * 3 * 4);
    GLuint fbo = 0;
    glGenFramebuffers(1, &fbo);
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, tex, 0);
    ASSERT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), GLenum(GL_FRAMEBUFFER_COMPLETE));
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, 3, 3, GL_RGBA, GL_UNSIGNED_BYTE, back.data());
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteFramebuffers(1, &fbo);
    for (size_t i = 0; i < back.size(); ++i) ASSERT_EQ(back[i], uint8_t(i * 7)) << i;
}

TEST_F(Textures, ReleaseDeletesEachSharedTextureOnce) {
    std::string path = WritePng("x.png", 8, 8);
    uint32_t thumb = Await([&] { return GetThumb(path.c_str()); });
    uint32_t mat = Await([&] { return RequestTextureFileCachedAsync(path.c_str(), false); });
    ASSERT_NE(thumb, 0u);
    ASSERT_NE(mat, 0u);
    EXPECT_NE(thumb, mat);
    ReleaseTextureCaches();
    EXPECT_FALSE(glIsTexture(thumb));
    EXPECT_FALSE(glIsTexture(mat));
    EXPECT_TRUE(g_textureCache.empty());
    EXPECT_TRUE(g_fastTexGpu.empty());
    EXPECT_TRUE(g_thumbCache.empty());
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(Textures, LoaderArtworkAndEditorIconsFromTheAssetRoot) {
    g_assetRoot = KORVANE_RESOURCES_DIR;
    g_loaderW = g_loaderH = 0;
    PrewarmLoaderArtwork();
    for (int i = 0; i < 2000 && (!g_loaderTex || !g_lazyIconsDone); ++i) {
        EnsureLoaderImageLoaded();
        TickLazyEditorIcons(64);
        g_lazyIconsStartTime = LazyIconClock();  // no time limit on a slow machine
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_NE(g_loaderTex, 0u);
    EXPECT_EQ(g_loaderW, 1280);
    EXPECT_EQ(g_loaderH, 720);
    TexInfo loader = Inspect(g_loaderTex);
    EXPECT_LE(loader.width, 1280);
    EXPECT_GT(loader.width, 0);
    EXPECT_TRUE(g_lazyIconsDone);
    for (const EditorIconEntry& e : kEditorIcons) {
        ASSERT_NE(*e.global, 0u) << e.file;
        TexInfo t = Inspect(*e.global);
        EXPECT_LE(std::max(t.width, t.height), 96) << e.file;
        EXPECT_EQ(t.wrapS, GL_CLAMP_TO_EDGE);
    }
    EXPECT_EQ(g_icoGrid, g_icoGridShow);
    ReleaseTextureCaches();
    EXPECT_EQ(g_loaderTex, 0u);
    EXPECT_EQ(g_icoCam, 0u);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

}  // namespace
