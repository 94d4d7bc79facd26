#pragma once
// A line-based checker for script text: long lines, markers, export
// declarations, debug prints, and brackets and strings balanced outside
// comments. It does not parse the script language and keeps no state between
// runs. The script editor runs it over its buffer; tests call it directly.
//
//   ScriptDiagnostic, ScriptOutlineItem, ScriptAnalysis
//   AnalyzeScriptText(text, ext)        the whole analysis as a pure function
//   ScriptAddDiagnostic, ScriptPushOutline, ScriptExportTypeAllowed, ScriptTrim
//   ScriptAnalysisStatus(result)        "Analysis: N error(s), M warning(s)"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

struct ScriptDiagnostic {
    int line = 1;      // 1-based, never below 1
    int column = 1;    // 1-based, never below 1
    int severity = 2;  // 2 info, 3 warning, 4 error
    char message[256] = {};
};

struct ScriptOutlineItem {
    int line = 1;
    char text[128] = {};
};

// A file with thousands of problems would otherwise build a list nobody can
// read and that costs more than the text: past this many, the rest are only
// counted, and one info line says how many were left out.
constexpr size_t kScriptMaxDiagnostics = 500;

struct ScriptAnalysis {
    std::vector<ScriptDiagnostic> diagnostics;  // at most kScriptMaxDiagnostics + 1
    std::vector<ScriptOutlineItem> outline;
    int errors = 0;    // every error found, shown or not
    int warnings = 0;  // every warning found, shown or not
    size_t omitted = 0;  // diagnostics found beyond the cap
};

// ext: the open file's extension with its dot (".fs", ".lua", ...), any case.
ScriptAnalysis AnalyzeScriptText(std::string_view text, std::string_view ext);
std::string ScriptAnalysisStatus(const ScriptAnalysis& a);

// Appends a diagnostic: line and column below 1 become 1; the formatted
// message is cut to 255 bytes at a UTF-8 boundary. Counts and caps as above.
void ScriptAddDiagnostic(ScriptAnalysis& a, int line, int column, int severity, const char* fmt, ...)
    __attribute__((format(printf, 5, 6)));
// Appends an outline item; null text is empty; cut to 127 bytes (UTF-8 safe).
void ScriptPushOutline(ScriptAnalysis& a, int line, const char* text);
void ScriptPushOutline(ScriptAnalysis& a, int line, std::string_view text);

bool ScriptExportTypeAllowed(std::string_view word);
std::string_view ScriptTrim(std::string_view text);
