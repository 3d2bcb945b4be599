// Expansion: stop rules, the per-file callback, selections, keys, unknown methods,
// progress, dates and attributes.
#include <gtest/gtest.h>

#include <ctime>

#include "archive/Quillox.h"
#include "runtime/Platform.h"
#include "runtime/Stream.h"
#include "tests/archive/TestSupport.h"

using namespace testsupport;

namespace {

class Expand : public ScratchTest {
protected:
    void SetUp() override {
        ScratchTest::SetUp();
        q.SetTargetPath(dir_.string());
        q.MakeDirectories = true;
        q.ExceptionOnFileError = true;
    }
    void Run(const Bytes& archive, TStrings* selection = nullptr) {
        TMemoryStream s(archive);
        q.ExpandArchive(s, selection);
    }
    TQuillox q;
};

Bytes Xor(Bytes b, int32_t key) {
    const auto k = static_cast<uint32_t>(key);
    for (size_t i = 0; i < b.size(); ++i) b[i] ^= static_cast<uint8_t>(k >> (8 * (i % 4)));
    return b;
}

}  // namespace

TEST(TargetPath, SetterAddsOneBackslash) {
    TQuillox q;
    EXPECT_EQ(q.TargetPath(), "");
    q.SetTargetPath("C:\\Temp");
    EXPECT_EQ(q.TargetPath(), "C:\\Temp\\");
    q.SetTargetPath("C:\\Temp\\");
    EXPECT_EQ(q.TargetPath(), "C:\\Temp\\");
    q.SetTargetPath("");
    EXPECT_EQ(q.TargetPath(), "");
}

TEST(NewComponent, EverySettingIsZero) {
    TQuillox q;
    EXPECT_FALSE(q.MakeDirectories);
    EXPECT_FALSE(q.ExceptionOnFileError);
    EXPECT_FALSE(q.CheckSpaceBeforeExpand);
    EXPECT_EQ(q.Key, 0);
    EXPECT_FALSE(q.OnCheckFile || q.OnShowProgress || q.OnExpand || q.OnRecognize || q.OnCompress);
}

TEST_F(Expand, WritesFilesBelowTargetAndCreatesFolders) {
    ArchiveBuilder b;
    b.Add("a.txt", ToBytes("hello"));
    b.Add("sub\\deeper\\b.txt", ToBytes("world!"));
    Run(b.Build());
    EXPECT_EQ(ReadFile("a.txt"), ToBytes("hello"));
    EXPECT_EQ(ReadFile("sub/deeper/b.txt"), ToBytes("world!"));
}

TEST_F(Expand, StopsOnceTotalSizeIsReached) {
    ArchiveBuilder b("NON", 5);
    b.Add("a", ToBytes("12345"));
    b.Add("b", ToBytes("678"));
    b.Add("empty", {});
    Run(b.Build());
    EXPECT_TRUE(Exists("a"));
    EXPECT_FALSE(Exists("b"));
    EXPECT_FALSE(Exists("empty"));
}

TEST_F(Expand, EmptyEntriesAfterTheLastNonEmptyOneAreNotExpanded) {
    ArchiveBuilder b;
    b.Add("first-empty", {});
    b.Add("data", ToBytes("xyz"));
    b.Add("late-empty", {});
    Run(b.Build());
    EXPECT_TRUE(Exists("first-empty"));
    EXPECT_TRUE(Exists("data"));
    EXPECT_FALSE(Exists("late-empty"));
}

TEST_F(Expand, TotalSizeZeroExpandsNothing) {
    ArchiveBuilder b("NON", 0);
    b.Add("a", ToBytes("abc"));
    Run(b.Build());
    EXPECT_FALSE(Exists("a"));
}

TEST_F(Expand, StopsAtAHeaderThatCannotBeRead) {
    ArchiveBuilder b("NON", 1000);
    b.Add("a", ToBytes("abc"));
    Bytes bytes = b.Build();
    bytes.resize(bytes.size() + 24, 0);  // one byte short of an entry header
    TMemoryStream s(bytes);
    q.ExpandArchive(s, nullptr);
    EXPECT_TRUE(Exists("a"));
    EXPECT_EQ(s.Position(), static_cast<int64_t>(bytes.size()));

    ArchiveBuilder c("NON", 1000);
    c.Add("b", ToBytes("abc"));
    c.Add("never", ToBytes("x"));
    Bytes cut = c.Build();
    cut.resize(cut.size() - 1 - 5 + 2);  // the second stored path is cut short
    Run(cut);
    EXPECT_TRUE(Exists("b"));
    EXPECT_FALSE(Exists("never"));
}

