#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "app/shell/ThreadHelpers.h"
#include "platform/base/NotificationCenter.h"
#include "platform/ui/Image.h"
#include "platform/ui/ViewController.h"

namespace kestrune {

namespace ui = platform::ui;

// The base of every page shown in the settings window's detail pane, the pagers and the list pages. It
// loads the layout named by `nibName` or else by its class, reloads its texts whenever the interface
// language changes, runs the appear and disappear closures its owner attaches, and tells pages apart
// by their comparison identifier.
class BaseViewController : public ui::ViewController {
public:
    static constexpr const char* kLanguageDidChangeNotification = "update_language";
    using BackAction = std::function<std::shared_ptr<BaseViewController>()>;

    // Made and initialised: the page's view exists when this returns.
    template <typename T = BaseViewController>
    static std::shared_ptr<T> create() {
        auto page = std::make_shared<T>();
        page->init();
        return page;
    }
    ~BaseViewController() override;

    virtual void init();
    bool isVisible() const { return viewIsVisible_; }
    void viewDidLoad() override;
    // The green strip along the bottom edge of the page.
    void addBottomSeparator();
    void viewWillAppear() override;
    // Once, before the page first appears.
    virtual void viewDidLayoutSubviews() {}
    void viewDidDisappear() override;
    void viewDidAppear() override;
    void setViewWillAppearHandler(Block action) { viewWillAppearAction_ = std::move(action); }
    void setViewVisibilityHandler(std::function<void(bool)> action) {
        viewVisibilityAction_ = std::move(action);
    }
    void setViewDidDissapearHandler(Block action) { viewDidDissapearAction_ = std::move(action); }
    void setViewDidAppearHandler(Block action) { viewDidAppearAction_ = std::move(action); }
    // Two pages with comparison identifiers are equal when the identifiers are; otherwise only a page
    // equals itself. The hash agrees.
    bool isEqual(const BaseViewController& other) const;
    size_t hash() const;
    // The layout this page loads: its `nibName` when such a layout exists, else its class name when
    // that does, else none.
    std::optional<std::string> comutedNibName() const;
    // A page made inside a layout.
    void initFromNib(ui::NibArgs& args) override;
    void initWithNibName_bundle(const std::string& nibName) override;
    virtual void initialize();
    // The layout a subclass names; none here.
    virtual std::optional<std::string> nibName() const { return std::nullopt; }
    std::shared_ptr<ui::View> mainView() { return view(); }
    void registerForLanguageUpdateNotifications();
    void setBackgroundImage(const std::shared_ptr<ui::Image>& image);
    // The layout's view (a plain view when the page has no layout), then the texts.
    void loadView() override;
    // Every page sets its texts here; nothing in the base.
    virtual void updateStrings() {}
    // False: the navigation pops the page. A page that handles the back button itself answers true.
    virtual bool performCustomActionOnBackButtonToggled() { return false; }
    // The title the navigation shows above the page: the title description here.
    virtual std::optional<std::string> titleDescriptionText() const { return titleDescription_; }
    void setBackActionViewController(BackAction action);

    bool viewIsVisible() const { return viewIsVisible_; }
    bool didLayoutSubviews() const { return didLayoutSubviews_; }
    const std::optional<std::string>& titleDescription() const { return titleDescription_; }
    void setTitleDescription(std::optional<std::string> text) { titleDescription_ = std::move(text); }
    const std::optional<std::string>& comparisonIdentifier() const { return comparisonIdentifier_; }
    void setComparisonIdentifier(std::optional<std::string> id) { comparisonIdentifier_ = std::move(id); }
    BackAction backActionVC() const;

private:
    bool viewIsVisible_ = false;
    bool didLayoutSubviews_ = false;
    std::optional<std::string> titleDescription_;
    std::optional<std::string> comparisonIdentifier_;
    mutable std::mutex backActionMutex_;
    BackAction backActionVC_;
    Block viewWillAppearAction_;
    Block viewDidDissapearAction_;
    Block viewDidAppearAction_;
    std::function<void(bool)> viewVisibilityAction_;
    // Ends with the page.
    platform::NotificationCenter::Observation languageObservation_;
};

}  // namespace kestrune
