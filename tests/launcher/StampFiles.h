// Files and resources for the stamping and mode tests.
#pragma once
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "tools/TempFolder.h"

// A build-tree path (Unix form under Wine) as the platform names it.
std::string WinPath(const std::string& buildPath);

// A fresh folder under the temporary folder, removed with everything in it.
using TTestFolder = TempFolder;

std::string ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);
bool Exists(const std::string& path);
// Copies a file of the build tree; returns destination.
std::string CopyTo(const std::string& destination, const char* buildPath);

std::optional<std::string> ResourceBytes(const std::string& exe, LPCWSTR type, LPCWSTR name, WORD language);
std::vector<WORD> ResourceLanguages(const std::string& exe, LPCWSTR type, LPCWSTR name);

struct TTestImage {
    unsigned char size;  // width and height
    std::string bytes;
};
// An .ico file holding the images in this order, data after the directory.
std::string IconFileOf(const std::vector<TTestImage>& images);
