#pragma once
// Liquid surfaces: a square of water, lava or slime/oil centred on its
// entity, drawn as a plane whose material follows the liquid settings, that
// lifts, slows and drifts the rigid bodies dipping into it during play. The
// update only changes velocities; the physics step that follows moves the
// bodies. Headless.
//
//   ApplyLiquidMaterialDefaults(e)  plane mesh when missing, material from the liquid
//   LiquidUpdateAll(dt)             every enabled liquid, in scene order
//   LiquidTypeFactor(type)          buoyancy strength: water 1, lava 0.62, slime 1.35
//   SanitizeLiquid                  the values the update reads, clamped to the inspector ranges

#include "editor/legacy/scene/Entity.h"

float LiquidTypeFactor(int32_t liquidType);
LiquidSurface SanitizeLiquid(const LiquidSurface& in);

void ApplyLiquidMaterialDefaults(Entity& e);
void LiquidUpdateAll(float dt);
