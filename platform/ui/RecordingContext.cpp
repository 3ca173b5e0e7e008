#include "platform/ui/RecordingContext.h"

#include <cstdarg>
#include <cstdio>

namespace platform::ui {

namespace {
std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char* fmt, ...) {
    char buf[512];
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(buf, sizeof buf, fmt, args);
    va_end(args);
    return buf;
}
std::string rectText(Rect r) {
    return format("%g %g %g %g", r.minX(), r.minY(), r.width(), r.height());
}
}  // namespace

const char* compositingName(CompositingOperation op) {
    switch (op) {
        case CompositingOperation::Clear:
            return "clear";
        case CompositingOperation::Copy:
            return "copy";
        case CompositingOperation::SourceOver:
            return "sourceOver";
        case CompositingOperation::SourceIn:
            return "sourceIn";
        case CompositingOperation::SourceOut:
            return "sourceOut";
        case CompositingOperation::SourceAtop:
            return "sourceAtop";
        case CompositingOperation::DestinationOver:
            return "destinationOver";
        case CompositingOperation::DestinationIn:
            return "destinationIn";
        case CompositingOperation::DestinationOut:
            return "destinationOut";
        case CompositingOperation::DestinationAtop:
            return "destinationAtop";
        case CompositingOperation::Xor:
            return "xor";
        case CompositingOperation::PlusLighter:
            return "plusLighter";
        case CompositingOperation::PlusDarker:
            return "plusDarker";
    }
    return "?";
}

void RecordingContext::saveGState() {
    stack_.push_back(state_);
    add("save");
}

void RecordingContext::restoreGState() {
    if (stack_.empty()) return;  // an unbalanced restore is ignored, as the platform does
    state_ = stack_.back();
    stack_.pop_back();
    add("restore");
}

void RecordingContext::concatCTM(const AffineTransform& t) {
    add(format("concat %g %g %g %g %g %g", t.a, t.b, t.c, t.d, t.tx, t.ty));
}

void RecordingContext::clipToPath(const BezierPath& path) {
    add("clip " + path.description());
}

void RecordingContext::setShadow(const std::optional<Shadow>& s) {
    if (!s) return add("shadow none");
    add(format("shadow %g %g %g ", s->shadowOffset.width, s->shadowOffset.height, s->shadowBlurRadius) +
        s->effectiveColor().description());
}

void RecordingContext::setAlpha(double alpha) {
    add(format("alpha %g", alpha));
}

void RecordingContext::beginTransparencyLayer() {
    layers_.push_back(state_);
    state_.op = CompositingOperation::SourceOver;
    add("begin transparency layer");
}

void RecordingContext::endTransparencyLayer() {
    if (layers_.empty()) return;
    state_ = layers_.back();
    layers_.pop_back();
    add("end transparency layer");
}

void RecordingContext::fillPath(const BezierPath& path) {
    std::string line = "fill " + path.description() + " " + state_.fill.description();
    if (state_.op != CompositingOperation::SourceOver) line += std::string(" ") + compositingName(state_.op);
    add(line);
}

void RecordingContext::strokePath(const BezierPath& path) {
    add("stroke " + path.description() + format(" width %g ", path.lineWidth()) +
        state_.stroke.description());
}

void RecordingContext::drawLinearGradient(const Gradient& g, const BezierPath& path, double angle) {
    std::string line = "gradient " + path.description() + format(" angle %g", angle);
    for (const auto& [location, color] : g.stops) line += format(" %g:", location) + color.description();
    add(line);
}

void RecordingContext::drawImage(const Image& image, Rect rect, Rect from, CompositingOperation op,
                                 double fraction) {
    std::string line =
        "image " + (image.name().empty() ? std::string("(unnamed)") : image.name()) + " in " + rectText(rect);
    if (!from.isEmpty()) line += " from " + rectText(from);
    line += std::string(" ") + compositingName(op) + format(" %g", fraction);
    add(line);
}

void RecordingContext::drawText(const AttributedString& text, Rect rect) {
    const auto runs = text.runs();
    std::string line = "text \"" + text.string() + "\" in " + rectText(rect);
    if (!runs.empty()) {
        const auto& a = runs.front().attributes;
        line += format(" font %s %g ", a.effectiveFont().fontName().c_str(), a.effectiveFont().pointSize()) +
                a.effectiveColor().description();
        if (a.shadow)
            line += format(" shadow %g %g %g ", a.shadow->shadowOffset.width, a.shadow->shadowOffset.height,
                           a.shadow->shadowBlurRadius) +
                    a.shadow->effectiveColor().description();
    }
    add(line);
}

void RecordingContext::drawFocusRing(Rect maskBounds, const std::function<void()>& drawMask,
                                     const Color& color) {
    add("begin focus ring mask in " + rectText(maskBounds));
    const State outer = state_;
    if (drawMask) drawMask();
    state_ = outer;
    add("end focus ring mask " + color.description());
}

}  // namespace platform::ui
