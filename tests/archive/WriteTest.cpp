// Writing: new headers, coding with the budget and the stored fallback, keys,
// the custom coder, and archives that the reading side expands back byte-exact.
#include <gtest/gtest.h>

#include "archive/Quillox.h"
#include "runtime/Stream.h"
#include "tests/archive/TestSupport.h"

using namespace testsupport;

namespace {

struct Written {
    TEntryHeader Entry;
    Bytes Archive;
};

TEntryHeader AddBytes(TQuillox& q, TMemoryStream& archive, const std::string& path,
                      const Bytes& data) {
    TMemoryStream source(data);
    return q.AddEntry(archive, source, static_cast<int32_t>(data.size()), path, 0x282D944E, 0x20);
}

Bytes Distinct(size_t n) {
    Bytes b(n);
    for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(i % 2 ? 'a' + i % 26 : 'A' + i % 26);
    return b;
}

TArchiveHeader HeaderOf(const TMemoryStream& s) { return TArchiveHeader::FromBytes(s.Bytes().data()); }

}  // namespace

TEST(Write, InitArchiveHeaderAndTheKeyLock) {
    TQuillox q;
    TArchiveHeader h;
    q.InitArchiveHeader(h, "LH5", 0, caMulti);
    EXPECT_TRUE(h.HasSignature());
    EXPECT_EQ(h.MethodIdText(), "LH5");
    EXPECT_EQ(h.TotalSize, 0);
    EXPECT_EQ(h.ArchiveType, 1);
    EXPECT_EQ(h.Checksum, 0);
    EXPECT_EQ(h.Lock, 0);
    q.Key = 5;
    q.InitArchiveHeader(h, "RLE", 7, caMulti);
    EXPECT_EQ(h.Lock, 2);
    EXPECT_EQ(h.TotalSize, 7);
    q.Key = -5;
    q.InitArchiveHeader(h, "RLE", 0, caMulti);
    EXPECT_EQ(h.Lock, 0);
}

TEST(Write, NewArchiveIsABareHeader) {
    TQuillox q;
    TMemoryStream s;
    q.CreateArchive(s, "NON");
    EXPECT_EQ(s.Size(), 21);
    EXPECT_EQ(HeaderOf(s).TotalSize, 0);
    EXPECT_THROW(q.CreateArchive(s, "XYZ"), EUnrecognizedCompressionMethod);
    TMemoryStream empty;
    std::string method = "?";
    const TArchiveHeader fresh = q.ReadArchiveHeader(empty, method);
    EXPECT_EQ(fresh.TotalSize, 0);
    EXPECT_EQ(fresh.ArchiveType, caMulti);
    EXPECT_EQ(method, "");
    TMemoryStream data(ToBytes("x"));
    EXPECT_THROW(q.AddEntry(empty, data, 1, "x", 0, 0), EInvalidHeader);
}

// RLE writes a string of distinct bytes at exactly its length: that stays coded. One
// 0x94 byte costs two, one more than the budget: the file is stored instead.
TEST(Write, StoredFallbackAtTheBudgetAndOneByteOver) {
    TQuillox q;
    TMemoryStream s;
    q.CreateArchive(s, "RLE");
    const Bytes exact = Distinct(100);
    Bytes over = Distinct(100);
    over[50] = 0x94;
    const TEntryHeader a = AddBytes(q, s, "exact", exact);
    const TEntryHeader b = AddBytes(q, s, "over", over);
    EXPECT_EQ(a.Method, 1);
    EXPECT_EQ(a.StoredSize, 100);
    EXPECT_EQ(b.Method, 0);
    EXPECT_EQ(b.StoredSize, 100);
    EXPECT_EQ(static_cast<uint32_t>(b.Checksum), Sum(over));
    EXPECT_EQ(HeaderOf(s).TotalSize, 200);
    EXPECT_EQ(HeaderOf(s).MethodIdText(), "RLE");
    EXPECT_EQ(s.Size(), 21 + 25 + 5 + 100 + 25 + 4 + 100);
    // The stored copy really holds the file's bytes.
    EXPECT_TRUE(std::equal(over.begin(), over.end(), s.Bytes().end() - 100));
}

TEST(Write, EmptyFileHasStoredSizeAndChecksumZero) {
    TQuillox q;
    TMemoryStream s;
    q.CreateArchive(s, "RLE");
    const TEntryHeader e = AddBytes(q, s, "empty", {});
    EXPECT_EQ(e.StoredSize, 0);
    EXPECT_EQ(e.Checksum, 0);
    EXPECT_EQ(e.ExpandedSize, 0);
}

TEST(Write, KeyScramblesAndLocksEveryEntry) {
    TQuillox q;
    q.Key = 0x11223344;
    TMemoryStream s;
    q.CreateArchive(s, "NON");
    EXPECT_EQ(HeaderOf(s).Lock, 2);
    const Bytes zeros(8, 0);
    const TEntryHeader e = AddBytes(q, s, "z", zeros);
    EXPECT_EQ(e.Lock, 2);
    EXPECT_EQ(e.Checksum, 0);
    const Bytes tail(s.Bytes().end() - 8, s.Bytes().end());
    EXPECT_EQ(tail, (Bytes{0x44, 0x33, 0x22, 0x11, 0x44, 0x33, 0x22, 0x11}));

    // A negative key scrambles too, so its entries are marked 2 to stay readable;
    // only the archive header stays unmarked.
    TQuillox n;
    n.Key = -7;
    TMemoryStream t;
    n.CreateArchive(t, "RLE");
    EXPECT_EQ(HeaderOf(t).Lock, 0);
    EXPECT_EQ(AddBytes(n, t, "a", ToBytes("aaaa bbbb")).Lock, 2);
}

