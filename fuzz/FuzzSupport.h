#pragma once
// Shared pieces of the loader fuzz targets (fuzz/<name>_fuzz.cpp): a private
// scratch folder, writing the input where a loader expects a file, and a
// check that stops the run with a message (libFuzzer then keeps the input as
// a finding). Header only.

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "editor/legacy/base/EditorLog.h"

namespace korvane::fuzz {

// Prints what broke and aborts, so the sanitizer runtime reports the input.
[[noreturn]] inline void Fail(const char* what, const std::string& detail = std::string()) {
    std::fprintf(stderr, "fuzz invariant broken: %s%s%s\n", what, detail.empty() ? "" : ": ", detail.c_str());
    std::fflush(stderr);
    std::abort();
}

#define KORVANE_FUZZ_CHECK(cond, ...) \
    do {                              \
        if (!(cond)) ::korvane::fuzz::Fail(#cond, ##__VA_ARGS__); \
    } while (0)

// One folder per process under $TMPDIR (or /tmp), made once.
inline const std::string& ScratchDir() {
    static const std::string dir = [] {
        const char* base = std::getenv("TMPDIR");
        std::string tmpl = std::string(base && *base ? base : "/tmp") + "/korvane_fuzz_XXXXXX";
        if (!mkdtemp(tmpl.data())) Fail("cannot make a scratch folder", tmpl);
        return tmpl;
    }();
    return dir;
}

inline std::string ScratchPath(std::string_view name) { return ScratchDir() + "/" + std::string(name); }

inline void WriteBytes(const std::string& path, const uint8_t* data, size_t size) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) Fail("cannot write scratch file", path);
    if (size && std::fwrite(data, 1, size, f) != size) Fail("short write", path);
    if (std::fclose(f) != 0) Fail("cannot close scratch file", path);
}

inline std::string ReadBytes(const std::string& path) {
    std::string out;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return out;
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    std::fclose(f);
    return out;
}

// The first line where two texts differ, for the failure message.
inline std::string FirstDifference(const std::string& a, const std::string& b) {
    size_t i = 0;
    while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
    const size_t start = a.rfind('\n', i == 0 ? 0 : i - 1);
    const size_t from = start == std::string::npos ? 0 : start + 1;
    auto lineAt = [from](const std::string& s) {
        size_t end = s.find('\n', from);
        return s.substr(from, (end == std::string::npos ? s.size() : end) - from);
    };
    return "first save \"" + lineAt(a) + "\", second save \"" + lineAt(b) + "\"";
}

inline bool AllFinite(const float* v, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        if (!std::isfinite(v[i])) return false;
    }
    return true;
}

// Quiet editor log: no stderr mirror, and emptied every input so it never
// grows with the run.
inline void QuietLog() {
    LogSetStderrMirror(false);
    LogClear();
}

}  // namespace korvane::fuzz
