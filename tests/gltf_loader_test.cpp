// The glTF/GLB loader's CPU half: geometry (de-indexing, modes, strides,
// normalised colours, node order and transforms, tangents), materials as
// project assets, hostile files, and the validate-only entry. Fixtures are
// written by each test into a temporary project.

#include <sys/stat.h>
#include <utime.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "editor/assets/gltf/GltfBuild.h"
#include "editor/assets/gltf/GltfFiles.h"
#include "editor/assets/gltf/GltfLoader.h"
#include "editor/legacy/base/AppState.h"
#include "editor/legacy/base/ProjectPaths.h"
#include "tests/support/TempTree.h"
#include "tools/GltfBuilder.h"

namespace {

namespace fs = std::filesystem;
using korvane::test::TempTree;
using namespace korvane::gltfbuild;

// A unit quad in the XY plane facing +Z: four corners, two triangles.
const std::vector<float> kQuadPos = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0};
const std::vector<float> kQuadNrm = {0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1};
const std::vector<float> kQuadUV = {0, 0, 1, 0, 1, 1, 0, 1};
const std::vector<uint32_t> kQuadIdx = {0, 1, 2, 0, 2, 3};

std::vector<float> Expand(const std::vector<float>& v, int n, const std::vector<uint32_t>& idx) {
    std::vector<float> out;
    for (uint32_t i : idx) out.insert(out.end(), v.begin() + i * n, v.begin() + (i + 1) * n);
    return out;
}

class GltfLoader : public ::testing::Test {
protected:
    TempTree tree;
    std::string assets;
    GltfMessages messages;

    void SetUp() override {
        ASSERT_TRUE(SetProjectRoot(tree / "Proj"));
        assets = tree.Mkdir("Proj/Assets");
        g_gameBuild = false;
    }
    void TearDown() override { g_gameBuild = false; }

    std::string Put(const std::string& rel, const std::string& bytes) { return tree.Write("Proj/Assets/" + rel, bytes); }

    bool Load(const std::string& path, ImportedModel& m) {
        messages.clear();
        return LoadImportedGLTFModelCpu(path.c_str(), m, GltfLoadOptions(), messages);
    }
    bool Logged(const std::string& text, int level = -1) const {
        for (const GltfMessage& m : messages) {
            if (m.text.find(text) != std::string::npos && (level < 0 || m.level == level)) return true;
        }
        return false;
    }
    std::string AllMessages() const {
        std::string s;
        for (const GltfMessage& m : messages) s += std::to_string(m.level) + " " + m.text + "\n";
        return s;
    }
    static Builder QuadModel(int indexType /* 0: none */) {
        Builder b;
        const bool indexed = indexType != 0;
        const int pos = b.AddFloats(indexed ? kQuadPos : Expand(kQuadPos, 3, kQuadIdx), 3, true);
        const int nrm = b.AddFloats(indexed ? kQuadNrm : Expand(kQuadNrm, 3, kQuadIdx), 3);
        const int uv = b.AddFloats(indexed ? kQuadUV : Expand(kQuadUV, 2, kQuadIdx), 2);
        const int idx = indexed ? b.AddIndices(kQuadIdx, indexType) : -1;
        const int mesh = b.AddMesh(pos, idx, -1, {{"NORMAL", nrm}, {"TEXCOORD_0", uv}});
        b.Add("nodes", {{"name", "Quad"}, {"mesh", mesh}});
        b.SetScene({0});
        return b;
    }
};

// ---- Geometry ----------------------------------------------------------------

