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

// A text and the same in capitals, as a button draws its title, fold to one text in every script.
TEST(UnicodeTextTest, CaseFoldingMakesATextAndItsCapitalsTheSame) {
    for (const char* text : {"Añadir un nuevo iPhone", "Добавить новый iPhone", "straße", "ǰ", "Σίσυφος",
                             "Ajouter un nouvel iPhone", "إضافة iPhone جديد", "新しいiPhoneを追加"})
        EXPECT_EQ(caseFoldedString(uppercaseString(text)), caseFoldedString(text)) << text;
    EXPECT_EQ(caseFoldedString("AÑADIR"), "añadir");
    EXPECT_EQ(caseFoldedString("ДОБАВИТЬ"), "добавить");
    // A decomposed letter and its composed form are one text.
    EXPECT_EQ(caseFoldedString("n\u0303"), caseFoldedString("\u00D1"));
    // Folding equates case, never different letters.
    EXPECT_NE(caseFoldedString("AÑADIR"), caseFoldedString("anadir"));
    EXPECT_NE(caseFoldedString("Удалить"), caseFoldedString("Удалите"));
    EXPECT_EQ(caseFoldedString(""), "");
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
