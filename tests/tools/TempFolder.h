// A fresh folder with a non-ASCII name under the temporary folder, removed
// with everything in it when the test ends.
#pragma once
#include <windows.h>

#include <string>

#include "util/ShellKit.h"
#include "util/Utf.h"

class TempFolder {
public:
    TempFolder() {
        const std::string base = TShellKit::GetTempDir() + "\\vadrome tëst Ω ";
        for (int n = 0; !CreateDirectoryW(Widen(path_ = base + std::to_string(n)).c_str(), nullptr); ++n) {
        }
    }
    ~TempFolder() {
        TShellKit::ForEachFileRecursive(path_, false);
        TShellKit::DeleteFolder(path_);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

private:
    std::string path_;
};
