// The build's input hash and its manifest line.

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "editor/legacy/build/BuildHash.h"
#include "tests/support/TempTree.h"

using korvane::test::ReadAll;
using korvane::test::TempTree;

namespace {

BuildFileEntry Entry(const std::string& rel, int64_t size, int64_t mtime, const std::string& src = "") {
    BuildFileEntry e;
    e.relPath = rel;
    e.size = size;
    e.mtime = mtime;
    e.srcPath = src.empty() ? "/src/" + rel : src;
    e.dstPath = "/dst/" + rel;
    return e;
}

std::string Hex(uint64_t h) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(h));
    return buf;
}

TEST(BuildHash, FnvVectors) {
    EXPECT_EQ(Hex(HashStr64("", kFnvOffsetBasis)), "cbf29ce484222325");
    EXPECT_EQ(Hex(HashStr64("a", kFnvOffsetBasis)), "af63dc4c8601ec8c");
    EXPECT_EQ(Hex(HashStr64("foobar", kFnvOffsetBasis)), "85944171f73967e8");
    // HashU64 is the 8 little-endian bytes.
    const unsigned char le[8] = {0x01, 0x02, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(HashU64(kFnvOffsetBasis, 0x0201), HashFnv1a(le, 8, kFnvOffsetBasis));
}

struct HashInputs {
    std::string platform = "macOS", config = "Release", name = "My Game";
    bool cook = true, package = false, fast = true;
    ExecutableStamp exe;
    std::vector<BuildFileEntry> engine, project;
    uint64_t Hash() const {
        return BuildInputHash(platform.c_str(), config.c_str(), name.c_str(), exe, engine, project, cook, package,
                              fast);
    }
};

HashInputs FullInputs() {
    HashInputs in;
    in.exe = {true, 1000, 1700000000};
    in.engine = {Entry("Korvane.png", 5, 1700000000)};
    in.project = {Entry("Assets/a.txt", 3, 1700000001), Entry("Assets/Scenes/Default.korvane", 10, 1700000002)};
    return in;
}

TEST(BuildHash, GoldenValues) {
    EXPECT_EQ(Hex(HashInputs{}.Hash()), "35ae222971555e42");
    EXPECT_EQ(Hex(FullInputs().Hash()), "2cf0f9d5fe8631e7");
}

TEST(BuildHash, EveryInputCountsButListOrderAndContent) {
    const uint64_t base = FullInputs().Hash();
    struct Case {
        const char* what;
        void (*change)(HashInputs&);
        bool changes;
    } cases[] = {
        {"platform", [](HashInputs& i) { i.platform = "Linux"; }, true},
        {"configuration", [](HashInputs& i) { i.config = "Debug"; }, true},
        {"project name", [](HashInputs& i) { i.name = "My Game 2"; }, true},
        {"cook", [](HashInputs& i) { i.cook = false; }, true},
        {"package", [](HashInputs& i) { i.package = true; }, true},
        {"fast path", [](HashInputs& i) { i.fast = false; }, true},
        {"executable size", [](HashInputs& i) { i.exe.size = 1001; }, true},
        {"executable time", [](HashInputs& i) { i.exe.mtime += 1; }, true},
        {"executable unknown", [](HashInputs& i) { i.exe.known = false; }, true},
        {"engine file size", [](HashInputs& i) { i.engine[0].size = 6; }, true},
        {"project file time", [](HashInputs& i) { i.project[1].mtime += 1; }, true},
        {"project file renamed", [](HashInputs& i) { i.project[0].relPath = "Assets/b.txt"; }, true},
        {"project file added", [](HashInputs& i) { i.project.push_back(Entry("Assets/c", 0, 0)); }, true},
        {"project file removed", [](HashInputs& i) { i.project.pop_back(); }, true},
        {"file moved between lists",
         [](HashInputs& i) {
             i.engine.push_back(i.project.back());
             i.project.pop_back();
         },
         true},
        {"list order", [](HashInputs& i) { std::swap(i.project[0], i.project[1]); }, false},
        {"source and destination paths",
         [](HashInputs& i) {
             i.project[0].srcPath = "/elsewhere/a.txt";
             i.project[0].dstPath = "/other/a.txt";
         },
         false},
        {"mode and nanoseconds",
         [](HashInputs& i) {
             i.project[0].mode = 0100755;
             i.project[0].mtimeNsec = 123;
         },
         false},
    };
    for (const Case& c : cases) {
        HashInputs in = FullInputs();
        c.change(in);
        EXPECT_EQ(in.Hash() != base, c.changes) << c.what;
    }
}

TEST(BuildHash, ExecutableStampFromTheFile) {
    TempTree tmp;
    std::string exe = tmp.Write("exe", std::string(1234, 'x'));
    ExecutableStamp s = StampExecutable(exe);
    EXPECT_TRUE(s.known);
    EXPECT_EQ(s.size, 1234);
    EXPECT_FALSE(StampExecutable(tmp / "missing").known);
    EXPECT_FALSE(StampExecutable("").known);
    HashInputs in;
    in.exe = s;
    EXPECT_EQ(BuildInputHash("macOS", "Release", "My Game", exe, {}, {}, true, false, true), in.Hash());
}

TEST(BuildManifest, RoundTripExactBytesAndStrictParsing) {
    TempTree tmp;
    const std::string path = tmp / "out/.korvane_build_manifest";
    ASSERT_TRUE(WriteBuildManifest(path, 0x2cf0f9d5fe8631e7ull));
    EXPECT_EQ(ReadAll(path), "2cf0f9d5fe8631e7\n");
    uint64_t h = 0;
    ASSERT_TRUE(ReadBuildManifest(path, &h));
    EXPECT_EQ(h, 0x2cf0f9d5fe8631e7ull);
    ASSERT_TRUE(WriteBuildManifest(path, 0x1));
    EXPECT_EQ(ReadAll(path), "0000000000000001\n");
    EXPECT_FALSE(ReadBuildManifest(tmp / "missing", &h));

    struct Case {
        const char* text;
        bool ok;
        uint64_t value;
    } cases[] = {
        {"2cf0f9d5fe8631e7\n", true, 0x2cf0f9d5fe8631e7ull},
        {"2cf0f9d5fe8631e7", true, 0x2cf0f9d5fe8631e7ull},
        {"ABC\n", true, 0xabc},
        {"12zz", false, 0},             // trailing garbage counts as none
        {"", false, 0},
        {"\n", false, 0},
        {"zz", false, 0},
        {" 12\n", false, 0},
        {"12\n\n", false, 0},
        {"0x12\n", false, 0},
        {"12345678901234567\n", false, 0},  // more than 64 bits
        {"-1\n", false, 0},
    };
    for (const Case& c : cases) {
        std::string file = tmp.Write("m", c.text);
        uint64_t v = 0;
        EXPECT_EQ(ReadBuildManifest(file, &v), c.ok) << '"' << c.text << '"';
        if (c.ok) {
            EXPECT_EQ(v, c.value) << c.text;
        }
    }
}

} // namespace
