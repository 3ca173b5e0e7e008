#include "engine/evidence/LaptopLidEvidenceSource.h"

#include "app/shell/ThreadHelpers.h"
#include "engine/evidence/CommandLine.h"
#include "platform/base/DispatchQueue.h"
#include "platform/base/NotificationCenter.h"
#include "platform/base/SharedInstance.h"
#include "platform/system/PowerManagement.h"

namespace kestrune {

namespace {
platform::SharedInstance<LaptopLidEvidenceSource> gSource;
}  // namespace

LaptopLidEvidenceSource& LaptopLidEvidenceSource::shared() {
    // The first state is posted once the source is made; an observer may ask for the source then.
    return gSource.get([] { return make(); },
                       [](LaptopLidEvidenceSource& source) { source.postInitialState(); });
}

void LaptopLidEvidenceSource::resetSharedForTesting() {
    gSource.resetForTesting();
}

std::shared_ptr<LaptopLidEvidenceSource> LaptopLidEvidenceSource::make() {
    return std::make_shared<LaptopLidEvidenceSource>();
}

LaptopLidEvidenceSource::LaptopLidEvidenceSource() {
    laptopLidState_ = laptopLidState();
}

void LaptopLidEvidenceSource::postInitialState() {
    platform::NotificationCenter::defaultCenter().post(kLaptopLidStateHasChanged, this);
}

LaptopLidEvidenceSource::~LaptopLidEvidenceSource() {
    stopTrackingLaptopLidChanges();
}

int32_t LaptopLidEvidenceSource::laptopLidState() {
    auto closed = platform::PowerManagement::current()->clamshellState();
    if (!closed) return -1;
    return *closed ? 1 : 0;
}

bool LaptopLidEvidenceSource::laptopLidIsClosed() {
    return laptopLidState() == 1;
}

bool LaptopLidEvidenceSource::ifLidIsClosed() {
    return CommandLine::ifLidIsClosed();
}

bool LaptopLidEvidenceSource::startTrackingLaptopLidChanges() {
    if (notification_) return true;
    serialQueue_ = platform::DispatchQueue::createSerial(kQueueLabel);
    if (!serialQueue_) return false;
    std::weak_ptr<LaptopLidEvidenceSource> weak = weak_from_this();
    notification_ = platform::PowerManagement::current()->addRootDomainInterest(
        serialQueue_, [weak](uint32_t messageType, intptr_t) {
            if (messageType != platform::kMessageClamshellStateChange) return;
            if (auto self = weak.lock()) self->didUpdateLidStateInternalNotification();
        });
    if (!notification_) serialQueue_.reset();
    return notification_ != 0;
}

void LaptopLidEvidenceSource::stopTrackingLaptopLidChanges() {
    // Harmless when the watch was never armed.
    if (notification_) platform::PowerManagement::current()->removeRootDomainInterest(notification_);
    notification_ = 0;
    serialQueue_.reset();
}

void LaptopLidEvidenceSource::didUpdateLidStateInternalNotification() {
    setLaptopLidState(laptopLidState());
}

void LaptopLidEvidenceSource::setLaptopLidState(int32_t state) {
    if (laptopLidState_.exchange(state) == state) return;
    auto self = shared_from_this();
    runOnMainThreadSync([self] {
        platform::NotificationCenter::defaultCenter().post(kLaptopLidStateHasChanged, self.get());
    });
}

}  // namespace kestrune
