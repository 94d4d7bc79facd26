#pragma once
// Entity and component records, the scene-wide render settings and lighting
// values, script metadata records, and the one helper every writer of a
// fixed-size text field goes through.
//
//   Entity (every component inline, each with a presence flag)
//   Transform MeshRenderer RigidBody Collider Script Material Light Camera
//   ParticleEmitter LiquidSurface AudioSource Canvas UIElement PrefabRef
//   value sets: MeshShape ColliderShape LightType EmitterShape
//               ParticleBlendMode CanvasRenderMode UIElementType LiquidType
//   EngineRenderSettings g_engine; g_ambientStrength, g_lightingExposure;
//   g_viewMode, g_showGrid, g_snapGrid (editor toggles stored in the scene)
//   ScriptField, ScriptMeta, g_scriptMeta (entity id -> ScriptMeta)
//   EnsureMaterialDefaults
//   CopyTextField / CopyPathField / TextFitsField
//
// Records are plain values copied wholesale (undo, play mode); `children` is
// the only member that allocates. Keep it that way: the static_asserts in
// Entity.cpp fail when a component stops being trivially copyable or the
// entity changes size.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "editor/legacy/scene/KorvaneMath.h"

// ---------------------------------------------------------------------------
// Maps and sets keyed by entity id. Ids come from files, so a plain identity
// hash would let chosen ids (multiples of the bucket count) pile into one
// bucket and make every insert and lookup linear. The id is mixed with a key
// drawn once per process, so no fixed id pattern collides.

uint64_t EntityIdHashKey();
struct EntityIdHash {
    size_t operator()(int32_t id) const noexcept {
        uint64_t x = static_cast<uint64_t>(static_cast<uint32_t>(id)) + EntityIdHashKey();
        x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ull;
        x = (x ^ (x >> 27)) * 0x94d049bb133111ebull;
        return static_cast<size_t>(x ^ (x >> 31));
    }
};
template <typename V>
using EntityIdMap = std::unordered_map<int32_t, V, EntityIdHash>;
using EntityIdSet = std::unordered_set<int32_t, EntityIdHash>;

// ---------------------------------------------------------------------------
// Fixed-size text fields

// Copies src into a dst of dstSize bytes: cuts to dstSize - 1 bytes, never in
// the middle of a UTF-8 sequence, and always terminates. Overlapping src and
// dst are allowed; null src writes an empty text. Returns true when the whole
// text fit (false = it was cut).
bool CopyTextField(char* dst, size_t dstSize, const char* src);
bool CopyTextField(char* dst, size_t dstSize, std::string_view src);
template <size_t N>
inline bool CopyTextField(char (&dst)[N], const char* src) {
    return CopyTextField(dst, N, src);
}
template <size_t N>
inline bool CopyTextField(char (&dst)[N], std::string_view src) {
    return CopyTextField(dst, N, src);
}

// True when src (null = empty) fits a field of dstSize bytes uncut.
bool TextFitsField(size_t dstSize, std::string_view src);

// Paths must never be cut (a cut path names another file): when src does not
// fit, dst is left unchanged and false is returned; the caller reports it.
bool CopyPathField(char* dst, size_t dstSize, std::string_view src);
template <size_t N>
inline bool CopyPathField(char (&dst)[N], std::string_view src) {
    return CopyPathField(dst, N, src);
}
template <size_t N>
inline bool CopyPathField(char (&dst)[N], const char* src) {
    return CopyPathField(dst, N, src ? std::string_view(src) : std::string_view());
}

// ---------------------------------------------------------------------------
// Value sets (stored as int32 in records and scene files)

enum MeshShape : int32_t {
    MeshShape_Cube = 0,
    MeshShape_Sphere = 1,
    MeshShape_Cylinder = 2,
    MeshShape_Cone = 3,
    MeshShape_Torus = 4,
    MeshShape_Plane = 5,
    MeshShape_Custom = 6,
    MeshShape_COUNT = 7
};
enum ColliderShape : int32_t {
    ColliderShape_Box = 0,
    ColliderShape_Sphere = 1,
    ColliderShape_Capsule = 2,
    ColliderShape_Mesh = 3,
    ColliderShape_COUNT = 4
};
enum LightType : int32_t { LightType_Directional = 0, LightType_Point = 1, LightType_Spot = 2, LightType_COUNT = 3 };
enum EmitterShape : int32_t {
    EmitterShape_Point = 0,
    EmitterShape_Cone = 1,
    EmitterShape_Sphere = 2,
    EmitterShape_Box = 3,
    EmitterShape_Ring = 4,
    EmitterShape_COUNT = 5
};
enum ParticleBlendMode : int32_t {
    ParticleBlendMode_Alpha = 0,
    ParticleBlendMode_Additive = 1,
    ParticleBlendMode_SoftAdditive = 2,
    ParticleBlendMode_COUNT = 3
};
enum CanvasRenderMode : int32_t {
    CanvasRenderMode_ScreenOverlay = 0,
    CanvasRenderMode_ScreenCamera = 1,
    CanvasRenderMode_WorldSpace = 2,
    CanvasRenderMode_COUNT = 3
};
enum UIElementType : int32_t {
    UIElementType_Text = 0,
    UIElementType_Image = 1,
    UIElementType_Button = 2,
    UIElementType_Slider = 3,
    UIElementType_Panel = 4,
    UIElementType_COUNT = 5
};
enum LiquidType : int32_t { LiquidType_Water = 0, LiquidType_Lava = 1, LiquidType_SlimeOil = 2, LiquidType_COUNT = 3 };

