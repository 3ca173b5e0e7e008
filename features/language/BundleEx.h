#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/storage/StringsTable.h"

namespace kestrune {

// The main bundle as the interface sees it: it answers texts from the language bundle attached to it
// (a "<code>.lproj" folder of the resources) and otherwise from the bundle's own development language,
// English. A key the table in use lacks comes from English, then as the key itself. Attaching swaps the
// table at once for every thread; look-ups take no lock.
class BundleEx {
public:
    static constexpr const char* kTableName = "Localizable";
    static constexpr const char* kDevelopmentLanguage = "en";

    static BundleEx& shared();

    // Attaches the language bundle at the folder, or detaches any for none. The main bundle's
    // localised look-ups (platform::Bundle::localizedString) follow it.
    void attachLanguageBundle(const std::optional<std::string>& lprojPath);
    std::optional<std::string> attachedLanguageBundlePath() const;

    // The text of the key in the table (none or "" is "Localizable"); a missing key answers `value`, or
    // the key when `value` is empty.
    std::string localizedStringForKey_value_table(const std::string& key, const std::string& value,
                                                  const std::optional<std::string>& table) const;
    // The text of the key in the attached table, else English; none when neither has it.
    std::optional<std::string> textForKey(const std::string& key) const;

    // The path of a language's string table inside the main bundle.
    static std::string tablePathForLanguage(const std::string& code, const std::string& table = kTableName);

    // Tests: forget the attached bundle and the main bundle's language (the English table is read again
    // from the bundle in use).
    void resetForTesting();

private:
    BundleEx() = default;
    struct State {
        std::optional<std::string> attachedPath;
        std::shared_ptr<const platform::StringsTable::Map> attached;
        std::shared_ptr<const platform::StringsTable::Map> english;
    };
    std::shared_ptr<const State> state() const;
    void publish(std::shared_ptr<const State> state);
};

}  // namespace kestrune
