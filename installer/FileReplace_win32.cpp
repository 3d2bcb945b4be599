#include "installer/FileReplace.h"

#include "installer/uWininit.h"

#include <windows.h>

bool ReplaceWithFresh(const std::string& fresh, const std::string& target,
                      const std::string& aside) {
    if (IsWindowsNT())
        return MoveFileExA(fresh.c_str(), target.c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    // The Windows 95 family cannot replace by a move. Every step below is a rename
    // within one folder; until the last one the old contents exist under one of the two
    // names.
    if (GetFileAttributesA(target.c_str()) == INVALID_FILE_ATTRIBUTES)
        return MoveFileA(fresh.c_str(), target.c_str()) != 0;
    DeleteFileA(aside.c_str());  // left over from an interrupted replacement
    if (!MoveFileA(target.c_str(), aside.c_str())) return false;
    if (!MoveFileA(fresh.c_str(), target.c_str())) {
        MoveFileA(aside.c_str(), target.c_str());
        return false;
    }
    DeleteFileA(aside.c_str());
    return true;
}
