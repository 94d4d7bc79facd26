#include "editor/assets/Textures.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <initializer_list>
#include <unordered_set>

#include "editor/assets/EditorIcons.h"
#include "editor/assets/ImageCodec.h"
#include "editor/legacy/base/AppState.h"
#include "editor/legacy/base/EditorLog.h"
#include "editor/legacy/base/ProjectPaths.h"
#include "editor/render/GL.h"

std::unordered_map<std::string, uint32_t> g_textureCache;
std::unordered_map<std::string, uint32_t> g_fastTexGpu;
std::unordered_map<std::string, uint32_t> g_thumbCache;
std::unordered_map<std::string, TextureFileStamp> g_textureFailed;

std::deque<FastTextureRequest> g_fastTexQueue;
std::deque<FastTextureDecoded> g_fastTexReady;
std::unordered_map<std::string, bool> g_fastTexQueued;
std::mutex g_fastTexMutex;
std::condition_variable g_fastTexCv;
std::vector<std::thread> g_fastTexWorkers;
bool g_fastTexWorkerStarted = false;
bool g_fastTexStop = false;
std::atomic<uint64_t> g_fastTexProcessed{0};

uint32_t g_loaderTex = 0;
int32_t g_loaderW = 0, g_loaderH = 0;

uint32_t (*g_fastTexUploader)(const FastTextureDecoded& decoded) = UploadFastTexture;

// ---- Pure helpers ------------------------------------------------------------

std::string FastTextureKey(const std::string& path, bool srgb, int maxDim, bool mipmaps, bool repeat) {
    char prefix[64];
    std::snprintf(prefix, sizeof prefix, "%s:%s:%d:%d:", repeat ? "tex" : "ui", srgb ? "srgb" : "lin", maxDim,
                  mipmaps ? 1 : 0);
    return prefix + path;
}

void FastTextureTargetSize(int srcW, int srcH, int maxDim, int* dstW, int* dstH) {
    if (srcW <= 0 || srcH <= 0) {
        *dstW = *dstH = 0;
        return;
    }
    if (maxDim <= 0 || (srcW <= maxDim && srcH <= maxDim)) {
        *dstW = srcW;
        *dstH = srcH;
        return;
    }
    double scale = double(maxDim) / double(std::max(srcW, srcH));
    *dstW = std::max(1, int(double(srcW) * scale + 0.5));
    *dstH = std::max(1, int(double(srcH) * scale + 0.5));
}

void DownsampleRGBA(const uint8_t* src, int srcW, int srcH, int dstW, int dstH, std::vector<uint8_t>& out) {
    out.clear();
    if (!src || srcW <= 0 || srcH <= 0 || dstW <= 0 || dstH <= 0) return;
    out.assign(size_t(dstW) * size_t(dstH) * 4, 0);
    // Column ranges are the same for every target row.
    std::vector<int> xs0(static_cast<size_t>(dstW)), xs1(static_cast<size_t>(dstW));
    for (int x = 0; x < dstW; ++x) {
        int x0 = int(int64_t(x) * srcW / dstW);
        int x1 = int(int64_t(x + 1) * srcW / dstW);
        if (x0 >= x1) x1 = x0 + 1;
        xs0[size_t(x)] = x0;
        xs1[size_t(x)] = std::min(x1, srcW);
    }
    // Per target row, sum the covered source rows column by column (one
    // sequential pass over the source), then sum each box's columns.
    std::vector<uint64_t> columns(static_cast<size_t>(srcW) * 4);
    for (int y = 0; y < dstH; ++y) {
        int y0 = int(int64_t(y) * srcH / dstH);
        int y1 = int(int64_t(y + 1) * srcH / dstH);
        if (y0 >= y1) y1 = y0 + 1;
        y1 = std::min(y1, srcH);
        std::fill(columns.begin(), columns.end(), 0);
        for (int sy = y0; sy < y1; ++sy) {
            const uint8_t* row = src + size_t(sy) * size_t(srcW) * 4;
            for (size_t i = 0, n = size_t(srcW) * 4; i < n; ++i) columns[i] += row[i];
        }
        const uint64_t rows = uint64_t(std::max(0, y1 - y0));
        uint8_t* dst = &out[size_t(y) * size_t(dstW) * 4];
        for (int x = 0; x < dstW; ++x, dst += 4) {
            const int x0 = xs0[size_t(x)], x1 = xs1[size_t(x)];
            const uint64_t n = rows * uint64_t(std::max(0, x1 - x0));
            if (n == 0) continue;  // only when the target is larger than the source at its edge
            uint64_t sum[4] = {0, 0, 0, 0};
            for (int sx = x0; sx < x1; ++sx) {
                const uint64_t* c = &columns[size_t(sx) * 4];
                sum[0] += c[0];
                sum[1] += c[1];
                sum[2] += c[2];
                sum[3] += c[3];
            }
            for (int c = 0; c < 4; ++c) dst[c] = uint8_t(sum[c] / n);
        }
    }
}

