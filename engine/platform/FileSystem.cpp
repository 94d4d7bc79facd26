#include "engine/platform/FileSystem.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korvane::platform {

namespace fs = std::filesystem;

bool FileExists(std::string_view path) {
    std::error_code ec;
    return fs::is_regular_file(fs::path(std::string(path)), ec);
}

bool DirectoryExists(std::string_view path) {
    std::error_code ec;
    return fs::is_directory(fs::path(std::string(path)), ec);
}

Status EnsureDirectory(std::string_view path) {
    const std::string p(path);
    std::error_code ec;
    fs::create_directories(fs::path(p), ec);
    if (ec) {
        return Status::Failure("Could not create directory: " + p + " (" + ec.message() + ")");
    }
    // create_directories reports success for an existing non-directory leaf
    // on some library versions; make sure we really have a directory.
    if (!fs::is_directory(fs::path(p), ec)) {
        return Status::Failure("Could not create directory: " + p + " (" +
                               std::generic_category().message(ENOTDIR) + ")");
    }
    return Status::Ok();
}

Result<std::string> ReadTextFile(std::string_view path, uint64_t maxBytes) {
    const std::string p(path);
    struct stat st {};
    if (::stat(p.c_str(), &st) != 0) {
        return Result<std::string>::Failure("Could not stat file: " + p);
    }
    // Only regular files have a meaningful size; a directory, FIFO or device
    // would read as empty or without end.
    if (!S_ISREG(st.st_mode)) {
        return Result<std::string>::Failure("Could not open file: " + p);
    }
    if (static_cast<uint64_t>(st.st_size) > maxBytes) {
        return Result<std::string>::Failure("File exceeds read limit: " + p);
    }
    int fd = ::open(p.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return Result<std::string>::Failure("Could not open file: " + p);
    std::string content;
    content.resize(static_cast<size_t>(st.st_size));
    size_t got = 0;
    bool failed = false;
    while (got < content.size()) {
        ssize_t n = ::read(fd, content.data() + got, content.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) { failed = n < 0; break; }
        got += static_cast<size_t>(n);
    }
    if (got < content.size()) content.resize(got);  // shrank since the stat
    // A file that grew since the stat is still bounded by the limit.
    if (!failed && content.size() < maxBytes) {
        char extra[4096];
        for (;;) {
            ssize_t n = ::read(fd, extra, sizeof extra);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) { failed = true; break; }
            if (n == 0) break;
            if (content.size() + static_cast<size_t>(n) > maxBytes) {
                ::close(fd);
                return Result<std::string>::Failure("File exceeds read limit: " + p);
            }
            content.append(extra, static_cast<size_t>(n));
        }
    }
    ::close(fd);
    if (failed) return Result<std::string>::Failure("Could not read file: " + p);
    return Result<std::string>::Success(std::move(content));
}

Status WriteTextFile(std::string_view path, std::string_view content) {
    const std::string p(path);
    FILE* f = std::fopen(p.c_str(), "wb");
    if (!f) return Status::Failure("Could not write file: " + p);
    bool ok = content.empty() || std::fwrite(content.data(), 1, content.size(), f) == content.size();
    // Errors may only surface when the buffer is flushed or the file closed.
    if (std::fflush(f) != 0) ok = false;
    if (std::ferror(f)) ok = false;
    if (std::fclose(f) != 0) ok = false;
    if (!ok) return Status::Failure("Failed while writing file: " + p);
    return Status::Ok();
}

} // namespace korvane::platform
