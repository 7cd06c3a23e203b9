// TShellKit: browser commands.
#include "util/ShellKit.h"
