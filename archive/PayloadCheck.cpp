#include "archive/PayloadCheck.h"

#include <algorithm>
#include <cstring>

namespace payload {

namespace {

constexpr char kMark[8] = {'T', 'V', 'X', 'C', 'H', 'E', 'C', 'K'};
constexpr uint8_t kVersion = 1;
constexpr size_t kMaxName = 32;
constexpr size_t kMaxEntries = 255;

// Slice-by-8: table[k][b] is the CRC contribution of byte b followed by k zero bytes, so
// eight input bytes fold in with eight lookups. About a gigabyte a second, so that the
// installer's check costs little beside expanding the same bytes. The 8 KB of tables are
// made at the first call rather than stored in every program that checks.
struct CrcTables {
    uint32_t t[8][256];
};

CrcTables MakeCrcTables() {
    CrcTables tables{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i;
        for (int k = 0; k < 8; ++k) c = (c & 1u) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
        tables.t[0][i] = c;
    }
    for (uint32_t i = 0; i < 256; ++i)
        for (int k = 1; k < 8; ++k)
            tables.t[k][i] = (tables.t[k - 1][i] >> 8) ^ tables.t[0][tables.t[k - 1][i] & 0xFFu];
    return tables;
}

const CrcTables& Tables() {
    static const CrcTables tables = MakeCrcTables();
    return tables;
}

uint32_t Le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

void PutLe32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

bool GoodName(const std::string& name) {
    return !name.empty() && name.size() <= kMaxName &&
           std::all_of(name.begin(), name.end(), [](char c) { return c > 0x20 && c < 0x7F; });
}

}  // namespace

uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc) {
    const CrcTables& kCrc = Tables();
    uint32_t c = ~crc;
    while (size >= 8) {
        const uint32_t lo = c ^ Le32(data);
        const uint32_t hi = Le32(data + 4);
        c = kCrc.t[7][lo & 0xFFu] ^ kCrc.t[6][(lo >> 8) & 0xFFu] ^ kCrc.t[5][(lo >> 16) & 0xFFu] ^
            kCrc.t[4][lo >> 24] ^ kCrc.t[3][hi & 0xFFu] ^ kCrc.t[2][(hi >> 8) & 0xFFu] ^
            kCrc.t[1][(hi >> 16) & 0xFFu] ^ kCrc.t[0][hi >> 24];
        data += 8;
        size -= 8;
    }
    for (; size > 0; --size) c = kCrc.t[0][(c ^ *data++) & 0xFFu] ^ (c >> 8);
    return ~c;
}

std::vector<uint8_t> EncodeCheckRecord(const std::vector<TCheckEntry>& entries) {
    if (entries.empty() || entries.size() > kMaxEntries)
        throw Exception("A check record holds 1 to 255 archives");
    std::vector<uint8_t> out(kMark, kMark + sizeof kMark);
    out.push_back(kVersion);
    out.push_back(static_cast<uint8_t>(entries.size()));
    for (size_t i = 0; i < entries.size(); ++i) {
        const TCheckEntry& e = entries[i];
        if (!GoodName(e.Name))
            throw Exception("A check record cannot name the archive '" + e.Name + "'");
        for (size_t j = 0; j < i; ++j)
            if (entries[j].Name == e.Name)
                throw Exception("A check record names the archive " + e.Name + " once");
        out.push_back(static_cast<uint8_t>(e.Name.size()));
        out.insert(out.end(), e.Name.begin(), e.Name.end());
        PutLe32(out, e.Size);
        PutLe32(out, e.Crc);
    }
    return out;
}

std::vector<TCheckEntry> DecodeCheckRecord(const uint8_t* data, size_t size) {
    if (size < sizeof kMark + 2 || std::memcmp(data, kMark, sizeof kMark) != 0 ||
        data[8] != kVersion || data[9] == 0)
        throw EBadCheckRecord();
    std::vector<TCheckEntry> entries(data[9]);
    size_t at = sizeof kMark + 2;
    for (auto& e : entries) {
        if (at >= size) throw EBadCheckRecord();
        const size_t length = data[at++];
        if (length > size - at || size - at - length < 8) throw EBadCheckRecord();
        e.Name.assign(reinterpret_cast<const char*>(data + at), length);
        at += length;
        e.Size = Le32(data + at);
        e.Crc = Le32(data + at + 4);
        at += 8;
        if (!GoodName(e.Name)) throw EBadCheckRecord();
        for (const auto& other : entries) {
            if (&other == &e) break;
            if (other.Name == e.Name) throw EBadCheckRecord();
        }
    }
    if (at != size) throw EBadCheckRecord();
    return entries;
}

}  // namespace payload
