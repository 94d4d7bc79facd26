#include "editor/legacy/play/Behaviours.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "editor/legacy/play/Input.h"
#include "editor/legacy/play/Physics.h"
#include "editor/legacy/scene/EntityStore.h"
#include "editor/legacy/scripting/ScriptMeta.h"

BehaviourTimers g_behaviourTimers;

namespace {

const char* FileNameOf(const char* path) {
    const char* slash = std::strrchr(path, '/');
    return slash ? slash + 1 : path;
}

bool Has(const char* text, const char* part) { return std::strstr(text, part) != nullptr; }

// Walks the fields in order; fn(name, field) for every field of the type.
template <class Fn>
void ForFields(const ScriptMeta* meta, Fn fn) {
    if (!meta) return;
    const int n = std::clamp<int>(meta->fieldCount, 0, kMaxScriptFields);
    for (int i = 0; i < n; ++i) fn(meta->fields[i]);
}

void TakeFloat(const ScriptField& f, const char* name, float& out) {
    if (f.fieldType == ScriptFieldType_Float && std::strcmp(f.fieldName, name) == 0 && std::isfinite(f.fieldValue))
        out = f.fieldValue;
}

float Finite(float v, float fallback) { return std::isfinite(v) ? v : fallback; }

// Angle brought into -180..180 without looping on huge values.
float WrapDegrees(float a) {
    if (!std::isfinite(a)) return 0.0f;
    a = std::fmod(a, 360.0f);
    if (a > 180.0f) a -= 360.0f;
    if (a < -180.0f) a += 360.0f;
    return a;
}

Entity* PlayerCamera(int32_t camTarget) {
    if (camTarget >= 0) {
        Entity* t = GetEnt(camTarget);
        if (t && t->hasCamera) return t;
    }
    for (Entity& e : g_ents) {
        if (e.enabled && e.hasCamera) return &e;
    }
    return nullptr;
}

}  // namespace

BehaviourKind BehaviourForScript(const char* scriptPath) {
    if (!scriptPath || !*scriptPath) return BehaviourKind::None;
    const char* name = FileNameOf(scriptPath);
    if (Has(name, "player") || Has(name, "Player")) return BehaviourKind::Player;
    if (Has(name, "enemy") || Has(name, "Enemy")) return BehaviourKind::Enemy;
    if (Has(name, "spinner") || Has(name, "collectible") || Has(name, "Spinner") || Has(name, "Collectible"))
        return BehaviourKind::Spinner;
    if (Has(name, "platform")) return BehaviourKind::Platform;
    return BehaviourKind::None;
}

PlayerParams ReadPlayerParams(const ScriptMeta* meta) {
    PlayerParams p;
    ForFields(meta, [&](const ScriptField& f) {
        TakeFloat(f, "moveSpeed", p.moveSpeed);
        TakeFloat(f, "jumpForce", p.jumpForce);
        TakeFloat(f, "camDistance", p.camDistance);
        TakeFloat(f, "camHeight", p.camHeight);
        TakeFloat(f, "camSmooth", p.camSmooth);
        TakeFloat(f, "mouseSensitivity", p.mouseSensitivity);
        if (f.fieldType == ScriptFieldType_Bool && std::strcmp(f.fieldName, "firstPerson") == 0)
            p.firstPerson = f.fieldValue > 0.5f;
        if (f.fieldType == ScriptFieldType_Entity && std::strcmp(f.fieldName, "camTarget") == 0)
            p.camTarget = ScriptFieldEntityId(f);
    });
    return p;
}

EnemyParams ReadEnemyParams(const ScriptMeta* meta) {
    EnemyParams p;
    ForFields(meta, [&](const ScriptField& f) {
        TakeFloat(f, "patrolSpeed", p.patrolSpeed);
        TakeFloat(f, "chaseSpeed", p.chaseSpeed);
        TakeFloat(f, "detectRange", p.detectRange);
    });
    return p;
}

SpinnerParams ReadSpinnerParams(const ScriptMeta* meta) {
    SpinnerParams p;
    ForFields(meta, [&](const ScriptField& f) {
        TakeFloat(f, "spinSpeed", p.spinSpeed);
        TakeFloat(f, "bobHeight", p.bobHeight);
        TakeFloat(f, "bobSpeed", p.bobSpeed);
    });
    return p;
}

Vec3 GameCameraForward(const Vec3& rotationDeg) {
    const float yaw = Finite(rotationDeg.y, 0.0f) * kPi / 180.0f;
    const float pitch = Finite(rotationDeg.x, 0.0f) * kPi / 180.0f;
    return Vec3(std::sin(yaw) * std::cos(pitch), std::sin(pitch), -std::cos(yaw) * std::cos(pitch));
}

float GameCameraYawTowards(float dx, float dz) { return std::atan2(dx, -dz) * 180.0f / kPi; }

