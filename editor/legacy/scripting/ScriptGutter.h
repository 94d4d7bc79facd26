#pragma once
// Which lines of the script editor's gutter carry a problem mark.

#include <cstdint>
#include <vector>

#include "editor/legacy/scripting/ScriptAnalysis.h"

// For lines first..last (1-based, inclusive): 0 none, 3 warning, 4 error (an
// error wins over a warning on the same line). Info diagnostics leave no mark.
std::vector<uint8_t> ScriptGutterMarks(const std::vector<ScriptDiagnostic>& diags, int first, int last);
