#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "uikit/lists/ListCellViewModel.h"

namespace kestrune {

// A row with a slider: its range and value, the text shown for a value, and what to do with the value
// the user let go at.
class SliderCellVM : public ListCellViewModel {
public:
    static std::shared_ptr<SliderCellVM> init() { return std::make_shared<SliderCellVM>(); }
    std::string className() const override { return "SliderCellVM"; }

    int32_t minValue() const { return minValue_; }
    void setMinValue(int32_t v) { minValue_ = v; }
    int32_t maxValue() const { return maxValue_; }
    void setMaxValue(int32_t v) { maxValue_ = v; }
    int32_t currentValue() const { return currentValue_; }
    void setCurrentValue(int32_t v) { currentValue_ = v; }
    const std::function<std::string(int32_t)>& textValueFunc() const { return textValueFunc_; }
    void setTextValueFunc(std::function<std::string(int32_t)> f) { textValueFunc_ = std::move(f); }
    const std::function<void(int32_t)>& didUpdate() const { return didUpdate_; }
    void setDidUpdate(std::function<void(int32_t)> f) { didUpdate_ = std::move(f); }

private:
    int32_t minValue_ = 0;
    int32_t maxValue_ = 0;
    int32_t currentValue_ = 0;
    std::function<std::string(int32_t)> textValueFunc_;
    std::function<void(int32_t)> didUpdate_;
};

}  // namespace kestrune
