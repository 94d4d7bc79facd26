#pragma once
// The GL half of an imported model (main thread, context current).
//
//   UploadImportedModel(model)            vertex array, vertex and index buffers (GL_STATIC_DRAW)
//   RequestImportedModelTextures(model)   each slot's textures through GetTextureFileForRender
//   ReleaseImportedModelGL(model)         deletes what the upload made

#include "editor/assets/gltf/ImportedModel.h"

bool UploadImportedModel(ImportedModel& model);
void RequestImportedModelTextures(ImportedModel& model);
void ReleaseImportedModelGL(ImportedModel& model);
