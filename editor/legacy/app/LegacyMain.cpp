#include "editor/legacy/LegacyKorvaneApp.h"

// Placeholder until the application shell lands: it opens no window and
// reports success, so the bootstrap can be exercised end to end.
int KorvaneLegacyMain(int argc, char** argv) {
    (void)argc;
    (void)argv;
    return 0;
}
