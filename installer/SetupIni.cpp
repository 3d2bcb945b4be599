#include "installer/SetupIni.h"

#include "runtime/Exception.h"

namespace {
bool SameTextAZ(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
        if (x != y) return false;
    }
    return true;
}

void SetValue(TLines& lines, const std::string& name, const std::string& value) {
    for (auto& line : lines) {
        const auto eq = line.find('=');
        if (eq != std::string::npos && SameTextAZ(line.substr(0, eq), name)) {
            line = name + "=" + value;
            return;
        }
    }
    lines.push_back(name + "=" + value);
}
}  // namespace

void RewriteSetupIniLines(TLines& lines, const std::string& Gateway,
                          const std::string& ProductLevel, const std::string& EmailDomain) {
    // The inserts go at index 1, which exists only when the file has a first line.
    if (lines.empty()) throw EStringListError(1);
    lines.insert(lines.begin() + 1, "EmailDomain=" + EmailDomain);
    lines.insert(lines.begin() + 1, "ProdLevel=" + ProductLevel);
    lines.insert(lines.begin() + 1, "Gateway=" + Gateway);
    SetValue(lines, "AppName", "Quorvane");
}

bool WriteSetupIni(const std::string& TargetDir, const std::string& Gateway,
                   const std::string& ProductLevel, const std::string& EmailDomain) {
    try {
        const std::string path = SetupIniPath(TargetDir);
        TLines lines = SplitLines(ReadTextFile(path));
        RewriteSetupIniLines(lines, Gateway, ProductLevel, EmailDomain);
        ReplaceTextFile(path, JoinLines(lines));
        return true;
    } catch (...) {
        return false;
    }
}
