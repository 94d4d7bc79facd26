#include "editor/legacy/base/LoadFailureMemo.h"

#include <sys/stat.h>

int64_t LoadFailureMemo::FileStamp(const std::string& path) { return FileState(path).mtimeNs; }

LoadFailureMemo::Stamp LoadFailureMemo::FileState(const std::string& path) {
    struct stat st;
    if (path.empty() || stat(path.c_str(), &st) != 0) return {};
    // The size as well: a rewrite within the clock's resolution still shows.
    return {int64_t(st.st_mtim.tv_sec) * 1000000000 + int64_t(st.st_mtim.tv_nsec), int64_t(st.st_size)};
}

bool LoadFailureMemo::KnownFailure(const std::string& key, const std::string& file) const {
    auto it = m_failed.find(key);
    return it != m_failed.end() && it->second == FileState(file.empty() ? key : file);
}

void LoadFailureMemo::Remember(const std::string& key, const std::string& file) {
    m_failed[key] = FileState(file.empty() ? key : file);
}

void LoadFailureMemo::Forget(const std::string& key) { m_failed.erase(key); }
