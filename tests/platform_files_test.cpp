#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "engine/platform/Environment.h"
#include "engine/platform/FileSystem.h"

using namespace korvane;
using namespace korvane::platform;
namespace fs = std::filesystem;

namespace {

class TempDir {
public:
    TempDir() {
        char tmpl[] = "/tmp/korvane-test-XXXXXX";
        path_ = mkdtemp(tmpl);
    }
    ~TempDir() { std::error_code ec; fs::remove_all(path_, ec); }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }
    const std::string& path() const { return path_; }
private:
    std::string path_;
};

void WriteRaw(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

} // namespace

TEST(Environment, GetEnvAndIsEnvEnabled) {
    struct Case { const char* value; bool enabled; } cases[] = {
        {nullptr, false}, {"", false}, {"0", false}, {"false", false}, {"FALSE", false},
        {"1", true}, {"yes", true}, {"False", true}, {"no", true}, {" 0", true},
    };
    for (const auto& c : cases) {
        if (c.value) setenv("KORVANE_TEST_FLAG", c.value, 1); else unsetenv("KORVANE_TEST_FLAG");
        EXPECT_EQ(IsEnvEnabled("KORVANE_TEST_FLAG"), c.enabled) << (c.value ? c.value : "(unset)");
        auto v = GetEnv("KORVANE_TEST_FLAG");
        EXPECT_EQ(v.has_value(), c.value != nullptr);
        if (c.value) { EXPECT_EQ(*v, c.value); }
    }
    unsetenv("KORVANE_TEST_FLAG");
}

TEST(Environment, NameViewIsNotReadPastItsEnd) {
    setenv("KORVANE_TEST_A", "short", 1);
    std::string longer = "KORVANE_TEST_AB";
    // A view of the first 14 characters names KORVANE_TEST_A, not ..._AB.
    auto v = GetEnv(std::string_view(longer).substr(0, 14));
    ASSERT_TRUE(v.has_value());
    EXPECT_EQ(*v, "short");
    unsetenv("KORVANE_TEST_A");
}

TEST(FileSystem, ExistsQueries) {
    TempDir dir;
    WriteRaw(dir / "f", "x");
    fs::create_symlink(dir / "f", dir / "link");
    EXPECT_TRUE(FileExists(dir / "f"));
    EXPECT_TRUE(FileExists(dir / "link"));
    EXPECT_FALSE(FileExists(dir.path()));
    EXPECT_FALSE(FileExists(dir / "missing"));
    EXPECT_TRUE(DirectoryExists(dir.path()));
    EXPECT_FALSE(DirectoryExists(dir / "f"));
}

TEST(FileSystem, ReadTextFileCases) {
    TempDir dir;
    WriteRaw(dir / "ten", "0123456789");
    WriteRaw(dir / "crlf", "a\r\nb\0c");
    WriteRaw(dir / "empty", "");
    mkfifo((dir / "fifo").c_str(), 0600);
    struct Case { std::string path; uint64_t limit; bool ok; std::string text; } cases[] = {
        {dir / "ten", 10, true, "0123456789"},                 // limit equal to size reads
        {dir / "ten", 9, false, "File exceeds read limit: " + (dir / "ten")},
        {dir / "crlf", 100, true, std::string("a\r\nb")},      // bytes unchanged
        {dir / "empty", 0, true, ""},
        {dir / "missing", 100, false, "Could not stat file: " + (dir / "missing")},
        {dir.path(), 1 << 20, false, "Could not open file: " + dir.path()},  // a directory
        {dir / "fifo", 1 << 20, false, "Could not open file: " + (dir / "fifo")},
        {"/dev/zero", 1 << 20, false, "Could not open file: /dev/zero"},
    };
    for (const auto& c : cases) {
        auto r = ReadTextFile(c.path, c.limit);
        EXPECT_EQ(r.ok(), c.ok) << c.path;
        if (c.ok) { EXPECT_EQ(r.value(), c.text) << c.path; }
        else EXPECT_EQ(r.status().message(), c.text);
    }
}

TEST(FileSystem, WriteTextFileCases) {
    TempDir dir;
    WriteRaw(dir / "file", "old content that is longer");
    struct Case { std::string path; bool ok; std::string message; } cases[] = {
        {dir / "new.txt", true, ""},
        {dir / "file", true, ""},                                             // truncates
        {dir / "no/parent.txt", false, "Could not write file: " + (dir / "no/parent.txt")},
        {dir / "file/child", false, "Could not write file: " + (dir / "file/child")},
        {"/dev/full", false, "Failed while writing file: /dev/full"},          // short write
    };
    for (const auto& c : cases) {
        Status s = WriteTextFile(c.path, "a\nb\r\n");
        EXPECT_EQ(s.ok(), c.ok) << c.path;
        EXPECT_EQ(s.message(), c.message);
        if (c.ok) { EXPECT_EQ(ReadTextFile(c.path, 100).value(), "a\nb\r\n"); }
    }
}

TEST(FileSystem, EnsureDirectoryCases) {
    TempDir dir;
    WriteRaw(dir / "file", "x");
    EXPECT_TRUE(EnsureDirectory(dir.path()).ok());
    EXPECT_TRUE(EnsureDirectory(dir / "a/b/c").ok());
    EXPECT_TRUE(DirectoryExists(dir / "a/b/c"));
    EXPECT_TRUE(EnsureDirectory(dir / "a/b/c").ok());  // again: still fine
    for (const std::string& bad : {dir / "file", dir / "file/sub"}) {
        Status s = EnsureDirectory(bad);
        EXPECT_FALSE(s.ok()) << bad;
        EXPECT_EQ(s.message().rfind("Could not create directory: " + bad + " (", 0), 0u) << s.message();
        EXPECT_EQ(s.message().back(), ')');
    }
}
