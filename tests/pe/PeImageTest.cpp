// The PE resource rewriter of quillox sfx on a small hand-made image: layout after a
// rewrite (relocations moved, sizes, checksum), resources read back as written,
// version information kept byte-exact, and damaged images refused without a crash.
// The real stub is checked by an independent reader in tests/e2e/make_installer.sh.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#include "tools/quillox/PeImage.h"

namespace {

void Put16(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    b.at(at) = static_cast<uint8_t>(v);
    b.at(at + 1) = static_cast<uint8_t>(v >> 8);
}
void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.at(at + i) = static_cast<uint8_t>(v >> (8 * i));
}
uint32_t Get32(const std::vector<uint8_t>& b, size_t at) {
    return b.at(at) | b.at(at + 1) << 8 | b.at(at + 2) << 16 | static_cast<uint32_t>(b.at(at + 3)) << 24;
}

constexpr size_t kOpt = 0x58;
// Where the data directories and the section table lie: PE32, or PE32+ (the 64-bit
// build of the same sources, used where 32-bit programs cannot run).
size_t dirsAt = kOpt + 96, sectionsAt = kOpt + 0xE0;
bool plus = false;

// .text (0x1000), .rsrc (0x2000, an empty root directory), .reloc (0x3000, one block).
std::vector<uint8_t> SmallImage() {
    dirsAt = kOpt + (plus ? 112 : 96);
    sectionsAt = kOpt + (plus ? 0xF0 : 0xE0);
    std::vector<uint8_t> b(0x800, 0);
    b[0] = 'M';
    b[1] = 'Z';
    Put32(b, 0x3C, 0x40);
    Put32(b, 0x40, 0x00004550);
    Put16(b, 0x44, 0x14C);
    Put16(b, 0x46, 3);
    Put16(b, 0x54, plus ? 0xF0 : 0xE0);
    Put16(b, 0x56, 0x102);
    Put16(b, kOpt, plus ? 0x20B : 0x10B);
    Put32(b, kOpt + 8, 0x400);
    Put32(b, kOpt + 16, 0x1000);
    if (!plus) Put32(b, kOpt + 28, 0x400000);
    Put32(b, kOpt + 32, 0x1000);
    Put32(b, kOpt + 36, 0x200);
    Put32(b, kOpt + 56, 0x4000);
    Put32(b, kOpt + 60, 0x200);
    Put16(b, kOpt + 68, 2);
    Put32(b, dirsAt - 4, 16);
    Put32(b, dirsAt + 16, 0x2000);
    Put32(b, dirsAt + 20, 16);
    Put32(b, dirsAt + 40, 0x3000);
    Put32(b, dirsAt + 44, 12);
    const struct { const char* name; uint32_t va, vs, raw; } s[] = {
        {".text", 0x1000, 0x10, 0x200}, {".rsrc", 0x2000, 16, 0x400}, {".reloc", 0x3000, 12, 0x600}};
    for (int i = 0; i < 3; ++i) {
        const size_t h = sectionsAt + 40 * i;
        for (size_t k = 0; s[i].name[k]; ++k) b[h + k] = static_cast<uint8_t>(s[i].name[k]);
        Put32(b, h + 8, s[i].vs);
        Put32(b, h + 12, s[i].va);
        Put32(b, h + 16, 0x200);
        Put32(b, h + 20, s[i].raw);
        Put32(b, h + 36, 0x40000040);
    }
    for (int i = 0; i < 16; ++i) b[0x200 + i] = static_cast<uint8_t>(0xC0 + i);
    Put32(b, 0x600, 0x1000);
    Put32(b, 0x604, 12);
    Put16(b, 0x608, 0x3004);
    return b;
}

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