// Editor labels of the value sets, indexed by value.
extern const char* const g_meshNames[MeshShape_COUNT];
extern const char* const g_colliderShapeNames[ColliderShape_COUNT];
extern const char* const g_lightTypeNames[LightType_COUNT];
extern const char* const g_emitterShapeNames[EmitterShape_COUNT];
extern const char* const g_particleBlendModeNames[ParticleBlendMode_COUNT];
extern const char* const g_canvasRenderModeNames[CanvasRenderMode_COUNT];
extern const char* const g_uiElementTypeNames[UIElementType_COUNT];
extern const char* const g_liquidTypeNames[LiquidType_COUNT];

// ---------------------------------------------------------------------------
// Components

struct Transform {
    Vec3 position{0, 0, 0};
    Vec3 rotation{0, 0, 0};  // Euler degrees about X, Y, Z
    Vec3 scale{1, 1, 1};
};

struct MeshRenderer {
    char modelPath[1024] = "cube";  // used when shape is Custom
    int32_t shape = MeshShape_Cube;
    bool visible = true;
    bool castShadows = true;
    int32_t importedNode = -1;          // -1 = whole model
    int32_t importedMaterialSlot = -1;  // -1 = none
};

struct RigidBody {
    float mass = 1.0f;
    bool useGravity = true;
    bool isKinematic = false;
    float linearDrag = 0.0f;
    float angularDrag = 0.05f;
    Vec3 velocity{0, 0, 0};
};

struct Collider {
    int32_t shape = ColliderShape_Box;
    Vec3 size{1, 1, 1};
    Vec3 center{0, 0, 0};  // offset from the entity position
    bool isTrigger = false;
    float bounciness = 0.3f;
    float friction = 0.5f;
    bool convexHull = true;
};

struct Script {
    char scriptPath[256] = "";  // project-relative ".fs" path
    bool hotReload = true;
};

struct Material {
    char path[256] = "";  // ".mat" asset; empty = edited inline
    Vec4 baseColor{1, 1, 1, 1};
    float metallic = 0.0f;
    float roughness = 0.55f;
    Vec3 emissive{0, 0, 0};
    float normalScale = 1.0f;
    float heightScale = 0.03f;
    char albedoTexture[256] = "";
    char normalTexture[256] = "";
    char metallicRoughnessTexture[256] = "";
    char aoTexture[256] = "";
    char emissiveTexture[256] = "";
    char heightTexture[256] = "";
};

struct Light {
    Vec4 color{1, 1, 1, 1};
    float intensity = 2.0f;
    float range = 12.0f;
    float spotAngle = 35.0f;  // full cone, degrees
    float spotSoftness = 0.12f;
    bool shadows = true;
    int32_t type = LightType_Directional;
};

struct Camera {
    float fov = 60.0f;  // vertical, degrees
    float nearPlane = 0.1f;
    float farPlane = 1000.0f;
};

struct ParticleEmitter {
    bool playing = true;
    float rate = 20.0f;  // particles per second
    float lifetime = 2.0f;
    float speed = 3.0f;
    float startSize = 0.15f;
    float endSize = 0.02f;
    Vec4 startColor{1, 1, 1, 1};
    Vec4 endColor{1, 1, 1, 0};
    float gravity = 0.0f;
    int32_t maxParticles = 500;
    float coneAngle = 15.0f;  // degrees
    bool spareFlag = false;
    bool burstPending = false;
    int32_t burstCount = 30;
    int32_t shape = EmitterShape_Cone;
    int32_t blendMode = ParticleBlendMode_Additive;
    bool collision = false;
    bool prewarm = false;
    bool alignToVelocity = true;
    float turbulence = 0.0f;
    float drag = 0.05f;
    float sizeRandomness = 0.25f;
    float velocityRandomness = 0.35f;
    float emissionRadius = 0.35f;
    float orbitalVelocity = 0.0f;
    char texture[256] = "";
};

