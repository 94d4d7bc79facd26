#pragma once
// The game build's input hash (64-bit FNV-1a over settings, project name,
// the executable's size and time and every input file's size and time) and
// the one-line manifest that stores it beside the output.
//
//   HashFnv1a, HashStr64, HashU64   the FNV-1a steps
//   HashFileList                    a file list, sorted by relPath
//   BuildInputHash                  every input, in the manifest's order
//   ReadBuildManifest, WriteBuildManifest

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "editor/legacy/build/FileSync.h"

constexpr uint64_t kFnvOffsetBasis = 0xCBF29CE484222325ull;
constexpr uint64_t kFnvPrime = 0x100000001B3ull;

uint64_t HashFnv1a(const void* data, size_t len, uint64_t h);
uint64_t HashStr64(std::string_view text, uint64_t h);
// The 8 bytes of v, little-endian.
uint64_t HashU64(uint64_t h, uint64_t v);
// A sorted copy (byte order of relPath), then the list name, then each
// entry's relPath, size and modification seconds.
uint64_t HashFileList(uint64_t h, const char* listName, const std::vector<BuildFileEntry>& files);

// Size and modification seconds of the running executable, when known.
struct ExecutableStamp {
    bool known = false;
    int64_t size = 0;
    int64_t mtime = 0;
};
// Examines path (empty or unreadable: not known).
ExecutableStamp StampExecutable(const std::string& path);

uint64_t BuildInputHash(const char* platformName, const char* configName, const char* projectName,
                        const ExecutableStamp& exe, const std::vector<BuildFileEntry>& engineFiles,
                        const std::vector<BuildFileEntry>& projectFiles, bool cook, bool package, bool fastPath);
uint64_t BuildInputHash(const char* platformName, const char* configName, const char* projectName,
                        const std::string& executablePath, const std::vector<BuildFileEntry>& engineFiles,
                        const std::vector<BuildFileEntry>& projectFiles, bool cook, bool package, bool fastPath);

// "%016llx\n". Reading accepts only hexadecimal digits (1 to 16) followed by
// at most one newline: anything else counts as no manifest.
std::string FormatBuildManifest(uint64_t hash);
bool ParseBuildManifest(std::string_view text, uint64_t* out);
bool ReadBuildManifest(const std::string& path, uint64_t* out);
// Mode 0644; no write when the file already holds the same line.
bool WriteBuildManifest(const std::string& path, uint64_t hash);