TEST_F(GltfLoader, IndexedAndNonIndexedTrianglesGiveIdenticalVertices) {
    ImportedModel ref;
    ASSERT_TRUE(Load(Put("plain.glb", QuadModel(0).Glb()), ref)) << AllMessages();
    ASSERT_EQ(ref.vertices.size(), 6u);
    ASSERT_EQ(ref.indices.size(), 6u);
    ASSERT_EQ(ref.submeshes.size(), 1u);
    for (int type : {kUByte, kUShort, kUInt}) {
        SCOPED_TRACE(type);
        ImportedModel m;
        ASSERT_TRUE(Load(Put("indexed" + std::to_string(type) + ".glb", QuadModel(type).Glb()), m)) << AllMessages();
        ASSERT_EQ(m.vertices.size(), ref.vertices.size());
        EXPECT_EQ(m.indices, ref.indices);
        for (size_t i = 0; i < m.vertices.size(); ++i) {
            EXPECT_EQ(0, std::memcmp(&m.vertices[i], &ref.vertices[i], sizeof(V3))) << "vertex " << i;
        }
    }
    // The text form with a side ".bin" and with a data: URI buffer reads the same.
    const Builder b = QuadModel(kUShort);
    Put("side/quad.bin", b.bin);
    for (const std::string& path : {Put("side/quad.gltf", b.Gltf("quad.bin")), Put("inline.gltf", b.Gltf())}) {
        ImportedModel m;
        ASSERT_TRUE(Load(path, m)) << AllMessages();
        ASSERT_EQ(m.vertices.size(), 6u);
        EXPECT_EQ(0, std::memcmp(m.vertices.data(), ref.vertices.data(), 6 * sizeof(V3)));
    }
    EXPECT_FLOAT_EQ(ref.boundsMax.x, 1.0f);
    EXPECT_FLOAT_EQ(ref.boundsMin.y, 0.0f);
}

