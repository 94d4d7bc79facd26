#include "editor/legacy/scene/EntityStore.h"

#include <algorithm>
#include <cstdio>
#include <unordered_set>

#include "editor/legacy/base/AppState.h"
#include "editor/legacy/base/EditorLog.h"
#include "editor/legacy/scene/Undo.h"

std::vector<Entity> g_ents;
EntityIdMap<int32_t> g_entIdx;
int32_t g_nextId = 1;
int32_t g_selId = -1;
int32_t g_lastEntitySelId = -1;
int32_t g_renameEntId = -1;
bool g_sceneDirty = false;
char g_selFilePath[1024] = "";
char g_inspectorMatPath[1024] = "";
Material g_inspectorEditMat;

Entity* GetEnt(int32_t id) {
    auto it = g_entIdx.find(id);
    if (it == g_entIdx.end()) return nullptr;
    size_t pos = static_cast<size_t>(it->second);
    if (pos >= g_ents.size()) return nullptr;
    return &g_ents[pos];
}

bool EntityExists(int32_t id) { return g_entIdx.find(id) != g_entIdx.end(); }

Entity* GetSel() {
    Entity* e = GetEnt(g_selId);
    if (e) g_lastEntitySelId = e->id;
    return e;
}

void RebuildEntityIndex() {
    g_entIdx.clear();
    g_entIdx.reserve(g_ents.size());
    for (size_t i = 0; i < g_ents.size(); ++i) g_entIdx[g_ents[i].id] = static_cast<int32_t>(i);
}

void MarkSceneDirty() {
    if (g_sceneDirty) return;
    g_sceneDirty = true;
    UpdateWindowTitle();
}

Entity* AddEnt(const char* name, int32_t parentId) {
    Entity e;
    e.id = g_nextId++;
    CopyTextField(e.name, name);
    Entity* parent = parentId >= 0 ? GetEnt(parentId) : nullptr;
    // A dangling parent id would silently adopt the entity once that id is
    // handed out, so it is not kept.
    e.parent = parent ? parentId : -1;
    if (parent) parent->children.push_back(e.id);
    g_ents.push_back(std::move(e));
    Entity& stored = g_ents.back();
    g_entIdx[stored.id] = static_cast<int32_t>(g_ents.size() - 1);
    g_renameEntId = stored.id;
    MarkSceneDirty();
    return &stored;
}

// Removes one entity, unlinking it from its parent; children are the
// caller's business.
static void RemoveOne(int32_t id) {
    auto it = g_entIdx.find(id);
    if (it == g_entIdx.end()) return;
    size_t pos = static_cast<size_t>(it->second);
    int32_t parentId = g_ents[pos].parent;
    if (parentId >= 0 && parentId != id) {
        if (Entity* p = GetEnt(parentId)) {
            auto& ch = p->children;
            ch.erase(std::remove(ch.begin(), ch.end(), id), ch.end());
        }
    }
    g_entIdx.erase(it);
    size_t last = g_ents.size() - 1;
    if (pos != last) {
        g_ents[pos] = std::move(g_ents[last]);
        g_entIdx[g_ents[pos].id] = static_cast<int32_t>(pos);
    }
    g_ents.pop_back();
    if (g_selId == id) g_selId = -1;
}

void RemoveEnt(int32_t id) {
    if (!EntityExists(id)) return;
    // Post-order walk over children lists (children before their parent, in
    // list order), iterative and with a visited set: a loaded file may hold a
    // cycle or a chain deeper than the call stack.
    struct Frame {
        int32_t id;
        size_t next;
    };
    std::vector<Frame> stack;
    std::vector<int32_t> order;
    EntityIdSet visited;
    stack.push_back({id, 0});
    visited.insert(id);
    while (!stack.empty()) {
        Frame& f = stack.back();
        const Entity* e = GetEnt(f.id);
        if (e && f.next < e->children.size()) {
            int32_t c = e->children[f.next++];
            if (EntityExists(c) && visited.insert(c).second) stack.push_back({c, 0});
        } else {
            order.push_back(f.id);
            stack.pop_back();
        }
    }
    for (int32_t victim : order) RemoveOne(victim);
    MarkSceneDirty();
}

