// The string tables of the application's languages held against English: each parses, has every English key
// and no other, and each text keeps what the code relies on: the placeholders a format fills (in number
// and kind), its line breaks and the spaces at its ends; no text is left in English but the names and
// words its language uses as they are.

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <set>

#include "features/language/BundleEx.h"
#include "features/language/BundleLanguage.h"
#include "platform/storage/Files.h"
#include "platform/storage/StringsTable.h"
#include "tests/features/FeaturesFixture.h"

using namespace kestrune;
using platform::StringsTable;

namespace {

// The placeholders of a format, each as written ("%@", "%1$@", "%ld"); "%%" is no placeholder, and a "%"
// that starts none is kept as "%?" so that a stray one counts as a difference too.
std::vector<std::string> placeholders(const std::string& text) {
    std::vector<std::string> found;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') continue;
        if (i + 1 < text.size() && text[i + 1] == '%') {
            ++i;
            continue;
        }
        size_t j = i + 1;
        auto skip = [&](const char* set) {
            while (j < text.size() && std::strchr(set, text[j]) && text[j] != '\0') ++j;
        };
        skip("0123456789$");
        skip("-+ #0'");
        skip("0123456789*.");
        skip("hlqLzjt");
        if (j < text.size() && std::strchr("@dDiuUxXoOfFeEgGcCsSpaA", text[j]) && text[j] != '\0') {
            found.push_back(text.substr(i, j - i + 1));
            i = j;
        } else {
            found.push_back("%?");
        }
    }
    return found;
}

bool positional(const std::string& placeholder) {
    return placeholder.find('$') != std::string::npos;
}

// The same placeholders in the same order, or, where every one of them is numbered, the same set in any
// order (a language that names the arguments the other way round).
bool sameArguments(const std::string& english, const std::string& translated) {
    auto a = placeholders(english), b = placeholders(translated);
    if (a == b) return true;
    if (!std::all_of(a.begin(), a.end(), positional) || !std::all_of(b.begin(), b.end(), positional))
        return false;
    std::sort(a.begin(), a.end());
    std::sort(b.begin(), b.end());
    return a == b;
}

size_t lineBreaks(const std::string& text) {
    return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
}

bool spaceAt(const std::string& text, bool front) {
    if (text.empty()) return false;
    return std::isspace(static_cast<unsigned char>(front ? text.front() : text.back())) != 0;
}

// A full-width bracket of Chinese and Japanese carries its own space, with or without one in English:
// "（使用中）" for " (in use)".
bool fullWidthBracketAt(const std::string& text, bool front) {
    const std::string bracket = front ? "\xEF\xBC\x88" : "\xEF\xBC\x89";
    return text.size() >= bracket.size() &&
           text.compare(front ? 0 : text.size() - bracket.size(), bracket.size(), bracket) == 0;
}

bool sameSpaceAt(const std::string& english, const std::string& own, bool front) {
    return spaceAt(english, front) == spaceAt(own, front) || fullWidthBracketAt(own, front);
}

// The texts a translated table may keep exactly as English has them: names, and words its language
// uses as they are. Any other English text in a table is one left untranslated.
std::set<std::string> allowedEnglishTexts(const std::string& code) {
    std::set<std::string> allowed = {"Kestrune", "Facebook", "Twitter"};
    static const std::map<std::string, std::set<std::string>> ownWords = {
        {"de", {"OK", "FAQ", "Updates", "Version %@"}},
        {"es", {"OK"}},
        {"fr",
         {"OK", "FAQ", "Version %@", "Notifications", "Distance", "distance", "Session", "Open space",
          "E-mail", "Message"}},
        {"it", {"OK", "FAQ", "Password", "Open space", "E-mail"}},
        {"ja", {"OK"}},
        {"nl", {"OK", "FAQ", "Help", "Open", "Open Kestrune", "Updates", "Tweet", "E-mail"}},
        {"pt", {"OK", "E-mail"}},
        {"pt-PT", {"OK", "Open space", "E-mail"}},
    };
    if (auto it = ownWords.find(code); it != ownWords.end())
        allowed.insert(it->second.begin(), it->second.end());
    return allowed;
}

// What is wrong with a language's table next to English, one line per fault; nothing for a sound table.
std::vector<std::string> tableFaults(const std::string& code, const std::string& text,
                                     const StringsTable::Map& english, bool needsEveryKey) {
    StringsTable::ParseError error{0, ""};
    auto table = StringsTable::parse(text, &error);
    if (!table)
        return {code + ": does not parse at line " + std::to_string(error.line) + ": " + error.reason};
    std::vector<std::string> faults;
    auto fault = [&](const std::string& key, const std::string& what) {
        faults.push_back(code + " \"" + key + "\": " + what);
    };
    // The interface's table names its language; another table (the crash kit's) holds only its texts.
    auto lang = table->find("lang");
    if (english.count("lang") && (lang == table->end() || lang->second != code))
        fault("lang", "does not name the table's language");
    const auto allowedEnglish = allowedEnglishTexts(code);
    for (const auto& [key, englishText] : english) {
        auto it = table->find(key);
        if (it == table->end()) {
            if (needsEveryKey) fault(key, "missing");
            continue;
        }
        const std::string& own = it->second;
        if (!sameArguments(englishText, own)) fault(key, "placeholders differ from English: " + own);
        if (lineBreaks(englishText) != lineBreaks(own)) fault(key, "line breaks differ from English");
        if (!sameSpaceAt(englishText, own, true) || !sameSpaceAt(englishText, own, false))
            fault(key, "spaces at the ends differ from English");
        if (own.empty() != englishText.empty()) fault(key, "empty");
        if (key != "lang" && own == englishText && !allowedEnglish.count(own))
            fault(key, "still the English text: " + own);
    }
    for (const auto& [key, own] : *table)
        if (!english.count(key)) fault(key, "English has no such key");
    std::sort(faults.begin(), faults.end());
    return faults;
}

