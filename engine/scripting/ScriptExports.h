#pragma once
// ScriptExports: reads the "-- @export <type> <name> <default>" declarations
// from the leading comment block of a script. Script text is never executed.
//
//   ScriptExportType, ScriptExportField, ScriptExportDocument
//   ParseScriptExportsFromText(scriptPath, text)   always succeeds
//   ParseScriptExportsFromFile(path)               fails only when the read fails
//
// Malformed declarations are skipped silently (the analyser reports them).
// A default that does not read as a finite number within float range is
// malformed: "inf", "nan" and "1e40" never reach a field.

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "engine/core/Status.h"

namespace korvane::scripting {

enum class ScriptExportType : int {
    Float = 0,
    Int = 1,
    Bool = 2,
    String = 3,
    Color = 4,
    Vec3 = 5,
    Enum = 6,
    EntityRef = 7,
};

struct ScriptExportField {
    ScriptExportType type = ScriptExportType::Float;
    std::string name;
    // float and int defaults, bool as 1 / 0, enum index, entity id (-1 = none)
    float value = 0.0f;
    std::string stringValue;
    // colour RGBA, or vec3 (the fourth component unused)
    std::array<float, 4> vectorValue{1.0f, 1.0f, 1.0f, 1.0f};
    // enum options ("a;b;c") or the entity filter word
    std::string extraText;
};

constexpr size_t kMaxScriptExports = 64;
constexpr uint64_t kMaxScriptFileBytes = 8388608;

struct ScriptExportDocument {
    std::string scriptPath;
    std::vector<ScriptExportField> fields;  // file order, at most 64
};

Result<ScriptExportDocument> ParseScriptExportsFromText(std::string_view scriptPath, std::string_view text);
Result<ScriptExportDocument> ParseScriptExportsFromFile(std::string_view path);

// The number readers of the grammar, offered for the analyser: the whole of
// text must be one decimal number (optional '-', digits, optional point and
// exponent; no '+', no hex, nothing after it) that is finite as a float.
bool ParseExportNumber(std::string_view text, float& out);
// Reads a double-quoted text with backslash escapes; rest gets what follows
// the closing quote, trimmed. False when text does not start with a quote or
// the quote is never closed.
bool ParseExportQuoted(std::string_view text, std::string& out, std::string_view& rest);

} // namespace korvane::scripting
