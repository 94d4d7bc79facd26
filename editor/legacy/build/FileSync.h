#pragma once
// Incremental, parallel copying of file trees (the game build, asset imports).
// The atomic text writers it builds on live in editor/legacy/base/AtomicFile.h
// (included here, since callers of the copies use them too).
//
//   CollectDirFiles        list a tree (hidden names, links to folders and
//                          special files skipped)
//   FileUpToDate           same file, or same size and modification time
//   CopyFileToPathFast     clone, copy_file_range or a chunked loop into a
//                          temporary sibling, then rename; keeps mode and mtime
//   CopyFileListParallel   up to eight workers over a list
//   CopyTreeFast, CopyDirContents, CopyDirContentsMissingOnly, CopyFileToPath
//
// The destination is never removed or truncated before its replacement is
// complete: a failed copy leaves the old file (if any) in place and no
// temporary file behind.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "editor/legacy/base/AtomicFile.h"

struct BuildFileEntry {
    std::string srcPath;
    std::string dstPath;
    std::string relPath;   // relative to the tree root, with the caller's prefix
    int64_t size = 0;      // source size in bytes at scan time
    int64_t mtime = 0;     // source modification time, whole seconds
    uint16_t mode = 0;     // source st_mode (type and permission bits)
    int64_t mtimeNsec = -1;  // nanoseconds of the scan's mtime; -1 = not scanned
};

// Chunk of the hand-copy fallback (allocated once per copy).
constexpr size_t kCopyChunkBytes = 8u * 1024u * 1024u;

// How CopyFileToPathFast moves bytes: Auto tries a reflink, then
// copy_file_range, then the loop. Tests pin the later steps to cover them on
// file systems that would never reach them.
enum class FileCopyMethod { Auto, KernelCopy, Loop };
extern FileCopyMethod g_fileCopyMethod;

// Appends every regular file under srcDir (recursively, directory-read order).
// Names beginning with "." are skipped; symbolic links are followed only to
// regular files; links to directories, FIFOs, sockets and devices are
// skipped. False when srcDir cannot be opened or some entry had to be left
// out because its path is too long for the system (logged); the entries that
// could be listed are still appended.
bool CollectDirFiles(const std::string& srcDir, const std::string& dstDir, const std::string& relPrefix,
                     std::vector<BuildFileEntry>& out);

// True when both paths name the same file (device and inode), or dst is a
// regular file with the size and modification time (to the nanosecond) of src.
bool FileUpToDate(const std::string& src, const std::string& dst);


bool CopyFileToPathFast(const std::string& src, const std::string& dst, unsigned mode);
// Copy with the source's mode (0644 when it cannot be examined).
bool CopyFileToPath(const std::string& src, const std::string& dst);

// Workers used for a list of n entries: one below 24, else the hardware
// thread count (4 when unknown) clamped to 1..8.
unsigned CopyWorkerCount(size_t n);
// Copies every entry that is not up to date. Outputs (optional) receive the
// counts of copied and already up-to-date entries; false when any entry failed
// (the others are still processed). Every worker is joined before returning.
bool CopyFileListParallel(const std::vector<BuildFileEntry>& entries, int* updatedOut, int* cachedOut);

bool CopyTreeFast(const std::string& srcDir, const std::string& dstDir, int* updatedOut, int* cachedOut,
                  std::vector<BuildFileEntry>* listOut);
bool CopyDirContents(const std::string& srcDir, const std::string& dstDir);
// Copies only files that do not exist at the destination; existing ones are
// never touched.
bool CopyDirContentsMissingOnly(const std::string& srcDir, const std::string& dstDir);
