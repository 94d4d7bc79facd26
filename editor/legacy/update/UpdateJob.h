#pragma once
// Signed software updates, the transfers: the manifest check and the
// verified download run on one worker thread while the editor keeps
// drawing; the main thread starts them and takes their results over.
//
//   KorvaneCheckForUpdatesNow()        opens the window, starts a check
//   KorvaneDownloadVerifiedUpdateNow() starts the download of an available update
//   PollUpdateJob()                    main thread, every frame: hands a finished
//                                      result to g_korvaneUpdate (reveals a
//                                      verified download)
//   UpdateJobRunning / UpdateJobKind / UpdateDownloadReceivedBytes   for the window
//   ShutdownUpdateJob()                cancels and joins (every exit path)
//   RunUpdateCheck / RunUpdateDownload the transfers themselves, synchronous
//   g_updateSettings                   program, limits, key, reveal (tests change them)
//
// curl runs through the spawn helper with an argument vector: redirects
// followed, HTTP errors fail, http and https only, the time limits below.

#include <atomic>
#include <cstddef>
#include <string>

#include "editor/legacy/update/UpdateManifest.h"

struct UpdateSettings {
    std::string curlProgram = "/usr/bin/curl";
    double manifestTimeoutSeconds = 20.0;
    double downloadTimeoutSeconds = 600.0;
    size_t manifestLimitBytes = 2097152;
    const char* publicKeyBase64 = kKorvaneUpdatePublicKey;
    // Reveals a verified download in the file browser (OpenPath).
    bool (*reveal)(const char* path, bool reveal) = nullptr;
};
extern UpdateSettings g_updateSettings;

// The manifest at url, verified: the new record. A failed transfer keeps the
// previous record's values and changes only checked and status.
KorvaneUpdateInfo RunUpdateCheck(const KorvaneUpdateInfo& previous, const std::string& url,
                                 const UpdateSettings& settings, const std::atomic<bool>* cancel);

struct UpdateDownloadOutcome {
    bool verified = false;   // the package is at target and its digest matched
    std::string target;      // downloadsDir + "/Korvane-<version>.update"
    std::string status;      // the window's message
};
// Downloads info's package into a temporary sibling of the target in
// downloadsDir (made when missing), hashes it and renames it over the target
// only when the digest matches; every failure removes the temporary file. A
// version that cannot stand in a file name is refused before any transfer.
// partialPath names the temporary file (empty: a fresh sibling name).
UpdateDownloadOutcome RunUpdateDownload(const KorvaneUpdateInfo& info, const std::string& downloadsDir,
                                        const UpdateSettings& settings, const std::atomic<bool>* cancel,
                                        const std::string& partialPath = std::string());
// downloadsDir + "/Korvane-<version>.update", or "" for an unusable version.
std::string UpdateDownloadTarget(const KorvaneUpdateInfo& info, const std::string& downloadsDir);

enum class UpdateJob { None = 0, Check = 1, Download = 2 };

// KORVANE_UPDATE_URL, when set and non-empty, replaces the manifest address
// (a value too long for the field is refused with an error in the log).
void ApplyUpdateUrlFromEnvironment();

void KorvaneCheckForUpdatesNow();
void KorvaneDownloadVerifiedUpdateNow();
void PollUpdateJob();
bool UpdateJobRunning();
UpdateJob UpdateJobKind();
// Bytes of the package received so far (-1 when no download runs).
long long UpdateDownloadReceivedBytes();
// Seconds since the running job started (0 when none runs).
double UpdateJobElapsedSeconds();
void ShutdownUpdateJob();