std::string fileText(const std::string& path) {
    auto data = platform::Files::read(path);
    return data ? data->toString() : std::string();
}

class StringTablesTest : public featuretests::FeatureTest {};

// Every language's table of the name held against English's, whose number of keys is answered.
size_t expectEveryLanguageLikeEnglish(const std::string& tableName) {
    auto english = StringsTable::tableAtPath(BundleEx::tablePathForLanguage("en", tableName));
    EXPECT_TRUE(english) << tableName;
    if (!english) return 0;
    for (const auto& code : supprotedLanguages()) {
        if (code == "en") continue;
        const std::string path = BundleEx::tablePathForLanguage(code, tableName);
        EXPECT_TRUE(platform::Files::exists(path)) << path;
        for (const auto& fault : tableFaults(code, fileText(path), *english, true))
            ADD_FAILURE() << tableName << " " << fault;
    }
    return english->size();
}

TEST_F(StringTablesTest, EveryLanguageHasEveryEnglishKeyWithTheSamePlaceholders) {
    EXPECT_GT(expectEveryLanguageLikeEnglish(BundleEx::kTableName), 400u);
}

// The crash kit's send prompt, in a table of its own beside the interface's: its title, its sentence and
// its three buttons in every language.
TEST_F(StringTablesTest, EveryLanguageHasTheCrashPromptsTexts) {
    EXPECT_EQ(expectEveryLanguageLikeEnglish("CrashKit"), 5u);
}

TEST_F(StringTablesTest, TheCheckNamesEachKindOfFault) {
    StringsTable::Map english = {
        {"lang", "en"},          {"greeting", "Hello %@"},  {"pair", "%1$@ and %2$@"},
        {"suffix", " (in use)"}, {"two_lines", "one\ntwo"}, {"count", "%ld items"},
        {"word", "Word"},        {"title", "Title"},        {"name", "Kestrune"}};
    const std::string broken =
        "\"lang\" = \"yy\";\n"
        "\"greeting\" = \"Hallo\";\n"          // the name dropped
        "\"pair\" = \"%2$@ und %1$@\";\n"      // reordered by number: sound
        "\"suffix\" = \"(in Benutzung)\";\n"   // the leading space lost
        "\"two_lines\" = \"eins zwei\";\n"     // the line break lost
        "\"count\" = \"%d Dinge zu 100%\";\n"  // another kind, and a stray percent sign
        "\"title\" = \"Title\";\n"             // left in English
        "\"name\" = \"Kestrune\";\n"           // a name: the same in every language
        "\"extra\" = \"Extra\";\n";            // a key English lacks; "word" missing
    const auto faults = tableFaults("xx", broken, english, true);
    const std::vector<std::string> expected = {
        "xx \"count\": placeholders differ from English: %d Dinge zu 100%",
        "xx \"extra\": English has no such key",
        "xx \"greeting\": placeholders differ from English: Hallo",
        "xx \"lang\": does not name the table's language",
        "xx \"suffix\": spaces at the ends differ from English",
        "xx \"title\": still the English text: Title",
        "xx \"two_lines\": line breaks differ from English",
        "xx \"word\": missing",
    };
    EXPECT_EQ(faults, expected);
    // A table that is not yet translated may lack keys, but nothing else.
    EXPECT_TRUE(tableFaults("xx", "\"lang\" = \"xx\";", english, false).empty());
    EXPECT_EQ(tableFaults("xx", "\"lang\" = \"xx\"", english, false).front().rfind("xx: does not parse", 0),
              0u);
    // A table other than the interface's (English's has no "lang") need not name its language.
    EXPECT_TRUE(tableFaults("xx", "\"word\" = \"Wort\";", {{"word", "Word"}}, true).empty());
    EXPECT_EQ(tableFaults("xx", "", {{"word", "Word"}}, true),
              std::vector<std::string>{"xx \"word\": missing"});
    // Placeholders as the formatter knows them; "%%" is a percent sign.
    EXPECT_EQ(placeholders("%@ %1$@ %% %ld %.2f %"),
              (std::vector<std::string>{"%@", "%1$@", "%ld", "%.2f", "%?"}));
}

}  // namespace
