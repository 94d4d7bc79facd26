#include "editor/legacy/shell/ShellLogic.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

#include "editor/legacy/base/AppState.h"
#include "editor/legacy/base/EditorLog.h"
#include "editor/legacy/scene/EntityStore.h"

CloseAction RouteCloseRequest(int32_t state, bool sceneDirty, bool gameBuild) {
    if (gameBuild) return CloseAction::CloseWindow;
    if (state == 2 && sceneDirty) return CloseAction::AskUnsaved;
    return CloseAction::CloseWindow;
}

bool CloseNeedsPlayStop(int32_t state, bool playing, bool gameBuild) {
    return !gameBuild && state == 2 && playing;
}

PendingKind ClassifyPendingAction(const char* pending) {
    if (!pending || !pending[0]) return PendingKind::CloseWindow;
    if (std::strcmp(pending, "__NEW__") == 0) return PendingKind::NewScene;
    if (std::strcmp(pending, "__OPEN__") == 0) return PendingKind::OpenDialog;
    return PendingKind::LoadPath;
}

namespace {
// A stalled or suspended process can report a huge or broken delta; neither
// may push the timers into nonsense.
float SaneDelta(float dt) {
    if (!std::isfinite(dt) || dt < 0.0f) return 0.0f;
    return std::min(dt, 10.0f);
}
}

bool AutosaveTick(float& timer, float dt, const AutosaveInputs& in) {
    const bool counting = in.enabled && !in.gameBuild && in.state == 2 && in.sceneDirty && in.hasScenePath &&
                          !in.playing;
    if (!counting) {
        timer = 0.0f;
        return false;
    }
    timer += SaneDelta(dt);
    if (timer >= kAutosaveSeconds) {
        timer = 0.0f;
        return true;
    }
    return false;
}

float SplashAdvance(int32_t& phase, float& timer, float dt) {
    timer += SaneDelta(dt);
    switch (phase) {
    case 0: {
        float alpha = std::min(1.0f, timer / kSplashFadeSeconds);
        if (alpha >= 1.0f) {
            phase = 1;
            timer = 0.0f;
        }
        return alpha;
    }
    case 1:
        if (timer > kSplashHoldSeconds) {
            phase = 2;
            timer = 0.0f;
        }
        return 1.0f;
    case 2: {
        float alpha = std::max(0.0f, 1.0f - timer / kSplashFadeSeconds);
        if (alpha <= 0.0f) {
            phase = 3;
            timer = 0.0f;
        }
        return alpha;
    }
    default:
        phase = 3;
        return 0.0f;
    }
}

void PaceMainLoopWith(FramePacer& pacer, int32_t state, PaceClock& clock) {
    const double period = 1.0 / PaceRateFor(state);
    double now = clock.Now();
    if (pacer.hasState && pacer.lastState == state && pacer.nextFrame > 0.0 && now <= pacer.nextFrame + 0.25) {
        double remaining = pacer.nextFrame - now;
        if (remaining > 0.0005) clock.Sleep(std::min(remaining, 0.02));
        now = clock.Now();
        // Whole periods keep the cadence even after a slow frame (at most
        // 0.25 s behind, so this loops a few dozen times at worst).
        // A sleep that lands on the deadline counts as having reached it.
        while (pacer.nextFrame <= now + 1e-9) pacer.nextFrame += period;
        return;
    }
    pacer.hasState = true;
    pacer.lastState = state;
    pacer.nextFrame = now + period;
}

int32_t WantedSwapInterval(int32_t state) { return state == 1 ? 0 : 1; }

void RecordFrameTimeIn(float* ring300, int32_t& frameIdx, float dt) {
    int32_t slot = ((frameIdx % 300) + 300) % 300;
    ring300[slot] = std::isfinite(dt) ? dt : 0.0f;
    // Keep the slot sequence unbroken when the counter is about to overflow.
    frameIdx = frameIdx >= INT32_MAX - 1 ? (slot + 1) % 300 + 300 : frameIdx + 1;
}

std::string ComposeFrameTitle(const char* projName, bool dirty) {
    std::string t = "Korvane - ";
    t += projName ? projName : "";
    if (dirty) t += " [*]";
    return t;
}

std::string ComposeDirtyTitle(const char* projName, bool dirty) {
    std::string t = "Korvane - ";
    t += projName ? projName : "";
    if (dirty) t += " \xE2\x97\x8F";
    return t;
}

bool ValidateSceneName(const std::string& name, std::string* why) {
    auto fail = [&](const char* msg) {
        if (why) *why = msg;
        return false;
    };
    if (name.empty()) return fail("Enter a scene name.");
    if (name.find('/') != std::string::npos || name.find('\\') != std::string::npos)
        return fail("A scene name cannot contain \"/\" or \"\\\".");
    if (name.find("..") != std::string::npos) return fail("A scene name cannot contain \"..\".");
    for (unsigned char c : name) {
        if (c < 0x20 || c == 0x7f) return fail("A scene name cannot contain control characters.");
    }
    if (name == "." || SceneFileNameFor(name) == ".korvane") return fail("Enter a scene name.");
    return true;
}

std::string SceneFileNameFor(const std::string& name) {
    static const std::string ext = ".korvane";
    if (name.size() >= ext.size() && name.compare(name.size() - ext.size(), ext.size(), ext) == 0) return name;
    return name + ext;
}

std::string PickFreeScenePath(const std::string& dir, const std::string& stem, const std::string& ext,
                              const std::function<bool(const std::string&)>& exists) {
    std::string first = dir + "/" + stem + ext;
    if (!exists(first)) return first;
    for (int n = 1; n < 10000; ++n) {
        std::string candidate = dir + "/" + stem + "_" + std::to_string(n) + ext;
        if (!exists(candidate)) return candidate;
    }
    return std::string();
}

void (*g_stopPlayModeHook)() = nullptr;
void (*g_markWindowCloseHook)() = nullptr;
bool g_closeWithoutSaving = false;

namespace {
void StopPlayBeforeAsking() {
    if (!CloseNeedsPlayStop(g_state, g_playing, g_gameBuild)) return;
    if (g_stopPlayModeHook) {
        g_stopPlayModeHook();
    } else {
        g_playing = false;
        g_playPaused = false;
    }
}
}

void RequestClose() {
    StopPlayBeforeAsking();
    const bool dirty = g_sceneDirty && !g_closeWithoutSaving;
    if (RouteCloseRequest(g_state, dirty, g_gameBuild) == CloseAction::CloseWindow) {
        if (g_markWindowCloseHook) g_markWindowCloseHook();
        return;
    }
    g_pendingSceneOpen[0] = '\0';
    g_pendingClose = true;
}

bool RequestSceneSwitch(const char* pending) {
    if (g_gameBuild) return false;
    StopPlayBeforeAsking();
    if (!g_sceneDirty) return true;
    const size_t len = pending ? std::strlen(pending) : 0;
    if (len == 0) return true;
    if (len >= sizeof g_pendingSceneOpen) {
        Log(4, "Scene path too long: %s", pending);
        return false;
    }
    std::memcpy(g_pendingSceneOpen, pending, len + 1);
    g_pendingClose = true;
    return false;
}
