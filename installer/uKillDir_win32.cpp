#include "installer/uKillDir.h"

#include "installer/uWininit.h"

#include <windows.h>

bool DeleteAtRestart(const std::string& Path) {
    // An empty path names nothing to delete (and must never become the current folder).
    if (Path.empty()) return false;
    try {
        if (IsWindowsNT())
            return MoveFileExA(Path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != 0;
        char folder[255];
        const UINT n = GetWindowsDirectoryA(folder, sizeof folder);
        if (n == 0 || n >= sizeof folder) return false;
        return RecordInWininit(std::string(folder, n) + "\\wininit.ini", Path);
    } catch (...) {
        return false;
    }
}
