// Win32 implementation of the platform layer (the Windows build).
#include <windows.h>

// After <windows.h>, so that its generic macros do not rename the layer's functions.
#include "runtime/DosDateTime.h"
#include "runtime/Platform.h"
#include "runtime/Stream.h"

namespace platform {

std::string NativePath(const std::string& path) { return path; }

void YieldTimeSlice() { Sleep(0); }

// A value that names no real day (31 February) is refused here, whatever the system's
// conversion would make of it.
bool SetFileDosDateTime(TFileStream& file, int32_t dosDateTime) {
    if (!dosdate::IsReal(dosDateTime)) return false;
    const auto bits = static_cast<uint32_t>(dosDateTime);
    FILETIME local, utc;
    if (!DosDateTimeToFileTime(static_cast<WORD>(bits >> 16), static_cast<WORD>(bits & 0xFFFF),
                               &local))
        return false;
    if (!LocalFileTimeToFileTime(&local, &utc)) return false;
    return SetFileTime(reinterpret_cast<HANDLE>(file.Handle()), nullptr, nullptr, &utc) != 0;
}

bool SetFileAttributes(const std::string& path, uint32_t attributes) {
    return SetFileAttributesA(path.c_str(), attributes) != 0;
}

uint32_t GetFileAttributes(const std::string& path) {
    return GetFileAttributesA(path.c_str());
}

bool DeleteFile(const std::string& path) { return DeleteFileA(path.c_str()) != 0; }

bool CreateDirectory(const std::string& path) {
    return CreateDirectoryA(path.c_str(), nullptr) != 0;
}

bool GetDiskFreeSpace(const std::string& root, DiskSpace& out) {
    DWORD sectors = 0, bytes = 0, freeClusters = 0, totalClusters = 0;
    if (!GetDiskFreeSpaceA(root.empty() ? nullptr : root.c_str(), &sectors, &bytes, &freeClusters,
                           &totalClusters))
        return false;
    out.SectorsPerCluster = sectors;
    out.BytesPerSector = bytes;
    out.FreeClusters = freeClusters;
    out.TotalClusters = totalClusters;
    return true;
}

ModuleHandle LoadLibrary(const std::string& name) {
    HMODULE module = LoadLibraryA(name.c_str());
    if (module == nullptr) return {};
    return ModuleHandle(module, [](void* m) { FreeLibrary(static_cast<HMODULE>(m)); });
}

bool FindResourceBytes(const ModuleHandle& module, const std::string& type,
                       const std::string& name, const uint8_t*& data, int64_t& size) {
    HMODULE m = module ? static_cast<HMODULE>(module.get()) : GetModuleHandleA(nullptr);
    HRSRC info = FindResourceA(m, name.c_str(), type.c_str());
    if (info == nullptr) return false;
    HGLOBAL loaded = LoadResource(m, info);
    if (loaded == nullptr) return false;
    const void* bytes = LockResource(loaded);
    if (bytes == nullptr) return false;
    data = static_cast<const uint8_t*>(bytes);
    size = SizeofResource(m, info);
    return true;
}

}  // namespace platform
