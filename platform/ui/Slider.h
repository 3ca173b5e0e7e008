#pragma once

#include <memory>

#include "platform/ui/Control.h"

namespace platform::ui {

class Slider;

// The drawing of a slider, replaceable piece by piece: the bar, the knob, the focus ring.
class SliderCell : public UIObject {
public:
    virtual ~SliderCell() = default;
    Slider* controlView() const { return slider_; }
    void setControlView(Slider* slider) { slider_ = slider; }

    double knobThickness() const { return 20; }
    virtual Rect barRectFlipped(bool flipped) const;
    virtual Rect knobRectFlipped(bool flipped) const;
    virtual void drawBarInside_flipped(Rect rect, bool flipped);
    virtual void drawKnob(Rect knobRect);
    // The shape of the slider's focus ring: its knob.
    virtual void drawFocusRingMaskWithFrame_inView(Rect frame, View* view);
    // The bar, then the knob.
    virtual void drawWithFrame_inView(Rect frame, View* view);

private:
    Slider* slider_ = nullptr;
};

// A horizontal (or vertical) slider. A press moves the value to the pointer and tracks the pointer in a
// modal loop over the application's event queue until the button goes up or the queue is empty.
class Slider : public Control {
public:
    static std::shared_ptr<Slider> create(Rect frame = {}) { return make<Slider>(frame); }
    void initWithFrame(Rect frame) override;
    void initFromNib(NibArgs& args) override;

    double minValue() const { return min_; }
    void setMinValue(double v) { min_ = v, setNeedsDisplay(true); }
    double maxValue() const { return max_; }
    void setMaxValue(double v) { max_ = v, setNeedsDisplay(true); }
    void setDoubleValue(double value) override;
    int numberOfTickMarks() const { return ticks_; }
    void setNumberOfTickMarks(int n) { ticks_ = n, setNeedsDisplay(true); }
    bool allowsTickMarkValuesOnly() const { return ticksOnly_; }
    void setAllowsTickMarkValuesOnly(bool flag) { ticksOnly_ = flag; }
    bool isVertical() const { return frame().height() > frame().width(); }
    double knobThickness() const { return cell_ ? cell_->knobThickness() : 20; }
    // The value's place between minimum and maximum (0..1).
    double fraction() const;

    const std::shared_ptr<SliderCell>& cell() const { return cell_; }
    void setCell(std::shared_ptr<SliderCell> cell);

    void mouseDown(const Event& e) override;
    void drawRect(Rect dirty) override;
    // The cell's mask.
    void drawFocusRingMask() override;

private:
    void trackTo(Point windowLocation);
    double min_ = 0;
    double max_ = 1;
    int ticks_ = 0;
    bool ticksOnly_ = false;
    std::shared_ptr<SliderCell> cell_;
};

// A bar or spinner showing progress; animation is a flag here.
class ProgressIndicator : public View {
public:
    enum class Style { Bar = 0, Spinning = 1 };
    static std::shared_ptr<ProgressIndicator> create(Rect frame = {}) {
        return make<ProgressIndicator>(frame);
    }

    Style style() const { return style_; }
    void setStyle(Style s) { style_ = s, setNeedsDisplay(true); }
    bool isIndeterminate() const { return indeterminate_; }
    void setIndeterminate(bool flag) { indeterminate_ = flag, setNeedsDisplay(true); }
    double minValue() const { return min_; }
    void setMinValue(double v) { min_ = v; }
    double maxValue() const { return max_; }
    void setMaxValue(double v) { max_ = v; }
    double doubleValue() const { return value_; }
    void setDoubleValue(double v) { value_ = v, setNeedsDisplay(true); }
    void incrementBy(double delta) { setDoubleValue(value_ + delta); }
    bool isDisplayedWhenStopped() const { return displayedWhenStopped_; }
    void setDisplayedWhenStopped(bool flag) { displayedWhenStopped_ = flag, setNeedsDisplay(true); }
    bool isAnimating() const { return animating_; }
    void startAnimation(Responder* sender = nullptr);
    void stopAnimation(Responder* sender = nullptr);
    void drawRect(Rect dirty) override;

private:
    Style style_ = Style::Bar;
    bool indeterminate_ = true;
    double min_ = 0, max_ = 100, value_ = 0;
    bool displayedWhenStopped_ = true;
    bool animating_ = false;
};

}  // namespace platform::ui
