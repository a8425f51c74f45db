#include "pages/Annotate.h"
#include "pages/AnnotationText.h"

#include <gtest/gtest.h>

using pages::PositionName;
using pages::PositionOf;

TEST(PositionNames, AreTheCaptionsWithoutTheirAccelerator) {
    const std::array<std::string, 6> expected{"Dial Up",    "Dial Down",  "Crown Up",
                                              "Crown Down", "Crown Left", "Crown Right"};
    EXPECT_EQ(pages::PositionNames(), expected);
    for (int position = 1; position <= 6; ++position) {
        EXPECT_EQ(PositionName(position), expected[static_cast<std::size_t>(position - 1)]);
    }
    EXPECT_EQ(PositionName(0), "");
    EXPECT_EQ(PositionName(7), "");
    EXPECT_EQ(PositionName(-1), "");
    EXPECT_EQ(pages::StripAccelerator("Oth&er:"), "Other:");
    EXPECT_EQ(pages::StripAccelerator("plain"), "plain");
    EXPECT_EQ(pages::StripAccelerator("a&b&c"), "ab&c");
}

TEST(PositionOf, MatchesPositionNamesExactly) {
    pages::TPageInfo page;
    page.Annotation = "Dial Down";
    EXPECT_EQ(PositionOf(page), 2);
    page.Annotation = "Crown Left"; // typed by hand as free text
    EXPECT_EQ(PositionOf(page), 5);
    EXPECT_EQ(PositionOf("Crown Right"), 6);

    for (const char* text : {"crown left", "Crown Left ", "Dial &Up", "After service", ""}) {
        EXPECT_EQ(PositionOf(text), 0) << text;
    }
}

TEST(AnnotationText, RecognisesWellFormedUtf8Only) {
    EXPECT_TRUE(pages::IsValidUtf8(""));
    EXPECT_TRUE(pages::IsValidUtf8("Gen\u00E8ve \u20AC \U0001F570"));
    EXPECT_FALSE(pages::IsValidUtf8("\xC0\xAF"));         // overlong
    EXPECT_FALSE(pages::IsValidUtf8("\xE0\x80\xAF"));     // overlong
    EXPECT_FALSE(pages::IsValidUtf8("\xED\xA0\x80"));     // surrogate
    EXPECT_FALSE(pages::IsValidUtf8("\xF4\x90\x80\x80")); // beyond U+10FFFF
    EXPECT_FALSE(pages::IsValidUtf8("ab\xE2\x82"));       // cut short
    EXPECT_FALSE(pages::IsValidUtf8("\x80"));
    EXPECT_FALSE(pages::IsValidUtf8("caf\xE9"));
}

TEST(AnnotationText, ReadsOtherBytesAsWindows1252) {
    EXPECT_EQ(pages::AnnotationFromStoredBytes("caf\xE9"), "caf\u00E9");
    EXPECT_EQ(pages::AnnotationFromStoredBytes("\x80\x8A\x9F\xFF"), "\u20AC\u0160\u0178\u00FF");
    EXPECT_EQ(pages::AnnotationFromStoredBytes("\x81"), "\u0081");
    EXPECT_EQ(pages::AnnotationFromStoredBytes("plain"), "plain");
}

TEST(AnnotationText, ShortensAtACharacterBoundary) {
    EXPECT_EQ(pages::ShortenUtf8("abc", 3), "abc");
    EXPECT_EQ(pages::ShortenUtf8("abcd", 3), "abc");
    EXPECT_EQ(pages::ShortenUtf8("a\u20AC", 3), "a");   // three-byte sign cut
    EXPECT_EQ(pages::ShortenUtf8("ab\u00E9", 3), "ab"); // two-byte letter cut
    EXPECT_EQ(pages::ShortenUtf8("\u20AC\u20AC", 4), "\u20AC");
    EXPECT_EQ(pages::ShortenUtf8(std::string(8, '\x80'), 4), std::string(4, '\x80'));
}
