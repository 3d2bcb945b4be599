// Archives travelling as resources natively: linked into the program by
// tvx_add_resources, or offered by a loaded library.
#include <gtest/gtest.h>

#include "archive/Quillox.h"
#include "runtime/NativeResources.h"
#include "runtime/Stream.h"
#include "tests/archive/TestSupport.h"

using namespace testsupport;

TEST(Resources, OwnModuleResourceOpensAtPositionZero) {
    TQuillox q;
    auto s = q.OpenArchiveResource("mixed", "");  // names ignore letter case
    ASSERT_TRUE(s);
    EXPECT_EQ(s->Position(), 0);
    EXPECT_EQ(s->Size(), 502);
    TStrings list;
    q.ListArchive(*s, list);
    EXPECT_EQ(list.Count(), 4);
    uint8_t b = 0;
    EXPECT_EQ(s->Write(&b, 1), 0);  // read-only
}

TEST(Resources, MissingResourceAndLibrary) {
    TQuillox q;
    try {
        q.OpenArchiveResource("NOSUCH", "");
        FAIL();
    } catch (const EResNotFound& e) {
        EXPECT_STREQ(e.what(), "Resource NOSUCH not found");
    }
    try {
        q.OpenArchiveResource("WELCOME", "no-such-library.dll");
        FAIL();
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "Could not load no-such-library.dll DLL");
    }
}

TEST(Resources, RegisteredBytesAreFound) {
    static const uint8_t bytes[] = {1, 2, 3};
    platform::RegisterResource({"TQUILLOX", "Registered", bytes, 3});
    TQuillox q;
    auto s = q.OpenArchiveResource("REGISTERED", "");
    EXPECT_EQ(s->Size(), 3);
}

// The stream keeps the library loaded: reading after every other handle is gone
// still finds the bytes in place.
TEST(Resources, LibraryStaysLoadedWhileTheStreamLives) {
    std::unique_ptr<TStream> s;
    {
        TQuillox q;
        s = q.OpenArchiveResource("LibArc", TVX_TEST_RESOURCE_LIBRARY);
        EXPECT_THROW(q.OpenArchiveResource("OTHER", TVX_TEST_RESOURCE_LIBRARY), EResNotFound);
    }
    TQuillox r;
    TStrings list;
    r.ListArchive(*s, list);
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list[0], "lib.txt");
    s->SetPosition(21 + 25 + 7);
    char text[12];
    s->ReadBuffer(text, 12);
    EXPECT_EQ(std::string(text, 12), "from library");
}
