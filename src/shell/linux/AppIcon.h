// The executable's own icon (its embedded MAINICON), for the windows, the
// tray and the About box.
#pragma once
#include <gdk-pixbuf/gdk-pixbuf.h>

#include "util/linux/GObjectPtr.h"

// At its largest size when size is 0, else scaled to size x size; empty
// when the executable carries no icon or one GDK cannot read.
GObjectPtr<GdkPixbuf> LoadMainIcon(int size = 0);