struct LiquidSurface {
    int32_t liquidType = LiquidType_Water;
    float size = 10.0f;
    float depth = 1.0f;
    float waveHeight = 0.22f;
    float waveScale = 0.85f;
    float waveSpeed = 1.2f;
    float flowX = 0.06f;
    float flowZ = 0.02f;
    Vec4 liquidColor{0.12f, 0.42f, 0.72f, 0.78f};
    float foam = 0.35f;
    float viscosity = 1.0f;
    bool buoyancy = true;
    bool realtimeReflection = true;
};

struct AudioSource {
    char clip[256] = "";
    bool playOnAwake = false;
    bool loop = false;
    float volume = 1.0f;
    float pitch = 1.0f;
    float spareLevel = 1.0f;
    float minDistance = 1.0f;
    float maxDistance = 50.0f;
    bool spareToggle = true;
};

struct Canvas {
    int32_t width = 800;
    int32_t height = 600;
    float spareScale = 100.0f;
    int32_t renderMode = CanvasRenderMode_ScreenOverlay;
};

struct UIElement {
    int32_t type = UIElementType_Text;
    char text[256] = "";
    char spareText[256] = "";
    Vec4 color{1, 1, 1, 1};
    float anchorMin[2] = {0.0f, 0.0f};
    float anchorMax[2] = {1.0f, 1.0f};
    float offsetMin[2] = {0.0f, 0.0f};
    float offsetMax[2] = {100.0f, 30.0f};
    int32_t fontSize = 14;
    int32_t canvasId = -1;  // the Canvas entity that draws it
};

struct PrefabRef {
    char path[256] = "";
};

// ---------------------------------------------------------------------------
// Entity

struct Entity {
    int32_t id = 0;
    char name[64] = "";
    int32_t parent = -1;            // -1 = root
    std::vector<int32_t> children;  // derived from `parent`, insertion order
    Transform transform;

    bool hasMesh = false;
    bool hasRigidBody = false;
    bool hasScript = false;
    bool hasMaterial = false;
    bool hasLight = false;
    bool hasCamera = false;
    bool hasParticles = false;
    bool hasAudio = false;
    bool hasCanvas = false;
    bool hasUI = false;
    bool hasPrefab = false;
    bool hasCollider = false;
    bool hasLiquid = false;

    MeshRenderer mesh;
    RigidBody rigidBody;
    Collider collider;
    Script script;
    Material material;
    Light light;
    Camera camera;
    ParticleEmitter emitter;
    LiquidSurface liquid;
    AudioSource audio;
    Canvas canvas;
    UIElement ui;
    PrefabRef prefab;

    bool spareFlag = true;
    bool enabled = true;
};

// Base colour all zero -> white; roughness <= 0 -> 0.55; normal scale <= 0
// -> 1; height scale < 0 -> 0. Applied after every material load and before
// the inspector edits one.
void EnsureMaterialDefaults(Material& m);

// ---------------------------------------------------------------------------
// Scene-wide values

struct EngineRenderSettings {
    float skyTopColor[3] = {0.26f, 0.39f, 0.62f};
    float skyHorizonColor[3] = {0.78f, 0.84f, 0.92f};
    float fogColor[3] = {0.64f, 0.70f, 0.78f};
    float fogDensity = 0.0045f;
    float shadowSoftness = 0.92f;
    float shadowDistance = 120.0f;
    float contactShadowStrength = 0.62f;  // not stored in scene files
    float bloomIntensity = 0.24f;
    float ambientOcclusion = 0.78f;
    int32_t maxLights = 32;  // clamped to 1..32 at use
    int32_t physicsSubsteps = 3;
    int32_t spareInt = 8;
    float gravity = 15.0f;
};

extern EngineRenderSettings g_engine;
extern float g_ambientStrength;   // ambient colour uploaded is (s, s, 1.12 s)
extern float g_lightingExposure;  // "uExposure"
extern int32_t g_viewMode;        // 0 Shaded, 1 Wireframe, 2 Shaded + Wire
extern bool g_showGrid;
extern bool g_snapGrid;

// ---------------------------------------------------------------------------
// Script metadata

enum ScriptFieldType : int32_t {
    ScriptFieldType_Float = 0,
    ScriptFieldType_Int = 1,
    ScriptFieldType_Text = 2,
    ScriptFieldType_Bool = 3,
    ScriptFieldType_Color = 4,
    ScriptFieldType_Vector = 5,
    ScriptFieldType_Choice = 6,
    ScriptFieldType_Entity = 7
};

constexpr int kMaxScriptFields = 16;

struct ScriptField {
    char fieldName[32] = "";
    int32_t fieldType = ScriptFieldType_Float;
    float fieldValue = 0.0f;
    char stringValue[256] = "";
    float vectorValue[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    char extraText[512] = "";  // choice options ("a;b;c") or entity filter
};

struct ScriptMeta {
    char scriptPath[256] = "";
    int32_t fieldCount = 0;  // used entries of fields, 0..16
    ScriptField fields[kMaxScriptFields];
    bool parsed = false;
};

extern EntityIdMap<ScriptMeta> g_scriptMeta;
