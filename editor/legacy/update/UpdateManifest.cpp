#include "editor/legacy/update/UpdateManifest.h"

#include <fcntl.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/params.h>

#include "editor/legacy/scene/Entity.h"

const char* const kKorvaneUpdatePublicKey =
    "BDtIFZh2DS/+Z1W9AnyOjUYkB31BKXjCer4SwUZE7F+lAGJPnWbz4WCEyAC7VAadr92p14aLGslojc7cqace0iA=";

KorvaneUpdateInfo g_korvaneUpdate;
char g_updateManifestUrl[1024] = "https://updates.korvane.invalid/korvane/latest.manifest";
bool g_showUpdateWindow = false;

namespace {

constexpr int kVersionPartMax = 999999999;

int Base64Value(unsigned char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

bool IsBlank(unsigned char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

struct PkeyFree {
    void operator()(EVP_PKEY* p) const { EVP_PKEY_free(p); }
};
struct PkeyCtxFree {
    void operator()(EVP_PKEY_CTX* p) const { EVP_PKEY_CTX_free(p); }
};
struct MdCtxFree {
    void operator()(EVP_MD_CTX* p) const { EVP_MD_CTX_free(p); }
};

} // namespace

void KorvaneCopyField(char* buffer, size_t size, const std::string& text) {
    CopyTextField(buffer, size, std::string_view(text));
}

bool KorvaneBase64Decode(const std::string& in, std::vector<unsigned char>& out) {
    out.clear();
    uint32_t acc = 0;
    int bits = 0;
    for (unsigned char c : in) {
        if (IsBlank(c)) continue;
        if (c == '=') break;
        const int v = Base64Value(c);
        if (v < 0) return false;
        acc = ((acc << 6) | uint32_t(v)) & 0xFFFFFFu;
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out.push_back(static_cast<unsigned char>((acc >> bits) & 0xFFu));
        }
    }
    return true;
}

std::vector<std::string> KorvaneSplitDot(const std::string& text) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (true) {
        size_t dot = text.find('.', start);
        if (dot == std::string::npos) {
            parts.push_back(text.substr(start));
            return parts;
        }
        parts.push_back(text.substr(start, dot - start));
        start = dot + 1;
    }
}

std::string KorvaneTrim(const std::string& text) {
    size_t b = 0, e = text.size();
    while (b < e && IsBlank(static_cast<unsigned char>(text[b]))) ++b;
    while (e > b && IsBlank(static_cast<unsigned char>(text[e - 1]))) --e;
    return text.substr(b, e - b);
}

bool KorvaneJsonGetString(const std::string& json, const char* key, std::string& out) {
    out.clear();
    if (!key) return false;
    const std::string quoted = std::string("\"") + key + "\"";
    size_t pos = json.find(quoted);
    if (pos == std::string::npos) return false;
    pos = json.find(':', pos + quoted.size());
    if (pos == std::string::npos) return false;
    ++pos;
    while (pos < json.size() && IsBlank(static_cast<unsigned char>(json[pos]))) ++pos;
    if (pos >= json.size() || json[pos] != '"') return false;
    for (++pos; pos < json.size(); ++pos) {
        const char c = json[pos];
        if (c == '"') return true;
        if (c == '\\') {
            if (++pos >= json.size()) break;
            switch (json[pos]) {
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            default: out += json[pos]; break;
            }
            continue;
        }
        out += c;
    }
    out.clear();
    return false;
}

int KorvaneVersionPart(const char*& cursor) {
    if (!cursor) return 0;
    auto digit = [](char c) { return c >= '0' && c <= '9'; };
    while (*cursor && !digit(*cursor)) ++cursor;
    int value = 0;
    while (digit(*cursor)) {
        const int digit = *cursor - '0';
        // Clamped: a part of a thousand digits compares as the largest one.
        value = value > (kVersionPartMax - digit) / 10 ? kVersionPartMax : value * 10 + digit;
        ++cursor;
    }
    if (*cursor == '.') ++cursor;
    return value;
}

bool KorvaneVersionGreater(const char* a, const char* b) {
    const char* ca = a ? a : "";
    const char* cb = b ? b : "";
    for (int i = 0; i < 4; ++i) {
        const int pa = KorvaneVersionPart(ca);
        const int pb = KorvaneVersionPart(cb);
        if (pa != pb) return pa > pb;
    }
    return false;
}

bool KorvaneVerifyECDSA_SHA256_X963(const char* publicKeyBase64, const unsigned char* message, size_t length,
                                    const std::vector<unsigned char>& signature, std::string& errorOut) {
    std::vector<unsigned char> key;
    if (!publicKeyBase64 || !KorvaneBase64Decode(publicKeyBase64, key) || key.size() != 65 || key[0] != 4) {
        errorOut = "Bad embedded public key. Regenerate and install the X9.63 public key.";
        return false;
    }
    std::unique_ptr<EVP_PKEY_CTX, PkeyCtxFree> keyCtx(EVP_PKEY_CTX_new_from_name(nullptr, "EC", nullptr));
    EVP_PKEY* raw = nullptr;
    char group[] = "prime256v1";
    OSSL_PARAM params[] = {
        OSSL_PARAM_construct_utf8_string(OSSL_PKEY_PARAM_GROUP_NAME, group, 0),
        OSSL_PARAM_construct_octet_string(OSSL_PKEY_PARAM_PUB_KEY, key.data(), key.size()),
        OSSL_PARAM_construct_end(),
    };
    // A point off the curve is refused here; any failure is a failure, never
    // a pass.
    if (!keyCtx || EVP_PKEY_fromdata_init(keyCtx.get()) != 1 ||
        EVP_PKEY_fromdata(keyCtx.get(), &raw, EVP_PKEY_PUBLIC_KEY, params) != 1 || !raw) {
        EVP_PKEY_free(raw);
        errorOut = "Could not create Security.framework public key.";
        return false;
    }
    std::unique_ptr<EVP_PKEY, PkeyFree> pkey(raw);
    std::unique_ptr<EVP_MD_CTX, MdCtxFree> md(EVP_MD_CTX_new());
    const unsigned char empty = 0;
    if (!md || EVP_DigestVerifyInit(md.get(), nullptr, EVP_sha256(), nullptr, pkey.get()) != 1 ||
        EVP_DigestVerify(md.get(), signature.empty() ? &empty : signature.data(), signature.size(),
                         message ? message : &empty, length) != 1) {
        errorOut = "Signature verification failed.";
        return false;
    }
    errorOut.clear();
    return true;
}

