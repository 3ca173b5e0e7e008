// Upper-casing and composed character sequences over the Unicode database.

#include <gtest/gtest.h>

#include "platform/base/Strings.h"
#include "platform/base/UnicodeClasses.h"

namespace platform {
namespace {

TEST(UnicodeTextTest, UpperCaseUsesTheFullMappings) {
    EXPECT_EQ(uppercaseString("straße"), "STRASSE");
    EXPECT_EQ(uppercaseString("ﬁle"), "FILE");
    EXPECT_EQ(uppercaseString("éclair ǆ"), "ÉCLAIR Ǆ");
    EXPECT_EQ(uppercaseString("Пример"), "ПРИМЕР");
    EXPECT_EQ(uppercaseString(""), "");
    EXPECT_EQ(uppercaseString("a\xff"), "A\xEF\xBF\xBD");  // an invalid byte reads as U+FFFD
}

// The range widened from `location` and `length` in the UTF-16 form of `text`.
std::pair<size_t, size_t> widened(const std::string& text, size_t location, size_t length) {
    return rangeOfComposedCharacterSequencesForRange(toUTF16(text), location, length);
}

TEST(UnicodeTextTest, RangesWidenToWholeComposedCharacters) {
    using R = std::pair<size_t, size_t>;
    EXPECT_EQ(widened("abc", 0, 2), (R{0, 2}));
    EXPECT_EQ(widened("a\U0001F600b", 0, 2), (R{0, 3}));     // the end inside a surrogate pair
    EXPECT_EQ(widened("a\U0001F600b", 2, 1), (R{1, 2}));     // the start inside it
    EXPECT_EQ(widened("ae\u0301\u0302x", 0, 2), (R{0, 4}));  // a base with two combining marks
    EXPECT_EQ(widened("\r\nx", 0, 1), (R{0, 2}));
    // Flags pair their regional indicators two by two.
    const std::string flags = "\U0001F1E9\U0001F1EA\U0001F1EB\U0001F1F7";
    EXPECT_EQ(widened(flags, 0, 2), (R{0, 4}));
    EXPECT_EQ(widened(flags, 4, 1), (R{4, 4}));
    // An emoji with a skin tone, joined to another.
    EXPECT_EQ(widened("\U0001F469\U0001F3FD\u200D\U0001F4BBx", 0, 1), (R{0, 7}));
    // Hangul jamo make one syllable; a precomposed syllable takes a trailing jamo.
    EXPECT_EQ(widened("\u1100\u1161\u11A8x", 0, 1), (R{0, 3}));
    EXPECT_EQ(widened("\uAC00\u11A8x", 0, 1), (R{0, 2}));
    // Empty ranges stay empty on a boundary; ranges past the end are cut at it.
    EXPECT_EQ(widened("abc", 1, 0), (R{1, 0}));
    EXPECT_EQ(widened("abc", 2, 10), (R{2, 1}));
    EXPECT_EQ(widened("abc", 7, 1), (R{3, 0}));
}

}  // namespace
}  // namespace platform
