#include "features/history/LoginLogoutFilterModel.h"

namespace kestrune {

std::shared_ptr<LoginLogoutFilterModel> LoginLogoutFilterModel::sessionDurationFilter() {
    auto model = init();
    model->startFilterOn = true;
    model->loginFilterOn = true;
    model->logoutFilterOn = true;
    model->failedLoginFilterOn = true;
    model->sessionDurationFilterOn = false;
    return model;
}

}  // namespace kestrune