TEST_F(GltfLoader, OnlyTrianglePrimitivesAreRead) {
    struct Case {
        const char* what;
        std::vector<int> modes;
        bool loads;
        size_t submeshes;
    } cases[] = {
        {"points only", {0}, false, 0},
        {"lines only", {1, 3}, false, 0},
        {"mixed: the triangles stay", {1, 4, 0}, true, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Builder b;
        const int pos = b.AddFloats(Expand(kQuadPos, 3, kQuadIdx), 3);
        json prims = json::array();
        for (int mode : c.modes) prims.push_back({{"attributes", {{"POSITION", pos}}}, {"mode", mode}});
        b.Add("meshes", {{"primitives", prims}});
        b.Add("nodes", {{"mesh", 0}});
        b.SetScene({0});
        const std::string path = Put(std::string("modes") + std::to_string(c.modes.size()) + ".glb", b.Glb());
        ImportedModel m;
        EXPECT_EQ(Load(path, m), c.loads);
        EXPECT_EQ(m.submeshes.size(), c.submeshes);
        if (!c.loads) {
            EXPECT_TRUE(Logged("Imported model has no drawable triangles: " + path, 4)) << AllMessages();
        }
    }
}

TEST_F(GltfLoader, InterleavedStridesAndNormalisedColours) {
    // One view, 16 bytes per vertex: float3 position + unsigned-byte RGBA colour.
    Builder b;
    std::string bytes;
    const uint8_t colours[3][4] = {{255, 0, 0, 255}, {0, 128, 0, 255}, {0, 0, 255, 255}};
    const float pos[3][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    for (int i = 0; i < 3; ++i) {
        bytes.append(reinterpret_cast<const char*>(pos[i]), 12);
        bytes.append(reinterpret_cast<const char*>(colours[i]), 4);
    }
    const int view = b.AddView(bytes.data(), bytes.size(), 16);
    const int p = b.AddAccessor(view, kFloat, 3, "VEC3");
    const int c = b.AddAccessor(view, kUByte, 3, "VEC4", 12, true);
    b.AddMesh(p, -1, -1, {{"COLOR_0", c}});
    b.Add("nodes", {{"mesh", 0}});
    b.SetScene({0});
    ImportedModel m;
    ASSERT_TRUE(Load(Put("interleaved.glb", b.Glb()), m)) << AllMessages();
    ASSERT_EQ(m.vertices.size(), 3u);
    EXPECT_FLOAT_EQ(m.vertices[1].pos[0], 1.0f);
    EXPECT_FLOAT_EQ(m.vertices[2].pos[1], 1.0f);
    EXPECT_FLOAT_EQ(m.vertices[0].color[0], 1.0f);
    EXPECT_NEAR(m.vertices[1].color[1], 128.0f / 255.0f, 1e-6);
    EXPECT_FLOAT_EQ(m.vertices[1].color[0], 0.0f);
    EXPECT_FLOAT_EQ(m.vertices[2].color[2], 1.0f);
    // No NORMAL: the default up normal.
    EXPECT_FLOAT_EQ(m.vertices[0].normal[1], 1.0f);
}

TEST_F(GltfLoader, NodesInPreOrderWithParentsOverThreeLevels) {
    Builder b;
    const int pos = b.AddFloats(Expand(kQuadPos, 3, kQuadIdx), 3);
    b.AddMesh(pos);
    // File order differs from tree order: 0 Grandchild, 1 Root, 2 Child, 3 Other.
    b.Add("nodes", {{"name", "Grandchild"}, {"mesh", 0}});
    b.Add("nodes", {{"name", "Root"}, {"children", {2}}});
    b.Add("nodes", {{"name", "Child"}, {"children", {0}}, {"mesh", 0}});
    b.Add("nodes", {{"name", ""}});
    b.SetScene({1, 3});
    ImportedModel m;
    ASSERT_TRUE(Load(Put("tree.glb", b.Glb()), m)) << AllMessages();
    ASSERT_EQ(m.nodes.size(), 4u);
    const char* names[] = {"Root", "Child", "Grandchild", "Object"};
    const int parents[] = {-1, 0, 1, -1};
    for (int i = 0; i < 4; ++i) {
        EXPECT_STREQ(m.nodes[size_t(i)].name, names[i]);
        EXPECT_EQ(m.nodes[size_t(i)].parent, parents[i]);
    }
    EXPECT_FALSE(m.nodes[0].hasMesh);
    EXPECT_TRUE(m.nodes[1].hasMesh);
    ASSERT_EQ(m.submeshes.size(), 2u);
    EXPECT_EQ(m.submeshes[0].nodeIndex, 1);
    EXPECT_EQ(m.submeshes[1].nodeIndex, 2);
    EXPECT_EQ(m.submeshes[1].firstIndex, 6);
}

TEST_F(GltfLoader, DefaultSceneOrEveryParentlessNode) {
    for (bool withDefault : {true, false}) {
        SCOPED_TRACE(withDefault);
        Builder b;
        const int pos = b.AddFloats(Expand(kQuadPos, 3, kQuadIdx), 3);
        b.AddMesh(pos);
        b.Add("nodes", {{"name", "InScene"}, {"mesh", 0}});
        b.Add("nodes", {{"name", "Loose"}, {"mesh", 0}});
        b.SetScene({0}, withDefault);
        ImportedModel m;
        ASSERT_TRUE(Load(Put(withDefault ? "scene.glb" : "noscene.glb", b.Glb()), m)) << AllMessages();
        ASSERT_EQ(m.nodes.size(), withDefault ? 1u : 2u);
        EXPECT_STREQ(m.nodes[0].name, "InScene");
    }
}

TEST_F(GltfLoader, NodeTransforms) {
    tinygltf::Node trs;
    trs.translation = {9, 9, 9};
    trs.scale = {3, 3, 3};
    trs.matrix = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 1, 2, 3, 1};
    Transform t = NodeLocalTransform(trs);
    EXPECT_FLOAT_EQ(t.position.x, 1.0f);
    EXPECT_FLOAT_EQ(t.position.z, 3.0f);
    EXPECT_FLOAT_EQ(t.scale.y, 1.0f);

    // A rotation with a mirrored axis: the largest scale turns negative and
    // the entity's matrix rebuilds the file's matrix.
    const Quat q = QuatNormalize(Quat(0.2f, -0.5f, 0.3f, 0.8f));
    Entity e;
    e.transform.rotation = QuatToEulerDeg(q.x, q.y, q.z, q.w);
    e.transform.scale = Vec3(0.5f, -2.0f, 1.25f);
    e.transform.position = Vec3(4, -1, 2);
    const Mat4 want = EntityLocalMatrix(e);
    tinygltf::Node mirror;
    for (float f : want.m) mirror.matrix.push_back(f);
    t = NodeLocalTransform(mirror);
    EXPECT_LT(t.scale.y, 0.0f);
    EXPECT_GT(t.scale.x, 0.0f);
    Entity back;
    back.transform = t;
    const Mat4 got = EntityLocalMatrix(back);
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(got.m[i], want.m[i], 1e-5) << i;
}

TEST_F(GltfLoader, TangentsForTheThreeUVCases) {
    auto tri = [](Vec3 n, const float uv[6]) {
        std::vector<V3> v(3);
        const float p[3][3] = {{0, 0, 0}, {1, 0, 0}, {0, 0, -1}};
        for (int i = 0; i < 3; ++i) {
            std::memcpy(v[size_t(i)].pos, p[i], sizeof p[i]);
            v[size_t(i)].normal[0] = n.x;
            v[size_t(i)].normal[1] = n.y;
            v[size_t(i)].normal[2] = n.z;
            v[size_t(i)].uv[0] = uv[2 * i];
            v[size_t(i)].uv[1] = uv[2 * i + 1];
        }
        GenerateTangents(v, {0, 1, 2});
        return v;
    };
    const float along[6] = {0, 0, 1, 0, 0, 1};    // u grows with x
    const float rotated[6] = {0, 0, 0, 1, 1, 0};  // u grows with -z
    const float flat[6] = {0, 0, 0, 0, 0, 0};     // no UV direction
    std::vector<V3> v = tri(Vec3(0, 1, 0), along);
    EXPECT_NEAR(v[0].tangent[0], 1.0f, 1e-5);
    EXPECT_FLOAT_EQ(v[0].tangent[3], 1.0f);
    v = tri(Vec3(0, 1, 0), rotated);
    EXPECT_NEAR(v[1].tangent[2], -1.0f, 1e-5);
    // Fallback with a normal along x: the tangent must still lie across it.
    v = tri(Vec3(1, 0, 0), flat);
    const Vec3 t(v[2].tangent[0], v[2].tangent[1], v[2].tangent[2]);
    EXPECT_NEAR(t.len(), 1.0f, 1e-5);
    EXPECT_NEAR(t.dot(Vec3(1, 0, 0)), 0.0f, 1e-5);
}

// ---- Materials and textures --------------------------------------------------

TEST_F(GltfLoader, MaterialsBecomeSlotsAndMatFilesThatReimportsKeep) {
    Builder b;
    const int pos = b.AddFloats(Expand(kQuadPos, 3, kQuadIdx), 3);
    b.Add("materials", {{"name", "Brick Wall.001"},
                        {"pbrMetallicRoughness", {{"baseColorFactor", {0.5, 0.25, 1, 1}}, {"metallicFactor", 0}}}});
    b.Add("materials", {{"name", "Metal"}, {"alphaMode", "BLEND"}, {"doubleSided", true}});
    json prims = json::array({{{"attributes", {{"POSITION", pos}}}, {"material", 0}},
                              {{"attributes", {{"POSITION", pos}}}, {"material", 1}},
                              {{"attributes", {{"POSITION", pos}}}}});
    b.Add("meshes", {{"primitives", prims}});
    b.Add("nodes", {{"mesh", 0}});
    b.SetScene({0});
    const std::string path = Put("Props/wall.glb", b.Glb());
    ImportedModel m;
    ASSERT_TRUE(Load(path, m)) << AllMessages();
    ASSERT_EQ(m.materials.size(), 3u);
    EXPECT_STREQ(m.materials[0].name, "Material");
    EXPECT_STREQ(m.materials[1].name, "Brick Wall.001");
    EXPECT_FLOAT_EQ(m.materials[1].baseColor.y, 0.25f);
    EXPECT_FLOAT_EQ(m.materials[1].metallic, 0.0f);
    EXPECT_TRUE(m.materials[2].alphaBlend);
    EXPECT_TRUE(m.materials[2].doubleSided);
    ASSERT_EQ(m.submeshes.size(), 3u);
    EXPECT_EQ(m.submeshes[0].materialIndex, 1);
    EXPECT_EQ(m.submeshes[1].materialIndex, 2);
    EXPECT_EQ(m.submeshes[2].materialIndex, 0);

    const std::string dir = assets + "/Imported/" + ImportedAssetFolderName(path) + "/Materials";
    EXPECT_EQ(ImportedAssetFolderName(path), "wall_" + ShortPathHash("Props/wall.glb"));
    const std::string brick = dir + "/Brick_Wall_001_0.mat", metal = dir + "/Metal_1.mat";
    ASSERT_TRUE(fs::exists(brick));
    ASSERT_TRUE(fs::exists(metal));
    EXPECT_EQ(std::string(m.materials[1].assetPath), brick);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 2);

    // The user edits one; a re-import leaves its bytes and time alone.
    tree.Write(brick.substr(tree.path().size() + 1), "material {\n  color = {0,1,0,1}\n}");
    struct utimbuf old = {1000000000, 1000000000};
    ASSERT_EQ(utime(brick.c_str(), &old), 0);
    const std::string before = korvane::test::ReadAll(brick);
    ImportedModel again;
    ASSERT_TRUE(Load(path, again));
    EXPECT_EQ(korvane::test::ReadAll(brick), before);
    struct stat st;
    ASSERT_EQ(stat(brick.c_str(), &st), 0);
    EXPECT_EQ(st.st_mtime, 1000000000);
}

