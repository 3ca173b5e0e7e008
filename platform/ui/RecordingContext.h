#pragma once

#include <string>
#include <vector>

#include "platform/ui/GraphicsContext.h"

namespace platform::ui {

// A view's drawing as text, one operation a line ("fill rect(0 0 10 10) rgba(1,0,0,1)"): what tests
// compare. Colours are recorded when something is drawn with them, so a list reads on its own.
using DisplayList = std::vector<std::string>;

class RecordingContext : public GraphicsContext {
public:
    explicit RecordingContext(bool flipped = false) : flipped_(flipped) {}

    const DisplayList& displayList() const { return list_; }
    DisplayList takeDisplayList() { return std::move(list_); }

    bool isFlipped() const override { return flipped_; }
    void saveGState() override;
    void restoreGState() override;
    void concatCTM(const AffineTransform& t) override;
    void clipToPath(const BezierPath& path) override;
    void setFillColor(const Color& color) override { state_.fill = color; }
    void setStrokeColor(const Color& color) override { state_.stroke = color; }
    void setShadow(const std::optional<Shadow>& shadow) override;
    void setCompositingOperation(CompositingOperation op) override { state_.op = op; }
    void setAlpha(double alpha) override;
    void beginTransparencyLayer() override;
    void endTransparencyLayer() override;
    void fillPath(const BezierPath& path) override;
    void strokePath(const BezierPath& path) override;
    void drawLinearGradient(const Gradient& gradient, const BezierPath& path, double angle) override;
    void drawImage(const Image& image, Rect rect, Rect from, CompositingOperation op,
                   double fraction) override;
    void drawText(const AttributedString& text, Rect rect) override;
    void drawFocusRing(Rect maskBounds, const std::function<void()>& drawMask, const Color& color) override;

private:
    struct State {
        Color fill = Color::blackColor();
        Color stroke = Color::blackColor();
        CompositingOperation op = CompositingOperation::SourceOver;
    };
    void add(std::string line) { list_.push_back(std::move(line)); }
    bool flipped_;
    State state_;
    std::vector<State> stack_;
    std::vector<State> layers_;
    DisplayList list_;
};

const char* compositingName(CompositingOperation op);

}  // namespace platform::ui
