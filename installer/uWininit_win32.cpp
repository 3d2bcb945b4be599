#include "installer/uWininit.h"

#include "installer/TextLines.h"

#include <windows.h>

bool IsWindowsNT() {
    static_assert(sizeof(OSVERSIONINFOA) == 148, "OSVERSIONINFOA is 148 bytes");
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = 148;
    if (!GetVersionExA(&info)) return false;
    return info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

bool RecordInWininit(const std::string& iniPath, const std::string& path) {
    try {
        TWininitLoad load = TWininitLoad::Missing;
        std::string text;
        if (GetFileAttributesA(iniPath.c_str()) != INVALID_FILE_ATTRIBUTES) {
            try {
                text = ReadTextFile(iniPath);
                load = TWininitLoad::Loaded;
            } catch (...) {
                load = TWininitLoad::Unreadable;
            }
        }
        std::string updated;
        if (!AddWininitRecord(load, text, path, updated)) return false;
        ReplaceTextFile(iniPath, updated);
        return true;
    } catch (...) {
        return false;
    }
}
