#pragma once
// Connects the imported-model cache (assets/gltf) to the lit pass, picking
// and the loading sequence's preload.
//
//   InstallImportedModelHooks()        g_drawImportedPartsFn, g_pickModelProvider, g_preloadImportedModelHook
//   PickModelFromCache(path, view)     the picking view of a cached (or newly loaded) model

#include "editor/ui/viewport/Picking.h"

void InstallImportedModelHooks();
bool PickModelFromCache(const char* modelPath, PickModelView& out);
