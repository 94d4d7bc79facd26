#include "editor/legacy/shell/LayoutState.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "editor/legacy/base/AppState.h"
#include "editor/legacy/base/AtomicFile.h"
#include "editor/legacy/base/EditorLog.h"
#include "editor/legacy/base/ProjectPaths.h"
#include "editor/legacy/base/RecentScripts.h"
#include "editor/legacy/base/TextLines.h"
#include "editor/legacy/scene/Entity.h"
#include "engine/platform/FileSystem.h"

LayoutStateHooks g_layoutStateHooks;

namespace {

constexpr double kLayoutAutosaveSeconds = 30.0;
// A state file is a few hundred bytes; anything this big is not ours.
constexpr uint64_t kMaxEditorStateBytes = 1048576;

bool ReadLimited(const std::string& path, uint64_t limit, std::string& out) {
    auto r = korvane::platform::ReadTextFile(path, limit);
    if (!r.ok()) return false;
    out = std::move(r.value());
    return true;
}

// The words of a record, separated by blanks or tabs.
std::vector<std::string_view> SplitWords(std::string_view line) {
    std::vector<std::string_view> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
        if (i > start) words.push_back(line.substr(start, i - start));
    }
    return words;
}

// The i-th word as an integer; def when missing or not a whole number in range.
int32_t WordInt(const std::vector<std::string_view>& w, size_t i, int32_t def, bool* read = nullptr) {
    if (read) *read = false;
    if (i >= w.size()) return def;
    std::string s(w[i]);
    errno = 0;
    char* end = nullptr;
    long v = std::strtol(s.c_str(), &end, 10);
    if (end == s.c_str() || *end != '\0' || errno == ERANGE || v < INT32_MIN || v > INT32_MAX) return def;
    if (read) *read = true;
    return int32_t(v);
}

// The i-th word as a float; keep when missing, malformed or not finite.
float WordFloat(const std::vector<std::string_view>& w, size_t i, float keep) {
    if (i >= w.size()) return keep;
    std::string s(w[i]);
    char* end = nullptr;
    float v = std::strtof(s.c_str(), &end);
    if (end == s.c_str() || *end != '\0' || !std::isfinite(v)) return keep;
    return v;
}

void AppendF(std::string& out, float v) {
    char buf[48];
    std::snprintf(buf, sizeof buf, " %.9g", double(v));
    out += buf;
}

void AppendI(std::string& out, int64_t v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, " %lld", static_cast<long long>(v));
    out += buf;
}

bool IsCommentOrBlank(std::string_view line) { return line.empty() || line[0] == '#'; }

void ApplyDefaultPanelVisibility() {
    if (g_layoutStateHooks.setDefaultPanelVisibility) {
        g_layoutStateHooks.setDefaultPanelVisibility();
        return;
    }
    EditorLayoutValues v = CaptureEditorLayoutValues();
    const EditorLayoutValues defaults;
    std::copy(std::begin(defaults.panels), std::end(defaults.panels), std::begin(v.panels));
    ApplyEditorLayoutValues(v);
}

bool* PanelFlag(int i) {
    bool* flags[10] = {&g_showHier,  &g_showInsp,     &g_showAssets, &g_showConsole,      &g_showProf,
                       &g_showBuild, &g_showSettings, &g_showGame,   &g_showPreviewPanel, &g_showScriptEditor};
    return flags[i];
}

} // namespace

std::string EditorLibraryDir() {
    if (g_projectRoot[0]) return std::string(g_projectRoot) + "/Library";
    return HomeDir() + "/.korvane/Library";
}

std::string EditorIniPath() { return EditorLibraryDir() + "/editor_layout.ini"; }
std::string EditorStatePath() { return EditorLibraryDir() + "/editor_state.ini"; }

EditorLayoutValues CaptureEditorLayoutValues() {
    EditorLayoutValues v;
    for (int i = 0; i < 10; ++i) v.panels[i] = *PanelFlag(i);
    v.viewMode = g_viewMode;
    v.showGrid = g_showGrid;
    v.snapGrid = g_snapGrid;
    v.theme = g_editorTheme;
    v.fontScale = g_editorFontScale;
    v.autoSave = g_editorAutoSave;
    v.buildPlatform = g_buildPlatform;
    v.buildConfig = g_buildConfig;
    if (g_layoutStateHooks.captureUiValues) g_layoutStateHooks.captureUiValues(v);
    return v;
}

void ApplyEditorLayoutValues(const EditorLayoutValues& v) {
    for (int i = 0; i < 10; ++i) *PanelFlag(i) = v.panels[i];
    g_viewMode = v.viewMode;
    g_showGrid = v.showGrid;
    g_snapGrid = v.snapGrid;
    g_editorTheme = v.theme;
    g_editorFontScale = v.fontScale;
    g_editorAutoSave = v.autoSave;
    g_buildPlatform = v.buildPlatform;
    g_buildConfig = v.buildConfig;
    if (g_layoutStateHooks.applyUiValues) g_layoutStateHooks.applyUiValues(v);
}

