#include "launcher/Modes.h"

void RunRenameMode(const TCommandLine&) {}
