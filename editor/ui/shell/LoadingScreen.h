#pragma once
// The loading screen drawn in the loading state: the editor's card (loader
// artwork, logo, drag area, close button, progress) or, in a built game, an
// opaque black screen. The sequence itself is editor/legacy/shell/LoadingSequence.h.

void LoadingScreen();
