#include "editor/legacy/scripting/ScriptEditor.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "editor/legacy/base/AppState.h"
#include "editor/legacy/base/AtomicFile.h"
#include "editor/legacy/base/EditorLog.h"
#include "editor/legacy/base/ProjectPaths.h"
#include "editor/legacy/base/RecentScripts.h"
#include "editor/legacy/scene/EntityStore.h"
#include "editor/legacy/scripting/ScriptMeta.h"

char g_scriptEditorPath[1024] = {};
bool g_scriptEditorDirty = false;
std::string g_scriptEditorText;
std::string g_scriptEditorStatus;
int g_scriptEditorCursorLine = 1, g_scriptEditorCursorCol = 1;
bool g_scriptEditorAutoAnalyze = true;
double g_scriptEditorLastAnalyzeTime = 0.0;
bool g_scriptEditorSearchOpen = false;
int g_scriptEditorSideMode = 0;
bool g_scriptEditorShowSidebar = false, g_scriptEditorSoftWrap = false, g_scriptEditorCommandPalette = false;
char g_scriptEditorSearch[128] = {}, g_scriptEditorReplace[128] = {};
std::vector<ScriptDiagnostic> g_scriptEditorDiagnostics;
std::vector<ScriptOutlineItem> g_scriptEditorOutline;
int g_scriptEditorErrors = 0, g_scriptEditorWarnings = 0;
bool g_scriptEditorReadOnly = false;
uint64_t g_scriptEditorRevision = 0, g_scriptEditorAnalyzedRevision = 0;
bool g_scriptEditorCloseRequested = false;

namespace {

ScriptEditorAction s_pendingAction = ScriptEditorAction::None;
std::string s_pendingPath;

// The file a save really writes: a symbolic link is followed to its target so
// the link stays a link; a file that does not exist yet is written as named.
std::string SaveTargetFor(const char* path) {
    char real[PATH_MAX];
    if (realpath(path, real)) return real;
    return path;
}

// The same file for two spellings of it (links, "..", relative roots).
std::string CanonicalOrSelf(const std::string& path) {
    char real[PATH_MAX];
    if (!path.empty() && realpath(path.c_str(), real)) return real;
    return path;
}

void SetStatus(std::string s) { g_scriptEditorStatus = std::move(s); }

void DoAction(ScriptEditorAction action, const std::string& path) {
    switch (action) {
        case ScriptEditorAction::Open: OpenScriptInEditor(path.c_str()); break;
        case ScriptEditorAction::Reload: {
            const std::string current = g_scriptEditorPath;
            if (!current.empty()) OpenScriptInEditor(current.c_str());
            break;
        }
        case ScriptEditorAction::Close: g_scriptEditorCloseRequested = true; break;
        case ScriptEditorAction::None: break;
    }
}

}  // namespace

std::string ResolveEditorScriptPath(const char* path) {
    if (!path || !path[0]) return "";
    if (path[0] == '/') return path;
    char found[1024];
    if (TryOpenScript(path, found, sizeof found)) return found;
    return ResolveProjectAssetPath(path);
}

ScriptReadStatus ReadScriptFile(const std::string& path, std::string& out, std::string& why) {
    out.clear();
    why.clear();
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        if (errno == ENOENT) return ScriptReadStatus::Missing;
        why = std::strerror(errno);
        return ScriptReadStatus::Error;
    }
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        why = "not a regular file";
        close(fd);
        return ScriptReadStatus::Error;
    }
    if (static_cast<uint64_t>(st.st_size) > kScriptEditorMaxFileBytes) {
        why = "larger than 8 MiB";
        close(fd);
        return ScriptReadStatus::Error;
    }
    out.resize(static_cast<size_t>(st.st_size));
    size_t got = 0;
    while (got < out.size()) {
        ssize_t n = read(fd, out.data() + got, out.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            why = std::strerror(errno);
            close(fd);
            out.clear();
            return ScriptReadStatus::Error;
        }
        if (n == 0) break;
        got += static_cast<size_t>(n);
    }
    out.resize(got);  // a file that shrank while being read
    close(fd);
    return ScriptReadStatus::Ok;
}

