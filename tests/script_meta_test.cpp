// Script metadata of scripted entities: finding a stored script path, the
// stored type codes, keeping user values across re-parses, the built-in
// scripts, and safe reads of enum and entity-reference values.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "editor/legacy/base/ProjectPaths.h"
#include "editor/legacy/scene/EntityStore.h"
#include "editor/legacy/scripting/ScriptMeta.h"
#include "tests/support/SceneModel.h"
#include "tests/support/TempTree.h"

using korvane::test::TempTree;

namespace {

class ScriptMetaTest : public ::testing::Test {
protected:
    void SetUp() override {
        korvane::test::ResetSceneModel();
        savedAsset_ = g_assetRoot;
        savedProject_ = g_projectRoot;
        g_assetRoot = assets_.path();
        SetProjectRoot(project_.path());
        ForgetScriptLookupFailures();
    }
    void TearDown() override {
        g_assetRoot = savedAsset_;
        SetProjectRoot(savedProject_);
        ForgetScriptLookupFailures();
        korvane::test::ResetSceneModel();
    }
    int32_t Scripted(const char* path) {
        Entity* e = AddEnt("S", -1);
        e->hasScript = true;
        std::strcpy(e->script.scriptPath, path);
        return e->id;
    }
    TempTree project_, assets_;
    std::string savedAsset_, savedProject_;
};

TEST(ScriptAssets, RecognisedByExtension) {
    struct Row {
        const char* path;
        bool script;
    } rows[] = {{"a.fs", true},   {"b/c.lua", true}, {"x.py", true},  {"y.cs", true},     {"z.FS", false},
                {"a.fs.bak", false}, {"fs", false},  {"", false},     {"dir.fs/file", false}};
    for (const Row& r : rows) EXPECT_EQ(IsScriptAsset(r.path), r.script) << r.path;
    EXPECT_FALSE(IsScriptAsset(nullptr));
}

TEST_F(ScriptMetaTest, FindsScriptsInRootAndPrefixOrder) {
    char out[4096];
    project_.Write("Assets/Scripts/ai/enemy.fs", "--\n");
    ASSERT_TRUE(TryOpenScript("ai/enemy.fs", out, sizeof(out)));
    EXPECT_EQ(std::string(out), project_ / "Assets/Scripts/ai/enemy.fs");

    assets_.Write("scripts/player.fs", "--\n");
    ASSERT_TRUE(TryOpenScript("player.fs", out, sizeof(out)));
    EXPECT_EQ(std::string(out), assets_ / "scripts/player.fs");
    project_.Write("scripts/player.fs", "--\n");  // the project comes before the asset root
    ASSERT_TRUE(TryOpenScript("player.fs", out, sizeof(out)));
    EXPECT_EQ(std::string(out), project_ / "scripts/player.fs");

    assets_.Write("scripts/kelmar/k.fs", "--\n");
    ASSERT_TRUE(TryOpenScript("k.fs", out, sizeof(out)));
    EXPECT_EQ(std::string(out), assets_ / "scripts/kelmar/k.fs");

    std::string abs = project_.Write("elsewhere/abs.fs", "--\n");
    ASSERT_TRUE(TryOpenScript(abs.c_str(), out, sizeof(out)));
    EXPECT_EQ(std::string(out), abs);

    project_.Mkdir("Assets/Scripts/folder.fs");  // a directory opens, but is no script
    EXPECT_FALSE(TryOpenScript("folder.fs", out, sizeof(out)));
    EXPECT_FALSE(TryOpenScript("none.fs", out, sizeof(out)));
    EXPECT_FALSE(TryOpenScript("", out, sizeof(out)));
}

TEST_F(ScriptMetaTest, SkipsCandidatesThatDoNotFitTheBuffer) {
    project_.Write("Assets/Scripts/long.fs", "--\n");
    assets_.Write("scripts/long.fs", "--\n");
    std::string projectHit = project_ / "Assets/Scripts/long.fs";
    std::string assetHit = assets_ / "scripts/long.fs";
    ASSERT_LT(assetHit.size(), projectHit.size());
    std::string out(assetHit.size() + 1, 'x');
    ASSERT_TRUE(TryOpenScript("long.fs", out.data(), out.size()));
    EXPECT_EQ(std::string(out.c_str()), assetHit);  // the project one was skipped, not cut
    char tiny[8];
    EXPECT_FALSE(TryOpenScript("long.fs", tiny, sizeof(tiny)));
}

TEST_F(ScriptMetaTest, StoresTypeCodesAndCutsTexts) {
    std::string longName(40, 'n');
    std::string longText(300, 's');
    project_.Write("Assets/Scripts/all.fs",
                   "-- @export float f 1.5\n"
                   "-- @export int i 3\n"
                   "-- @export bool b true\n"
                   "-- @export string s \"" + longText + "\"\n"
                   "-- @export color c 1 0 0\n"
                   "-- @export vec3 v 1 2 3\n"
                   "-- @export enum e \"A;B;C\" 1\n"
                   "-- @export entityref r light\n"
                   "-- @export float " + longName + " 2\n");
    ScriptMeta m;
    ParseScriptExports("all.fs", m);
    ASSERT_TRUE(m.parsed);
    EXPECT_STREQ(m.scriptPath, "all.fs");  // the stored path, not the resolved one
    ASSERT_EQ(m.fieldCount, 9);
    const int32_t codes[] = {0, 1, 3, 2, 4, 5, 6, 7, 0};
    for (int i = 0; i < 9; ++i) EXPECT_EQ(m.fields[i].fieldType, codes[i]) << i;
    EXPECT_FLOAT_EQ(m.fields[2].fieldValue, 1.0f);
    EXPECT_EQ(std::strlen(m.fields[3].stringValue), 255u);
    EXPECT_FLOAT_EQ(m.fields[4].vectorValue[3], 1.0f);
    EXPECT_FLOAT_EQ(m.fields[5].vectorValue[2], 3.0f);
    EXPECT_STREQ(m.fields[6].extraText, "A;B;C");
    EXPECT_FLOAT_EQ(m.fields[7].fieldValue, -1.0f);
    EXPECT_STREQ(m.fields[7].extraText, "light");
    EXPECT_EQ(std::strlen(m.fields[8].fieldName), 31u);
}

TEST_F(ScriptMetaTest, KeepsSixteenFields) {
    std::string text;
    for (int i = 0; i < 20; ++i) text += "-- @export float f" + std::to_string(i) + " 1\n";
    project_.Write("Assets/Scripts/many.fs", text);
    ScriptMeta m;
    ParseScriptExports("many.fs", m);
    EXPECT_TRUE(m.parsed);
    EXPECT_EQ(m.fieldCount, 16);
    EXPECT_STREQ(m.fields[15].fieldName, "f15");
}

TEST_F(ScriptMetaTest, EnsureDropsEntriesOfEntitiesWithoutScripts) {
    project_.Write("Assets/Scripts/a.fs", "-- @export float speed 2\n");
    int32_t id = Scripted("a.fs");
    EnsureScriptMeta(id);
    ASSERT_TRUE(g_scriptMeta.count(id));
    EXPECT_TRUE(g_scriptMeta[id].parsed);

    GetEnt(id)->script.scriptPath[0] = '\0';
    EnsureScriptMeta(id);
    EXPECT_FALSE(g_scriptMeta.count(id));

    std::strcpy(GetEnt(id)->script.scriptPath, "a.fs");
    EnsureScriptMeta(id);
    GetEnt(id)->hasScript = false;
    EnsureScriptMeta(id);
    EXPECT_FALSE(g_scriptMeta.count(id));

    g_scriptMeta[999] = ScriptMeta();
    EnsureScriptMeta(999);  // no such entity
    EXPECT_FALSE(g_scriptMeta.count(999));
}

TEST_F(ScriptMetaTest, ValuesSurviveReparseOnlyWhereNameTypeAndPositionStay) {
    std::string path = project_.Write("Assets/Scripts/w.fs",
                                      "-- @export float a 1\n-- @export float b 2\n-- @export float c 3\n"
                                      "-- @export float d 4\n");
    int32_t id = Scripted("w.fs");
    EnsureScriptMeta(id);
    for (int i = 0; i < 4; ++i) g_scriptMeta[id].fields[i].fieldValue = 10.0f + float(i);

    // A cached entry whose path matches stands, even after the file changes.
    project_.Write("Assets/Scripts/w.fs", "-- @export float z 0\n");
    EnsureScriptMeta(id);
    EXPECT_EQ(g_scriptMeta[id].fieldCount, 4);

    struct Step {
        const char* text;
        float expect[4];
        const char* why;
    } steps[] = {
        {"-- @export float a 1\n-- @export float b 2\n-- @export float renamed 3\n-- @export float d 4\n",
         {10, 11, 3, 13}, "renaming the third keeps the others"},
        {"-- @export float b 2\n-- @export float a 1\n-- @export float renamed 3\n-- @export float d 4\n",
         {2, 1, 12, 13}, "moving fields resets them"},
        {"-- @export float b 2\n-- @export float a 1\n-- @export float renamed 3\n-- @export int d 4\n",
         {10, 11, 12, 4}, "a changed type resets the value"},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.why);
        for (int i = 0; i < 4; ++i) g_scriptMeta[id].fields[i].fieldValue = 10.0f + float(i);
        project_.Write("Assets/Scripts/w.fs", s.text);
        g_scriptMeta[id].parsed = false;  // as after a drop-and-reload of a matching path
        EnsureScriptMeta(id);
        ASSERT_EQ(g_scriptMeta[id].fieldCount, 4);
        for (int i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(g_scriptMeta[id].fields[i].fieldValue, s.expect[i]) << i;
    }
    (void)path;
}

TEST_F(ScriptMetaTest, MissingScriptIsNotLookedUpEveryFrame) {
    int32_t id = Scripted("later.fs");
    EnsureScriptMeta(id);
    ASSERT_TRUE(g_scriptMeta.count(id));
    EXPECT_FALSE(g_scriptMeta[id].parsed);
    EXPECT_EQ(g_scriptMeta[id].fieldCount, 0);

    // Created right after: the remembered failure stands until the next check.
    project_.Write("Assets/Scripts/later.fs", "-- @export float speed 2\n");
    EnsureScriptMeta(id);
    EXPECT_FALSE(g_scriptMeta[id].parsed);

    ForgetScriptLookupFailures();
    EnsureScriptMeta(id);
    EXPECT_TRUE(g_scriptMeta[id].parsed);
    EXPECT_EQ(g_scriptMeta[id].fieldCount, 1);
}

TEST_F(ScriptMetaTest, ReadFailureKeepsTheEarlierEntry) {
    project_.Write("Assets/Scripts/k.fs", "-- @export float speed 2\n");
    int32_t id = Scripted("k.fs");
    EnsureScriptMeta(id);
    g_scriptMeta[id].fields[0].fieldValue = 7.0f;
    std::strcpy(GetEnt(id)->script.scriptPath, "gone.fs");
    EnsureScriptMeta(id);
    ASSERT_TRUE(g_scriptMeta.count(id));
    EXPECT_TRUE(g_scriptMeta[id].parsed);
    EXPECT_STREQ(g_scriptMeta[id].scriptPath, "k.fs");
    EXPECT_FLOAT_EQ(g_scriptMeta[id].fields[0].fieldValue, 7.0f);
}

TEST_F(ScriptMetaTest, BuiltInScriptsGiveTheFieldsTheBehavioursRead) {
    g_assetRoot = KORVANE_RESOURCES_DIR;
    struct Row {
        const char* script;
        int count;
        const char* first;
        int32_t firstType;
        float firstValue;
    } rows[] = {{"player.fs", 8, "moveSpeed", ScriptFieldType_Float, 5.0f},
                {"enemy.fs", 3, "patrolSpeed", ScriptFieldType_Float, 2.0f},
                {"spinner.fs", 3, "spinSpeed", ScriptFieldType_Float, 90.0f},
                {"platform.fs", 0, "", 0, 0.0f}};
    for (const Row& r : rows) {
        ScriptMeta m;
        ParseScriptExports(r.script, m);
        ASSERT_TRUE(m.parsed) << r.script;
        EXPECT_EQ(m.fieldCount, r.count) << r.script;
        if (r.count == 0) continue;
        EXPECT_STREQ(m.fields[0].fieldName, r.first);
        EXPECT_EQ(m.fields[0].fieldType, r.firstType);
        EXPECT_FLOAT_EQ(m.fields[0].fieldValue, r.firstValue);
    }
    ScriptMeta p;
    ParseScriptExports("player.fs", p);
    EXPECT_STREQ(p.fields[5].fieldName, "firstPerson");
    EXPECT_EQ(p.fields[5].fieldType, ScriptFieldType_Bool);
    EXPECT_STREQ(p.fields[7].fieldName, "camTarget");
    EXPECT_EQ(p.fields[7].fieldType, ScriptFieldType_Entity);
    EXPECT_STREQ(p.fields[7].extraText, "camera");
    EXPECT_EQ(ScriptFieldEntityId(p.fields[7]), -1);
}

TEST(ScriptFieldValues, ChoiceIndexAndEntityIdAreGuarded) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Row {
        float value;
        int choice;  // with options "A;B;C"
        int32_t entity;
    } rows[] = {{0, 0, 0},     {2, 2, 2},       {3, 0, 3},         {-1, 0, -1},       {1.5f, 0, -1},
                {nan, 0, -1},  {inf, 0, -1},    {-inf, 0, -1},     {3e9f, 0, -1},     {-3e9f, 0, -1},
                {12, 0, 12}};
    for (const Row& r : rows) {
        ScriptField f;
        std::strcpy(f.extraText, "A;B;C");
        f.fieldValue = r.value;
        EXPECT_EQ(ScriptFieldChoiceIndex(f), r.choice) << r.value;
        EXPECT_EQ(ScriptFieldEntityId(f), r.entity) << r.value;
    }
    EXPECT_EQ(ScriptChoiceOptionCount(""), 0);
    EXPECT_EQ(ScriptChoiceOptionCount("one"), 1);
    std::string many;
    for (int i = 0; i < 40; ++i) many += "o;";
    EXPECT_EQ(ScriptChoiceOptionCount(many.c_str()), 32);
}

}  // namespace
