// Win32 implementation of the platform layer (the Windows build).
#include <windows.h>

#include <string>

// After <windows.h>, so that its generic macros do not rename the layer's functions.
#include "runtime/ConfinedFolder.h"
#include "runtime/DosDateTime.h"
#include "runtime/Exception.h"
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

// ---- TConfinedFolder --------------------------------------------------------------
// Windows has no folder handles to create files relative to: each name is checked by
// its attributes as it is met, and a reparse point is never entered or written to.

namespace {

TNameKind KindOf(const std::string& path) {
    const DWORD a = GetFileAttributesA(path.c_str());
    if (a == INVALID_FILE_ATTRIBUTES) return TNameKind::Missing;
    if (a & FILE_ATTRIBUTE_REPARSE_POINT) return TNameKind::Link;
    return (a & FILE_ATTRIBUTE_DIRECTORY) ? TNameKind::Folder : TNameKind::File;
}

}  // namespace

TConfinedFolder::TConfinedFolder(const std::string& folder) : path_(folder) {
    const DWORD a = GetFileAttributesA(folder.c_str());
    if (a == INVALID_FILE_ATTRIBUTES || !(a & FILE_ATTRIBUTE_DIRECTORY))
        throw EInOutError(static_cast<int>(GetLastError()),
                          FormatMessage("Cannot open folder %s", folder));
}

TConfinedFolder::~TConfinedFolder() = default;

std::string TConfinedFolder::Join(const std::string& name) const {
    if (path_.empty() || path_.back() == '\\' || path_.back() == '/' || path_.back() == ':')
        return path_ + name;
    return path_ + "\\" + name;
}

TNameKind TConfinedFolder::Kind(const std::string& name) const { return KindOf(Join(name)); }

bool TConfinedFolder::Enter(const std::string& name) {
    const std::string path = Join(name);
    TNameKind kind = KindOf(path);
    if (kind == TNameKind::Missing) {
        CreateDirectoryA(path.c_str(), nullptr);
        kind = KindOf(path);
    }
    if (kind == TNameKind::Link) return false;
    if (kind != TNameKind::Folder)
        throw EInOutError(static_cast<int>(GetLastError()),
                          FormatMessage("Cannot create folder %s", path));
    path_ = path;
    return true;
}

std::unique_ptr<TFileStream> TConfinedFolder::CreateNew(const std::string& prefix,
                                                        std::string& name) {
    for (int n = 1; n <= 1000; ++n) {
        name = prefix + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(n) + ".tmp";
        // CREATE_NEW fails on any name that is there, a link included.
        HANDLE h = CreateFileA(Join(name).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                               CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE)
            return std::make_unique<TFileStream>(Join(name), reinterpret_cast<intptr_t>(h));
        if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
    name.clear();
    return nullptr;
}

// Windows refuses to replace a read-only file: its read-only bit is cleared for the
// rename and put back when the rename fails all the same.
bool TConfinedFolder::Commit(std::unique_ptr<TFileStream> file, const std::string& temp,
                             uint32_t attributes, const std::string& target) {
    file.reset();
    const std::string from = Join(temp), to = Join(target);
    SetFileAttributesA(from.c_str(), attributes);
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
    const DWORD old = GetFileAttributesA(to.c_str());
    if (old == INVALID_FILE_ATTRIBUTES || !(old & FILE_ATTRIBUTE_READONLY) ||
        (old & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)))
        return false;
    SetFileAttributesA(to.c_str(), old & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
    SetFileAttributesA(to.c_str(), old);
    return false;
}

bool TConfinedFolder::Remove(const std::string& name) {
    const std::string path = Join(name);
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    return DeleteFileA(path.c_str()) != 0;
}

}  // namespace platform