// An entry cut off by the end of the archive fails, even when the bytes that are
// there make its size and checksum (a stored entry with Checksum 0, or a run-length
// entry whose runs add up).
TEST_F(Expand, EntryCutOffByTheEndOfTheArchiveFails) {
    const Bytes runs = {0x41, 0x94, 0x05, 0x42};  // AAAAAB
    for (uint8_t method : {0, 1}) {
        ArchiveBuilder b;
        TEntryHeader& e = b.Add("cut", method == 0 ? ToBytes("AAAAAB") : runs, 6, method);
        e.Checksum = method == 0 ? 0 : static_cast<int32_t>(Sum(ToBytes("AAAAAB")));
        e.StoredSize += 10;
        EXPECT_THROW(Run(b.Build()), EBadChecksum) << int{method};
    }
}

TEST_F(Expand, NegativePathLengthEndsReading) {
    ArchiveBuilder b("NON", 1000);
    b.Add("a", ToBytes("abc"));
    b.Add("b", ToBytes("def")).PathLength = -1;
    Run(b.Build());
    EXPECT_TRUE(Exists("a"));
    EXPECT_FALSE(Exists("b"));
}

TEST_F(Expand, FewerThan21BytesExpandNothingAndRaiseNothing) {
    Bytes junk(20, 0x55);
    TMemoryStream s(junk);
    EXPECT_NO_THROW(q.ExpandArchive(s, nullptr));
    EXPECT_TRUE(std::filesystem::is_empty(dir_));
    TStrings sel{"x"};
    TMemoryStream empty;
    q.ExpandArchive(empty, &sel);
    EXPECT_EQ(sel.Count(), 0);
}

TEST(List, FewerThan46BytesListNothingWhateverTheBytes) {
    TQuillox q;
    TStrings list;
    Bytes junk(45, 0xEE);
    TMemoryStream s(junk);
    EXPECT_NO_THROW(q.ListArchive(s, list));
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(s.Position(), 0);
}

TEST(List, NegativeStoredSizeEndsTheListing) {
    ArchiveBuilder b;
    b.Add("a", ToBytes("abc"));
    b.Add("b", ToBytes("def")).StoredSize = -28;  // would lead back to entry "a"
    TMemoryStream s(b.Build());
    TQuillox q;
    TStrings list;
    q.ListArchive(s, list);
    EXPECT_EQ(list.Count(), 1);
}

TEST(List, IgnoresTotalSizeAndKeyAndListsLockedEntries) {
    ArchiveBuilder b("LH5", 0);
    b.Add("a", ToBytes("abc")).Lock = 1;
    b.Add("\\\\srv\\b", ToBytes("defg"), 10, 4);
    TMemoryStream s(b.Build());
    TQuillox q;
    TStrings list;
    q.ListArchive(s, list);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_TRUE(static_cast<TArchiveFileInfo*>(list.Objects(0))->Locked);
    const auto* second = static_cast<TArchiveFileInfo*>(list.Objects(1));
    EXPECT_EQ(list[1], "\\\\srv\\b");
    EXPECT_EQ(second->HeaderPosition, 21 + 25 + 1 + 3);
    EXPECT_EQ(second->ExpandedSize, 10);
    EXPECT_EQ(second->Method, 4);
    EXPECT_EQ(s.Position(), s.Size());
}

TEST_F(Expand, HeaderErrorsComeBeforeAnyFile) {
    ArchiveBuilder b;
    b.Add("a", ToBytes("abc"));
    Bytes bad = b.Build();
    bad[4] = 0x1B;
    EXPECT_THROW(Run(bad), EInvalidHeader);
    bad = b.Build();
    bad[12] = 2;
    EXPECT_THROW(Run(bad), EInvalidHeaderArchiveType);
    EXPECT_FALSE(Exists("a"));
}

TEST_F(Expand, MethodIdsAreMatchedExactlyUnlessOnRecognizeAccepts) {
    ArchiveBuilder b("lh5");
    b.Add("a", ToBytes("abc"));
    try {
        Run(b.Build());
        FAIL();
    } catch (const EUnrecognizedCompressionMethod& e) {
        EXPECT_STREQ(e.what(), "Unrecognized compression method: \"lh5\" in header");
    }
    std::string asked;
    q.OnRecognize = [&](const std::string& id, bool& ok) {
        asked = id;
        ok = true;
    };
    Run(b.Build());
    EXPECT_EQ(asked, "lh5");
    EXPECT_EQ(ReadFile("a"), ToBytes("abc"));
    EXPECT_EQ(q.RecognizeMethod("LH5"), 4);
    EXPECT_EQ(q.RecognizeMethod("xyz"), 3);
}

