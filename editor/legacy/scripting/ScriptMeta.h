#pragma once
// Script metadata: the exported fields of each scripted entity's script, with
// the values the user set for them (ScriptMeta in g_scriptMeta, declared with
// the entity records). The behaviours read these values, the inspector edits
// them, scene files and undo snapshots store them.
//
//   IsScriptAsset(path)                       ".fs", ".lua", ".py", ".cs"
//   TryOpenScript(scriptPath, out, outSize)   finds the file of a stored path
//   ParseScriptExports(scriptPath, meta)      fills a fresh ScriptMeta
//   EnsureScriptMeta(entityId)                brings the entity's entry up to date
//   ScriptFieldTypeFromExport(type)           core type -> stored type code
//   ScriptFieldChoiceIndex / ScriptFieldEntityId   safe reads of stored values
//   ForgetScriptLookupFailures()              retry missing scripts now
//
// A script that cannot be found or read is remembered by its candidate paths
// and their modification times, and looked for again only after one of them
// changes (checked at most once a second), not on every frame.

#include <cstddef>
#include <cstdint>

#include "editor/legacy/scene/Entity.h"
#include "engine/scripting/ScriptExports.h"

bool IsScriptAsset(const char* path);

// Tries "<root>/<prefix><scriptPath>" for the project root (when set) and then
// the asset root, with the prefixes "Assets/Scripts/", "Scripts/", "scripts/",
// "scripts/kelmar/"; then an absolute scriptPath itself. The first regular
// file that opens for reading is written to out. A candidate that does not fit
// out is skipped, never cut.
bool TryOpenScript(const char* scriptPath, char* out, size_t outSize);

// meta must be fresh. Leaves it unparsed for an empty path, a script that
// cannot be found or a failed read.
void ParseScriptExports(const char* scriptPath, ScriptMeta& meta);

void EnsureScriptMeta(int32_t entityId);

// Stored type codes swap 2 and 3 against the core enum (string 2, bool 3).
int32_t ScriptFieldTypeFromExport(korvane::scripting::ScriptExportType type);

// Number of options in a ";"-separated list (at most 32 are used).
int ScriptChoiceOptionCount(const char* options);
// The enum index of an enum field: an index that is not finite, not whole or
// outside 0..optionCount-1 reads as 0.
int ScriptFieldChoiceIndex(const ScriptField& f);
// The entity id of an entity-reference field: -1 when the stored value is not
// finite, not a whole number or outside the int range.
int32_t ScriptFieldEntityId(const ScriptField& f);

void ForgetScriptLookupFailures();
