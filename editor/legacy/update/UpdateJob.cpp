#include "editor/legacy/update/UpdateJob.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>

#include "editor/legacy/base/AtomicFile.h"
#include "editor/legacy/base/EditorLog.h"
#include "editor/legacy/base/ProjectPaths.h"
#include "editor/legacy/platform/OpenPath.h"
#include "editor/legacy/platform/Spawn.h"

UpdateSettings g_updateSettings;

namespace {

const char* const kNoManifest = "Could not download update manifest. Check the URL/network.";

std::string SecondsArg(double s) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", s > 0.0 ? s : 1.0);
    return buf;
}

// The common options: follow redirects, fail on HTTP errors without writing
// the error page, quiet but for errors, http(s) only (also after a redirect),
// and the time limit. The address goes through --url so that no address is
// ever read as an option.
std::vector<std::string> CurlArgs(const UpdateSettings& s, double seconds, const std::string& url) {
    return {s.curlProgram, "-LfsS", "--proto", "=http,https", "--proto-redir", "=http,https",
            "--max-time",  SecondsArg(seconds), "--url", url};
}

std::string Lower(std::string s) {
    for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// ---- The job ------------------------------------------------------------------

struct JobRecord {
    std::mutex mutex;
    std::thread thread;
    std::atomic<bool> cancel{false};
    std::atomic<bool> finished{false};
    UpdateJob kind = UpdateJob::None;   // main thread only
    std::chrono::steady_clock::time_point started;
    std::string partialPath;            // under mutex
    // Results, under mutex, read once finished is set.
    KorvaneUpdateInfo checkResult;
    UpdateDownloadOutcome downloadResult;
};

JobRecord& Job() {
    static JobRecord job;
    return job;
}

void JoinFinishedThread() {
    JobRecord& j = Job();
    if (j.thread.joinable()) j.thread.join();
}

void SetStatus(const char* text) { KorvaneCopyField(g_korvaneUpdate.status, sizeof g_korvaneUpdate.status, text); }

} // namespace

KorvaneUpdateInfo RunUpdateCheck(const KorvaneUpdateInfo& previous, const std::string& url,
                                 const UpdateSettings& settings, const std::atomic<bool>* cancel) {
    SpawnOptions opt;
    opt.captureStdout = true;
    opt.captureLimit = settings.manifestLimitBytes;
    opt.stderrFd = kSpawnDevNull;
    // A little beyond curl's own limit, in case it does not stop by itself.
    opt.timeoutSeconds = settings.manifestTimeoutSeconds + 5.0;
    opt.cancel = cancel;
    ProcessRunResult r = RunProcess(CurlArgs(settings, settings.manifestTimeoutSeconds, url), opt);
    if (!r.Succeeded() || r.out.empty()) {
        KorvaneUpdateInfo info = previous;
        info.checked = true;
        KorvaneCopyField(info.status, sizeof info.status, kNoManifest);
        return info;
    }
    KorvaneUpdateInfo info;
    KorvaneParseUpdateManifest(r.out, info, settings.publicKeyBase64);
    return info;
}

UpdateDownloadOutcome RunUpdateDownload(const KorvaneUpdateInfo& info, const std::string& downloadsDir,
                                        const UpdateSettings& settings, const std::atomic<bool>* cancel,
                                        const std::string& partialPath) {
    UpdateDownloadOutcome out;
    if (!info.available) {
        out.status = "No update is available to download.";
        return out;
    }
    if (!KorvaneVersionUsableInFileName(info.version)) {
        out.status = "The update's version cannot be used as a file name; nothing was downloaded.";
        return out;
    }
    out.target = UpdateDownloadTarget(info, downloadsDir);
    if (!MkdirP(downloadsDir)) {
        out.status = "Download failed.";
        return out;
    }
    // The package lands in a fresh sibling (exclusive create) and replaces the
    // target only once verified, so neither a truncated nor a tampered
    // download ever stands at the target, and a good earlier download stays.
    const std::string partial = partialPath.empty() ? TempSiblingName(out.target) : partialPath;
    int fd = ::open(partial.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        out.status = "Download failed.";
        return out;
    }
    SpawnOptions opt;
    opt.stdoutFd = fd;
    opt.stderrFd = kSpawnDevNull;
    opt.timeoutSeconds = settings.downloadTimeoutSeconds + 5.0;
    opt.cancel = cancel;
    ProcessRunResult r = RunProcess(CurlArgs(settings, settings.downloadTimeoutSeconds, info.url), opt);
    const bool closed = ::close(fd) == 0;
    if (!r.Succeeded() || !closed) {
        ::unlink(partial.c_str());
        out.status = "Download failed.";
        return out;
    }
    std::string digest;
    if (!KorvaneFileSHA256Hex(partial, digest)) {
        ::unlink(partial.c_str());
        out.status = "Downloaded file could not be hashed.";
        return out;
    }
    if (digest != Lower(info.sha256)) {
        ::unlink(partial.c_str());
        out.status = "SECURITY BLOCK: SHA-256 mismatch. The downloaded update was deleted.";
        return out;
    }
    if (::rename(partial.c_str(), out.target.c_str()) != 0) {
        ::unlink(partial.c_str());
        out.status = "Download failed.";
        return out;
    }
    out.verified = true;
    out.status = "Verified update downloaded to " + out.target;
    return out;
}

