#include "editor/legacy/files/MaterialFile.h"
#include "editor/legacy/base/TextLines.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "editor/legacy/base/EditorLog.h"
#include "editor/legacy/files/SceneFile.h"



// ---- Writer -----------------------------------------------------------------

namespace {

void AppendFixed(std::string& out, float v) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 6);
    out.append(buf, r.ptr);
}

void AppendTexture(std::string& out, const char* key, const char (&value)[256]) {
    if (!value[0]) return;
    out += "  ";
    out += key;
    out += " = \"";
    out += SceneEscape(std::string_view(value, strnlen(value, sizeof value)));
    out += "\"\n";
}

}  // namespace

std::string MaterialAssetText(const Material& m) {
    std::string out = "material {\n  color = {";
    const float color[4] = {m.baseColor.x, m.baseColor.y, m.baseColor.z, m.baseColor.w};
    for (int i = 0; i < 4; ++i) {
        if (i) out += ", ";
        AppendFixed(out, color[i]);
    }
    out += "}\n  metallic = ";
    AppendFixed(out, m.metallic);
    out += "\n  roughness = ";
    AppendFixed(out, m.roughness);
    out += "\n  emissive = {";
    AppendFixed(out, m.emissive.x);
    out += ", ";
    AppendFixed(out, m.emissive.y);
    out += ", ";
    AppendFixed(out, m.emissive.z);
    out += "}\n  normal_scale = ";
    AppendFixed(out, m.normalScale);
    out += "\n  height_scale = ";
    AppendFixed(out, m.heightScale);
    out += "\n";
    AppendTexture(out, "albedo", m.albedoTexture);
    AppendTexture(out, "normal", m.normalTexture);
    AppendTexture(out, "metallic_roughness", m.metallicRoughnessTexture);
    AppendTexture(out, "ao", m.aoTexture);
    AppendTexture(out, "emissive_map", m.emissiveTexture);
    AppendTexture(out, "height", m.heightTexture);
    out += "}\n";
    return out;
}

bool SaveMaterialAsset(const Material& m, const char* path) {
    if (!path || !*path) {
        Log(4, "Material save failed: missing path");
        return false;
    }
    errno = 0;
    if (!WriteTextIfChangedAtomic(path, MaterialAssetText(m))) {
        std::string why = std::string(path) + ": " + std::strerror(errno ? errno : EIO);
        Log(4, "Material save failed: %s", why.c_str());
        return false;
    }
    Log(2, "Material saved: %s", path);
    return true;
}

// ---- Reader -----------------------------------------------------------------

namespace {

// A scanf-like matcher: a blank in a pattern matches any run of white space,
// including none.
struct LineScan {
    const char* p;
    const char* end;

    void Ws() {
        while (p < end && (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n' || *p == '\f' || *p == '\v')) ++p;
    }
    bool Lit(const char* s) {
        Ws();
        size_t n = std::strlen(s);
        if (static_cast<size_t>(end - p) < n || std::memcmp(p, s, n) != 0) return false;
        p += n;
        return true;
    }
    // The key must be followed by blanks or '=' (so "metallic" does not
    // match "metallic_roughness").
    bool Key(const char* k) { return Lit(k) && Lit("="); }
    bool Num(float& out) {
        Ws();
        const char* b = p;
        if (b < end && *b == '+') ++b;
        float v = 0.0f;
        auto r = std::from_chars(b, end, v, std::chars_format::general);
        if (r.ec != std::errc() || !std::isfinite(v)) return false;
        out = v;
        p = r.ptr;
        return true;
    }
    // A quoted, escaped text with at least one character.
    bool Quoted(std::string& out) {
        Ws();
        SceneLineCursor c(std::string_view(p, static_cast<size_t>(end - p)));
        if (c.p >= c.end || *c.p != '"') return false;
        std::string text;
        if (!SceneReadQuoted(c, text) || text.empty()) return false;
        out = std::move(text);
        p = c.p;
        return true;
    }
};

bool ScanVec(std::string_view line, const char* key, float* out, int n) {
    LineScan s{line.data(), line.data() + line.size()};
    if (!s.Key(key) || !s.Lit("{")) return false;
    float v[4];
    for (int i = 0; i < n; ++i) {
        if (i && !s.Lit(",")) return false;
        if (!s.Num(v[i])) return false;
    }
    for (int i = 0; i < n; ++i) out[i] = v[i];
    return true;
}

bool ScanFloat(std::string_view line, const char* key, float& out) {
    LineScan s{line.data(), line.data() + line.size()};
    return s.Key(key) && s.Num(out);
}

bool ScanTexture(std::string_view line, const char* key, char (&field)[256]) {
    LineScan s{line.data(), line.data() + line.size()};
    std::string text;
    if (!s.Key(key) || !s.Quoted(text)) return false;
    if (!CopyPathField(field, text)) {
        Log(3, "Material texture path too long (%zu bytes), ignored: %.80s...", text.size(), text.c_str());
    }
    return true;
}

}  // namespace

bool ApplyMaterialLine(std::string_view line, Material& m) {
    float v[4];
    if (ScanVec(line, "color", v, 4)) {
        m.baseColor = Vec4{v[0], v[1], v[2], v[3]};
        return true;
    }
    if (ScanVec(line, "emissive", v, 3)) {
        m.emissive = Vec3{v[0], v[1], v[2]};
        return true;
    }
    return ScanFloat(line, "metallic", m.metallic) || ScanFloat(line, "roughness", m.roughness) ||
           ScanFloat(line, "normal_scale", m.normalScale) || ScanFloat(line, "height_scale", m.heightScale) ||
           ScanTexture(line, "albedo", m.albedoTexture) || ScanTexture(line, "normal", m.normalTexture) ||
           ScanTexture(line, "metallic_roughness", m.metallicRoughnessTexture) ||
           ScanTexture(line, "ao", m.aoTexture) || ScanTexture(line, "emissive_map", m.emissiveTexture) ||
           ScanTexture(line, "height", m.heightTexture);
}

bool LoadMaterialAsset(const char* path, Material& m) {
    EnsureMaterialDefaults(m);
    if (!path || !*path) return false;
    if (!TextFitsField(sizeof m.path, path)) {
        Log(4, "Material load failed: path too long (%zu bytes): %s", std::strlen(path), path);
        return false;
    }
    CopyPathField(m.path, path);
    FILE* f = std::fopen(path, "rb");
    if (!f) return false;
    std::string text;
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
    const bool readError = std::ferror(f) != 0;
    std::fclose(f);
    if (readError) {
        Log(4, "Material load failed: read error in %s", path);
        return false;
    }

    Material fresh;
    CopyPathField(fresh.path, path);
    ForEachTextLine(text, [&](std::string_view line) { ApplyMaterialLine(line, fresh); });
    EnsureMaterialDefaults(fresh);
    m = fresh;
    return true;
}
