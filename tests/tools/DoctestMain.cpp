#define DOCTEST_CONFIG_IMPLEMENT
#include <doctest/doctest.h>

#ifdef _WIN32
#include "tools/TestBoxes.h"
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
    // A test never pops a real dialog: boxes are recorded and answered OK.
    InstallRecordingMessageBox();
#endif
    doctest::Context context(argc, argv);
    return context.run();
}
