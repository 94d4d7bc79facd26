#pragma once
// The project hub (application state 0): the list of known projects as cards,
// the "Create New" tab and the "Add Existing Project" popup. The registry
// behind it is editor/legacy/shell/ProjectRegistry.h.

void ProjectManager();

#include <string>

// "Create New": the path field follows the typed name ("<home>/Documents/
// Korvane/<name>") until the user edits the path; emptying the path lets it
// follow again. Called after both fields are drawn with whether each changed
// this frame; updates path (a default that does not fit is left out).
void FollowProjectNameInPath(const char* name, bool nameChanged, bool pathChanged, char* path, size_t pathSize,
                             const std::string& home);
// Forgets that the path was edited (the hub starts following the name again).
void ResetProjectPathFollowing();
