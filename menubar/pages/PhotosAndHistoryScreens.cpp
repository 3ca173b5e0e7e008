#include "menubar/pages/PhotosAndHistoryScreens.h"

#include "platform/base/BackendSlot.h"

namespace kestrune {

std::shared_ptr<PhotosAndHistoryScreens> PhotosAndHistoryScreens::current() {
    return platform::backendSlot<PhotosAndHistoryScreens>().get();
}

void PhotosAndHistoryScreens::install(std::shared_ptr<PhotosAndHistoryScreens> screens) {
    platform::backendSlot<PhotosAndHistoryScreens>().set(std::move(screens));
}

}  // namespace kestrune
