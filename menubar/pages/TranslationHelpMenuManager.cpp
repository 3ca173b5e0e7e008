#include "menubar/pages/TranslationHelpMenuManager.h"

#include "app/support/KSUrlManager.h"
#include "app/support/Localizable.h"
#include "menubar/lists/ListViewModelFactory.h"

namespace kestrune {

namespace {
using F = ListViewModelFactory;
}  // namespace

BaseMenuItemManager::Rows TranslationHelpMenuManager::createViewModel() {
    struct Language {
        const char* icon;
        const char* titleKey;
        const char* name;
        void (*open)();
    };
    // The Portuguese row's title key is "portugueses"; its icon and address word are "portuguese".
    static constexpr Language kLanguages[] = {
        {"english", "english", "English", &KSUrlManager::openEnglish},
        {"spain", "spanish", "Spanish", &KSUrlManager::openSpanish},
        {"german", "german", "German", &KSUrlManager::openGerman},
        {"russian", "russian", "Russian", &KSUrlManager::openRussian},
        {"chinese", "chinese", "Chinese", &KSUrlManager::openChinese},
        {"portuguese", "portugueses", "Portuguese", &KSUrlManager::openPortuguese},
        {"japanese", "japanese", "Japanese", &KSUrlManager::openJapanese},
        {"italian", "italian", "Italian", &KSUrlManager::openItalian},
        {"korean", "korean", "Korean", &KSUrlManager::openKorean},
        {"arabic", "arabic", "Arabic", &KSUrlManager::openArabic},
        {"dutch", "dutch", "Dutch", &KSUrlManager::openDutch},
    };
    Rows rows{F::emptyCellWithHeight_action(15, nullptr),
              F::descriptionCellCenteredWithText_action(localizable("update_texts_description"), nullptr)};
    for (const auto& language : kLanguages)
        rows.push_back(F::iconTitleDescriptionCellWithIcon_title_description_buttonTitle_action(
            std::string(language.icon), localizable(language.titleKey), std::string(language.name),
            localizable("see_website_action"), language.open));
    return rows;
}

std::string TranslationHelpMenuManager::createTitleText() {
    return localizable("localization_improvement");
}

}  // namespace kestrune
