#include "engine/platform/Environment.h"

#include <cstdlib>

namespace korvane::platform {

std::optional<std::string> GetEnv(std::string_view name) {
    // string_view is not NUL-terminated: copy before handing it to C.
    const std::string key(name);
    const char* value = std::getenv(key.c_str());
    if (!value) return std::nullopt;
    return std::string(value);
}

bool IsEnvEnabled(std::string_view name) {
    auto value = GetEnv(name);
    if (!value || value->empty()) return false;
    return !(*value == "0" || *value == "false" || *value == "FALSE");
}

} // namespace korvane::platform
