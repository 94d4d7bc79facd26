#pragma once
// The four built-in gameplay behaviours. A script attached to an entity is
// never executed: its file name picks the behaviour (player, enemy,
// spinner/collectible, platform) and its exported fields supply the
// parameters by name. Behaviours write straight into transforms (and the
// player into its rigid body's velocity). Headless.
//
//   BehaviourKind BehaviourForScript    dispatch by the file name
//   PlayerParams EnemyParams SpinnerParams   defaults, then exported fields
//   ReadPlayerParams ...                parameters from an entity's ScriptMeta
//   g_behaviourTimers                   patrolT, bobT, platT (shared, never reset)
//   RunBehaviours(dt)                   every enabled scripted entity, scene order
//   RunPlayer RunEnemy RunSpinner RunPlatform   one entity's step
//   GameCameraForward                   the game camera's view direction

#include <cstdint>

#include "editor/legacy/scene/Entity.h"

enum class BehaviourKind { None, Player, Enemy, Spinner, Platform };

// By substring of the file name (after the last "/"), case-sensitive, first
// match wins: "player"/"Player", then "enemy"/"Enemy", then "spinner",
// "collectible", "Spinner", "Collectible", then "platform".
BehaviourKind BehaviourForScript(const char* scriptPath);

struct PlayerParams {
    float moveSpeed = 5.0f;
    float jumpForce = 8.0f;
    float camDistance = 10.0f;
    float camHeight = 3.0f;
    float camSmooth = 5.0f;
    bool firstPerson = false;
    float mouseSensitivity = 0.15f;
    int32_t camTarget = -1;
};
struct EnemyParams {
    float patrolSpeed = 2.0f;
    float chaseSpeed = 5.0f;
    float detectRange = 8.0f;
};
struct SpinnerParams {
    float spinSpeed = 90.0f;
    float bobHeight = 0.3f;
    float bobSpeed = 2.0f;
};

// meta may be null (defaults). A field counts when its name and type code
// match (0 float, 3 bool above 0.5, 7 entity id); a later field of the same
// name wins. Non-finite floats keep the default; an entity reference that is
// not a whole number in the int range counts as none (-1).
PlayerParams ReadPlayerParams(const ScriptMeta* meta);
EnemyParams ReadEnemyParams(const ScriptMeta* meta);
SpinnerParams ReadSpinnerParams(const ScriptMeta* meta);

struct BehaviourTimers {
    float patrolT = 0.0f;
    float bobT = 0.0f;
    float platT = 0.0f;
};
extern BehaviourTimers g_behaviourTimers;

// View direction of a camera entity in the game (yaw = rotation y, pitch =
// rotation x, degrees): (sin yaw cos pitch, sin pitch, -cos yaw cos pitch).
// With rotation y = 90 it looks towards +X. The Game panel, the camera
// preview, the built game and the player's camera all use it.
Vec3 GameCameraForward(const Vec3& rotationDeg);
// The yaw (degrees) at which GameCameraForward looks along (dx, dz).
float GameCameraYawTowards(float dx, float dz);

void RunBehaviours(float dt);
void RunPlayer(Entity& e, const PlayerParams& p, float dt);
// playerId: the entity the enemy chases, -1 for none.
void RunEnemy(Entity& e, const EnemyParams& p, int32_t playerId, float dt);
void RunSpinner(Entity& e, const SpinnerParams& p, float dt);
void RunPlatform(Entity& e, float dt);
// The enemy's quarry: the first enabled entity other than `self` whose script
// file name picks the player behaviour; -1 when there is none.
int32_t FindPlayerEntity(int32_t self);
