#pragma once
// Edit widgets that record undo, shared by the inspector and the settings
// panel. Each widget edits a copy of the value; only when the copy differs is
// the scene captured (so an idle frame captures nothing) and the copy written
// back. Continuous edits (drags, colour edits, text fields) open one pending
// entry at their first change and commit it when the editing item lets go:
// one entry per drag or per text edit. Discrete edits (checkboxes, combos)
// push one entry per change. Every range-limited drag clamps typed input too.
//
//   EditFloat EditInt EditIntAsFloat EditVec3 EditColor4 EditColor3
//   EditText EditCheckbox EditCombo
//   RecordContinuousEdit RecordDiscreteEdit    for widgets written elsewhere
//   SettlePendingEdit                          commits an edit whose item let go
//   ApplyUniformScaleRatio                     the scale lock's maths
//   g_editSnapshotCount                        snapshots taken by these widgets

#include <cstddef>
#include <cstdint>

#include "editor/legacy/scene/KorvaneMath.h"

extern uint64_t g_editSnapshotCount;

// Continuous edits: call before writing the changed value. Opens the pending
// entry (one scene capture) unless this activation already did.
void RecordContinuousEdit(const char* undoLabel);
// Discrete edits: call before writing the changed value; pushes one entry.
void RecordDiscreteEdit(const char* undoLabel);
// Commits the pending entry once the item that edited it is no longer active.
// The widgets call it themselves; a panel calls it once at its end so an edit
// whose widget was not drawn again is closed too.
void SettlePendingEdit();
// True while an edit widget holds the pending entry open.
bool EditPendingOpen();
// Forgets the widgets' pending state (tests, scene switches).
void ResetEditWidgets();

bool EditFloat(const char* id, float* v, float speed, float vmin, float vmax, const char* undoLabel,
               const char* format = "%.3f");
// An integer field through a drag of its own type.
bool EditInt(const char* id, int32_t* v, float speed, int32_t vmin, int32_t vmax, const char* undoLabel,
             const char* format = "%d");
// An integer field edited as a number and truncated back (NaN and huge values
// never reach the conversion).
bool EditIntAsFloat(const char* id, int32_t* v, float speed, float vmin, float vmax, const char* undoLabel);
// Label text on its own line, then X/Y/Z drags "##v3x".."##v3z" ("%.2f"); with
// showLock the scale lock follows and keeps the ratio of a changed component.
bool EditVec3(const char* label, Vec3* v, float speed, float vmin, float vmax, const char* undoLabel,
              bool showLock);
// The collider's vectors: "##colx".."##colz", no lock.
bool EditVec3Plain(const char* label, Vec3* v, float speed, float vmin, float vmax, const char* undoLabel);
bool EditColor4(const char* id, float* rgba, const char* undoLabel);
bool EditColor3(const char* id, float* rgb, const char* undoLabel);
bool EditText(const char* id, char* buf, size_t size, const char* undoLabel);
bool EditCheckbox(const char* label, bool* v, const char* undoLabel);
bool EditCombo(const char* id, int32_t* v, const char* const* labels, int count, const char* undoLabel);

// Scale lock: component k of v changed from old[k]; the others follow by the
// same ratio (an old value within 1e-4 of zero counts as 1), clamped.
void ApplyUniformScaleRatio(const Vec3& old, Vec3& v, int k, float vmin, float vmax);

// Clamps to [vmin, vmax]; NaN becomes vmin (max < min means no limit).
float ClampEditValue(float v, float vmin, float vmax);
