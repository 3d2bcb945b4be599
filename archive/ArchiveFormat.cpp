#include "archive/ArchiveFormat.h"

#include <cstring>

#include "runtime/Stream.h"

const char* const kMethodIds[kMethodCount] = {"NON", "RLE", "LZH", "CUS", "LH5"};

namespace {

constexpr char kSignature[5] = {'Y', 'R', 'M', 'A', 0x1A};

void Put16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
void Put32(uint8_t* p, int32_t value) {
    const auto v = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
int32_t Get32(const uint8_t* p) {
    return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                                static_cast<uint32_t>(p[2]) << 16 |
                                static_cast<uint32_t>(p[3]) << 24);
}

}  // namespace

bool TArchiveHeader::HasSignature() const {
    return std::memcmp(Signature.data(), kSignature, sizeof kSignature) == 0;
}

std::array<uint8_t, kArchiveHeaderSize> TArchiveHeader::ToBytes() const {
    std::array<uint8_t, kArchiveHeaderSize> b{};
    std::memcpy(&b[0], Signature.data(), 5);
    std::memcpy(&b[5], MethodId.data(), 3);
    Put32(&b[8], TotalSize);
    b[12] = ArchiveType;
    Put32(&b[13], Checksum);
    Put32(&b[17], Lock);
    return b;
}

TArchiveHeader TArchiveHeader::FromBytes(const uint8_t* b) {
    TArchiveHeader h;
    std::memcpy(h.Signature.data(), &b[0], 5);
    std::memcpy(h.MethodId.data(), &b[5], 3);
    h.TotalSize = Get32(&b[8]);
    h.ArchiveType = b[12];
    h.Checksum = Get32(&b[13]);
    h.Lock = Get32(&b[17]);
    return h;
}

std::array<uint8_t, kEntryHeaderSize> TEntryHeader::ToBytes() const {
    std::array<uint8_t, kEntryHeaderSize> b{};
    Put16(&b[0], static_cast<uint16_t>(PathLength));
    Put32(&b[2], DateTime);
    Put16(&b[6], Attributes);
    Put32(&b[8], ExpandedSize);
    Put32(&b[12], StoredSize);
    b[16] = Method;
    Put32(&b[17], Checksum);
    Put32(&b[21], Lock);
    return b;
}

TEntryHeader TEntryHeader::FromBytes(const uint8_t* b) {
    TEntryHeader h;
    h.PathLength = static_cast<int16_t>(Get16(&b[0]));
    h.DateTime = Get32(&b[2]);
    h.Attributes = Get16(&b[6]);
    h.ExpandedSize = Get32(&b[8]);
    h.StoredSize = Get32(&b[12]);
    h.Method = b[16];
    h.Checksum = Get32(&b[17]);
    h.Lock = Get32(&b[21]);
    return h;
}

void WriteArchiveHeader(TStream& dest, const TArchiveHeader& header) {
    const auto bytes = header.ToBytes();
    dest.WriteBuffer(bytes.data(), kArchiveHeaderSize);
}

void WriteEntryHeader(TStream& dest, const TEntryHeader& header, const std::string& storedPath) {
    const auto bytes = header.ToBytes();
    dest.WriteBuffer(bytes.data(), kEntryHeaderSize);
    dest.WriteBuffer(storedPath.data(), static_cast<int32_t>(storedPath.size()));
}

uint32_t ByteSum(const uint8_t* data, size_t count, uint32_t start) {
    for (size_t i = 0; i < count; ++i) start += data[i];
    return start;
}
