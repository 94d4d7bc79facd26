// "Create New": the path field follows the typed project name until the
// user edits the path; emptying the path lets it follow again.

#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "editor/ui/shell/ProjectHub.h"

namespace {

TEST(ProjectHubPath, FollowsTheNameUntilThePathIsEdited) {
    ResetProjectPathFollowing();
    char path[256] = "";
    const std::string home = "/home/u";
    struct Step {
        const char* what;
        const char* name;
        bool nameChanged, pathChanged;
        const char* typedPath;  // written into the field before the call, or null
        const char* expect;
    } const steps[] = {
        {"an empty field gets the default", "My Game", false, false, nullptr, "/home/u/Documents/Korvane/My Game"},
        {"typing a name follows", "Rocket", true, false, nullptr, "/home/u/Documents/Korvane/Rocket"},
        {"nothing typed: unchanged", "Rocket", false, false, nullptr, "/home/u/Documents/Korvane/Rocket"},
        {"the user edits the path", "Rocket", false, true, "/data/games/rocket", "/data/games/rocket"},
        {"later names leave it alone", "Rocket 2", true, false, nullptr, "/data/games/rocket"},
        {"emptying the path follows again", "Rocket 2", false, true, "", "/home/u/Documents/Korvane/Rocket 2"},
        {"and keeps following", "Rocket 3", true, false, nullptr, "/home/u/Documents/Korvane/Rocket 3"},
    };
    for (const Step& s : steps) {
        if (s.typedPath) std::strcpy(path, s.typedPath);
        FollowProjectNameInPath(s.name, s.nameChanged, s.pathChanged, path, sizeof path, home);
        EXPECT_STREQ(path, s.expect) << s.what;
    }
    // A default that does not fit is left out, not cut.
    char tiny[16] = "";
    ResetProjectPathFollowing();
    FollowProjectNameInPath("A Very Long Project Name", true, false, tiny, sizeof tiny, home);
    EXPECT_STREQ(tiny, "");
}

} // namespace
