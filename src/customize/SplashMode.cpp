#include "launcher/Modes.h"

void RunSplashMode(const TCommandLine&) {}
