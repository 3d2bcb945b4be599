// The archive records, field by field, against the installer's welcome archive.
#include <gtest/gtest.h>

#include "archive/ArchiveFormat.h"
#include "archive/Quillox.h"
#include "runtime/Stream.h"
#include "tests/archive/TestSupport.h"

using namespace testsupport;

namespace {

// The first 76 bytes of the installer's welcome archive: archive header, entry header
// and stored path; the 483 stored bytes follow.
const uint8_t kWelcomeHead[76] = {
    'Y', 'R', 'M', 'A', 0x1A, 'L', 'H', '5', 0xB4, 0x03, 0x00, 0x00, 0x01,  // 0-12
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,                          // 13-20
    0x1E, 0x00, 0x4E, 0x94, 0x2D, 0x28, 0x20, 0x00,                          // 21-28
    0xB4, 0x03, 0x00, 0x00, 0xE3, 0x01, 0x00, 0x00, 0x04,                    // 29-37
    0xCB, 0x4D, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00,                          // 38-45
    '\\', 'p', 'r', 'o', 'j', 'e', 'c', 't', 's', '\\', 'p', 'a', 'c', 'k', 'a', 'g', 'e',
    'r', '\\', 'w', 'e', 'l', 'c', 'o', 'm', 'e', '.', 'r', 't', 'f'};

}  // namespace

TEST(ArchiveFormat, WelcomeArchiveHeaderFields) {
    const TArchiveHeader h = TArchiveHeader::FromBytes(kWelcomeHead);
    EXPECT_TRUE(h.HasSignature());
    EXPECT_EQ(h.MethodIdText(), "LH5");
    EXPECT_EQ(h.TotalSize, 948);
    EXPECT_EQ(h.ArchiveType, caMulti);
    EXPECT_EQ(h.Checksum, 0);
    EXPECT_EQ(h.Lock, 0);
    const auto back = h.ToBytes();
    EXPECT_TRUE(std::equal(back.begin(), back.end(), kWelcomeHead));
}

TEST(ArchiveFormat, WelcomeEntryHeaderFields) {
    const TEntryHeader e = TEntryHeader::FromBytes(kWelcomeHead + kArchiveHeaderSize);
    EXPECT_EQ(e.PathLength, 30);
    EXPECT_EQ(static_cast<uint32_t>(e.DateTime) >> 16, 0x282Du);
    EXPECT_EQ(static_cast<uint32_t>(e.DateTime) & 0xFFFF, 0x944Eu);
    EXPECT_EQ(e.Attributes, 0x0020);
    EXPECT_EQ(e.ExpandedSize, 948);
    EXPECT_EQ(e.StoredSize, 483);
    EXPECT_EQ(e.Method, 4);
    EXPECT_EQ(e.Checksum, 85451);
    EXPECT_EQ(e.Lock, 0);
    EXPECT_EQ(kArchiveHeaderSize + kEntryHeaderSize + e.PathLength, 76);
    EXPECT_EQ(76 + e.StoredSize, 559);
    const auto back = e.ToBytes();
    EXPECT_TRUE(std::equal(back.begin(), back.end(), kWelcomeHead + kArchiveHeaderSize));
}

TEST(ArchiveFormat, ListingTheWelcomeHeadGivesOneRecord) {
    Bytes bytes(kWelcomeHead, kWelcomeHead + 76);
    bytes.resize(559, 0);
    TMemoryStream s(bytes);
    TQuillox q;
    TStrings list;
    q.ListArchive(s, list);
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list[0], "\\projects\\packager\\welcome.rtf");
    const auto* info = static_cast<TArchiveFileInfo*>(list.Objects(0));
    EXPECT_EQ(info->HeaderPosition, 21);
    EXPECT_EQ(info->StoredSize, 483);
    EXPECT_EQ(info->Method, 4);
    EXPECT_FALSE(info->Locked);
    EXPECT_EQ(s.Position(), 559);
    TQuillox::FreeArchiveList(&list);
    EXPECT_EQ(list.Count(), 0);
    TQuillox::FreeArchiveList(nullptr);
}

// Values with the top bit set survive the little-endian round trip unchanged.
TEST(ArchiveFormat, SignedAndUnsignedFieldsRoundTrip) {
    TEntryHeader e;
    e.PathLength = -2;
    e.DateTime = static_cast<int32_t>(0xFEDCBA98u);
    e.Attributes = 0x8820;
    e.ExpandedSize = -1;
    e.StoredSize = 0x7FFFFFFF;
    e.Method = 0xFF;
    e.Checksum = static_cast<int32_t>(0x80000000u);
    e.Lock = 2;
    const auto b = e.ToBytes();
    EXPECT_EQ(b[0], 0xFE);
    EXPECT_EQ(b[1], 0xFF);
    EXPECT_EQ(b[2], 0x98);
    EXPECT_EQ(b[5], 0xFE);
    EXPECT_EQ(b[7], 0x88);
    EXPECT_EQ(b[16], 0xFF);
    EXPECT_EQ(b[21], 2);
    const TEntryHeader r = TEntryHeader::FromBytes(b.data());
    EXPECT_EQ(r.PathLength, -2);
    EXPECT_EQ(r.DateTime, e.DateTime);
    EXPECT_EQ(r.Attributes, 0x8820);
    EXPECT_EQ(r.ExpandedSize, -1);
    EXPECT_EQ(r.StoredSize, 0x7FFFFFFF);
    EXPECT_EQ(r.Checksum, e.Checksum);
}

TEST(ArchiveFormat, ChecksumIsTheWrappingByteSum) {
    const std::string abc = "abc";
    EXPECT_EQ(ByteSum(reinterpret_cast<const uint8_t*>(abc.data()), 3), 294u);
    const Bytes ff(1, 0xFF);
    EXPECT_EQ(ByteSum(ff.data(), 1, 0xFFFFFF10u), 0x0Fu);
}