TEST_F(GltfLoader, TextureSources) {
    // One material whose base colour comes from the image under test.
    auto model = [](json image, const std::string& bytesView = std::string()) {
        Builder b;
        const int pos = b.AddFloats(Expand(kQuadPos, 3, kQuadIdx), 3);
        if (!bytesView.empty()) image["bufferView"] = b.AddView(bytesView.data(), bytesView.size());
        b.Add("images", image);
        b.Add("textures", {{"source", 0}});
        b.Add("materials", {{"name", "Mat"}, {"pbrMetallicRoughness", {{"baseColorTexture", {{"index", 0}}}}}});
        b.AddMesh(pos, -1, 0);
        b.Add("nodes", {{"mesh", 0}});
        b.SetScene({0});
        return b;
    };
    const std::string png = "\x89PNG fake bytes";

    {
        SCOPED_TRACE("external file: copied, named with the image index");
        Put("Models/tex/wood.png", png);
        const std::string path = Put("Models/crate.glb", model({{"uri", "tex/wood%20.png"}}).Glb());
        Put("Models/tex/wood .png", png);
        ImportedModel m;
        ASSERT_TRUE(Load(path, m)) << AllMessages();
        const std::string rel = "Imported/" + ImportedAssetFolderName(path) + "/Textures/Mat_Albedo_0_wood .png";
        EXPECT_EQ(std::string(m.materials[1].albedoPath), rel);
        EXPECT_EQ(korvane::test::ReadAll(assets + "/" + rel), png);
    }
    {
        SCOPED_TRACE("two chair.glb in two folders never share files");
        Put("A/tex.png", "A");
        Put("B/tex.png", "B");
        const std::string a = Put("A/chair.glb", model({{"uri", "tex.png"}}).Glb());
        const std::string b = Put("B/chair.glb", model({{"uri", "tex.png"}}).Glb());
        ImportedModel ma, mb;
        ASSERT_TRUE(Load(a, ma));
        ASSERT_TRUE(Load(b, mb));
        EXPECT_NE(std::string(ma.materials[1].albedoPath), std::string(mb.materials[1].albedoPath));
        EXPECT_EQ(korvane::test::ReadAll(assets + "/" + mb.materials[1].albedoPath), "B");
    }
    {
        SCOPED_TRACE("GLB image with MIME image/jpeg is written as .jpg");
        const std::string jpg = "\xFF\xD8\xFF jpeg bytes";
        const std::string path = Put("Models/photo.glb", model({{"mimeType", "image/jpeg"}}, jpg).Glb());
        ImportedModel m;
        ASSERT_TRUE(Load(path, m)) << AllMessages();
        const std::string rel = "Imported/" + ImportedAssetFolderName(path) + "/Textures/Mat_Albedo_0.jpg";
        EXPECT_EQ(std::string(m.materials[1].albedoPath), rel);
        EXPECT_EQ(korvane::test::ReadAll(assets + "/" + rel), jpg);
    }
    {
        SCOPED_TRACE("data: URI image: a warning, the slot stays empty");
        const std::string uri = "data:image/png;base64," + Builder::Base64(png);
        const std::string path = Put("Models/inline.gltf", model({{"uri", uri}}).Gltf());
        ImportedModel m;
        ASSERT_TRUE(Load(path, m)) << AllMessages();
        EXPECT_TRUE(Logged("Embedded data-uri texture on Mat/Albedo cannot be copied as a Project image. Prefer GLB or "
                           "external texture files.",
                           3))
            << AllMessages();
        EXPECT_STREQ(m.materials[1].albedoPath, "");
    }
    {
        SCOPED_TRACE("missing external texture: a warning, nothing copied");
        const std::string path = Put("Models/lost.glb", model({{"uri", "nowhere.png"}}).Glb());
        ImportedModel m;
        ASSERT_TRUE(Load(path, m));
        EXPECT_TRUE(Logged("Texture file not found for Mat/Albedo", 3)) << AllMessages();
        EXPECT_FALSE(fs::exists(assets + "/Imported/" + ImportedAssetFolderName(path) + "/Textures/Mat_Albedo_0_nowhere.png"));
    }
    {
        SCOPED_TRACE("a path too long for the material field is not stored cut");
        const std::string longName(230, 'w');
        Put("Models/" + longName + ".png", png);
        const std::string path = Put("Models/long.glb", model({{"uri", longName + ".png"}}).Glb());
        ImportedModel m;
        ASSERT_TRUE(Load(path, m));
        EXPECT_TRUE(Logged("Texture path too long for the material", 3)) << AllMessages();
        EXPECT_STREQ(m.materials[1].albedoPath, "");
        const std::string mat = korvane::test::ReadAll(m.materials[1].assetPath);
        EXPECT_EQ(mat.find(longName), std::string::npos) << mat;
    }
    {
        SCOPED_TRACE("the running game writes nothing into its bundle");
        g_gameBuild = true;
        Put("Game/tex.png", png);
        const std::string path = Put("Game/prop.glb", model({{"uri", "tex.png"}}).Glb());
        ImportedModel m;
        ASSERT_TRUE(LoadImportedGLTFModelCpu(path.c_str(), m, [] {
            GltfLoadOptions o;
            o.writeProjectAssets = false;
            return o;
        }(), messages));
        EXPECT_FALSE(fs::exists(assets + "/Imported/" + ImportedAssetFolderName(path)));
        EXPECT_EQ(std::string(m.materials[1].albedoPath), "Game/tex.png");
        g_gameBuild = false;
    }
}

