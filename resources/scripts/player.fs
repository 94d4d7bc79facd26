-- Player controller: walks with the move actions, jumps with Jump and
-- drives a follow camera (third person by default).
-- @export float moveSpeed 5.0
-- @export float jumpForce 8.0
-- @export float camDistance 10.0
-- @export float camHeight 3.0
-- @export float camSmooth 5.0
-- @export bool firstPerson false
-- @export float mouseSensitivity 0.15
-- @export entityref camTarget camera

return function(self, dt)
    local t = self.transform
    local look = input.mouseDelta()
    t.rotation.y = t.rotation.y + mouseSensitivity * look.x
    t.rotation.x = math.max(-89, math.min(89, t.rotation.x + mouseSensitivity * look.y))

    local yaw = math.rad(t.rotation.y)
    local forward = vec3(math.sin(yaw), 0, -math.cos(yaw))
    local right = vec3(math.cos(yaw), 0, math.sin(yaw))
    local move = vec3(0, 0, 0)
    if input.held("MoveForward") then move = move + forward end
    if input.held("MoveBack") then move = move - forward end
    if input.held("MoveLeft") then move = move - right end
    if input.held("MoveRight") then move = move + right end
    if move:length() > 0.001 then
        move = move:normalized() * (moveSpeed * dt)
        t.position.x = t.position.x + move.x
        t.position.z = t.position.z + move.z
    end

    if input.pressed("Jump") and t.position.y <= 0.1 then
        if self.rigidBody then
            self.rigidBody.velocity.y = jumpForce
        else
            t.position.y = t.position.y + jumpForce * dt
        end
    end

    local cam = scene.find(camTarget) or scene.firstCamera()
    if not cam then return end
    local k = camSmooth * dt
    if firstPerson then
        cam.transform.position = cam.transform.position:lerp(t.position + vec3(0, 1.7, 0), k)
        cam.transform.rotation.x = t.rotation.x
        cam.transform.rotation.y = t.rotation.y
    else
        local pitch = math.rad(t.rotation.x)
        local target = vec3(t.position.x - camDistance * math.cos(pitch) * forward.x,
                            t.position.y + camHeight + camDistance * math.sin(pitch),
                            t.position.z - camDistance * math.cos(pitch) * forward.z)
        cam.transform.position = cam.transform.position:lerp(target, k)
        cam:turnTowards(t.position + vec3(0, 1, 0), math.min(1, k))
    end
end
