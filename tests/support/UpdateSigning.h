#pragma once
// A P-256 signing key made at test time, for update manifests: its public
// point in the program's base64 X9.63 form, DER signatures over bytes, and
// whole "KORVANE-UPDATE-v1.<payload>.<signature>" manifests. Header only.

#include <openssl/core_names.h>
#include <openssl/ec.h>
#include <openssl/evp.h>

#include <string>
#include <vector>

namespace korvane::test {

inline std::string Base64(const std::string& bytes) {
    std::string out(4 * ((bytes.size() + 2) / 3) + 1, '\0');
    int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                            reinterpret_cast<const unsigned char*>(bytes.data()), int(bytes.size()));
    out.resize(size_t(n));
    return out;
}

class TestSigner {
public:
    TestSigner() {
        key_ = EVP_EC_gen("P-256");
        unsigned char point[128];
        size_t len = 0;
        if (key_ && EVP_PKEY_get_octet_string_param(key_, OSSL_PKEY_PARAM_ENCODED_PUBLIC_KEY, point, sizeof point,
                                                    &len) == 1)
            publicKey_ = Base64(std::string(reinterpret_cast<char*>(point), len));
    }
    ~TestSigner() { EVP_PKEY_free(key_); }
    TestSigner(const TestSigner&) = delete;
    TestSigner& operator=(const TestSigner&) = delete;

    const std::string& PublicKey() const { return publicKey_; }

    // DER-encoded ECDSA signature over the bytes, SHA-256.
    std::string Sign(const std::string& bytes) const {
        EVP_MD_CTX* md = EVP_MD_CTX_new();
        std::string sig;
        size_t len = 0;
        if (EVP_DigestSignInit(md, nullptr, EVP_sha256(), nullptr, key_) == 1 &&
            EVP_DigestSign(md, nullptr, &len, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()) == 1) {
            sig.resize(len);
            if (EVP_DigestSign(md, reinterpret_cast<unsigned char*>(sig.data()), &len,
                               reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()) == 1)
                sig.resize(len);
            else
                sig.clear();
        }
        EVP_MD_CTX_free(md);
        return sig;
    }

    std::string Manifest(const std::string& json, const char* prefix = "KORVANE-UPDATE-v1") const {
        return std::string(prefix) + "." + Base64(json) + "." + Base64(Sign(json));
    }

private:
    EVP_PKEY* key_ = nullptr;
    std::string publicKey_;
};

inline std::string UpdateJson(const std::string& version, const std::string& url, const std::string& sha,
                              const std::string& notes = "") {
    return "{\"version\": \"" + version + "\", \"url\": \"" + url + "\", \"sha256\": \"" + sha +
           "\", \"notes\": \"" + notes + "\"}";
}

} // namespace korvane::test