TEST_F(Expand, OnCheckFileSeesTargetPlusRelativePathAndAbsolutePathsUnchanged) {
    ArchiveBuilder b;
    b.Add("sub\\a.txt", ToBytes("a"));
    b.Add("\\projects\\packager\\welcome.rtf", ToBytes("b"));
    b.Add("\\\\buildsrv\\q\\setup.exe", ToBytes("c"));
    b.Add("D:\\x.txt", ToBytes("d"));
    std::vector<std::string> seen;
    std::vector<TCProcessMode> modes;
    q.OnCheckFile = [&](std::string& f, TCProcessMode mode) {
        seen.push_back(f);
        modes.push_back(mode);
        f.clear();
    };
    Run(b.Build());
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[0], Target() + "sub\\a.txt");
    EXPECT_EQ(seen[1], "\\projects\\packager\\welcome.rtf");
    EXPECT_EQ(seen[2], "\\\\buildsrv\\q\\setup.exe");
    EXPECT_EQ(seen[3], Target() + "D:\\x.txt");
    EXPECT_EQ(static_cast<int>(modes[0]), 1);
}

TEST_F(Expand, OnCheckFileSkipsWithEmptyPathAndRenames) {
    ArchiveBuilder b;
    b.Add("a", ToBytes("aaa"));
    b.Add("b", ToBytes("bbb"));
    q.OnCheckFile = [&](std::string& f, TCProcessMode) {
        if (f == Target() + "a")
            f.clear();
        else
            f = Target() + "renamed";
    };
    TStrings sel{"A", "b"};
    Run(b.Build(), &sel);
    EXPECT_FALSE(Exists("a"));
    EXPECT_EQ(ReadFile("renamed"), ToBytes("bbb"));
    ASSERT_EQ(sel.Count(), 1);
    EXPECT_EQ(sel[0], Target() + "renamed");
}

// A skipped entry does not count towards TotalSize, so reading goes on past it.
TEST_F(Expand, SkippedEntriesDoNotCountTowardsTheTotal) {
    ArchiveBuilder b;
    b.Add("a", ToBytes("aaa"));
    b.Add("late-empty", {});
    q.OnCheckFile = [&](std::string& f, TCProcessMode) {
        if (f == Target() + "a") f.clear();
    };
    Run(b.Build());
    EXPECT_FALSE(Exists("a"));
    EXPECT_TRUE(Exists("late-empty"));
}

TEST_F(Expand, StarEndsTheExpansionWithoutError) {
    ArchiveBuilder b;
    b.Add("a", ToBytes("aaa"));
    b.Add("b", ToBytes("bbb"));
    b.Add("c", ToBytes("ccc"));
    q.OnCheckFile = [&](std::string& f, TCProcessMode) {
        if (f == Target() + "b") f = "*";
    };
    TStrings sel{"a", "b", "c"};
    Run(b.Build(), &sel);
    EXPECT_TRUE(Exists("a"));
    EXPECT_FALSE(Exists("b"));
    EXPECT_FALSE(Exists("c"));
    ASSERT_EQ(sel.Count(), 1);
    EXPECT_EQ(sel[0], Target() + "a");
}

TEST_F(Expand, SelectionInAndOut) {
    ArchiveBuilder b;
    b.Add("Dir\\One.txt", ToBytes("1"));
    b.Add("two.txt", ToBytes("22"));
    b.Add("three.txt", ToBytes("333"));
    TStrings sel{"dir\\ONE.TXT", "three.txt", "missing"};
    Run(b.Build(), &sel);
    EXPECT_TRUE(Exists("Dir/One.txt"));
    EXPECT_FALSE(Exists("two.txt"));
    EXPECT_TRUE(Exists("three.txt"));
    ASSERT_EQ(sel.Count(), 2);
    EXPECT_EQ(sel[0], Target() + "Dir\\One.txt");
    EXPECT_EQ(sel[1], Target() + "three.txt");

    TStrings none;
    Run(b.Build(), &none);
    EXPECT_EQ(none.Count(), 0);
}

