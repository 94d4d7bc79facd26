#include "editor/legacy/build/FileSync.h"

#include <algorithm>

#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>
#include <system_error>
#include <thread>

#include "editor/legacy/base/AtomicFile.h"
#include "editor/legacy/base/EditorLog.h"
#include "editor/legacy/base/ProjectPaths.h"

FileCopyMethod g_fileCopyMethod = FileCopyMethod::Auto;

namespace {

// a + "/" + b, built by appending (GCC 12 warns falsely about operator+ chains).
std::string SlashJoin(std::string_view a, std::string_view b) {
    std::string out;
    out.reserve(a.size() + 1 + b.size());
    out.append(a).append(1, '/').append(b);
    return out;
}



bool PreadAll(int fd, char* buf, size_t len, off_t off, size_t& got) {
    got = 0;
    while (got < len) {
        ssize_t n = pread(fd, buf + got, len - got, off + static_cast<off_t>(got));
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) break;
        got += static_cast<size_t>(n);
    }
    return true;
}

// Copies the bytes of sfd into the empty dfd: a reflink where the file system
// shares extents, else copy_file_range, else a read/write loop from wherever
// the kernel copy stopped.
bool CopyBytes(int sfd, int dfd) {
    const FileCopyMethod method = g_fileCopyMethod;
    // Most file systems refuse reflinks outright; once one has, stop asking it
    // for every file.
    static std::atomic<dev_t> s_noCloneDev{0};
    struct stat dst;
    const bool knowDev = fstat(dfd, &dst) == 0;
    if (method == FileCopyMethod::Auto && !(knowDev && s_noCloneDev.load() == dst.st_dev)) {
        if (ioctl(dfd, FICLONE, sfd) == 0) return true;
        if (knowDev && (errno == EOPNOTSUPP || errno == ENOTTY || errno == EINVAL || errno == EXDEV)) {
            s_noCloneDev.store(dst.st_dev);
        }
    }

    loff_t inOff = 0, outOff = 0;
    while (method != FileCopyMethod::Loop) {
        ssize_t n = copy_file_range(sfd, &inOff, dfd, &outOff, kCopyChunkBytes, 0);
        if (n > 0) continue;
        if (n == 0) return true;
        if (errno == EINTR) continue;
        if (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP || errno == EBADF ||
            errno == EPERM || errno == ETXTBSY) {
            break;  // not offered here: finish by hand
        }
        return false;
    }

    std::unique_ptr<char[]> buf(new (std::nothrow) char[kCopyChunkBytes]);
    if (!buf) {
        errno = ENOMEM;
        return false;
    }
    off_t off = static_cast<off_t>(inOff);
    if (lseek(dfd, static_cast<off_t>(outOff), SEEK_SET) < 0) return false;
    for (;;) {
        size_t got = 0;
        if (!PreadAll(sfd, buf.get(), kCopyChunkBytes, off, got)) return false;
        if (got == 0) return true;
        if (!WriteAllFd(dfd, buf.get(), got)) return false;
        off += static_cast<off_t>(got);
    }
}