FastTextureDecoded DecodeFastTexture(const FastTextureRequest& request) {
    FastTextureDecoded out;
    out.key = request.key;
    out.path = request.path;
    out.srgb = request.srgb;
    out.mipmaps = request.mipmaps;
    out.repeat = request.repeat;
    DecodedImage image;
    if (!image.Load(request.path.c_str())) return out;
    const int w = image.Width(), h = image.Height();
    int tw = 0, th = 0;
    FastTextureTargetSize(w, h, request.maxDim, &tw, &th);
    if (tw == w && th == h) {
        out.pixels.assign(image.Pixels(), image.Pixels() + size_t(w) * size_t(h) * 4);
    } else {
        DownsampleRGBA(image.Pixels(), w, h, tw, th, out.pixels);
    }
    out.width = tw;
    out.height = th;
    return out;
}

TextureFileStamp StampTextureFile(const std::string& path) {
    TextureFileStamp s;
    struct stat st{};
    if (path.empty() || ::stat(path.c_str(), &st) != 0) return s;
    s.exists = true;
    s.mtimeNs = int64_t(st.st_mtim.tv_sec) * 1000000000LL + int64_t(st.st_mtim.tv_nsec);
    s.size = int64_t(st.st_size);
    return s;
}

// ---- GL upload ---------------------------------------------------------------

uint32_t CreateTextureRGBA(const uint8_t* pixels, int width, int height, bool srgb, bool mipmaps, bool repeat) {
    if (!pixels || width <= 0 || height <= 0) return 0;
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    std::vector<uint8_t> shrunk;
    if (maxSize > 0 && (width > maxSize || height > maxSize)) {
        int tw = 0, th = 0;
        FastTextureTargetSize(width, height, maxSize, &tw, &th);
        DownsampleRGBA(pixels, width, height, tw, th, shrunk);
        pixels = shrunk.data();
        width = tw;
        height = th;
    }
    GLuint tex = 0;
    glGenTextures(1, &tex);
    glBindTexture(GL_TEXTURE_2D, tex);
    GLint oldAlign = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &oldAlign);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, srgb ? GL_SRGB8_ALPHA8 : GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 pixels);
    glPixelStorei(GL_UNPACK_ALIGNMENT, oldAlign);
    if (mipmaps) {
        glGenerateMipmap(GL_TEXTURE_2D);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    } else {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    GLint wrap = repeat ? GL_REPEAT : GL_CLAMP_TO_EDGE;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
    glBindTexture(GL_TEXTURE_2D, 0);
    return tex;
}

uint32_t UploadFastTexture(const FastTextureDecoded& d) {
    return CreateTextureRGBA(d.pixels.data(), d.width, d.height, d.srgb, d.mipmaps, d.repeat);
}

// ---- Synchronous path ----------------------------------------------------------

uint32_t LoadTextureFileCached(const char* path, bool srgb) {
    if (!path || !*path) return 0;
    std::string resolved = ResolveProjectAssetPath(path);
    std::string key = (srgb ? "srgb:" : "lin:") + resolved;
    auto hit = g_textureCache.find(key);
    if (hit != g_textureCache.end()) return hit->second;

    // The renderer asks every frame; a file that failed is tried again only
    // once it changes on disk, and logged once per change.
    TextureFileStamp stamp = StampTextureFile(resolved);
    auto failed = g_textureFailed.find(key);
    if (failed != g_textureFailed.end() && failed->second == stamp) return 0;

    DecodedImage image;
    uint32_t tex = 0;
    if (image.Load(resolved.c_str())) {
        tex = CreateTextureRGBA(image.Pixels(), image.Width(), image.Height(), srgb, true, true);
    }
    if (!tex) {
        Log(4, "Texture not found/decode failed: %s", resolved.c_str());
        g_textureFailed[key] = stamp;
        return 0;
    }
    g_textureFailed.erase(key);
    g_textureCache[key] = tex;
    return tex;
}

// ---- Worker ----------------------------------------------------------------------

namespace {

void FastTextureWorkerMain() {
    for (;;) {
        FastTextureRequest request;
        {
            std::unique_lock<std::mutex> lock(g_fastTexMutex);
            g_fastTexCv.wait(lock, [] { return g_fastTexStop || !g_fastTexQueue.empty(); });
            // Pending requests are drained before stopping.
            if (g_fastTexQueue.empty()) return;
            request = std::move(g_fastTexQueue.front());
            g_fastTexQueue.pop_front();
        }
        FastTextureDecoded decoded = DecodeFastTexture(request);
        {
            std::lock_guard<std::mutex> lock(g_fastTexMutex);
            g_fastTexReady.push_back(std::move(decoded));
        }
        g_fastTexProcessed.fetch_add(1);
    }
}

}  // namespace

void EnsureFastTextureWorker() {
    std::lock_guard<std::mutex> lock(g_fastTexMutex);
    if (g_fastTexWorkerStarted) return;
    g_fastTexStop = false;
    g_fastTexWorkerStarted = true;
    g_fastTexWorkers.emplace_back(FastTextureWorkerMain);
}

