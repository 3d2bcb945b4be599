#include "tools/quillox/Listing.h"

#include <cstdarg>
#include <cstdio>

namespace {

// As long as the text needs: a stored path may hold 32767 bytes.
std::string Format(const char* pattern, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* pattern, ...) {
    va_list args, again;
    va_start(args, pattern);
    va_copy(again, args);
    const int n = std::vsnprintf(nullptr, 0, pattern, args);
    va_end(args);
    std::string out(n > 0 ? static_cast<size_t>(n) : 0, '\0');
    if (n > 0) std::vsnprintf(&out[0], out.size() + 1, pattern, again);
    va_end(again);
    return out;
}

std::string Ratio(int64_t stored, int64_t expanded) {
    if (expanded <= 0) return "-";
    return Format("%lld%%", static_cast<long long>(stored * 100 / expanded));
}

// Paths are ANSI bytes; bytes above 0x7F are written as the code points of the same
// value (Latin-1), so that the JSON stays valid whatever the archive holds.
std::string JsonString(const std::string& s) {
    std::string out = "\"";
    for (const char ch : s) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += ch;
        } else if (c < 0x20 || c >= 0x7F) {
            out += Format("\\u%04x", c);
        } else {
            out += ch;
        }
    }
    return out + "\"";
}

}  // namespace

std::string DosDateTimeText(int32_t dosDateTime) {
    const auto v = static_cast<uint32_t>(dosDateTime);
    const unsigned date = v >> 16, time = v & 0xFFFF;
    return Format("%04u-%02u-%02u %02u:%02u:%02u", (date >> 9) + 1980, (date >> 5) & 0x0F,
                  date & 0x1F, time >> 11, (time >> 5) & 0x3F, (time & 0x1F) * 2);
}

std::string AttributeText(uint16_t a) {
    std::string s = ".....";
    if (a & 0x10) s[0] = 'D';
    if (a & 0x01) s[1] = 'R';
    if (a & 0x02) s[2] = 'H';
    if (a & 0x04) s[3] = 'S';
    if (a & 0x20) s[4] = 'A';
    return s;
}

std::string MethodName(uint8_t index) {
    return index < kMethodCount ? kMethodIds[index] : Format("#%u", index);
}

std::string ListingTable(const std::string& methodId, int32_t totalSize,
                         const std::vector<ListedEntry>& entries) {
    std::string out = Format("Method %s, total size %d\n\n", methodId.c_str(), totalSize);
    out += "  Expanded     Stored Ratio Meth Date       Time     Attr  Checksum Lock Path\n";
    out += "---------- ---------- ----- ---- ---------- -------- ----- -------- ---- ----\n";
    int64_t expanded = 0, stored = 0;
    for (const auto& e : entries) {
        const auto& i = e.Info;
        out += Format("%10d %10d %5s %-4s %s %s %08X %-4s %s\n", i.ExpandedSize, i.StoredSize,
                      Ratio(i.StoredSize, i.ExpandedSize).c_str(), MethodName(i.Method).c_str(),
                      DosDateTimeText(i.DateTime).c_str(), AttributeText(i.Attributes).c_str(),
                      static_cast<unsigned>(i.Checksum), i.Locked ? "yes" : "no",
                      e.Path.c_str());
        expanded += i.ExpandedSize;
        stored += i.StoredSize;
    }
    out += "---------- ---------- -----\n";
    out += Format("%10lld %10lld %5s %d file%s\n", static_cast<long long>(expanded),
                  static_cast<long long>(stored), Ratio(stored, expanded).c_str(),
                  static_cast<int>(entries.size()), entries.size() == 1 ? "" : "s");
    return out;
}

std::string ListingJson(const std::string& methodId, int32_t totalSize,
                        const std::vector<ListedEntry>& entries) {
    std::string out = "{\"method\":" + JsonString(methodId) +
                      Format(",\"totalSize\":%d,\"entries\":[", totalSize);
    int64_t expanded = 0, stored = 0;
    bool first = true;
    for (const auto& e : entries) {
        const auto& i = e.Info;
        out += first ? "\n" : ",\n";
        first = false;
        out += "{\"path\":" + JsonString(e.Path) +
               Format(",\"expandedSize\":%d,\"storedSize\":%d,\"method\":", i.ExpandedSize,
                      i.StoredSize) +
               JsonString(MethodName(i.Method)) +
               Format(",\"methodIndex\":%u,\"dateTime\":\"%s\",\"dosDateTime\":%u,"
                      "\"attributes\":%u,\"checksum\":%u,\"locked\":%s,\"headerPosition\":%d}",
                      i.Method, DosDateTimeText(i.DateTime).c_str(),
                      static_cast<unsigned>(i.DateTime), i.Attributes,
                      static_cast<unsigned>(i.Checksum), i.Locked ? "true" : "false",
                      i.HeaderPosition);
        expanded += i.ExpandedSize;
        stored += i.StoredSize;
    }
    out += Format("\n],\"totals\":{\"files\":%d,\"expandedSize\":%lld,\"storedSize\":%lld}}\n",
                  static_cast<int>(entries.size()), static_cast<long long>(expanded),
                  static_cast<long long>(stored));
    return out;
}
