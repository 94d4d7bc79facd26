#pragma once
// Remembers loads that failed, by path and the file's modification time, so
// a broken model or texture is neither retried nor logged on every frame.
// A changed (or newly created) file is tried again. Main thread only.
//
//   KnownFailure(path)   true when path failed before and is unchanged since
//   Remember(path)       record a failure at the file's current state
//   Forget(path)         drop the record (after a successful load)

#include <cstdint>
#include <string>
#include <unordered_map>

class LoadFailureMemo {
public:
    bool KnownFailure(const std::string& path) const;
    void Remember(const std::string& path);
    void Forget(const std::string& path);
    void Clear() { m_failed.clear(); }
    size_t Size() const { return m_failed.size(); }

    // Modification time in nanoseconds, or -1 when the file does not exist.
    static int64_t FileStamp(const std::string& path);

private:
    std::unordered_map<std::string, int64_t> m_failed;
};
