// The export declaration grammar of the engine core: every type word, the
// malformed lines it skips, where the scan stops, and reading from files.

#include <gtest/gtest.h>

#include <string>

#include "engine/scripting/ScriptExports.h"
#include "tests/support/TempTree.h"

using namespace korvane::scripting;
using korvane::test::TempTree;

namespace {

ScriptExportDocument Parse(const std::string& text) {
    auto r = ParseScriptExportsFromText("t.fs", text);
    EXPECT_TRUE(r.ok());
    return r.value();
}

struct OneLine {
    const char* line;
    bool accepted;
    ScriptExportType type;
    const char* name;
    float value;
    const char* text;  // stringValue, or extraText for enum and entityref
    float vec[4];
    const char* why;
};

TEST(ScriptExports, OneDeclarationPerLine) {
    using T = ScriptExportType;
    const OneLine rows[] = {
        {"-- @export float moveSpeed 4.0", true, T::Float, "moveSpeed", 4.0f, "", {1, 1, 1, 1}, "plain float"},
        {"-- @export float f -2.5e1", true, T::Float, "f", -25.0f, "", {1, 1, 1, 1}, "exponent and sign"},
        {"-- @export float f", false, T::Float, "", 0, "", {}, "float without default"},
        {"-- @export float f fast", false, T::Float, "", 0, "", {}, "float default is a word"},
        {"-- @export float f +1", false, T::Float, "", 0, "", {}, "no plus sign"},
        {"-- @export float f 0x10", false, T::Float, "", 0, "", {}, "no hexadecimal"},
        {"-- @export float f 1.5x", false, T::Float, "", 0, "", {}, "nothing after the number"},
        {"-- @export float f 1 2", false, T::Float, "", 0, "", {}, "two numbers"},
        {"-- @export float f inf", false, T::Float, "", 0, "", {}, "infinity is not a default"},
        {"-- @export float f nan", false, T::Float, "", 0, "", {}, "nan is not a default"},
        {"-- @export float f 1e40", false, T::Float, "", 0, "", {}, "beyond float range"},
        {"-- @export float f -1e39", false, T::Float, "", 0, "", {}, "beyond float range, negative"},
        {"-- @export int count 3", true, T::Int, "count", 3.0f, "", {1, 1, 1, 1}, "int"},
        {"-- @export int count 2.5", true, T::Int, "count", 2.5f, "", {1, 1, 1, 1}, "fractional int kept"},
        {"-- @export int count many", false, T::Int, "", 0, "", {}, "int that does not parse"},
        {"-- @export bool on TRUE", true, T::Bool, "on", 1.0f, "", {1, 1, 1, 1}, "bool upper case"},
        {"-- @export bool on 1", true, T::Bool, "on", 1.0f, "", {1, 1, 1, 1}, "bool one"},
        {"-- @export bool on yes", true, T::Bool, "on", 0.0f, "", {1, 1, 1, 1}, "yes is false"},
        {"-- @export bool on", true, T::Bool, "on", 0.0f, "", {1, 1, 1, 1}, "empty bool is false"},
        {"-- @export string s \"a\\tb\"", true, T::String, "s", 0, "a\tb", {1, 1, 1, 1}, "escape in quotes"},
        {"-- @export string s \"q\\\"x\" tail", true, T::String, "s", 0, "q\"x", {1, 1, 1, 1}, "escaped quote"},
        {"-- @export string s hello world", true, T::String, "s", 0, "hello world", {1, 1, 1, 1}, "unquoted text"},
        {"-- @export string s \"open", true, T::String, "s", 0, "\"open", {1, 1, 1, 1}, "unclosed stays as text"},
        {"-- @export color c 1 0 0", true, T::Color, "c", 0, "", {1, 0, 0, 1}, "colour keeps alpha"},
        {"-- @export color c 0.5 0.25 0 0.5", true, T::Color, "c", 0, "", {0.5f, 0.25f, 0, 0.5f}, "rgba"},
        {"-- @export color c 0.5 x 0", true, T::Color, "c", 0, "", {0.5f, 1, 1, 1}, "stops at a word"},
        {"-- @export color c 0.5 nan 0", true, T::Color, "c", 0, "", {0.5f, 1, 1, 1}, "stops at nan"},
        {"-- @export vec3 v 2", true, T::Vec3, "v", 0, "", {2, 1, 1, 0}, "vec3 start values"},
        {"-- @export vec3 v 1 2 3 4", true, T::Vec3, "v", 0, "", {1, 2, 3, 0}, "vec3 reads three"},
        {"-- @export enum mode \"Walk;Run;Fly\" 2", true, T::Enum, "mode", 2.0f, "Walk;Run;Fly", {1, 1, 1, 1}, "enum"},
        {"-- @export enum mode \"A;B\"", true, T::Enum, "mode", 0.0f, "A;B", {1, 1, 1, 1}, "enum no index"},
        {"-- @export enum mode \"A;B\" nan", true, T::Enum, "mode", 0.0f, "A;B", {1, 1, 1, 1}, "enum nan index"},
        {"-- @export enum mode Walk;Run;Fly 2", false, T::Enum, "", 0, "", {}, "enum without quotes"},
        {"-- @export enum mode \"Walk;Run", false, T::Enum, "", 0, "", {}, "enum unclosed"},
        {"-- @export entityref camTarget camera", true, T::EntityRef, "camTarget", -1.0f, "camera", {1, 1, 1, 1},
         "entity reference"},
        {"-- @export entityref any", true, T::EntityRef, "any", -1.0f, "", {1, 1, 1, 1}, "any entity"},
        {"-- @export vector v 1 2 3", false, T::Float, "", 0, "", {}, "unknown type word"},
        {"-- @export Float f 1", false, T::Float, "", 0, "", {}, "type words are case-sensitive"},
        {"-- @export float", false, T::Float, "", 0, "", {}, "one token"},
        {"   -- @export float f 1   \r", true, T::Float, "f", 1.0f, "", {1, 1, 1, 1}, "trimmed, CR"},
        {"-- @export float ff ff1 1", false, T::Float, "", 0, "", {}, "default after the name: 'ff1 1'"},
        {"-- @export float speed 7 ", true, T::Float, "speed", 7.0f, "", {1, 1, 1, 1}, "trailing blank"},
    };
    for (const OneLine& r : rows) {
        SCOPED_TRACE(r.why);
        ScriptExportDocument doc = Parse(r.line);
        ASSERT_EQ(doc.fields.size(), r.accepted ? 1u : 0u);
        if (!r.accepted) continue;
        const ScriptExportField& f = doc.fields[0];
        EXPECT_EQ(f.type, r.type);
        EXPECT_EQ(f.name, r.name);
        EXPECT_FLOAT_EQ(f.value, r.value);
        if (r.type == T::String) EXPECT_EQ(f.stringValue, r.text);
        else EXPECT_EQ(f.extraText, r.text);
        for (int k = 0; k < 4; ++k) EXPECT_FLOAT_EQ(f.vectorValue[size_t(k)], r.vec[k]) << k;
    }
}

TEST(ScriptExports, ReadsOnlyTheLeadingCommentBlock) {
    struct Case {
        const char* text;
        size_t count;
        const char* why;
    } cases[] = {
        {"local x = 1\n-- @export float a 1\n", 0, "code first: no exports"},
        {"\n\n-- @export float a 1\n\n-- @export float b 2\nreturn 1\n-- @export float c 3\n", 2, "blank lines skip"},
        {"--@export float a 1\n-- @export float b 2\n", 1, "no blank after dashes: comment, scan goes on"},
        {"-- about\r\n-- @export float a 1\r\n-- @export bool b true\r\n", 2, "CRLF lines"},
        {"-- @export float a 1", 1, "no final newline"},
        {"", 0, "empty text"},
    };
    for (const Case& c : cases) EXPECT_EQ(Parse(c.text).fields.size(), c.count) << c.why;
}

TEST(ScriptExports, KeepsOrderAndStopsAfterSixtyFour) {
    std::string text;
    for (int i = 0; i < 70; ++i) text += "-- @export float f" + std::to_string(i) + " " + std::to_string(i) + "\n";
    ScriptExportDocument doc = Parse(text);
    ASSERT_EQ(doc.fields.size(), 64u);
    EXPECT_EQ(doc.fields[0].name, "f0");
    EXPECT_EQ(doc.fields[63].name, "f63");
    EXPECT_FLOAT_EQ(doc.fields[63].value, 63.0f);
    EXPECT_EQ(doc.scriptPath, "t.fs");
}

TEST(ScriptExports, NumberReaderIsLocaleFree) {
    const char* good[] = {"0", "-0.5", "3.", ".25", "1e3", "1E-3", "12345678"};
    const char* bad[] = {"", "-", ".", "e3", "1e", "1,5", " 1", "1 ", "infinity", "NaN", "1e39", "--1"};
    float v = 0;
    for (const char* g : good) EXPECT_TRUE(ParseExportNumber(g, v)) << g;
    for (const char* b : bad) EXPECT_FALSE(ParseExportNumber(b, v)) << b;
    ASSERT_TRUE(ParseExportNumber("1e3", v));
    EXPECT_FLOAT_EQ(v, 1000.0f);
}

TEST(ScriptExports, FromFileReadsOrReportsTheReadFailure) {
    TempTree t;
    std::string path = t.Write("a.fs", "-- @export float speed 3\nreturn function(self, dt) end\n");
    auto r = ParseScriptExportsFromFile(path);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.value().scriptPath, path);
    ASSERT_EQ(r.value().fields.size(), 1u);
    EXPECT_EQ(r.value().fields[0].name, "speed");

    auto missing = ParseScriptExportsFromFile(t / "missing.fs");
    EXPECT_FALSE(missing.ok());
    EXPECT_FALSE(missing.status().message().empty());
    EXPECT_FALSE(ParseScriptExportsFromFile(t.path()).ok());  // a directory is no script
}

}  // namespace