bool SameTime(const struct timespec& a, const struct timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// Paths the system cannot name at all are reported instead of cut.
bool PathFits(const std::string& p) { return p.size() < PATH_MAX; }

bool CollectInto(const std::string& srcDir, const std::string& dstDir, const std::string& relPrefix,
                 std::vector<BuildFileEntry>& out, int depth) {
    DIR* d = opendir(srcDir.c_str());
    if (!d) return false;
    bool complete = true;
    while (struct dirent* de = readdir(d)) {
        const char* name = de->d_name;
        if (name[0] == '.') continue;
        std::string src = SlashJoin(srcDir, name);
        std::string dst = SlashJoin(dstDir, name);
        std::string rel = relPrefix.empty() ? std::string(name) : SlashJoin(relPrefix, name);
        if (!PathFits(src) || !PathFits(dst)) {
            Log(3, "Skipped file with a path too long to copy: %s", src.c_str());
            complete = false;
            continue;
        }
        struct stat st;
        if (lstat(src.c_str(), &st) != 0) continue;
        if (S_ISLNK(st.st_mode)) {
            // Follow links to files only: a link to a folder could loop or
            // pull in a tree outside the source.
            if (stat(src.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        }
        if (S_ISDIR(st.st_mode)) {
            if (depth >= 256) {
                Log(3, "Skipped folder nested too deeply: %s", src.c_str());
                complete = false;
                continue;
            }
            if (!CollectInto(src, dst, rel, out, depth + 1)) complete = false;
            continue;
        }
        if (!S_ISREG(st.st_mode)) continue;  // FIFOs, sockets, devices
        BuildFileEntry e;
        e.srcPath = std::move(src);
        e.dstPath = std::move(dst);
        e.relPath = std::move(rel);
        e.size = static_cast<int64_t>(st.st_size);
        e.mtime = static_cast<int64_t>(st.st_mtim.tv_sec);
        e.mode = static_cast<uint16_t>(st.st_mode);
        e.mtimeNsec = static_cast<int64_t>(st.st_mtim.tv_nsec);
        out.push_back(std::move(e));
    }
    closedir(d);
    return complete;
}

}  // namespace

bool CollectDirFiles(const std::string& srcDir, const std::string& dstDir, const std::string& relPrefix,
                     std::vector<BuildFileEntry>& out) {
    return CollectInto(srcDir, dstDir, relPrefix, out, 0);
}

bool FileUpToDate(const std::string& src, const std::string& dst) {
    if (src.empty() || dst.empty()) return false;
    struct stat s, d;
    if (stat(src.c_str(), &s) != 0 || stat(dst.c_str(), &d) != 0) return false;
    if (s.st_dev == d.st_dev && s.st_ino == d.st_ino) return true;
    if (!S_ISREG(d.st_mode)) return false;
    return s.st_size == d.st_size && SameTime(s.st_mtim, d.st_mtim);
}


namespace {

// The copy itself, for callers that already know dst is not up to date.
// dstMissing says the caller saw no destination at all: then the copy is
// written in place (created exclusively), since there is no old file a
// failure could cost; an existing destination is replaced only through a
// complete temporary sibling. Either way the modification time is set last,
// so an interrupted copy never looks up to date.
bool CopyFileUnchecked(const std::string& src, const std::string& dst, unsigned mode, bool dstMissing = false) {
    int sfd = open(src.c_str(), O_RDONLY | O_CLOEXEC);
    if (sfd < 0) return false;
    struct stat st;
    if (fstat(sfd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(sfd);
        return false;
    }
    // The parent folder is created only when the first attempt says it is
    // missing: most copies land in folders that exist.
    const int createFlags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
    std::string target = dstMissing ? dst : TempSiblingName(dst);
    int dfd = open(target.c_str(), createFlags, 0600);
    if (dfd < 0 && errno == ENOENT && EnsureParentDir(dst)) dfd = open(target.c_str(), createFlags, 0600);
    if (dfd < 0 && errno == EEXIST && dstMissing) {
        // Someone created it since the caller looked: take the safe path.
        target = TempSiblingName(dst);
        dfd = open(target.c_str(), createFlags, 0600);
    }
    if (dfd < 0) {
        const int err = errno;
        close(sfd);
        errno = err;
        return false;
    }
    const bool inPlace = target == dst;
    bool ok = CopyBytes(sfd, dfd);
    // Mode and time go on the finished copy; the time lets the next run see
    // it as up to date.
    if (ok) ok = fchmod(dfd, static_cast<mode_t>(mode & 0777)) == 0;
    if (ok) {
        const struct timespec times[2] = {st.st_atim, st.st_mtim};
        ok = futimens(dfd, times) == 0;
    }
    int err = errno;
    if (close(dfd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    close(sfd);
    if (ok && !inPlace && rename(target.c_str(), dst.c_str()) != 0) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        unlink(target.c_str());
        errno = err;
    }
    return ok;
}

// A destination that matches what the scan saw of its source needs one stat
// instead of two; anything else takes the full check.
// A missing destination is reported through dstMissing so the copy can skip
// the temporary sibling.
bool EntryUpToDate(const BuildFileEntry& e, bool& dstMissing) {
    dstMissing = false;
    if (e.mtimeNsec >= 0 && !e.dstPath.empty()) {
        struct stat d;
        if (stat(e.dstPath.c_str(), &d) != 0) {
            dstMissing = errno == ENOENT;
            if (dstMissing) return false;
        } else if (S_ISREG(d.st_mode) && d.st_size == e.size && d.st_mtim.tv_sec == e.mtime &&
                   d.st_mtim.tv_nsec == e.mtimeNsec) {
            return true;
        }
    }
    return FileUpToDate(e.srcPath, e.dstPath);
}

}  // namespace

bool CopyFileToPathFast(const std::string& src, const std::string& dst, unsigned mode) {
    if (src.empty() || dst.empty()) return false;
    if (src == dst) return true;
    if (FileUpToDate(src, dst)) return true;
    return CopyFileUnchecked(src, dst, mode);
}

bool CopyFileToPath(const std::string& src, const std::string& dst) {
    struct stat st;
    unsigned mode = 0644;
    if (!src.empty() && stat(src.c_str(), &st) == 0) mode = st.st_mode & 0777;
    return CopyFileToPathFast(src, dst, mode);
}

unsigned CopyWorkerCount(size_t n) {
    if (n < 24) return 1;
    unsigned hw = std::thread::hardware_concurrency();
    if (hw == 0) hw = 4;
    if (hw > 8) hw = 8;
    return hw < 1 ? 1 : hw;
}

bool CopyFileListParallel(const std::vector<BuildFileEntry>& entries, int* updatedOut, int* cachedOut) {
    if (updatedOut) *updatedOut = 0;
    if (cachedOut) *cachedOut = 0;
    if (entries.empty()) return true;

    std::atomic<uint64_t> next{0};
    std::atomic<int> updated{0}, cached{0};
    std::atomic<bool> success{true};
    // Workers claim runs of neighbouring entries: the list is in folder
    // order, so each worker mostly writes into a folder of its own instead of
    // every worker contending for the same directory.
    const uint64_t batch = std::max<uint64_t>(1, std::min<uint64_t>(64, entries.size() / 64));
    auto work = [&]() {
        for (;;) {
            const uint64_t first = next.fetch_add(batch);
            if (first >= entries.size()) return;
            const uint64_t last = std::min<uint64_t>(entries.size(), first + batch);
            for (uint64_t i = first; i < last; ++i) {
                const BuildFileEntry& e = entries[i];
                bool dstMissing = false;
                if (EntryUpToDate(e, dstMissing)) {
                    cached.fetch_add(1);
                } else if (!e.srcPath.empty() && !e.dstPath.empty() &&
                           CopyFileUnchecked(e.srcPath, e.dstPath, e.mode, dstMissing)) {
                    updated.fetch_add(1);
                } else {
                    success.store(false);
                }
            }
        }
    };

    const unsigned workers = CopyWorkerCount(entries.size());
    std::vector<std::thread> threads;
    threads.reserve(workers);
    for (unsigned w = 1; w < workers; ++w) {
        try {
            threads.emplace_back(work);
        } catch (const std::system_error&) {
            break;  // fewer helpers; the caller's own share still covers the list
        }
    }
    work();
    for (auto& t : threads) t.join();

    if (updatedOut) *updatedOut = updated.load();
    if (cachedOut) *cachedOut = cached.load();
    return success.load();
}

bool CopyTreeFast(const std::string& srcDir, const std::string& dstDir, int* updatedOut, int* cachedOut,
                  std::vector<BuildFileEntry>* listOut) {
    if (updatedOut) *updatedOut = 0;
    if (cachedOut) *cachedOut = 0;
    if (srcDir.empty() || dstDir.empty()) return false;
    std::vector<BuildFileEntry> local;
    std::vector<BuildFileEntry>& list = listOut ? *listOut : local;
    list.clear();
    const bool listed = CollectDirFiles(srcDir, dstDir, "", list);
    MkdirP(dstDir);
    const bool copied = CopyFileListParallel(list, updatedOut, cachedOut);
    return listed && copied;
}

bool CopyDirContents(const std::string& srcDir, const std::string& dstDir) {
    return CopyTreeFast(srcDir, dstDir, nullptr, nullptr, nullptr);
}

namespace {
bool CopyMissingInto(const std::string& srcDir, const std::string& dstDir, int depth) {
    MkdirP(dstDir);
    DIR* d = opendir(srcDir.c_str());
    if (!d) return false;
    bool ok = true;
    while (struct dirent* de = readdir(d)) {
        const char* name = de->d_name;
        if (name[0] == '.') continue;
        std::string src = SlashJoin(srcDir, name);
        std::string dst = SlashJoin(dstDir, name);
        if (!PathFits(src) || !PathFits(dst)) {
            Log(3, "Skipped file with a path too long to copy: %s", src.c_str());
            ok = false;
            continue;
        }
        struct stat st;
        if (lstat(src.c_str(), &st) != 0) continue;
        if (S_ISLNK(st.st_mode) && (stat(src.c_str(), &st) != 0 || !S_ISREG(st.st_mode))) continue;
        if (S_ISDIR(st.st_mode)) {
            if (depth < 256 && !CopyMissingInto(src, dst, depth + 1)) ok = false;
            continue;
        }
        if (!S_ISREG(st.st_mode)) continue;
        struct stat dt;
        if (lstat(dst.c_str(), &dt) == 0) continue;  // something is there: leave it alone
        if (!CopyFileToPathFast(src, dst, st.st_mode & 0777)) ok = false;
    }
    closedir(d);
    return ok;
}
}  // namespace

bool CopyDirContentsMissingOnly(const std::string& srcDir, const std::string& dstDir) {
    if (srcDir.empty() || dstDir.empty()) return false;
    return CopyMissingInto(srcDir, dstDir, 0);
}



