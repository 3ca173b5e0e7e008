#include "platform/ui/ViewController.h"

#include <functional>
#include <vector>

#include "platform/base/Log.h"
#include "platform/ui/Nib.h"
#include "platform/ui/View.h"

namespace platform::ui {

std::shared_ptr<View> ViewController::view() {
    if (!view_ && !loading_) {
        loading_ = true;
        loadView();
        loading_ = false;
        if (view_) viewDidLoad();
    }
    return view_;
}

void ViewController::setView(const std::shared_ptr<View>& view) {
    if (view_ && view_->viewController().get() == this) view_->setViewController({});
    view_ = view;
    if (view_) view_->setViewController(sharedAs<ViewController>());
}

void ViewController::loadView() {
    if (nibName_.empty()) {
        platform::logf("ViewController: %s has no layout to load its view from", className().c_str());
        return;
    }
    Nib::load(nibName_, sharedAs<UIObject>());
}

namespace {
std::vector<std::shared_ptr<ViewController>> controllersIn(View& root) {
    std::vector<std::shared_ptr<ViewController>> out;
    std::function<void(View&)> walk = [&](View& v) {
        if (auto c = v.viewController()) out.push_back(c);
        for (const auto& sub : v.subviews()) walk(*sub);
    };
    walk(root);
    return out;
}
}  // namespace

void ViewController::treeDidAppear(View& root) {
    auto controllers = controllersIn(root);
    std::erase_if(controllers, [](const auto& c) { return c->appeared_; });
    for (const auto& c : controllers) c->viewWillAppear();
    for (const auto& c : controllers) {
        c->appeared_ = true;
        c->viewDidAppear();
    }
}

void ViewController::treeDidDisappear(View& root) {
    auto controllers = controllersIn(root);
    std::erase_if(controllers, [](const auto& c) { return !c->appeared_; });
    for (const auto& c : controllers) c->viewWillDisappear();
    for (const auto& c : controllers) {
        c->appeared_ = false;
        c->viewDidDisappear();
    }
}

}  // namespace platform::ui
