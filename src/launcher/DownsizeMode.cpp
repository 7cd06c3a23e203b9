#include "launcher/Modes.h"

void RunDownsizeMode(const TCommandLine&) {}
