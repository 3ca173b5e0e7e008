#include "menubar/photos/PopoverModelFactory.h"

#include "app/support/Localizable.h"

namespace kestrune {

namespace {
std::string joined(const char* first, const char* second) {
    return localizable(first) + " " + localizable(second);
}
}  // namespace

PopoverModel::Action PopoverModelFactory::report(int32_t option) {
    auto self = shared_from_this();
    return [self, option](PopoverModel&) {
        if (auto d = self->delegate()) d->popoverModelFactory_didSelectOption(*self, option);
    };
}

void PopoverModelFactory::setOkForFirstButton(PopoverModel& model) {
    model.button1Title = localizable("ok");
    model.button1Action = report(kOptionOk);
}

void PopoverModelFactory::setLearnMoreForLoginPhotos(PopoverModel& model) {
    model.button2Title = localizable("learn_more");
    model.button2Action = report(kOptionLearnMoreLoginPhotos);
}

void PopoverModelFactory::setLearnMoreForFailedLoginAttemptsPhotos(PopoverModel& model) {
    model.button2Title = localizable("learn_more");
    model.button2Action = report(kOptionLearnMoreFailedLoginPhotos);
}

std::shared_ptr<PopoverModel> PopoverModelFactory::popoverModelForType(int32_t type) {
    if (type == 0) return nullptr;
    auto model = PopoverModel::init();
    model->button2Title = localizable("close");
    model->button2Action = report(kOptionClose);
    switch (type) {
        case 3:
            model->popoverDescriptionLong = localizable("feature_not_supported_on_sierra");
            model->popoverDescriptionShort = localizable("feature_not_supported_on_sierra_short");
            setOkForFirstButton(*model);
            setLearnMoreForFailedLoginAttemptsPhotos(*model);
            break;
        case 4:
        case 5:
            model->popoverDescriptionLong = localizable("no_suitable_camera");
            model->popoverDescriptionShort = localizable("no_camera_detected");
            setOkForFirstButton(*model);
            if (type == 4)
                setLearnMoreForFailedLoginAttemptsPhotos(*model);
            else
                setLearnMoreForLoginPhotos(*model);
            break;
        case 6:
            model->popoverDescriptionLong = joined("login_photo_not_enabled", "enable_in_mac_control");
            model->popoverDescriptionShort = localizable("not_enabled");
            model->button1Title = localizable("enable");
            model->button1Action = report(kOptionEnableLoginPhotos);
            setLearnMoreForLoginPhotos(*model);
            break;
        case 7:
            model->popoverDescriptionShort =
                joined("failed_login_attempt_not_enabled", "enable_in_mac_control");
            model->button1Title = localizable("enable");
            model->button1Action = report(kOptionEnableFailedLoginPhotos);
            setLearnMoreForFailedLoginAttemptsPhotos(*model);
            break;
        case 8:
        case 9:
            model->popoverDescriptionLong = localizable("disable_in_mac_control");
            model->popoverDescriptionShort = "";
            setOkForFirstButton(*model);
            if (type == 8)
                setLearnMoreForLoginPhotos(*model);
            else
                setLearnMoreForFailedLoginAttemptsPhotos(*model);
            break;
        default:
            // Types without texts of their own (1, 2 and those above 9) only close.
            break;
    }
    return model;
}

}  // namespace kestrune
