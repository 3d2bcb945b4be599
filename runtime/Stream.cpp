#include "runtime/Stream.h"

#include <algorithm>
#include <cstring>

#include "runtime/Exception.h"

int64_t TStream::Size() {
    const int64_t here = Seek(0, TSeekOrigin::soCurrent);
    const int64_t end = Seek(0, TSeekOrigin::soEnd);
    Seek(here, TSeekOrigin::soBeginning);
    return end;
}

void TStream::SetSize(int64_t) { throw EStreamError("Stream cannot change its size"); }

void TStream::ReadBuffer(void* buffer, int32_t count) {
    if (count != 0 && Read(buffer, count) != count) throw EReadError();
}

void TStream::WriteBuffer(const void* buffer, int32_t count) {
    if (count != 0 && Write(buffer, count) != count) throw EWriteError();
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
    if (count == 0) {
        source.SetPosition(0);
        count = source.Size();
    }
    std::vector<uint8_t> buffer(static_cast<size_t>(std::min<int64_t>(count, 65536)));
    int64_t left = count;
    while (left > 0) {
        const auto n = static_cast<int32_t>(std::min<int64_t>(left, buffer.size()));
        source.ReadBuffer(buffer.data(), n);
        WriteBuffer(buffer.data(), n);
        left -= n;
    }
    return count;
}

namespace {
int64_t Resolve(int64_t offset, TSeekOrigin origin, int64_t pos, int64_t size) {
    switch (origin) {
        case TSeekOrigin::soBeginning: return offset;
        case TSeekOrigin::soCurrent: return pos + offset;
        case TSeekOrigin::soEnd: return size + offset;
    }
    return pos;
}
}  // namespace

int32_t TMemoryStream::Read(void* buffer, int32_t count) {
    const int64_t size = static_cast<int64_t>(data_.size());
    if (count <= 0 || pos_ >= size) return 0;
    const auto n = static_cast<int32_t>(std::min<int64_t>(count, size - pos_));
    std::memcpy(buffer, data_.data() + pos_, static_cast<size_t>(n));
    pos_ += n;
    return n;
}

int32_t TMemoryStream::Write(const void* buffer, int32_t count) {
    if (count <= 0) return 0;
    const auto end = static_cast<size_t>(pos_ + count);
    if (end > data_.size()) data_.resize(end);
    std::memcpy(data_.data() + pos_, buffer, static_cast<size_t>(count));
    pos_ += count;
    return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
    const int64_t target = Resolve(offset, origin, pos_, static_cast<int64_t>(data_.size()));
    if (target >= 0) pos_ = target;
    return pos_;
}

void TMemoryStream::SetSize(int64_t newSize) {
    data_.resize(static_cast<size_t>(std::max<int64_t>(newSize, 0)));
    pos_ = std::min<int64_t>(pos_, static_cast<int64_t>(data_.size()));
}

int32_t TReadOnlyMemoryStream::Read(void* buffer, int32_t count) {
    if (count <= 0 || pos_ >= size_) return 0;
    const auto n = static_cast<int32_t>(std::min<int64_t>(count, size_ - pos_));
    std::memcpy(buffer, data_ + pos_, static_cast<size_t>(n));
    pos_ += n;
    return n;
}

int64_t TReadOnlyMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
    const int64_t target = Resolve(offset, origin, pos_, size_);
    if (target >= 0) pos_ = target;
    return pos_;
}
