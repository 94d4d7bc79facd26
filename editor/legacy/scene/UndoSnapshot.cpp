#include "editor/legacy/scene/UndoSnapshot.h"

#include <algorithm>
#include <cstring>
#include <type_traits>
#include <unordered_map>

#include "editor/legacy/scene/EntityStore.h"

// ---------------------------------------------------------------------------
// Entity values as bytes

static_assert(std::is_standard_layout_v<Entity>, "entity bytes are addressed by member offsets");
static_assert(std::is_trivially_copyable_v<ScriptMeta>);
static_assert(std::is_trivially_copyable_v<SceneSettingsRecord>);

namespace {

// Everything before `children`, and everything after it up to the end of the
// record (padding included, so a byte copy compares equal to its source).
constexpr size_t kEntityHeadBytes = offsetof(Entity, children);
constexpr size_t kEntityTailOffset = offsetof(Entity, children) + sizeof(std::vector<int32_t>);
constexpr size_t kEntityTailBytes = sizeof(Entity) - kEntityTailOffset;

const unsigned char* Bytes(const Entity& e) { return reinterpret_cast<const unsigned char*>(&e); }
unsigned char* Bytes(Entity& e) { return reinterpret_cast<unsigned char*>(static_cast<void*>(&e)); }

void CopyEntityBytes(Entity& dst, const Entity& src) {
    std::memcpy(Bytes(dst), Bytes(src), kEntityHeadBytes);
    std::memcpy(Bytes(dst) + kEntityTailOffset, Bytes(src) + kEntityTailOffset, kEntityTailBytes);
}

template <class T>
bool SameRecordBytes(const T& a, const T& b) {
    static_assert(std::is_trivially_copyable_v<T>);
    return std::memcmp(&a, &b, sizeof(T)) == 0;
}

// A make_shared allocation: the record plus the shared control block and the
// allocator's header.
constexpr size_t kBlockOverhead = 4 * sizeof(void*);

}  // namespace

bool SameEntityValue(const Entity& a, const Entity& b) {
    return std::memcmp(Bytes(a), Bytes(b), kEntityHeadBytes) == 0 &&
           std::memcmp(Bytes(a) + kEntityTailOffset, Bytes(b) + kEntityTailOffset, kEntityTailBytes) == 0 &&
           a.children == b.children;
}

void CopyEntityValue(Entity& dst, const Entity& src) {
    if (&dst == &src) return;
    dst.children = src.children;
    CopyEntityBytes(dst, src);
}

// ---------------------------------------------------------------------------
// Blocks

template <>
SnapshotBlock<Entity>::SnapshotBlock(const Entity& v) : value(v) {
    CopyEntityBytes(value, v);  // member-wise copies may skip padding
}
template <>
SnapshotBlock<ScriptMeta>::SnapshotBlock(const ScriptMeta& v) : value(v) {
    std::memcpy(static_cast<void*>(&value), &v, sizeof(ScriptMeta));
}
template <>
SnapshotBlock<SceneSettingsRecord>::SnapshotBlock(const SceneSettingsRecord& v) : value(v) {
    std::memcpy(static_cast<void*>(&value), &v, sizeof(SceneSettingsRecord));
}

size_t SnapshotAccess::BlockBytes(const SnapshotEntities::Block& b) {
    return sizeof(b) + kBlockOverhead + b.value.children.capacity() * sizeof(int32_t);
}
size_t SnapshotAccess::BlockBytes(const SnapshotScriptMeta::Block& b) { return sizeof(b) + kBlockOverhead; }
size_t SnapshotAccess::BlockBytes(const SnapshotBlock<SceneSettingsRecord>& b) { return sizeof(b) + kBlockOverhead; }

size_t SnapshotAccess::OwnBytes(const SceneSnapshot& s) {
    return sizeof(SceneSnapshot) + s.ents.blocks_.capacity() * sizeof(SnapshotEntities::BlockPtr) +
           s.scriptMeta.slots_.capacity() * sizeof(SnapshotScriptMeta::Slot);
}

size_t SnapshotBytes(const SceneSnapshot& s) {
    size_t bytes = SnapshotAccess::OwnBytes(s);
    SnapshotAccess::ForEachBlock(s, [&](uint32_t&, size_t blockBytes) { bytes += blockBytes; });
    return bytes;
}

// ---------------------------------------------------------------------------
// Snapshot accessors

const ScriptMeta* SnapshotScriptMeta::Find(int32_t id) const {
    auto it = std::lower_bound(slots_.begin(), slots_.end(), id,
                               [](const Slot& slot, int32_t key) { return slot.first < key; });
    return (it != slots_.end() && it->first == id) ? &it->second->value : nullptr;
}

static const SceneSettingsRecord& DefaultSettings() {
    static const SceneSettingsRecord defaults;
    return defaults;
}

const EngineRenderSettings& SceneSnapshot::Engine() const {
    return settings_ ? settings_->value.engine : DefaultSettings().engine;
}
float SceneSnapshot::AmbientStrength() const {
    return settings_ ? settings_->value.ambientStrength : DefaultSettings().ambientStrength;
}
float SceneSnapshot::Exposure() const { return settings_ ? settings_->value.exposure : DefaultSettings().exposure; }

