#pragma once

#include <memory>

#include "uikit/pagers/BasePagerViewController.h"

namespace kestrune {

class InfoViewController;

// A two-page demonstration of the pager's slides: two notification pages that lead to each other.
class SamplePagerVC : public BasePagerViewController {
public:
    void viewDidLoad() override;
    std::shared_ptr<InfoViewController> initialController();
    std::shared_ptr<InfoViewController> secondController();
};

}  // namespace kestrune
