#pragma once
// Signed software updates, the pure part: the update record, the signed
// manifest ("KORVANE-UPDATE-v1.<base64 JSON>.<base64 DER ECDSA P-256>"), the
// signature check against the public key compiled into the program, and the
// small text, JSON, version and hashing helpers. No network and no threads
// here (UpdateJob.h runs the transfers).
//
//   KorvaneUpdateInfo g_korvaneUpdate      the last check's result
//   KorvaneParseUpdateManifest             verify + read a manifest into a record
//   KorvaneVerifySignedBlob                shape, base64, then the signature
//   KorvaneVerifyECDSA_SHA256_X963         OpenSSL libcrypto verification
//   KorvaneBase64Decode KorvaneSplitDot KorvaneTrim KorvaneJsonGetString
//   KorvaneVersionPart KorvaneVersionGreater
//   KorvaneFileSHA256Hex KorvaneDownloadsDir KorvaneUpdateFileName

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

constexpr const char* kKorvaneAppVersion = "1.0.0";
constexpr const char* kKorvaneUpdatePrefix = "KORVANE-UPDATE-v1";
// The release signing key's public half: base64 of the 65-byte uncompressed
// P-256 point. The private half never enters the repository (see README).
extern const char* const kKorvaneUpdatePublicKey;

struct KorvaneUpdateInfo {
    bool checked = false;
    bool available = false;
    char version[64] = "";
    char url[1024] = "";
    char sha256[80] = "";
    char notes[1024] = "";
    char status[1024] = "No update check has run yet.";
};

extern KorvaneUpdateInfo g_korvaneUpdate;
extern char g_updateManifestUrl[1024];
extern bool g_showUpdateWindow;

// Copies at most size - 1 bytes (never cutting a UTF-8 sequence) and always
// terminates.
void KorvaneCopyField(char* buffer, size_t size, const std::string& text);

// Verifies manifest against publicKeyBase64 and fills info: a fresh record
// with checked set, the four values and availability on success, the error
// in status otherwise. Returns true when it verified and named every value.
bool KorvaneParseUpdateManifest(const std::string& manifest, KorvaneUpdateInfo& info,
                                const char* publicKeyBase64 = kKorvaneUpdatePublicKey);

bool KorvaneVerifySignedBlob(const std::string& blob, const char* prefix, const char* publicKeyBase64,
                             std::string& payloadOut, std::string& errorOut);
// Only an OpenSSL verification result of exactly 1 passes.
bool KorvaneVerifyECDSA_SHA256_X963(const char* publicKeyBase64, const unsigned char* message, size_t length,
                                    const std::vector<unsigned char>& signature, std::string& errorOut);

// Standard alphabet; white space skipped; stops at the first "="; any other
// character outside the alphabet fails. Leftover bits are dropped.
bool KorvaneBase64Decode(const std::string& in, std::vector<unsigned char>& out);
std::vector<std::string> KorvaneSplitDot(const std::string& text);
std::string KorvaneTrim(const std::string& text);
bool KorvaneJsonGetString(const std::string& json, const char* key, std::string& out);

// Skips non-digits, reads digits (clamped, never overflowing), skips one ".".
int KorvaneVersionPart(const char*& cursor);
// Compares the first four parts.
bool KorvaneVersionGreater(const char* a, const char* b);

// Lower-case hex SHA-256 of a file's bytes; false when it cannot be read.
bool KorvaneFileSHA256Hex(const std::string& path, std::string& out);
// $HOME (or "." when unset or empty) + "/Downloads".
std::string KorvaneDownloadsDir();
// True when version may become part of a file name: 1 to 32 characters of
// [A-Za-z0-9._+-], no "..".
bool KorvaneVersionUsableInFileName(const char* version);
// "Korvane-<version>.update".
std::string KorvaneUpdateFileName(const char* version);
