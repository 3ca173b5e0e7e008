#pragma once

#include <cstdint>

namespace kestrune {

class FinishViewController;

// Hears the last page's choice (the page sends 1: show the tutorial again).
class FinishViewControllerDelegate {
public:
    virtual ~FinishViewControllerDelegate() = default;
    virtual void finishViewController_didSelectOption(FinishViewController& page, int32_t option) = 0;
};

}  // namespace kestrune
