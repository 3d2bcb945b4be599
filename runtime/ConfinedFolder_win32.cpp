// Win32 implementation of TConfinedFolder. A file of its own, so that only the
// programs that use it import what it needs (MoveFileExA, GetCurrentProcessId): the
// installer's imports stay those that every Windows it runs on has.
#include <windows.h>

#include <string>

// After <windows.h>, so that its generic macros do not rename the layer's functions.
#include "runtime/ConfinedFolder.h"
#include "runtime/Exception.h"
#include "runtime/Platform.h"
#include "runtime/Stream.h"

namespace platform {

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
