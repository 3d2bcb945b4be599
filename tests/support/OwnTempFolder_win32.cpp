// Every GoogleTest program under Windows works in a temporary folder of its own:
// C:\tvxtest\<program name>, emptied when the program starts and removed when it ends,
// with TEMP and TMP of the process pointing there. So a test never depends on the
// prefix's or the user's temporary folder as an earlier test left it: an end-to-end
// test that ended before putting TEMP back (a 256-character folder, say) cannot make
// these tests fail. (Paths that long are worse than a failure here: MinGW's runtime
// lists a folder through a MAX_PATH buffer it does not check, so std::filesystem's
// remove_all can walk an undefined path there and never end.)
//
// Linked into each test program by tests/CMakeLists.txt; it runs before main.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {
// Removes everything below folder (read-only files too) and, unless keepFolder, the
// folder itself. False when something is left.
bool Empty(const std::string& folder, bool keepFolder) {
    WIN32_FIND_DATAA found;
    const HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &found);
    bool ok = true;
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            const std::string path = folder + "\\" + name;
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                ok = Empty(path, false) && ok;
            else
                ok = DeleteFileA(path.c_str()) && ok;
        } while (FindNextFileA(find, &found));
        FindClose(find);
    }
    return (keepFolder || RemoveDirectoryA(folder.c_str())) && ok;
}

std::string ProgramName() {
    char path[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string name(path, n < MAX_PATH ? n : 0);
    name = name.substr(name.find_last_of("\\/:") + 1);
    const auto dot = name.find_last_of('.');
    return name.empty() ? "tests" : name.substr(0, dot);
}

struct OwnTempFolder {
    std::string folder = "C:\\tvxtest\\" + ProgramName();
    OwnTempFolder() {
        CreateDirectoryA("C:\\tvxtest", nullptr);
        CreateDirectoryA(folder.c_str(), nullptr);
        if (!Empty(folder, true) || GetFileAttributesA(folder.c_str()) == INVALID_FILE_ATTRIBUTES) {
            std::fprintf(stderr, "cannot make an empty temporary folder %s (error %lu)\n",
                         folder.c_str(), static_cast<unsigned long>(GetLastError()));
            std::exit(1);
        }
        SetEnvironmentVariableA("TEMP", folder.c_str());
        SetEnvironmentVariableA("TMP", folder.c_str());
    }
    ~OwnTempFolder() { Empty(folder, false); }
} ownTempFolder;
}  // namespace
