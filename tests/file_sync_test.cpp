// Incremental tree copies: content, modes and times kept, up-to-date checks,
// the parallel copier, failures that must leave old files alone, and the
// text writers that skip unchanged files.

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <dirent.h>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "editor/legacy/build/FileSync.h"
#include "editor/legacy/files/MaterialFile.h"
#include "tests/support/TempTree.h"

using korvane::test::EnvGuard;
using korvane::test::Exists;
using korvane::test::ReadAll;
using korvane::test::TempTree;

namespace {

// Every name under dir (recursively) that looks like a temporary file.
std::vector<std::string> TempLeftovers(const std::string& dir) {
    std::vector<std::string> out;
    DIR* d = opendir(dir.c_str());
    if (!d) return out;
    while (dirent* de = readdir(d)) {
        std::string name = de->d_name;
        if (name == "." || name == "..") continue;
        std::string full = dir + "/" + name;
        if (name.find(".tmp") != std::string::npos) out.push_back(full);
        struct stat st;
        if (lstat(full.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
            auto sub = TempLeftovers(full);
            out.insert(out.end(), sub.begin(), sub.end());
        }
    }
    closedir(d);
    return out;
}

std::string Pattern(size_t n, unsigned seed) {
    std::string s(n, '\0');
    unsigned x = seed * 2654435761u + 1;
    for (size_t i = 0; i < n; ++i) {
        x = x * 1103515245u + 12345u;
        s[i] = static_cast<char>(x >> 24);
    }
    return s;
}

struct timespec MTime(const std::string& p) {
    struct stat st {};
    stat(p.c_str(), &st);
    return st.st_mtim;
}

void SetMTime(const std::string& p, time_t sec, long nsec = 0) {
    struct timespec ts[2] = {{sec, nsec}, {sec, nsec}};
    utimensat(AT_FDCWD, p.c_str(), ts, 0);
}

class MethodGuard {
public:
    explicit MethodGuard(FileCopyMethod m) { g_fileCopyMethod = m; }
    ~MethodGuard() { g_fileCopyMethod = FileCopyMethod::Auto; }
};

// ---- Single-file copies -------------------------------------------------------

struct CopyCase {
    FileCopyMethod method;
    size_t size;
};
void PrintTo(const CopyCase& c, std::ostream* os) { *os << "method " << int(c.method) << ", " << c.size << " bytes"; }

class CopySizes : public ::testing::TestWithParam<CopyCase> {};

TEST_P(CopySizes, CopiesBytesModeAndTimeWithoutLeftovers) {
    const CopyCase c = GetParam();
    MethodGuard mg(c.method);
    TempTree t;
    const std::string data = Pattern(c.size, static_cast<unsigned>(c.size));
    std::string src = t.Write("src/f.bin", data);
    chmod(src.c_str(), 0750);
    SetMTime(src, 1600000000, 123456789);
    // An older, different destination must be replaced.
    std::string dst = t.Write("dst/deep/f.bin", "old");

    ASSERT_TRUE(CopyFileToPathFast(src, dst, 0750));
    EXPECT_TRUE(ReadAll(dst) == data);
    struct stat st {};
    ASSERT_EQ(stat(dst.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0750u);
    EXPECT_EQ(st.st_mtim.tv_sec, 1600000000);
    EXPECT_EQ(st.st_mtim.tv_nsec, 123456789);
    EXPECT_TRUE(FileUpToDate(src, dst));
    EXPECT_TRUE(TempLeftovers(t.path()).empty());
}

INSTANTIATE_TEST_SUITE_P(
    AroundTheChunk, CopySizes,
    ::testing::Values(CopyCase{FileCopyMethod::Auto, 0}, CopyCase{FileCopyMethod::Auto, kCopyChunkBytes + 1},
                      CopyCase{FileCopyMethod::KernelCopy, 1}, CopyCase{FileCopyMethod::KernelCopy, kCopyChunkBytes},
                      CopyCase{FileCopyMethod::Loop, 0}, CopyCase{FileCopyMethod::Loop, 1},
                      CopyCase{FileCopyMethod::Loop, kCopyChunkBytes - 1}, CopyCase{FileCopyMethod::Loop, kCopyChunkBytes},
                      CopyCase{FileCopyMethod::Loop, kCopyChunkBytes + 1},
                      CopyCase{FileCopyMethod::Loop, 2 * kCopyChunkBytes + 3}));

TEST(FileUpToDate, SizeAndTimeMustBothMatch) {
    TempTree t;
    std::string src = t.Write("s", "abcd");
    std::string dst = t.Write("d", "wxyz");
    struct Row {
        const char* what;
        time_t srcSec, dstSec;
        const char* dstBytes;
        bool upToDate;
    } rows[] = {
        {"same size and time", 1000, 1000, "wxyz", true},
        {"source one second newer", 1001, 1000, "wxyz", false},
        {"destination newer, same size (edited copy)", 1000, 1001, "wxyz", false},
        {"destination newer, other size", 1000, 2000, "wx", false},
    };
    for (const auto& r : rows) {
        t.Write("d", r.dstBytes);
        SetMTime(src, r.srcSec);
        SetMTime(dst, r.dstSec);
        EXPECT_EQ(FileUpToDate(src, dst), r.upToDate) << r.what;
    }
    EXPECT_FALSE(FileUpToDate(src, t / "missing"));
    EXPECT_FALSE(FileUpToDate("", dst));
}

TEST(FileUpToDate, TwoNamesOfOneFileAreUpToDate) {
    TempTree t;
    std::string src = t.Write("s", "abcd");
    ASSERT_EQ(link(src.c_str(), (t / "hard").c_str()), 0);
    ASSERT_EQ(symlink(src.c_str(), (t / "soft").c_str()), 0);
    EXPECT_TRUE(FileUpToDate(src, t / "hard"));
    EXPECT_TRUE(FileUpToDate(src, t / "soft"));
    // Copying a file onto another name of itself must not destroy it.
    EXPECT_TRUE(CopyFileToPathFast(src, t / "hard", 0644));
    EXPECT_TRUE(CopyFileToPathFast(src, t / "soft", 0644));
    EXPECT_TRUE(CopyFileToPathFast(src, t / "./s", 0644));
    EXPECT_EQ(ReadAll(src), "abcd");
}

TEST(FileUpToDate, IdenticalDestinationIsLeftUntouched) {
    TempTree t;
    std::string src = t.Write("s", "abcd");
    std::string dst = t.Write("d", "abcd");
    SetMTime(src, 5000);
    SetMTime(dst, 5000);
    struct stat before {};
    stat(dst.c_str(), &before);
    int updated = -1, cached = -1;
    std::vector<BuildFileEntry> list = {{src, dst, "s", 4, 5000, 0100644}};
    EXPECT_TRUE(CopyFileListParallel(list, &updated, &cached));
    EXPECT_EQ(updated, 0);
    EXPECT_EQ(cached, 1);
    struct stat after {};
    stat(dst.c_str(), &after);
    EXPECT_EQ(before.st_ino, after.st_ino);
}

TEST(CopyFailures, OldDestinationSurvivesAndNoTemporaryStays) {
    TempTree t;
    std::string dst = t.Write("out/d", "precious");
    std::string dirAsSrc = t.Mkdir("adir");
    struct Row {
        const char* what;
        std::string src, dst;
    } rows[] = {
        {"missing source", t / "nope", dst},
        {"directory as source", dirAsSrc, dst},
        {"file as destination parent", t.Write("src", "x"), t / "out/d/child"},
        {"directory in the way of the destination", t / "src", t.Mkdir("out/isdir")},
        {"empty source path", "", dst},
        {"read error on the first byte", "/proc/self/mem", dst},
    };
    for (const auto& r : rows) {
        EXPECT_FALSE(CopyFileToPathFast(r.src, r.dst, 0644)) << r.what;
        EXPECT_EQ(ReadAll(dst), "precious") << r.what;
        EXPECT_TRUE(TempLeftovers(t.path()).empty()) << r.what;
    }
    // A copy into a fresh place that fails leaves nothing behind there.
    EXPECT_FALSE(CopyFileToPathFast("/proc/self/mem", t / "fresh/dir/mem", 0644));
    EXPECT_FALSE(Exists(t / "fresh/dir/mem"));
    EXPECT_TRUE(TempLeftovers(t.path()).empty());
    EXPECT_TRUE(CopyFileToPath(t / "src", t / "out/fresh"));
}

// ---- Listing ----------------------------------------------------------------------

TEST(CollectDirFiles, ListsRegularFilesOnly) {
    TempTree t;
    t.Write("src/a.txt", "a");
    t.Write("src/sub/b.txt", "bb");
    t.Write("src/.hidden", "h");
    t.Write("src/.git/config", "h");
    t.Write("outside/c.txt", "c");
    ASSERT_EQ(symlink((t / "outside").c_str(), (t / "src/dirlink").c_str()), 0);
    ASSERT_EQ(symlink((t / "outside/c.txt").c_str(), (t / "src/filelink").c_str()), 0);
    ASSERT_EQ(symlink((t / "nowhere").c_str(), (t / "src/dangling").c_str()), 0);
    ASSERT_EQ(mkfifo((t / "src/fifo").c_str(), 0644), 0);
    int sock = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::string sockPath = t / "src/sock";
    ASSERT_LT(sockPath.size(), sizeof addr.sun_path);
    std::copy(sockPath.begin(), sockPath.end(), addr.sun_path);
    ASSERT_EQ(bind(sock, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);

    std::vector<BuildFileEntry> list;
    EXPECT_TRUE(CollectDirFiles(t / "src", t / "dst", "pre", list));
    close(sock);
    std::set<std::string> rels;
    for (const auto& e : list) rels.insert(e.relPath);
    EXPECT_EQ(rels, (std::set<std::string>{"pre/a.txt", "pre/sub/b.txt", "pre/filelink"}));
    for (const auto& e : list) {
        if (e.relPath == "pre/sub/b.txt") {
            EXPECT_EQ(e.srcPath, t / "src/sub/b.txt");
            EXPECT_EQ(e.dstPath, t / "dst/sub/b.txt");
            EXPECT_EQ(e.size, 2);
            EXPECT_TRUE(S_ISREG(e.mode));
        }
    }
    std::vector<BuildFileEntry> none;
    EXPECT_FALSE(CollectDirFiles(t / "missing", t / "dst", "", none));
    EXPECT_TRUE(none.empty());
}

// ---- Parallel copies ------------------------------------------------------------

TEST(CopyFileListParallel, WorkerCount) {
    const unsigned hw = std::thread::hardware_concurrency();
    const unsigned many = std::clamp(hw == 0 ? 4u : hw, 1u, 8u);
    EXPECT_EQ(CopyWorkerCount(0), 1u);
    EXPECT_EQ(CopyWorkerCount(23), 1u);
    EXPECT_EQ(CopyWorkerCount(24), many);
    EXPECT_EQ(CopyWorkerCount(100000), many);
}

TEST(CopyFileListParallel, CopiesEachOnceThenNothing) {
    TempTree t;
    for (int i = 0; i < 150; ++i) {
        t.Write("src/d" + std::to_string(i % 7) + "/f" + std::to_string(i), Pattern(100 + i, i));
    }
    int updated = -1, cached = -1;
    std::vector<BuildFileEntry> list;
    ASSERT_TRUE(CopyTreeFast(t / "src", t / "dst", &updated, &cached, &list));
    EXPECT_EQ(list.size(), 150u);
    EXPECT_EQ(updated, 150);
    EXPECT_EQ(cached, 0);
    for (const auto& e : list) EXPECT_EQ(ReadAll(e.dstPath), ReadAll(e.srcPath)) << e.relPath;

    ASSERT_TRUE(CopyTreeFast(t / "src", t / "dst", &updated, &cached, &list));
    EXPECT_EQ(updated, 0);
    EXPECT_EQ(cached, 150);
    EXPECT_TRUE(TempLeftovers(t.path()).empty());

    // One source changes: exactly that one is copied again.
    t.Write("src/d3/f3", "changed");
    ASSERT_TRUE(CopyTreeFast(t / "src", t / "dst", &updated, &cached, nullptr));
    EXPECT_EQ(updated, 1);
    EXPECT_EQ(cached, 149);
    EXPECT_EQ(ReadAll(t / "dst/d3/f3"), "changed");
}

TEST(CopyFileListParallel, AFailingEntryFailsOnlyItself) {
    TempTree t;
    std::vector<BuildFileEntry> list;
    for (int i = 0; i < 30; ++i) {
        std::string name = "f" + std::to_string(i);
        list.push_back({t.Write("src/" + name, name), t / ("dst/" + name), name, 2, 0, 0100644});
    }
    t.Write("blocker", "a file where a folder should be");
    list[7].dstPath = t / "blocker/f7";       // unwritable destination
    list[19].srcPath = t / "src/vanished";     // unreadable source
    int updated = -1, cached = -1;
    EXPECT_FALSE(CopyFileListParallel(list, &updated, &cached));
    EXPECT_EQ(updated, 28);
    EXPECT_EQ(cached, 0);
    EXPECT_EQ(ReadAll(t / "dst/f29"), "f29");
    EXPECT_TRUE(TempLeftovers(t.path()).empty());

    EXPECT_TRUE(CopyFileListParallel({}, &updated, &cached));
    EXPECT_EQ(updated, 0);
    EXPECT_EQ(cached, 0);
}

TEST(CopyTreeFast, EmptyDirectoryNamesFail) {
    EXPECT_FALSE(CopyTreeFast("", "/tmp/x", nullptr, nullptr, nullptr));
    EXPECT_FALSE(CopyTreeFast("/tmp", "", nullptr, nullptr, nullptr));
}

TEST(CopyDirContentsMissingOnly, NeverTouchesExistingFiles) {
    TempTree t;
    t.Write("src/a", "new a");
    t.Write("src/sub/b", "new b");
    t.Write("src/.hidden", "h");
    t.Write("dst/a", "old a");
    EXPECT_TRUE(CopyDirContentsMissingOnly(t / "src", t / "dst"));
    EXPECT_EQ(ReadAll(t / "dst/a"), "old a");
    EXPECT_EQ(ReadAll(t / "dst/sub/b"), "new b");
    EXPECT_FALSE(Exists(t / "dst/.hidden"));

    EXPECT_TRUE(CopyDirContents(t / "src", t / "dst2"));
    EXPECT_EQ(ReadAll(t / "dst2/sub/b"), "new b");
}

// ---- Text writers ---------------------------------------------------------------

TEST(WriteTextIfChanged, SkipsUnchangedAndSetsMode) {
    TempTree t;
    std::string p = t / "cfg/Info.plist";
    ASSERT_TRUE(WriteTextIfChanged(p, "hello", 0755));
    struct stat st {};
    stat(p.c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0755u);
    SetMTime(p, 1234);
    ASSERT_TRUE(WriteTextIfChanged(p, "hello", 0755));
    EXPECT_EQ(MTime(p).tv_sec, 1234);
    ASSERT_TRUE(WriteTextIfChanged(p, "hello!", 0644));
    EXPECT_EQ(ReadAll(p), "hello!");
    EXPECT_NE(MTime(p).tv_sec, 1234);
    EXPECT_FALSE(WriteTextIfChanged("", "x", 0644));
    t.Write("file", "x");
    EXPECT_FALSE(WriteTextIfChanged(t / "file/under", "x", 0644));
    EXPECT_TRUE(TempLeftovers(t.path()).empty());
}

TEST(WriteTextIfChangedAtomic, SkipsUnchangedReplacesAtomicallyAndCleansUp) {
    TempTree t;
    std::string p = t / "a/b/state.ini";
    ASSERT_TRUE(WriteTextIfChangedAtomic(p, "one"));
    chmod(p.c_str(), 0600);
    SetMTime(p, 4321);
    ASSERT_TRUE(WriteTextIfChangedAtomic(p, "one"));
    EXPECT_EQ(MTime(p).tv_sec, 4321);
    {
        EnvGuard sync("KORVANE_SAVE_FSYNC", "1");
        ASSERT_TRUE(WriteTextIfChangedAtomic(p, "two"));
    }
    EXPECT_EQ(ReadAll(p), "two");
    struct stat st {};
    stat(p.c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0600u);  // the old file's permissions carry over

    // The temporary name blocked by a directory: the old file stays intact.
    t.Mkdir("a/b/state.ini.tmp");
    EXPECT_FALSE(WriteTextIfChangedAtomic(p, "three"));
    EXPECT_EQ(ReadAll(p), "two");
    rmdir((p + ".tmp").c_str());

    // A link planted at the temporary name is not followed.
    std::string victim = t.Write("victim", "keep");
    ASSERT_EQ(symlink(victim.c_str(), (p + ".tmp").c_str()), 0);
    EXPECT_FALSE(WriteTextIfChangedAtomic(p, "four"));
    EXPECT_EQ(ReadAll(victim), "keep");
    EXPECT_EQ(ReadAll(p), "two");
    unlink((p + ".tmp").c_str());

    t.Write("plain", "x");
    EXPECT_FALSE(WriteTextIfChangedAtomic(t / "plain/child", "x"));
    EXPECT_FALSE(WriteTextIfChangedAtomic("", "x"));
    EXPECT_TRUE(TempLeftovers(t.path()).empty());
}

TEST(WriteTextIfChangedAtomic, FsyncSwitchValues) {
    struct Row {
        const char* value;
        bool set;
    } rows[] = {{nullptr, false}, {"0", false}, {"1", true}, {"", true}, {"yes", true}};
    for (const auto& r : rows) {
        EnvGuard g("KORVANE_SAVE_FSYNC", r.value);
        EXPECT_EQ(SaveEnvSwitchSet("KORVANE_SAVE_FSYNC"), r.set) << (r.value ? r.value : "(unset)");
    }
}

}  // namespace
