// GetLocalInfo reads back the build information this test program was built with
// (the same version resource template and cache values as the installer).
#include <gtest/gtest.h>

#include "installer/BuildInfo.h"
#include "installer/BuildInfoValues.h"

namespace {
TEST(BuildInfo, ValuesComeBackVerbatim) {
    std::string gateway = "stale", level = "stale", domain = "stale";
    EXPECT_TRUE(GetLocalInfo(gateway, level, domain));
    EXPECT_EQ(gateway, TVX_BUILD_GATEWAY);
    EXPECT_EQ(level, TVX_BUILD_PRODUCT_LEVEL);
    EXPECT_EQ(domain, TVX_BUILD_EMAIL_DOMAIN);
}

// The shipped fields: a slash, a letter, the text, and blanks up to the width; the
// blanks and the marks reach the caller untouched.
TEST(BuildInfo, FixedWidthFieldsKeepMarksAndBlanks) {
    std::string gateway, level, domain;
    GetLocalInfo(gateway, level, domain);
    EXPECT_EQ(gateway.size(), 30u);
    EXPECT_EQ(level.size(), 5u);
    EXPECT_EQ(domain.size(), 40u);
    for (const std::string* v : {&gateway, &level, &domain}) {
        ASSERT_GE(v->size(), 2u);
        EXPECT_EQ((*v)[0], '/') << *v;
        EXPECT_TRUE(isalpha(static_cast<unsigned char>((*v)[1]))) << *v;
        EXPECT_EQ(v->back(), ' ') << *v;
    }
}
}  // namespace
