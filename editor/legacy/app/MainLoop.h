#pragma once
// Per-frame helpers of the main loop (LegacyMain.cpp).

void ApplySwapIntervalForAppState();
void PaceMainLoop();
