#pragma once
// The "Game" panel: the scene as the game camera sees it while play runs,
// with the transport bar and a status word above the picture; clicking the
// picture gives the mouse back to the game. The transport bar is also drawn
// in the viewport's toolbar.
//
//   DrawPlayTransportControls(id, size, spacing)   play / pause / stop
//   GamePanel()                                     the panel (while g_showGame)
//   EnsureGameTarget / RenderGamePicture            the off-screen picture
//   gGameFBO gGameTex gGameRBO gw gh                its target and size

extern unsigned gGameFBO, gGameTex, gGameRBO;
extern int gw, gh;
extern int g_gameTargetCreations;  // times the target was (re)created, for tests

void DrawPlayTransportControls(const char* idScope, float buttonSize, float spacing);
void GamePanel();

// Recreates the target when (w, h) differs from (gw, gh); keeps it otherwise.
void EnsureGameTarget(int w, int h);
// Renders the game camera's view of the scene into the target at (w, h).
void RenderGamePicture(int w, int h);
// The editor camera the picture falls back to; installed by the main loop.
extern void (*g_gameEditorCameraHook)(float eye[3], float target[3]);
