-- Spinner / collectible: turns about Y and bobs up and down around a height
-- of 1.5, for pickups such as coins and health orbs.
-- @export float spinSpeed 90.0
-- @export float bobHeight 0.3
-- @export float bobSpeed 2.0

return function(self, dt)
    local t = self.transform
    self.bobTime = (self.bobTime or 0) + dt
    t.rotation.y = t.rotation.y + spinSpeed * dt
    t.position.y = 1.5 + bobHeight * math.sin(self.bobTime * bobSpeed)
end
