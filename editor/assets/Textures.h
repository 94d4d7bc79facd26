#pragma once
// Every image the program shows comes through here: material textures,
// editor icons, thumbnails and the loading artwork.
//
// A built game decodes material textures synchronously on first use. The
// editor never blocks on decoding: requests go to one worker thread that
// decodes (and, for UI images, downsamples) them, and the main loop uploads a
// few finished images per frame with PumpFastTextureUploads.
//
//   GetTextureFileForRender(path, srgb)   the renderer's entry (sync in a game, async in the editor)
//   LoadTextureFileCached(path, srgb)     synchronous, mipmapped, repeating
//   RequestTextureFileCachedAsync(...)    the same through the worker
//   RequestFastUIImage(...)               any image through the worker; 0 while pending
//   LoadIcon, GetThumb                    96-pixel icons, 384-pixel thumbnails
//   PrewarmLoaderArtwork, EnsureLoaderImageLoaded   "Loader.jpg" at most 1280 wide
//   PumpFastTextureUploads(budget)        upload at most budget decoded images
//   ShutdownFastTextureLoader()           stop the worker (drains its queue), join it
//   ReleaseTextureCaches()                delete every texture made here, once each
//   DownsampleRGBA, FastTextureTargetSize, FastTextureKey   pure helpers
//
// GL names and caches belong to the main thread; only the queues are shared
// with the worker, under g_fastTexMutex.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

struct FastTextureRequest {
    std::string key;
    std::string path;  // owned copy: callers often pass a shared buffer
    bool srgb = false;
    bool mipmaps = false;
    bool repeat = false;  // wrap: repeat for material textures, clamp to edge for UI images
    int32_t maxDim = 0;   // <= 0: full size
};

struct FastTextureDecoded {
    std::string key;
    std::string path;
    bool srgb = false;
    bool mipmaps = false;
    bool repeat = false;
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> pixels;  // RGBA8; empty when decoding failed
};

// Caches: key text -> GL texture name. Never evicted before ReleaseTextureCaches.
extern std::unordered_map<std::string, uint32_t> g_textureCache;  // "srgb:"/"lin:" + resolved path
extern std::unordered_map<std::string, uint32_t> g_fastTexGpu;    // FastTextureKey
extern std::unordered_map<std::string, uint32_t> g_thumbCache;    // path as given

// Worker state (the three containers under g_fastTexMutex).
extern std::deque<FastTextureRequest> g_fastTexQueue;
extern std::deque<FastTextureDecoded> g_fastTexReady;
extern std::unordered_map<std::string, bool> g_fastTexQueued;
extern std::mutex g_fastTexMutex;
extern std::condition_variable g_fastTexCv;
extern std::vector<std::thread> g_fastTexWorkers;
extern bool g_fastTexWorkerStarted;
extern bool g_fastTexStop;
// Requests the worker has finished (decoded or failed), for tests and benchmarks.
extern std::atomic<uint64_t> g_fastTexProcessed;

// The loading-screen artwork.
extern uint32_t g_loaderTex;
extern int32_t g_loaderW, g_loaderH;

// "ui:<srgb|lin>:<maxDim>:<0|1>:" + path; repeating textures use "tex:" in
// place of "ui:" so the same file as a UI image and as a material gets two
// textures with the right wrap mode.
std::string FastTextureKey(const std::string& path, bool srgb, int maxDim, bool mipmaps, bool repeat = false);

// Size after limiting the longer side to maxDim (<= 0: unchanged); never
// below 1 on either side. Non-positive input sizes give 0 x 0.
void FastTextureTargetSize(int srcW, int srcH, int maxDim, int* dstW, int* dstH);

// Box filter from srcW x srcH RGBA8 to dstW x dstH; each target pixel is the
// truncating average of the source pixels it covers. Invalid sizes or a null
// source leave out empty.
void DownsampleRGBA(const uint8_t* src, int srcW, int srcH, int dstW, int dstH, std::vector<uint8_t>& out);

// What the worker does with one request (no GL): decode as RGBA8 and shrink
// to maxDim. Empty pixels when the file cannot be decoded.
FastTextureDecoded DecodeFastTexture(const FastTextureRequest& request);

uint32_t GetTextureFileForRender(const char* path, bool srgb);
uint32_t LoadTextureFileCached(const char* path, bool srgb);
uint32_t RequestTextureFileCachedAsync(const char* path, bool srgb);
uint32_t RequestFastUIImage(const char* path, bool srgb, int maxDim, bool mipmaps, bool* pending = nullptr,
                            bool repeat = false);
uint32_t LoadIcon(const char* path);
uint32_t GetThumb(const char* path);
void PrewarmLoaderArtwork();
void EnsureLoaderImageLoaded();

void EnsureFastTextureWorker();
// Returns how many textures were created.
int PumpFastTextureUploads(int budget);
void ShutdownFastTextureLoader();

// Creates a texture from RGBA8 pixels: sRGB or linear storage, mipmaps with
// trilinear filtering or plain linear, repeat or clamp-to-edge wrap. Images
// larger than the driver allows are shrunk to fit. 0 on invalid input.
uint32_t CreateTextureRGBA(const uint8_t* pixels, int width, int height, bool srgb, bool mipmaps, bool repeat);

// How PumpFastTextureUploads turns a decoded image into a texture; tests
// replace it to count uploads without a GL context.
extern uint32_t (*g_fastTexUploader)(const FastTextureDecoded& decoded);
uint32_t UploadFastTexture(const FastTextureDecoded& decoded);

// Synchronous loads that failed, by cache key, with the file stamp they
// failed on; a key is retried only when its file's stamp changes.
struct TextureFileStamp {
    bool exists = false;
    int64_t mtimeNs = 0;
    int64_t size = 0;
    bool operator==(const TextureFileStamp&) const = default;
};
TextureFileStamp StampTextureFile(const std::string& path);
extern std::unordered_map<std::string, TextureFileStamp> g_textureFailed;

// Deletes every texture made here (each GL name once, however many caches
// and icon slots share it) and empties the caches. Main thread, context current.
void ReleaseTextureCaches();
