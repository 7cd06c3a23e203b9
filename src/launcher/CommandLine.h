// Command-line words as the program has always split them: separators are
// characters 1 to 32, double quotes open and close quoted stretches and are
// dropped, no escape character, an empty quoted word ("") where a word would
// begin is skipped, and the count stops at the first empty word.
#pragma once
#include <string>
#include <vector>

#include "util/Text.h"

class TCommandLine {
public:
    // line: the whole command line, program name first.
    explicit TCommandLine(const std::string& line);
    // words: the words after the program name, already split (as a C main gets them).
    explicit TCommandLine(const std::vector<std::string>& words);

    int Count() const { return static_cast<int>(args_.size()); }
    // 1..Count(): the words after the program name; anything else is empty.
    const std::string& Arg(int index) const;
    // Argument 1 lower-cased (ASCII letters only), for comparing mode names.
    std::string ModeName() const;

private:
    std::vector<std::string> args_;
};

// The modes a command line can ask for, by argument 1 and the least number of
// arguments each needs; anything else asks for none and the program just ends.
enum class TMode { None, Rename, Downsize, Splash, Setup, Config, Icon, SplashImage };
TMode RoutedMode(const TCommandLine& args);

// The parameters that start a mode of the program with two files:
// mode "first" "second".
std::string ModeParameters(const std::string& mode, const std::string& first, const std::string& second);
