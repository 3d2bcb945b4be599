#include "installer/SetupIni.h"

#include <filesystem>
#include <system_error>

#include "runtime/Platform.h"

// Natively the name is matched by hand, the way the Windows file system would.
std::string SetupIniPath(const std::string& TargetDir) {
    const std::string wanted = "setup.ini";
    std::error_code ec;
    for (const auto& entry :
         std::filesystem::directory_iterator(platform::NativePath(TargetDir), ec)) {
        const std::string name = entry.path().filename().string();
        if (name.size() != wanted.size()) continue;
        bool same = true;
        for (size_t i = 0; i < name.size() && same; ++i) {
            char c = name[i];
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
            same = c == wanted[i];
        }
        if (same) return TargetDir + "\\" + name;
    }
    return TargetDir + "\\" + wanted;
}
