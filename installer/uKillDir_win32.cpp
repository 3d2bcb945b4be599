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

namespace {
bool Gone(const std::string& Path) { return GetFileAttributesA(Path.c_str()) == INVALID_FILE_ATTRIBUTES; }
}  // namespace

bool DeleteFileNow(const std::string& Path) {
    if (Path.empty()) return false;
    const DWORD attributes = GetFileAttributesA(Path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return true;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return false;
    if (attributes & FILE_ATTRIBUTE_READONLY)
        SetFileAttributesA(Path.c_str(), attributes & ~DWORD{FILE_ATTRIBUTE_READONLY});
    return DeleteFileA(Path.c_str()) != 0 || Gone(Path);
}

bool RemoveFolderNow(const std::string& Path) {
    if (Path.empty()) return false;
    char buffer[MAX_PATH + 1] = {};
    const DWORD n = GetCurrentDirectoryA(sizeof buffer, buffer);
    const std::string current(buffer, n > 0 && n < sizeof buffer ? n : 0);
    // The folder itself, or a folder inside it.
    const bool within = current.size() >= Path.size() &&
                        lstrcmpiA(current.substr(0, Path.size()).c_str(), Path.c_str()) == 0 &&
                        (current.size() == Path.size() || current[Path.size()] == '\\');
    if (within) {
        const std::string::size_type cut = Path.find_last_of('\\');
        if (cut != std::string::npos)
            SetCurrentDirectoryA(Path.substr(0, cut == 2 ? 3 : cut).c_str());
    }
    return RemoveDirectoryA(Path.c_str()) != 0 || Gone(Path);
}
