#include "engine/scripting/ScriptExports.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>

#include "engine/platform/FileSystem.h"

namespace korvane::scripting {
namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

std::string_view Trim(std::string_view s) {
    size_t a = 0, b = s.size();
    while (a < b && IsSpace(s[a])) ++a;
    while (b > a && IsSpace(s[b - 1])) --b;
    return s.substr(a, b - a);
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Length of the decimal number at the start of s (0 when there is none). The
// shape is checked by hand so that "+1", "0x10", "inf" and "nan" never get to
// the converter.
size_t NumberLength(std::string_view s) {
    size_t i = 0;
    if (i < s.size() && s[i] == '-') ++i;
    size_t digits = 0;
    while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
    }
    if (digits == 0) return 0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        size_t j = i + 1;
        if (j < s.size() && (s[j] == '-' || s[j] == '+')) ++j;
        size_t expDigits = 0;
        while (j < s.size() && IsDigit(s[j])) ++j, ++expDigits;
        if (expDigits > 0) i = j;
    }
    return i;
}

bool ConvertNumber(std::string_view s, float& out) {
    double v = 0.0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec == std::errc::result_out_of_range) {
        // Underflow reads as zero; overflow is out of range.
        size_t e = s.find_first_of("eE");
        if (e != std::string_view::npos && e + 1 < s.size() && s[e + 1] == '-') {
            out = 0.0f;
            return true;
        }
        return false;
    }
    if (ec != std::errc() || end != s.data() + s.size()) return false;
    if (!std::isfinite(v) || std::fabs(v) > double(std::numeric_limits<float>::max())) return false;
    out = float(v);
    return true;
}

// Reads the number at the start of s up to white space or the end.
bool ReadLeadingNumber(std::string_view s, float& out, size_t& used) {
    size_t n = NumberLength(s);
    if (n == 0 || (n < s.size() && !IsSpace(s[n]))) return false;
    if (!ConvertNumber(s.substr(0, n), out)) return false;
    used = n;
    return true;
}

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = char(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// Reads up to `count` white-space separated numbers into v, stopping at the
// first that does not read.
void ReadVector(std::string_view s, std::array<float, 4>& v, size_t count) {
    for (size_t k = 0; k < count; ++k) {
        s = Trim(s);
        float f = 0.0f;
        size_t used = 0;
        if (s.empty() || !ReadLeadingNumber(s, f, used)) return;
        v[k] = f;
        s.remove_prefix(used);
    }
}

// One declaration after the "-- @export " prefix; false when it is skipped.
bool ParseDeclaration(std::string_view decl, ScriptExportField& f) {
    decl = Trim(decl);
    size_t typeEnd = 0;
    while (typeEnd < decl.size() && !IsSpace(decl[typeEnd])) ++typeEnd;
    std::string_view typeWord = decl.substr(0, typeEnd);
    std::string_view afterType = decl.substr(typeEnd);
    std::string_view nameRest = Trim(afterType);
    size_t nameEnd = 0;
    while (nameEnd < nameRest.size() && !IsSpace(nameRest[nameEnd])) ++nameEnd;
    std::string_view name = nameRest.substr(0, nameEnd);
    if (typeWord.empty() || name.empty()) return false;
    size_t at = afterType.find(name);
    std::string_view def = Trim(afterType.substr(at + name.size()));

    f = ScriptExportField();
    f.name = std::string(name);
    if (typeWord == "float" || typeWord == "int") {
        f.type = typeWord == "float" ? ScriptExportType::Float : ScriptExportType::Int;
        return ParseExportNumber(def, f.value);
    }
    if (typeWord == "bool") {
        f.type = ScriptExportType::Bool;
        std::string low = Lower(def);
        f.value = (low == "true" || low == "1") ? 1.0f : 0.0f;
        return true;
    }
    if (typeWord == "string") {
        f.type = ScriptExportType::String;
        std::string quoted;
        std::string_view rest;
        if (!def.empty() && def[0] == '"' && ParseExportQuoted(def, quoted, rest)) f.stringValue = quoted;
        else f.stringValue = std::string(def);
        return true;
    }
    if (typeWord == "color" || typeWord == "vec3") {
        bool color = typeWord == "color";
        f.type = color ? ScriptExportType::Color : ScriptExportType::Vec3;
        f.vectorValue = {1.0f, 1.0f, 1.0f, color ? 1.0f : 0.0f};
        ReadVector(def, f.vectorValue, color ? 4 : 3);
        return true;
    }
    if (typeWord == "enum") {
        f.type = ScriptExportType::Enum;
        std::string options;
        std::string_view rest;
        if (!ParseExportQuoted(def, options, rest)) return false;
        f.extraText = options;
        float index = 0.0f;
        f.value = (!rest.empty() && ParseExportNumber(rest, index)) ? index : 0.0f;
        return true;
    }
    if (typeWord == "entityref") {
        f.type = ScriptExportType::EntityRef;
        f.value = -1.0f;
        f.extraText = std::string(def);
        return true;
    }
    return false;
}

} // namespace

bool ParseExportNumber(std::string_view text, float& out) {
    size_t n = NumberLength(text);
    if (n == 0 || n != text.size()) return false;
    return ConvertNumber(text, out);
}

bool ParseExportQuoted(std::string_view text, std::string& out, std::string_view& rest) {
    text = Trim(text);
    if (text.empty() || text[0] != '"') return false;
    std::string s;
    for (size_t i = 1; i < text.size(); ++i) {
        char c = text[i];
        if (c == '"') {
            out = std::move(s);
            rest = Trim(text.substr(i + 1));
            return true;
        }
        if (c == '\\' && i + 1 < text.size()) {
            char e = text[++i];
            s.push_back(e == 'n' ? '\n' : e == 'r' ? '\r' : e == 't' ? '\t' : e);
            continue;
        }
        s.push_back(c);
    }
    return false;
}

Result<ScriptExportDocument> ParseScriptExportsFromText(std::string_view scriptPath, std::string_view text) {
    static constexpr std::string_view kPrefix = "-- @export ";
    ScriptExportDocument doc;
    doc.scriptPath = std::string(scriptPath);
    size_t pos = 0;
    while (pos <= text.size() && doc.fields.size() < kMaxScriptExports) {
        size_t nl = text.find('\n', pos);
        std::string_view line = text.substr(pos, nl == std::string_view::npos ? std::string_view::npos : nl - pos);
        pos = nl == std::string_view::npos ? text.size() + 1 : nl + 1;
        line = Trim(line);
        if (line.empty()) continue;
        if (line.substr(0, 2) != "--") break;
        if (line.substr(0, kPrefix.size()) != kPrefix) continue;
        ScriptExportField f;
        if (ParseDeclaration(line.substr(kPrefix.size()), f)) doc.fields.push_back(std::move(f));
    }
    return Result<ScriptExportDocument>::Success(std::move(doc));
}

Result<ScriptExportDocument> ParseScriptExportsFromFile(std::string_view path) {
    Result<std::string> text = platform::ReadTextFile(path, kMaxScriptFileBytes);
    if (!text.ok()) return Result<ScriptExportDocument>(text.status());
    return ParseScriptExportsFromText(path, text.value());
}

} // namespace korvane::scripting
