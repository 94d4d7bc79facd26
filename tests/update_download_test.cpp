// Update transfers against a small HTTP server on 127.0.0.1: the manifest
// check (404, redirect, signature), the verified download (bytes, reveal,
// wrong digest, truncated and missing packages, an earlier good download
// kept, HOME unset), the time limit through the settings, and the worker
// job's hand-over and shutdown.

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <cstdlib>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "editor/legacy/update/UpdateJob.h"
#include "tests/support/LoopbackHttp.h"
#include "tests/support/TempTree.h"
#include "tests/support/UpdateSigning.h"

namespace {

using korvane::test::LoopbackHttp;
using korvane::test::ReadAll;
using korvane::test::TempTree;
using korvane::test::TestSigner;
using korvane::test::UpdateJson;

int g_reveals = 0;
std::string g_revealedPath;
bool CountReveal(const char* path, bool reveal) {
    ++g_reveals;
    g_revealedPath = path;
    EXPECT_TRUE(reveal);
    return true;
}

std::string Sha(const std::string& bytes) {
    TempTree t;
    std::string out;
    KorvaneFileSHA256Hex(t.Write("f", bytes), out);
    return out;
}

bool Exists(const std::string& p) {
    struct stat st;
    return ::stat(p.c_str(), &st) == 0;
}

// Every file in dir (names only).
std::vector<std::string> Listing(const std::string& dir) {
    std::vector<std::string> names;
    std::error_code ec;
    for (auto& e : std::filesystem::directory_iterator(dir, ec)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class UpdateTransfer : public ::testing::Test {
protected:
    LoopbackHttp http;
    TestSigner key;
    TempTree tmp;
    UpdateSettings settings;
    std::string downloads;
    std::string package = std::string(300000, 'p') + "end";
    void SetUp() override {
        settings.publicKeyBase64 = key.PublicKey().c_str();
        settings.manifestTimeoutSeconds = 5;
        settings.downloadTimeoutSeconds = 10;
        settings.reveal = CountReveal;
        downloads = tmp / "home/Downloads";
        g_reveals = 0;
        http.Set("/package", LoopbackHttp::Body(200, package));
    }
    KorvaneUpdateInfo Available(const std::string& url, const std::string& sha, const char* version = "1.2.0") {
        KorvaneUpdateInfo info;
        EXPECT_TRUE(KorvaneParseUpdateManifest(key.Manifest(UpdateJson(version, url, sha)), info, key.PublicKey().c_str()));
        EXPECT_TRUE(info.available);
        return info;
    }
};

TEST_F(UpdateTransfer, ManifestCheckOverHttp) {
    http.Set("/manifest", LoopbackHttp::Body(200, key.Manifest(UpdateJson("1.2.0", http.Url("/package"), Sha(package), "notes")) + "\n"));
    http.Set("/moved", LoopbackHttp::Redirect(http.Url("/manifest")));
    http.Set("/unsigned", LoopbackHttp::Body(200, "KORVANE-UPDATE-v1.e30=.AAAA"));

    KorvaneUpdateInfo previous;
    previous.checked = true;
    KorvaneCopyField(previous.version, sizeof previous.version, "0.9");
    KorvaneUpdateInfo r = RunUpdateCheck(previous, http.Url("/missing"), settings, nullptr);
    EXPECT_STREQ(r.status, "Could not download update manifest. Check the URL/network.");
    EXPECT_STREQ(r.version, "0.9") << "a failed transfer keeps the previous values";

    r = RunUpdateCheck(previous, http.Url("/moved"), settings, nullptr);
    EXPECT_STREQ(r.status, "A signed update is available.");
    EXPECT_STREQ(r.version, "1.2.0");
    EXPECT_STREQ(r.notes, "notes");
    EXPECT_EQ(http.Requests("/manifest"), 1) << "the redirect was followed";

    r = RunUpdateCheck(previous, http.Url("/unsigned"), settings, nullptr);
    EXPECT_STREQ(r.status, "Signature verification failed.");
    EXPECT_STREQ(r.version, "") << "a manifest that arrives replaces the record";

    // An address that looks like an option is still an address.
    r = RunUpdateCheck(previous, "--version", settings, nullptr);
    EXPECT_STREQ(r.status, "Could not download update manifest. Check the URL/network.");
    // Nothing listens: a network error, not a crash or a hang.
    r = RunUpdateCheck(previous, "http://127.0.0.1:1/x", settings, nullptr);
    EXPECT_STREQ(r.status, "Could not download update manifest. Check the URL/network.");
}

TEST_F(UpdateTransfer, GoodPackageIsVerifiedRenamedAndRevealedOnce) {
    KorvaneUpdateInfo info = Available(http.Url("/package"), Sha(package));
    UpdateDownloadOutcome r = RunUpdateDownload(info, downloads, settings, nullptr);
    ASSERT_TRUE(r.verified) << r.status;
    EXPECT_EQ(r.target, downloads + "/Korvane-1.2.0.update");
    EXPECT_EQ(r.status, "Verified update downloaded to " + r.target);
    EXPECT_EQ(ReadAll(r.target), package);
    EXPECT_EQ(Listing(downloads), (std::vector<std::string>{"Korvane-1.2.0.update"}));
}

TEST_F(UpdateTransfer, FailuresLeaveNoFileAndKeepAnEarlierGoodOne) {
    const std::string target = downloads + "/Korvane-1.2.0.update";
    http.Set("/truncated", LoopbackHttp::Truncated(package.substr(0, 1000), (long long)package.size()));
    http.Set("/tampered", LoopbackHttp::Body(200, package + "x"));
    struct Case {
        const char* what;
        std::string url, sha, status;
    } cases[] = {
        {"wrong digest", http.Url("/tampered"), Sha(package),
         "SECURITY BLOCK: SHA-256 mismatch. The downloaded update was deleted."},
        {"truncated package", http.Url("/truncated"), Sha(package), "Download failed."},
        {"404 package", http.Url("/nothing-here"), Sha(package), "Download failed."},
        {"nothing listening", "http://127.0.0.1:1/p", Sha(package), "Download failed."},
    };
    for (const Case& c : cases) {
        UpdateDownloadOutcome r = RunUpdateDownload(Available(c.url, c.sha), downloads, settings, nullptr);
        EXPECT_FALSE(r.verified) << c.what;
        EXPECT_EQ(r.status, c.status) << c.what;
        EXPECT_TRUE(Listing(downloads).empty()) << c.what << ": no file left, not even a partial one";
    }
    // An earlier good download survives a bad one of the same version.
    ASSERT_TRUE(RunUpdateDownload(Available(http.Url("/package"), Sha(package)), downloads, settings, nullptr).verified);
    for (const Case& c : cases) {
        RunUpdateDownload(Available(c.url, c.sha), downloads, settings, nullptr);
        EXPECT_EQ(ReadAll(target), package) << c.what;
        EXPECT_EQ(Listing(downloads).size(), 1u) << c.what;
    }
}

TEST_F(UpdateTransfer, RefusalsBeforeAnyTransfer) {
    KorvaneUpdateInfo none;
    EXPECT_EQ(RunUpdateDownload(none, downloads, settings, nullptr).status, "No update is available to download.");
    KorvaneUpdateInfo bad = Available(http.Url("/package"), Sha(package), "9..1");
    UpdateDownloadOutcome r = RunUpdateDownload(bad, downloads, settings, nullptr);
    EXPECT_FALSE(r.verified);
    EXPECT_EQ(r.status, "The update's version cannot be used as a file name; nothing was downloaded.");
    EXPECT_EQ(http.Requests("/package"), 0);
    EXPECT_FALSE(Exists(downloads));
}

TEST_F(UpdateTransfer, TimeLimitComesFromTheSettings) {
    http.Set("/slow", LoopbackHttp::Slow(package, 1000, 50));  // about 15 s in all
    settings.downloadTimeoutSeconds = 1;
    const auto start = std::chrono::steady_clock::now();
    UpdateDownloadOutcome r = RunUpdateDownload(Available(http.Url("/slow"), Sha(package)), downloads, settings, nullptr);
    const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(r.status, "Download failed.");
    EXPECT_LT(took, 8.0);
    EXPECT_TRUE(Listing(downloads).empty());
}

class UpdateJobTest : public UpdateTransfer {
protected:
    std::string oldHome;
    bool hadHome = false;
    void SetUp() override {
        UpdateTransfer::SetUp();
        const char* h = std::getenv("HOME");
        hadHome = h != nullptr;
        if (h) oldHome = h;
        setenv("HOME", (tmp / "home").c_str(), 1);
        g_updateSettings = settings;
        g_korvaneUpdate = KorvaneUpdateInfo();
        g_showUpdateWindow = false;
    }
    void TearDown() override {
        ShutdownUpdateJob();
        g_updateSettings = UpdateSettings();
        g_korvaneUpdate = KorvaneUpdateInfo();
        g_showUpdateWindow = false;
        if (hadHome) setenv("HOME", oldHome.c_str(), 1);
        else unsetenv("HOME");
    }
    // Polls like the main loop until the job is done.
    int PollUntilIdle(double seconds = 20) {
        int frames = 0;
        const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        while (UpdateJobRunning() && std::chrono::steady_clock::now() < end) {
            PollUpdateJob();
            ++frames;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return frames;
    }
};

TEST_F(UpdateJobTest, CheckThenDownloadOnTheWorker) {
    http.Set("/manifest", LoopbackHttp::Body(200, key.Manifest(UpdateJson("1.3.0", http.Url("/package"), Sha(package)))));
    KorvaneCopyField(g_updateManifestUrl, sizeof g_updateManifestUrl, http.Url("/manifest"));
    KorvaneCheckForUpdatesNow();
    EXPECT_TRUE(g_showUpdateWindow);
    EXPECT_TRUE(UpdateJobRunning());
    EXPECT_EQ(UpdateJobKind(), UpdateJob::Check);
    EXPECT_STREQ(g_korvaneUpdate.status, "Checking signed update manifest...");
    PollUntilIdle();
    ASSERT_FALSE(UpdateJobRunning());
    EXPECT_STREQ(g_korvaneUpdate.status, "A signed update is available.");

    http.Set("/package", LoopbackHttp::Slow(package, 20000, 10));  // slow enough to watch
    KorvaneDownloadVerifiedUpdateNow();
    EXPECT_EQ(UpdateJobKind(), UpdateJob::Download);
    EXPECT_STREQ(g_korvaneUpdate.status, "Downloading update package...");
    KorvaneCheckForUpdatesNow();  // one transfer at a time
    EXPECT_EQ(UpdateJobKind(), UpdateJob::Download);
    const int frames = PollUntilIdle();
    EXPECT_GT(frames, 10) << "the caller kept running during the transfer";
    EXPECT_STREQ(g_korvaneUpdate.status,
                 ("Verified update downloaded to " + tmp / "home/Downloads/Korvane-1.3.0.update").c_str());
    EXPECT_EQ(g_reveals, 1);
    EXPECT_EQ(g_revealedPath, tmp / "home/Downloads/Korvane-1.3.0.update");
    PollUpdateJob();
    EXPECT_EQ(g_reveals, 1) << "revealed once";
}

TEST_F(UpdateJobTest, WithoutHomeThePackageGoesBelowTheWorkingDirectory) {
    char cwd[4096];
    ASSERT_TRUE(getcwd(cwd, sizeof cwd));
    const std::string work = tmp.Mkdir("work");
    ASSERT_EQ(chdir(work.c_str()), 0);
    unsetenv("HOME");
    g_korvaneUpdate = Available(http.Url("/package"), Sha(package));
    KorvaneDownloadVerifiedUpdateNow();
    PollUntilIdle();
    EXPECT_STREQ(g_korvaneUpdate.status, "Verified update downloaded to ./Downloads/Korvane-1.2.0.update");
    EXPECT_EQ(ReadAll(work + "/Downloads/Korvane-1.2.0.update"), package);
    ASSERT_EQ(chdir(cwd), 0);
}

TEST_F(UpdateJobTest, ShutdownCancelsARunningTransferAndJoins) {
    http.Set("/package", LoopbackHttp::Slow(package, 1000, 100));  // about 30 s
    g_korvaneUpdate = Available(http.Url("/package"), Sha(package));
    KorvaneDownloadVerifiedUpdateNow();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_GE(UpdateDownloadReceivedBytes(), 0);
    const auto start = std::chrono::steady_clock::now();
    ShutdownUpdateJob();
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 5.0);
    EXPECT_FALSE(UpdateJobRunning());
    EXPECT_TRUE(Listing(tmp / "home/Downloads").empty()) << "the partial file was removed";
    EXPECT_EQ(g_reveals, 0);
}

TEST_F(UpdateJobTest, ManifestAddressFromTheEnvironment) {
    const std::string keep = g_updateManifestUrl;
    setenv("KORVANE_UPDATE_URL", "http://mirror.invalid/m", 1);
    ApplyUpdateUrlFromEnvironment();
    EXPECT_STREQ(g_updateManifestUrl, "http://mirror.invalid/m");
    setenv("KORVANE_UPDATE_URL", ("http://x/" + std::string(2000, 'a')).c_str(), 1);
    ApplyUpdateUrlFromEnvironment();
    EXPECT_STREQ(g_updateManifestUrl, "http://mirror.invalid/m") << "too long: refused, not cut";
    unsetenv("KORVANE_UPDATE_URL");
    KorvaneCopyField(g_updateManifestUrl, sizeof g_updateManifestUrl, keep);
}

TEST_F(UpdateJobTest, DownloadWithoutAnUpdateSaysSo) {
    KorvaneDownloadVerifiedUpdateNow();
    EXPECT_FALSE(UpdateJobRunning());
    EXPECT_STREQ(g_korvaneUpdate.status, "No update is available to download.");
}

} // namespace