class WriteRoundTrip : public ScratchTest {};

TEST_F(WriteRoundTrip, MixedMethodsExpandByteExact) {
    TQuillox w;
    w.Key = 0x5A5A0101;
    TMemoryStream s;
    w.CreateArchive(s, "RLE");
    Bytes runs(5000, 'r');
    runs.insert(runs.end(), 300, 0x94);
    Bytes noisy = Distinct(3000);
    noisy[7] = 0x94;
    const Bytes empty;
    AddBytes(w, s, "empty", empty);
    AddBytes(w, s, "dir\\runs", runs);
    AddBytes(w, s, "dir\\noisy", noisy);

    TStrings list;
    s.SetPosition(0);
    w.ListArchive(s, list);
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(static_cast<TArchiveFileInfo*>(list.Objects(1))->Method, 1);
    EXPECT_EQ(static_cast<TArchiveFileInfo*>(list.Objects(2))->Method, 0);

    TQuillox r;
    r.Key = w.Key;
    r.MakeDirectories = true;
    r.SetTargetPath(dir_.string());
    s.SetPosition(0);
    r.ExpandArchive(s, nullptr);
    EXPECT_TRUE(ReadFile("empty").empty());
    EXPECT_EQ(ReadFile("dir/runs"), runs);
    EXPECT_EQ(ReadFile("dir/noisy"), noisy);
    r.Key = 0;
    s.SetPosition(0);
    EXPECT_THROW(r.ExpandArchive(s, nullptr), EInvalidKey);
}

TEST_F(WriteRoundTrip, AddFileKeepsDateAndAttributes) {
    WriteFile("src.txt", ToBytes("file contents"));
    std::filesystem::permissions(Path("src.txt"), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::remove);
    TQuillox q;
    TMemoryStream s;
    q.CreateArchive(s, "NON");
    const TEntryHeader e = q.AddFile(s, Path("src.txt").string(), "copy.txt");
    EXPECT_EQ(e.Attributes & 0x01, 0x01);
    EXPECT_EQ(e.ExpandedSize, 13);
    EXPECT_NE(e.DateTime, 0);
    EXPECT_THROW(q.AddFile(s, Path("missing").string(), "m"), EFOpenError);
    EXPECT_EQ(HeaderOf(s).TotalSize, 13);
}

TEST(Write, CustomCoderAndItsFallback) {
    TQuillox q;
    q.OnRecognize = [](const std::string& id, bool& ok) { ok = id == "XOR"; };
    TMemoryStream s;
    q.CreateArchive(s, "XOR");
    std::string seenId;
    int32_t seenBudget = -1;
    q.OnCompress = [&](TStream& dest, TStream& source, std::string& id, int32_t& outputSize,
                       int32_t& checksum) {
        seenId = id;
        seenBudget = outputSize;
        Bytes buf(static_cast<size_t>(outputSize));
        source.ReadBuffer(buf.data(), outputSize);
        checksum = static_cast<int32_t>(Sum(buf));
        for (auto& c : buf) c ^= 0xFF;
        dest.WriteBuffer(buf.data(), outputSize);
    };
    const Bytes data = ToBytes("custom!");
    const TEntryHeader e = AddBytes(q, s, "c", data);
    EXPECT_EQ(seenId, "XOR");
    EXPECT_EQ(seenBudget, 7);
    EXPECT_EQ(e.Method, 3);
    EXPECT_EQ(e.StoredSize, 7);
    EXPECT_EQ(static_cast<uint32_t>(e.Checksum), Sum(data));

    q.OnCompress = [](TStream&, TStream&, std::string&, int32_t&, int32_t&) {
        throw EUnableToCompress();
    };
    const TEntryHeader f = AddBytes(q, s, "d", data);
    EXPECT_EQ(f.Method, 0);
    EXPECT_EQ(HeaderOf(s).TotalSize, 14);

    q.OnCompress = [](TStream&, TStream&, std::string&, int32_t&, int32_t&) {
        throw Exception("coder failed");
    };
    const int64_t before = s.Size();
    EXPECT_THROW(AddBytes(q, s, "e", data), Exception);
    EXPECT_EQ(s.Size(), before);  // cut back to where it ended
    EXPECT_EQ(HeaderOf(s).TotalSize, 14);
}

TEST(Write, RefusesDamagedArchivesAndShortData) {
    TQuillox q;
    TMemoryStream s;
    q.CreateArchive(s, "NON");
    AddBytes(q, s, "a", ToBytes("abc"));
    s.Bytes().push_back(0);  // a stray byte after the last entry
    TMemoryStream data(ToBytes("x"));
    EXPECT_THROW(q.AddEntry(s, data, 1, "b", 0, 0), Exception);

    TMemoryStream t;
    q.CreateArchive(t, "NON");
    TMemoryStream shortData(ToBytes("12"));
    EXPECT_THROW(q.AddEntry(t, shortData, 5, "short", 0, 0), Exception);
    EXPECT_EQ(t.Size(), 21);
}