Entity* DuplicateSelectedEntity() {
    Entity* src = GetSel();
    if (!src) return nullptr;
    SceneSnapshot before = CaptureSceneSnapshot();
    int32_t srcId = src->id;

    Entity copy = *src;
    copy.id = g_nextId++;
    copy.children.clear();
    char nameBuf[sizeof(copy.name) + 8];
    std::snprintf(nameBuf, sizeof(nameBuf), "%s Copy", src->name);
    CopyTextField(copy.name, nameBuf);
    Entity* parent = (copy.parent >= 0 && copy.parent != srcId) ? GetEnt(copy.parent) : nullptr;
    if (parent) {
        parent->children.push_back(copy.id);
    } else {
        copy.parent = -1;  // a dangling or self link is not passed on
    }
    int32_t newId = copy.id;
    g_ents.push_back(std::move(copy));
    g_entIdx[newId] = static_cast<int32_t>(g_ents.size() - 1);

    auto meta = g_scriptMeta.find(srcId);
    if (meta != g_scriptMeta.end()) {
        ScriptMeta m = meta->second;  // copy first: insertion may rehash
        g_scriptMeta[newId] = m;
    }

    g_selId = newId;
    g_lastEntitySelId = newId;
    g_selFilePath[0] = '\0';
    UndoPushSnapshot(before, "Duplicate Entity");
    return GetEnt(newId);
}

void DeleteSelectedEntity() {
    Entity* sel = GetSel();
    if (!sel) return;
    SceneSnapshot before = CaptureSceneSnapshot();
    char name[sizeof(sel->name)];
    CopyTextField(name, sel->name);
    RemoveEnt(sel->id);
    UndoPushSnapshot(before, "Delete Entity");
    Log(2, "Deleted %s", name);
}

bool IsDescendant(int32_t a, int32_t b) {
    if (a == b) return true;
    std::vector<int32_t> stack{b};
    EntityIdSet visited{b};
    while (!stack.empty()) {
        const Entity* e = GetEnt(stack.back());
        stack.pop_back();
        if (!e) continue;
        for (int32_t c : e->children) {
            if (c == a) return true;
            if (visited.insert(c).second) stack.push_back(c);
        }
    }
    return false;
}

int EntityHierarchyDepth(int32_t id) {
    int depth = 0;
    const Entity* e = GetEnt(id);
    while (e && depth < kMaxHierarchyDepth && e->parent >= 0 && e->parent != e->id) {
        e = GetEnt(e->parent);
        if (!e) break;
        ++depth;
    }
    return depth;
}

bool ReparentEntity(int32_t child, int32_t newParent) {
    Entity* d = GetEnt(child);
    if (!d) return false;
    if (newParent >= 0) {
        if (!EntityExists(newParent) || IsDescendant(newParent, child)) return false;
    } else {
        newParent = -1;
    }
    if (d->parent == newParent) {
        // Already there; only make sure the link is listed.
        if (newParent < 0) return true;
        Entity* t = GetEnt(newParent);
        if (std::find(t->children.begin(), t->children.end(), child) != t->children.end()) return true;
    }
    if (d->parent >= 0 && d->parent != child) {
        if (Entity* old = GetEnt(d->parent)) {
            auto& ch = old->children;
            ch.erase(std::remove(ch.begin(), ch.end(), child), ch.end());
        }
    }
    d->parent = newParent;
    if (newParent >= 0) {
        Entity* t = GetEnt(newParent);
        if (std::find(t->children.begin(), t->children.end(), child) == t->children.end())
            t->children.push_back(child);
    }
    MarkSceneDirty();
    return true;
}
