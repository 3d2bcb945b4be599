#include "runtime/VersionInfo.h"

#include <algorithm>

namespace pe {

namespace {

uint16_t Get16(const std::vector<uint8_t>& b, uint64_t at) {
    if (at + 2 > b.size()) throw Error("truncated");
    return static_cast<uint16_t>(b[at] | b[at + 1] << 8);
}
uint64_t AlignUp(uint64_t v, uint64_t a) { return (v + a - 1) / a * a; }

VersionNode ParseNode(const std::vector<uint8_t>& b, uint32_t at, uint32_t limit, int depth) {
    const auto damaged = [] { return Error("damaged version information"); };
    if (depth > 8 || uint64_t{at} + 6 > limit) throw damaged();
    const uint16_t length = Get16(b, at), valueLength = Get16(b, at + 2);
    VersionNode n;
    n.type = Get16(b, at + 4);
    const uint32_t end = at + length;
    if (length < 6 || end > limit) throw damaged();
    uint32_t p = at + 6;
    for (;; p += 2) {
        if (p + 2 > end) throw damaged();
        const uint16_t c = Get16(b, p);
        if (c == 0) break;
        n.key.push_back(c);
    }
    uint32_t value = static_cast<uint32_t>(AlignUp(p + 2, 4));
    if (value > end) value = end;
    uint32_t valueBytes = n.type == 1 ? 2u * valueLength : valueLength;
    valueBytes = std::min(valueBytes, end - value);
    n.value.assign(b.begin() + value, b.begin() + value + valueBytes);
    for (uint64_t c = AlignUp(value + valueBytes, 4); c + 6 <= end;) {
        n.children.push_back(ParseNode(b, static_cast<uint32_t>(c), end, depth + 1));
        c = AlignUp(c + Get16(b, c), 4);
    }
    return n;
}

std::u16string Wide(const std::string& s) {
    std::u16string w;
    for (char c : s) w.push_back(static_cast<unsigned char>(c));
    return w;
}

}  // namespace

VersionNode ParseVersionInfo(const std::vector<uint8_t>& bytes) {
    return ParseNode(bytes, 0, static_cast<uint32_t>(bytes.size()), 0);
}

VersionNode* FindVersionString(VersionNode& root, const std::string& table,
                               const std::string& key) {
    for (auto& sfi : root.children) {
        if (sfi.key != u"StringFileInfo") continue;
        for (auto& t : sfi.children) {
            if (t.key != Wide(table)) continue;
            for (auto& s : t.children)
                if (s.key == Wide(key)) return &s;
        }
    }
    return nullptr;
}

std::string VersionText(const VersionNode& node) {
    std::string s;
    for (size_t i = 0; i + 1 < node.value.size(); i += 2) {
        const uint16_t c = static_cast<uint16_t>(node.value[i] | node.value[i + 1] << 8);
        if (c == 0) break;
        s.push_back(c > 0xFF ? '?' : static_cast<char>(c));
    }
    return s;
}

}  // namespace pe
