#pragma once
// Opening a file or folder with the desktop's default application
// (xdg-open), or revealing it: opening the folder that holds it.

#include <string>

// False for an empty path, or when the opener cannot be started (a warning
// names the missing program). Does not wait for the opener; the child is
// reaped once it ends.
bool OpenPath(const char* path, bool reveal);

// What OpenPath hands to the opener: the folder holding path when reveal is
// set ("/" for a top-level entry, "." for a bare name), the path itself
// otherwise; a relative path gets "./" so it is never read as an option.
// Empty for an empty path.
std::string OpenPathTarget(const char* path, bool reveal);
