#pragma once
// Crash recovery for the open scene. The 30 s autosave writes a recovery
// copy under the project's "Library/Recovery/" instead of the scene file, so
// the user's last deliberate save stays what it was. When a scene is opened
// and a copy newer than the scene file is found (the editor crashed or was
// killed), the shell asks "Recover unsaved changes from <time>?".
//
//   RecoveryCopyPath        Library/Recovery/<the scene's project-relative path>
//   WriteRecoveryCopy       the autosave: the open scene into its copy
//   RemoveRecoveryCopy      on a real save, "Don't Save", a clean close
//   FindNewerRecoveryCopy   a copy newer than the scene file, and its time
//   g_recoveryOffer         the offer the shell shows (set when a scene opens)
//   AcceptRecoveryOffer     "Recover": the copy's content, dirty, scene path kept
//   DiscardRecoveryOffer    "Discard": the copy is deleted
//   InstallSceneRecovery    hooks the scene file's load and save

#include <ctime>
#include <string>

// The copy's path for a scene: "<project>/Library/Recovery/<path relative to
// the project>" ("External/<absolute path>" for a scene outside the
// project). Empty when there is no project, no scene path, or the path has a
// "." or ".." component (it could name a file outside the recovery folder).
std::string RecoveryCopyPath(const std::string& scenePath, const std::string& projectRoot);

// Writes the open scene to the copy for g_scenePath (SaveSceneCopy). The
// scene file, g_scenePath and the dirty mark are untouched. False (logged)
// when there is nowhere to write or the write failed.
bool WriteRecoveryCopy();

// Deletes the copy for scenePath if there is one.
void RemoveRecoveryCopy(const char* scenePath);

struct RecoveryOffer {
    std::string scenePath;  // the scene file (stays the open scene's path)
    std::string copyPath;   // the recovery copy
    time_t when = 0;        // the copy's modification time
    bool active = false;
};

// True when scenePath's copy exists and was modified after the scene file.
bool FindNewerRecoveryCopy(const char* scenePath, RecoveryOffer* out);

// The offer of the scene that was opened last; active until answered.
extern RecoveryOffer g_recoveryOffer;
// The question as the shell shows it: "Recover unsaved changes from <time>?".
std::string RecoveryQuestion(const RecoveryOffer& offer);
// "Recover": loads the copy; the scene is dirty and g_scenePath is the scene
// file, which stays untouched until the user saves. False (logged, offer
// closed, copy kept) when the copy cannot be read.
bool AcceptRecoveryOffer();
// "Discard": deletes the copy.
void DiscardRecoveryOffer();

// Installs the scene file hooks: every opened scene is checked for a copy,
// every real save removes the copies of the saved and the previous path.
void InstallSceneRecovery();
