#include "app/remote/InternetNotifier.h"

namespace kestrune {

InternetNotifier::~InternetNotifier() {
    observation_.remove();
    if (reachability_) reachability_->stopNotifier();
}

void InternetNotifier::setUpRechability() {
    observation_ = platform::NotificationCenter::defaultCenter().addObserver(
        Reachability::kReachabilityChangedNotification, nullptr,
        [this](const platform::Notification& notification) { handleNetworkChange(&notification); });
    reachability_ = Reachability::reachabilityForInternetConnection();
    if (reachability_) reachability_->startNotifier();
    handleNetworkChange(nullptr);
}

void InternetNotifier::handleNetworkChange(const platform::Notification*) {
    const int32_t status =
        reachability_ ? reachability_->currentReachabilityStatus() : Reachability::NotReachable;
    hasInet_ = status == Reachability::ReachableViaWWAN || status == Reachability::ReachableViaWiFi;
    if (auto listener = delegate.lock()) listener->internetNotifier_hasAccesToInternet(*this, hasInet_);
}

}  // namespace kestrune