bool KorvaneVerifySignedBlob(const std::string& blob, const char* prefix, const char* publicKeyBase64,
                             std::string& payloadOut, std::string& errorOut) {
    payloadOut.clear();
    const std::string pre = prefix ? prefix : "";
    const std::vector<std::string> parts = KorvaneSplitDot(KorvaneTrim(blob));
    if (parts.size() != 3 || parts[0] != pre) {
        errorOut = "Expected " + pre + ".<payload>.<signature>.";
        return false;
    }
    std::vector<unsigned char> payload, signature;
    if (!KorvaneBase64Decode(parts[1], payload)) {
        errorOut = "Payload is not valid base64.";
        return false;
    }
    if (!KorvaneBase64Decode(parts[2], signature)) {
        errorOut = "Signature is not valid base64.";
        return false;
    }
    if (payload.empty() || signature.empty()) {
        errorOut = "Payload or signature is empty.";
        return false;
    }
    if (!KorvaneVerifyECDSA_SHA256_X963(publicKeyBase64, payload.data(), payload.size(), signature, errorOut))
        return false;
    payloadOut.assign(reinterpret_cast<const char*>(payload.data()), payload.size());
    return true;
}

bool KorvaneParseUpdateManifest(const std::string& manifest, KorvaneUpdateInfo& info, const char* publicKeyBase64) {
    KorvaneUpdateInfo fresh;
    fresh.checked = true;
    std::string payload, error;
    if (!KorvaneVerifySignedBlob(manifest, kKorvaneUpdatePrefix, publicKeyBase64, payload, error)) {
        KorvaneCopyField(fresh.status, sizeof fresh.status, error);
        info = fresh;
        return false;
    }
    std::string version, url, sha, notes;
    KorvaneJsonGetString(payload, "version", version);
    KorvaneJsonGetString(payload, "url", url);
    KorvaneJsonGetString(payload, "sha256", sha);
    KorvaneJsonGetString(payload, "notes", notes);
    // A value that does not fit its field would be a different value; the
    // digest is checked for hexadecimal digits as well as its length.
    const bool shaHex = sha.size() == 64 && sha.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos;
    if (version.empty() || url.empty() || !shaHex || version.size() >= sizeof fresh.version ||
        url.size() >= sizeof fresh.url) {
        KorvaneCopyField(fresh.status, sizeof fresh.status, "Signed update manifest is missing version, URL, or SHA-256.");
        info = fresh;
        return false;
    }
    KorvaneCopyField(fresh.version, sizeof fresh.version, version);
    KorvaneCopyField(fresh.url, sizeof fresh.url, url);
    KorvaneCopyField(fresh.sha256, sizeof fresh.sha256, sha);
    KorvaneCopyField(fresh.notes, sizeof fresh.notes, notes);
    fresh.available = KorvaneVersionGreater(fresh.version, kKorvaneAppVersion);
    KorvaneCopyField(fresh.status, sizeof fresh.status,
                     fresh.available ? "A signed update is available." : "You are already on the latest signed version.");
    info = fresh;
    return true;
}

bool KorvaneFileSHA256Hex(const std::string& path, std::string& out) {
    out.clear();
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    std::unique_ptr<EVP_MD_CTX, MdCtxFree> md(EVP_MD_CTX_new());
    if (!md || EVP_DigestInit_ex(md.get(), EVP_sha256(), nullptr) != 1) {
        ::close(fd);
        return false;
    }
    std::vector<unsigned char> buf(1 << 20);
    bool ok = true;
    while (true) {
        ssize_t n = ::read(fd, buf.data(), buf.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            ok = false;
            break;
        }
        if (n == 0) break;
        if (EVP_DigestUpdate(md.get(), buf.data(), size_t(n)) != 1) {
            ok = false;
            break;
        }
    }
    ::close(fd);
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int len = 0;
    if (!ok || EVP_DigestFinal_ex(md.get(), digest, &len) != 1) return false;
    static const char hex[] = "0123456789abcdef";
    for (unsigned int i = 0; i < len; ++i) {
        out += hex[digest[i] >> 4];
        out += hex[digest[i] & 15];
    }
    return true;
}

std::string KorvaneDownloadsDir() {
    const char* home = std::getenv("HOME");
    return std::string(home && home[0] ? home : ".") + "/Downloads";
}

bool KorvaneVersionUsableInFileName(const char* version) {
    if (!version) return false;
    const size_t n = std::strlen(version);
    if (n < 1 || n > 32 || std::strstr(version, "..")) return false;
    for (size_t i = 0; i < n; ++i) {
        const unsigned char c = static_cast<unsigned char>(version[i]);
        const bool alnum = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
        if (!alnum && c != '.' && c != '_' && c != '+' && c != '-') return false;
    }
    return true;
}

std::string KorvaneUpdateFileName(const char* version) { return std::string("Korvane-") + (version ? version : "") + ".update"; }
