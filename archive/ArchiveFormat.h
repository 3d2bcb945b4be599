// The archive format: one 21-byte archive header, then per entry a 25-byte entry
// header, the stored path (PathLength bytes) and the stored data (StoredSize bytes).
// All integers are little-endian; records are read and written field by field.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "runtime/StringList.h"

class TStream;

constexpr int kArchiveHeaderSize = 21;
constexpr int kEntryHeaderSize = 25;
// The archive type caMulti: several files, each with an entry header.
constexpr uint8_t caMulti = 1;

// The method ids; an id's position in this table is the method index kept in entries.
constexpr int kMethodCount = 5;
extern const char* const kMethodIds[kMethodCount];  // "NON", "RLE", "LZH", "CUS", "LH5"
constexpr int kMethodCustom = 3;

struct TArchiveHeader {
    std::array<char, 5> Signature{};  // "YRMA" + 0x1A
    std::array<char, 3> MethodId{};
    int32_t TotalSize = 0;      // sum of ExpandedSize over all entries
    uint8_t ArchiveType = 0;    // caMulti
    int32_t Checksum = 0;       // written as 0, ignored on reading
    int32_t Lock = 0;           // 2 when written with a positive Key; ignored on reading

    std::string MethodIdText() const { return std::string(MethodId.data(), MethodId.size()); }
    bool HasSignature() const;

    // The 21 bytes of the header.
    std::array<uint8_t, kArchiveHeaderSize> ToBytes() const;
    static TArchiveHeader FromBytes(const uint8_t* bytes);
};

struct TEntryHeader {
    int16_t PathLength = 0;     // bytes of the stored path that follows
    int32_t DateTime = 0;       // MS-DOS date (high 16 bits) and time (low 16 bits), local
    uint16_t Attributes = 0;    // Windows attribute bits
    int32_t ExpandedSize = 0;
    int32_t StoredSize = 0;
    uint8_t Method = 0;         // method index
    int32_t Checksum = 0;       // byte sum of the expanded data
    int32_t Lock = 0;           // 0 open; > 0 locked; 2 locked and scrambled with the key

    std::array<uint8_t, kEntryHeaderSize> ToBytes() const;
    static TEntryHeader FromBytes(const uint8_t* bytes);
};

// Writes a record at the stream's position; EWriteError when the stream falls short.
void WriteArchiveHeader(TStream& dest, const TArchiveHeader& header);
void WriteEntryHeader(TStream& dest, const TEntryHeader& header, const std::string& storedPath);

// The 32-bit wrapping sum of the bytes, each taken as 0 to 255.
uint32_t ByteSum(const uint8_t* data, size_t count, uint32_t start = 0);

// The record that ListArchive attaches to each listed entry.
class TArchiveFileInfo : public TObject {
public:
    int32_t DateTime = 0;
    uint16_t Attributes = 0;
    int32_t ExpandedSize = 0;
    int32_t StoredSize = 0;
    uint8_t Method = 0;
    int32_t Checksum = 0;
    int32_t HeaderPosition = 0;  // stream position of the entry header's first byte
    bool Locked = false;         // the entry header's Lock is greater than 0
};