TEST(IsSelected, IgnoresCaseOfAsciiLettersOnly) {
    TStrings sel{"abc\xC4"};
    EXPECT_TRUE(TQuillox::IsSelected(sel, "ABC\xC4"));
    EXPECT_FALSE(TQuillox::IsSelected(sel, "abc\xE4"));
    EXPECT_FALSE(TQuillox::IsSelected(sel, "abc"));
}

TEST_F(Expand, CreationFailureRaisesOrPassesOver) {
    std::filesystem::create_directories(Path("taken"));
    ArchiveBuilder b;
    b.Add("taken", ToBytes("xyz"));
    b.Add("after", ToBytes("ok"));
    try {
        Run(b.Build());
        FAIL();
    } catch (const EFCreateError& e) {
        EXPECT_EQ(e.Message(), "Cannot create file " + Target() + "taken");
    }
    EXPECT_FALSE(Exists("after"));
    q.ExceptionOnFileError = false;
    Run(b.Build());
    EXPECT_EQ(ReadFile("after"), ToBytes("ok"));
}

TEST_F(Expand, BadChecksumKeepsTheFileWithItsAttributes) {
    ArchiveBuilder b;
    auto& e = b.Add("a", ToBytes("abc"));
    e.Checksum = 1;
    e.Attributes = 0x21;
    try {
        Run(b.Build());
        FAIL();
    } catch (const EBadChecksum& x) {
        EXPECT_STREQ(x.what(), "Bad checksum during expansion -- data may be invalid");
    }
    EXPECT_EQ(ReadFile("a"), ToBytes("abc"));
    EXPECT_NE(platform::GetFileAttributes(Path("a").string()) & platform::kAttrReadOnly, 0u);
}

TEST_F(Expand, StoredEntryWithChecksumZeroIsAcceptedWhateverItsBytes) {
    ArchiveBuilder b;
    b.Add("a", ToBytes("abc")).Checksum = 0;
    Run(b.Build());
    EXPECT_EQ(ReadFile("a"), ToBytes("abc"));
}

// Locked entries: Lock 1 is checked but not scrambled, Lock 2 is also scrambled.
TEST_F(Expand, LockedEntriesNeedTheKey) {
    const Bytes plain = ToBytes("secret data");
    const int32_t key = 0x01020304;
    for (int lock : {1, 2}) {
        SCOPED_TRACE(lock);
        ArchiveBuilder b;
        auto& e = b.Add("locked", lock == 2 ? Xor(plain, key) : plain);
        e.Lock = lock;
        e.Checksum = static_cast<int32_t>(Sum(plain));

        q.Key = 0;
        EXPECT_THROW(Run(b.Build()), EInvalidKey);
        EXPECT_FALSE(Exists("locked"));  // fails before the file is created
        WriteFile("locked", ToBytes("mine"));
        EXPECT_THROW(Run(b.Build()), EInvalidKey);
        EXPECT_EQ(ReadFile("locked"), ToBytes("mine"));  // nothing replaced
        std::filesystem::remove(Path("locked"));

        q.Key = key;
        Run(b.Build());
        EXPECT_EQ(ReadFile("locked"), plain);
        std::filesystem::remove(Path("locked"));

        q.Key = key + 1;
        if (lock == 2) {
            try {
                Run(b.Build());
                FAIL();
            } catch (const EInvalidKey& x) {
                EXPECT_STREQ(x.what(), "File locked -- valid key required");
            }
            EXPECT_FALSE(Exists("locked"));
        } else {
            Run(b.Build());  // not scrambled: any nonzero key reads it
            EXPECT_EQ(ReadFile("locked"), plain);
            std::filesystem::remove(Path("locked"));
        }
    }
}

TEST_F(Expand, LockedChecksumMayIncludeTheKey) {
    const Bytes plain = ToBytes("keyed sum");
    ArchiveBuilder b;
    auto& e = b.Add("a", plain);
    e.Lock = 1;
    e.Checksum = static_cast<int32_t>(Sum(plain) + 77u);
    q.Key = 77;
    Run(b.Build());
    EXPECT_EQ(ReadFile("a"), plain);
    q.Key = 78;
    EXPECT_THROW(Run(b.Build()), EInvalidKey);
}

