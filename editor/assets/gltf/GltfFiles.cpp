#include "editor/assets/gltf/GltfFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "editor/legacy/base/AtomicFile.h"
#include "editor/legacy/base/ProjectPaths.h"

std::string DirNameStr(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return path.substr(0, slash);
}

std::string BaseNameNoExt(const std::string& path) {
    const size_t slash = path.rfind('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos) name.erase(dot);
    return name.empty() ? "asset" : name;
}

std::string SanitizeFileStem(const std::string& text) {
    if (text.empty()) return "asset";
    std::string out = text;
    for (char& c : out) {
        const bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
                          c == '-';
        if (!keep) c = '_';
    }
    return out;
}

std::string ImportedAssetStemFromGLBPath(const std::string& path) {
    std::string s = SanitizeFileStem(BaseNameNoExt(path));
    if (s == "canonical") {
        const std::string dir = DirNameStr(path);
        if (dir != "." && !dir.empty()) {
            const size_t slash = dir.rfind('/');
            const std::string parent = slash == std::string::npos ? dir : dir.substr(slash + 1);
            if (!parent.empty()) s = SanitizeFileStem(parent);
        }
    }
    return s.empty() ? "ImportedAsset" : s;
}

std::string ShortPathHash(const std::string& text) {
    uint32_t h = 2166136261u;
    for (unsigned char c : text) {
        h ^= c;
        h *= 16777619u;
    }
    char buf[16];
    std::snprintf(buf, sizeof buf, "%08x", h);
    return buf;
}

std::string ImportedAssetFolderName(const std::string& modelPath) {
    const std::string stem = SanitizeFileStem(ImportedAssetStemFromGLBPath(modelPath));
    if (SanitizeFileStem(BaseNameNoExt(modelPath)) == "canonical") return stem;
    return stem + "_" + ShortPathHash(ProjectRelativeAssetPath(modelPath.c_str()));
}

std::string StableAssetPathEarly(const std::string& dir, const std::string& fileName) {
    MkdirP(dir);
    return dir + "/" + fileName;
}

namespace {

// Publishes a complete temporary file at dst without replacing anything:
// link() refuses an existing name, and a name that appeared meanwhile was
// written the same way, so it is whole too.
bool PublishTemp(const std::string& tmp, const std::string& dst) {
    bool ok = link(tmp.c_str(), dst.c_str()) == 0 || errno == EEXIST;
    unlink(tmp.c_str());
    return ok;
}

int OpenTempFor(const std::string& dst, std::string& tmp) {
    if (!EnsureParentDir(dst)) return -1;
    // A short name beside dst: a long file name plus a suffix could pass
    // the file system's name limit.
    const size_t slash = dst.rfind('/');
    tmp = TempSiblingName((slash == std::string::npos ? std::string() : dst.substr(0, slash + 1)) + ".import");
    return open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
}

bool FinishTemp(int fd, const std::string& tmp, const std::string& dst, bool ok) {
    if (close(fd) != 0) ok = false;
    if (!ok) {
        unlink(tmp.c_str());
        return false;
    }
    return PublishTemp(tmp, dst);
}

}  // namespace

bool CopyFileEarly(const std::string& src, const std::string& dst) {
    if (src.empty() || dst.empty()) return false;
    const int in = open(src.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return false;
    struct stat st;
    if (fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(in);
        return false;
    }
    std::string tmp;
    const int out = OpenTempFor(dst, tmp);
    if (out < 0) {
        close(in);
        return false;
    }
    std::vector<char> block(64 * 1024);
    bool ok = true;
    for (;;) {
        const ssize_t n = read(in, block.data(), block.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ok = false;
        if (n <= 0) break;
        if (!WriteAllFd(out, block.data(), size_t(n))) {
            ok = false;
            break;
        }
    }
    close(in);
    return FinishTemp(out, tmp, dst, ok);
}

bool WriteBytesToFileEarly(const std::string& path, const unsigned char* bytes, size_t length) {
    if (path.empty() || !bytes || length == 0) return false;
    std::string tmp;
    const int out = OpenTempFor(path, tmp);
    if (out < 0) return false;
    const bool ok = WriteAllFd(out, reinterpret_cast<const char*>(bytes), length);
    return FinishTemp(out, tmp, path, ok);
}

std::string ImageExtFromMime(const std::string& mime) {
    if (mime.find("jpeg") != std::string::npos || mime.find("jpg") != std::string::npos) return ".jpg";
    if (mime.find("webp") != std::string::npos) return ".webp";
    if (mime.find("ktx2") != std::string::npos) return ".ktx2";
    return ".png";
}

std::string PercentDecode(const std::string& text) {
    auto hex = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            const int hi = hex(text[i + 1]), lo = hex(text[i + 2]);
            if (hi >= 0 && lo >= 0) {
                out.push_back(char(hi * 16 + lo));
                i += 2;
                continue;
            }
        }
        out.push_back(text[i]);
    }
    return out;
}

namespace {

bool HasScheme(const std::string& uri) {
    // RFC 3986: ALPHA *( ALPHA / DIGIT / "+" / "-" / "." ) ":" before any "/".
    for (size_t i = 0; i < uri.size(); ++i) {
        const char c = uri[i];
        if (c == ':') return i > 0;
        if (c == '/' || c == '\\') return false;
        const bool alpha = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (!alpha && !(i > 0 && ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'))) return false;
    }
    return false;
}

}  // namespace

std::string ResolveImageUriInFolder(const std::string& sourceDir, const std::string& uri, std::string* why) {
    auto refuse = [&](const char* reason) {
        if (why) *why = reason;
        return std::string();
    };
    const std::string rel = PercentDecode(uri);
    if (rel.empty()) return refuse("empty");
    if (rel.find('\0') != std::string::npos) return refuse("holds a NUL byte");
    if (rel[0] == '/' || rel[0] == '\\' || rel[0] == '~') return refuse("is absolute");
    if (HasScheme(rel)) return refuse("names a scheme");
    // Apply "." and ".." lexically; a ".." that would climb above the folder
    // refuses the whole URI.
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= rel.size()) {
        size_t end = rel.find_first_of("/\\", start);
        if (end == std::string::npos) end = rel.size();
        const std::string seg = rel.substr(start, end - start);
        if (seg == "..") {
            if (parts.empty()) return refuse("leaves the model's folder");
            parts.pop_back();
        } else if (!seg.empty() && seg != ".") {
            parts.push_back(seg);
        }
        start = end + 1;
    }
    if (parts.empty()) return refuse("names no file");
    std::string joined = sourceDir.empty() ? std::string(".") : sourceDir;
    for (const std::string& p : parts) joined += "/" + p;
    // A symbolic link inside the folder must not lead out of it either.
    char* realDir = realpath(sourceDir.empty() ? "." : sourceDir.c_str(), nullptr);
    char* realFile = realpath(joined.c_str(), nullptr);
    bool inside = true;
    if (realDir && realFile) {
        const size_t n = std::strlen(realDir);
        const bool rootDir = n == 1 && realDir[0] == '/';
        inside = std::strncmp(realFile, realDir, n) == 0 && (rootDir || realFile[n] == '/');
    }
    std::free(realDir);
    std::free(realFile);
    if (!inside) return refuse("leaves the model's folder through a link");
    return joined;
}
