// TShellKit: resource stamping of another executable.
#include "util/ShellKit.h"
