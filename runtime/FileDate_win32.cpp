// Win32: a file's last-write time as an MS-DOS date/time in local time.
#include <windows.h>

#include "runtime/Platform.h"

namespace platform {

bool GetFileDosDateTime(const std::string& path, int32_t& dosDateTime) {
    // FindFirstFileA rather than GetFileAttributesExA, which Windows 95 lacks; a
    // wildcard would match some other file.
    if (path.find_first_of("*?") != std::string::npos) return false;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(path.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return false;
    FindClose(find);
    FILETIME local;
    if (!FileTimeToLocalFileTime(&data.ftLastWriteTime, &local)) return false;
    WORD date = 0, time = 0;
    if (!FileTimeToDosDateTime(&local, &date, &time)) {
        dosDateTime = (1 << 5 | 1) << 16;  // before 1980: 1 January 1980, 00:00:00
        return true;
    }
    dosDateTime = static_cast<int32_t>(static_cast<uint32_t>(date) << 16 | time);
    return true;
}

}  // namespace platform
