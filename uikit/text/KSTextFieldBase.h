#pragma once

#include <memory>
#include <string>

#include "platform/ui/TextField.h"

namespace kestrune {

namespace ui = platform::ui;

// A text field that sets itself up once, at its first layout pass: after an interface layout has
// loaded it and set its properties, so that the style wins over the layout, while changes made by code
// afterwards stay.
class KSTextFieldBase : public ui::TextField {
public:
    void layout() override;
    // Nothing here; the styles set their font and colour.
    virtual void setUpInitialLayout() {}

    bool didLayoutViewsOnce() const { return didLayoutViewsOnce_; }
    void setDidLayoutViewsOnce(bool flag) { didLayoutViewsOnce_ = flag; }

protected:
    void applyStyle(const std::string& fontName, double size, const ui::Color& color);

private:
    bool didLayoutViewsOnce_ = false;
};

}  // namespace kestrune