TEST_F(GltfLoader, ImageUrisNeverReachOutsideTheModelsFolder) {
    tree.Write("secret.png", "secret");
    for (const char* uri : {"../../x.png", "/etc/hostname", "..%2F..%2F..%2Fsecret.png", "file:///etc/hostname",
                            "sub/../../secret.png", "%2Fetc%2Fhostname"}) {
        SCOPED_TRACE(uri);
        Builder b;
        const int pos = b.AddFloats(Expand(kQuadPos, 3, kQuadIdx), 3);
        b.Add("images", {{"uri", uri}});
        b.Add("textures", {{"source", 0}});
        b.Add("materials", {{"name", "Evil"}, {"pbrMetallicRoughness", {{"baseColorTexture", {{"index", 0}}}}}});
        b.AddMesh(pos, -1, 0);
        b.Add("nodes", {{"mesh", 0}});
        b.SetScene({0});
        const std::string path = Put("Models/evil.glb", b.Glb());
        ImportedModel m;
        ASSERT_TRUE(Load(path, m)) << AllMessages();
        EXPECT_STREQ(m.materials[1].albedoPath, "");
        EXPECT_TRUE(Logged("nothing copied", 3)) << AllMessages();
        const std::string tex = assets + "/Imported/" + ImportedAssetFolderName(path) + "/Textures";
        EXPECT_TRUE(!fs::exists(tex) || fs::is_empty(tex));
    }
}

