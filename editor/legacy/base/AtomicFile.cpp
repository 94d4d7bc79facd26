#include "editor/legacy/base/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "editor/legacy/base/ProjectPaths.h"

namespace {
std::atomic<uint64_t> g_tmpCounter{0};
}  // namespace

// A sibling name no other writer in this process or another one uses.
std::string TempSiblingName(const std::string& dst) {
    char suffix[64];
    std::snprintf(suffix, sizeof suffix, ".tmp.%d.%llu", static_cast<int>(getpid()),
                  static_cast<unsigned long long>(g_tmpCounter.fetch_add(1)));
    return dst + suffix;
}

bool WriteAllFd(int fd, const char* data, size_t len) {
    while (len > 0) {
        ssize_t n = write(fd, data, len);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        len -= static_cast<size_t>(n);
    }
    return true;
}

bool EnsureParentDir(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return true;
    if (slash == 0) return true;  // the root always exists
    const std::string parent = path.substr(0, slash);
    struct stat st;
    if (stat(parent.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return true;
    return MkdirP(parent);
}

bool FileHoldsExactly(const std::string& path, std::string_view text) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || static_cast<uint64_t>(st.st_size) != text.size()) {
        close(fd);
        return false;
    }
    char buf[65536];
    size_t pos = 0;
    bool same = true;
    while (same) {
        ssize_t n = read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            same = false;
            break;
        }
        if (n == 0) break;
        if (pos + static_cast<size_t>(n) > text.size() ||
            std::memcmp(buf, text.data() + pos, static_cast<size_t>(n)) != 0) {
            same = false;
            break;
        }
        pos += static_cast<size_t>(n);
    }
    close(fd);
    return same && pos == text.size();
}

bool WriteFileAtomic(const std::string& path, const std::string& tmpPath, std::string_view text, int mode,
                     bool doSync) {
    if (path.empty() || tmpPath.empty()) {
        errno = EINVAL;
        return false;
    }
    EnsureParentDir(path);
    int fd = open(tmpPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    bool ok = WriteAllFd(fd, text.data(), text.size());
    if (ok) {
        mode_t want = 0;
        bool setMode = false;
        struct stat old;
        if (mode >= 0) {
            want = static_cast<mode_t>(mode & 0777);
            setMode = true;
        } else if (stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
            want = old.st_mode & 07777;
            setMode = true;
        }
        if (setMode) ok = fchmod(fd, want) == 0;
    }
    if (ok && doSync) ok = fsync(fd) == 0;
    int err = errno;
    if (close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (ok && rename(tmpPath.c_str(), path.c_str()) != 0) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        unlink(tmpPath.c_str());
        errno = err;
        return false;
    }
    if (doSync) {
        // The rename itself is only durable once the directory is synced.
        std::string dir = PathDirname(path);
        if (dir.empty()) dir.assign(1, '.');
        int dfd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dfd >= 0) {
            fsync(dfd);
            close(dfd);
        }
    }
    return true;
}

bool WriteTextIfChanged(const std::string& path, std::string_view text, unsigned mode) {
    if (path.empty()) return false;
    if (FileHoldsExactly(path, text)) return true;
    return WriteFileAtomic(path, TempSiblingName(path), text, static_cast<int>(mode & 0777), false);
}

bool SaveEnvSwitchSet(const char* name) {
    const char* v = std::getenv(name);
    return v && std::strcmp(v, "0") != 0;
}

bool WriteTextIfChangedAtomic(const std::string& path, std::string_view text) {
    if (path.empty()) {
        errno = EINVAL;
        return false;
    }
    if (FileHoldsExactly(path, text)) return true;
    return WriteFileAtomic(path, path + ".tmp", text, -1, SaveEnvSwitchSet("KORVANE_SAVE_FSYNC"));
}
