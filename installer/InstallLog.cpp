#include "installer/InstallLog.h"

#include <cstdio>

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

std::string LogTimeText(int year, int month, int day, int hour, int minute, int second) {
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", year, month, day, hour,
                  minute, second);
    return text;
}

}  // namespace install
