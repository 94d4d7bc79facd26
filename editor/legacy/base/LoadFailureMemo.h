#pragma once
// Remembers loads that failed, by path and the file's modification time and
// size, so a broken model or texture is neither retried nor logged on every
// frame. A changed (or newly created) file is tried again. Main thread only.
//
//   KnownFailure(key, file)   true when key failed before and file is unchanged since
//   Remember(key, file)       record a failure at the file's current state
//   Forget(key)               drop the record (after a successful load, or an eviction)
//
// The key is the text the caller looks models up by; file is what was
// opened for it (a stored Assets-relative path resolves elsewhere). Without
// a file the key itself is the file.

#include <cstdint>
#include <string>
#include <unordered_map>

class LoadFailureMemo {
public:
    bool KnownFailure(const std::string& key, const std::string& file = std::string()) const;
    void Remember(const std::string& key, const std::string& file = std::string());
    void Forget(const std::string& key);
    void Clear() { m_failed.clear(); }
    size_t Size() const { return m_failed.size(); }

    // Modification time in nanoseconds, or -1 when the file does not exist.
    static int64_t FileStamp(const std::string& path);

    struct Stamp {
        int64_t mtimeNs = -1;  // -1: missing
        int64_t size = -1;
        bool operator==(const Stamp&) const = default;
    };
    static Stamp FileState(const std::string& path);

private:
    std::unordered_map<std::string, Stamp> m_failed;
};
