#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "menubar/navigation/MasterDetailNavigationManager.h"

namespace kestrune {

// The settings window's navigation as the coordinator drives it: list pages and screens shown from the
// master list (source 1) or pushed from inside the detail pane (source 2), optionally back to the root
// first.
class KestruneMasterDetailNavManager : public MasterDetailNavigationManager {
public:
    static constexpr int64_t kSourceDetailPane = 2;

    static std::shared_ptr<KestruneMasterDetailNavManager> create() {
        return MasterDetailNavigationManager::create<KestruneMasterDetailNavManager>();
    }

    void showDetailList_title_source_popToRoot(std::shared_ptr<BaseViewController> list,
                                               const std::string& title, int64_t source, bool popToRoot);
    void showDetailController_title_source_popToRoot(std::shared_ptr<KSWindowController> controller,
                                                     const std::string& title, int64_t source,
                                                     bool popToRoot);
    void showDetailList_title_source(std::shared_ptr<BaseViewController> list, const std::string& title,
                                     int64_t source);
    void showDetailController_title_source(std::shared_ptr<KSWindowController> controller,
                                           const std::string& title, int64_t source);
    void showDetailList_source(std::shared_ptr<BaseViewController> list, int64_t source);
    void showDetailController_source(std::shared_ptr<KSWindowController> controller, int64_t source);
    void pushDetailList(std::shared_ptr<BaseViewController> list);
    void pushDetailController(std::shared_ptr<KSWindowController> controller);
};

}  // namespace kestrune
