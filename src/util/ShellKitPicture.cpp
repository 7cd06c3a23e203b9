// TShellKit: picture loading.
#include "util/ShellKit.h"
