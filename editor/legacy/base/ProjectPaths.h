#pragma once
// The two directories every file hangs off, and the small path helpers the
// application shares.
//
//   g_assetRoot        the application's own files (fonts, icons, scripts)
//   g_projectRoot      the open project; its assets live under "<root>/Assets"
//   SetAssetRootFromArgv(argc, argv)   finds both at start-up
//   ResolveAssetRoot(argc, argv, in)   the same search over injected inputs
//   AssetPath, JoinPathStr, PathDirname, NormalizePathBestEffort, Ext,
//   PathExistsPlain, FileExists, MkdirP, HomeDir, ResolvePath,
//   ProjectAssetsDir, ResolveProjectAssetPath, ProjectRelativeAssetPath
//
// Paths are never cut to fit: a path that does not fit a fixed-size field is
// rejected with an error in the editor log and nothing is changed.

#include <cstddef>
#include <map>
#include <optional>
#include <string>

extern std::string g_assetRoot;
extern char g_projectRoot[1024];

// ---- Asset root search -----------------------------------------------------

// Everything the search reads from the process, so tests can run it against a
// temporary tree instead of a copied executable.
struct AssetRootInputs {
    std::optional<std::string> exePath;        // what /proc/self/exe names; nullopt when unknown
    std::string cwd;                           // working directory (may be empty)
    std::map<std::string, std::string> env;    // present keys are "set" (value may be empty)
};

struct AssetRootResult {
    std::string assetRoot;
    std::optional<std::string> projectRoot;    // set by the game-runtime and project-root rules
    int rule = 0;                              // the rule (1..8) that decided the asset root
};

// The live process: /proc/self/exe, getcwd and the three variables.
AssetRootInputs CurrentAssetRootInputs();
// The search itself; it has no side effects.
AssetRootResult ResolveAssetRoot(int argc, char** argv, const AssetRootInputs& in);
// Runs the search on the live process and stores the result in g_assetRoot
// and (when the rule gives one and it fits) g_projectRoot.
void SetAssetRootFromArgv(int argc, char** argv);
void ApplyAssetRootResult(const AssetRootResult& r);

// Sets g_projectRoot; false (logged, unchanged) when the path does not fit.
bool SetProjectRoot(const std::string& root);

// ---- Path helpers ----------------------------------------------------------

// g_assetRoot + "/" + name in one shared buffer that the next call
// overwrites: use or copy the result at once. Main thread only. A result
// longer than PATH_MAX is refused (logged) and gives "".
const char* AssetPath(const char* name);

std::string NormalizePathBestEffort(const std::string& path);
std::string PathDirname(const std::string& path);
// a empty → b; b empty → a; b absolute → b; a ends in "/" → a + b; else a/b.
std::string JoinPathStr(const std::string& a, const std::string& b);
// b null/empty → a; b absolute → b; a empty or "." → b; else a/b.
std::string JoinPathStr(const std::string& a, const char* b);
bool PathExistsPlain(const std::string& path);
bool FileExists(const char* path);
// The tail from the last "." anywhere in the path (dot included), or "".
std::string Ext(const std::string& path);
// Creates every directory along path (mode 0755). True when the whole path
// exists as a directory afterwards.
bool MkdirP(const std::string& path);
// $HOME, or "." when unset or empty.
std::string HomeDir();
// "~" and "~/..." become HomeDir() + the rest; every other path (including
// "~user") is copied unchanged. False, with out emptied, when the result does
// not fit in size bytes or an argument is missing.
bool ResolvePath(const char* path, char* out, size_t size);

std::string ProjectAssetsDir();
// "" for empty; absolute paths and URLs ("://") unchanged; else under Assets.
std::string ResolveProjectAssetPath(const char* path);
// The part after ProjectAssetsDir() + "/" when the path starts with it.
std::string ProjectRelativeAssetPath(const char* path);
