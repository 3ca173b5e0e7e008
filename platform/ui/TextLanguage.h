#pragma once

#include <string>

namespace platform::ui {

// The language the interface's texts are written in, as a language tag ("ja", "zh-Hans", "en"); empty
// when nobody said. Han characters and kana look different in Chinese, Japanese and Korean faces: the
// text renderer picks their faces by this language, not by the locale of the process, which may be
// another (a machine in English, "C" for pictures). The interface sets it whenever it changes tables.
class TextLanguage {
public:
    static std::string current();
    static void set(const std::string& tag);
};

}  // namespace platform::ui
