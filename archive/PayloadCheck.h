// The check record of an installer's payload: the size and CRC-32 of every archive
// resource, kept in a resource of its own (type "TVXCHECK", name "PAYLOAD") beside the
// archives. `quillox sfx` writes it when it packs a release; the installer compares
// the archives with it before it writes anything, so that a download damaged anywhere
// in its archives (one changed byte, bytes cut off or added) is refused at once.
//
// Layout, little-endian, read and written byte by byte:
//   8 bytes  "TVXCHECK"
//   1 byte   format version, 1
//   1 byte   number of entries, 1 to 255
//   per entry: 1 byte name length (1 to 32), the name (printable ASCII), 4 bytes the
//              archive's size, 4 bytes its CRC-32
// Nothing follows the last entry. The same archives always give the same bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "runtime/Exception.h"

namespace payload {

constexpr const char* kCheckRecordType = "TVXCHECK";
constexpr const char* kCheckRecordName = "PAYLOAD";

// The CRC-32 of ISO-HDLC (zip, PNG: reflected polynomial 0xEDB88320, initial value and
// final XOR 0xFFFFFFFF) of size bytes, continuing from crc, the result for the bytes
// before them (0 for none): Crc32(b, n, Crc32(a, m)) is the CRC of a followed by b.
uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc = 0);

// One archive as the record describes it.
struct TCheckEntry {
    std::string Name;  // resource name, e.g. "QUORV"
    uint32_t Size = 0;
    uint32_t Crc = 0;
    bool operator==(const TCheckEntry& o) const {
        return Name == o.Name && Size == o.Size && Crc == o.Crc;
    }
};

// A record that cannot be read: "Its check record is damaged".
class EBadCheckRecord : public Exception {
public:
    EBadCheckRecord() : Exception("Its check record is damaged") {}
};

// The record's bytes. Raises Exception when an entry cannot be recorded (no entries or
// more than 255, a name that is empty, longer than 32 characters, not printable ASCII,
// or given twice).
std::vector<uint8_t> EncodeCheckRecord(const std::vector<TCheckEntry>& entries);

// The entries of a record. Raises EBadCheckRecord for anything EncodeCheckRecord would
// not have written (a wrong mark or version, a short or overlong record, a bad name).
std::vector<TCheckEntry> DecodeCheckRecord(const uint8_t* data, size_t size);

}  // namespace payload
