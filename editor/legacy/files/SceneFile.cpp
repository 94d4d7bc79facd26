// Scene file: text helpers and the writer (SaveScene and its file handling).
// The reader lives in SceneFileRead.cpp.

#include "editor/legacy/files/SceneFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <memory>

#include "editor/legacy/base/AppState.h"
#include "editor/legacy/base/EditorLog.h"
#include "editor/legacy/scene/EntityStore.h"
#include "editor/legacy/files/MaterialFile.h"
#include "editor/legacy/base/ProjectPaths.h"

void (*g_sceneSavedEditorStateHook)() = nullptr;
void (*g_sceneLoadedHook)(const char* path) = nullptr;
void (*g_sceneSavedHook)(const char* path, const char* previousPath) = nullptr;

// ---- Text helpers -----------------------------------------------------------

std::string SceneEscape(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 8);
    for (char ch : text) {
        switch (ch) {
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        default: out += ch; break;
        }
    }
    return out;
}

std::string SceneQuote(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 10);
    out += '"';
    out += SceneEscape(text);
    out += '"';
    return out;
}

bool SceneSkipBlanks(SceneLineCursor& in) {
    while (in.p < in.end && (*in.p == ' ' || *in.p == '\t')) ++in.p;
    return in.p < in.end;
}

bool SceneReadQuoted(SceneLineCursor& in, std::string& out) {
    SceneLineCursor c = in;
    if (!SceneSkipBlanks(c)) return false;
    if (*c.p != '"') {
        const char* start = c.p;
        while (c.p < c.end && *c.p != ' ' && *c.p != '\t') ++c.p;
        if (c.p == start) return false;
        out.assign(start, c.p);
        in = c;
        return true;
    }
    ++c.p;
    std::string text;
    while (c.p < c.end) {
        char ch = *c.p++;
        if (ch == '"') {
            out = std::move(text);
            in = c;
            return true;
        }
        if (ch == '\\') {
            if (c.p >= c.end) break;
            char esc = *c.p++;
            switch (esc) {
            case 'n': text += '\n'; break;
            case 'r': text += '\r'; break;
            case 't': text += '\t'; break;
            default: text += esc; break;
            }
            continue;
        }
        text += ch;
    }
    return false;  // the line ended inside the quotes
}

void SceneAppendFloat(std::string& out, float v) {
    char buf[48];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 9);
    out.append(buf, r.ptr);
}

