#pragma once
// What a project file is, by its extension alone (the text from the last ".",
// compared case-sensitively). Whether a file actually decodes is the loaders'
// business. Script files are recognised by IsScriptAsset (legacy/scripting).
//
//   IsMeshAsset IsMaterialAsset IsImageAsset IsAudioAsset

bool IsMeshAsset(const char* path);      // ".obj" ".glb" ".fbx" ".gltf" ".blend"
bool IsMaterialAsset(const char* path);  // ".mat"
bool IsImageAsset(const char* path);     // ".png" ".jpg" ".jpeg" ".tga" ".bmp" ".hdr" ".exr" ".webp"
bool IsAudioAsset(const char* path);     // ".wav" ".ogg" ".mp3"