// Nothing decodes method 3 without OnExpand or a method above 4: the file is created
// empty and accepted only with Checksum 0; reading then goes on after its bytes.
TEST_F(Expand, EntriesWithoutADecoder) {
    for (uint8_t method : {3, 5, 200}) {
        SCOPED_TRACE(method);
        ArchiveBuilder b;
        b.Add("odd", ToBytes("stored bytes"), 0, method).Checksum = 0;
        b.Add("next", ToBytes("next"));
        Run(b.Build());
        EXPECT_TRUE(Exists("odd"));
        EXPECT_TRUE(ReadFile("odd").empty());
        EXPECT_EQ(ReadFile("next"), ToBytes("next"));
        // Checksum 0 does not make up for the 12 bytes the header promises.
        ArchiveBuilder promise;
        promise.Add("odd1", ToBytes("stored bytes"), -1, method).Checksum = 0;
        EXPECT_THROW(Run(promise.Build()), EBadChecksum);

        ArchiveBuilder c;
        c.Add("odd2", ToBytes("stored bytes"), -1, method);
        EXPECT_THROW(Run(c.Build()), EBadChecksum);
        EXPECT_TRUE(Exists("odd2"));
        ArchiveBuilder d;
        d.Add("odd3", ToBytes("stored bytes"), -1, method).Lock = 1;
        q.Key = 9;
        EXPECT_THROW(Run(d.Build()), EInvalidKey);
        EXPECT_FALSE(Exists("odd3"));
        q.Key = 0;
    }
}

TEST_F(Expand, OnExpandDecodesCustomEntries) {
    ArchiveBuilder b("CUS");
    const Bytes stored = ToBytes("ABC");
    b.Add("custom", stored, 3, 3).Checksum = static_cast<int32_t>(Sum(ToBytes("abc")));
    b.Add("after", ToBytes("z"));
    int32_t gotSource = -1, gotDest = -1;
    std::string gotId;
    q.OnExpand = [&](TStream& dest, TStream& source, int32_t sourceSize, int32_t destSize,
                     const std::string& id, int32_t& checksum) {
        gotSource = sourceSize;
        gotDest = destSize;
        gotId = id;
        Bytes buf(static_cast<size_t>(sourceSize));
        source.ReadBuffer(buf.data(), sourceSize);
        for (auto& c : buf) c = static_cast<uint8_t>(c + 32);
        dest.WriteBuffer(buf.data(), sourceSize);
        checksum = static_cast<int32_t>(Sum(buf));
    };
    Run(b.Build());
    EXPECT_EQ(ReadFile("custom"), ToBytes("abc"));
    EXPECT_EQ(ReadFile("after"), ToBytes("z"));
    EXPECT_EQ(gotSource, 3);
    EXPECT_EQ(gotDest, 3);
    EXPECT_EQ(gotId, "CUS");

    // A handler's bytes must make exactly the expanded size: more are not written.
    for (const char* made : {"abcde", "ab"}) {
        q.OnExpand = [&](TStream& dest, TStream& source, int32_t sourceSize, int32_t,
                         const std::string&, int32_t& checksum) {
            source.Seek(sourceSize, TSeekOrigin::soCurrent);
            const Bytes out = ToBytes(made);
            dest.WriteBuffer(out.data(), static_cast<int32_t>(out.size()));
            checksum = static_cast<int32_t>(Sum(ToBytes("abc")));
        };
        EXPECT_THROW(Run(b.Build()), EBadChecksum) << made;
        EXPECT_LE(ReadFile("custom").size(), 3u) << made;
    }
}

TEST_F(Expand, ProgressForASmallEntry) {
    ArchiveBuilder b;
    b.Add("small", Bytes(483, 'x'));
    std::vector<int32_t> calls;
    q.OnShowProgress = [&](int32_t& p) { calls.push_back(p); };
    Run(b.Build());
    EXPECT_EQ(calls, (std::vector<int32_t>{0, 100, 100}));
}

TEST_F(Expand, ProgressForALargeEntry) {
    ArchiveBuilder b;
    b.Add("large", Bytes(4000000, 'y'));
    std::vector<int32_t> calls;
    q.OnShowProgress = [&](int32_t& p) { calls.push_back(p); };
    Run(b.Build());
    ASSERT_EQ(calls.size(), 1u + (4000000 + 8191) / 8192 + 1u);
    EXPECT_EQ(calls[0], 0);
    EXPECT_EQ(calls[1], 0);                      // 8192 div 40000
    EXPECT_EQ(calls[5], 1);                      // 40960 div 40000
    EXPECT_EQ(calls[calls.size() - 2], 100);
    EXPECT_EQ(calls.back(), 100);
    for (size_t i = 1; i < calls.size(); ++i) EXPECT_LE(calls[i - 1], calls[i]);
}

