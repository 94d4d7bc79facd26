#include "editor/legacy/scene/Entity.h"

#include <cstring>
#include <random>
#include <type_traits>

// Snapshots copy every entity wholesale; a component that starts owning
// memory would make that copy slow and its byte accounting wrong.
static_assert(std::is_trivially_copyable_v<Transform>);
static_assert(std::is_trivially_copyable_v<MeshRenderer>);
static_assert(std::is_trivially_copyable_v<RigidBody>);
static_assert(std::is_trivially_copyable_v<Collider>);
static_assert(std::is_trivially_copyable_v<Script>);
static_assert(std::is_trivially_copyable_v<Material>);
static_assert(std::is_trivially_copyable_v<Light>);
static_assert(std::is_trivially_copyable_v<Camera>);
static_assert(std::is_trivially_copyable_v<ParticleEmitter>);
static_assert(std::is_trivially_copyable_v<LiquidSurface>);
static_assert(std::is_trivially_copyable_v<AudioSource>);
static_assert(std::is_trivially_copyable_v<Canvas>);
static_assert(std::is_trivially_copyable_v<UIElement>);
static_assert(std::is_trivially_copyable_v<PrefabRef>);
static_assert(std::is_trivially_copyable_v<EngineRenderSettings>);
static_assert(std::is_trivially_copyable_v<ScriptMeta>);
static_assert(sizeof(EngineRenderSettings) == 19 * 4, "19 four-byte fields");
// Grows only on purpose: every undo entry holds one copy per entity.
static_assert(sizeof(Entity) == 4968, "Entity changed size; check snapshot memory and the scene file");

const char* const g_meshNames[MeshShape_COUNT] = {"Cube", "Sphere", "Cylinder", "Cone", "Torus", "Plane", "Custom"};
const char* const g_colliderShapeNames[ColliderShape_COUNT] = {"Box", "Sphere", "Capsule", "Mesh"};
const char* const g_lightTypeNames[LightType_COUNT] = {"Directional", "Point", "Spot"};
const char* const g_emitterShapeNames[EmitterShape_COUNT] = {"Point", "Cone", "Sphere", "Box", "Ring"};
const char* const g_particleBlendModeNames[ParticleBlendMode_COUNT] = {"Alpha", "Additive", "Soft Additive"};
const char* const g_canvasRenderModeNames[CanvasRenderMode_COUNT] = {"Screen Overlay", "Screen Camera",
                                                                     "World Space"};
const char* const g_uiElementTypeNames[UIElementType_COUNT] = {"Text", "Image", "Button", "Slider", "Panel"};
const char* const g_liquidTypeNames[LiquidType_COUNT] = {"Water", "Lava", "Slime / Oil"};

EngineRenderSettings g_engine;
float g_ambientStrength = 0.1f;
float g_lightingExposure = 1.15f;
int32_t g_viewMode = 0;
bool g_showGrid = true;
bool g_snapGrid = false;

EntityIdMap<ScriptMeta> g_scriptMeta;

uint64_t EntityIdHashKey() {
    // Drawn on first use (before any map can hold an id) and fixed after.
    static const uint64_t key = [] {
        std::random_device rd;
        return (static_cast<uint64_t>(rd()) << 32) ^ rd();
    }();
    return key;
}

static size_t Utf8CutLength(const char* src, size_t len, size_t room) {
    if (len <= room) return len;
    size_t n = room;
    // Back off over continuation bytes to the start of the sequence that
    // would be split. At most three: anything longer is not UTF-8, and then a
    // plain byte cut is as good as any.
    for (int i = 0; i < 3 && n > 0 && (static_cast<unsigned char>(src[n]) & 0xC0) == 0x80; ++i) --n;
    if (n > 0 && (static_cast<unsigned char>(src[n]) & 0xC0) == 0x80) n = room;
    return n;
}

bool CopyTextField(char* dst, size_t dstSize, std::string_view src) {
    if (!dst || dstSize == 0) return src.empty();
    size_t n = Utf8CutLength(src.data(), src.size(), dstSize - 1);
    if (n) std::memmove(dst, src.data(), n);
    dst[n] = '\0';
    return n == src.size();
}

bool CopyTextField(char* dst, size_t dstSize, const char* src) {
    if (!src) return CopyTextField(dst, dstSize, std::string_view());
    // Do not read further than needed: src may be an unterminated neighbour.
    return CopyTextField(dst, dstSize, std::string_view(src, strnlen(src, dstSize)));
}

bool TextFitsField(size_t dstSize, std::string_view src) { return dstSize > 0 && src.size() <= dstSize - 1; }

bool CopyPathField(char* dst, size_t dstSize, std::string_view src) {
    if (!dst || !TextFitsField(dstSize, src)) return false;
    if (!src.empty()) std::memmove(dst, src.data(), src.size());
    dst[src.size()] = '\0';
    return true;
}

void EnsureMaterialDefaults(Material& m) {
    if (m.baseColor.x == 0.0f && m.baseColor.y == 0.0f && m.baseColor.z == 0.0f && m.baseColor.w == 0.0f)
        m.baseColor = Vec4(1, 1, 1, 1);
    // Written as negated comparisons so a NaN read from a file is replaced too.
    if (!(m.roughness > 0.0f)) m.roughness = 0.55f;
    if (!(m.normalScale > 0.0f)) m.normalScale = 1.0f;
    if (!(m.heightScale >= 0.0f)) m.heightScale = 0.0f;
}
