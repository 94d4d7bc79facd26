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

struct SnapshotAccess {
    using Chunk = SnapshotEntities::Chunk;
    using ChunkPtr = SnapshotEntities::ChunkPtr;
    using SettingsBlock = SnapshotBlock<SceneSettingsRecord>;

    static std::vector<ChunkPtr>& Chunks(SnapshotEntities& e) { return e.chunks_; }
    static const std::vector<ChunkPtr>& Chunks(const SnapshotEntities& e) { return e.chunks_; }
    static size_t& Size(SnapshotEntities& e) { return e.size_; }
    static std::vector<SnapshotScriptMeta::Slot>& Slots(SnapshotScriptMeta& m) { return m.slots_; }
    static const std::vector<SnapshotScriptMeta::Slot>& Slots(const SnapshotScriptMeta& m) { return m.slots_; }
    static std::shared_ptr<const SettingsBlock>& Settings(SceneSnapshot& s) { return s.settings_; }
    static const std::shared_ptr<const SettingsBlock>& Settings(const SceneSnapshot& s) { return s.settings_; }

    static size_t Bytes(const SnapshotEntities::Block& b) {
        return sizeof(b) + kBlockOverhead + b.value.children.capacity() * sizeof(int32_t);
    }
    static size_t Bytes(const Chunk& c) { return sizeof(c) + kBlockOverhead; }
    static size_t Bytes(const SnapshotScriptMeta::Block& b) { return sizeof(b) + kBlockOverhead; }
    static size_t Bytes(const SettingsBlock& b) { return sizeof(b) + kBlockOverhead; }

    // Visits the snapshot's blocks top down: f(chunk or block) returns whether
    // to go on into what it holds (only chunks hold anything).
    template <class F>
    static void Walk(const SceneSnapshot& s, F&& f) {
        for (const ChunkPtr& chunk : s.ents.chunks_)
            if (f(*chunk))
                for (size_t k = 0; k < chunk->count; ++k) f(*chunk->blocks[k]);
        for (const auto& slot : s.scriptMeta.slots_) f(*slot.second);
        if (s.settings_) f(*s.settings_);
    }
};

size_t SnapshotOwnBytes(const SceneSnapshot& s) {
    return sizeof(SceneSnapshot) + SnapshotAccess::Chunks(s.ents).capacity() * sizeof(SnapshotEntities::ChunkPtr) +
           SnapshotAccess::Slots(s.scriptMeta).capacity() * sizeof(SnapshotScriptMeta::Slot);
}

size_t SnapshotBytes(const SceneSnapshot& s) {
    size_t bytes = SnapshotOwnBytes(s);
    SnapshotAccess::Walk(s, [&](const auto& b) {
        bytes += SnapshotAccess::Bytes(b);
        return true;
    });
    return bytes;
}

// A chunk's holds count the history entries that reference it; a record's
// holds count the held chunks (or entries, for script metadata and settings)
// that reference it. So a shared chunk costs nothing to hold again.
size_t HoldSnapshotBlocks(const SceneSnapshot& s) {
    size_t bytes = 0;
    SnapshotAccess::Walk(s, [&](const auto& b) {
        if (b.historyHolds++ != 0) return false;
        bytes += SnapshotAccess::Bytes(b);
        return true;
    });
    return bytes;
}

size_t ReleaseSnapshotBlocks(const SceneSnapshot& s) {
    size_t bytes = 0;
    SnapshotAccess::Walk(s, [&](const auto& b) {
        if (--b.historyHolds != 0) return false;
        bytes += SnapshotAccess::Bytes(b);
        return true;
    });
    return bytes;
}

size_t DistinctSnapshotBytes(const std::vector<const SceneSnapshot*>& snapshots) {
    std::unordered_map<const void*, size_t> seen;
    for (const SceneSnapshot* s : snapshots)
        SnapshotAccess::Walk(*s, [&](const auto& b) {
            seen.emplace(&b, SnapshotAccess::Bytes(b));
            return true;
        });
    size_t bytes = 0;
    for (const auto& [block, size] : seen) bytes += size;
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
    constexpr size_t kChunk = SnapshotEntities::kChunkSize;
    const auto& previous = SnapshotAccess::Chunks(s_reference.ents);
    const size_t previousSize = s_reference.ents.size();
    auto previousBlock = [&](size_t i) -> const SnapshotEntities::BlockPtr& {
        return previous[i / kChunk]->blocks[i % kChunk];
    };
    auto& chunks = SnapshotAccess::Chunks(s.ents);
    const size_t n = g_ents.size();
    chunks.reserve((n + kChunk - 1) / kChunk);
    SnapshotAccess::Size(s.ents) = n;

    // Entities usually keep their positions between captures; one that does
    // not (added, removed, moved into a freed slot) is looked up by id.
    std::unordered_map<int32_t, size_t> previousById;
    bool indexed = false;
    auto blockFor = [&](size_t i) -> SnapshotEntities::BlockPtr {
        const Entity& live = g_ents[i];
        const SnapshotEntities::BlockPtr* candidate = nullptr;
        if (i < previousSize && previousBlock(i)->value.id == live.id) {
            candidate = &previousBlock(i);
        } else if (previousSize > 0) {
            if (!indexed) {
                previousById.reserve(previousSize);
                for (size_t j = 0; j < previousSize; ++j) previousById.emplace(previousBlock(j)->value.id, j);
                indexed = true;
            }
            auto it = previousById.find(live.id);
            if (it != previousById.end()) candidate = &previousBlock(it->second);
        }
        if (candidate && SameEntityValue((*candidate)->value, live)) return *candidate;
        return std::make_shared<const SnapshotEntities::Block>(live);
    };

    for (size_t begin = 0; begin < n; begin += kChunk) {
        const size_t count = std::min(kChunk, n - begin);
        const size_t c = begin / kChunk;
        const SnapshotEntities::Chunk* old = c < previous.size() ? previous[c].get() : nullptr;
        // Leading records equal to the previous capture's at the same place.
        size_t same = 0;
        if (old) {
            const size_t limit = std::min(count, old->count);
            while (same < limit && old->blocks[same]->value.id == g_ents[begin + same].id &&
                   SameEntityValue(old->blocks[same]->value, g_ents[begin + same]))
                ++same;
        }
        if (old && same == count && old->count == count) {
            chunks.push_back(previous[c]);
            continue;
        }
        auto chunk = std::make_shared<SnapshotEntities::Chunk>();
        chunk->count = count;
        for (size_t k = 0; k < same; ++k) chunk->blocks[k] = old->blocks[k];
        for (size_t k = same; k < count; ++k) chunk->blocks[k] = blockFor(begin + k);
        chunks.push_back(std::move(chunk));
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
    g_ents.resize(s.ents.size());
    size_t i = 0;
    for (const auto& chunk : SnapshotAccess::Chunks(s.ents))
        for (size_t k = 0; k < chunk->count; ++k) CopyEntityValue(g_ents[i++], chunk->blocks[k]->value);
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
