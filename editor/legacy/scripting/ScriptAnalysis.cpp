#include "editor/legacy/scripting/ScriptAnalysis.h"

#include <cstdarg>
#include <cstdio>

#include "editor/legacy/scene/Entity.h"

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

char Partner(char open) {
    switch (open) {
        case '(': return ')';
        case '[': return ']';
        default: return '}';
    }
}

struct Opener {
    int line;
    int column;
    char ch;
};

// The next white-space separated word of s from pos (pos moves past it).
std::string_view NextWord(std::string_view s, size_t& pos) {
    while (pos < s.size() && IsSpace(s[pos])) ++pos;
    size_t start = pos;
    while (pos < s.size() && !IsSpace(s[pos])) ++pos;
    return s.substr(start, pos - start);
}

// Words are taken whole and only then cut for the messages, so a long type
// word never runs into the name.
std::string CutWord(std::string_view w, size_t max) { return std::string(w.substr(0, max)); }

bool EndsWithNoCase(std::string_view s, std::string_view suffix) {
    if (s.size() < suffix.size()) return false;
    for (size_t i = 0; i < suffix.size(); ++i) {
        char a = s[s.size() - suffix.size() + i];
        if (a >= 'A' && a <= 'Z') a = char(a - 'A' + 'a');
        if (a != suffix[i]) return false;
    }
    return true;
}

void AnalyzeLine(ScriptAnalysis& a, std::string_view raw, int lineNo, std::vector<Opener>& stack, bool& sawFunction,
                 bool& sawReturnFunction) {
    const std::string_view t = ScriptTrim(raw);
    // Columns count from the start of the untrimmed line, indentation included.
    const size_t indent = t.empty() ? 0 : size_t(t.data() - raw.data());

    if (raw.size() > 180) ScriptAddDiagnostic(a, lineNo, 181, 3, "Line is very long; consider wrapping for readability.");
    if (t.find("TODO") != std::string_view::npos || t.find("FIXME") != std::string_view::npos)
        ScriptAddDiagnostic(a, lineNo, 1, 2, "Todo marker found.");

    const size_t p = t.find("-- @export");
    if (p != std::string_view::npos) {
        const int col = int(indent + p + 1);
        std::string_view rest = t.substr(p + 10);
        size_t pos = 0;
        std::string_view type = NextWord(rest, pos);
        std::string_view name = NextWord(rest, pos);
        if (type.empty() || name.empty()) {
            ScriptAddDiagnostic(a, lineNo, col, 4, "@export needs: -- @export <type> <name> <default>");
        } else {
            const std::string typeWord = CutWord(type, 31), nameWord = CutWord(name, 63);
            if (!ScriptExportTypeAllowed(type))
                ScriptAddDiagnostic(a, lineNo, col, 4, "Unknown export type '%s'.", typeWord.c_str());
            if (!(IsAsciiLetter(name[0]) || name[0] == '_'))
                ScriptAddDiagnostic(a, lineNo, col, 4, "Export name must start with a letter or underscore.");
            std::string item = "@export " + typeWord + " " + nameWord;
            ScriptPushOutline(a, lineNo, std::string_view(item));
        }
    }
    if (t.find("function") != std::string_view::npos) {
        sawFunction = true;
        ScriptPushOutline(a, lineNo, t);
    }
    if (t.find("return function") != std::string_view::npos) sawReturnFunction = true;
    if (t.substr(0, 6) == "print(" || t.find(" print(") != std::string_view::npos)
        ScriptAddDiagnostic(a, lineNo, 1, 2, "Debug print left in script.");

    char quote = 0;
    bool escape = false;
    size_t last = 0;
    for (size_t i = 0; i < raw.size(); ++i) {
        const char c = raw[i];
        last = i;
        if (quote) {
            if (escape) escape = false;
            else if (c == '\\') escape = true;
            else if (c == quote) quote = 0;
            continue;
        }
        if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '-' && i + 1 < raw.size() && raw[i + 1] == '-') {
            break;
        } else if (c == '(' || c == '[' || c == '{') {
            stack.push_back({lineNo, int(i + 1), c});
        } else if (c == ')' || c == ']' || c == '}') {
            if (stack.empty()) {
                ScriptAddDiagnostic(a, lineNo, int(i + 1), 4, "Unexpected closing '%c'.", c);
            } else {
                const char open = stack.back().ch;
                stack.pop_back();
                if (c != Partner(open))
                    ScriptAddDiagnostic(a, lineNo, int(i + 1), 4, "Mismatched '%c'; expected '%c'.", c, Partner(open));
            }
        }
    }
    if (quote) ScriptAddDiagnostic(a, lineNo, int(last + 1), 4, "Unterminated string literal.");
}

}  // namespace

