// TFileStream over a Win32 file HANDLE (the Windows build).
#include "runtime/Exception.h"
#include "runtime/Stream.h"

#include <windows.h>

namespace {
HANDLE AsHandle(intptr_t h) { return reinterpret_cast<HANDLE>(h); }
}  // namespace

TFileStream::TFileStream(const std::string& path, TFileMode mode)
    : path_(path), handle_(reinterpret_cast<intptr_t>(INVALID_HANDLE_VALUE)) {
    HANDLE h = INVALID_HANDLE_VALUE;
    switch (mode) {
        case TFileMode::fmCreate:
            h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
            if (h == INVALID_HANDLE_VALUE) throw EFCreateError(path);
            break;
        case TFileMode::fmOpenRead:
            h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
            if (h == INVALID_HANDLE_VALUE) throw EFOpenError(path);
            break;
        case TFileMode::fmOpenReadWrite:
            h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
            if (h == INVALID_HANDLE_VALUE) throw EFOpenError(path);
            break;
    }
    handle_ = reinterpret_cast<intptr_t>(h);
}

TFileStream::~TFileStream() { Close(); }

void TFileStream::Close() {
    if (AsHandle(handle_) != INVALID_HANDLE_VALUE) {
        CloseHandle(AsHandle(handle_));
        handle_ = reinterpret_cast<intptr_t>(INVALID_HANDLE_VALUE);
    }
}

int32_t TFileStream::Read(void* buffer, int32_t count) {
    if (count <= 0 || AsHandle(handle_) == INVALID_HANDLE_VALUE) return 0;
    int32_t done = 0;
    while (done < count) {
        DWORD n = 0;
        if (!ReadFile(AsHandle(handle_), static_cast<char*>(buffer) + done,
                      static_cast<DWORD>(count - done), &n, nullptr) ||
            n == 0)
            break;
        done += static_cast<int32_t>(n);
    }
    return done;
}

int32_t TFileStream::Write(const void* buffer, int32_t count) {
    if (count <= 0 || AsHandle(handle_) == INVALID_HANDLE_VALUE) return 0;
    int32_t done = 0;
    while (done < count) {
        DWORD n = 0;
        if (!WriteFile(AsHandle(handle_), static_cast<const char*>(buffer) + done,
                       static_cast<DWORD>(count - done), &n, nullptr) ||
            n == 0)
            break;
        done += static_cast<int32_t>(n);
    }
    return done;
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin) {
    const DWORD method = origin == TSeekOrigin::soBeginning ? FILE_BEGIN
                         : origin == TSeekOrigin::soCurrent ? FILE_CURRENT
                                                            : FILE_END;
    // SetFilePointer with its high part: every Windows has it (SetFilePointerEx came
    // with Windows 2000). A result of all ones is an error only when the last-error
    // code says so.
    LONG high = static_cast<LONG>(static_cast<uint64_t>(offset) >> 32);
    SetLastError(NO_ERROR);
    const DWORD low = SetFilePointer(AsHandle(handle_), static_cast<LONG>(static_cast<DWORD>(offset)),
                                     &high, method);
    if (low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) return -1;
    return static_cast<int64_t>(static_cast<uint64_t>(static_cast<DWORD>(high)) << 32 | low);
}

void TFileStream::SetSize(int64_t newSize) {
    const int64_t here = Position();
    if (Seek(newSize, TSeekOrigin::soBeginning) != newSize || !SetEndOfFile(AsHandle(handle_)))
        throw EWriteError();
    Seek(here < newSize ? here : newSize, TSeekOrigin::soBeginning);
}
