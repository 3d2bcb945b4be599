// The platform layer: the operating-system services the archive component and the
// installer ask for, behind one interface. The Windows build implements it with the
// Win32 calls named below (Platform_win32.cpp); the native build (Platform_posix.cpp)
// gives the nearest equivalent so that the portable code can be tested on Linux.
// Paths are single-byte ANSI strings; the native build accepts '\' and '/' alike.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

class TFileStream;

#ifdef _WIN32
// <windows.h> maps these generic names onto its ANSI or wide functions by macro; in a
// file that includes it first, the names below are the platform layer's own again.
#undef DeleteFile
#undef CreateDirectory
#undef GetFileAttributes
#undef SetFileAttributes
#undef GetDiskFreeSpace
#undef LoadLibrary
#endif

namespace platform {

// The path as the operating system wants it (natively '\' becomes '/').
std::string NativePath(const std::string& path);

// Gives up the rest of the thread's time slice (Win32 Sleep(0)).
void YieldTimeSlice();

// Sets the last-write time of an open file from an MS-DOS date/time (high 16 bits
// date, low 16 bits time) read as local time (DosDateTimeToFileTime,
// LocalFileTimeToFileTime, SetFileTime). Returns false on failure, and without touching
// the file for a value that names no real moment (31 February, hour 25).
bool SetFileDosDateTime(TFileStream& file, int32_t dosDateTime);
// Reads a file's last-write time as an MS-DOS date/time in local time (GetFileTime,
// FileTimeToLocalFileTime, FileTimeToDosDateTime). Times before 1980 give
// 1 January 1980, 00:00:00, times after 2107 31 December 2107, 23:59:58. Returns false
// when the file cannot be read.
bool GetFileDosDateTime(const std::string& path, int32_t& dosDateTime);

// Windows attribute bits. The native build maps read-only (0x01) onto the file's
// write permission and keeps the rest where the file system can.
constexpr uint32_t kInvalidFileAttributes = 0xFFFFFFFFu;
constexpr uint32_t kAttrReadOnly = 0x01;
constexpr uint32_t kAttrDirectory = 0x10;

// SetFileAttributesA. Returns false on failure.
bool SetFileAttributes(const std::string& path, uint32_t attributes);
// GetFileAttributesA: the bits, or kInvalidFileAttributes when the path is unknown.
uint32_t GetFileAttributes(const std::string& path);
// DeleteFileA. Returns false on failure.
bool DeleteFile(const std::string& path);
// CreateDirectoryA, one level. Returns false on failure (existing folder included).
bool CreateDirectory(const std::string& path);

// GetDiskFreeSpaceA for a root such as "C:\" or, with an empty root, the current
// drive. Returns false on failure.
struct DiskSpace {
    uint32_t SectorsPerCluster = 0;
    uint32_t BytesPerSector = 0;
    uint32_t FreeClusters = 0;
    uint32_t TotalClusters = 0;
};
bool GetDiskFreeSpace(const std::string& root, DiskSpace& out);

// A loaded module whose resources can be read. Null means the program's own module.
// A library stays loaded for as long as a copy of its handle is alive.
using ModuleHandle = std::shared_ptr<void>;
// LoadLibraryA; an empty handle when the library cannot be loaded.
ModuleHandle LoadLibrary(const std::string& name);

// The bytes of a resource of the given type and name (FindResourceA, LoadResource,
// LockResource, SizeofResource) in the module, or in the program's own module when
// module is null. Returns false when there is no such resource. The bytes stay valid
// while the module is loaded.
bool FindResourceBytes(const ModuleHandle& module, const std::string& type,
                       const std::string& name, const uint8_t*& data, int64_t& size);

}  // namespace platform
