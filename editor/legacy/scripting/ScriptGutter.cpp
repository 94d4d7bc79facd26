#include "editor/legacy/scripting/ScriptGutter.h"

#include <algorithm>

std::vector<uint8_t> ScriptGutterMarks(const std::vector<ScriptDiagnostic>& diags, int first, int last) {
    std::vector<uint8_t> marks;
    if (last < first) return marks;
    marks.assign(size_t(last - first + 1), 0);
    for (const ScriptDiagnostic& d : diags) {
        if (d.severity < 3 || d.line < first || d.line > last) continue;
        uint8_t& m = marks[size_t(d.line - first)];
        m = std::max<uint8_t>(m, d.severity >= 4 ? 4 : 3);
    }
    return marks;
}
