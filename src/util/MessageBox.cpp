#include "util/MessageBox.h"

#include "util/Utf.h"

namespace {
int PlatformMessageBox(HWND owner, const std::string& text, const std::string& caption, unsigned type) {
    return MessageBoxW(owner, Widen(text).c_str(), Widen(caption).c_str(), type);
}
MessageBoxFunction current = PlatformMessageBox;
}  // namespace

int ShowMessageBox(HWND owner, const std::string& text, const std::string& caption, unsigned type) {
    return current(owner, text, caption, type);
}

MessageBoxFunction SetMessageBoxFunction(MessageBoxFunction function) {
    MessageBoxFunction previous = current;
    current = function ? function : PlatformMessageBox;
    return previous;
}
