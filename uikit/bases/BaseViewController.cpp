#include "uikit/bases/BaseViewController.h"

#include "platform/base/Log.h"
#include "platform/ui/Nib.h"
#include "platform/ui/View.h"
#include "uikit/views/BackgroundColor.h"
#include "uikit/views/CustomColor.h"
#include "uikit/views/ViewAdditions.h"

namespace kestrune {

namespace {
// The size of a page made without a layout; the navigation fits it into its pane.
const ui::Rect kPlainPageFrame{0, 0, 480, 400};
}  // namespace

BaseViewController::~BaseViewController() = default;

void BaseViewController::init() {
    // Looked up once more: a layout found by either name is loaded, else the page has none.
    if (auto name = comutedNibName()) ViewController::initWithNibName_bundle(*name);
    initialize();
}

void BaseViewController::initWithNibName_bundle(const std::string& nibName) {
    ViewController::initWithNibName_bundle(nibName);
    initialize();
}

void BaseViewController::initFromNib(ui::NibArgs& args) {
    ViewController::initFromNib(args);
    initialize();
}

void BaseViewController::initialize() {
    registerForLanguageUpdateNotifications();
    auto loaded = view();
    platform::logDebugf("Loading view: %s", loaded ? loaded->className().c_str() : "(none)");
}

std::optional<std::string> BaseViewController::comutedNibName() const {
    if (auto named = nibName(); named && ui::NibRegistry::has(*named)) return named;
    const std::string ownClass = className();
    if (ui::NibRegistry::has(ownClass)) return ownClass;
    return std::nullopt;
}

void BaseViewController::registerForLanguageUpdateNotifications() {
    std::weak_ptr<BaseViewController> weak = sharedAs<BaseViewController>();
    languageObservation_ = platform::NotificationCenter::defaultCenter().addObserver(
        kLanguageDidChangeNotification, nullptr, [weak](const platform::Notification&) {
            if (auto page = weak.lock()) page->updateStrings();
        });
}

void BaseViewController::loadView() {
    if (!ViewController::nibName().empty()) ViewController::loadView();
    if (!isViewLoaded()) setView(ui::View::create(kPlainPageFrame));
    updateStrings();
}

void BaseViewController::viewDidLoad() {
    ViewController::viewDidLoad();
}

void BaseViewController::addBottomSeparator() {
    auto page = view();
    if (!page) return;
    auto separator = ui::View::create({0, 0, page->frame().width(), 5.0});
    setBackgouroundColor(*separator, kestruneGreen());
    page->addSubview(separator);
    separator->setAutoresizingMask(ui::kViewWidthSizable);
}

void BaseViewController::viewWillAppear() {
    ViewController::viewWillAppear();
    if (!didLayoutSubviews_) {
        didLayoutSubviews_ = true;
        viewDidLayoutSubviews();
    }
    if (viewWillAppearAction_) viewWillAppearAction_();
}

void BaseViewController::viewDidAppear() {
    ViewController::viewDidAppear();
    viewIsVisible_ = true;
    if (viewDidAppearAction_) viewDidAppearAction_();
    if (viewVisibilityAction_) viewVisibilityAction_(true);
}

void BaseViewController::viewDidDisappear() {
    ViewController::viewDidDisappear();
    viewIsVisible_ = false;
    if (viewDidDissapearAction_) viewDidDissapearAction_();
    if (viewVisibilityAction_) viewVisibilityAction_(false);
}

bool BaseViewController::isEqual(const BaseViewController& other) const {
    if (comparisonIdentifier_ && other.comparisonIdentifier_ &&
        *comparisonIdentifier_ == *other.comparisonIdentifier_)
        return true;
    return this == &other;
}

size_t BaseViewController::hash() const {
    return comparisonIdentifier_ ? std::hash<std::string>{}(*comparisonIdentifier_)
                                 : std::hash<const void*>{}(static_cast<const void*>(this));
}

void BaseViewController::setBackgroundImage(const std::shared_ptr<ui::Image>& image) {
    if (auto page = view()) kestrune::setBackgroundImage(*page, image);
}

void BaseViewController::setBackActionViewController(BackAction action) {
    std::lock_guard lock(backActionMutex_);
    backActionVC_ = std::move(action);
}

BaseViewController::BackAction BaseViewController::backActionVC() const {
    std::lock_guard lock(backActionMutex_);
    return backActionVC_;
}

}  // namespace kestrune
