#pragma once
// The project hub (application state 0): the list of known projects as cards,
// the "Create New" tab and the "Add Existing Project" popup. The registry
// behind it is editor/legacy/shell/ProjectRegistry.h.

void ProjectManager();
