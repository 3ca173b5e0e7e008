#include "main/FeatureWiring.h"

#include "app/shell/AppDelegate.h"
#include "app/store/HistoryServices.h"
#include "app/store/PhoneRecordServices.h"
#include "engine/AutoHideNotificationPresenter.h"
#include "engine/CoordinatorServices.h"
#include "engine/coordinator/ActivityControllerFactory.h"
#include "features/FeaturePhoneRecordServices.h"
#include "features/KestruneFeatureServices.h"
#include "features/history/HistoryFeatureServices.h"
#include "features/language/LanguageControllerMac.h"
#include "features/notifications/KSAutoHideNotificationPresenter.h"
#include "platform/sim/camera/SimulatedCamera.h"
#include "windows/history/ActivityChartFactory.h"

namespace kestrune {

void installFeatures(CoordinatorServices& services, AppDelegate* delegate) {
    platform::CaptureBackend::install(platform::SimulatedCamera::createDefault());
    HistoryServices::install(std::make_shared<HistoryFeatureServices>());
    PhoneRecordServices::install(std::make_shared<FeaturePhoneRecordServices>());
    AutoHideNotificationPresenter::install(std::make_shared<KSAutoHideNotificationPresenter>());
    services.features = std::make_shared<KestruneFeatureServices>();
    ActivityControllerFactory::install(std::make_shared<ActivityChartFactory>());
    if (delegate) delegate->languageService = &LanguageControllerMac::shared();
}

void uninstallFeaturesForTesting() {
    platform::CaptureBackend::install(nullptr);
    HistoryServices::install(nullptr);
    PhoneRecordServices::install(nullptr);
    AutoHideNotificationPresenter::install(nullptr);
    ActivityControllerFactory::install(nullptr);
}

}  // namespace kestrune
