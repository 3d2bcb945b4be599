// Win32: a file's last-write time as an MS-DOS date/time in local time.
#include <windows.h>

#include "runtime/DosDateTime.h"
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
    // Outside 1980-2107 the form has no value: the nearest end of its range is stored.
    SYSTEMTIME st;
    if (FileTimeToSystemTime(&local, &st) && (st.wYear < 1980 || st.wYear > 2107)) {
        dosDateTime = st.wYear < 1980 ? dosdate::kEarliest : dosdate::kLatest;
        return true;
    }
    WORD date = 0, time = 0;
    if (!FileTimeToDosDateTime(&local, &date, &time)) {
        dosDateTime = dosdate::kEarliest;
        return true;
    }
    dosDateTime = static_cast<int32_t>(static_cast<uint32_t>(date) << 16 | time);
    return true;
}

}  // namespace platform