std::string_view ScriptTrim(std::string_view text) {
    size_t b = 0, e = text.size();
    while (b < e && IsSpace(text[b])) ++b;
    while (e > b && IsSpace(text[e - 1])) --e;
    return text.substr(b, e - b);
}

bool ScriptExportTypeAllowed(std::string_view w) {
    return w == "float" || w == "int" || w == "bool" || w == "string" || w == "color" || w == "vec3" || w == "enum" ||
           w == "entityref";
}

void ScriptAddDiagnostic(ScriptAnalysis& a, int line, int column, int severity, const char* fmt, ...) {
    if (severity > 3) ++a.errors;
    else if (severity == 3) ++a.warnings;
    if (a.diagnostics.size() >= kScriptMaxDiagnostics) {
        ++a.omitted;
        return;
    }
    ScriptDiagnostic d;
    d.line = line < 1 ? 1 : line;
    d.column = column < 1 ? 1 : column;
    d.severity = severity;
    char buf[1024];
    va_list ap;
    va_start(ap, fmt);
    std::vsnprintf(buf, sizeof buf, fmt ? fmt : "", ap);
    va_end(ap);
    CopyTextField(d.message, buf);
    a.diagnostics.push_back(d);
}

void ScriptPushOutline(ScriptAnalysis& a, int line, std::string_view text) {
    ScriptOutlineItem item;
    item.line = line < 1 ? 1 : line;
    CopyTextField(item.text, text);
    a.outline.push_back(item);
}

void ScriptPushOutline(ScriptAnalysis& a, int line, const char* text) {
    ScriptPushOutline(a, line, std::string_view(text ? text : ""));
}

ScriptAnalysis AnalyzeScriptText(std::string_view text, std::string_view ext) {
    ScriptAnalysis a;
    std::vector<Opener> stack;
    bool sawFunction = false, sawReturnFunction = false;
    int lineNo = 1;
    size_t start = 0;
    while (true) {
        size_t nl = text.find('\n', start);
        std::string_view line = text.substr(start, nl == std::string_view::npos ? std::string_view::npos : nl - start);
        // A CRLF file reads like its LF twin: the carriage return belongs to
        // the line break, not to the line.
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        AnalyzeLine(a, line, lineNo, stack, sawFunction, sawReturnFunction);
        if (nl == std::string_view::npos) break;
        start = nl + 1;
        ++lineNo;
    }
    for (const Opener& o : stack)
        ScriptAddDiagnostic(a, o.line, o.column, 4, "Unclosed '%c'; expected '%c'.", o.ch, Partner(o.ch));
    const bool fs = EndsWithNoCase(ext, ".fs"), lua = EndsWithNoCase(ext, ".lua");
    if ((fs || lua) && !sawFunction)
        ScriptAddDiagnostic(a, 1, 1, 3, "No function detected. Gameplay scripts should normally return a function(self, dt).");
    if (fs && !sawReturnFunction)
        ScriptAddDiagnostic(a, 1, 1, 3, "FS scripts should usually use: return function(self, dt) ... end");
    if (a.omitted > 0) {
        ScriptDiagnostic d;
        d.severity = 2;
        std::snprintf(d.message, sizeof d.message, "%zu more diagnostic(s) not listed.", a.omitted);
        a.diagnostics.push_back(d);
    }
    return a;
}

std::string ScriptAnalysisStatus(const ScriptAnalysis& a) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "Analysis: %d error(s), %d warning(s)", a.errors, a.warnings);
    return buf;
}
