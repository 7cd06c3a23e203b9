#include "shell/linux/Desktop.h"

#include <gio/gio.h>

#include "util/Maker.h"

bool OpenWithDesktop(const std::string& uri) {
    return g_app_info_launch_default_for_uri(uri.c_str(), nullptr, nullptr);
}

void OpenContactMail() { OpenWithDesktop(std::string("mailto:") + MakerMailAddress); }
