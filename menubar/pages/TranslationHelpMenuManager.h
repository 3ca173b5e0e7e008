#pragma once

#include <string>

#include "menubar/pages/BaseMenuItemManager.h"

namespace kestrune {

// The translation page: a row per interface language, each opening the translation site's page for it,
// where users help improve the texts.
class TranslationHelpMenuManager : public BaseMenuItemManager {
public:
    Rows createViewModel() override;
    std::string createTitleText() override;
};

}  // namespace kestrune
