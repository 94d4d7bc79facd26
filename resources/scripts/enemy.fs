-- Enemy: patrols back and forth along Z and chases the player once it comes
-- within detectRange.
-- @export float patrolSpeed 2.0
-- @export float chaseSpeed 5.0
-- @export float detectRange 8.0

return function(self, dt)
    local t = self.transform
    local player = scene.findScript("player")
    local distance = 999
    if player then
        local dx = player.transform.position.x - t.position.x
        local dz = player.transform.position.z - t.position.z
        distance = math.sqrt(dx * dx + dz * dz)
    end

    if player and distance < detectRange then
        local dir = vec3(player.transform.position.x - t.position.x, 0,
                         player.transform.position.z - t.position.z):normalized()
        t.position.x = t.position.x + dir.x * chaseSpeed * dt
        t.position.z = t.position.z + dir.z * chaseSpeed * dt
        t.rotation.y = math.deg(math.atan2(player.transform.position.x - t.position.x,
                                           player.transform.position.z - t.position.z))
    else
        self.patrolTime = (self.patrolTime or 0) + dt
        t.position.z = t.position.z + math.sin(self.patrolTime) * patrolSpeed * dt
    end
end
