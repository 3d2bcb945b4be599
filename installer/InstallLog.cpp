#include "installer/InstallLog.h"

namespace install {

TInstallLog::TInstallLog(std::string path, TAppender append)
    : path_(std::move(path)), append_(std::move(append)) {}

void TInstallLog::Begin(const std::string& when) {
    Line("=== Quorvane Installer run of " + when + " ===");
}

void TInstallLog::Line(const std::string& text) {
    if (!Enabled()) return;
    std::string bytes;
    std::string line;
    bool first = true;
    const auto flush = [&] {
        if (first || !line.empty()) bytes += (first ? "" : "    ") + line + "\r\n";
        first = false;
        line.clear();
    };
    for (const char c : text) {
        if (c == '\r' || c == '\n')
            flush();
        else
            line += c;
    }
    flush();
    if (!append_(path_, bytes)) good_ = false;
}

// Formatted by hand: the C library's formatting would bring its whole floating-point
// printer into the installer for these six numbers, which are calendar fields (never
// negative).
std::string LogTimeText(int year, int month, int day, int hour, int minute, int second) {
    std::string text;
    const auto put = [&text](int value, int digits, char after) {
        std::string number = std::to_string(value);
        if (number.size() < static_cast<size_t>(digits))
            number.insert(0, static_cast<size_t>(digits) - number.size(), '0');
        text += number;
        if (after) text += after;
    };
    put(year, 4, '-');
    put(month, 2, '-');
    put(day, 2, ' ');
    put(hour, 2, ':');
    put(minute, 2, ':');
    put(second, 2, 0);
    return text;
}

}  // namespace install
