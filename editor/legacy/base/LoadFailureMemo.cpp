#include "editor/legacy/base/LoadFailureMemo.h"

#include <sys/stat.h>

int64_t LoadFailureMemo::FileStamp(const std::string& path) {
    struct stat st;
    if (path.empty() || stat(path.c_str(), &st) != 0) return -1;
    return int64_t(st.st_mtim.tv_sec) * 1000000000 + int64_t(st.st_mtim.tv_nsec);
}

bool LoadFailureMemo::KnownFailure(const std::string& path) const {
    auto it = m_failed.find(path);
    return it != m_failed.end() && it->second == FileStamp(path);
}

void LoadFailureMemo::Remember(const std::string& path) { m_failed[path] = FileStamp(path); }

void LoadFailureMemo::Forget(const std::string& path) { m_failed.erase(path); }