// ---------------------------------------------------------------------------
// Capture and restore

// The blocks of the most recent capture or restore: what the next capture
// compares the live records with. Main thread only, like the live scene.
static SceneSnapshot s_reference;

void ForgetSnapshotReference() { s_reference = SceneSnapshot(); }

static void CaptureEntities(SceneSnapshot& s) {
    const auto& previous = SnapshotAccess::Blocks(s_reference.ents);
    auto& blocks = SnapshotAccess::Blocks(s.ents);
    blocks.reserve(g_ents.size());
    // Entities usually keep their positions between captures; when one does
    // not (added, removed, moved into a freed slot) it is found by id.
    std::unordered_map<int32_t, size_t> previousById;
    bool indexed = false;
    for (size_t i = 0; i < g_ents.size(); ++i) {
        const Entity& live = g_ents[i];
        const SnapshotEntities::BlockPtr* candidate = nullptr;
        if (i < previous.size() && previous[i]->value.id == live.id) {
            candidate = &previous[i];
        } else if (!previous.empty()) {
            if (!indexed) {
                previousById.reserve(previous.size());
                for (size_t j = 0; j < previous.size(); ++j) previousById.emplace(previous[j]->value.id, j);
                indexed = true;
            }
            auto it = previousById.find(live.id);
            if (it != previousById.end()) candidate = &previous[it->second];
        }
        if (candidate && SameEntityValue((*candidate)->value, live))
            blocks.push_back(*candidate);
        else
            blocks.push_back(std::make_shared<const SnapshotEntities::Block>(live));
    }
}

static void CaptureScriptMeta(SceneSnapshot& s) {
    std::vector<std::pair<int32_t, const ScriptMeta*>> live;
    live.reserve(g_scriptMeta.size());
    for (const auto& [id, meta] : g_scriptMeta) live.emplace_back(id, &meta);
    std::sort(live.begin(), live.end(), [](const auto& a, const auto& b) { return a.first < b.first; });

    const auto& previous = SnapshotAccess::Slots(s_reference.scriptMeta);
    auto& slots = SnapshotAccess::Slots(s.scriptMeta);
    slots.reserve(live.size());
    size_t p = 0;
    for (const auto& [id, meta] : live) {
        while (p < previous.size() && previous[p].first < id) ++p;
        if (p < previous.size() && previous[p].first == id && SameRecordBytes(previous[p].second->value, *meta))
            slots.emplace_back(id, previous[p].second);
        else
            slots.emplace_back(id, std::make_shared<const SnapshotScriptMeta::Block>(*meta));
    }
}

static void CaptureSettings(SceneSnapshot& s) {
    SceneSettingsRecord live;
    live.engine = g_engine;
    live.ambientStrength = g_ambientStrength;
    live.exposure = g_lightingExposure;
    const auto& previous = SnapshotAccess::Settings(s_reference);
    if (previous && SameRecordBytes(previous->value, live))
        SnapshotAccess::Settings(s) = previous;
    else
        SnapshotAccess::Settings(s) = std::make_shared<const SnapshotBlock<SceneSettingsRecord>>(live);
}

SceneSnapshot CaptureSceneSnapshot() {
    SceneSnapshot s;
    CaptureEntities(s);
    s.nextId = g_nextId;
    s.selId = g_selId;
    s.lastSelId = g_lastEntitySelId;
    CaptureSettings(s);
    CopyTextField(s.inspectorMatPath, g_inspectorMatPath);
    s.inspectorEditMat = g_inspectorEditMat;
    CopyTextField(s.selFilePath, g_selFilePath);
    CaptureScriptMeta(s);
    s_reference = s;
    return s;
}

void RestoreSceneSnapshot(const SceneSnapshot& s) {
    const auto& blocks = SnapshotAccess::Blocks(s.ents);
    g_ents.resize(blocks.size());
    for (size_t i = 0; i < blocks.size(); ++i) CopyEntityValue(g_ents[i], blocks[i]->value);
    g_nextId = s.nextId;
    g_selId = s.selId;
    g_lastEntitySelId = s.lastSelId;
    g_engine = s.Engine();
    g_ambientStrength = s.AmbientStrength();
    g_lightingExposure = s.Exposure();
    CopyTextField(g_inspectorMatPath, s.inspectorMatPath);
    g_inspectorEditMat = s.inspectorEditMat;
    CopyTextField(g_selFilePath, s.selFilePath);
    g_scriptMeta.clear();
    g_scriptMeta.reserve(s.scriptMeta.size());
    for (const auto& [id, block] : SnapshotAccess::Slots(s.scriptMeta)) {
        ScriptMeta& meta = g_scriptMeta.try_emplace(id, block->value).first->second;
        std::memcpy(static_cast<void*>(&meta), &block->value, sizeof(ScriptMeta));
    }
    RebuildEntityIndex();
    if (!EntityExists(g_selId)) g_selId = -1;
    if (!EntityExists(g_lastEntitySelId)) g_lastEntitySelId = -1;
    // The live scene now equals s record for record.
    s_reference = s;
}
