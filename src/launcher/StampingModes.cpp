#include "launcher/Modes.h"

void RunStampingModes(const TCommandLine&) {}
