#include "installer/uWininit.h"

#include <cstddef>

#include "installer/TextLines.h"

namespace {
// The line without the blanks and tabs around it.
std::string Trimmed(const std::string& line) {
    const auto first = line.find_first_not_of(" \t");
    if (first == std::string::npos) return std::string();
    const auto last = line.find_last_not_of(" \t");
    return line.substr(first, last - first + 1);
}

bool IsSectionHeader(const std::string& line) {
    const std::string t = Trimmed(line);
    return !t.empty() && t.front() == '[';
}

bool IsRenameHeader(const std::string& line) {
    const std::string t = Trimmed(line);
    const char wanted[] = "[rename]";
    if (t.size() != sizeof wanted - 1) return false;
    for (size_t i = 0; i < t.size(); ++i) {
        char c = t[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != wanted[i]) return false;
    }
    return true;
}
}  // namespace

bool AddWininitRecord(TWininitLoad load, const std::string& text, const std::string& path,
                      std::string& result) {
    if (load == TWininitLoad::Unreadable) return false;
    TLines lines;
    if (load == TWininitLoad::Loaded) lines = SplitLines(text);
    const std::string record = "nul=" + path;

    size_t header = 0;
    while (header < lines.size() && !IsRenameHeader(lines[header])) ++header;
    if (header == lines.size()) {
        // Windows acts only on records inside [Rename]: start the section at the end.
        lines.push_back("[Rename]");
        lines.push_back(record);
    } else {
        // After the section's last record (blank lines before the next section stay
        // where they are), so that the records already there keep their order.
        size_t end = header + 1;
        while (end < lines.size() && !IsSectionHeader(lines[end])) ++end;
        size_t at = end;
        while (at > header + 1 && Trimmed(lines[at - 1]).empty()) --at;
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), record);
    }
    result = JoinLines(lines);
    return true;
}
