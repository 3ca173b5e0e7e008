#pragma once

#include <memory>

#include "features/history/LoginLogoutFilterModel.h"
#include "platform/ui/Button.h"
#include "platform/ui/TextField.h"
#include "platform/ui/ViewController.h"

namespace kestrune {

namespace ui = platform::ui;

class FilterController;

// Hears every change of the filter bar.
class FilterControllerDelegate {
public:
    virtual ~FilterControllerDelegate() = default;
    virtual void filterControllerDidUpdateFilter(FilterController& controller) = 0;
};

// The history window's filter bar: one toggle per kind of row, drawn half transparent while its kind
// is hidden.
class FilterController : public ui::ViewController {
public:
    static constexpr double kHiddenAlpha = 0.5;

    // Loaded from its layout "FilterController"; its view exists when this returns.
    static std::shared_ptr<FilterController> create();

    void viewDidLoad() override;
    void startFilterToggled(ui::Control& sender);
    void loginFilterToggled(ui::Control& sender);
    void logoutFilterToggled(ui::Control& sender);
    void sessionFilterToggled(ui::Control& sender);
    void failedLoginFilterToggled(ui::Control& sender);
    // Redraws the buttons, then tells the delegate.
    void didUpdateFilter();
    void updateViewForFilterModel(const LoginLogoutFilterModel& model);

    const std::shared_ptr<LoginLogoutFilterModel>& filterModel() const { return filterModel_; }
    // Stores the model and redraws.
    void setFilterModel(std::shared_ptr<LoginLogoutFilterModel> model);
    std::shared_ptr<FilterControllerDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<FilterControllerDelegate> delegate) { delegate_ = std::move(delegate); }

    // Outlets.
    std::shared_ptr<ui::Button> startButton;
    std::shared_ptr<ui::Button> loginButton;
    std::shared_ptr<ui::Button> logoutButton;
    std::shared_ptr<ui::Button> sessionButton;
    std::shared_ptr<ui::Button> failedLoginButton;
    std::shared_ptr<ui::TextField> filterLabel;

private:
    std::shared_ptr<LoginLogoutFilterModel> filterModel_ = LoginLogoutFilterModel::init();
    std::weak_ptr<FilterControllerDelegate> delegate_;
};

}  // namespace kestrune