void SceneAppendInt(std::string& out, long long v) {
    char buf[24];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

namespace {
// The token at the cursor (after blanks), without moving it.
std::string_view PeekToken(const SceneLineCursor& in, const char** after) {
    SceneLineCursor c = in;
    SceneSkipBlanks(c);
    const char* start = c.p;
    while (c.p < c.end && *c.p != ' ' && *c.p != '\t') ++c.p;
    *after = c.p;
    return std::string_view(start, static_cast<size_t>(c.p - start));
}
}  // namespace

bool SceneReadFloat(SceneLineCursor& in, float& out, bool* usable) {
    const char* after = nullptr;
    std::string_view tok = PeekToken(in, &after);
    if (tok.empty()) return false;
    const char* b = tok.data();
    const char* e = b + tok.size();
    if (*b == '+') ++b;  // from_chars does not take the sign printf never writes
    float v = 0.0f;
    auto r = std::from_chars(b, e, v, std::chars_format::general);
    if (r.ptr != e) return false;
    bool good = r.ec == std::errc() && std::isfinite(v);
    if (r.ec != std::errc() && r.ec != std::errc::result_out_of_range) return false;
    if (good) out = v;
    if (usable) *usable = good;
    in.p = after;
    return true;
}

bool SceneReadInt(SceneLineCursor& in, int& out) {
    const char* after = nullptr;
    std::string_view tok = PeekToken(in, &after);
    if (tok.empty()) return false;
    const char* b = tok.data();
    const char* e = b + tok.size();
    if (*b == '+') ++b;
    int v = 0;
    auto r = std::from_chars(b, e, v);
    if (r.ec != std::errc() || r.ptr != e) return false;
    out = v;
    in.p = after;
    return true;
}

// ---- Writer -----------------------------------------------------------------

namespace {

constexpr size_t kSaveBufferBytes = 1048576;

// Builds lines into a string and hands it to the stream in large pieces; the
// first failed write sticks.
class SceneWriter {
public:
    explicit SceneWriter(FILE* f) : f_(f) { buf_.reserve(kSaveBufferBytes + 65536); }
    bool ok() const { return ok_; }
    int err() const { return err_; }

    SceneWriter& Key(const char* k) {
        buf_ += k;
        return *this;
    }
    SceneWriter& F(float v) {
        buf_ += ' ';
        SceneAppendFloat(buf_, v);
        return *this;
    }
    SceneWriter& I(long long v) {
        buf_ += ' ';
        SceneAppendInt(buf_, v);
        return *this;
    }
    SceneWriter& B(bool v) {
        buf_ += v ? " 1" : " 0";
        return *this;
    }
    SceneWriter& T(const char* text, size_t fieldSize) {
        buf_ += ' ';
        buf_ += '"';
        buf_ += SceneEscape(std::string_view(text, strnlen(text, fieldSize)));
        buf_ += '"';
        return *this;
    }
    template <size_t N>
    SceneWriter& T(const char (&text)[N]) {
        return T(text, N);
    }
    void EndLine() {
        buf_ += '\n';
        if (buf_.size() >= kSaveBufferBytes) Flush();
    }
    void Flush() {
        if (ok_ && !buf_.empty()) {
            if (std::fwrite(buf_.data(), 1, buf_.size(), f_) != buf_.size() || std::ferror(f_)) {
                ok_ = false;
                err_ = errno ? errno : EIO;
            }
        }
        buf_.clear();
    }

private:
    FILE* f_;
    std::string buf_;
    bool ok_ = true;
    int err_ = 0;
};

void WriteEntity(SceneWriter& w, const Entity& e) {
    w.Key("entity").I(e.id).T(e.name).I(e.parent).B(e.enabled).B(e.spareFlag).EndLine();
    const Transform& t = e.transform;
    w.Key("transform").F(t.position.x).F(t.position.y).F(t.position.z);
    w.F(t.rotation.x).F(t.rotation.y).F(t.rotation.z).F(t.scale.x).F(t.scale.y).F(t.scale.z).EndLine();
    if (e.hasMesh) {
        const MeshRenderer& m = e.mesh;
        w.Key("mesh").I(m.shape).B(m.visible).B(m.castShadows).I(m.importedNode).I(m.importedMaterialSlot);
        w.T(m.modelPath).EndLine();
    }
    if (e.hasRigidBody) {
        const RigidBody& r = e.rigidBody;
        w.Key("rb").F(r.mass).B(r.useGravity).B(r.isKinematic).F(r.linearDrag).F(r.angularDrag);
        w.F(r.velocity.x).F(r.velocity.y).F(r.velocity.z).EndLine();
    }
    if (e.hasCollider) {
        const Collider& c = e.collider;
        w.Key("collider").I(c.shape).F(c.size.x).F(c.size.y).F(c.size.z).F(c.center.x).F(c.center.y).F(c.center.z);
        w.B(c.isTrigger).F(c.bounciness).F(c.friction).B(c.convexHull).EndLine();
    }
    if (e.hasScript) w.Key("script").T(e.script.scriptPath).B(e.script.hotReload).EndLine();
    auto meta = g_scriptMeta.find(e.id);
    if (meta != g_scriptMeta.end()) {
        const ScriptMeta& sm = meta->second;
        const int count = std::clamp<int>(sm.fieldCount, 0, kMaxScriptFields);
        w.Key("scriptmeta").T(sm.scriptPath).I(sm.fieldCount).B(sm.parsed).EndLine();
        for (int i = 0; i < count; ++i) {
            const ScriptField& f = sm.fields[i];
            w.Key("scriptfield").T(f.fieldName).I(f.fieldType).F(f.fieldValue).T(f.stringValue);
            w.F(f.vectorValue[0]).F(f.vectorValue[1]).F(f.vectorValue[2]).F(f.vectorValue[3]).T(f.extraText).EndLine();
        }
    }
    if (e.hasMaterial) {
        const Material& m = e.material;
        w.Key("material").T(m.path).F(m.baseColor.x).F(m.baseColor.y).F(m.baseColor.z).F(m.baseColor.w);
        w.F(m.metallic).F(m.roughness).F(m.emissive.x).F(m.emissive.y).F(m.emissive.z).F(m.normalScale).F(m.heightScale);
        w.T(m.albedoTexture).T(m.normalTexture).T(m.metallicRoughnessTexture).T(m.aoTexture).T(m.emissiveTexture);
        w.T(m.heightTexture).EndLine();
    }
    if (e.hasLight) {
        const Light& l = e.light;
        w.Key("light").I(l.type).F(l.color.x).F(l.color.y).F(l.color.z).F(l.color.w).F(l.intensity).F(l.range);
        w.F(l.spotAngle).F(l.spotSoftness).B(l.shadows).EndLine();
    }
    if (e.hasCamera) w.Key("camera").F(e.camera.fov).F(e.camera.nearPlane).F(e.camera.farPlane).EndLine();
    if (e.hasParticles) {
        const ParticleEmitter& p = e.emitter;
        w.Key("particles").B(p.playing).F(p.rate).F(p.lifetime).F(p.speed).F(p.startSize).F(p.endSize);
        w.F(p.startColor.x).F(p.startColor.y).F(p.startColor.z).F(p.startColor.w);
        w.F(p.endColor.x).F(p.endColor.y).F(p.endColor.z).F(p.endColor.w);
        w.F(p.gravity).F(p.coneAngle).I(p.maxParticles).B(p.spareFlag).B(p.burstPending).I(p.burstCount).EndLine();
        w.Key("particlefx").I(p.shape).I(p.blendMode).B(p.collision).B(p.prewarm).B(p.alignToVelocity);
        w.F(p.turbulence).F(p.drag).F(p.sizeRandomness).F(p.velocityRandomness).F(p.emissionRadius);
        w.F(p.orbitalVelocity).T(p.texture).EndLine();
    }
    if (e.hasLiquid) {
        const LiquidSurface& l = e.liquid;
        w.Key("liquid").I(l.liquidType).F(l.size).F(l.depth).F(l.waveHeight).F(l.waveScale).F(l.waveSpeed);
        w.F(l.flowX).F(l.flowZ).F(l.liquidColor.x).F(l.liquidColor.y).F(l.liquidColor.z).F(l.liquidColor.w);
        w.F(l.foam).F(l.viscosity).B(l.buoyancy).B(l.realtimeReflection).EndLine();
    }
    if (e.hasAudio) {
        const AudioSource& a = e.audio;
        w.Key("audio").T(a.clip).B(a.playOnAwake).B(a.loop).F(a.volume).F(a.pitch).F(a.spareLevel);
        w.F(a.minDistance).F(a.maxDistance).B(a.spareToggle).EndLine();
    }
    if (e.hasCanvas) {
        w.Key("canvas").I(e.canvas.width).I(e.canvas.height).F(e.canvas.spareScale).I(e.canvas.renderMode).EndLine();
    }
    if (e.hasUI) {
        const UIElement& u = e.ui;
        w.Key("ui").I(u.type).I(u.canvasId).I(u.fontSize).F(u.color.x).F(u.color.y).F(u.color.z).F(u.color.w);
        w.F(u.anchorMin[0]).F(u.anchorMin[1]).F(u.anchorMax[0]).F(u.anchorMax[1]);
        w.F(u.offsetMin[0]).F(u.offsetMin[1]).F(u.offsetMax[0]).F(u.offsetMax[1]).T(u.text).T(u.spareText).EndLine();
    }
    if (e.hasPrefab) w.Key("prefab").T(e.prefab.path).EndLine();
    w.Key("end").EndLine();
}

void WriteScene(SceneWriter& w) {
    w.Key(kSceneHeader).EndLine();
    w.Key("scene").F(g_ambientStrength).F(g_lightingExposure).I(g_viewMode).B(g_showGrid).B(g_snapGrid).EndLine();
    const EngineRenderSettings& g = g_engine;
    w.Key("engine");
    for (float v : g.skyTopColor) w.F(v);
    for (float v : g.skyHorizonColor) w.F(v);
    for (float v : g.fogColor) w.F(v);
    w.F(g.fogDensity).F(g.shadowSoftness).F(g.shadowDistance).F(g.bloomIntensity).F(g.ambientOcclusion).F(g.gravity);
    w.I(g.maxLights).I(g.physicsSubsteps).I(g.spareInt).EndLine();
    w.Key("scene_state").I(static_cast<long long>(g_ents.size())).I(g_selId).I(g_nextId).EndLine();
    for (const Entity& e : g_ents) WriteEntity(w, e);
    w.Flush();
}

const char* ErrText(int err) { return std::strerror(err ? err : EIO); }

}  // namespace

// ---- File handling ----------------------------------------------------------

void EnsureParentDirForFile(const char* path) {
    if (!path) return;
    std::string dir = PathDirname(path);
    if (!dir.empty()) MkdirP(dir);
}

bool FlushFileToDisk(FILE* f) {
    if (!f) return false;
    if (std::fflush(f) != 0 || std::ferror(f)) return false;
    if (SaveEnvSwitchSet("KORVANE_SAVE_FSYNC") && fsync(fileno(f)) != 0) return false;
    return true;
}

bool CopyFileBytesReliable(const char* src, const char* dst) {
    if (!src || !*src || !dst || !*dst) return false;
    FILE* in = std::fopen(src, "rb");
    if (!in) return false;
    EnsureParentDirForFile(dst);
    FILE* out = std::fopen(dst, "wb");
    if (!out) {
        std::fclose(in);
        return false;
    }
    std::unique_ptr<char[]> buf(new char[1 << 16]);
    bool ok = true;
    int err = 0;
    for (;;) {
        size_t n = std::fread(buf.get(), 1, 1 << 16, in);
        if (n > 0 && std::fwrite(buf.get(), 1, n, out) != n) {
            ok = false;
            err = errno;
            break;
        }
        if (n < (1 << 16)) break;
    }
    if (std::ferror(in)) {
        ok = false;
        if (!err) err = errno;
    }
    if (std::fflush(out) != 0 || std::ferror(out)) {
        if (ok) err = errno;
        ok = false;
    }
    std::fclose(in);
    if (std::fclose(out) != 0) {
        if (ok) err = errno;
        ok = false;
    }
    if (!ok) {
        std::remove(dst);  // never leave half a copy that looks like a backup
        errno = err ? err : EIO;
    }
    return ok;
}

bool ReplaceFileAtomicallyWithBackup(const char* tmp, const char* target, const char* backup) {
    if (!tmp || !target || !backup) return false;
    const char* env = std::getenv("KORVANE_SCENE_BACKUP");
    const bool backups = !(env && std::strcmp(env, "0") == 0);
    struct stat st;
    if (backups && stat(target, &st) == 0) {
        std::remove(backup);
        if (link(target, backup) != 0 && !CopyFileBytesReliable(target, backup)) {
            Log(3, "Scene backup failed: %s: %s", backup, std::strerror(errno ? errno : EIO));
            std::remove(backup);
        }
    }
    return std::rename(tmp, target) == 0;
}

namespace {

// The scene writer and its atomic replace: the open scene into path + ".tmp",
// then renamed over path (keeping the old file as ".bak" when withBackup).
// Logs the reason and returns false on failure.
bool WriteSceneFileAtomic(const char* path, bool withBackup) {
    if (!path || !*path) {
        Log(4, "Scene save failed: missing path");
        return false;
    }
    const size_t pathLen = std::strlen(path);
    if (pathLen >= sizeof g_scenePath) {
        Log(4, "Scene save failed: path too long (%zu bytes, limit %zu)", pathLen, sizeof g_scenePath - 1);
        return false;
    }
    EnsureParentDirForFile(path);
    const std::string tmp = std::string(path) + ".tmp";
    // No following a link someone left at the temporary name: it would
    // truncate whatever file it points to.
    const int fd = open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666);
    FILE* f = fd >= 0 ? fdopen(fd, "w") : nullptr;
    if (!f) {
        const int err = errno;
        if (fd >= 0) close(fd);
        Log(4, "Scene save failed: %s", std::strerror(err));
        return false;
    }
    std::unique_ptr<char[]> streamBuf(new char[kSaveBufferBytes]);
    std::setvbuf(f, streamBuf.get(), _IOFBF, kSaveBufferBytes);

    // Each failure records its own reason at the moment it happens, so the
    // message never shows an older error.
    std::string failure;
    {
        SceneWriter w(f);
        WriteScene(w);
        if (!w.ok()) failure = std::string("write error: ") + ErrText(w.err());
    }
    if (failure.empty() && !FlushFileToDisk(f)) failure = std::string("flush error: ") + ErrText(errno);
    if (std::fclose(f) != 0 && failure.empty()) failure = std::string("close error: ") + ErrText(errno);
    streamBuf.reset();

    if (failure.empty() && SaveEnvSwitchSet("KORVANE_SAVE_VERIFY") &&
        !SceneFileLooksComplete(tmp.c_str(), g_ents.size())) {
        Log(4, "Scene save failed: verification rejected temporary scene file");
        std::remove(tmp.c_str());
        return false;
    }
    if (failure.empty()) {
        errno = 0;
        bool replaced = false;
        if (withBackup) {
            const std::string backup = std::string(path) + ".bak";
            replaced = ReplaceFileAtomicallyWithBackup(tmp.c_str(), path, backup.c_str());
        } else {
            replaced = std::rename(tmp.c_str(), path) == 0;
        }
        if (!replaced) failure = std::string("could not replace ") + path + ": " + ErrText(errno);
    }
    if (!failure.empty()) {
        Log(4, "Scene save failed: %s", failure.c_str());
        std::remove(tmp.c_str());
        return false;
    }
    return true;
}

}  // namespace

bool SaveScene(const char* path) {
    // The scene in memory is the played one; the edited scene comes back at Stop.
    if (RefusedWhilePlaying("save the scene")) return false;
    if (!WriteSceneFileAtomic(path, true)) return false;

    const std::string previous = g_scenePath;
    std::memmove(g_scenePath, path, std::strlen(path) + 1);  // path may be g_scenePath itself
    g_sceneDirty = false;
    if (g_state == 2 && g_sceneSavedEditorStateHook) g_sceneSavedEditorStateHook();
    UpdateWindowTitle();
    Log(2, "Scene saved: %s (%zu entities)", g_scenePath, g_ents.size());
    if (g_sceneSavedHook) g_sceneSavedHook(g_scenePath, previous.c_str());
    return true;
}

bool SaveSceneCopy(const char* path) {
    if (RefusedWhilePlaying("save a copy of the scene")) return false;
    return WriteSceneFileAtomic(path, false);
}