uint32_t RequestFastUIImage(const char* path, bool srgb, int maxDim, bool mipmaps, bool* pending, bool repeat) {
    if (pending) *pending = false;
    if (!path || !*path) return 0;
    std::string key = FastTextureKey(path, srgb, maxDim, mipmaps, repeat);
    auto hit = g_fastTexGpu.find(key);
    if (hit != g_fastTexGpu.end()) return hit->second;
    bool start = false;
    {
        std::lock_guard<std::mutex> lock(g_fastTexMutex);
        bool& queued = g_fastTexQueued[key];
        if (!queued) {
            queued = true;
            FastTextureRequest r;
            r.key = key;
            r.path = path;
            r.srgb = srgb;
            r.mipmaps = mipmaps;
            r.repeat = repeat;
            r.maxDim = maxDim;
            g_fastTexQueue.push_back(std::move(r));
            start = !g_fastTexWorkerStarted;
        }
    }
    if (start) EnsureFastTextureWorker();
    g_fastTexCv.notify_one();
    if (pending) *pending = true;
    return 0;
}

int PumpFastTextureUploads(int budget) {
    int made = 0;
    for (int i = 0; i < budget; ++i) {
        FastTextureDecoded d;
        {
            std::lock_guard<std::mutex> lock(g_fastTexMutex);
            if (g_fastTexReady.empty()) break;
            d = std::move(g_fastTexReady.front());
            g_fastTexReady.pop_front();
        }
        // A failed decode still costs its unit of the budget and stays pending.
        if (d.pixels.empty() || d.width <= 0 || d.height <= 0) continue;
        if (g_fastTexGpu.count(d.key)) continue;
        uint32_t tex = g_fastTexUploader(d);
        if (!tex) continue;
        g_fastTexGpu[d.key] = tex;
        ++made;
    }
    return made;
}

void ShutdownFastTextureLoader() {
    std::vector<std::thread> workers;
    {
        std::lock_guard<std::mutex> lock(g_fastTexMutex);
        if (!g_fastTexWorkerStarted) return;
        g_fastTexStop = true;
        workers.swap(g_fastTexWorkers);
    }
    g_fastTexCv.notify_all();
    for (std::thread& t : workers) {
        if (t.joinable()) t.join();
    }
    std::lock_guard<std::mutex> lock(g_fastTexMutex);
    g_fastTexQueue.clear();
    g_fastTexReady.clear();
    g_fastTexQueued.clear();
    g_fastTexWorkerStarted = false;
    g_fastTexStop = false;
}

// ---- Entry points ------------------------------------------------------------------

uint32_t RequestTextureFileCachedAsync(const char* path, bool srgb) {
    if (!path || !*path) return 0;
    std::string resolved = ResolveProjectAssetPath(path);
    std::string key = (srgb ? "srgb:" : "lin:") + resolved;
    auto hit = g_textureCache.find(key);
    if (hit != g_textureCache.end()) return hit->second;
    // Material textures repeat in the editor exactly as in a built game.
    uint32_t tex = RequestFastUIImage(resolved.c_str(), srgb, 0, true, nullptr, true);
    if (tex) g_textureCache[key] = tex;
    return tex;
}

uint32_t GetTextureFileForRender(const char* path, bool srgb) {
    return g_gameBuild ? LoadTextureFileCached(path, srgb) : RequestTextureFileCachedAsync(path, srgb);
}

uint32_t LoadIcon(const char* path) { return RequestFastUIImage(path, false, 96, false); }

uint32_t GetThumb(const char* path) {
    if (!path || !*path) return 0;
    auto hit = g_thumbCache.find(path);
    if (hit != g_thumbCache.end()) return hit->second;
    uint32_t tex = RequestFastUIImage(path, false, 384, false);
    if (tex) g_thumbCache[path] = tex;
    return tex;
}

void EnsureLoaderImageLoaded() {
    if (g_loaderTex) return;
    uint32_t tex = RequestFastUIImage(AssetPath("Loader.jpg"), false, 1280, false);
    if (!tex) return;
    g_loaderTex = tex;
    if (g_loaderW <= 0 || g_loaderH <= 0) {
        g_loaderW = 1280;
        g_loaderH = 720;
    }
}

void PrewarmLoaderArtwork() { EnsureLoaderImageLoaded(); }

void ReleaseTextureCaches() {
    std::unordered_set<uint32_t> names;
    for (auto* cache : {&g_textureCache, &g_fastTexGpu, &g_thumbCache}) {
        for (const auto& [key, tex] : *cache) {
            if (tex) names.insert(tex);
        }
        cache->clear();
    }
    if (g_loaderTex) names.insert(g_loaderTex);
    for (uint32_t tex : names) {
        GLuint t = tex;
        glDeleteTextures(1, &t);
    }
    g_loaderTex = 0;
    g_textureFailed.clear();
    ResetEditorIconGlobals();
}
