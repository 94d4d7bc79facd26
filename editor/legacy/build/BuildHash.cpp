#include "editor/legacy/build/BuildHash.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <fstream>

uint64_t HashFnv1a(const void* data, size_t len, uint64_t h) {
    const unsigned char* p = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < len; ++i) {
        h ^= p[i];
        h *= kFnvPrime;
    }
    return h;
}

uint64_t HashStr64(std::string_view text, uint64_t h) { return HashFnv1a(text.data(), text.size(), h); }

uint64_t HashU64(uint64_t h, uint64_t v) {
    unsigned char bytes[8];
    for (int i = 0; i < 8; ++i) bytes[i] = static_cast<unsigned char>(v >> (8 * i));
    return HashFnv1a(bytes, sizeof bytes, h);
}

uint64_t HashFileList(uint64_t h, const char* listName, const std::vector<BuildFileEntry>& files) {
    std::vector<const BuildFileEntry*> sorted;
    sorted.reserve(files.size());
    for (const BuildFileEntry& e : files) sorted.push_back(&e);
    std::sort(sorted.begin(), sorted.end(),
              [](const BuildFileEntry* a, const BuildFileEntry* b) { return a->relPath < b->relPath; });
    h = HashStr64(listName ? listName : "", h);
    for (const BuildFileEntry* e : sorted) {
        h = HashStr64(e->relPath, h);
        h = HashU64(h, static_cast<uint64_t>(e->size));
        h = HashU64(h, static_cast<uint64_t>(e->mtime));
    }
    return h;
}

ExecutableStamp StampExecutable(const std::string& path) {
    ExecutableStamp s;
    struct stat st;
    if (path.empty() || stat(path.c_str(), &st) != 0) return s;
    s.known = true;
    s.size = static_cast<int64_t>(st.st_size);
    s.mtime = static_cast<int64_t>(st.st_mtime);
    return s;
}

uint64_t BuildInputHash(const char* platformName, const char* configName, const char* projectName,
                        const ExecutableStamp& exe, const std::vector<BuildFileEntry>& engineFiles,
                        const std::vector<BuildFileEntry>& projectFiles, bool cook, bool package, bool fastPath) {
    uint64_t h = HashStr64("korvane-build-v7-lightning", kFnvOffsetBasis);
    h = HashStr64(platformName ? platformName : "", h);
    h = HashStr64(configName ? configName : "", h);
    h = HashStr64(projectName ? projectName : "", h);
    h = HashU64(h, cook ? 1 : 0);
    h = HashU64(h, package ? 1 : 0);
    h = HashU64(h, fastPath ? 1 : 0);
    if (exe.known) {
        h = HashStr64("self", h);
        h = HashU64(h, static_cast<uint64_t>(exe.size));
        h = HashU64(h, static_cast<uint64_t>(exe.mtime));
    }
    h = HashFileList(h, "engine-assets", engineFiles);
    h = HashFileList(h, "project-assets", projectFiles);
    return h;
}

uint64_t BuildInputHash(const char* platformName, const char* configName, const char* projectName,
                        const std::string& executablePath, const std::vector<BuildFileEntry>& engineFiles,
                        const std::vector<BuildFileEntry>& projectFiles, bool cook, bool package, bool fastPath) {
    return BuildInputHash(platformName, configName, projectName, StampExecutable(executablePath), engineFiles,
                          projectFiles, cook, package, fastPath);
}

std::string FormatBuildManifest(uint64_t hash) {
    char line[32];
    std::snprintf(line, sizeof line, "%016llx\n", static_cast<unsigned long long>(hash));
    return line;
}

bool ParseBuildManifest(std::string_view text, uint64_t* out) {
    if (!text.empty() && text.back() == '\n') text.remove_suffix(1);
    if (text.empty() || text.size() > 16) return false;
    uint64_t v = 0;
    for (char c : text) {
        int d;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
        else return false;
        v = (v << 4) | static_cast<uint64_t>(d);
    }
    if (out) *out = v;
    return true;
}

bool ReadBuildManifest(const std::string& path, uint64_t* out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    char buf[64];
    in.read(buf, sizeof buf);
    std::streamsize n = in.gcount();
    if (n <= 0 || n >= static_cast<std::streamsize>(sizeof buf)) return false;
    return ParseBuildManifest(std::string_view(buf, static_cast<size_t>(n)), out);
}

bool WriteBuildManifest(const std::string& path, uint64_t hash) {
    return WriteTextIfChanged(path, FormatBuildManifest(hash), 0644);
}
