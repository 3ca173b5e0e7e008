#include "engine/session/LoginItemsManager.h"

#include "app/shell/PerformBlockAfterDelay.h"
#include "app/shell/ThreadHelpers.h"
#include "platform/base/DispatchQueue.h"
#include "platform/base/Log.h"
#include "platform/base/NotificationCenter.h"
#include "platform/base/SharedInstance.h"
#include "platform/storage/UserDefaults.h"
#include "platform/system/Bundle.h"

namespace kestrune {

namespace {

platform::SharedInstance<LoginItemsManager> gSharedLoginItemsManager;

std::shared_ptr<platform::LoginItemsList> openList() {
    return platform::DesktopServices::current()->openSessionLoginItems();
}

std::string applicationPath() {
    return platform::Bundle::main().bundlePath();
}

}  // namespace

LoginItemsManager& LoginItemsManager::shared() {
    return gSharedLoginItemsManager.get([] { return make(); });
}

void LoginItemsManager::resetSharedForTesting() {
    gSharedLoginItemsManager.resetForTesting();
}

std::shared_ptr<LoginItemsManager> LoginItemsManager::make() {
    auto manager = std::make_shared<LoginItemsManager>();
    manager->updateLastKnownState();
    return manager;
}

LoginItemsManager::LoginItemsManager()
    : queue_(platform::DispatchQueue::createSerial("com.kestrune.Kestrune.LoginItems")) {}

LoginItemsManager::~LoginItemsManager() {
    stopTrackingLoginItems();
}

void LoginItemsManager::onQueue(std::function<void(LoginItemsManager&)> work) {
    // The queued work holds the manager weakly: a manager that has gone does nothing.
    queue_->async([weak = weak_from_this(), work = std::move(work)] {
        if (auto self = weak.lock()) work(*self);
    });
}

std::optional<platform::LoginItem> LoginItemsManager::itemRefInLoginItems(
    const std::shared_ptr<platform::LoginItemsList>& list) {
    if (!list) return std::nullopt;
    const std::string path = applicationPath();
    for (const auto& item : list->snapshot())
        if (item.resolvedPath && *item.resolvedPath == path) return item;
    return std::nullopt;
}

bool LoginItemsManager::isLaunchAtStartup() {
    bool found = itemRefInLoginItems(openList()).has_value();
    lastKnownIsLauncOnStartup_ = found;
    return found;
}

void LoginItemsManager::addAppToLoginItems() {
    if (auto list = openList()) list->insertLast(applicationPath());
}

void LoginItemsManager::removeAppFromLoginItems() {
    auto list = openList();
    if (auto item = itemRefInLoginItems(list)) list->remove(item->identifier);
}

void LoginItemsManager::setup() {
    refreshLaunchAtStartup();
    setLaunchOnStartupOnVeryFirstLaunch();
    startTrackingLoginItems();
}

void LoginItemsManager::refreshLaunchAtStartup() {
    onQueue([](LoginItemsManager& self) {
        if (!self.isLaunchAtStartup()) return;
        self.removeAppFromLoginItems();
        self.addAppToLoginItems();
    });
}

void LoginItemsManager::setLaunchOnStartupOnVeryFirstLaunch() {
    onQueue([](LoginItemsManager& self) {
        auto defaults = platform::UserDefaults::standard();
        if (defaults->boolForKey(kLoginItemsAddedDefaultsKey)) return;
        defaults->setBool_forKey(true, kLoginItemsAddedDefaultsKey);
        defaults->synchronize();
        if (!self.isLaunchAtStartup()) self.toggleLaunchAtStartup();
    });
}

void LoginItemsManager::toggleLaunchAtStartup() {
    toggleLaunchAtStartupWithCompletion(nullptr);
}

void LoginItemsManager::toggleLaunchAtStartupWithCompletion(std::function<void(bool)> completion) {
    onQueue([completion = std::move(completion)](LoginItemsManager& self) {
        bool wasInList = self.isLaunchAtStartup();
        auto list = openList();
        if (!list) {
            if (completion) runOnMainQueueAsync([completion] { completion(false); });
            return;
        }
        if (wasInList) {
            if (auto item = itemRefInLoginItems(list)) list->remove(item->identifier);
        } else {
            list->insertLast(applicationPath());
        }
        list.reset();
        if (completion)
            runOnMainQueueAsync(
                [completion] { performStaticBlock_afterDelay([completion] { completion(true); }, 0.2); });
    });
}

void LoginItemsManager::startTrackingLoginItems() {
    if (trackedList_) return;
    trackedList_ = openList();
    if (!trackedList_) return;
    trackedObserver_ = trackedList_->addObserver([weak = weak_from_this()] {
        if (auto self = weak.lock()) self->loginItemsChanged();
    });
}

void LoginItemsManager::stopTrackingLoginItems() {
    if (!trackedList_) return;
    trackedList_->removeObserver(trackedObserver_);
    trackedList_.reset();
    trackedObserver_ = 0;
}

void LoginItemsManager::loginItemsChanged() {
    onQueue([](LoginItemsManager& self) { self.didAddAppToLoginItems(self.isLaunchAtStartup()); });
}

void LoginItemsManager::didAddAppToLoginItems(bool added) {
    auto self = shared_from_this();
    runOnMainThreadSync([self, added] {
        platform::logf("Did update launch at startup");
        platform::NotificationCenter::defaultCenter().post(
            added ? kApplicationLoginItemsAdded : kApplicationLoginItemsRemoved, self.get());
    });
}

void LoginItemsManager::updateLastKnownState() {
    onQueue([](LoginItemsManager& self) { self.isLaunchAtStartup(); });
}

}  // namespace kestrune