uint32_t Checksum(const std::vector<uint8_t>& b, size_t field) {
    uint64_t sum = 0;
    for (size_t i = 0; i < b.size(); i += 2) {
        if (i == field || i == field + 2) continue;
        sum += b[i] | (i + 1 < b.size() ? b[i + 1] << 8 : 0);
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    return static_cast<uint32_t>(((sum & 0xFFFF) + (sum >> 16)) + b.size());
}

pe::Resource Bytes(pe::ResourceId type, pe::ResourceId name, std::vector<uint8_t> bytes) {
    pe::Resource r;
    r.type = type;
    r.name = name;
    r.language = 1033;
    r.size = static_cast<uint32_t>(bytes.size());
    r.bytes = std::move(bytes);
    return r;
}

pe::VersionNode Text(const char16_t* key, const std::string& value) {
    pe::VersionNode n;
    n.key = key;
    pe::SetVersionText(n, value);
    return n;
}

// A version resource of the stub's shape.
pe::VersionNode StubVersion() {
    pe::VersionNode root;
    root.key = u"VS_VERSION_INFO";
    root.value.assign(52, 0);
    Put32(root.value, 0, 0xFEEF04BD);
    pe::VersionNode table;
    table.key = u"040904E4";
    table.type = 1;
    table.children = {Text(u"FileVersion", "1.0.0.0"), Text(u"Gateway", "/Gx"),
                      Text(u"EmailDomain", "/Ey")};
    pe::VersionNode sfi;
    sfi.key = u"StringFileInfo";
    sfi.type = 1;
    sfi.children = {table};
    pe::VersionNode var;
    var.key = u"Translation";
    var.value = {0x09, 0x04, 0xE4, 0x04};
    pe::VersionNode vfi;
    vfi.key = u"VarFileInfo";
    vfi.type = 1;
    vfi.children = {var};
    root.children = {sfi, vfi};
    return root;
}

// A file in the build folder whose name carries the running test's name, so that tests
// run side by side (ctest -j runs each case in a process of its own) never share one.
class TempPath {
public:
    explicit TempPath(const char* name) : path_(std::string(TVX_BINARY_DIR) + "/" + Unique(name)) {}
    ~TempPath() { std::remove(path_.c_str()); }
    const std::string& str() const { return path_; }

private:
    static std::string Unique(const char* name) {
        const auto* test = testing::UnitTest::GetInstance()->current_test_info();
        std::string prefix = test ? std::string(test->test_suite_name()) + "." + test->name() + "." : "";
        for (char& c : prefix)
            if (c == '/') c = '_';
        return prefix + name;
    }

    std::string path_;
};

class Rewrite : public testing::TestWithParam<bool> {};
INSTANTIATE_TEST_SUITE_P(PeImage, Rewrite, testing::Values(false, true),
                         [](const auto& info) { return info.param ? "PE32plus" : "PE32"; });

TEST_P(Rewrite, MovesRelocationsAndKeepsTheRest) {
    plus = GetParam();
    const std::vector<uint8_t> in = SmallImage();
    const pe::PeImage image(in);
    EXPECT_TRUE(image.Resources().empty());

    TempPath payload("pe_payload.bin"), out("pe_out.exe");
    std::vector<uint8_t> big(5000);
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<uint8_t>(i * 7);
    { std::ofstream(payload.str(), std::ios::binary).write(reinterpret_cast<const char*>(big.data()), big.size()); }
    pe::Resource fromFile;
    fromFile.type = pe::ResourceId::Name("TQUILLOX");
    fromFile.name = pe::ResourceId::Name("QUORV");
    fromFile.file = payload.str();
    fromFile.size = static_cast<uint32_t>(big.size());
    const auto version = pe::SerializeVersionInfo(StubVersion());
    image.Write(out.str(), {Bytes(pe::ResourceId::Number(16), pe::ResourceId::Number(1), version),
                            fromFile,
                            Bytes(pe::ResourceId::Name("TQUILLOX"), pe::ResourceId::Name("WELCOME"), {1, 2, 3})});

    const std::vector<uint8_t> b = ReadFile(out.str());
    // Headers up to the checksum and the code are untouched.
    EXPECT_TRUE(std::equal(in.begin() + 0x200, in.begin() + 0x400, b.begin() + 0x200));
    const uint32_t rsrcSize = Get32(b, dirsAt + 20);
    const uint32_t rsrcRaw = Get32(b, sectionsAt + 40 + 16);
    EXPECT_EQ(Get32(b, sectionsAt + 40 + 8), rsrcSize);
    EXPECT_EQ(rsrcRaw % 0x200, 0u);
    EXPECT_GE(rsrcRaw, rsrcSize);
    EXPECT_GT(rsrcSize, big.size());
    // The relocations follow on the next section boundary, their directory with them.
    const uint32_t relocVa = Get32(b, sectionsAt + 80 + 12);
    EXPECT_EQ(relocVa, (0x2000 + rsrcSize + 0xFFF) / 0x1000 * 0x1000);
    EXPECT_EQ(Get32(b, dirsAt + 40), relocVa);
    EXPECT_EQ(Get32(b, sectionsAt + 80 + 20), 0x400 + rsrcRaw);
    EXPECT_TRUE(std::equal(in.begin() + 0x600, in.end(), b.begin() + 0x400 + rsrcRaw));
    EXPECT_EQ(b.size(), 0x400u + rsrcRaw + 0x200);
    EXPECT_EQ(Get32(b, kOpt + 56), relocVa + 0x1000);
    EXPECT_EQ(Get32(b, kOpt + 8), 0x400 - 0x200 + rsrcRaw);
    EXPECT_EQ(Get32(b, kOpt + 64), Checksum(b, kOpt + 64));

    // Read back: sorted as a resource compiler sorts, bytes as given.
    const auto res = pe::PeImage(b).Resources();
    ASSERT_EQ(res.size(), 3u);
    EXPECT_TRUE(res[0].name == pe::ResourceId::Name("QUORV"));
    EXPECT_EQ(res[0].bytes, big);
    EXPECT_TRUE(res[1].name == pe::ResourceId::Name("WELCOME"));
    EXPECT_EQ(res[1].bytes, (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(res[1].language, 1033);
    EXPECT_TRUE(res[2].type == pe::ResourceId::Number(16));
    EXPECT_EQ(res[2].bytes, version);

    // Packing the result again with less leaves nothing of the first payload.
    TempPath again("pe_again.exe");
    pe::PeImage(b).Write(again.str(), {res[2]});
    const std::vector<uint8_t> c = ReadFile(again.str());
    EXPECT_EQ(pe::PeImage(c).Resources().size(), 1u);
    EXPECT_EQ(c.size(), 0x400u + 0x200 + 0x200);
    EXPECT_EQ(Get32(c, dirsAt + 40), 0x3000u);
}

TEST(VersionInfo, LayoutRoundTripAndEdits) {
    pe::VersionNode root = StubVersion();
    const auto bytes = pe::SerializeVersionInfo(root);
    // "Gateway": 6-byte head, 8 key characters with NUL, padding, "/Gx" and NUL.
    pe::VersionNode* g = pe::FindVersionString(root, "040904E4", "Gateway");
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(pe::SerializeVersionInfo(*g),
              (std::vector<uint8_t>{32, 0, 4, 0, 1, 0, 'G', 0, 'a', 0, 't', 0, 'e', 0, 'w', 0,
                                    'a', 0, 'y', 0, 0, 0, 0, 0, '/', 0, 'G', 0, 'x', 0, 0, 0}));
    EXPECT_EQ(pe::SerializeVersionInfo(pe::ParseVersionInfo(bytes)), bytes);
    EXPECT_EQ(bytes[0] | bytes[1] << 8, static_cast<int>(bytes.size()));

    pe::SetVersionText(*g, "/Glonger.example");
    const uint16_t v[4] = {4, 2, 0, 118};
    pe::SetFixedVersion(root, v);
    pe::VersionNode back = pe::ParseVersionInfo(pe::SerializeVersionInfo(root));
    EXPECT_EQ(pe::VersionText(*pe::FindVersionString(back, "040904E4", "Gateway")), "/Glonger.example");
    EXPECT_EQ(pe::VersionText(*pe::FindVersionString(back, "040904E4", "EmailDomain")), "/Ey");
    EXPECT_EQ(Get32(back.value, 8), 0x00040002u);
    EXPECT_EQ(Get32(back.value, 20), 0x00000076u);
    EXPECT_EQ(back.children[1].children[0].value, (std::vector<uint8_t>{0x09, 0x04, 0xE4, 0x04}));
    EXPECT_EQ(pe::FindVersionString(back, "040904E4", "ProductLevel"), nullptr);
    EXPECT_EQ(pe::FindVersionString(back, "040704E4", "Gateway"), nullptr);
}

// Damaged images and resource data: refused with pe::Error, never read out of bounds
// (the sanitizer build watches every access).
TEST(PeImage, DamageIsRefusedCleanly) {
    plus = false;
    const pe::PeImage image(SmallImage());
    TempPath out("pe_damage.exe");
    image.Write(out.str(), {Bytes(pe::ResourceId::Number(16), pe::ResourceId::Number(1),
                                  pe::SerializeVersionInfo(StubVersion())),
                            Bytes(pe::ResourceId::Name("TQUILLOX"), pe::ResourceId::Name("WELCOME"), {7})});
    const std::vector<uint8_t> good = ReadFile(out.str());
    int refused = 0;
    for (size_t n = 0; n < good.size(); n += 7) {
        try {
            pe::PeImage(std::vector<uint8_t>(good.begin(), good.begin() + n)).Resources();
        } catch (const pe::Error&) {
            ++refused;
        }
    }
    EXPECT_EQ(refused, static_cast<int>((good.size() + 6) / 7));
    // Every byte of the resource section set to each of a few hostile values.
    const uint32_t rsrcSize = Get32(good, dirsAt + 20);
    for (uint32_t i = 0; i < rsrcSize; ++i)
        for (uint8_t v : {0x00, 0x7F, 0x80, 0xFF}) {
            std::vector<uint8_t> bad = good;
            bad[0x400 + i] = v;
            try {
                for (const auto& r : pe::PeImage(bad).Resources())
                    if (r.type == pe::ResourceId::Number(16)) pe::ParseVersionInfo(r.bytes);
            } catch (const pe::Error&) {
            }
        }
    std::vector<uint8_t> notPe = good;
    notPe[0x40] = 'X';
    EXPECT_THROW(pe::PeImage{notPe}, pe::Error);
    std::vector<uint8_t> overlay = good;
    overlay.push_back(0);
    EXPECT_THROW(pe::PeImage{overlay}, pe::Error);
    EXPECT_THROW(pe::ParseVersionInfo({40, 0, 0, 0, 1, 0, 'A', 0}), pe::Error);
}

}  // namespace
