#pragma once
// The "Inspector" window: the selected entity (name, enabled flag, transform,
// every component, scene lighting) or the selected project file (facts, the
// material editor, the model asset button, open and reveal).
//
//   InspectorPanel InstallInspectorPanel
//   InspectorComponentPill InspectorComponentHeader InspectorDropTarget
//   DrawInspectorAddComponentMenu DrawInspectorFileView
//   kAccent* (the components' accent colours)

#include <cstdint>

#include "imgui.h"

struct Entity;

constexpr ImU32 kAccentTransform = IM_COL32(118, 132, 154, 255);
constexpr ImU32 kAccentMesh = IM_COL32(73, 145, 255, 255);
constexpr ImU32 kAccentMaterial = IM_COL32(176, 126, 255, 255);
constexpr ImU32 kAccentRigidBody = IM_COL32(255, 166, 82, 255);
constexpr ImU32 kAccentCollider = IM_COL32(90, 211, 190, 255);
constexpr ImU32 kAccentScript = IM_COL32(92, 214, 133, 255);
constexpr ImU32 kAccentLight = IM_COL32(255, 213, 93, 255);
constexpr ImU32 kAccentCamera = IM_COL32(94, 204, 255, 255);
constexpr ImU32 kAccentParticles = IM_COL32(255, 118, 178, 255);
constexpr ImU32 kAccentAudio = IM_COL32(167, 144, 255, 255);
constexpr ImU32 kAccentCanvas = IM_COL32(111, 156, 255, 255);
constexpr ImU32 kAccentUI = IM_COL32(230, 116, 255, 255);
constexpr ImU32 kAccentLiquid = IM_COL32(69, 201, 225, 255);
constexpr ImU32 kAccentSceneLighting = IM_COL32(255, 198, 90, 255);

void InspectorPanel();
// Installs the panel into the editor frame's hooks.
void InstallInspectorPanel();

void InspectorComponentPill(const char* name, ImU32 colour);
bool InspectorComponentHeader(const char* text, ImU32 colour, int flags);
// Accepts "PROJ_FILE" on the item drawn before it.
void InspectorDropTarget(Entity& e);
void DrawInspectorAddComponentMenu(Entity& e);
void DrawInspectorFileView(const char* path);

// Component sections and scene lighting (InspectorSections.cpp).
void DrawInspectorComponentSections(Entity& e);
void DrawSceneLightingSection();
