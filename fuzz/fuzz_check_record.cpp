// Reads arbitrary bytes as an installer's check record, as the installer reads the one
// it carries. Must never crash or read out of bounds, and may refuse only with
// EBadCheckRecord. What it accepts must be exactly what EncodeCheckRecord writes for
// the entries it returns (the record has one spelling, so nothing after the last entry
// or between the fields can hide), with 1 to 255 entries of distinct, good names.
// The CRC-32 that the record's values are compared with must not depend on how the
// installer cuts the archive into pieces: the CRC of the input in one piece equals the
// CRC continued over two pieces cut where the input's first byte says.
#include <set>
#include <string>
#include <vector>

#include "FuzzAssert.h"
#include "archive/PayloadCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 4096) return 0;
    // The decoder gets a copy of exactly size bytes, so that ASan sees any read past them.
    const std::vector<uint8_t> input(data, data + size);
    std::vector<payload::TCheckEntry> entries;
    bool accepted = false;
    try {
        entries = payload::DecodeCheckRecord(input.data(), input.size());
        accepted = true;
    } catch (const payload::EBadCheckRecord&) {
    }
    if (accepted) {
        FUZZ_ASSERT(!entries.empty() && entries.size() <= 255);
        std::set<std::string> names;
        for (const auto& e : entries) {
            FUZZ_ASSERT(!e.Name.empty() && e.Name.size() <= 32);
            for (const char c : e.Name) FUZZ_ASSERT(c > 0x20 && c < 0x7F);
            FUZZ_ASSERT(names.insert(e.Name).second);
        }
        FUZZ_ASSERT(payload::EncodeCheckRecord(entries) == input);
    }

    const size_t cut = size == 0 ? 0 : data[0] % (size + 1);
    const uint32_t whole = payload::Crc32(input.data(), size);
    FUZZ_ASSERT(payload::Crc32(input.data() + cut, size - cut,
                               payload::Crc32(input.data(), cut)) == whole);
    return 0;
}
