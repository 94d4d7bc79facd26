#pragma once
// Clicks a probed widget in a headless Dear ImGui session: move, press and
// release on separate frames, as a person's click arrives.

#include <functional>

#include "editor/ui/common/UiProbe.h"
#include "imgui.h"

namespace korvane::test {

// False when the probe was not drawn; frame() draws one whole UI frame.
inline bool ClickProbe(const char* probe, const std::function<void()>& frame) {
    float x, y, w, h;
    if (!UiProbeFind(probe, &x, &y, &w, &h)) return false;
    ImGuiIO& io = ImGui::GetIO();
    io.AddMousePosEvent(x + w / 2, y + h / 2);
    frame();
    io.AddMouseButtonEvent(0, true);
    frame();
    io.AddMouseButtonEvent(0, false);
    frame();
    return true;
}

} // namespace korvane::test
