#pragma once
// The list of known projects: "~/.korvane_projects", one "name|root" line per
// project, kept in memory newest first (by the root folder's modification
// time). The hub (editor/ui/shell/ProjectHub.cpp) draws it; everything that reads,
// writes or changes the list is here.
//
//   EnsureProjectsLoaded, LoadProjects, SaveProjects   the registry file
//   AddProject, RemoveProjectAt                        changing the list
//   CreateProjectDirs                                  a new project's folders
//   SelectProjectByIndex                               make a listed project current
//   ParseRegistryText, SanitizeProjectName             the line format
//   RelativeTimeCaption, PathLastComponent             what a card shows

#include <cstdint>
#include <string>
#include <vector>

extern std::vector<std::string> g_projNames;
extern std::vector<std::string> g_projRoots;
extern std::vector<int64_t> g_projModTimes;
extern std::string g_projFile;     // fixed at the first load
extern bool g_projectsLoaded;
extern bool g_projectsDirty;
extern char g_projPath[256];       // the path typed in "Create New"

struct RegistryEntry {
    std::string name;
    std::string root;
};

// Lines are "name|root": the name ends at the first "|", the root is the rest
// (a trailing "\r" dropped). Lines without "|" or with an empty root are
// skipped.
std::vector<RegistryEntry> ParseRegistryText(const std::string& text);
// The file text for the lists: one "name|root\n" line per project, names
// cleaned with SanitizeProjectName.
std::string RegistryText(const std::vector<std::string>& names, const std::vector<std::string>& roots);

// "|" and control characters would break the line format: they become "_".
// An empty result becomes "Untitled".
std::string SanitizeProjectName(const std::string& name);
// A root can hold "|", but not a line break or another control character.
bool IsRegistrableRoot(const std::string& root);

// "<HOME>/.korvane_projects".
std::string ProjectRegistryPath();

void EnsureProjectsLoaded();
void LoadProjects();
// Writes the registry through a temporary file and a rename, so a failed
// write never leaves half a list. Logs and returns false on failure.
bool SaveProjects();
// Registers root under name (renaming the entry when root is listed), then
// saves. False (logged, nothing changed) when root cannot be registered, or
// when saving fails.
bool AddProject(const std::string& name, const std::string& root);
// Drops the i-th entry and saves; the folder stays on disk.
bool RemoveProjectAt(int i);

// Creates root (with parents), Assets, Assets/Scripts, Assets/Scenes and
// Build. False with an error in the editor log when any of them cannot be
// created.
bool CreateProjectDirs(const std::string& root);

// g_projectRoot and g_projName := the i-th entry. False when i is not listed
// or the root does not fit g_projectRoot.
bool SelectProjectByIndex(int i);

// "Just now", "%.0f min ago", "%.0f hours ago", "Yesterday", "%.0f days ago",
// or the local date "%b %d, %Y" for anything older than a week.
std::string RelativeTimeCaption(int64_t now, int64_t modTime);
// The last path component, ignoring trailing "/"; the whole text without "/".
std::string PathLastComponent(const std::string& path);
// The modification time of path in seconds, 0 when it cannot be read.
int64_t PathModTime(const std::string& path);