// ---- Hostile files -----------------------------------------------------------

TEST_F(GltfLoader, HostileFilesFailCleanlyOrLoadWhatIsSound) {
    struct Case {
        const char* what;
        std::string bytes;
        bool loads;
        const char* message;  // expected in the messages
    };
    std::vector<Case> cases;
    {
        Builder b = QuadModel(kUShort);
        std::string glb = b.Glb();
        cases.push_back({"truncated GLB", glb.substr(0, glb.size() / 2), false, "glTF parse failed"});
        cases.push_back({"not a model", "hello world", false, "glTF parse failed"});
        cases.push_back({"empty file", "", false, "glTF parse failed"});
    }
    {
        // The buffer claims more bytes than the BIN chunk holds.
        Builder b = QuadModel(kUShort);
        std::string glb = b.Glb();
        json d = b.doc;
        d["buffers"] = json::array({{{"byteLength", b.bin.size() * 4}}});
        Builder c;
        c.doc = d;
        c.bin = b.bin;
        std::string g = c.Glb();
        // Glb() writes byteLength from bin; patch the JSON text instead.
        const std::string from = "\"byteLength\":" + std::to_string(b.bin.size()) + "}]";
        const size_t at = g.find(from);
        if (at != std::string::npos) g.replace(at, from.size(), "\"byteLength\":" + std::to_string(b.bin.size() * 4) + "}]");
        cases.push_back({"short buffer", g, false, "glTF parse failed"});
    }
    {
        Builder b;
        const int pos = b.AddFloats(kQuadPos, 3);
        const int idx = b.AddIndices({0, 1, 2, 0, 2, 9});
        b.AddMesh(pos, idx);
        b.Add("nodes", {{"mesh", 0}});
        b.SetScene({0});
        cases.push_back({"index past the vertex count", b.Glb(), false, "is past its 4 vertices"});
    }
    {
        Builder b;
        const int view = b.AddView(kQuadPos.data(), kQuadPos.size() * 4);
        const int pos = b.AddAccessor(view, kFloat, 3, "VEC3", 4096);
        b.AddMesh(pos);
        b.Add("nodes", {{"mesh", 0}});
        b.SetScene({0});
        cases.push_back({"accessor offset past its view", b.Glb(), true, "glTF validation warning"});
    }
    {
        Builder b;
        const int pos = b.AddFloats(Expand(kQuadPos, 3, kQuadIdx), 3);
        b.AddMesh(pos);
        b.Add("nodes", {{"name", "A"}, {"mesh", 0}, {"children", {1}}});
        b.Add("nodes", {{"name", "B"}, {"children", {0}}});
        b.SetScene({0});
        cases.push_back({"node cycle 0 -> 1 -> 0", b.Glb(), true, "reached more than once"});
    }
    {
        Builder b;
        b.AddAccessor(-1, kFloat, 4000000000u, "VEC3");
        b.AddMesh(0);
        b.Add("nodes", {{"mesh", 0}});
        b.SetScene({0});
        cases.push_back({"huge count without data", b.Glb(), false, "would exceed"});
        Builder c;
        const int view = c.AddView(kQuadPos.data(), kQuadPos.size() * 4);
        c.AddAccessor(view, kFloat, 3000000000u, "VEC3");
        c.AddMesh(0);
        c.Add("nodes", {{"mesh", 0}});
        c.SetScene({0});
        cases.push_back({"huge count over a small view", c.Glb(), false, "would exceed"});
    }
    {
        Builder b;
        const float bad[] = {0, 0, 0, NAN, 1, 0, 0, INFINITY, 0};
        const int view = b.AddView(bad, sizeof bad);
        b.AddMesh(b.AddAccessor(view, kFloat, 3, "VEC3"));
        b.Add("nodes", {{"mesh", 0}, {"mesh", 0}});
        b.SetScene({0});
        cases.push_back({"non-finite positions", b.Glb(), true, "non-finite vertex positions"});
    }
    {
        Builder b;
        b.Add("nodes", {{"mesh", 7}, {"children", {5, -1}}});
        b.SetScene({0, 12});
        cases.push_back({"indices out of range", b.Glb(), false, "no drawable triangles"});
    }
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = Put("hostile" + std::to_string(n++) + ".glb", c.bytes);
        ImportedModel m;
        EXPECT_EQ(Load(path, m), c.loads) << AllMessages();
        EXPECT_TRUE(Logged(c.message)) << AllMessages();
        for (const V3& v : m.vertices) {
            EXPECT_TRUE(std::isfinite(v.pos[0]) && std::isfinite(v.pos[1]) && std::isfinite(v.pos[2]));
        }
        if (c.loads) {
            EXPECT_TRUE(std::isfinite(m.boundsMin.x) && std::isfinite(m.boundsMax.z));
        }
    }
}

