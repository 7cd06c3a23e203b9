#include "shell/linux/AppIcon.h"

#include "util/linux/Files.h"

namespace {

const char MainIconEntry[] = "MAINICON";

}  // namespace

GObjectPtr<GdkPixbuf> LoadMainIcon(int size) {
    const TEmbeddedData data = LinuxFiles::ReadEmbeddedData(LinuxFiles::ExeFileName());
    const auto icon = data.find(MainIconEntry);
    if (icon == data.end()) return {};
    auto loader = GObjectPtr<GdkPixbufLoader>::Adopt(gdk_pixbuf_loader_new());
    if (size > 0) gdk_pixbuf_loader_set_size(loader.Get(), size, size);
    const bool loaded = gdk_pixbuf_loader_write(loader.Get(), reinterpret_cast<const guchar*>(icon->second.data()),
                                                icon->second.size(), nullptr);
    if (!gdk_pixbuf_loader_close(loader.Get(), nullptr) || !loaded) return {};
    return GObjectPtr<GdkPixbuf>::RefSink(gdk_pixbuf_loader_get_pixbuf(loader.Get()));
}
