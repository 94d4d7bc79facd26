// The project list: any bytes as the registry file. The three lists stay of
// equal length with usable roots, and the text a save would write reads back
// to the same lists.

#include <string>

#include "editor/legacy/shell/ProjectRegistry.h"
#include "fuzz/FuzzSupport.h"

using namespace korvane::fuzz;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    QuietLog();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QuietLog();
    static const std::string file = ScratchPath("projects");
    WriteBytes(file, data, size);
    g_projFile = file;
    g_projectsLoaded = false;
    g_projectsDirty = true;
    LoadProjects();

    KORVANE_FUZZ_CHECK(g_projNames.size() == g_projRoots.size() && g_projRoots.size() == g_projModTimes.size());
    for (const std::string& root : g_projRoots) KORVANE_FUZZ_CHECK(!root.empty());

    const std::string first = RegistryText(g_projNames, g_projRoots);
    std::vector<std::string> names, roots;
    for (RegistryEntry& e : ParseRegistryText(first)) {
        names.push_back(std::move(e.name));
        roots.push_back(std::move(e.root));
    }
    KORVANE_FUZZ_CHECK(roots == g_projRoots, "a saved root reads back different");
    const std::string second = RegistryText(names, roots);
    KORVANE_FUZZ_CHECK(first == second, FirstDifference(first, second));
    return 0;
}
