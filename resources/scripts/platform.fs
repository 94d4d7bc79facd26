-- Moving platform: sways along X (3 units either way) while rising and
-- falling around a height of 1; its path is fixed, so it exports nothing.

return function(self, dt)
    local t = self.transform
    self.time = (self.time or 0) + dt
    t.position.x = 3 * math.sin(self.time)
    t.position.y = 1.0 + 0.5 * math.sin(0.7 * self.time)
end
