#pragma once

#include <cstdint>
#include <memory>

#include "menubar/photos/PopoverModel.h"
#include "menubar/photos/PopoverModelFactoryDelegate.h"

namespace kestrune {

// Builds the photo window's information popovers by type, and reports each button press to its
// delegate as an option. A model's buttons keep the factory alive.
class PopoverModelFactory : public std::enable_shared_from_this<PopoverModelFactory> {
public:
    enum Option : int32_t {
        kOptionOk = 0,
        kOptionEnableLoginPhotos = 1,
        kOptionEnableFailedLoginPhotos = 2,
        kOptionClose = 3,
        kOptionLearnMoreLoginPhotos = 4,
        kOptionLearnMoreFailedLoginPhotos = 5,
    };

    static std::shared_ptr<PopoverModelFactory> init() { return std::make_shared<PopoverModelFactory>(); }

    // None for type 0. Types 3 to 9 have their texts and buttons; any other type only closes.
    std::shared_ptr<PopoverModel> popoverModelForType(int32_t type);
    void setOkForFirstButton(PopoverModel& model);
    void setLearnMoreForLoginPhotos(PopoverModel& model);
    void setLearnMoreForFailedLoginAttemptsPhotos(PopoverModel& model);

    std::shared_ptr<PopoverModelFactoryDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<PopoverModelFactoryDelegate> delegate) { delegate_ = std::move(delegate); }

private:
    PopoverModel::Action report(int32_t option);

    std::weak_ptr<PopoverModelFactoryDelegate> delegate_;
};

}  // namespace kestrune
