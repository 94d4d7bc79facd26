#pragma once
// FileSystem: the core's file helpers. Failures come back as Status/Result
// with the path exactly as the caller passed it.

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/core/Status.h"

namespace korvane::platform {

bool FileExists(std::string_view path);       // regular file, links followed
bool DirectoryExists(std::string_view path);  // directory, links followed
Status EnsureDirectory(std::string_view path);
// Reads a regular file of at most maxBytes bytes, unchanged.
Result<std::string> ReadTextFile(std::string_view path, uint64_t maxBytes);
// Truncates or creates path (parents are not created) and writes content.
Status WriteTextFile(std::string_view path, std::string_view content);

} // namespace korvane::platform
