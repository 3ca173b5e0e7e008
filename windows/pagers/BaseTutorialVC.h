#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "uikit/pagers/BasePagerViewController.h"

namespace kestrune {

class InfoViewController;

// A pager over an ordered list of pages: it starts on the first, goes forward while a next page exists
// and back through each page's back action, and offers the update pages (Mac and phone) that help
// sequences insert.
class BaseTutorialVC : public BasePagerViewController {
public:
    // The page goes back to the one before it in this pager (held weakly), then joins the list.
    void addVC(const std::shared_ptr<BaseViewController>& page);
    // The page before the current one, which becomes current; none on the first page.
    std::shared_ptr<BaseViewController> previousViewController();
    void showNextIfPossible();
    // None for an index outside the list.
    std::shared_ptr<BaseViewController> pageForIndex(int64_t index) const;
    // Rebuilds the pages and shows the first one; nothing more when there is none.
    void start();
    // Subclasses build their pages here; nothing in the base.
    virtual void reloadPages() {}
    // None when the version is known to be up to date.
    std::shared_ptr<InfoViewController> iosUpdateController();
    std::shared_ptr<InfoViewController> macUpdateController();
    // The title of the update pages.
    virtual std::string generalTitle() const { return ""; }
    std::shared_ptr<InfoViewController> updateMacVersion();
    std::shared_ptr<InfoViewController> checkForMacUpdates();
    std::shared_ptr<InfoViewController> updateIosVersion();
    std::shared_ptr<InfoViewController> checkForIosUpdates();

    std::vector<std::shared_ptr<BaseViewController>>& helpScreenArray() { return helpScreenArray_; }
    int64_t currentPageIndex() const { return currentPageIndex_; }
    void setCurrentPageIndex(int64_t index) { currentPageIndex_ = index; }

private:
    Block nextBlock();
    Block checkBlock();

    std::vector<std::shared_ptr<BaseViewController>> helpScreenArray_;
    int64_t currentPageIndex_ = 0;
};

}  // namespace kestrune
