// How often the extraction's handlers paint the bar and look at the message queue.
#include <gtest/gtest.h>

#include "installer/UiPacer.h"

TEST(UiPacer, TheBarShowsEveryEntrysEndAndOtherValuesOncePerInterval) {
    TUiPacer p(25);
    const uint32_t t = 0xFFFFFFF0u;  // the clock wraps within this test
    EXPECT_TRUE(p.BarDue(3, 0, t)) << "the first change shows at once";
    EXPECT_FALSE(p.BarDue(7, 3, t + 10));
    EXPECT_TRUE(p.BarDue(100, 3, t + 11)) << "an entry's end never waits";
    EXPECT_FALSE(p.BarDue(100, 100, t + 500)) << "an unchanged value is not set again";
    EXPECT_FALSE(p.BarDue(0, 100, t + 20)) << "the next entry's start waits its turn";
    EXPECT_FALSE(p.BarDue(4, 100, t + 35));
    EXPECT_TRUE(p.BarDue(5, 100, t + 36));
    EXPECT_TRUE(p.BarDue(100, 5, t + 37));
}

TEST(UiPacer, MessagesAreProcessedAtEveryEntrysStartAndEndAndOtherwiseOncePerInterval) {
    TUiPacer p(25);
    const uint32_t t = 0xFFFFFFFAu;
    EXPECT_TRUE(p.MessagesDue(0, t));
    EXPECT_FALSE(p.MessagesDue(1, t));
    EXPECT_FALSE(p.MessagesDue(2, t + 24));
    EXPECT_TRUE(p.MessagesDue(3, t + 25));
    EXPECT_TRUE(p.MessagesDue(100, t + 26)) << "an entry's end is seen while it is current";
    p.NewEntry();
    EXPECT_TRUE(p.MessagesDue(0, t + 27)) << "and so is the next one's start";
    EXPECT_FALSE(p.MessagesDue(1, t + 28)) << "which starts the interval again";
    EXPECT_TRUE(p.MessagesDue(40, t + 1000));
}
