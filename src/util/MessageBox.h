// Every message box goes through one replaceable function, so tests never block.
#pragma once
#include <windows.h>
#include <string>

using MessageBoxFunction = int (*)(HWND owner, const std::string& text, const std::string& caption,
                                   unsigned type);

int ShowMessageBox(HWND owner, const std::string& text, const std::string& caption, unsigned type);
// Returns the previous function; nullptr restores the platform's box.
MessageBoxFunction SetMessageBoxFunction(MessageBoxFunction function);
