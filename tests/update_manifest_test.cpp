// Signed update manifests: the text helpers (base64, split, trim, JSON
// strings, versions), the signature check with keys made at test time, the
// manifest parser's messages, hashing, the file-name rule, and one manifest
// signed by scripts/sign-update.sh itself.

#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "editor/legacy/platform/Spawn.h"
#include "editor/legacy/update/UpdateManifest.h"
#include "tests/support/TempTree.h"
#include "tests/support/UpdateSigning.h"

namespace {

using korvane::test::Base64;
using korvane::test::TempTree;
using korvane::test::TestSigner;
using korvane::test::UpdateJson;

const std::string kSha(64, 'a');

std::string Bytes(const std::vector<unsigned char>& v) { return std::string(v.begin(), v.end()); }

TEST(UpdateText, Base64Table) {
    struct Case {
        const char* in;
        bool ok;
        std::string out;
    } cases[] = {
        {"", true, ""},
        {"TWFu", true, "Man"},
        {"TWE=", true, "Ma"},
        {"TQ==", true, "M"},
        {"TW\nFu\r\n IA\t==", true, "Man "},   // white space skipped
        {"TWFu=garbage!", true, "Man"},        // stops at the first "="
        {"TW-u", false, ""},                   // URL-safe minus refused
        {"TW_u", false, ""},                   // URL-safe underscore refused
        {"TW*u", false, ""},
        {"/+/+", true, std::string("\xff\xef\xfe", 3)},
        {"TWF", true, "Ma"},                   // leftover bits dropped
    };
    for (const Case& c : cases) {
        std::vector<unsigned char> out = {1, 2, 3};
        EXPECT_EQ(KorvaneBase64Decode(c.in, out), c.ok) << c.in;
        if (c.ok) {
            EXPECT_EQ(Bytes(out), c.out) << c.in;
        }
    }
}

TEST(UpdateText, SplitAndTrim) {
    using V = std::vector<std::string>;
    EXPECT_EQ(KorvaneSplitDot("a.b.c"), (V{"a", "b", "c"}));
    EXPECT_EQ(KorvaneSplitDot("a..c"), (V{"a", "", "c"}));
    EXPECT_EQ(KorvaneSplitDot(".x."), (V{"", "x", ""}));
    EXPECT_EQ(KorvaneSplitDot(""), (V{""}));
    EXPECT_EQ(KorvaneTrim(" \t\n\v\f\rab c\r\n "), "ab c");
    EXPECT_EQ(KorvaneTrim(" \n "), "");
    EXPECT_EQ(KorvaneTrim("x"), "x");
}

TEST(UpdateText, JsonStringTable) {
    struct Case {
        const char* json;
        const char* key;
        bool ok;
        const char* out;
    } cases[] = {
        {"{\"version\": \"1.2\"}", "version", true, "1.2"},
        {"{\"version\":\"1.2\"}", "version", true, "1.2"},
        {"{\"notes\": \"say \\\"hi\\\"\\n\\ttab\\\\ \\/x\"}", "notes", true, "say \"hi\"\n\ttab\\ /x"},
        {"{\"version\": 12}", "version", false, ""},
        {"{\"version\": \"open", "version", false, ""},
        {"{\"other\": \"x\"}", "version", false, ""},
        {"{\"version\" \"x\"}", "version", false, ""},
        {"{\"a\": \"\", \"b\": \"2\"}", "a", true, ""},
    };
    for (const Case& c : cases) {
        std::string out = "stale";
        EXPECT_EQ(KorvaneJsonGetString(c.json, c.key, out), c.ok) << c.json;
        if (c.ok) {
            EXPECT_EQ(out, c.out) << c.json;
        }
    }
}

TEST(UpdateText, VersionComparisonTable) {
    struct Case {
        const char* a;
        const char* b;
        bool greater;
    } cases[] = {
        {"1.0.1", "1.0.0", true},    {"1.0.0", "1.0.1", false}, {"v2", "1.9.9", true},
        {"1.0", "1.0.0", false},     {"1.0.0", "1.0", false},   {"1.0.0.1", "1.0.0", true},
        {"1.0.0.0.9", "1.0.0", false},  // parts after the fourth are ignored
        {"1.10.0", "1.9.0", true},   {"", "0", false},          {"2", "", true},
        // Huge parts are clamped instead of overflowing into negatives.
        {"99999999999999999999.0", "1.0", true},
        {"1.0", "99999999999999999999.0", false},
    };
    for (const Case& c : cases) EXPECT_EQ(KorvaneVersionGreater(c.a, c.b), c.greater) << c.a << " vs " << c.b;
    const char* cursor = "x12.7";
    EXPECT_EQ(KorvaneVersionPart(cursor), 12);
    EXPECT_EQ(KorvaneVersionPart(cursor), 7);
    EXPECT_EQ(KorvaneVersionPart(cursor), 0);
}

TEST(UpdateText, FileNameRuleAndDownloadsDir) {
    static const std::string longest(32, '9');
    struct Case {
        const char* version;
        bool ok;
    } cases[] = {
        {"1.2.3", true},          {"2.0.0-rc1+build_7", true}, {"", false},
        {"../../etc/x", false},   {"1..2", false},             {"a/b", false},
        {"1 2", false},           {"1.2\n", false},            {longest.c_str(), true},
    };
    for (const Case& c : cases) EXPECT_EQ(KorvaneVersionUsableInFileName(c.version), c.ok) << c.version;
    EXPECT_FALSE(KorvaneVersionUsableInFileName(std::string(33, '9').c_str()));
    EXPECT_EQ(KorvaneUpdateFileName("1.2"), "Korvane-1.2.update");

    const char* old = std::getenv("HOME");
    const std::string keep = old ? old : "";
    setenv("HOME", "/home/someone", 1);
    EXPECT_EQ(KorvaneDownloadsDir(), "/home/someone/Downloads");
    setenv("HOME", "", 1);
    EXPECT_EQ(KorvaneDownloadsDir(), "./Downloads");
    unsetenv("HOME");
    EXPECT_EQ(KorvaneDownloadsDir(), "./Downloads");
    if (old) setenv("HOME", keep.c_str(), 1);
}

TEST(UpdateText, FileHash) {
    TempTree tmp;
    std::string out;
    EXPECT_TRUE(KorvaneFileSHA256Hex(tmp.Write("abc", "abc"), out));
    EXPECT_EQ(out, "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_TRUE(KorvaneFileSHA256Hex(tmp.Write("empty", ""), out));
    EXPECT_EQ(out, "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_FALSE(KorvaneFileSHA256Hex(tmp / "missing", out));
}

TEST(UpdateSignature, CasesWithKeysMadeAtTestTime) {
    TestSigner key, other;
    ASSERT_EQ(key.PublicKey().size(), 88u);
    const std::string payload = UpdateJson("1.2.0", "http://h/p", kSha);
    const std::string sig = key.Sign(payload);
    auto verify = [&](const std::string& message, const std::string& signature, const std::string& pub) {
        std::string err = "stale";
        std::vector<unsigned char> s(signature.begin(), signature.end());
        bool ok = KorvaneVerifyECDSA_SHA256_X963(pub.c_str(), reinterpret_cast<const unsigned char*>(message.data()),
                                                 message.size(), s, err);
        if (ok) {
            EXPECT_EQ(err, "");
        }
        return std::make_pair(ok, err);
    };
    std::string flipped = payload;
    flipped[10] ^= 1;
    // Two payloads that share their first 32 bytes: a check that looked only
    // at a 32-byte prefix would accept A's signature on B.
    const std::string a = std::string(32, 'k') + "A-tail", b = std::string(32, 'k') + "B-tail";
    std::string offCurve = std::string(1, '\x04') + std::string(64, '\x01');
    const std::string failed = "Signature verification failed.";
    const std::string badKey = "Bad embedded public key. Regenerate and install the X9.63 public key.";
    const std::string noKey = "Could not create Security.framework public key.";
    struct Case {
        const char* what;
        std::string message, signature, pub;
        bool ok;
        std::string error;
    } cases[] = {
        {"good", payload, sig, key.PublicKey(), true, ""},
        {"signature over the base64 text", payload, key.Sign(Base64(payload)), key.PublicKey(), false, failed},
        {"one payload byte flipped", flipped, sig, key.PublicKey(), false, failed},
        {"another key", payload, sig, other.PublicKey(), false, failed},
        {"truncated DER", payload, sig.substr(0, sig.size() - 3), key.PublicKey(), false, failed},
        {"trailing bytes after the DER", payload, sig + std::string("\0\0", 2), key.PublicKey(), false, failed},
        {"garbage signature", payload, std::string(70, '\x5a'), key.PublicKey(), false, failed},
        {"shared 32-byte prefix", b, key.Sign(a), key.PublicKey(), false, failed},
        {"empty payload", "", sig, key.PublicKey(), false, failed},
        {"key not base64", payload, sig, "not*base64", false, badKey},
        {"key of 64 bytes", payload, sig, Base64(std::string(64, '\x04')), false, badKey},
        {"key without the 0x04 lead", payload, sig, Base64(std::string(65, '\x02')), false, badKey},
        {"point off the curve", payload, sig, Base64(offCurve), false, noKey},
    };
    for (const Case& c : cases) {
        auto [ok, err] = verify(c.message, c.signature, c.pub);
        EXPECT_EQ(ok, c.ok) << c.what;
        EXPECT_EQ(err, c.error) << c.what;
    }
    std::string err;
    EXPECT_FALSE(KorvaneVerifyECDSA_SHA256_X963(nullptr, nullptr, 0, {}, err));
    EXPECT_EQ(err, badKey);
}

TEST(UpdateSignature, BlobShapeTable) {
    TestSigner key;
    const std::string json = UpdateJson("1.2.0", "http://h/p", kSha);
    const std::string good = key.Manifest(json);
    const std::string expected = "Expected KORVANE-UPDATE-v1.<payload>.<signature>.";
    struct Case {
        const char* what;
        std::string blob;
        bool ok;
        std::string error;
    } cases[] = {
        {"good", good, true, ""},
        {"surrounding white space", " \n" + good + "\r\n\t", true, ""},
        {"a fourth part", good + ".extra", false, expected},
        {"two parts", "KORVANE-UPDATE-v1." + Base64(json), false, expected},
        {"wrong prefix", key.Manifest(json, "KORVANE-UPDATE-v2"), false, expected},
        {"prefix in another case", key.Manifest(json, "korvane-update-v1"), false, expected},
        {"payload not base64", "KORVANE-UPDATE-v1.a*b." + Base64(key.Sign(json)), false, "Payload is not valid base64."},
        {"signature not base64", "KORVANE-UPDATE-v1." + Base64(json) + ".#", false, "Signature is not valid base64."},
        {"empty payload", "KORVANE-UPDATE-v1.." + Base64(key.Sign("")), false, "Payload or signature is empty."},
        {"empty signature", "KORVANE-UPDATE-v1." + Base64(json) + ".", false, "Payload or signature is empty."},
    };
    for (const Case& c : cases) {
        std::string payload = "stale", err;
        EXPECT_EQ(KorvaneVerifySignedBlob(c.blob, kKorvaneUpdatePrefix, key.PublicKey().c_str(), payload, err), c.ok)
            << c.what;
        EXPECT_EQ(err, c.error) << c.what;
        EXPECT_EQ(payload, c.ok ? json : "") << c.what;
    }
}

TEST(UpdateManifest, ParserMessagesAndAvailability) {
    TestSigner key;
    const std::string missing = "Signed update manifest is missing version, URL, or SHA-256.";
    struct Case {
        const char* what;
        std::string json;
        bool ok, available;
        std::string status;
    } cases[] = {
        {"newer", UpdateJson("1.0.1", "http://h/p", kSha, "n"), true, true, "A signed update is available."},
        {"four parts newer", UpdateJson("1.0.0.1", "http://h/p", kSha), true, true, "A signed update is available."},
        {"same", UpdateJson("1.0.0", "http://h/p", kSha), true, false, "You are already on the latest signed version."},
        {"same, short form", UpdateJson("1.0", "http://h/p", kSha), true, false,
         "You are already on the latest signed version."},
        {"upper-case digest", UpdateJson("2.0", "http://h/p", std::string(64, 'F')), true, true,
         "A signed update is available."},
        {"digest of 63", UpdateJson("2.0", "http://h/p", std::string(63, 'a')), false, false, missing},
        {"digest of 65", UpdateJson("2.0", "http://h/p", std::string(65, 'a')), false, false, missing},
        {"digest not hexadecimal", UpdateJson("2.0", "http://h/p", std::string(64, 'z')), false, false, missing},
        {"no version", UpdateJson("", "http://h/p", kSha), false, false, missing},
        {"no url", "{\"version\": \"2.0\", \"sha256\": \"" + kSha + "\"}", false, false, missing},
        {"url too long for its field", UpdateJson("2.0", "http://h/" + std::string(1100, 'u'), kSha), false, false,
         missing},
    };
    for (const Case& c : cases) {
        KorvaneUpdateInfo info;
        info.available = true;  // replaced as a whole
        KorvaneCopyField(info.version, sizeof info.version, "stale");
        EXPECT_EQ(KorvaneParseUpdateManifest(key.Manifest(c.json), info, key.PublicKey().c_str()), c.ok) << c.what;
        EXPECT_TRUE(info.checked) << c.what;
        EXPECT_EQ(info.available, c.available) << c.what;
        EXPECT_EQ(std::string(info.status), c.status) << c.what;
        if (!c.ok) {
            EXPECT_STREQ(info.version, "") << c.what;
            EXPECT_STREQ(info.url, "") << c.what;
        }
    }
    KorvaneUpdateInfo info;
    ASSERT_TRUE(KorvaneParseUpdateManifest(key.Manifest(UpdateJson("3.1", "http://h/p", kSha, "say \\\"hi\\\"")), info,
                                           key.PublicKey().c_str()));
    EXPECT_STREQ(info.version, "3.1");
    EXPECT_STREQ(info.notes, "say \"hi\"");
    // The compiled-in key does not accept a manifest signed by another key.
    EXPECT_FALSE(KorvaneParseUpdateManifest(key.Manifest(UpdateJson("3.1", "http://h/p", kSha)), info));
    EXPECT_STREQ(info.status, "Signature verification failed.");
    EXPECT_EQ(std::string(kKorvaneUpdatePublicKey).size(), 88u);
}

TEST(UpdateManifest, ManifestSignedByTheReleaseScriptVerifies) {
    TempTree tmp;
    const std::string script = std::string(KORVANE_SOURCE_DIR) + "/scripts/sign-update.sh";
    const std::string keyPath = tmp / "release.pem";
    const std::string package = tmp.Write("Korvane.update", "package bytes\n");
    SpawnOptions opt;
    opt.captureStdout = true;
    opt.timeoutSeconds = 60;
    ASSERT_TRUE(RunProcess({script, "new-key", keyPath}, opt).Succeeded());
    ProcessRunResult pub = RunProcess({script, "public-key", keyPath}, opt);
    ASSERT_TRUE(pub.Succeeded());
    const std::string publicKey = KorvaneTrim(pub.out);
    ASSERT_EQ(publicKey.size(), 88u);
    ProcessRunResult signedRun =
        RunProcess({script, "sign", keyPath, "1.4.2", "https://example.invalid/K 1.4.2.update", package,
                    "Fixes \"quotes\"\nand lines"},
                   opt);
    ASSERT_TRUE(signedRun.Succeeded()) << signedRun.err;
    KorvaneUpdateInfo info;
    ASSERT_TRUE(KorvaneParseUpdateManifest(signedRun.out, info, publicKey.c_str())) << info.status;
    EXPECT_TRUE(info.available);
    EXPECT_STREQ(info.version, "1.4.2");
    EXPECT_STREQ(info.url, "https://example.invalid/K 1.4.2.update");
    EXPECT_STREQ(info.notes, "Fixes \"quotes\"\nand lines");
    std::string digest;
    ASSERT_TRUE(KorvaneFileSHA256Hex(package, digest));
    EXPECT_EQ(std::string(info.sha256), digest);
    // The script refuses to replace a key and to sign a version that could
    // not stand in a file name.
    EXPECT_FALSE(RunProcess({script, "new-key", keyPath}, opt).Succeeded());
    EXPECT_FALSE(RunProcess({script, "sign", keyPath, "../x", "u", package}, opt).Succeeded());
}

} // namespace