TEST_F(Expand, StopAnswerEndsWithBadChecksumWhateverTheSum) {
    ArchiveBuilder b;
    b.Add("big", Bytes(100000, 'z'));
    q.OnShowProgress = [&](int32_t& p) {
        if (p > 0 && p < 100) p = -1;
    };
    EXPECT_THROW(Run(b.Build()), EBadChecksum);
    EXPECT_LT(ReadFile("big").size(), 100000u);

    q.OnShowProgress = [&](int32_t& p) {
        if (p == 0) p = -1;
    };
    EXPECT_THROW(Run(b.Build()), EBadChecksum);
    EXPECT_TRUE(ReadFile("big").empty());

    // A stop is never a key problem, and never a success: not for a locked entry, and
    // not for one whose bytes so far add up to its checksum (all zeros, checksum 0).
    ArchiveBuilder c;
    c.Add("locked", Bytes(100, 'k')).Lock = 1;
    q.Key = 3;
    EXPECT_THROW(Run(c.Build()), EBadChecksum);

    ArchiveBuilder z;
    z.Add("zeros", Bytes(20000, 0));
    z.Add("after", ToBytes("x"));
    for (const int stopAt : {0, 1}) {
        SCOPED_TRACE(stopAt);
        int calls = 0;
        q.OnShowProgress = [&](int32_t& p) {
            if (calls++ == stopAt) p = -1;
        };
        EXPECT_THROW(Run(z.Build()), EBadChecksum);
        EXPECT_FALSE(Exists("after"));
    }
}

TEST_F(Expand, DateAndAttributesRestored) {
    ArchiveBuilder b;
    auto& e = b.Add("dated.txt", ToBytes("when"));
    e.DateTime = static_cast<int32_t>(0x282D944Eu);  // 13 January 2000, 18:34:28
    e.Attributes = 0x0021;
    Run(b.Build());
    int32_t dos = 0;
    ASSERT_TRUE(platform::GetFileDosDateTime(Path("dated.txt").string(), dos));
    EXPECT_EQ(static_cast<uint32_t>(dos), 0x282D944Eu);
    EXPECT_NE(platform::GetFileAttributes(Path("dated.txt").string()) & platform::kAttrReadOnly,
              0u);
}

TEST_F(Expand, SpaceCheck) {
    EXPECT_EQ(q.SpaceForFile("anything"), 2147483647);
    q.CheckSpaceBeforeExpand = true;
    const float free = TQuillox::DiskFreeBytes(0);
    ASSERT_GT(free, 0.0f);
    const int32_t space = q.SpaceForFile(Path("new").string());
    EXPECT_EQ(space, free < 2147483647.0 ? static_cast<int32_t>(free) : 2147483647);
    // A drive letter that the native build does not have: free space unknown (-1).
    EXPECT_EQ(TQuillox::DiskFreeBytes('Q' - 64), -1.0f);
    EXPECT_EQ(q.SpaceForFile("q:\\x"), -1);
    ArchiveBuilder b;
    b.Add("q:\\x", ToBytes("x"));
    q.SetTargetPath("");
    try {
        Run(b.Build());
        FAIL();
    } catch (const EInsufficientDiskSpace& e) {
        EXPECT_STREQ(e.what(), "Not enough disk space to expand q:\\x");
    }
}

TEST_F(Expand, MakeFolderPathCreatesParentsOfAnyLengthButNoDrive) {
    TQuillox::MakeFolderPath(Target() + "a\\b\\c\\");
    EXPECT_TRUE(TQuillox::FolderExists(Target() + "a\\b\\c"));
    TQuillox::MakeFolderPath(Target() + "xy\\z");
    EXPECT_TRUE(TQuillox::FolderExists(Target() + "xy\\z"));
    EXPECT_NO_THROW(TQuillox::MakeFolderPath("C:"));
    EXPECT_NO_THROW(TQuillox::MakeFolderPath("C:\\"));
#ifndef _WIN32
    EXPECT_FALSE(TQuillox::FolderExists("C:"));  // natively it would be a folder here
#endif
    EXPECT_NO_THROW(TQuillox::MakeFolderPath(""));
    WriteFile("file", ToBytes("x"));
    EXPECT_FALSE(TQuillox::FolderExists(Target() + "file"));
    EXPECT_THROW(TQuillox::MakeFolderPath(Target() + "file\\sub"), EInOutError);
}
