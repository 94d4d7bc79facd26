#include "editor/assets/gltf/GltfDocument.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>

#include "editor/assets/gltf/GltfFiles.h"

namespace {

// Reads a whole regular file of at most kGltfMaxFileBytes.
GltfResult ReadRegularFile(const std::string& path, std::vector<unsigned char>& out) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT ? kGltfFileNotFound : kGltfIoError;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return kGltfIoError;
    }
    if (uint64_t(st.st_size) > kGltfMaxFileBytes) {
        close(fd);
        return kGltfFileTooLarge;
    }
    try {
        out.resize(size_t(st.st_size));
    } catch (const std::bad_alloc&) {
        close(fd);
        return kGltfOutOfMemory;
    }
    size_t got = 0;
    while (got < out.size()) {
        const ssize_t n = read(fd, out.data() + got, out.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += size_t(n);
    }
    close(fd);
    if (got != out.size()) return kGltfIoError;
    return kGltfOk;
}

struct FsContext {
    bool allowExternal = true;
    bool failed = false;
};

bool FsFileExists(const std::string& path, void* user) {
    auto* ctx = static_cast<FsContext*>(user);
    struct stat st;
    if (!ctx->allowExternal) return false;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Paths are used as written: no "~" or variable expansion.
std::string FsExpandPath(const std::string& path, void*) { return path; }

bool FsReadWholeFile(std::vector<unsigned char>* out, std::string* err, const std::string& path, void* user) {
    auto* ctx = static_cast<FsContext*>(user);
    if (!ctx->allowExternal || ReadRegularFile(path, *out) != kGltfOk) {
        ctx->failed = true;
        if (err) *err += "cannot read buffer file " + path + "\n";
        return false;
    }
    return true;
}

bool FsRefuseWrite(std::string* err, const std::string&, const std::vector<unsigned char>&, void*) {
    if (err) *err += "writing is not supported\n";
    return false;
}

// Images are neither decoded nor kept: only whether one came as a data: URI
// (the parser empties its uri) is recorded. Texture files are read later by
// our own loader.
bool NoteImage(tinygltf::Image* image, const int index, std::string*, std::string*, int, int, const unsigned char*,
               int, void* user) {
    auto* data = static_cast<GltfData*>(user);
    if (index >= 0 && index < (1 << 24)) {
        if (data->imageIsDataUri.size() <= size_t(index)) data->imageIsDataUri.resize(size_t(index) + 1, 0);
        data->imageIsDataUri[size_t(index)] = image->bufferView < 0 ? 1 : 0;
    }
    return true;
}

GltfParseOutcome ParseBytes(const unsigned char* bytes, size_t size, const std::string& baseDir, bool allowExternal,
                            GltfData& data) {
    GltfParseOutcome out;
    if (!bytes || size < 4) {
        out.result = kGltfDataTooShort;
        out.detail = "the file is too short";
        return out;
    }
    if (size > kGltfMaxFileBytes) {
        out.result = kGltfFileTooLarge;
        out.detail = "the file is too large";
        return out;
    }
    const bool binary = std::memcmp(bytes, "glTF", 4) == 0;
    if (binary && size < 20) {
        out.result = kGltfDataTooShort;
        out.detail = "the GLB header is incomplete";
        return out;
    }
    if (!binary) {
        // Text glTF is a JSON object: first non-blank byte "{".
        size_t i = 0;
        if (size >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) i = 3;
        while (i < size && (bytes[i] == ' ' || bytes[i] == '\t' || bytes[i] == '\r' || bytes[i] == '\n')) ++i;
        if (i >= size || bytes[i] != '{') {
            out.result = kGltfUnknownFormat;
            out.detail = "neither a GLB nor a glTF JSON file";
            return out;
        }
    }
    FsContext fs;
    fs.allowExternal = allowExternal && !baseDir.empty();
    tinygltf::TinyGLTF loader;
    tinygltf::FsCallbacks callbacks{&FsFileExists, &FsExpandPath, &FsReadWholeFile, &FsRefuseWrite, &fs};
    loader.SetFsCallbacks(callbacks);
    loader.SetImageLoader(&NoteImage, &data);
    std::string err, warn;
    bool ok = false;
    try {
        if (binary) {
            ok = loader.LoadBinaryFromMemory(&data.model, &err, &warn, bytes, unsigned(size), baseDir);
        } else {
            ok = loader.LoadASCIIFromString(&data.model, &err, &warn, reinterpret_cast<const char*>(bytes),
                                            unsigned(size), baseDir);
        }
    } catch (const std::bad_alloc&) {
        out.result = kGltfOutOfMemory;
        out.detail = "out of memory";
        return out;
    } catch (const std::exception& e) {
        err += e.what();
        ok = false;
    } catch (...) {
        ok = false;
    }
    if (!warn.empty()) data.warnings.push_back(warn);
    data.imageIsDataUri.resize(data.model.images.size(), 0);
    if (ok) return out;
    out.bufferFailed = fs.failed;
    out.detail = err.empty() ? "the file could not be parsed" : err;
    while (!out.detail.empty() && out.detail.back() == '\n') out.detail.pop_back();
    out.result = err.find("JSON") != std::string::npos || err.find("json") != std::string::npos ? kGltfInvalidJson
                                                                                                : kGltfInvalidGltf;
    return out;
}

}  // namespace

