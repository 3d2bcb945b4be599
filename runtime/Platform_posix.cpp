// Native (Linux) implementation of the platform layer.
#include "runtime/Platform.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sched.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cctype>
#include <cstring>
#include <ctime>
#include <map>
#include <mutex>

#include "runtime/ConfinedFolder.h"
#include "runtime/DosDateTime.h"
#include "runtime/Exception.h"
#include "runtime/NativeResources.h"
#include "runtime/Stream.h"

namespace platform {

std::string NativePath(const std::string& path) {
    std::string out(path);
    std::replace(out.begin(), out.end(), '\\', '/');
    return out;
}

void YieldTimeSlice() { sched_yield(); }

namespace {

// MS-DOS date/time fields; false when they name no real moment (mktime would carry
// 31 February over into March).
bool DosToTm(int32_t dosDateTime, std::tm& out) {
    if (!dosdate::IsReal(dosDateTime)) return false;
    const auto v = static_cast<uint32_t>(dosDateTime);
    const uint32_t time = v & 0xFFFF, date = v >> 16;
    const int sec = static_cast<int>(time & 0x1F) * 2;
    const int min = static_cast<int>((time >> 5) & 0x3F);
    const int hour = static_cast<int>(time >> 11);
    const int day = static_cast<int>(date & 0x1F);
    const int month = static_cast<int>((date >> 5) & 0x0F);
    const int year = static_cast<int>(date >> 9) + 1980;
    out = std::tm{};
    out.tm_sec = sec;
    out.tm_min = min;
    out.tm_hour = hour;
    out.tm_mday = day;
    out.tm_mon = month - 1;
    out.tm_year = year - 1900;
    out.tm_isdst = -1;
    return true;
}

// Times outside the form's range become its first or last moment.
int32_t TmToDos(const std::tm& t) {
    if (t.tm_year < 80) return dosdate::kEarliest;
    if (t.tm_year > 207) return dosdate::kLatest;
    const uint32_t date = static_cast<uint32_t>(t.tm_year - 80) << 9 |
                          static_cast<uint32_t>(t.tm_mon + 1) << 5 |
                          static_cast<uint32_t>(t.tm_mday);
    const uint32_t time = static_cast<uint32_t>(t.tm_hour) << 11 |
                          static_cast<uint32_t>(t.tm_min) << 5 |
                          static_cast<uint32_t>(t.tm_sec / 2);
    return static_cast<int32_t>((date & 0xFFFF) << 16 | time);
}

}  // namespace

bool SetFileDosDateTime(TFileStream& file, int32_t dosDateTime) {
    std::tm t;
    if (file.Handle() < 0 || !DosToTm(dosDateTime, t)) return false;
    const time_t when = mktime(&t);
    if (when == static_cast<time_t>(-1)) return false;
    timespec times[2];
    times[0].tv_sec = when;  // access time as well, as a fresh file would have it
    times[0].tv_nsec = 0;
    times[1] = times[0];
    return ::futimens(static_cast<int>(file.Handle()), times) == 0;
}

bool GetFileDosDateTime(const std::string& path, int32_t& dosDateTime) {
    struct stat st;
    if (::stat(NativePath(path).c_str(), &st) != 0) return false;
    std::tm t;
    if (!localtime_r(&st.st_mtime, &t)) return false;
    dosDateTime = TmToDos(t);
    return true;
}

namespace {

// Only read-only has a native counterpart (the owner's write permission); the other
// Windows bits are not kept by the file system.
mode_t ModeWithAttributes(mode_t mode, uint32_t attributes) {
    mode &= 07777;
    if (attributes & kAttrReadOnly)
        return mode & static_cast<mode_t>(~(S_IWUSR | S_IWGRP | S_IWOTH));
    return mode | S_IWUSR;
}

}  // namespace

// A symbolic link is left alone: its target is some other file.
bool SetFileAttributes(const std::string& path, uint32_t attributes) {
    const std::string native = NativePath(path);
    struct stat st;
    if (::lstat(native.c_str(), &st) != 0 || S_ISLNK(st.st_mode)) return false;
    return ::chmod(native.c_str(), ModeWithAttributes(st.st_mode, attributes)) == 0;
}

// Directories report 0x10, files 0x20 (archive, as every freshly written Windows file
// has), plus read-only when the owner may not write.
uint32_t GetFileAttributes(const std::string& path) {
    struct stat st;
    if (::stat(NativePath(path).c_str(), &st) != 0) return kInvalidFileAttributes;
    uint32_t bits = S_ISDIR(st.st_mode) ? kAttrDirectory : 0x20u;
    if (!(st.st_mode & S_IWUSR)) bits |= kAttrReadOnly;
    return bits;
}

bool DeleteFile(const std::string& path) {
    const std::string native = NativePath(path);
    struct stat st;
    if (::lstat(native.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
    return ::unlink(native.c_str()) == 0;
}

bool CreateDirectory(const std::string& path) {
    return ::mkdir(NativePath(path).c_str(), 0777) == 0;
}

// Drive roots have no meaning natively: an empty root is the current folder's file
// system, any other root is looked up as a path and fails when it does not exist.
bool GetDiskFreeSpace(const std::string& root, DiskSpace& out) {
    const std::string native = root.empty() ? std::string(".") : NativePath(root);
    struct statvfs vfs;
    if (::statvfs(native.c_str(), &vfs) != 0) return false;
    const auto clamp = [](unsigned long long v) {
        return static_cast<uint32_t>(std::min<unsigned long long>(v, 0xFFFFFFFFull));
    };
    out.SectorsPerCluster = 1;
    out.BytesPerSector = clamp(vfs.f_frsize ? vfs.f_frsize : vfs.f_bsize);
    out.FreeClusters = clamp(vfs.f_bavail);
    out.TotalClusters = clamp(vfs.f_blocks);
    return true;
}

// A Windows library name such as "Extra.dll" is tried as given and then with the
// suffix ".so" in place of ".dll".
ModuleHandle LoadLibrary(const std::string& name) {
    std::string native = NativePath(name);
    void* handle = ::dlopen(native.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle && native.size() > 4) {
        std::string suffix = native.substr(native.size() - 4);
        std::transform(suffix.begin(), suffix.end(), suffix.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (suffix == ".dll") {
            native.replace(native.size() - 4, 4, ".so");
            handle = ::dlopen(native.c_str(), RTLD_NOW | RTLD_LOCAL);
        }
    }
    if (!handle) return nullptr;
    return ModuleHandle(handle, [](void* h) { ::dlclose(h); });
}

namespace {

bool SameName(const char* a, const std::string& b) {
    return ::strcasecmp(a, b.c_str()) == 0;
}

struct ResourceRegistry {
    std::mutex Lock;
    std::map<std::pair<std::string, std::string>, ResourceRecord> Records;
};

ResourceRegistry& Registry() {
    static ResourceRegistry registry;
    return registry;
}

std::string Upper(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return s;
}

}  // namespace

void RegisterResource(const ResourceRecord& record) {
    auto& r = Registry();
    std::lock_guard<std::mutex> hold(r.Lock);
    r.Records[{Upper(record.Type), Upper(record.Name)}] = record;
}

bool FindResourceBytes(const ModuleHandle& module, const std::string& type,
                       const std::string& name, const uint8_t*& data, int64_t& size) {
    if (!module) {
        auto& r = Registry();
        std::lock_guard<std::mutex> hold(r.Lock);
        const auto it = r.Records.find({Upper(type), Upper(name)});
        if (it == r.Records.end()) return false;
        data = it->second.Data;
        size = it->second.Size;
        return true;
    }
    const auto* table =
        static_cast<const ResourceRecord*>(::dlsym(module.get(), kResourceTableSymbol));
    if (!table) return false;
    for (; table->Type; ++table) {
        if (SameName(table->Type, type) && table->Name && SameName(table->Name, name)) {
            data = table->Data;
            size = table->Size;
            return true;
        }
    }
    return false;
}

// ---- TConfinedFolder --------------------------------------------------------------

TConfinedFolder::TConfinedFolder(const std::string& folder) : path_(folder) {
    fd_ = ::open(NativePath(folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ < 0) throw EInOutError(errno, FormatMessage("Cannot open folder %s", folder));
}

TConfinedFolder::~TConfinedFolder() {
    if (fd_ >= 0) ::close(fd_);
}

std::string TConfinedFolder::Join(const std::string& name) const {
    if (path_.empty() || path_.back() == '\\' || path_.back() == '/') return path_ + name;
    return path_ + "\\" + name;
}

TNameKind TConfinedFolder::Kind(const std::string& name) const {
    struct stat st;
    if (::fstatat(fd_, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return TNameKind::Missing;
    if (S_ISLNK(st.st_mode)) return TNameKind::Link;
    if (S_ISDIR(st.st_mode)) return TNameKind::Folder;
    return S_ISREG(st.st_mode) ? TNameKind::File : TNameKind::Other;
}

bool TConfinedFolder::Enter(const std::string& name) {
    const std::string path = Join(name);
    const TNameKind kind = Kind(name);
    if (kind == TNameKind::Link) return false;
    if (kind == TNameKind::File || kind == TNameKind::Other)
        throw EInOutError(ENOTDIR, FormatMessage("Cannot create folder %s", path));
    if (kind == TNameKind::Missing && ::mkdirat(fd_, name.c_str(), 0777) != 0 && errno != EEXIST)
        throw EInOutError(errno, FormatMessage("Cannot create folder %s", path));
    // O_NOFOLLOW: a link put there since the check is refused, not entered.
    const int child =
        ::openat(fd_, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (child < 0) {
        if (errno == ELOOP || Kind(name) == TNameKind::Link) return false;
        throw EInOutError(errno, FormatMessage("Cannot create folder %s", path));
    }
    ::close(fd_);
    fd_ = child;
    path_ = path;
    return true;
}

std::unique_ptr<TFileStream> TConfinedFolder::CreateNew(const std::string& prefix,
                                                        std::string& name) {
    for (int n = 1; n <= 1000; ++n) {
        name = prefix + std::to_string(::getpid()) + "-" + std::to_string(n) + ".tmp";
        const int fd = ::openat(fd_, name.c_str(),
                                O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0) return std::make_unique<TFileStream>(Join(name), static_cast<intptr_t>(fd));
        if (errno != EEXIST) break;
    }
    name.clear();
    return nullptr;
}

bool TConfinedFolder::Commit(std::unique_ptr<TFileStream> file, const std::string& temp,
                             uint32_t attributes, const std::string& target) {
    const int fd = static_cast<int>(file->Handle());
    struct stat st;
    if (::fstat(fd, &st) != 0 || ::fchmod(fd, ModeWithAttributes(st.st_mode, attributes)) != 0)
        return false;
    file.reset();
    return ::renameat(fd_, temp.c_str(), fd_, target.c_str()) == 0;
}

bool TConfinedFolder::Remove(const std::string& name) {
    return ::unlinkat(fd_, name.c_str(), 0) == 0;
}

}  // namespace platform
