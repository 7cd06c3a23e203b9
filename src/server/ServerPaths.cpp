#include "server/ServerPaths.h"

#include "server/ServerText.h"
#include "util/Errors.h"
#include "util/ShellKit.h"
#include "util/Utf.h"

namespace {

unsigned ServerCodePage() {
    static const unsigned codePage = SystemAnsiCodePage();
    return codePage;
}

// The short form of the longest existing part, with the rest as it is; empty
// when no part has one.
std::string ShortFormOf(const std::string& path) {
    std::string head = path, tail;
    for (;;) {
        if (const std::string shortHead = TShellKit::GetShortPath(head); !shortHead.empty())
            return shortHead + tail;
        const size_t slash = head.find_last_of('\\');
        if (slash == std::string::npos || slash == 0) return {};
        tail = head.substr(slash) + tail;
        head.resize(slash);
        // "C:" alone would name the drive's current folder.
        if (head.size() == 2 && head[1] == ':') return head + tail;
    }
}

std::string ChooseForm(const std::string& path) {
    return ChooseServerPathForm(path, ShortFormOf(path), [](const std::string& form) {
        return ToCodePage(form, ServerCodePage()).has_value();
    });
}

}  // namespace

std::string ServerPath(const std::string& path) {
    if (path.empty()) return path;
    std::string form = ChooseForm(path);
    if (form.empty())
        throw Exception("The servers cannot be given the path \"" + path +
                        "\": programs for the system's code page (" + std::to_string(ServerCodePage()) +
                        ") cannot read its name, and the drive keeps no short (8.3) name for it that "
                        "they can read. Move the application to a folder whose name has only letters of "
                        "that code page, or turn on short names on that drive");
    return form;
}

std::string ServerPathOrSelf(const std::string& path) {
    const std::string form = path.empty() ? path : ChooseForm(path);
    return form.empty() ? path : form;
}

std::string ServerFileText(const std::string& text) {
    return ToCodePage(text, ServerCodePage()).value_or(text);
}