GltfParseOutcome ParseGLTFFile(const char* path, GltfData& data) {
    GltfParseOutcome out;
    data = GltfData();
    data.path = path ? path : "";
    data.sourceDir = DirNameStr(data.path);
    std::vector<unsigned char> bytes;
    out.result = data.path.empty() ? kGltfFileNotFound : ReadRegularFile(data.path, bytes);
    if (out.result != kGltfOk) {
        out.detail = out.result == kGltfFileTooLarge ? "the file is too large" : std::strerror(errno);
        return out;
    }
    data.fileBytes = bytes.size();
    out = ParseBytes(bytes.data(), bytes.size(), data.sourceDir, true, data);
    return out;
}

GltfParseOutcome ParseGLTFMemory(const unsigned char* bytes, size_t size, const std::string& baseDir,
                                 GltfData& data) {
    data = GltfData();
    data.sourceDir = baseDir;
    data.fileBytes = size;
    return ParseBytes(bytes, size, baseDir, !baseDir.empty(), data);
}

namespace {

int ComponentSize(int componentType) {
    switch (componentType) {
    case TINYGLTF_COMPONENT_TYPE_BYTE:
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE: return 1;
    case TINYGLTF_COMPONENT_TYPE_SHORT:
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT: return 2;
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT:
    case TINYGLTF_COMPONENT_TYPE_FLOAT: return 4;
    default: return 0;
    }
}

int ComponentCount(int type) {
    switch (type) {
    case TINYGLTF_TYPE_SCALAR: return 1;
    case TINYGLTF_TYPE_VEC2: return 2;
    case TINYGLTF_TYPE_VEC3: return 3;
    case TINYGLTF_TYPE_VEC4: return 4;
    case TINYGLTF_TYPE_MAT2: return 4;
    case TINYGLTF_TYPE_MAT3: return 9;
    case TINYGLTF_TYPE_MAT4: return 16;
    default: return 0;
    }
}

template <typename T>
T Load(const unsigned char* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

float ComponentAsFloat(const unsigned char* p, int componentType, bool normalized) {
    switch (componentType) {
    case TINYGLTF_COMPONENT_TYPE_FLOAT: return Load<float>(p);
    case TINYGLTF_COMPONENT_TYPE_BYTE: {
        const float v = float(Load<int8_t>(p));
        return normalized ? std::max(v / 127.0f, -1.0f) : v;
    }
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE: {
        const float v = float(Load<uint8_t>(p));
        return normalized ? v / 255.0f : v;
    }
    case TINYGLTF_COMPONENT_TYPE_SHORT: {
        const float v = float(Load<int16_t>(p));
        return normalized ? std::max(v / 32767.0f, -1.0f) : v;
    }
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT: {
        const float v = float(Load<uint16_t>(p));
        return normalized ? v / 65535.0f : v;
    }
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT: return float(Load<uint32_t>(p));
    default: return 0.0f;
    }
}

}  // namespace

bool BufferViewBytes(const tinygltf::Model& model, int viewIndex, const unsigned char*& bytes, size_t& size) {
    bytes = nullptr;
    size = 0;
    if (viewIndex < 0 || size_t(viewIndex) >= model.bufferViews.size()) return false;
    const tinygltf::BufferView& v = model.bufferViews[size_t(viewIndex)];
    if (v.buffer < 0 || size_t(v.buffer) >= model.buffers.size()) return false;
    const std::vector<unsigned char>& data = model.buffers[size_t(v.buffer)].data;
    if (v.byteOffset > data.size() || v.byteLength > data.size() - v.byteOffset) return false;
    bytes = data.data() + v.byteOffset;
    size = v.byteLength;
    return true;
}

bool OpenAccessor(const tinygltf::Model& model, int accessorIndex, AccessorView& out) {
    out = AccessorView();
    if (accessorIndex < 0 || size_t(accessorIndex) >= model.accessors.size()) return false;
    const tinygltf::Accessor& acc = model.accessors[size_t(accessorIndex)];
    out.componentType = acc.componentType;
    out.componentSize = ComponentSize(acc.componentType);
    out.components = ComponentCount(acc.type);
    if (out.componentSize == 0 || out.components == 0) return false;
    out.normalized = acc.normalized;
    out.count = acc.count;
    out.valid = true;
    const size_t elemSize = size_t(out.componentSize) * size_t(out.components);
    if (acc.bufferView < 0) {
        out.zeros = true;
        out.available = out.count;
        out.stride = elemSize;
        return true;
    }
    if (size_t(acc.bufferView) >= model.bufferViews.size()) return true;  // nothing readable
    const tinygltf::BufferView& view = model.bufferViews[size_t(acc.bufferView)];
    if (view.buffer < 0 || size_t(view.buffer) >= model.buffers.size()) return true;
    const std::vector<unsigned char>& data = model.buffers[size_t(view.buffer)].data;
    if (view.byteOffset > data.size()) return true;
    const size_t viewEnd = view.byteOffset + std::min(view.byteLength, data.size() - view.byteOffset);
    if (acc.byteOffset > viewEnd - view.byteOffset) return true;
    const size_t start = view.byteOffset + acc.byteOffset;
    out.stride = view.byteStride ? view.byteStride : elemSize;
    if (elemSize > viewEnd - start) return true;
    out.available = std::min(out.count, (viewEnd - start - elemSize) / out.stride + 1);
    out.base = data.data() + start;
    return true;
}

bool ReadAccessorFloats(const AccessorView& a, size_t i, float* out, int n) {
    if (!a.valid || i >= a.available || n <= 0) return false;
    const int m = std::min(n, a.components);
    if (a.zeros) {
        for (int c = 0; c < m; ++c) out[c] = 0.0f;
        return true;
    }
    const unsigned char* p = a.base + i * a.stride;
    if (a.componentType == TINYGLTF_COMPONENT_TYPE_FLOAT) {
        std::memcpy(out, p, size_t(m) * sizeof(float));
        return true;
    }
    for (int c = 0; c < m; ++c) out[c] = ComponentAsFloat(p + size_t(c) * size_t(a.componentSize), a.componentType, a.normalized);
    return true;
}

bool ReadAccessorUint(const AccessorView& a, size_t i, uint32_t& out) {
    if (!a.valid || i >= a.available) return false;
    if (a.zeros) {
        out = 0;
        return true;
    }
    const unsigned char* p = a.base + i * a.stride;
    switch (a.componentType) {
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE: out = Load<uint8_t>(p); return true;
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT: out = Load<uint16_t>(p); return true;
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT: out = Load<uint32_t>(p); return true;
    case TINYGLTF_COMPONENT_TYPE_BYTE: out = uint32_t(std::max<int>(0, Load<int8_t>(p))); return true;
    case TINYGLTF_COMPONENT_TYPE_SHORT: out = uint32_t(std::max<int>(0, Load<int16_t>(p))); return true;
    default: return false;
    }
}

std::vector<int> GltfRootNodes(const tinygltf::Model& model) {
    std::vector<int> roots;
    const size_t n = model.nodes.size();
    if (model.defaultScene >= 0 && size_t(model.defaultScene) < model.scenes.size()) {
        for (int idx : model.scenes[size_t(model.defaultScene)].nodes) {
            if (idx >= 0 && size_t(idx) < n) roots.push_back(idx);
        }
        return roots;
    }
    std::vector<char> hasParent(n, 0);
    for (const tinygltf::Node& node : model.nodes) {
        for (int c : node.children) {
            if (c >= 0 && size_t(c) < n) hasParent[size_t(c)] = 1;
        }
    }
    for (size_t i = 0; i < n; ++i) {
        if (!hasParent[i]) roots.push_back(int(i));
    }
    return roots;
}

int ValidateGLTFData(const GltfData& data, std::string* problem) {
    const tinygltf::Model& m = data.model;
    auto fail = [&](int code, const std::string& what) {
        if (problem) *problem = what;
        return code;
    };
    auto inRange = [](int idx, size_t n) { return idx >= 0 && size_t(idx) < n; };
    for (size_t i = 0; i < m.bufferViews.size(); ++i) {
        const unsigned char* bytes = nullptr;
        size_t size = 0;
        if (!BufferViewBytes(m, int(i), bytes, size))
            return fail(kGltfDataTooShort, "buffer view " + std::to_string(i) + " lies outside its buffer");
    }
    for (size_t i = 0; i < m.accessors.size(); ++i) {
        const tinygltf::Accessor& acc = m.accessors[i];
        AccessorView a;
        if (!OpenAccessor(m, int(i), a))
            return fail(kGltfInvalidGltf, "accessor " + std::to_string(i) + " has an unknown type");
        if (acc.bufferView >= 0 && !inRange(acc.bufferView, m.bufferViews.size()))
            return fail(kGltfInvalidGltf, "accessor " + std::to_string(i) + " names a missing buffer view");
        if (a.available < a.count)
            return fail(kGltfDataTooShort, "accessor " + std::to_string(i) + " reads past its buffer view");
    }
    for (size_t mi = 0; mi < m.meshes.size(); ++mi) {
        for (const tinygltf::Primitive& p : m.meshes[mi].primitives) {
            for (const auto& kv : p.attributes) {
                if (!inRange(kv.second, m.accessors.size()))
                    return fail(kGltfInvalidGltf, "mesh " + std::to_string(mi) + " names a missing accessor");
            }
            if (p.indices >= 0 && !inRange(p.indices, m.accessors.size()))
                return fail(kGltfInvalidGltf, "mesh " + std::to_string(mi) + " names a missing index accessor");
            if (p.material >= 0 && !inRange(p.material, m.materials.size()))
                return fail(kGltfInvalidGltf, "mesh " + std::to_string(mi) + " names a missing material");
        }
    }
    for (size_t ni = 0; ni < m.nodes.size(); ++ni) {
        const tinygltf::Node& n = m.nodes[ni];
        if (n.mesh >= 0 && !inRange(n.mesh, m.meshes.size()))
            return fail(kGltfInvalidGltf, "node " + std::to_string(ni) + " names a missing mesh");
        for (int c : n.children) {
            if (!inRange(c, m.nodes.size()))
                return fail(kGltfInvalidGltf, "node " + std::to_string(ni) + " names a missing child");
        }
    }
    for (size_t ti = 0; ti < m.textures.size(); ++ti) {
        if (m.textures[ti].source >= 0 && !inRange(m.textures[ti].source, m.images.size()))
            return fail(kGltfInvalidGltf, "texture " + std::to_string(ti) + " names a missing image");
    }
    for (size_t ii = 0; ii < m.images.size(); ++ii) {
        if (m.images[ii].bufferView >= 0 && !inRange(m.images[ii].bufferView, m.bufferViews.size()))
            return fail(kGltfInvalidGltf, "image " + std::to_string(ii) + " names a missing buffer view");
    }
    return 0;
}
