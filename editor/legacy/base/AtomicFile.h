#pragma once
// Writing files so that a reader never sees half of one: a complete temporary
// sibling renamed over the target. Scenes, materials, layout state, scripts
// and the build all write through these.
//
//   WriteFileAtomic(path, tmp, text, mode, sync)  tmp + rename, optionally synced
//   WriteTextIfChanged(path, text, mode)          no write when the bytes are there
//   WriteTextIfChangedAtomic(path, text)          same, path + ".tmp", KORVANE_SAVE_FSYNC
//   FileHoldsExactly(path, text)                  byte comparison without reading it all
//   EnsureParentDir(path)                         the folder part exists afterwards
//   SaveEnvSwitchSet(name)                        the save switches' "set" rule
//   TempSiblingName(path), WriteAllFd(fd, ...)    pieces the file copies share

#include <cstddef>
#include <string>
#include <string_view>

// Creates the directory part of path (before the last "/"); a path without
// "/" creates nothing. True when the parent exists afterwards.
bool EnsureParentDir(const std::string& path);

// True when the file at path holds exactly text.
bool FileHoldsExactly(const std::string& path, std::string_view text);

// Writes text to tmpPath, optionally fsyncs it, renames it over path (and
// then syncs the directory when doSync). mode < 0 keeps the permission bits
// of an existing file (else 0666 minus umask). Any failure removes tmpPath and
// returns false with errno describing the failure.
bool WriteFileAtomic(const std::string& path, const std::string& tmpPath, std::string_view text, int mode,
                     bool doSync);

// Writes text to path unless the file already holds exactly these bytes (its
// modification time then stays). The new content goes to a temporary sibling
// that is renamed over path, with permission bits mode & 0777.
bool WriteTextIfChanged(const std::string& path, std::string_view text, unsigned mode);

// True without writing when the file already holds exactly text; otherwise
// writes path + ".tmp" (creating parent folders), forces it to disk when
// KORVANE_SAVE_FSYNC is set to anything but "0", and renames it over path.
// Any failure removes the temporary file and returns false (errno says why).
bool WriteTextIfChangedAtomic(const std::string& path, std::string_view text);

// "Set" for the save switches: present with any value other than "0".
bool SaveEnvSwitchSet(const char* name);

// A sibling name no other writer in this process or another one uses.
std::string TempSiblingName(const std::string& dst);
// Writes all len bytes (retrying short writes and EINTR).
bool WriteAllFd(int fd, const char* data, size_t len);
