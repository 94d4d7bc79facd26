#include "editor/ui/frame/EditorShortcuts.h"

bool ShortcutBlockedWhilePlaying(EditorShortcut s) {
    switch (s) {
    case EditorShortcut::Undo:
    case EditorShortcut::Redo:
    case EditorShortcut::Save:
    case EditorShortcut::SaveAs:
    case EditorShortcut::Open:
    case EditorShortcut::New:
    case EditorShortcut::Duplicate:
    case EditorShortcut::Delete:
    case EditorShortcut::GizmoMove:
    case EditorShortcut::GizmoRotate:
    case EditorShortcut::GizmoScale:
    case EditorShortcut::GizmoNone:
    case EditorShortcut::ToggleGrid:
    case EditorShortcut::ToggleSnap: return true;
    default: return false;
    }
}

namespace {

EditorShortcut Decide(const ShortcutInput& in) {
    using K = ShortcutKey;
    using S = EditorShortcut;
    if (in.mod) {
        if (in.Pressed(K::Z) && !in.shift) return S::Undo;
        if ((in.Pressed(K::Z) && in.shift) || in.Pressed(K::Y)) return S::Redo;
        if (in.Pressed(K::S)) {
            if (in.scriptEditorFocused) return S::None;
            return (in.shift || !in.hasScenePath) ? S::SaveAs : S::Save;
        }
        if (in.Pressed(K::O)) return S::Open;
        if (in.Pressed(K::N)) return S::New;
        if (in.Pressed(K::B)) return S::BuildAndRun;
        if (in.Pressed(K::D)) return S::Duplicate;
        return S::None;  // Cmd/Ctrl with any other key: nothing more is tested
    }
    if (in.Pressed(K::Delete) || in.Pressed(K::Backspace)) return S::Delete;
    if (in.Pressed(K::Space)) return in.playing ? S::TogglePause : S::StartPlay;
    if (in.Pressed(K::F)) return S::Focus;
    if (in.Pressed(K::A)) return S::FrameAll;
    if (in.Pressed(K::W)) return S::GizmoMove;
    if (in.Pressed(K::E)) return S::GizmoRotate;
    if (in.Pressed(K::R)) return S::GizmoScale;
    if (in.Pressed(K::Q)) return S::GizmoNone;
    if (in.Pressed(K::G)) return in.shift ? S::ToggleSnap : S::ToggleGrid;
    if (in.Pressed(K::Key1)) return S::ViewShaded;
    if (in.Pressed(K::Key2)) return S::ViewWireframe;
    if (in.Pressed(K::Key3)) return S::ViewShadedWire;
    return S::None;
}

} // namespace

EditorShortcut DecideEditorShortcut(const ShortcutInput& in) {
    if (in.textInput || in.mouseCaptured || in.itemActive) return EditorShortcut::None;
    EditorShortcut s = Decide(in);
    // The first matching row decides; a row blocked by play mode does not
    // fall through to a later one.
    if (in.playing && ShortcutBlockedWhilePlaying(s)) return EditorShortcut::None;
    return s;
}
