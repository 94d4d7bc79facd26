#pragma once
// A temporary directory under /tmp that removes itself, plus small helpers
// to write and read files inside it. Header only.

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <system_error>

namespace korvane::test {

class TempTree {
public:
    TempTree() {
        char tmpl[] = "/tmp/korvane_files_XXXXXX";
        const char* made = mkdtemp(tmpl);
        path_ = made ? made : "/tmp";
    }
    ~TempTree() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;

    const std::string& path() const { return path_; }
    std::string operator/(const std::string& rel) const {
        std::string out;
        out.reserve(path_.size() + 1 + rel.size());
        out.append(path_).append(1, '/').append(rel);
        return out;
    }

    // Writes bytes to rel (parents created) and returns the full path.
    std::string Write(const std::string& rel, const std::string& bytes) const {
        std::string full = *this / rel;
        std::error_code ec;
        std::filesystem::create_directories(std::filesystem::path(full).parent_path(), ec);
        std::ofstream(full, std::ios::binary) << bytes;
        return full;
    }
    std::string Mkdir(const std::string& rel) const {
        std::string full = *this / rel;
        std::error_code ec;
        std::filesystem::create_directories(full, ec);
        return full;
    }

private:
    std::string path_;
};

inline std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

inline bool Exists(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

// Sets an environment variable for the lifetime of the guard (nullptr unsets).
class EnvGuard {
public:
    EnvGuard(const char* name, const char* value) : name_(name) {
        const char* old = std::getenv(name);
        had_ = old != nullptr;
        if (had_) old_ = old;
        if (value) setenv(name, value, 1);
        else unsetenv(name);
    }
    ~EnvGuard() {
        if (had_) setenv(name_.c_str(), old_.c_str(), 1);
        else unsetenv(name_.c_str());
    }

private:
    std::string name_, old_;
    bool had_ = false;
};

} // namespace korvane::test