// ---- Validate-only entry -----------------------------------------------------

TEST_F(GltfLoader, ValidateOnlyChecksWithoutWritingAnything) {
    Builder b;
    const int pos = b.AddFloats(Expand(kQuadPos, 3, kQuadIdx), 3);
    b.Add("images", {{"uri", "tex.png"}});
    b.Add("textures", {{"source", 0}});
    b.Add("materials", {{"name", "Mat"}, {"pbrMetallicRoughness", {{"baseColorTexture", {{"index", 0}}}}}});
    b.AddMesh(pos, -1, 0);
    b.Add("nodes", {{"mesh", 0}});
    b.SetScene({0});
    const std::string good = tree.Write("Proj/Library/Imported/Chair/canonical.glb", b.Glb());
    tree.Write("Proj/Library/Imported/Chair/tex.png", "png");
    GltfValidation v = ValidateImportedGLTF(good.c_str());
    EXPECT_TRUE(v.ok) << v.message;
    EXPECT_EQ(v.vertices, 6u);
    EXPECT_EQ(v.submeshes, 1u);
    EXPECT_EQ(v.materials, 2u);
    EXPECT_EQ(v.nodes, 1u);
    EXPECT_FALSE(fs::exists(assets + "/Imported"));

    const std::string bad = tree.Write("Proj/Library/Imported/Chair/broken.glb", "glTF\x02");
    v = ValidateImportedGLTF(bad.c_str());
    EXPECT_FALSE(v.ok);
    EXPECT_NE(v.message.find("glTF parse failed: " + bad), std::string::npos) << v.message;
    v = ValidateImportedGLTF((tree / "missing.glb").c_str());
    EXPECT_FALSE(v.ok);
}

