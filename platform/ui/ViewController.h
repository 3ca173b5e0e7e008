#pragma once

#include <memory>
#include <string>

#include "platform/base/Value.h"
#include "platform/ui/Responder.h"

namespace platform::ui {

class View;

// Owns a view (made in code or loaded from a layout named after the controller) and hears when it
// appears in and disappears from a visible window.
class ViewController : public Responder {
public:
    template <typename T = ViewController>
    static std::shared_ptr<T> createWithNibName(const std::string& nibName) {
        auto controller = std::make_shared<T>();
        controller->initWithNibName_bundle(nibName);
        return controller;
    }

    virtual void initWithNibName_bundle(const std::string& nibName) { nibName_ = nibName; }
    const std::string& nibName() const { return nibName_; }

    // Loads the view on first use (loadView, then viewDidLoad).
    std::shared_ptr<View> view();
    virtual void setView(const std::shared_ptr<View>& view);
    bool isViewLoaded() const { return view_ != nullptr; }
    // Loads the layout of nibName with this controller as owner; the layout sets the view.
    virtual void loadView();
    virtual void viewDidLoad() {}

    virtual void viewWillAppear() {}
    virtual void viewDidAppear() {}
    virtual void viewWillDisappear() {}
    virtual void viewDidDisappear() {}
    bool isAppeared() const { return appeared_; }

    const std::string& title() const { return title_; }
    void setTitle(std::string title) { title_ = std::move(title); }
    const platform::Value& representedObject() const { return represented_; }
    virtual void setRepresentedObject(platform::Value value) { represented_ = std::move(value); }

    // A tree entered or left a visible window: its controllers hear will, then did, in tree order.
    static void treeDidAppear(View& root);
    static void treeDidDisappear(View& root);

private:
    std::string nibName_;
    std::shared_ptr<View> view_;
    std::string title_;
    platform::Value represented_;
    bool appeared_ = false;
    bool loading_ = false;
};

}  // namespace platform::ui
