#pragma once
// Environment: the core's only access to environment variables.

#include <optional>
#include <string>
#include <string_view>

namespace korvane::platform {

// Empty when the variable is not set; its value (maybe empty) when it is.
std::optional<std::string> GetEnv(std::string_view name);
// False when unset, empty, "0", "false" or "FALSE" (case-sensitive); else true.
bool IsEnvEnabled(std::string_view name);

} // namespace korvane::platform
