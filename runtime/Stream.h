// Byte streams of the runtime: the abstract TStream and its memory, read-only memory
// and file implementations. Positions and sizes are 64-bit; Read and Write may move
// fewer bytes than asked and say how many, while ReadBuffer and WriteBuffer raise
// EReadError / EWriteError when a transfer falls short.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream {
public:
    virtual ~TStream() = default;
    TStream() = default;
    TStream(const TStream&) = delete;
    TStream& operator=(const TStream&) = delete;

    // Reads up to count bytes into buffer; returns the number delivered (0 at the end).
    virtual int32_t Read(void* buffer, int32_t count) = 0;
    // Writes up to count bytes; returns the number stored (fewer means failure).
    virtual int32_t Write(const void* buffer, int32_t count) = 0;
    // Moves the position; returns the new position. Seeking past the end is allowed.
    virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;
    virtual int64_t Size();
    virtual void SetSize(int64_t newSize);

    int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
    void SetPosition(int64_t pos) { Seek(pos, TSeekOrigin::soBeginning); }

    // Reads exactly count bytes or raises EReadError.
    void ReadBuffer(void* buffer, int32_t count);
    // Writes exactly count bytes or raises EWriteError ("Stream write error").
    void WriteBuffer(const void* buffer, int32_t count);
    // Copies count bytes from source (all of it from position 0 when count is 0);
    // returns the number copied. Short reads raise EReadError.
    int64_t CopyFrom(TStream& source, int64_t count);
};

// A growable stream held in memory.
class TMemoryStream : public TStream {
public:
    TMemoryStream() = default;
    explicit TMemoryStream(std::vector<uint8_t> bytes) : data_(std::move(bytes)) {}

    int32_t Read(void* buffer, int32_t count) override;
    int32_t Write(const void* buffer, int32_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t Size() override { return static_cast<int64_t>(data_.size()); }
    void SetSize(int64_t newSize) override;

    const std::vector<uint8_t>& Bytes() const { return data_; }
    std::vector<uint8_t>& Bytes() { return data_; }
    void Clear() { data_.clear(); pos_ = 0; }

private:
    std::vector<uint8_t> data_;
    int64_t pos_ = 0;
};

// A read-only view of bytes owned elsewhere (a resource in a loaded module, say).
// The keepAlive handle holds whatever owns the bytes for as long as the stream lives.
// Writing stores nothing, so WriteBuffer raises "Stream write error".
class TReadOnlyMemoryStream : public TStream {
public:
    TReadOnlyMemoryStream(const uint8_t* data, int64_t size,
                          std::shared_ptr<void> keepAlive = nullptr)
        : data_(data), size_(size), keepAlive_(std::move(keepAlive)) {}

    int32_t Read(void* buffer, int32_t count) override;
    int32_t Write(const void*, int32_t) override { return 0; }
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t Size() override { return size_; }

private:
    const uint8_t* data_;
    int64_t size_;
    int64_t pos_ = 0;
    std::shared_ptr<void> keepAlive_;
};

// File open modes of TFileStream.
enum class TFileMode {
    fmCreate,         // create or replace, read and write, no sharing
    fmOpenRead,       // existing file, read only, others may read
    fmOpenReadWrite,  // existing file, read and write, no sharing
};

// A stream over an operating-system file. The constructor raises EFCreateError
// ("Cannot create file %s") or EFOpenError ("Cannot open file %s") naming the path.
// The file is closed when the stream is destroyed or Close is called.
class TFileStream : public TStream {
public:
    TFileStream(const std::string& path, TFileMode mode);
    // Takes over a file the platform layer opened (a descriptor natively, a HANDLE on
    // Windows); the stream closes it. Path names the file in messages.
    TFileStream(const std::string& path, intptr_t handle) : path_(path), handle_(handle) {}
    ~TFileStream() override;

    int32_t Read(void* buffer, int32_t count) override;
    int32_t Write(const void* buffer, int32_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    void SetSize(int64_t newSize) override;

    const std::string& FileName() const { return path_; }
    void Close();
    // The platform's handle (a file descriptor natively, a HANDLE on Windows).
    intptr_t Handle() const { return handle_; }

private:
    std::string path_;
    intptr_t handle_;
};