std::string EditorStateEscape(const std::string& text) {
    std::string out;
    out.reserve(text.size() + 8);
    for (char c : text) {
        switch (c) {
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        default: out += c; break;
        }
    }
    return out;
}

bool EditorStateReadQuoted(const char* line, std::string& out) {
    out.clear();
    if (!line) return false;
    const char* p = std::strchr(line, '"');
    if (!p) return false;
    for (++p; *p; ++p) {
        if (*p == '"') return true;
        if (*p == '\\') {
            ++p;
            if (!*p) return false;
            switch (*p) {
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            default: out += *p; break;
            }
            continue;
        }
        out += *p;
    }
    return false;
}

std::string BuildEditorStateText(const EditorLayoutValues& v, const std::vector<std::string>& recentScripts) {
    std::string s = "# Korvane Editor Layout State v" + std::to_string(kEditorLayoutVersion) + "\n";
    s += "layout_version " + std::to_string(kEditorLayoutVersion) + "\n";
    s += "panels";
    for (bool p : v.panels) AppendI(s, p ? 1 : 0);
    s += "\nview";
    AppendI(s, v.viewMode);
    AppendI(s, v.showGrid);
    AppendI(s, v.snapGrid);
    AppendF(s, v.camYaw);
    AppendF(s, v.camPitch);
    AppendF(s, v.camDist);
    for (float c : v.camTarg) AppendF(s, c);
    s += "\npreview";
    AppendI(s, v.showPreview);
    AppendI(s, v.pvCamId);
    AppendF(s, v.pvPos[0]);
    AppendF(s, v.pvPos[1]);
    s += "\nsettings";
    AppendI(s, v.theme);
    AppendF(s, v.fontScale);
    AppendI(s, v.autoSave);
    AppendF(s, v.navSpeed);
    AppendI(s, v.resScale);
    AppendI(s, v.buildPlatform);
    AppendI(s, v.buildConfig);
    AppendI(s, v.uniformScaleLock);
    s += "\n";
    for (auto it = recentScripts.rbegin(); it != recentScripts.rend(); ++it)
        s += "recent_script \"" + EditorStateEscape(*it) + "\"\n";
    s += "window";
    for (int32_t c : v.window) AppendI(s, c);
    s += "\n";
    return s;
}

void ApplyEditorStateText(const std::string& text, bool panelsUsable, EditorLayoutValues& v,
                          std::vector<std::string>& recentOut) {
    ForEachTextLine(text, [&](std::string_view line) {
        if (line.size() > kMaxEditorStateLine || IsCommentOrBlank(line)) return;
        const std::vector<std::string_view> w = SplitWords(line);
        if (w.empty()) return;
        const std::string_view key = w[0];
        if (key == "panels") {
            if (!panelsUsable) return;
            for (int i = 0; i < 10; ++i) v.panels[i] = WordInt(w, size_t(i) + 1, 1) != 0;
        } else if (key == "view") {
            v.viewMode = std::clamp(WordInt(w, 1, v.viewMode), 0, 2);
            v.showGrid = WordInt(w, 2, 1) != 0;
            v.snapGrid = WordInt(w, 3, 0) != 0;
            // Finite values only; an angle or distance outside what the
            // camera's own navigation allows is brought back into it.
            v.camYaw = std::clamp(WordFloat(w, 4, v.camYaw), -1.0e4f, 1.0e4f);
            v.camPitch = std::clamp(WordFloat(w, 5, v.camPitch), -1.5f, 1.5f);
            v.camDist = std::clamp(WordFloat(w, 6, v.camDist), 0.5f, 200.0f);
            for (int i = 0; i < 3; ++i)
                v.camTarg[i] = std::clamp(WordFloat(w, size_t(i) + 7, v.camTarg[i]), -1.0e6f, 1.0e6f);
        } else if (key == "preview") {
            v.showPreview = WordInt(w, 1, 0) != 0;
            v.pvCamId = WordInt(w, 2, -1);
            for (int i = 0; i < 2; ++i)
                v.pvPos[i] = std::clamp(WordFloat(w, size_t(i) + 3, v.pvPos[i]), -1.0e5f, 1.0e5f);
        } else if (key == "settings") {
            v.theme = std::clamp(WordInt(w, 1, v.theme), 0, 2);
            v.fontScale = std::clamp(WordFloat(w, 2, v.fontScale), 0.5f, 2.0f);
            v.autoSave = WordInt(w, 3, 1) != 0;
            v.navSpeed = std::clamp(WordFloat(w, 4, v.navSpeed), 0.1f, 10.0f);
            v.resScale = std::clamp(WordInt(w, 5, v.resScale), 0, 2);
            v.buildPlatform = std::clamp(WordInt(w, 6, v.buildPlatform), 0, 2);
            v.buildConfig = std::clamp(WordInt(w, 7, v.buildConfig), 0, 2);
            bool read = false;
            int32_t lock = WordInt(w, 8, 0, &read);
            if (read) v.uniformScaleLock = lock != 0;
        } else if (key == "recent_script") {
            std::string path;
            // The quoted text is cut out of the line itself, so blanks and
            // tabs inside the path survive.
            std::string whole(line);
            if (EditorStateReadQuoted(whole.c_str(), path) && !path.empty()) recentOut.push_back(path);
        }
        // "layout_version", "window" and unknown records: nothing to apply.
    });
}

