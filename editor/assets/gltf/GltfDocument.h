#pragma once
// A parsed glTF/GLB file with its buffers in memory, and the checked reads
// over it. No GL, no editor log, no global state: the validate-only entry
// runs this on a worker thread.
//
//   ParseGLTFFile / ParseGLTFMemory   GLB or text by the "glTF" magic
//   ValidateGLTFData                  the structural checks (first problem)
//   OpenAccessor / ReadAccessorVec2/3/4 / ReadAccessorUint   bounds-checked element reads
//   GltfRootNodes                     the scene's roots, or every parentless node

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "editor/assets/gltf/GltfTiny.h"
#include "editor/legacy/scene/KorvaneMath.h"

// Result codes in the loader's messages.
enum GltfResult : int {
    kGltfOk = 0,
    kGltfDataTooShort = 1,
    kGltfUnknownFormat = 2,
    kGltfInvalidJson = 3,
    kGltfInvalidGltf = 4,
    kGltfFileNotFound = 6,
    kGltfIoError = 7,
    kGltfOutOfMemory = 8,
    kGltfFileTooLarge = 9,
};

// Files (the model and its external buffers) larger than this are refused.
constexpr uint64_t kGltfMaxFileBytes = uint64_t(1) << 30;

struct GltfData {
    tinygltf::Model model;
    std::string path;       // as opened
    std::string sourceDir;  // DirNameStr(path)
    std::vector<char> imageIsDataUri;  // per image: embedded as a data: URI
    std::vector<std::string> warnings;
    uint64_t fileBytes = 0;
};

struct GltfParseOutcome {
    GltfResult result = kGltfOk;
    bool bufferFailed = false;  // an external or embedded buffer could not be had
    std::string detail;         // the parser's own words
};

GltfParseOutcome ParseGLTFFile(const char* path, GltfData& data);
// The same over bytes in memory; external buffers resolve against baseDir
// (empty: none are read).
GltfParseOutcome ParseGLTFMemory(const unsigned char* bytes, size_t size, const std::string& baseDir,
                                 GltfData& data);

// 0 when the structure is sound, else a code with the first problem found
// (an accessor reading past its view, a view past its buffer, an index out of
// range). Reads stay safe either way: they are checked one by one.
int ValidateGLTFData(const GltfData& data, std::string* problem);

// A resolved accessor. Elements at or past `available` lie outside the data
// and read as the caller's default; an accessor without a buffer view reads
// as zeros. Sparse substitutions are not applied: a sparse accessor reads
// its base values (zeros when it has no buffer view).
struct AccessorView {
    const unsigned char* base = nullptr;
    size_t count = 0;
    size_t available = 0;
    size_t stride = 0;
    int componentType = 0;
    int components = 0;
    int componentSize = 0;
    bool normalized = false;
    bool zeros = false;
    bool valid = false;
};
// False (view invalid) for a missing index, an unknown component type or
// element type.
bool OpenAccessor(const tinygltf::Model& model, int accessorIndex, AccessorView& out);
// Reads up to n components of element i as floats (normalised integers
// scaled to 0..1 or -1..1); components the element lacks, and elements out of
// range, keep what out held. False when nothing was read.
bool ReadAccessorFloats(const AccessorView& a, size_t i, float* out, int n);
bool ReadAccessorUint(const AccessorView& a, size_t i, uint32_t& out);
inline void ReadAccessorVec2(const AccessorView& a, size_t i, float out[2]) { ReadAccessorFloats(a, i, out, 2); }
inline void ReadAccessorVec3(const AccessorView& a, size_t i, float out[3]) { ReadAccessorFloats(a, i, out, 3); }
inline void ReadAccessorVec4(const AccessorView& a, size_t i, float out[4]) { ReadAccessorFloats(a, i, out, 4); }

// Bytes of a buffer view, or false when it lies outside its buffer.
bool BufferViewBytes(const tinygltf::Model& model, int viewIndex, const unsigned char*& bytes, size_t& size);

std::vector<int> GltfRootNodes(const tinygltf::Model& model);
