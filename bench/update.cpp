// Update verification costs: SHA-256 of a 256 MiB package through the
// download's own hashing, against the openssl command over the same file in
// the same run (baseline), and one ECDSA P-256 signature check of a
// manifest-sized payload.

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <openssl/ec.h>
#include <openssl/core_names.h>
#include <openssl/evp.h>

#include "editor/legacy/platform/Spawn.h"
#include "editor/legacy/update/UpdateManifest.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double, std::milli>(b - a).count(); }

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

std::string Base64(const unsigned char* p, size_t n) {
    std::string out(4 * ((n + 2) / 3) + 1, '\0');
    out.resize(size_t(EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()), p, int(n))));
    return out;
}

} // namespace

int main() {
    char dirTemplate[] = "/tmp/korvane_bench_update_XXXXXX";
    const char* dir = mkdtemp(dirTemplate);
    if (!dir) return 1;
    const std::string file = std::string(dir) + "/package.bin";
    {
        int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        std::vector<unsigned char> block(1 << 20);
        for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<unsigned char>(i * 2654435761u >> 13);
        for (int i = 0; i < 256; ++i) {
            block[0] = static_cast<unsigned char>(i);
            if (::write(fd, block.data(), block.size()) != ssize_t(block.size())) return 1;
        }
        ::close(fd);
    }
    std::vector<double> ours, theirs;
    std::string digest;
    SpawnOptions opt;
    opt.captureStdout = true;
    for (int round = 0; round < 5; ++round) {
        // Alternate which runs first, so the page cache favours neither.
        for (int which = 0; which < 2; ++which) {
            const bool oursNow = (round + which) % 2 == 0;
            auto t0 = Clock::now();
            if (oursNow) {
                if (!KorvaneFileSHA256Hex(file, digest)) return 1;
            } else {
                if (!RunProcess({"openssl", "dgst", "-sha256", file}, opt).Succeeded()) return 1;
            }
            (oursNow ? ours : theirs).push_back(Ms(t0, Clock::now()));
        }
    }
    std::printf("sha256_256mb_ms %.1f ms\n", Median(ours));
    std::printf("openssl_dgst_256mb_ms %.1f ms\n", Median(theirs));
    ::unlink(file.c_str());
    ::rmdir(dir);

    // One verification of a manifest-sized payload with a fresh key.
    EVP_PKEY* key = EVP_EC_gen("P-256");
    unsigned char point[128];
    size_t pointLen = 0;
    EVP_PKEY_get_octet_string_param(key, OSSL_PKEY_PARAM_ENCODED_PUBLIC_KEY, point, sizeof point, &pointLen);
    const std::string pub = Base64(point, pointLen);
    const std::string payload(400, 'j');
    EVP_MD_CTX* md = EVP_MD_CTX_new();
    std::vector<unsigned char> sig(128);
    size_t sigLen = sig.size();
    EVP_DigestSignInit(md, nullptr, EVP_sha256(), nullptr, key);
    EVP_DigestSign(md, sig.data(), &sigLen, reinterpret_cast<const unsigned char*>(payload.data()), payload.size());
    sig.resize(sigLen);
    EVP_MD_CTX_free(md);
    std::vector<double> verify;
    std::string err;
    for (int i = 0; i < 2000; ++i) {
        auto t0 = Clock::now();
        const bool ok = KorvaneVerifyECDSA_SHA256_X963(pub.c_str(), reinterpret_cast<const unsigned char*>(payload.data()),
                                                       payload.size(), sig, err);
        verify.push_back(Ms(t0, Clock::now()) * 1000.0);
        if (!ok) return 1;
    }
    EVP_PKEY_free(key);
    std::printf("ecdsa_verify_us %.1f us\n", Median(verify));
    return 0;
}
