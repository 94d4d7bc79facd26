#include "editor/legacy/shell/WindowLayout.h"

#include <algorithm>
#include <cmath>

WorkArea SanitizeWorkArea(bool haveMonitor, int x, int y, int width, int height) {
    WorkArea w;
    if (!haveMonitor) return w;
    w.x = x;
    w.y = y;
    w.width = std::max(640, width);
    w.height = std::max(480, height);
    return w;
}

WindowRect InitialEditorWindowRect(const WorkArea& work) {
    WindowRect r;
    r.width = std::min(820, std::max(640, work.width - 120));
    r.height = std::min(560, std::max(460, work.height - 120));
    r.x = work.x + std::max(0, (work.width - r.width) / 2);
    r.y = work.y + std::max(0, (work.height - r.height) / 2);
    return r;
}

WindowRect CenteredWindowRect(const WorkArea& work, int wantW, int wantH) {
    WindowRect r;
    r.width = std::min(wantW, std::max(480, work.width - 80));
    r.height = std::min(wantH, std::max(320, work.height - 80));
    r.x = work.x + std::max(0, (work.width - r.width) / 2);
    r.y = work.y + std::max(0, (work.height - r.height) / 2);
    return r;
}

WindowRect EditorWindowRect(const WorkArea& work) {
    WindowRect r;
    r.x = work.x + 6;
    r.y = work.y + 6;
    r.width = std::max(640, work.width - 12);
    r.height = std::max(480, work.height - 12);
    return r;
}

void CenterAndSizeWindowWith(WindowOps& ops, int width, int height, bool decorated, bool rounded) {
    WindowRect r = CenteredWindowRect(ops.PrimaryWorkArea(), width, height);
    ops.SetDecorated(decorated);
    ops.SetSize(r.width, r.height);
    ops.SetPos(r.x, r.y);
    ops.SetFramelessRounded(rounded);
}

bool ApplyWindowProfileWith(WindowOps& ops, KorvaneWindowProfile& active, bool& applied,
                            KorvaneWindowProfile profile, bool force, bool gameBuild) {
    if (!force && applied && active == profile) return false;
    active = profile;
    applied = true;
    if (gameBuild) return false;
    switch (profile) {
    case KorvaneWindowProfileHub:
        ops.SetTitle("Korvane - Open Project");
        CenterAndSizeWindowWith(ops, 820, 560, false, true);
        break;
    case KorvaneWindowProfileLoading:
        ops.SetTitle("Korvane - Loading Project");
        CenterAndSizeWindowWith(ops, 660, 420, false, true);
        break;
    case KorvaneWindowProfileEditor: {
        ops.SetFramelessRounded(false);
        WindowRect r = EditorWindowRect(ops.PrimaryWorkArea());
        ops.SetDecorated(true);
        ops.SetPos(r.x, r.y);
        ops.SetSize(r.width, r.height);
        ops.RefreshTitle();
        break;
    }
    }
    return true;
}

bool FramelessDragStep(DragState& drag, const DragInput& in, int* outX, int* outY) {
    if (!drag.dragging) {
        if (in.mouseInRect && in.leftPressedThisFrame && !in.anyItemHovered) {
            drag.dragging = true;
            drag.absStartX = in.windowX + in.cursorX;
            drag.absStartY = in.windowY + in.cursorY;
            drag.startWX = in.windowX;
            drag.startWY = in.windowY;
        }
        return false;
    }
    if (!in.leftDown) {
        drag.dragging = false;
        return false;
    }
    const double absX = in.windowX + in.cursorX;
    const double absY = in.windowY + in.cursorY;
    const double dx = absX - drag.absStartX;
    const double dy = absY - drag.absStartY;
    if (!std::isfinite(dx) || !std::isfinite(dy)) return false;
    if (outX) *outX = int(drag.startWX + dx);
    if (outY) *outY = int(drag.startWY + dy);
    return true;
}
