#pragma once
// Small path and file helpers of the model import, shared with the Blender
// conversion and the asset drops. No GL, no editor log.
//
//   DirNameStr BaseNameNoExt SanitizeFileStem ImportedAssetStemFromGLBPath
//   ImportedAssetFolderName     the stem, plus a short hash for non-canonical models
//   StableAssetPathEarly        dir created, dir + "/" + name
//   CopyFileEarly               complete copy or nothing (temporary file + link)
//   WriteBytesToFileEarly       the same for bytes in memory
//   ImageExtFromMime            ".jpg" ".webp" ".ktx2" or ".png"
//   PercentDecode, ResolveImageUriInFolder   image URIs kept inside the model's folder
//   ShortPathHash               8 hex digits (FNV-1a) of a text

#include <cstddef>
#include <cstdint>
#include <string>

std::string DirNameStr(const std::string& path);
std::string BaseNameNoExt(const std::string& path);
std::string SanitizeFileStem(const std::string& text);
std::string ImportedAssetStemFromGLBPath(const std::string& path);
// The folder under "<Assets>/Imported/" for a model file: the stem alone for
// a converted "canonical" model (its folder already names it uniquely), else
// stem + "_" + ShortPathHash of the model's Assets-relative path, so two
// "chair.glb" in different folders never share materials or textures, and
// moving the whole project keeps the folder.
std::string ImportedAssetFolderName(const std::string& modelPath);
std::string ShortPathHash(const std::string& text);

std::string StableAssetPathEarly(const std::string& dir, const std::string& fileName);
// Both write a temporary sibling, check every write, and then link it to dst
// without replacing anything: a dst that exists afterwards is always whole.
// True when dst holds the new bytes (or already existed and was left alone).
bool CopyFileEarly(const std::string& src, const std::string& dst);
bool WriteBytesToFileEarly(const std::string& path, const unsigned char* bytes, size_t length);
std::string ImageExtFromMime(const std::string& mime);

// "%41" and friends decoded; a malformed escape is kept as it stands.
std::string PercentDecode(const std::string& text);
// The file an image URI names inside sourceDir, or "" (with why) when the
// URI is absolute, carries a scheme, or leaves the folder once "." and ".."
// are applied (or through a symbolic link).
std::string ResolveImageUriInFolder(const std::string& sourceDir, const std::string& uri, std::string* why);
