// Material assets: exact written text, round trips (escaped texture paths
// survive any number of cycles), the tolerant reader, and that one material
// never leaks into the next.

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <functional>
#include <vector>

#include <string>

#include "editor/legacy/base/EditorLog.h"
#include "editor/legacy/files/MaterialFile.h"
#include "tests/support/TempTree.h"

using korvane::test::ReadAll;
using korvane::test::TempTree;

namespace {

bool HasLog(int level, const std::string& needle) {
    for (const auto& e : LogSnapshot()) {
        if (e.level == level && e.text.find(needle) != std::string::npos) return true;
    }
    return false;
}

TEST(MaterialFile, WritesTheDocumentedText) {
    Material m;
    EXPECT_EQ(MaterialAssetText(m),
              "material {\n"
              "  color = {1.000000, 1.000000, 1.000000, 1.000000}\n"
              "  metallic = 0.000000\n"
              "  roughness = 0.550000\n"
              "  emissive = {0.000000, 0.000000, 0.000000}\n"
              "  normal_scale = 1.000000\n"
              "  height_scale = 0.030000\n"
              "}\n");
    CopyTextField(m.albedoTexture, "T/a \"b\"\\c.png");
    CopyTextField(m.heightTexture, "h.png");
    const std::string text = MaterialAssetText(m);
    EXPECT_NE(text.find("  height_scale = 0.030000\n  albedo = \"T/a \\\"b\\\"\\\\c.png\"\n  height = \"h.png\"\n}\n"),
              std::string::npos);
    EXPECT_EQ(text.find("normal ="), std::string::npos);  // empty slots are not written
}

TEST(MaterialFile, RoundTripKeepsEscapedPathsOverManyCycles) {
    TempTree t;
    LogSetStderrMirror(false);
    Material m;
    m.baseColor = Vec4{0.25f, 0.5f, 0.75f, 0.125f};
    m.metallic = 0.875f;
    m.roughness = 0.3125f;
    m.emissive = Vec3{1.5f, 0.0f, 2.25f};
    m.normalScale = 0.5f;
    m.heightScale = 0.0625f;
    CopyTextField(m.albedoTexture, "C:\\tex\\albedo \"1\".png");
    CopyTextField(m.normalTexture, "Textures/n\tab.png");
    CopyTextField(m.metallicRoughnessTexture, "mr.png");
    CopyTextField(m.aoTexture, "\xC3\xA4o.png");
    CopyTextField(m.emissiveTexture, "back\\\\slashes\\");
    CopyTextField(m.heightTexture, std::string(255, 'h'));
    const std::string path = t / "Materials/Rock.mat";

    Material cur = m;
    for (int cycle = 0; cycle < 3; ++cycle) {
        ASSERT_TRUE(SaveMaterialAsset(cur, path.c_str()));
        Material back;
        ASSERT_TRUE(LoadMaterialAsset(path.c_str(), back));
        EXPECT_STREQ(back.path, path.c_str());
        EXPECT_EQ(back.baseColor.x, 0.25f);
        EXPECT_EQ(back.baseColor.w, 0.125f);
        EXPECT_EQ(back.metallic, 0.875f);
        EXPECT_EQ(back.roughness, 0.3125f);
        EXPECT_EQ(back.emissive.z, 2.25f);
        EXPECT_EQ(back.normalScale, 0.5f);
        EXPECT_EQ(back.heightScale, 0.0625f);
        EXPECT_STREQ(back.albedoTexture, m.albedoTexture);
        EXPECT_STREQ(back.normalTexture, m.normalTexture);
        EXPECT_STREQ(back.metallicRoughnessTexture, m.metallicRoughnessTexture);
        EXPECT_STREQ(back.aoTexture, m.aoTexture);
        EXPECT_STREQ(back.emissiveTexture, m.emissiveTexture);
        EXPECT_STREQ(back.heightTexture, m.heightTexture);
        cur = back;
    }
}

TEST(MaterialFile, SavingTheSameMaterialTwiceWritesOnce) {
    TempTree t;
    const std::string path = t / "m.mat";
    Material m;
    ASSERT_TRUE(SaveMaterialAsset(m, path.c_str()));
    struct timespec ts[2] = {{1000, 0}, {1000, 0}};
    utimensat(AT_FDCWD, path.c_str(), ts, 0);
    ASSERT_TRUE(SaveMaterialAsset(m, path.c_str()));
    struct stat st {};
    stat(path.c_str(), &st);
    EXPECT_EQ(st.st_mtim.tv_sec, 1000);
}

TEST(MaterialFile, SaveFailuresAreReportedAndKeepTheOldFile) {
    TempTree t;
    LogSetStderrMirror(false);
    LogClear();
    Material m;
    EXPECT_FALSE(SaveMaterialAsset(m, ""));
    EXPECT_TRUE(HasLog(4, "Material save failed: missing path"));
    const std::string path = t.Write("keep.mat", "material {\n  metallic = 0.5\n}\n");
    t.Mkdir("keep.mat.tmp/x");  // the temporary file cannot be written
    EXPECT_FALSE(SaveMaterialAsset(m, path.c_str()));
    EXPECT_TRUE(HasLog(4, "Material save failed: " + path));
    EXPECT_EQ(ReadAll(path), "material {\n  metallic = 0.5\n}\n");
}

TEST(MaterialFile, ReaderTable) {
    TempTree t;
    LogSetStderrMirror(false);
    struct Row {
        const char* what;
        std::string text;
        std::function<void(const Material&)> check;
    };
    const std::string longPath(300, 'p');
    std::vector<Row> rows = {
        {"template text", kMaterialTemplateText,
         [](const Material& m) {
             EXPECT_EQ(m.baseColor.x, 1.0f);
             EXPECT_EQ(m.metallic, 0.0f);
             EXPECT_EQ(m.roughness, 0.55f);
             EXPECT_EQ(m.heightScale, 0.03f);
         }},
        {"compact colour", "color={0.5,0.5,0.5,1}\n", [](const Material& m) { EXPECT_EQ(m.baseColor.y, 0.5f); }},
        {"spaced colour", "  color = { 0.5 , 0.5 , 0.5 , 1 }\n",
         [](const Material& m) { EXPECT_EQ(m.baseColor.z, 0.5f); }},
        {"colour with three numbers is ignored", "color = {0.5, 0.5, 0.5}\n",
         [](const Material& m) { EXPECT_EQ(m.baseColor.x, 1.0f); }},
        {"emissive compact", "emissive={2,3,4}\n", [](const Material& m) { EXPECT_EQ(m.emissive.y, 3.0f); }},
        {"roughness 0 is normalised", "roughness = 0\n", [](const Material& m) { EXPECT_EQ(m.roughness, 0.55f); }},
        {"negative height scale becomes 0", "height_scale=-1\n",
         [](const Material& m) { EXPECT_EQ(m.heightScale, 0.0f); }},
        {"all-zero colour loads white", "color = {0, 0, 0, 0}\n",
         [](const Material& m) { EXPECT_EQ(m.baseColor.w, 1.0f); }},
        {"normal_scale is not the normal texture", "normal_scale = 2\nnormal = \"n.png\"\n",
         [](const Material& m) {
             EXPECT_EQ(m.normalScale, 2.0f);
             EXPECT_STREQ(m.normalTexture, "n.png");
         }},
        {"metallic_roughness is not metallic", "metallic_roughness=\"mr.png\"\nmetallic=0.25\n",
         [](const Material& m) {
             EXPECT_STREQ(m.metallicRoughnessTexture, "mr.png");
             EXPECT_EQ(m.metallic, 0.25f);
         }},
        {"emissive_map and height", "emissive_map = \"e.png\"\nheight=\"h.png\"\nao = \"ao.png\"\n",
         [](const Material& m) {
             EXPECT_STREQ(m.emissiveTexture, "e.png");
             EXPECT_STREQ(m.heightTexture, "h.png");
             EXPECT_STREQ(m.aoTexture, "ao.png");
         }},
        {"empty quotes leave the slot empty", "albedo = \"\"\n",
         [](const Material& m) { EXPECT_STREQ(m.albedoTexture, ""); }},
        {"a texture path too long is ignored, not cut", "albedo = \"" + longPath + "\"\n",
         [](const Material& m) { EXPECT_STREQ(m.albedoTexture, ""); }},
        {"unknown keys, junk and CR/LF", "material {\r\n  shininess = 4\r\n  metallic = 0.5\r\n}\r\n",
         [](const Material& m) { EXPECT_EQ(m.metallic, 0.5f); }},
        {"non-finite numbers are ignored", "metallic = nan\nroughness = inf\n",
         [](const Material& m) {
             EXPECT_EQ(m.metallic, 0.0f);
             EXPECT_EQ(m.roughness, 0.55f);
         }},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        const std::string path = t.Write("r.mat", r.text);
        Material m;
        ASSERT_TRUE(LoadMaterialAsset(path.c_str(), m));
        r.check(m);
    }
}

TEST(MaterialFile, NothingLeaksFromThePreviousMaterial) {
    TempTree t;
    const std::string a = t.Write("a.mat", "albedo = \"a.png\"\nmetallic = 0.9\nemissive = {1, 1, 1}\n");
    const std::string b = t.Write("b.mat", "roughness = 0.2\n");
    Material m;
    ASSERT_TRUE(LoadMaterialAsset(a.c_str(), m));
    ASSERT_STREQ(m.albedoTexture, "a.png");
    ASSERT_TRUE(LoadMaterialAsset(b.c_str(), m));
    EXPECT_STREQ(m.albedoTexture, "");
    EXPECT_EQ(m.metallic, 0.0f);
    EXPECT_EQ(m.emissive.x, 0.0f);
    EXPECT_EQ(m.roughness, 0.2f);
    EXPECT_STREQ(m.path, b.c_str());
}

TEST(MaterialFile, FailedLoadsKeepTheRecord) {
    TempTree t;
    LogSetStderrMirror(false);
    Material m;
    m.metallic = 0.7f;
    m.roughness = 0.0f;  // normalised even when the load fails
    EXPECT_FALSE(LoadMaterialAsset("", m));
    EXPECT_EQ(m.roughness, 0.55f);
    EXPECT_FALSE(LoadMaterialAsset((t / "missing.mat").c_str(), m));
    EXPECT_EQ(m.metallic, 0.7f);
    EXPECT_STREQ(m.path, (t / "missing.mat").c_str());
    const std::string tooLong = "/" + std::string(300, 'x') + ".mat";
    EXPECT_FALSE(LoadMaterialAsset(tooLong.c_str(), m));
    EXPECT_STREQ(m.path, (t / "missing.mat").c_str());  // not cut, not changed
}

}  // namespace
