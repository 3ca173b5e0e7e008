#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/coordinator/NavigationDelegate.h"
#include "menubar/lists/ListViewModelController.h"

namespace kestrune {

// The base of every settings page: it makes the page's list controller on first use and rebuilds the
// whole list from the current settings whenever the page appears, whenever it is asked while the page is
// shown, and after every row action (`reloadData`). Rows are never patched. What the user chooses goes
// to the navigation delegate, held weakly.
class BaseMenuItemManager : public std::enable_shared_from_this<BaseMenuItemManager> {
public:
    using Rows = std::vector<std::shared_ptr<ListCellViewModel>>;

    template <typename T>
    static std::shared_ptr<T> create(std::weak_ptr<NavigationDelegate> delegate) {
        auto manager = std::make_shared<T>();
        manager->initWithDelegate(std::move(delegate));
        return manager;
    }
    virtual ~BaseMenuItemManager() = default;

    virtual void initWithDelegate(std::weak_ptr<NavigationDelegate> delegate);
    // The page for the detail pane: made once, then the same controller.
    std::shared_ptr<ListViewModelController> getViewController();
    void updateViewControllerWithViewModel();
    // The page's view is in the window.
    bool viewControllerIsShown() const;
    void updateViewDataIfNeeded();
    // Rebuilds when the page is shown or when forced, once the controller exists.
    void updateViewDataIfNeededForced(bool force);
    void reloadData();

    // The page's rows, built afresh from the current settings.
    virtual Rows createViewModel() = 0;
    // The title above the page; none in the base.
    virtual std::string createTitleText() { return ""; }

    std::shared_ptr<NavigationDelegate> delegate() const { return delegate_.lock(); }
    const std::shared_ptr<ListViewModelController>& listViewModelController() const {
        return listViewModelController_;
    }

protected:
    // A closure that runs `action` with this manager while it lives, and does nothing after.
    template <typename Self, typename F>
    Block weakly(F action) {
        std::weak_ptr<Self> weak = std::static_pointer_cast<Self>(shared_from_this());
        return [weak, action = std::move(action)] {
            if (auto self = weak.lock()) action(*self);
        };
    }
    // A closure that calls one operation of the navigation delegate; with `reload` the page is rebuilt
    // after it.
    Block navigate(void (NavigationDelegate::*operation)(), bool reload = false);

private:
    std::weak_ptr<NavigationDelegate> delegate_;
    std::shared_ptr<ListViewModelController> listViewModelController_;
};

}  // namespace kestrune
