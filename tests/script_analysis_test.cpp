// The script analyser: exact diagnostics (line, column, severity, message) in
// order for each rule, the outline, the status line and the caps that keep a
// hostile buffer cheap.

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "editor/legacy/scripting/ScriptAnalysis.h"
#include "editor/legacy/scripting/ScriptGutter.h"

namespace {

struct Diag {
    int line, column, severity;
    std::string message;
    bool operator==(const Diag&) const = default;
};

std::vector<Diag> Diags(const ScriptAnalysis& a) {
    std::vector<Diag> out;
    for (const ScriptDiagnostic& d : a.diagnostics) out.push_back({d.line, d.column, d.severity, d.message});
    return out;
}

void PrintTo(const Diag& d, std::ostream* os) {
    *os << "(" << d.line << ", " << d.column << ", " << d.severity << ", \"" << d.message << "\")";
}

const char* kNoFunction = "No function detected. Gameplay scripts should normally return a function(self, dt).";
const char* kNoReturn = "FS scripts should usually use: return function(self, dt) ... end";
const char* kNeeds = "@export needs: -- @export <type> <name> <default>";

struct Case {
    const char* what;
    std::string text;
    const char* ext;
    std::vector<Diag> expect;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.what; }

class ScriptAnalysisTable : public ::testing::TestWithParam<Case> {};

TEST_P(ScriptAnalysisTable, GivesExactlyTheseDiagnosticsInOrder) {
    const Case& c = GetParam();
    EXPECT_EQ(Diags(AnalyzeScriptText(c.text, c.ext)), c.expect) << c.what;
}

const std::string k180(180, 'x'), k181(181, 'x'), k200(200, 'x');

INSTANTIATE_TEST_SUITE_P(
    Rules, ScriptAnalysisTable,
    ::testing::Values(
        Case{"a clean return function", "return function(self, dt) local x = {1, 2} end\n", ".fs", {}},
        Case{"a paren closed by a bracket at column 7", "x = (1]", ".py", {{1, 7, 4, "Mismatched ']'; expected ')'."}}},
        Case{"an unclosed opener reported at its place", "f(a, {b}", ".py", {{1, 2, 4, "Unclosed '('; expected ')'."}}},
        Case{"a closer with nothing open", "a)", ".py", {{1, 2, 4, "Unexpected closing ')'."}}},
        Case{"unclosed openers bottom to top", "(\n [", ".py",
             {{1, 1, 4, "Unclosed '('; expected ')'."}, {2, 2, 4, "Unclosed '['; expected ']'."}}},
        Case{"an unterminated string; its bracket is not counted", "s = \"abc (", ".py",
             {{1, 10, 4, "Unterminated string literal."}}},
        Case{"a literal never continues on the next line", "s = 'a\nb)", ".py",
             {{1, 6, 4, "Unterminated string literal."}, {2, 2, 4, "Unexpected closing ')'."}}},
        Case{"escaped quotes stay inside the string", "s = \"a\\\"(b\" .. 'c\\'['", ".py", {}},
        Case{"two dashes inside a string are no comment", "s = \"--(\" .. f(1)", ".py", {}},
        Case{"a comment ends the bracket scan", "f(1) -- (", ".py", {}},
        Case{"brackets balance across lines", "f(\n1,\n2\n)", ".py", {}},
        Case{"a declaration with only a type", "-- @export float", ".py", {{1, 1, 4, kNeeds}}},
        Case{"a type word is case-sensitive", "-- @export Float speed 1", ".py",
             {{1, 1, 4, "Unknown export type 'Float'."}}},
        Case{"a name must start with a letter or underscore", "-- @export float 2fast 1", ".py",
             {{1, 1, 4, "Export name must start with a letter or underscore."}}},
        Case{"both export errors on one line", "-- @export vec4 9x 1", ".py",
             {{1, 1, 4, "Unknown export type 'vec4'."}, {1, 1, 4, "Export name must start with a letter or underscore."}}},
        Case{"columns of indented lines count the indentation", "    -- @export float", ".py", {{1, 5, 4, kNeeds}}},
        Case{"a 40-character type word is cut for the message only",
             "-- @export " + std::string(40, 't') + " name 1", ".py",
             {{1, 1, 4, "Unknown export type '" + std::string(31, 't') + "'."}}},
        Case{"180 characters is fine", k180, ".py", {}},
        Case{"181 characters warns at column 181", k181, ".py",
             {{1, 181, 3, "Line is very long; consider wrapping for readability."}}},
        Case{"200 characters warns once", k200, ".py",
             {{1, 181, 3, "Line is very long; consider wrapping for readability."}}},
        Case{"a CRLF line is not longer than its LF twin", k180 + "\r\nok", ".py", {}},
        Case{"markers and debug prints are info", "  print(1) -- TODO\nx = 1 print(2)", ".py",
             {{1, 1, 2, "Todo marker found."}, {1, 1, 2, "Debug print left in script."},
              {2, 1, 2, "Debug print left in script."}}},
        Case{"rules in order on one line", k181 + " TODO (", ".py",
             {{1, 181, 3, "Line is very long; consider wrapping for readability."},
              {1, 1, 2, "Todo marker found."},
              {1, 188, 4, "Unclosed '('; expected ')'."}}},
        Case{".fs without any function", "x = 1", ".fs", {{1, 1, 3, kNoFunction}, {1, 1, 3, kNoReturn}}},
        Case{".fs with a function but no return function", "local function f() end", ".fs", {{1, 1, 3, kNoReturn}}},
        Case{".lua without a function", "x = 1", ".lua", {{1, 1, 3, kNoFunction}}},
        Case{"extensions compare without case", "x = 1", ".FS", {{1, 1, 3, kNoFunction}, {1, 1, 3, kNoReturn}}},
        Case{".py has no file-level warnings", "x = 1", ".py", {}},
        Case{".cs has no file-level warnings", "x = 1", ".cs", {}},
        Case{"unclosed openers come before the file-level warnings", "x = (", ".fs",
             {{1, 5, 4, "Unclosed '('; expected ')'."}, {1, 1, 3, kNoFunction}, {1, 1, 3, kNoReturn}}}),
    [](const ::testing::TestParamInfo<Case>& info) { return "case" + std::to_string(info.index); });

TEST(ScriptAnalysis, OutlineHoldsExportsAndFunctionLines) {
    ScriptAnalysis a = AnalyzeScriptText(
        "-- @export float moveSpeed 4\n-- @export Float bad 1\n-- @export float\n\n  return function(self, dt)\nend\n", ".fs");
    ASSERT_EQ(a.outline.size(), 3u);
    EXPECT_EQ(a.outline[0].line, 1);
    EXPECT_STREQ(a.outline[0].text, "@export float moveSpeed");
    EXPECT_EQ(a.outline[1].line, 2);  // an unknown type still gives its outline item
    EXPECT_STREQ(a.outline[1].text, "@export Float bad");
    EXPECT_EQ(a.outline[2].line, 5);  // "too few words" gives none; function lines are trimmed
    EXPECT_STREQ(a.outline[2].text, "return function(self, dt)");
    EXPECT_EQ(ScriptAnalysisStatus(a), "Analysis: 2 error(s), 0 warning(s)");
}

TEST(ScriptAnalysis, CleanScriptStatus) {
    EXPECT_EQ(ScriptAnalysisStatus(AnalyzeScriptText("return function(self, dt) end", ".fs")),
              "Analysis: 0 error(s), 0 warning(s)");
}

TEST(ScriptAnalysis, ManyProblemsAreCappedButCounted) {
    std::string closers;
    for (int i = 0; i < 1000; ++i) closers += ")\n";
    ScriptAnalysis a = AnalyzeScriptText(closers, ".py");
    ASSERT_EQ(a.diagnostics.size(), kScriptMaxDiagnostics + 1);
    EXPECT_EQ(a.errors, 1000);
    EXPECT_EQ(a.omitted, 1000 - kScriptMaxDiagnostics);
    const ScriptDiagnostic& last = a.diagnostics.back();
    EXPECT_EQ(last.severity, 2);
    EXPECT_STREQ(last.message, "500 more diagnostic(s) not listed.");
    EXPECT_EQ(ScriptAnalysisStatus(a), "Analysis: 1000 error(s), 0 warning(s)");
}

TEST(ScriptAnalysis, HelpersClampAndCut) {
    ScriptAnalysis a;
    ScriptAddDiagnostic(a, 0, -3, 3, "%s", std::string(400, 'm').c_str());
    ASSERT_EQ(a.diagnostics.size(), 1u);
    EXPECT_EQ(a.diagnostics[0].line, 1);
    EXPECT_EQ(a.diagnostics[0].column, 1);
    EXPECT_EQ(std::string(a.diagnostics[0].message).size(), 255u);
    // A cut never splits a multi-byte character.
    std::string accents;
    for (int i = 0; i < 100; ++i) accents += "\xC3\xA9";
    ScriptPushOutline(a, 1, std::string_view(accents));
    ScriptPushOutline(a, 1, static_cast<const char*>(nullptr));
    EXPECT_EQ(std::string(a.outline[0].text).size(), 126u);
    EXPECT_STREQ(a.outline[1].text, "");
    for (const char* w : {"float", "int", "bool", "string", "color", "vec3", "enum", "entityref"})
        EXPECT_TRUE(ScriptExportTypeAllowed(w)) << w;
    for (const char* w : {"Float", "double", "", "entity", "vec4"}) EXPECT_FALSE(ScriptExportTypeAllowed(w)) << w;
    EXPECT_EQ(ScriptTrim(" \t\v\f\r\nab c\n "), "ab c");
    EXPECT_EQ(ScriptTrim(" \t "), "");
}

TEST(ScriptGutter, MarksFollowTheDiagnostics) {
    ScriptAnalysis a = AnalyzeScriptText("ok\n" + std::string(181, 'x') + "\n{(\nTODO\n" + std::string(181, 'y') + " ]", ".py");
    // Line 2 warning, line 3 unclosed error, line 4 info only, line 5 warning and error.
    const std::vector<uint8_t> marks = ScriptGutterMarks(a.diagnostics, 1, 6);
    EXPECT_EQ(marks, (std::vector<uint8_t>{0, 3, 4, 0, 4, 0}));
    EXPECT_EQ(ScriptGutterMarks(a.diagnostics, 3, 3), (std::vector<uint8_t>{4}));
    EXPECT_TRUE(ScriptGutterMarks(a.diagnostics, 4, 3).empty());
}

}  // namespace