void RunPlayer(Entity& e, const PlayerParams& prm, float dt) {
    Vec3& p = e.transform.position;
    Vec3& r = e.transform.rotation;
    r.y = Finite(r.y, 0.0f) + prm.mouseSensitivity * InputMouseDX();
    r.x = std::clamp(Finite(r.x, 0.0f) + prm.mouseSensitivity * InputMouseDY(), -89.0f, 89.0f);

    const float yaw = r.y * kPi / 180.0f;
    const Vec3 forward(std::sin(yaw), 0.0f, -std::cos(yaw));
    const Vec3 right(std::cos(yaw), 0.0f, std::sin(yaw));
    Vec3 move(0, 0, 0);
    if (InputHeld("MoveForward")) move = move + forward;
    if (InputHeld("MoveBack")) move = move - forward;
    if (InputHeld("MoveLeft")) move = move - right;
    if (InputHeld("MoveRight")) move = move + right;
    if (move.len() > 0.001f) {
        move = move.norm() * (prm.moveSpeed * dt);
        p.x += move.x;
        p.z += move.z;
    }

    if (InputDown("Jump") && p.y <= 0.1f) {
        if (e.hasRigidBody) e.rigidBody.velocity.y = prm.jumpForce;
        else p.y += prm.jumpForce * dt;
    }

    Entity* cam = PlayerCamera(prm.camTarget);
    if (!cam) return;
    Vec3& c = cam->transform.position;
    // Exponential follow: the same approach rate for every frame length, and
    // a long frame lands on the target instead of overshooting it.
    const float smooth = std::max(0.0f, prm.camSmooth);
    const float k = 1.0f - std::exp(-smooth * dt);
    const float pitch = r.x * kPi / 180.0f;
    if (prm.firstPerson) {
        const Vec3 target(p.x, p.y + 1.7f, p.z);
        c = c + (target - c) * k;
        cam->transform.rotation.y = r.y;
        cam->transform.rotation.x = r.x;
        return;
    }
    const Vec3 target(p.x - prm.camDistance * std::cos(pitch) * forward.x,
                      p.y + prm.camHeight + prm.camDistance * std::sin(pitch),
                      p.z - prm.camDistance * std::cos(pitch) * forward.z);
    c = c + (target - c) * k;
    const Vec3 d(p.x - c.x, p.y + 1.0f - c.y, p.z - c.z);
    if (d.len() > 0.001f) {
        const float desired = GameCameraYawTowards(d.x, d.z);
        float& camYaw = cam->transform.rotation.y;
        camYaw = Finite(camYaw, 0.0f);
        camYaw += WrapDegrees(desired - camYaw) * k;
    }
}

int32_t FindPlayerEntity(int32_t self) {
    for (const Entity& o : g_ents) {
        if (o.id == self || !o.enabled || !o.hasScript) continue;
        if (BehaviourForScript(o.script.scriptPath) == BehaviourKind::Player) return o.id;
    }
    return -1;
}

void RunEnemy(Entity& e, const EnemyParams& prm, int32_t playerId, float dt) {
    const Entity* player = playerId >= 0 && playerId != e.id ? GetEnt(playerId) : nullptr;
    g_behaviourTimers.patrolT += dt;
    Vec3& pos = e.transform.position;
    float dist = 999.0f;
    float px = 0, pz = 0;
    if (player) {
        px = player->transform.position.x;
        pz = player->transform.position.z;
        dist = std::sqrt((pos.x - px) * (pos.x - px) + (pos.z - pz) * (pos.z - pz));
    }
    if (player && dist < prm.detectRange) {
        const Vec3 dir = Vec3(px - pos.x, 0.0f, pz - pos.z).norm();
        pos.x += dir.x * prm.chaseSpeed * dt;
        pos.z += dir.z * prm.chaseSpeed * dt;
        e.transform.rotation.y = std::atan2(px - pos.x, pz - pos.z) * 180.0f / kPi;
    } else {
        pos.z += std::sin(g_behaviourTimers.patrolT) * prm.patrolSpeed * dt;
    }
}

void RunSpinner(Entity& e, const SpinnerParams& prm, float dt) {
    e.transform.rotation.y = Finite(e.transform.rotation.y, 0.0f) + prm.spinSpeed * dt;
    g_behaviourTimers.bobT += dt;
    e.transform.position.y = 1.5f + prm.bobHeight * std::sin(g_behaviourTimers.bobT * prm.bobSpeed);
}

void RunPlatform(Entity& e, float dt) {
    g_behaviourTimers.platT += dt;
    const float t = g_behaviourTimers.platT;
    e.transform.position.x = 3.0f * std::sin(t);
    e.transform.position.y = 1.0f + 0.5f * std::sin(0.7f * t);
}

void RunBehaviours(float dt) {
    // The player is looked up once per frame, not once per enemy: nothing
    // is added or removed while behaviours run, and a player never runs the
    // enemy behaviour, so the answer is the same for every enemy.
    bool playerKnown = false;
    int32_t playerId = -1;
    for (size_t i = 0; i < g_ents.size(); ++i) {
        Entity& e = g_ents[i];
        if (!e.enabled || !e.hasScript || !e.script.scriptPath[0]) continue;
        const BehaviourKind kind = BehaviourForScript(e.script.scriptPath);
        EnsureScriptMeta(e.id);
        const auto it = g_scriptMeta.find(e.id);
        const ScriptMeta* meta = it != g_scriptMeta.end() ? &it->second : nullptr;
        switch (kind) {
        case BehaviourKind::Player: RunPlayer(e, ReadPlayerParams(meta), dt); break;
        case BehaviourKind::Enemy:
            if (!playerKnown) {
                playerId = FindPlayerEntity(e.id);
                playerKnown = true;
            }
            RunEnemy(e, ReadEnemyParams(meta), playerId, dt);
            break;
        case BehaviourKind::Spinner: RunSpinner(e, ReadSpinnerParams(meta), dt); break;
        case BehaviourKind::Platform: RunPlatform(e, dt); break;
        case BehaviourKind::None: break;
        }
    }
}
