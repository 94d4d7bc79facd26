#include "editor/legacy/scripting/ScriptMeta.h"

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "editor/legacy/base/LoadFailureMemo.h"
#include "editor/legacy/base/ProjectPaths.h"
#include "editor/legacy/scene/EntityStore.h"

namespace sc = korvane::scripting;

namespace {

const char* const kScriptPrefixes[] = {"Assets/Scripts/", "Scripts/", "scripts/", "scripts/kelmar/"};

// Every place TryOpenScript looks, in its order.
std::vector<std::string> ScriptCandidates(const char* scriptPath) {
    std::vector<std::string> out;
    const std::string roots[] = {g_projectRoot, g_assetRoot};
    for (const std::string& root : roots) {
        if (root.empty()) continue;
        for (const char* prefix : kScriptPrefixes) out.push_back(root + "/" + prefix + scriptPath);
    }
    if (scriptPath[0] == '/') out.push_back(scriptPath);
    return out;
}

bool OpensAsRegularFile(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    struct stat st;
    bool regular = fstat(fileno(f), &st) == 0 && S_ISREG(st.st_mode);
    std::fclose(f);
    return regular;
}

// Scripts that could not be found or read, keyed by roots and stored path.
// The stamps are those of every candidate when the lookup failed; while they
// stay the same, the lookup fails again without opening anything.
struct ScriptLookupFailure {
    std::vector<int64_t> stamps;
    double nextCheck = 0.0;
};
std::unordered_map<std::string, ScriptLookupFailure> g_scriptLookupFailures;

double NowSeconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

std::string FailureKey(const char* scriptPath) {
    return std::string(g_projectRoot) + '\n' + g_assetRoot + '\n' + scriptPath;
}

std::vector<int64_t> CandidateStamps(const char* scriptPath) {
    std::vector<int64_t> stamps;
    for (const std::string& c : ScriptCandidates(scriptPath)) stamps.push_back(LoadFailureMemo::FileStamp(c));
    return stamps;
}

bool KnownLookupFailure(const std::string& key, const char* scriptPath) {
    auto it = g_scriptLookupFailures.find(key);
    if (it == g_scriptLookupFailures.end()) return false;
    double now = NowSeconds();
    if (now < it->second.nextCheck) return true;
    if (CandidateStamps(scriptPath) == it->second.stamps) {
        it->second.nextCheck = now + 1.0;
        return true;
    }
    g_scriptLookupFailures.erase(it);
    return false;
}

void RememberLookupFailure(const std::string& key, const char* scriptPath) {
    g_scriptLookupFailures[key] = ScriptLookupFailure{CandidateStamps(scriptPath), NowSeconds() + 1.0};
}

} // namespace

bool IsScriptAsset(const char* path) {
    if (!path) return false;
    std::string e = Ext(path);
    return e == ".fs" || e == ".lua" || e == ".py" || e == ".cs";
}

bool TryOpenScript(const char* scriptPath, char* out, size_t outSize) {
    if (!scriptPath || !scriptPath[0] || !out || outSize == 0) return false;
    for (const std::string& c : ScriptCandidates(scriptPath)) {
        if (c.size() + 1 > outSize) continue;
        if (!OpensAsRegularFile(c)) continue;
        std::memcpy(out, c.c_str(), c.size() + 1);
        return true;
    }
    return false;
}

int32_t ScriptFieldTypeFromExport(sc::ScriptExportType type) {
    switch (type) {
    case sc::ScriptExportType::Float: return ScriptFieldType_Float;
    case sc::ScriptExportType::Int: return ScriptFieldType_Int;
    case sc::ScriptExportType::Bool: return ScriptFieldType_Bool;
    case sc::ScriptExportType::String: return ScriptFieldType_Text;
    case sc::ScriptExportType::Color: return ScriptFieldType_Color;
    case sc::ScriptExportType::Vec3: return ScriptFieldType_Vector;
    case sc::ScriptExportType::Enum: return ScriptFieldType_Choice;
    case sc::ScriptExportType::EntityRef: return ScriptFieldType_Entity;
    }
    return ScriptFieldType_Float;
}

void ParseScriptExports(const char* scriptPath, ScriptMeta& meta) {
    if (!scriptPath || !scriptPath[0]) return;
    const std::string key = FailureKey(scriptPath);
    if (KnownLookupFailure(key, scriptPath)) return;
    char resolved[4096];
    if (!TryOpenScript(scriptPath, resolved, sizeof(resolved))) {
        RememberLookupFailure(key, scriptPath);
        return;
    }
    auto doc = sc::ParseScriptExportsFromFile(resolved);
    if (!doc.ok()) {
        RememberLookupFailure(key, scriptPath);
        return;
    }
    meta.fieldCount = 0;
    CopyTextField(meta.scriptPath, scriptPath);
    for (const sc::ScriptExportField& f : doc.value().fields) {
        if (meta.fieldCount >= kMaxScriptFields) break;
        ScriptField& s = meta.fields[meta.fieldCount++];
        s = ScriptField();
        CopyTextField(s.fieldName, f.name);
        s.fieldType = ScriptFieldTypeFromExport(f.type);
        s.fieldValue = f.value;
        CopyTextField(s.stringValue, f.stringValue);
        for (int k = 0; k < 4; ++k) s.vectorValue[k] = f.vectorValue[size_t(k)];
        CopyTextField(s.extraText, f.extraText);
    }
    meta.parsed = true;
}

void EnsureScriptMeta(int32_t entityId) {
    Entity* e = GetEnt(entityId);
    auto it = g_scriptMeta.find(entityId);
    if (!e || !e->hasScript || !e->script.scriptPath[0]) {
        if (it != g_scriptMeta.end()) g_scriptMeta.erase(it);
        return;
    }
    if (it != g_scriptMeta.end() && it->second.parsed &&
        std::strcmp(it->second.scriptPath, e->script.scriptPath) == 0)
        return;
    ScriptMeta fresh;
    ParseScriptExports(e->script.scriptPath, fresh);
    if (!fresh.parsed && it != g_scriptMeta.end()) return;
    if (it != g_scriptMeta.end() && std::strcmp(it->second.scriptPath, fresh.scriptPath) == 0) {
        const ScriptMeta& old = it->second;
        int n = std::min(std::min(old.fieldCount, fresh.fieldCount), kMaxScriptFields);
        for (int i = 0; i < n; ++i) {
            // A value survives only where the field kept its name, position and type.
            if (std::strcmp(old.fields[i].fieldName, fresh.fields[i].fieldName) == 0 &&
                old.fields[i].fieldType == fresh.fields[i].fieldType)
                fresh.fields[i] = old.fields[i];
        }
    }
    g_scriptMeta[entityId] = fresh;
}

int ScriptChoiceOptionCount(const char* options) {
    if (!options || !options[0]) return 0;
    int n = 1;
    for (const char* p = options; *p; ++p)
        if (*p == ';') ++n;
    return n > 32 ? 32 : n;
}

int ScriptFieldChoiceIndex(const ScriptField& f) {
    float v = f.fieldValue;
    int count = ScriptChoiceOptionCount(f.extraText);
    if (!std::isfinite(v) || v < 0.0f || v >= float(count) || v != std::floor(v)) return 0;
    return int(v);
}

int32_t ScriptFieldEntityId(const ScriptField& f) {
    float v = f.fieldValue;
    if (!std::isfinite(v) || v != std::floor(v) || v < -2147483648.0f || v >= 2147483648.0f) return -1;
    return int32_t(v);
}

void ForgetScriptLookupFailures() { g_scriptLookupFailures.clear(); }