bool ScriptTextEditable(std::string_view t) {
    size_t i = 0;
    while (i < t.size()) {
        const unsigned char c = static_cast<unsigned char>(t[i]);
        if (c == 0) return false;
        if (c < 0x80) {
            ++i;
            continue;
        }
        int len = 0;
        uint32_t cp = 0;
        if ((c & 0xE0) == 0xC0) len = 2, cp = c & 0x1F;
        else if ((c & 0xF0) == 0xE0) len = 3, cp = c & 0x0F;
        else if ((c & 0xF8) == 0xF0) len = 4, cp = c & 0x07;
        else return false;
        if (i + size_t(len) > t.size()) return false;
        for (int k = 1; k < len; ++k) {
            const unsigned char cc = static_cast<unsigned char>(t[i + size_t(k)]);
            if ((cc & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
        if ((len == 2 && cp < 0x80) || (len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000) || cp > 0x10FFFF ||
            (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += size_t(len);
    }
    return true;
}

bool OpenScriptInEditor(const char* path) {
    const std::string resolved = ResolveEditorScriptPath(path);
    if (resolved.empty()) {
        Log(3, "Script editor: cannot resolve script path");
        return false;
    }
    if (resolved.size() >= sizeof g_scriptEditorPath) {
        SetStatus("Cannot open: the path is too long " + resolved);
        Log(3, "Script editor: path too long to open: %s", resolved.c_str());
        return false;
    }
    std::string text, why;
    const ScriptReadStatus rs = ReadScriptFile(resolved, text, why);
    if (rs == ScriptReadStatus::Error) {
        // An existing file that cannot be read is never replaced by the
        // template: its first save would overwrite it.
        SetStatus("Cannot open " + resolved + ": " + why);
        Log(3, "Script editor: cannot open %s: %s", resolved.c_str(), why.c_str());
        return false;
    }
    bool readOnly = false, normalized = false;
    if (rs == ScriptReadStatus::Missing) {
        text = kScriptEditorTemplate;
    } else if (!ScriptTextEditable(text)) {
        readOnly = true;
    } else {
        normalized = ScriptEditorNormalizeUnsupportedGlyphs(text);
    }
    std::memcpy(g_scriptEditorPath, resolved.c_str(), resolved.size() + 1);
    g_scriptEditorText = std::move(text);
    g_scriptEditorReadOnly = readOnly;
    g_scriptEditorDirty = normalized;
    g_scriptEditorCursorLine = g_scriptEditorCursorCol = 1;
    ++g_scriptEditorRevision;
    if (readOnly)
        SetStatus("Opened read-only (NUL bytes or invalid UTF-8 would not survive saving) " + resolved);
    else
        SetStatus((normalized ? "Opened and normalized unsupported symbols " : "Opened ") + resolved);
    AddRecentScriptFile(resolved);
    g_showScriptEditor = true;
    AnalyzeScriptEditor(true);
    return true;
}

bool SaveScriptEditor() {
    if (!g_scriptEditorPath[0]) return false;
    if (g_scriptEditorReadOnly) {
        SetStatus("Save refused: the file is open read-only");
        return false;
    }
    const bool normalized = ScriptEditorNormalizeUnsupportedGlyphs(g_scriptEditorText);
    if (normalized) {
        ++g_scriptEditorRevision;
        SetStatus("Normalized unsupported symbols before save");
    }
    AnalyzeScriptEditor();
    const int errors = g_scriptEditorErrors;
    const std::string target = SaveTargetFor(g_scriptEditorPath);
    if (!WriteTextIfChangedAtomic(target, g_scriptEditorText)) {
        SetStatus("Save failed");
        Log(4, "Script save failed: %s: %s", target.c_str(), std::strerror(errno ? errno : EIO));
        return false;
    }
    g_scriptEditorDirty = false;
    SetStatus(std::string("Saved ") + g_scriptEditorPath + (errors > 0 ? " with diagnostics" : ""));
    RefreshScriptMetaAfterSave(target);
    return true;
}

void RefreshScriptMetaAfterSave(const std::string& savedPath) {
    ForgetScriptLookupFailures();
    const std::string saved = CanonicalOrSelf(savedPath);
    for (auto& [id, meta] : g_scriptMeta) {
        if (!meta.scriptPath[0]) continue;
        if (CanonicalOrSelf(ResolveEditorScriptPath(meta.scriptPath)) == saved) meta.parsed = false;
    }
    std::vector<int32_t> ids;
    for (const Entity& e : g_ents)
        if (e.hasScript) ids.push_back(e.id);
    for (int32_t id : ids) EnsureScriptMeta(id);
}

bool ScriptEditorCreateNew() {
    if (!g_projectRoot[0]) {
        SetStatus("No project is open: create or open a project first");
        Log(3, "Script editor: no project open for a new script");
        return false;
    }
    const std::string dir = std::string(g_projectRoot) + "/Assets/Scripts";
    if (!MkdirP(dir)) {
        SetStatus("Cannot create " + dir);
        Log(4, "Script editor: cannot create %s", dir.c_str());
        return false;
    }
    for (int n = 1; n < 10000; ++n) {
        const std::string path = dir + "/NewScript" + std::to_string(n) + ".fs";
        // Exclusive create: an existing script of that name is never touched.
        int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            SetStatus("Cannot create " + path + ": " + std::strerror(errno));
            Log(4, "Script editor: cannot create %s: %s", path.c_str(), std::strerror(errno));
            return false;
        }
        const bool ok = WriteAllFd(fd, kNewScriptText, std::strlen(kNewScriptText));
        if (close(fd) != 0 || !ok) {
            unlink(path.c_str());
            SetStatus("Cannot write " + path);
            Log(4, "Script editor: cannot write %s", path.c_str());
            return false;
        }
        return OpenScriptInEditor(path.c_str());
    }
    SetStatus("No free NewScript name in " + dir);
    return false;
}

void ScriptEditorOpenSelected() {
    if (g_selFilePath[0] && IsScriptAsset(g_selFilePath)) {
        ScriptEditorRequest(ScriptEditorAction::Open, g_selFilePath);
        return;
    }
    if (const Entity* e = GetSel(); e && e->hasScript && e->script.scriptPath[0])
        ScriptEditorRequest(ScriptEditorAction::Open, e->script.scriptPath);
}

void ScriptEditorRequest(ScriptEditorAction action, const char* path) {
    const std::string p = path ? path : "";
    if (action == ScriptEditorAction::None) return;
    if (!g_scriptEditorDirty || !g_scriptEditorPath[0]) {
        DoAction(action, p);
        return;
    }
    // Opening the file that is already open keeps the edits: nothing to ask.
    if (action == ScriptEditorAction::Open && ResolveEditorScriptPath(p.c_str()) == g_scriptEditorPath) {
        g_showScriptEditor = true;
        return;
    }
    s_pendingAction = action;
    s_pendingPath = p;
}

ScriptEditorAction ScriptEditorPendingAction() { return s_pendingAction; }
const std::string& ScriptEditorPendingPath() { return s_pendingPath; }

void ScriptEditorResolvePending(ScriptEditorAnswer answer) {
    const ScriptEditorAction action = s_pendingAction;
    const std::string path = s_pendingPath;
    s_pendingAction = ScriptEditorAction::None;
    s_pendingPath.clear();
    if (answer == ScriptEditorAnswer::Cancel || action == ScriptEditorAction::None) return;
    if (answer == ScriptEditorAnswer::Save && !SaveScriptEditor()) return;
    if (answer == ScriptEditorAnswer::Discard) g_scriptEditorDirty = false;
    DoAction(action, path);
}

size_t CountOccurrences(std::string_view text, std::string_view needle) {
    if (needle.empty()) return 0;
    size_t n = 0;
    for (size_t pos = text.find(needle); pos != std::string_view::npos; pos = text.find(needle, pos + needle.size()))
        ++n;
    return n;
}

size_t ReplaceAllOccurrences(std::string& text, std::string_view find, std::string_view replacement) {
    if (find.empty()) return 0;
    size_t count = 0;
    std::string out;
    size_t from = 0;
    for (size_t pos = text.find(find); pos != std::string::npos; pos = text.find(find, from)) {
        if (count == 0) out.reserve(text.size());
        out.append(text, from, pos - from).append(replacement);
        from = pos + find.size();
        ++count;
    }
    if (count == 0) return 0;
    out.append(text, from, std::string::npos);
    text.swap(out);
    return count;
}

void ScriptEditorReplaceAll() {
    if (!g_scriptEditorSearch[0] || g_scriptEditorReadOnly) return;
    const size_t n = ReplaceAllOccurrences(g_scriptEditorText, g_scriptEditorSearch, g_scriptEditorReplace);
    if (n == 0) return;
    g_scriptEditorDirty = true;
    ++g_scriptEditorRevision;
    AnalyzeScriptEditor();
    SetStatus("Replaced " + std::to_string(n) + " occurrence(s)");
}

bool ScriptEditorNormalizeUnsupportedGlyphs(std::string& text) {
    static const struct {
        const char* from;
        const char* to;
    } table[] = {
        {"\xE2\x94\x80", "-"}, {"\xE2\x94\x81", "-"}, {"\xE2\x94\x82", "|"}, {"\xE2\x94\x83", "|"},
        {"\xE2\x94\x8C", "+"}, {"\xE2\x94\x90", "+"}, {"\xE2\x94\x94", "+"}, {"\xE2\x94\x98", "+"},
        {"\xE2\x94\x9C", "+"}, {"\xE2\x94\xA4", "+"}, {"\xE2\x94\xAC", "+"}, {"\xE2\x94\xB4", "+"},
        {"\xE2\x94\xBC", "+"}, {"\xE2\x80\x94", "-"}, {"\xE2\x80\x93", "-"}, {"\xE2\x80\xA6", "..."},
        {"\xE2\x80\xA2", "*"}, {"\xE2\x9C\x93", "OK"}, {"\xE2\x9C\x95", "X"}, {"\xE2\x9A\xA0", "!"},
        {"\xE2\x96\xB6", ">"},
    };
    // Every glyph starts with 0xE2: most buffers are left at the first scan.
    if (text.find('\xE2') == std::string::npos) return false;
    bool changed = false;
    for (const auto& g : table) changed |= ReplaceAllOccurrences(text, g.from, g.to) > 0;
    return changed;
}

void AnalyzeScriptEditor(bool keepStatus) {
    g_scriptEditorDiagnostics.clear();
    g_scriptEditorOutline.clear();
    g_scriptEditorErrors = g_scriptEditorWarnings = 0;
    g_scriptEditorAnalyzedRevision = g_scriptEditorRevision;
    if (!g_scriptEditorPath[0]) return;
    ScriptAnalysis a = AnalyzeScriptText(g_scriptEditorText, Ext(g_scriptEditorPath));
    if (!keepStatus) g_scriptEditorStatus = ScriptAnalysisStatus(a);
    g_scriptEditorErrors = a.errors;
    g_scriptEditorWarnings = a.warnings;
    g_scriptEditorDiagnostics = std::move(a.diagnostics);
    g_scriptEditorOutline = std::move(a.outline);
}

void ScriptEditorAutoAnalyzeTick(double now) {
    if (!g_scriptEditorAutoAnalyze || !g_scriptEditorDirty || !g_scriptEditorPath[0]) return;
    if (g_scriptEditorRevision == g_scriptEditorAnalyzedRevision) return;
    if (now - g_scriptEditorLastAnalyzeTime <= 0.35) return;
    g_scriptEditorLastAnalyzeTime = now;
    AnalyzeScriptEditor();
}

void ScriptEditorNoteEdit() {
    g_scriptEditorDirty = true;
    ++g_scriptEditorRevision;
    if (!g_scriptEditorAutoAnalyze) g_scriptEditorStatus = "Edited";
}

void ResetScriptEditorState() {
    g_scriptEditorPath[0] = '\0';
    g_scriptEditorDirty = false;
    g_scriptEditorText.clear();
    g_scriptEditorStatus.clear();
    g_scriptEditorCursorLine = g_scriptEditorCursorCol = 1;
    g_scriptEditorAutoAnalyze = true;
    g_scriptEditorLastAnalyzeTime = 0.0;
    g_scriptEditorSearchOpen = false;
    g_scriptEditorSideMode = 0;
    g_scriptEditorShowSidebar = g_scriptEditorSoftWrap = g_scriptEditorCommandPalette = false;
    g_scriptEditorSearch[0] = g_scriptEditorReplace[0] = '\0';
    g_scriptEditorDiagnostics.clear();
    g_scriptEditorOutline.clear();
    g_scriptEditorErrors = g_scriptEditorWarnings = 0;
    g_scriptEditorReadOnly = false;
    g_scriptEditorRevision = g_scriptEditorAnalyzedRevision = 0;
    g_scriptEditorCloseRequested = false;
    s_pendingAction = ScriptEditorAction::None;
    s_pendingPath.clear();
}
