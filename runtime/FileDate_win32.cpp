// Win32: a file's last-write time as an MS-DOS date/time in local time.
#include <windows.h>

#include "runtime/DosDateTime.h"
#include "runtime/Platform.h"

namespace platform {

bool GetFileDosDateTime(const std::string& path, int32_t& dosDateTime) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return false;
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
