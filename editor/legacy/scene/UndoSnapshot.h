#pragma once
// Scene snapshots held as shared, immutable blocks. A snapshot is the whole
// scene (every entity with its children, the script metadata, g_engine and
// the lighting values, the ids, the selection and the inspector's material),
// but a record that did not change since the previous capture is not copied
// again: the new snapshot shares the earlier snapshot's block for it.
//
//   SnapshotBlock<T>        one immutable record, shared between snapshots
//   SnapshotEntities        read-only list view: size, [i], back, iteration
//   SnapshotScriptMeta      read-only view sorted by entity id: Find, iteration
//   SceneSettingsRecord     g_engine, g_ambientStrength, g_lightingExposure
//   SceneSnapshot           one captured scene; Engine(), AmbientStrength(),
//                           Exposure() read the shared settings block
//   CaptureSceneSnapshot RestoreSceneSnapshot SnapshotBytes
//
// Capture compares every live record with the block the most recent capture
// (or restore) held for it and shares it when the bytes are equal, so an
// edit of one entity costs one entity copy. Blocks are never written after
// they are made; editing the live scene cannot reach a stored snapshot.
// Snapshots may be copied, read and destroyed on any thread (the blocks are
// immutable and reference-counted atomically); capture and restore touch the
// live scene and run on the main thread only.

#include <array>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <utility>
#include <vector>

#include "editor/legacy/scene/Entity.h"

// One record as snapshots hold it. `value` never changes once the block is
// made. `historyHolds` is bookkeeping of the undo history (how many of its
// entries hold the block, so shared bytes count once); only the undo calls
// on the main thread touch it.
template <class T>
struct SnapshotBlock {
    explicit SnapshotBlock(const T& v);
    T value;
    mutable uint32_t historyHolds = 0;
};

struct SceneSettingsRecord {
    EngineRenderSettings engine;
    float ambientStrength = 0.1f;
    float exposure = 1.15f;
};

// The entity list is held in chunks of kChunkSize block references; a chunk
// whose records all stayed the same is shared as a whole, so a step that
// changes one entity of 10,000 adds one chunk and one record, not a list of
// 10,000 references.
class SnapshotEntities {
public:
    using Block = SnapshotBlock<Entity>;
    using BlockPtr = std::shared_ptr<const Block>;
    static constexpr size_t kChunkSize = 64;
    struct Chunk {
        std::array<BlockPtr, kChunkSize> blocks;
        size_t count = 0;
        mutable uint32_t historyHolds = 0;  // as SnapshotBlock::historyHolds
    };
    using ChunkPtr = std::shared_ptr<const Chunk>;

    class const_iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = Entity;
        using difference_type = std::ptrdiff_t;
        using pointer = const Entity*;
        using reference = const Entity&;
        const_iterator() = default;
        const_iterator(const SnapshotEntities* owner, size_t i) : owner_(owner), i_(i) {}
        const Entity& operator*() const { return (*owner_)[i_]; }
        const Entity* operator->() const { return &(*owner_)[i_]; }
        const_iterator& operator++() {
            ++i_;
            return *this;
        }
        const_iterator operator++(int) {
            const_iterator old = *this;
            ++i_;
            return old;
        }
        bool operator==(const const_iterator& o) const { return i_ == o.i_ && owner_ == o.owner_; }
        bool operator!=(const const_iterator& o) const { return !(*this == o); }

    private:
        const SnapshotEntities* owner_ = nullptr;
        size_t i_ = 0;
    };

    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    // The address of an entity is its block's: two snapshots that share the
    // record return the same address.
    const Entity& operator[](size_t i) const { return chunks_[i / kChunkSize]->blocks[i % kChunkSize]->value; }
    const Entity& front() const { return (*this)[0]; }
    const Entity& back() const { return (*this)[size_ - 1]; }
    const_iterator begin() const { return const_iterator(this, 0); }
    const_iterator end() const { return const_iterator(this, size_); }

