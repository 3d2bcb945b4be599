#include "windows/BrowserCommand.h"

#include <cctype>

std::string TrimBlanks(const std::string& s) {
    size_t first = 0, last = s.size();
    while (first < last && static_cast<unsigned char>(s[first]) <= ' ') ++first;
    while (last > first && static_cast<unsigned char>(s[last - 1]) <= ' ') --last;
    return s.substr(first, last - first);
}

namespace {

bool IsProgramExtension(const std::string& command, size_t end) {
    std::string ext = command.substr(end - 4, 4);
    for (char& c : ext) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return ext == ".EXE" || ext == ".BAT" || ext == ".COM";
}

std::string WithoutPlaceholders(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%') {
            while (i + 1 < s.size() && s[i + 1] != ' ') ++i;
            continue;
        }
        out += s[i];
    }
    return out;
}

}  // namespace

TBrowserCommand SplitBrowserCommand(const std::string& command) {
    TBrowserCommand result;
    // end = number of characters up to and including the extension's last one.
    size_t end = command.size();
    while (end >= 4 && !IsProgramExtension(command, end)) --end;
    if (end < 4) return result;

    if (end < command.size()) {
        std::string args = TrimBlanks(command.substr(end));
        std::string unquoted;
        for (char c : args)
            if (c != '"') unquoted += c;
        if (!unquoted.empty()) unquoted = WithoutPlaceholders(unquoted);
        result.Arguments = TrimBlanks(unquoted);
    }
    result.Program = command.substr(0, end);
    if (!result.Program.empty() && result.Program[0] == '"') result.Program.erase(0, 1);
    return result;
}