TEST(GltfFiles, NamesAndStems) {
    struct Case {
        const char* in;
        const char* stem;     // ImportedAssetStemFromGLBPath
        const char* base;     // BaseNameNoExt
    } cases[] = {
        {"/a/b/Brick Wall.001.glb", "Brick_Wall_001", "Brick Wall.001"},
        {"/p/Library/Imported/Chair Set/canonical.glb", "Chair_Set", "canonical"},
        {"canonical.glb", "canonical", "canonical"},
        {"/x/.glb", "asset", "asset"},
        {"model", "model", "model"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ImportedAssetStemFromGLBPath(c.in), c.stem) << c.in;
        EXPECT_EQ(BaseNameNoExt(c.in), c.base) << c.in;
    }
    EXPECT_EQ(SanitizeFileStem(""), "asset");
    EXPECT_EQ(DirNameStr("file.glb"), ".");
    EXPECT_EQ(DirNameStr("/a/b.glb"), "/a");
    EXPECT_EQ(ImageExtFromMime("image/jpeg"), ".jpg");
    EXPECT_EQ(ImageExtFromMime("image/webp"), ".webp");
    EXPECT_EQ(ImageExtFromMime("image/ktx2"), ".ktx2");
    EXPECT_EQ(ImageExtFromMime(""), ".png");
    EXPECT_EQ(PercentDecode("a%20b%2"), "a b%2");
    // A converted model keeps its folder name; other models carry a hash.
    EXPECT_EQ(ImportedAssetFolderName("/p/Library/Imported/Chair/canonical.glb"), "Chair");
}

TEST(GltfFiles, WritesAreWholeOrAbsent) {
    TempTree t;
    const std::string dst = t / "out/tex.png";
    const unsigned char bytes[] = {1, 2, 3};
    ASSERT_TRUE(WriteBytesToFileEarly(dst, bytes, 3));
    EXPECT_EQ(korvane::test::ReadAll(dst), std::string("\x01\x02\x03", 3));
    // An existing file is never replaced or truncated.
    const unsigned char other[] = {9};
    EXPECT_TRUE(WriteBytesToFileEarly(dst, other, 1));
    EXPECT_EQ(korvane::test::ReadAll(dst), std::string("\x01\x02\x03", 3));
    EXPECT_FALSE(WriteBytesToFileEarly(t / "empty.png", bytes, 0));
    EXPECT_FALSE(CopyFileEarly(t / "missing.png", t / "copy.png"));
    EXPECT_FALSE(fs::exists(t / "copy.png"));
    EXPECT_TRUE(CopyFileEarly(dst, t / "copy.png"));
    EXPECT_EQ(korvane::test::ReadAll(t / "copy.png"), std::string("\x01\x02\x03", 3));
    // No temporary siblings are left behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(t / "out"), fs::directory_iterator()), 1);
}

}  // namespace