std::string UpdateDownloadTarget(const KorvaneUpdateInfo& info, const std::string& downloadsDir) {
    if (!KorvaneVersionUsableInFileName(info.version)) return std::string();
    return downloadsDir + "/" + KorvaneUpdateFileName(info.version);
}

void ApplyUpdateUrlFromEnvironment() {
    const char* url = std::getenv("KORVANE_UPDATE_URL");
    if (!url || !url[0]) return;
    if (std::strlen(url) >= sizeof g_updateManifestUrl) {
        Log(4, "KORVANE_UPDATE_URL is longer than %zu bytes; keeping the built-in update address.",
            sizeof g_updateManifestUrl - 1);
        return;
    }
    KorvaneCopyField(g_updateManifestUrl, sizeof g_updateManifestUrl, url);
}

void KorvaneCheckForUpdatesNow() {
    g_showUpdateWindow = true;
    PollUpdateJob();
    if (UpdateJobRunning()) return;  // one transfer at a time; its status stays
    JoinFinishedThread();
    JobRecord& j = Job();
    SetStatus("Checking signed update manifest...");
    j.kind = UpdateJob::Check;
    j.cancel = false;
    j.finished = false;
    j.started = std::chrono::steady_clock::now();
    const KorvaneUpdateInfo previous = g_korvaneUpdate;
    const std::string url = g_updateManifestUrl;
    const UpdateSettings settings = g_updateSettings;
    j.thread = std::thread([previous, url, settings]() {
        JobRecord& job = Job();
        KorvaneUpdateInfo result = RunUpdateCheck(previous, url, settings, &job.cancel);
        {
            std::lock_guard<std::mutex> lock(job.mutex);
            job.checkResult = result;
        }
        job.finished = true;
    });
}

void KorvaneDownloadVerifiedUpdateNow() {
    PollUpdateJob();
    if (UpdateJobRunning()) return;
    if (!g_korvaneUpdate.available) {
        SetStatus("No update is available to download.");
        return;
    }
    JoinFinishedThread();
    JobRecord& j = Job();
    SetStatus("Downloading update package...");
    j.kind = UpdateJob::Download;
    j.cancel = false;
    j.finished = false;
    j.started = std::chrono::steady_clock::now();
    const KorvaneUpdateInfo info = g_korvaneUpdate;
    const std::string dir = KorvaneDownloadsDir();
    const std::string target = UpdateDownloadTarget(info, dir);
    const std::string partial = target.empty() ? std::string() : TempSiblingName(target);
    {
        std::lock_guard<std::mutex> lock(j.mutex);
        j.partialPath = partial;
    }
    const UpdateSettings settings = g_updateSettings;
    j.thread = std::thread([info, dir, settings, partial]() {
        JobRecord& job = Job();
        UpdateDownloadOutcome result = RunUpdateDownload(info, dir, settings, &job.cancel, partial);
        {
            std::lock_guard<std::mutex> lock(job.mutex);
            job.downloadResult = result;
        }
        job.finished = true;
    });
}

bool UpdateJobRunning() { return Job().kind != UpdateJob::None; }
UpdateJob UpdateJobKind() { return Job().kind; }

double UpdateJobElapsedSeconds() {
    const JobRecord& j = Job();
    if (j.kind == UpdateJob::None) return 0.0;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - j.started).count();
}

long long UpdateDownloadReceivedBytes() {
    JobRecord& j = Job();
    if (j.kind != UpdateJob::Download) return -1;
    std::string partial;
    {
        std::lock_guard<std::mutex> lock(j.mutex);
        partial = j.partialPath;
    }
    struct stat st;
    if (partial.empty() || ::stat(partial.c_str(), &st) != 0) return 0;
    return static_cast<long long>(st.st_size);
}

void PollUpdateJob() {
    JobRecord& j = Job();
    if (j.kind == UpdateJob::None || !j.finished.load()) return;
    JoinFinishedThread();
    const UpdateJob kind = j.kind;
    j.kind = UpdateJob::None;
    std::lock_guard<std::mutex> lock(j.mutex);
    if (kind == UpdateJob::Check) {
        g_korvaneUpdate = j.checkResult;
        return;
    }
    const UpdateDownloadOutcome& r = j.downloadResult;
    SetStatus(r.status.c_str());
    if (r.verified) {
        bool (*reveal)(const char*, bool) = g_updateSettings.reveal ? g_updateSettings.reveal : OpenPath;
        reveal(r.target.c_str(), true);
    }
}

void ShutdownUpdateJob() {
    JobRecord& j = Job();
    j.cancel = true;
    JoinFinishedThread();
    j.kind = UpdateJob::None;
    j.finished = false;
    j.cancel = false;
}