private:
    friend struct SnapshotAccess;
    std::vector<ChunkPtr> chunks_;
    size_t size_ = 0;
};

class SnapshotScriptMeta {
public:
    using Block = SnapshotBlock<ScriptMeta>;
    using BlockPtr = std::shared_ptr<const Block>;
    using Slot = std::pair<int32_t, BlockPtr>;

    struct Item {
        int32_t id;
        const ScriptMeta& meta;
    };
    class const_iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = Item;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = Item;
        const_iterator() = default;
        explicit const_iterator(std::vector<Slot>::const_iterator it) : it_(it) {}
        Item operator*() const { return Item{it_->first, it_->second->value}; }
        const_iterator& operator++() {
            ++it_;
            return *this;
        }
        bool operator==(const const_iterator& o) const { return it_ == o.it_; }
        bool operator!=(const const_iterator& o) const { return it_ != o.it_; }

    private:
        std::vector<Slot>::const_iterator it_;
    };

    size_t size() const { return slots_.size(); }
    bool empty() const { return slots_.empty(); }
    // The record captured for entity `id`, or null when it had none.
    const ScriptMeta* Find(int32_t id) const;
    const_iterator begin() const { return const_iterator(slots_.begin()); }
    const_iterator end() const { return const_iterator(slots_.end()); }

private:
    friend struct SnapshotAccess;
    std::vector<Slot> slots_;  // sorted by id
};

struct SceneSnapshot {
    SnapshotEntities ents;  // every entity, children included, in store order
    int32_t nextId = 1;
    int32_t selId = -1;
    int32_t lastSelId = -1;
    char inspectorMatPath[1024] = "";
    Material inspectorEditMat;
    char selFilePath[1024] = "";
    SnapshotScriptMeta scriptMeta;

    // g_engine, g_ambientStrength and g_lightingExposure as captured (the
    // defaults for a snapshot that was never captured).
    const EngineRenderSettings& Engine() const;
    float AmbientStrength() const;
    float Exposure() const;

private:
    friend struct SnapshotAccess;
    std::shared_ptr<const SnapshotBlock<SceneSettingsRecord>> settings_;
};

SceneSnapshot CaptureSceneSnapshot();
// Writes every captured value back and rebuilds the index; a selection that
// no longer exists becomes -1. Does not touch the dirty flag or the stacks.
void RestoreSceneSnapshot(const SceneSnapshot& s);
// Forgets the blocks the next capture would compare against (the next
// capture copies every record). Called when the scene is replaced, so the
// previous scene's records are not kept alive.
void ForgetSnapshotReference();

// Memory the snapshot holds on its own: its lists plus every block it
// references, as if it shared none.
size_t SnapshotBytes(const SceneSnapshot& s);

// Entity values are compared and copied as their bytes outside `children`
// plus the children list, so a copy is byte-identical to its source and an
// untouched entity compares equal at the next capture.
bool SameEntityValue(const Entity& a, const Entity& b);
void CopyEntityValue(Entity& dst, const Entity& src);

// For the undo history's byte count. An entry entering the history holds
// its snapshot's blocks; a block (or chunk) counts from its first hold to
// its last, so shared records count once. Main thread only.
//   SnapshotOwnBytes        the snapshot's own lists, not the blocks
//   HoldSnapshotBlocks      takes a hold on every block; returns the bytes
//                           that became held
//   ReleaseSnapshotBlocks   gives the holds back; returns the bytes freed
//   DistinctSnapshotBytes   the blocks of all the given snapshots, each once
//                           (recounted from scratch, for checks)
size_t SnapshotOwnBytes(const SceneSnapshot& s);
size_t HoldSnapshotBlocks(const SceneSnapshot& s);
size_t ReleaseSnapshotBlocks(const SceneSnapshot& s);
size_t DistinctSnapshotBytes(const std::vector<const SceneSnapshot*>& snapshots);
