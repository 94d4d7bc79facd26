#pragma once
// Where things are on screen, for the end-to-end tests and ./run.sh that
// drive the editor with synthetic clicks. Off unless KORVANE_UI_PROBE is set
// to a value other than "0"; then each line goes to standard error:
//
//   [probe] rect <name> <x> <y> <w> <h>   screen pixels, printed when it changes
//   [probe] text <name> <text>            a value next to a rectangle, printed when it changes
//   [probe] frame state=<n>               first frame presented in a state
//
// Names are stable identifiers such as "hub.card.0" or "hub.tab.create".
// Rectangles are also kept in memory (whether or not printing is on), so UI
// tests can click what was drawn: UiProbeFind.

struct ImVec2;

bool UiProbeEnabled();
// A rectangle in window (client) coordinates, as Dear ImGui reports it.
void UiProbeRect(const char* name, const ImVec2& min, const ImVec2& max);
// The last item drawn.
void UiProbeLastItem(const char* name);
void UiProbeText(const char* name, const char* text);
// The last rectangle recorded under name, in screen pixels.
bool UiProbeFind(const char* name, float* x, float* y, float* w, float* h);
// Forgets every recorded rectangle (tests, between steps).
void UiProbeClear();
// Called after every present; reports the first frame of each state once.
void UiProbeFramePresented(int state);