int ReadEditorLayoutVersion() {
    std::string text;
    if (!ReadLimited(EditorStatePath(), kMaxEditorStateBytes, text)) return 0;
    int version = 0;
    bool found = false;
    ForEachTextLine(text, [&](std::string_view line) {
        if (found || line.size() > kMaxEditorStateLine || IsCommentOrBlank(line)) return;
        const std::vector<std::string_view> w = SplitWords(line);
        if (w.empty() || w[0] != "layout_version") return;
        found = true;
        version = WordInt(w, 1, 0);
    });
    return version;
}

bool EditorIniTextLooksDocked(const std::string& text) {
    // Section headers exactly as the toolkit writes them: the dock tree and
    // the four panels every docked editor layout places.
    static const char* const kSections[] = {"[Docking][Data]", "[Window][Viewport]", "[Window][Hierarchy]",
                                            "[Window][Inspector]", "[Window][Project Browser]"};
    bool seen[5] = {};
    ForEachTextLine(text, [&](std::string_view line) {
        while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
        for (int i = 0; i < 5; ++i)
            if (line == kSections[i]) seen[i] = true;
    });
    return std::all_of(std::begin(seen), std::end(seen), [](bool b) { return b; });
}

bool EditorIniLooksDocked(const char* path) {
    if (!path || !path[0]) return false;
    std::string text;
    if (!ReadLimited(path, kMaxEditorIniBytes, text)) return false;
    return EditorIniTextLooksDocked(text);
}

bool SaveEditorLayoutState() {
    if (!g_projectRoot[0] || !g_layoutLoadedForProject) return false;
    bool ok = true;
    if (g_layoutStateHooks.uiSettingsText) {
        const std::string ini = g_layoutStateHooks.uiSettingsText();
        if (ini.size() >= kMaxEditorIniBytes) {
            Log(4, "Skipped layout save: ImGui layout data is unexpectedly large (%zu bytes)", ini.size());
            ok = false;
        } else if (!ini.empty()) {
            ok = WriteTextIfChangedAtomic(EditorIniPath(), ini) && ok;
        }
    }
    const std::string state = BuildEditorStateText(CaptureEditorLayoutValues(), g_recentScriptFiles);
    ok = WriteTextIfChangedAtomic(EditorStatePath(), state) && ok;
    return ok;
}

void LoadEditorLayoutState() {
    if (!g_projectRoot[0] || g_layoutLoadedForProject) return;
    g_layoutLoadedForProject = true;

    std::string ini;
    const bool usable = ReadEditorLayoutVersion() == kEditorLayoutVersion &&
                        ReadLimited(EditorIniPath(), kMaxEditorIniBytes - 1, ini) && EditorIniTextLooksDocked(ini);
    if (usable) {
        if (g_layoutStateHooks.loadUiSettingsText) g_layoutStateHooks.loadUiSettingsText(ini);
        g_useDefaultEditorLayout = false;
    } else {
        g_useDefaultEditorLayout = true;
        g_forceLayoutSaveOnce = true;
        ApplyDefaultPanelVisibility();
    }

    // Recent scripts belong to the project: another project's list is not
    // carried over.
    g_recentScriptFiles.clear();
    std::string text;
    if (!ReadLimited(EditorStatePath(), kMaxEditorStateBytes, text)) return;
    EditorLayoutValues v = CaptureEditorLayoutValues();
    std::vector<std::string> recent;
    ApplyEditorStateText(text, usable, v, recent);
    ApplyEditorLayoutValues(v);
    for (const std::string& path : recent) AddRecentScriptFile(path);
}

bool TickEditorLayoutAutosave(double now) {
    if (g_nextLayoutAutosave <= 0.0) g_nextLayoutAutosave = now + kLayoutAutosaveSeconds;
    if (!g_forceLayoutSaveOnce && !(now > g_nextLayoutAutosave)) return false;
    SaveEditorLayoutState();
    g_forceLayoutSaveOnce = false;
    g_nextLayoutAutosave = now + kLayoutAutosaveSeconds;
    return true;
}
