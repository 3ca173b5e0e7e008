#include "windows/pagers/BluetoothPagerActions.h"

#include <memory>

#include "app/shell/PerformBlockAfterDelay.h"
#include "app/support/Localizable.h"
#include "link/transport/Bluetooth.h"
#include "platform/base/Log.h"
#include "windows/pagers/LoadingViewController.h"
#include "windows/screens/KSViewControllerFactory.h"

namespace kestrune {

namespace {

// One road: whether Bluetooth has reported back, and whether the road was given up.
struct Road {
    bool reported = false;
    bool givenUp = false;
};

// Ends the loading page when Bluetooth never reports: the service drops a request inside its 8 s
// window, and gives up polling after 40 checks, without a word.
void watch(const std::weak_ptr<BasePagerViewController>& weak, const std::shared_ptr<Road>& road,
           const std::shared_ptr<BaseViewController>& previous, const char* what, Block givenUp = nullptr) {
    performAfterDelay_block(nullptr, pagerbluetooth::kGiveUpAfter, [weak, road, previous, what, givenUp] {
        if (road->reported) return;
        road->givenUp = true;
        auto pager = weak.lock();
        if (!pager) return;
        platform::logf("Pager: Bluetooth did not report back from %s within %.0f s; back to the page before",
                       what, pagerbluetooth::kGiveUpAfter);
        if (givenUp) return givenUp();
        if (previous) pager->showViewController_animation(previous, BasePagerViewController::kLeft);
    });
}

// The caller's completion, run only while the pager lives.
Block whilePagerLives(const std::weak_ptr<BasePagerViewController>& weak, Block completion) {
    return [weak, completion = std::move(completion)] {
        if (weak.lock() && completion) completion();
    };
}

}  // namespace

void restartBluetoothWithCompletion(BasePagerViewController& pager, Block completion) {
    if (Bluetooth::isRestartingBluetooth()) return;
    auto previous = pager.currentViewController();
    auto loading = KSViewControllerFactory::loadingViewWithTitle(localizable("restarting_bluetooth"));
    pager.showViewController_animation(loading, BasePagerViewController::kRight);
    std::weak_ptr<BasePagerViewController> weak = pager.sharedAs<BasePagerViewController>();
    auto road = std::make_shared<Road>();
    Bluetooth::restartBluetoothIfOnWithCompletion([weak, road, loading, completion = std::move(completion)] {
        if (road->givenUp) return;
        road->reported = true;
        if (!weak.lock()) return;
        performAfterDelay_block(nullptr, pagerbluetooth::kRestartedPause, [weak, loading, completion] {
            if (!weak.lock()) return;
            loading->setCompletionAnimation_completion(localizable("bluetooth_restarted"),
                                                       whilePagerLives(weak, completion));
        });
    });
    watch(weak, road, previous, "a restart");
}

void turnOffBluetoothwithCompletion(BasePagerViewController& pager, Block completion, Block givenUp) {
    auto previous = pager.currentViewController();
    auto loading = KSViewControllerFactory::loadingViewWithTitle(localizable("turning_bluetooth_off"));
    pager.showViewController_withAnimationIndex(loading, 0.5);
    std::weak_ptr<BasePagerViewController> weak = pager.sharedAs<BasePagerViewController>();
    auto road = std::make_shared<Road>();
    performAfterDelay_block(
        nullptr, pagerbluetooth::kSwitchOffDelay, [weak, road, loading, completion = std::move(completion)] {
            if (!weak.lock()) return;
            Bluetooth::turnBluetoothOffWithCompletion([weak, road, loading, completion] {
                if (road->givenUp) return;
                road->reported = true;
                if (!weak.lock()) return;
                performAfterDelay_block(
                    nullptr, pagerbluetooth::kSwitchedOffPause, [weak, loading, completion] {
                        if (!weak.lock()) return;
                        loading->setCompletionAnimation_completion(localizable("bluetooth_turned_off"),
                                                                   whilePagerLives(weak, completion));
                    });
            });
        });
    watch(weak, road, previous, "switching off", std::move(givenUp));
}

}  // namespace kestrune
