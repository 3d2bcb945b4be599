// TFileStream over POSIX file descriptors (the native build).
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "runtime/Exception.h"
#include "runtime/Platform.h"
#include "runtime/Stream.h"

TFileStream::TFileStream(const std::string& path, TFileMode mode) : path_(path), handle_(-1) {
    const std::string native = platform::NativePath(path);
    int fd = -1;
    switch (mode) {
        case TFileMode::fmCreate:
            fd = ::open(native.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
            if (fd < 0) throw EFCreateError(path);
            break;
        case TFileMode::fmOpenRead:
            fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC);
            if (fd < 0) throw EFOpenError(path);
            break;
        case TFileMode::fmOpenReadWrite:
            fd = ::open(native.c_str(), O_RDWR | O_CLOEXEC);
            if (fd < 0) throw EFOpenError(path);
            break;
    }
    handle_ = fd;
}

TFileStream::~TFileStream() { Close(); }

void TFileStream::Close() {
    if (handle_ >= 0) {
        ::close(static_cast<int>(handle_));
        handle_ = -1;
    }
}

int32_t TFileStream::Read(void* buffer, int32_t count) {
    if (count <= 0 || handle_ < 0) return 0;
    int32_t done = 0;
    while (done < count) {
        const ssize_t n = ::read(static_cast<int>(handle_), static_cast<char*>(buffer) + done,
                                 static_cast<size_t>(count - done));
        if (n <= 0) break;
        done += static_cast<int32_t>(n);
    }
    return done;
}

int32_t TFileStream::Write(const void* buffer, int32_t count) {
    if (count <= 0 || handle_ < 0) return 0;
    int32_t done = 0;
    while (done < count) {
        const ssize_t n = ::write(static_cast<int>(handle_), static_cast<const char*>(buffer) + done,
                                  static_cast<size_t>(count - done));
        if (n <= 0) break;
        done += static_cast<int32_t>(n);
    }
    return done;
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin) {
    const int whence = origin == TSeekOrigin::soBeginning ? SEEK_SET
                       : origin == TSeekOrigin::soCurrent ? SEEK_CUR
                                                          : SEEK_END;
    const off_t r = ::lseek(static_cast<int>(handle_), static_cast<off_t>(offset), whence);
    return r < 0 ? -1 : static_cast<int64_t>(r);
}

void TFileStream::SetSize(int64_t newSize) {
    if (::ftruncate(static_cast<int>(handle_), static_cast<off_t>(newSize)) != 0) throw EWriteError();
}
