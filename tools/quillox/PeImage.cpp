#include "tools/quillox/PeImage.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>

namespace pe {

namespace {

// Field offsets of the headers (bytes from the start of the structure).
constexpr uint32_t kCoffSections = 2, kCoffOptionalSize = 16;
constexpr uint32_t kOptInitData = 8, kOptSectionAlign = 32, kOptFileAlign = 36,
                   kOptSizeOfImage = 56, kOptSizeOfHeaders = 60, kOptCheckSum = 64;
constexpr uint32_t kSectionHeaderSize = 40;
constexpr uint32_t kSecVirtualSize = 8, kSecVirtualAddress = 12, kSecRawSize = 16,
                   kSecRawPointer = 20;
constexpr int kDirSecurity = 4, kDirResource = 2, kDirBaseReloc = 5;
constexpr uint32_t kLimit = 0x7FFFFFFF;  // 2 GB: the largest image this writes

uint32_t Get32(const std::vector<uint8_t>& b, uint64_t at) {
    if (at + 4 > b.size()) throw Error("truncated");
    return static_cast<uint32_t>(b[at]) | static_cast<uint32_t>(b[at + 1]) << 8 |
           static_cast<uint32_t>(b[at + 2]) << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}
void Put16(std::vector<uint8_t>& b, size_t at, uint16_t v) {
    b.at(at) = static_cast<uint8_t>(v);
    b.at(at + 1) = static_cast<uint8_t>(v >> 8);
}
void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.at(at + i) = static_cast<uint8_t>(v >> (8 * i));
}
void Append16(std::vector<uint8_t>& b, uint16_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
uint64_t AlignUp(uint64_t v, uint64_t a) { return (v + a - 1) / a * a; }

// The PE checksum: 16-bit one's-complement-style sum of the file's words with the
// carries folded back, plus the file's length. Fed with the file in order; the
// checksum field itself must be zero while it is summed.
class Checksum {
public:
    void Add(const uint8_t* p, size_t n) {
        for (size_t i = 0; i < n; ++i) {
            if (odd_) {
                sum_ += static_cast<uint32_t>(p[i]) << 8;
                sum_ = (sum_ & 0xFFFF) + (sum_ >> 16);
            } else {
                sum_ += p[i];
            }
            odd_ = !odd_;
            ++length_;
        }
    }
    uint32_t Result() const {
        uint64_t s = (sum_ & 0xFFFF) + (sum_ >> 16);
        s = (s & 0xFFFF) + (s >> 16);
        return static_cast<uint32_t>(s + length_);
    }

private:
    uint64_t sum_ = 0;
    uint64_t length_ = 0;
    bool odd_ = false;
};

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Sequential output that keeps the checksum of everything written.
class Writer {
public:
    explicit Writer(const std::string& path) : f_(std::fopen(path.c_str(), "wb")) {
        if (!f_) throw Error("cannot create " + path);
    }
    void Write(const uint8_t* p, size_t n) {
        if (n && std::fwrite(p, 1, n, f_.get()) != n) throw Error("write failed (disk full?)");
        sum_.Add(p, n);
        pos_ += n;
    }
    void Write(const std::vector<uint8_t>& b) { Write(b.data(), b.size()); }
    void PadTo(uint64_t at) {
        static const uint8_t zeros[512] = {};
        while (pos_ < at) Write(zeros, static_cast<size_t>(std::min<uint64_t>(512, at - pos_)));
    }
    void CopyFile(const std::string& path, uint32_t size) {
        File in(std::fopen(path.c_str(), "rb"));
        if (!in) throw Error("cannot open " + path);
        std::vector<uint8_t> buf(1 << 16);
        uint32_t left = size;
        while (left > 0) {
            const size_t n = std::fread(buf.data(), 1, std::min<size_t>(buf.size(), left), in.get());
            if (n == 0) throw Error("cannot read " + path);
            Write(buf.data(), n);
            left -= static_cast<uint32_t>(n);
        }
    }
    // Puts the checksum into the field at `at` and closes the file.
    void Finish(uint64_t at) {
        const uint32_t c = sum_.Result();
        const uint8_t b[4] = {static_cast<uint8_t>(c), static_cast<uint8_t>(c >> 8),
                              static_cast<uint8_t>(c >> 16), static_cast<uint8_t>(c >> 24)};
        if (std::fseek(f_.get(), static_cast<long>(at), SEEK_SET) != 0 ||
            std::fwrite(b, 1, 4, f_.get()) != 4)
            throw Error("write failed");
        std::FILE* f = f_.release();
        if (std::fclose(f) != 0) throw Error("write failed (disk full?)");
    }
    uint64_t Position() const { return pos_; }

private:
    File f_;
    Checksum sum_;
    uint64_t pos_ = 0;
};

}  // namespace

ResourceId ResourceId::Name(const std::string& ascii) {
    ResourceId r;
    r.isName = true;
    for (char c : ascii) r.name.push_back(static_cast<unsigned char>(c));
    return r;
}

bool ResourceId::operator<(const ResourceId& o) const {
    if (isName != o.isName) return isName;
    return isName ? name < o.name : id < o.id;
}

// ---- reading the image --------------------------------------------------------------

void MemorySource::Read(uint64_t at, uint8_t* out, size_t n) const {
    if (at > bytes_.size() || n > bytes_.size() - at) throw Error("truncated");
    std::copy(bytes_.begin() + static_cast<ptrdiff_t>(at),
              bytes_.begin() + static_cast<ptrdiff_t>(at + n), out);
}

namespace {

uint16_t Get16(const Source& s, uint64_t at) {
    uint8_t b[2];
    s.Read(at, b, 2);
    return static_cast<uint16_t>(b[0] | b[1] << 8);
}
uint32_t Get32(const Source& s, uint64_t at) {
    uint8_t b[4];
    s.Read(at, b, 4);
    return static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
           static_cast<uint32_t>(b[2]) << 16 | static_cast<uint32_t>(b[3]) << 24;
}

// The section whose memory holds `rva`, or nullptr.
const Layout::Section* SectionAt(const Layout& l, uint32_t rva) {
    for (const auto& s : l.sections)
        if (rva >= s.virtualAddress && rva - s.virtualAddress < std::max(s.virtualSize, s.rawSize))
            return &s;
    return nullptr;
}

}  // namespace

uint32_t Layout::Dir(const Source& file, int index, int field) const {
    if (static_cast<uint32_t>(index) >= numberOfRva) return 0;
    return Get32(file, ddOffset + 8u * index + 4u * field);
}

Layout ReadLayout(const Source& file) {
    const auto notPe = [](const std::string& why) { return Error("not a PE32 executable (" + why + ")"); };
    Layout l;
    try {
        uint8_t mz[2] = {};
        if (file.Size() < 0x40) throw notPe("no MZ header");
        file.Read(0, mz, 2);
        if (mz[0] != 'M' || mz[1] != 'Z') throw notPe("no MZ header");
        l.peOffset = Get32(file, 0x3C);
        if (uint64_t{l.peOffset} + 24 > file.Size() || Get32(file, l.peOffset) != 0x00004550)
            throw notPe("no PE signature");
        const uint32_t coff = l.peOffset + 4;
        const uint16_t count = Get16(file, coff + kCoffSections);
        const uint16_t optSize = Get16(file, coff + kCoffOptionalSize);
        l.optOffset = coff + 20;
        uint16_t magic = 0;
        try {
            magic = Get16(file, l.optOffset);
        } catch (const Error&) {
            throw notPe("truncated header");
        }
        if (magic == 0x10B) {
            l.numberOfRva = Get32(file, l.optOffset + 92);
            l.ddOffset = l.optOffset + 96;
        } else if (magic == 0x20B) {
            l.numberOfRva = Get32(file, l.optOffset + 108);
            l.ddOffset = l.optOffset + 112;
        } else {
            throw notPe("not a 32-bit image");
        }
        if (l.numberOfRva > 16 || l.ddOffset + 8u * l.numberOfRva > l.optOffset + optSize)
            throw notPe("bad data directory");
        l.sectionTable = l.optOffset + optSize;
        l.headersSize = Get32(file, l.optOffset + kOptSizeOfHeaders);
        l.fileAlign = Get32(file, l.optOffset + kOptFileAlign);
        l.sectionAlign = Get32(file, l.optOffset + kOptSectionAlign);
        const auto power2 = [](uint32_t v) { return v != 0 && (v & (v - 1)) == 0; };
        if (!power2(l.fileAlign) || !power2(l.sectionAlign) || l.fileAlign > l.sectionAlign)
            throw notPe("bad alignment");
        if (count == 0 || uint64_t{l.sectionTable} + count * kSectionHeaderSize > l.headersSize ||
            l.headersSize > file.Size())
            throw notPe("bad section table");
        l.imageEnd = l.headersSize;
        for (uint32_t i = 0; i < count; ++i) {
            const uint32_t h = l.sectionTable + i * kSectionHeaderSize;
            Layout::Section s{h, Get32(file, h + kSecVirtualSize), Get32(file, h + kSecVirtualAddress),
                              Get32(file, h + kSecRawSize), Get32(file, h + kSecRawPointer)};
            if (s.rawSize && uint64_t{s.rawPointer} + s.rawSize > file.Size())
                throw notPe("a section runs past the end of the file");
            if (s.rawSize) l.imageEnd = std::max(l.imageEnd, s.rawPointer + s.rawSize);
            l.sections.push_back(s);
        }
    } catch (const Error& e) {
        if (std::string(e.what()).rfind("not a PE32", 0) == 0) throw;
        throw notPe("truncated header");
    }
    return l;
}

std::vector<ResourceEntry> ReadResourceDirectory(const Source& file) {
    const Layout l = ReadLayout(file);
    const uint32_t rva = l.Dir(file, kDirResource, 0);
    const Layout::Section* s = rva ? SectionAt(l, rva) : nullptr;
    if (!s) throw Error("no resources");
    const auto damaged = [] { return Error("damaged resource directory"); };
    if (rva - s->virtualAddress >= s->rawSize) throw damaged();
    // The directory's offsets count from its start; everything lies in the section's
    // raw data after it.
    const uint64_t base = uint64_t{s->rawPointer} + (rva - s->virtualAddress);
    const uint64_t limit = s->rawSize - (rva - s->virtualAddress);
    const auto get16 = [&](uint64_t at) {
        if (at + 2 > limit) throw damaged();
        return Get16(file, base + at);
    };
    const auto get32 = [&](uint64_t at) {
        if (at + 4 > limit) throw damaged();
        return Get32(file, base + at);
    };
    const auto readId = [&](uint32_t field) {
        ResourceId id;
        if (field & 0x80000000u) {
            id.isName = true;
            const uint32_t at = field & 0x7FFFFFFFu;
            const uint16_t len = get16(at);
            if (uint64_t{at} + 2 + 2u * len > limit) throw damaged();
            for (uint16_t i = 0; i < len; ++i) id.name.push_back(get16(at + 2 + 2u * i));
        } else {
            if (field > 0xFFFF) throw damaged();
            id.id = static_cast<uint16_t>(field);
        }
        return id;
    };
    // Entries of the directory at `at`: (id, offset field).
    const auto entries = [&](uint32_t at) {
        std::vector<std::pair<uint32_t, uint32_t>> out;
        const uint32_t n = uint32_t{get16(at + 12)} + get16(at + 14);
        if (uint64_t{at} + 16 + 8ull * n > limit) throw damaged();
        for (uint32_t i = 0; i < n; ++i)
            out.emplace_back(get32(at + 16 + 8 * i), get32(at + 20 + 8 * i));
        return out;
    };
    std::vector<ResourceEntry> result;
    uint64_t total = 0;
    try {
        for (const auto& [typeField, typeDir] : entries(0)) {
            if (!(typeDir & 0x80000000u)) throw damaged();
            for (const auto& [nameField, nameDir] : entries(typeDir & 0x7FFFFFFFu)) {
                if (!(nameDir & 0x80000000u)) throw damaged();
                for (const auto& [langField, dataEntry] : entries(nameDir & 0x7FFFFFFFu)) {
                    if (dataEntry & 0x80000000u) throw damaged();
                    // Directories may share subdirectories: a hostile one could name
                    // the same bytes endlessly. Real resources never overlap.
                    if (result.size() >= 65536) throw damaged();
                    ResourceEntry res;
                    res.type = readId(typeField);
                    res.name = readId(nameField);
                    if (langField > 0xFFFF) throw damaged();
                    res.language = static_cast<uint16_t>(langField);
                    const uint32_t dataRva = get32(dataEntry);
                    res.size = get32(dataEntry + 4);
                    res.codePage = get32(dataEntry + 8);
                    if (dataRva < s->virtualAddress ||
                        uint64_t{dataRva - s->virtualAddress} + res.size > s->rawSize)
                        throw damaged();
                    total += res.size;
                    if (total > s->rawSize) throw damaged();
                    res.offset = uint64_t{s->rawPointer} + (dataRva - s->virtualAddress);
                    result.push_back(std::move(res));
                }
            }
        }
    } catch (const Error&) {
        throw damaged();
    }
    return result;
}

const ResourceEntry* FindResource(const std::vector<ResourceEntry>& entries,
                                  const ResourceId& type, const ResourceId& name) {
    const auto upper = [](char16_t c) { return c >= u'a' && c <= u'z' ? char16_t(c - 32) : c; };
    const auto same = [&](const ResourceId& a, const ResourceId& b) {
        if (a.isName != b.isName) return false;
        if (!a.isName) return a.id == b.id;
        return a.name.size() == b.name.size() &&
               std::equal(a.name.begin(), a.name.end(), b.name.begin(),
                          [&](char16_t x, char16_t y) { return upper(x) == upper(y); });
    };
    for (const auto& e : entries)
        if (same(e.type, type) && same(e.name, name)) return &e;
    return nullptr;
}

uint32_t PeImage::Dir(int index, int field) const {
    return layout_.Dir(MemorySource(image_), index, field);
}

PeImage::PeImage(std::vector<uint8_t> image) : image_(std::move(image)) {
    const MemorySource file(image_);
    layout_ = ReadLayout(file);
    const auto& sections = layout_.sections;
    const auto cannot = [](const std::string& why) { return Error(why); };

    const uint32_t rsrcRva = Dir(kDirResource, 0);
    bool found = false;
    for (size_t i = 0; i < sections.size(); ++i)
        if (rsrcRva != 0 && rsrcRva == sections[i].virtualAddress) {
            rsrc_ = i;
            found = true;
        }
    if (!found) throw cannot("no resource section of its own");
    // The rewritten image keeps the headers and the sections before the resources
    // byte for byte, so they must be laid out as a loader wants them.
    if (layout_.headersSize > sections[0].virtualAddress)
        throw cannot("the headers reach into the first section");
    for (size_t i = 0; i < sections.size(); ++i) {
        const auto& s = sections[i];
        if (s.virtualAddress % layout_.sectionAlign ||
            (s.rawSize && s.rawPointer % layout_.fileAlign))
            throw cannot("sections are not aligned");
        if (s.rawSize && s.rawPointer < layout_.headersSize)
            throw cannot("the headers reach into a section's data");
        if (i > 0) {
            const auto& p = sections[i - 1];
            if (uint64_t{p.virtualAddress} + std::max(p.virtualSize, p.rawSize) > s.virtualAddress)
                throw cannot("sections are not laid out in address order");
        }
    }
    const Layout::Section& r = sections[rsrc_];
    for (size_t i = 0; i < rsrc_; ++i)
        if (sections[i].rawSize && sections[i].rawPointer + sections[i].rawSize > r.rawPointer)
            throw cannot("sections are not laid out in address order");
    // Everything from the resource section on moves: nothing but the resource,
    // relocation and signature directories may name it.
    for (int d = 0; d < static_cast<int>(layout_.numberOfRva); ++d) {
        const uint32_t rva = Dir(d, 0);
        if (d != kDirResource && d != kDirBaseReloc && d != kDirSecurity && rva != 0 &&
            uint64_t{rva} + Dir(d, 1) > r.virtualAddress)
            throw cannot("a data directory names an address in or after the resource section");
    }
    const size_t after = sections.size() - rsrc_ - 1;
    if (after > 1) throw cannot("the resource section is followed by sections that cannot move");
    if (after == 1) {
        // Only the base relocations may follow: nothing refers to them but their data
        // directory entry, so they can move.
        const Layout::Section& rel = sections.back();
        const uint32_t relocRva = Dir(kDirBaseReloc, 0);
        if (relocRva != rel.virtualAddress || rel.rawPointer < r.rawPointer + r.rawSize ||
            uint64_t{Dir(kDirBaseReloc, 1)} > std::max(rel.virtualSize, rel.rawSize))
            throw cannot("the resource section is followed by sections that cannot move");
        hasReloc_ = true;
    }
    // Nothing may follow the last section but a signature (which is dropped).
    if (image_.size() > layout_.imageEnd) {
        const uint32_t certAt = Dir(kDirSecurity, 0), certSize = Dir(kDirSecurity, 1);
        if (certAt == 0 || certAt < layout_.imageEnd ||
            AlignUp(uint64_t{certAt} + certSize, 8) < image_.size() ||
            uint64_t{certAt} + certSize > image_.size())
            throw cannot("data after the last section");
    }
}

std::vector<Resource> PeImage::Resources() const {
    std::vector<Resource> result;
    for (const auto& e : ReadResourceDirectory(MemorySource(image_))) {
        Resource r;
        r.type = e.type;
        r.name = e.name;
        r.language = e.language;
        r.codePage = e.codePage;
        r.size = e.size;
        r.bytes.assign(image_.begin() + static_cast<ptrdiff_t>(e.offset),
                       image_.begin() + static_cast<ptrdiff_t>(e.offset + e.size));
        result.push_back(std::move(r));
    }
    return result;
}

// ---- writing the image --------------------------------------------------------------

namespace {

// The resource section's directories, strings and data entries (`head`), and where
// each resource's bytes go in the section (`dataAt`, offsets from its start).
struct RsrcLayout {
    std::vector<uint8_t> head;
    std::vector<uint32_t> dataAt;
    uint64_t size = 0;
};

RsrcLayout LayOut(const std::vector<Resource>& res, uint32_t sectionRva) {
    // Group indexes: type -> name -> [resource indexes] (already sorted).
    std::vector<std::vector<std::vector<size_t>>> tree;
    for (size_t i = 0; i < res.size(); ++i) {
        if (i == 0 || !(res[i].type == res[i - 1].type)) tree.emplace_back();
        if (i == 0 || !(res[i].type == res[i - 1].type) || !(res[i].name == res[i - 1].name))
            tree.back().emplace_back();
        tree.back().back().push_back(i);
    }
    // Sizes: root, one directory per type, one per name; then strings; then entries.
    uint64_t dirs = 16 + 8 * tree.size();
    for (const auto& names : tree) {
        dirs += 16 + 8 * names.size();
        for (const auto& langs : names) dirs += 16 + 8 * langs.size();
    }
    std::vector<uint8_t> strings;
    std::map<std::u16string, uint32_t> stringAt;
    const auto idField = [&](const ResourceId& id) -> uint32_t {
        if (!id.isName) return id.id;
        auto it = stringAt.find(id.name);
        if (it == stringAt.end()) {
            it = stringAt.emplace(id.name, static_cast<uint32_t>(dirs + strings.size())).first;
            Append16(strings, static_cast<uint16_t>(id.name.size()));
            for (char16_t c : id.name) Append16(strings, c);
        }
        return 0x80000000u | it->second;
    };
    for (const auto& r : res) {  // strings in directory order
        idField(r.type);
        idField(r.name);
    }
    const uint64_t entriesAt = AlignUp(dirs + strings.size(), 4);
    uint64_t dataAt = AlignUp(entriesAt + 16 * res.size(), 8);

    RsrcLayout l;
    l.head.assign(static_cast<size_t>(entriesAt + 16 * res.size()), 0);
    std::copy(strings.begin(), strings.end(), l.head.begin() + dirs);
    l.dataAt.resize(res.size());
    for (size_t i = 0; i < res.size(); ++i) {
        l.dataAt[i] = static_cast<uint32_t>(dataAt);
        const uint64_t e = entriesAt + 16 * i;
        Put32(l.head, e, static_cast<uint32_t>(sectionRva + dataAt));
        Put32(l.head, e + 4, res[i].size);
        Put32(l.head, e + 8, res[i].codePage);
        dataAt = AlignUp(dataAt + res[i].size, 8);
        if (dataAt > kLimit) throw Error("the resources exceed 2 GB");
    }
    l.size = l.dataAt.empty() ? l.head.size() : l.dataAt.back() + res.back().size;

    // Directories, breadth by breadth: a directory header, then its entries.
    uint32_t next = 0;
    const auto header = [&](size_t named, size_t numbered) {
        if (named + numbered > 0xFFFF) throw Error("too many resources");
        const uint32_t at = next;
        Put16(l.head, at + 12, static_cast<uint16_t>(named));
        Put16(l.head, at + 14, static_cast<uint16_t>(numbered));
        next += 16 + 8 * static_cast<uint32_t>(named + numbered);
        return at;
    };
    const auto count = [](const auto& items, auto isName) {
        size_t n = 0;
        for (const auto& x : items) n += isName(x) ? 1 : 0;
        return n;
    };
    const auto typeNamed = [&](const std::vector<std::vector<size_t>>& names) {
        return res[names[0][0]].type.isName;
    };
    const uint32_t root = header(count(tree, typeNamed), tree.size() - count(tree, typeNamed));
    for (size_t t = 0; t < tree.size(); ++t) {
        const auto& names = tree[t];
        const auto nameNamed = [&](const std::vector<size_t>& langs) {
            return res[langs[0]].name.isName;
        };
        const uint32_t dir = header(count(names, nameNamed), names.size() - count(names, nameNamed));
        Put32(l.head, root + 16 + 8 * t, idField(res[names[0][0]].type));
        Put32(l.head, root + 20 + 8 * t, 0x80000000u | dir);
        for (size_t n = 0; n < names.size(); ++n) {
            const auto& langs = names[n];
            const uint32_t ldir = header(0, langs.size());
            Put32(l.head, dir + 16 + 8 * n, idField(res[langs[0]].name));
            Put32(l.head, dir + 20 + 8 * n, 0x80000000u | ldir);
            for (size_t k = 0; k < langs.size(); ++k) {
                Put32(l.head, ldir + 16 + 8 * k, res[langs[k]].language);
                Put32(l.head, ldir + 20 + 8 * k, static_cast<uint32_t>(entriesAt + 16 * langs[k]));
            }
        }
    }
    return l;
}

}  // namespace

void PeImage::Write(const std::string& path, std::vector<Resource> resources) const {
    std::stable_sort(resources.begin(), resources.end(), [](const Resource& a, const Resource& b) {
        if (!(a.type == b.type)) return a.type < b.type;
        if (!(a.name == b.name)) return a.name < b.name;
        return a.language < b.language;
    });
    const Layout::Section& r = layout_.sections[rsrc_];
    const RsrcLayout l = LayOut(resources, r.virtualAddress);
    const uint64_t rsrcRaw = AlignUp(l.size, layout_.fileAlign);
    uint64_t end = r.rawPointer + rsrcRaw;
    uint64_t imageSize = AlignUp(uint64_t{r.virtualAddress} + l.size, layout_.sectionAlign);
    uint32_t relocVa = 0, relocRaw = 0;
    if (hasReloc_) {
        const Layout::Section& rel = layout_.sections.back();
        relocVa = static_cast<uint32_t>(imageSize);
        relocRaw = static_cast<uint32_t>(end);
        end += rel.rawSize;
        imageSize = AlignUp(uint64_t{relocVa} + std::max(rel.virtualSize, 1u), layout_.sectionAlign);
    }
    if (end > kLimit || imageSize > kLimit) throw Error("the installer would exceed 2 GB");

    // Headers and every section before the resources, with the fields that change.
    std::vector<uint8_t> head(image_.begin(), image_.begin() + r.rawPointer);
    Put32(head, layout_.sections[rsrc_].headerAt + kSecVirtualSize, static_cast<uint32_t>(l.size));
    Put32(head, layout_.sections[rsrc_].headerAt + kSecRawSize, static_cast<uint32_t>(rsrcRaw));
    Put32(head, layout_.ddOffset + 8 * kDirResource + 4, static_cast<uint32_t>(l.size));
    if (uint32_t{kDirSecurity} < layout_.numberOfRva) {
        Put32(head, layout_.ddOffset + 8 * kDirSecurity, 0);
        Put32(head, layout_.ddOffset + 8 * kDirSecurity + 4, 0);
    }
    if (hasReloc_) {
        const Layout::Section& rel = layout_.sections.back();
        Put32(head, rel.headerAt + kSecVirtualAddress, relocVa);
        Put32(head, rel.headerAt + kSecRawPointer, relocRaw);
        Put32(head, layout_.ddOffset + 8 * kDirBaseReloc, relocVa + (Dir(kDirBaseReloc, 0) - rel.virtualAddress));
    }
    Put32(head, layout_.optOffset + kOptSizeOfImage, static_cast<uint32_t>(imageSize));
    Put32(head, layout_.optOffset + kOptInitData,
          static_cast<uint32_t>(Get32(image_, layout_.optOffset + kOptInitData) - r.rawSize + rsrcRaw));
    Put32(head, layout_.optOffset + kOptCheckSum, 0);

    Writer w(path);
    w.Write(head);
    w.Write(l.head);
    for (size_t i = 0; i < resources.size(); ++i) {
        w.PadTo(r.rawPointer + uint64_t{l.dataAt[i]});
        if (resources[i].file.empty())
            w.Write(resources[i].bytes);
        else
            w.CopyFile(resources[i].file, resources[i].size);
    }
    w.PadTo(r.rawPointer + rsrcRaw);
    if (hasReloc_) {
        const Layout::Section& rel = layout_.sections.back();
        w.Write(image_.data() + rel.rawPointer, rel.rawSize);
    }
    if (w.Position() != end) throw Error("internal layout error");
    w.Finish(layout_.optOffset + kOptCheckSum);
}

// ---- version information (written; read in runtime/VersionInfo.cpp) -----------------

namespace {

void SerializeNode(const VersionNode& n, std::vector<uint8_t>& out) {
    const size_t at = out.size();
    Append16(out, 0);
    Append16(out, static_cast<uint16_t>(n.type == 1 ? (n.value.size() + 1) / 2 : n.value.size()));
    Append16(out, n.type);
    for (char16_t c : n.key) Append16(out, c);
    Append16(out, 0);
    if (!n.value.empty()) {
        while (out.size() % 4) out.push_back(0);
        out.insert(out.end(), n.value.begin(), n.value.end());
        if (n.type == 1 && n.value.size() % 2) out.push_back(0);  // whole characters
    }
    for (const auto& child : n.children) {
        while (out.size() % 4) out.push_back(0);
        SerializeNode(child, out);
    }
    if (out.size() - at > 0xFFFF) throw Error("version information too large");
    Put16(out, at, static_cast<uint16_t>(out.size() - at));
}

}  // namespace

std::vector<uint8_t> SerializeVersionInfo(const VersionNode& root) {
    std::vector<uint8_t> out;
    SerializeNode(root, out);
    return out;
}

void SetVersionText(VersionNode& node, const std::string& text) {
    node.type = 1;
    node.value.clear();
    for (char c : text) Append16(node.value, static_cast<unsigned char>(c));
    Append16(node.value, 0);
}

void SetFixedVersion(VersionNode& root, const uint16_t v[4]) {
    if (root.value.size() < 52 || Get32(root.value, 0) != 0xFEEF04BDu)
        throw Error("version information without its fixed part");
    const uint32_t ms = uint32_t{v[0]} << 16 | v[1], ls = uint32_t{v[2]} << 16 | v[3];
    Put32(root.value, 8, ms);
    Put32(root.value, 12, ls);
    Put32(root.value, 16, ms);
    Put32(root.value, 20, ls);
}

}  // namespace pe
