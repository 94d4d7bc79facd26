#pragma once
// Writes small glTF 2.0 files from code: one binary buffer, views, accessors,
// meshes, nodes, materials and images, emitted as a GLB or as a text glTF
// with a side ".bin" or a data: URI buffer. Used by the sample-model tool,
// the loader tests and the benchmarks (header only).

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace korvane::gltfbuild {

using json = nlohmann::json;

constexpr int kByte = 5120, kUByte = 5121, kShort = 5122, kUShort = 5123, kUInt = 5125, kFloat = 5126;

class Builder {
public:
    Builder() {
        doc["asset"] = {{"version", "2.0"}, {"generator", "korvane"}};
    }
    json doc;
    std::string bin;

    // Appends bytes (4-byte aligned) as a buffer view; returns its index.
    int AddView(const void* data, size_t size, int stride = 0, int target = 0) {
        while (bin.size() % 4) bin.push_back('\0');
        const size_t offset = bin.size();
        bin.append(static_cast<const char*>(data), size);
        json v = {{"buffer", 0}, {"byteOffset", offset}, {"byteLength", size}};
        if (stride) v["byteStride"] = stride;
        if (target) v["target"] = target;
        doc["bufferViews"].push_back(v);
        return int(doc["bufferViews"].size()) - 1;
    }
    int AddAccessor(int view, int componentType, size_t count, const char* type, size_t byteOffset = 0,
                    bool normalized = false) {
        json a = {{"componentType", componentType}, {"count", count}, {"type", type}};
        if (view >= 0) a["bufferView"] = view;
        if (byteOffset) a["byteOffset"] = byteOffset;
        if (normalized) a["normalized"] = true;
        doc["accessors"].push_back(a);
        return int(doc["accessors"].size()) - 1;
    }
    // Floats as VEC2/VEC3/VEC4 (per element n floats); POSITION gets min/max.
    int AddFloats(const std::vector<float>& v, int n, bool minMax = false) {
        const char* type = n == 1 ? "SCALAR" : n == 2 ? "VEC2" : n == 3 ? "VEC3" : "VEC4";
        const int view = AddView(v.data(), v.size() * sizeof(float));
        const int acc = AddAccessor(view, kFloat, v.size() / size_t(n), type);
        if (minMax && !v.empty()) {
            std::vector<float> lo(v.begin(), v.begin() + n), hi = lo;
            for (size_t i = 0; i < v.size(); ++i) {
                lo[i % size_t(n)] = std::min(lo[i % size_t(n)], v[i]);
                hi[i % size_t(n)] = std::max(hi[i % size_t(n)], v[i]);
            }
            doc["accessors"][size_t(acc)]["min"] = lo;
            doc["accessors"][size_t(acc)]["max"] = hi;
        }
        return acc;
    }
    // Indices stored with the given component type (8, 16 or 32 bits).
    int AddIndices(const std::vector<uint32_t>& idx, int componentType = kUInt) {
        std::string bytes;
        for (uint32_t i : idx) {
            if (componentType == kUByte) {
                bytes.push_back(char(uint8_t(i)));
            } else if (componentType == kUShort) {
                const uint16_t s = uint16_t(i);
                bytes.append(reinterpret_cast<const char*>(&s), 2);
            } else {
                bytes.append(reinterpret_cast<const char*>(&i), 4);
            }
        }
        const int view = AddView(bytes.data(), bytes.size(), 0, 34963);
        return AddAccessor(view, componentType, idx.size(), "SCALAR");
    }
    int Add(const char* list, json item) {
        doc[list].push_back(std::move(item));
        return int(doc[list].size()) - 1;
    }
    // A mesh of one triangle primitive.
    int AddMesh(int position, int indices = -1, int material = -1, json extraAttributes = json::object(),
                int mode = 4) {
        json attrs = extraAttributes;
        attrs["POSITION"] = position;
        json prim = {{"attributes", attrs}};
        if (indices >= 0) prim["indices"] = indices;
        if (material >= 0) prim["material"] = material;
        if (mode != 4) prim["mode"] = mode;
        return Add("meshes", {{"primitives", json::array({prim})}});
    }
    void SetScene(const std::vector<int>& roots, bool setDefault = true) {
        doc["scenes"] = json::array({{{"nodes", roots}}});
        if (setDefault) doc["scene"] = 0;
    }

    std::string Glb() const {
        json d = doc;
        std::string b = bin;
        while (b.size() % 4) b.push_back('\0');
        if (!b.empty()) d["buffers"] = json::array({{{"byteLength", bin.size()}}});
        std::string text = d.dump();
        while (text.size() % 4) text.push_back(' ');
        std::string out;
        auto u32 = [&out](uint32_t v) { out.append(reinterpret_cast<const char*>(&v), 4); };
        const uint32_t total = uint32_t(12 + 8 + text.size() + (b.empty() ? 0 : 8 + b.size()));
        out.append("glTF");
        u32(2);
        u32(total);
        u32(uint32_t(text.size()));
        u32(0x4E4F534A);
        out += text;
        if (!b.empty()) {
            u32(uint32_t(b.size()));
            u32(0x004E4942);
            out += b;
        }
        return out;
    }
    // Text glTF whose buffer is the side file binUri, or a data: URI when
    // binUri is empty.
    std::string Gltf(const std::string& binUri = std::string()) const {
        json d = doc;
        if (!bin.empty()) {
            d["buffers"] = json::array(
                {{{"byteLength", bin.size()},
                  {"uri", binUri.empty() ? "data:application/octet-stream;base64," + Base64(bin) : binUri}}});
        }
        return d.dump(1);
    }

    static std::string Base64(const std::string& in) {
        static const char* k = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        std::string out;
        size_t i = 0;
        for (; i + 2 < in.size(); i += 3) {
            const uint32_t v = uint32_t(uint8_t(in[i])) << 16 | uint32_t(uint8_t(in[i + 1])) << 8 | uint8_t(in[i + 2]);
            out += k[v >> 18];
            out += k[(v >> 12) & 63];
            out += k[(v >> 6) & 63];
            out += k[v & 63];
        }
        if (i < in.size()) {
            uint32_t v = uint32_t(uint8_t(in[i])) << 16;
            if (i + 1 < in.size()) v |= uint32_t(uint8_t(in[i + 1])) << 8;
            out += k[v >> 18];
            out += k[(v >> 12) & 63];
            out += i + 1 < in.size() ? k[(v >> 6) & 63] : '=';
            out += '=';
        }
        return out;
    }
};

}  // namespace korvane::gltfbuild
