#include "windows/SystemDrives.h"

#include <windows.h>
#include <shellapi.h>

#include "runtime/SystemLibraries.h"

namespace {

// Restores the process's error mode when it goes out of scope.
class ErrorModeScope {
public:
    explicit ErrorModeScope(UINT mode) : previous_(SetErrorMode(mode)) {}
    ~ErrorModeScope() { SetErrorMode(previous_); }
    ErrorModeScope(const ErrorModeScope&) = delete;
    ErrorModeScope& operator=(const ErrorModeScope&) = delete;

private:
    UINT previous_;
};

using FreeSpaceExFn = BOOL(WINAPI*)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);

FreeSpaceExFn FindFreeSpaceEx() {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (!kernel) return nullptr;
    return reinterpret_cast<FreeSpaceExFn>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "GetDiskFreeSpaceExA")));
}

class Win32DriveQuery : public IDriveQuery {
public:
    uint32_t LogicalDrives() override { return GetLogicalDrives(); }
    unsigned DriveType(const std::string& root) override { return GetDriveTypeA(root.c_str()); }
    bool HasDiskFreeSpaceEx() override { return freeSpaceEx_ != nullptr; }
    bool DiskFreeSpaceEx(const std::string& root, uint64_t& freeToCaller,
                         uint64_t& total) override {
        ULARGE_INTEGER avail{}, all{}, totalFree{};
        if (!freeSpaceEx_ || !freeSpaceEx_(root.c_str(), &avail, &all, &totalFree)) return false;
        freeToCaller = avail.QuadPart;
        total = all.QuadPart;
        return true;
    }
    bool DiskFreeSpace(const std::string& root, TDiskGeometry& out) override {
        DWORD spc = 0, bps = 0, freeClusters = 0, totalClusters = 0;
        if (!GetDiskFreeSpaceA(root.c_str(), &spc, &bps, &freeClusters, &totalClusters))
            return false;
        out = TDiskGeometry{spc, bps, freeClusters, totalClusters};
        return true;
    }
    std::string VolumeLabel(char letter) override { return GetVolumeLabel(letter); }
    std::string DisplayName(const std::string& root) override {
        SHFILEINFOA info{};
        if (!platform::Shell32().SHGetFileInfoA(root.c_str(), 0, &info, sizeof info, SHGFI_DISPLAYNAME))
            return std::string();
        info.szDisplayName[MAX_PATH - 1] = '\0';
        return info.szDisplayName;
    }

private:
    FreeSpaceExFn freeSpaceEx_ = FindFreeSpaceEx();
};

class Win32FolderSystem : public IFolderSystem {
public:
    unsigned ChangeDirectory(const std::string& path) override {
        if (SetCurrentDirectoryA(path.c_str())) return 0;
        const DWORD error = GetLastError();
        return error ? error : ERROR_PATH_NOT_FOUND;
    }
    std::string CurrentDirectory() override {
        char buffer[MAX_PATH + 1];
        const DWORD n = GetCurrentDirectoryA(sizeof buffer, buffer);
        if (n == 0 || n >= sizeof buffer) return std::string();
        return std::string(buffer, n);
    }
    std::vector<std::string> Subfolders(const std::string& folder) override {
        std::vector<std::string> out;
        std::string pattern = folder;
        if (pattern.empty() || pattern.back() != '\\') pattern += '\\';
        pattern += '*';
        WIN32_FIND_DATAA data;
        HANDLE find = FindFirstFileA(pattern.c_str(), &data);
        if (find == INVALID_HANDLE_VALUE) return out;
        do {
            const DWORD a = data.dwFileAttributes;
            const std::string name = data.cFileName;
            if (!(a & FILE_ATTRIBUTE_DIRECTORY) || (a & FILE_ATTRIBUTE_HIDDEN))
                continue;
            if (name == "." || name == "..") continue;
            out.push_back(name);
        } while (FindNextFileA(find, &data));
        FindClose(find);
        return out;
    }
};

}  // namespace

std::string GetVolumeLabel(char letter) {
    const std::string root = std::string(1, letter) + ":\\";
    char name[256] = {};
    ErrorModeScope scope(SEM_FAILCRITICALERRORS);
    if (!GetVolumeInformationA(root.c_str(), name, 255, nullptr, nullptr, nullptr, nullptr, 0))
        return std::string();
    return name;
}

IDriveQuery& SystemDriveQuery() {
    static Win32DriveQuery query;
    return query;
}

IFolderSystem& SystemFolderSystem() {
    static Win32FolderSystem fs;
    return fs;
}
