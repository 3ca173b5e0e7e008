#include "platform/ui/AnimationView.h"

#include <algorithm>
#include <cmath>

#include <nlohmann/json.hpp>

#include "platform/base/Clock.h"
#include "platform/base/Log.h"
#include "platform/storage/Files.h"
#include "platform/system/Bundle.h"
#include "platform/ui/BezierPath.h"
#include "platform/ui/GraphicsContext.h"

namespace platform::ui {

namespace {

// A number of a shape: fixed, or running from one value to another over a window of the progress.
struct Track {
    double from = 0;
    double to = 0;
    double start = 0;
    double end = 1;

    double at(double progress) const {
        if (end <= start) return progress >= end ? to : from;
        const double t = std::clamp((progress - start) / (end - start), 0.0, 1.0);
        return from + (to - from) * t;
    }
};

std::optional<Color> hexColor(const nlohmann::json& value) {
    if (!value.is_string()) return std::nullopt;
    std::string hex = value.get<std::string>();
    if (!hex.empty() && hex[0] == '#') hex.erase(0, 1);
    if (hex.size() != 6 || hex.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        return std::nullopt;
    const unsigned long rgb = std::stoul(hex, nullptr, 16);
    return Color::colorWithSRGBRed_green_blue_alpha(((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0,
                                                    (rgb & 0xFF) / 255.0, 1.0);
}

bool finite(const nlohmann::json& value) {
    return value.is_number() && std::isfinite(value.get<double>());
}

Track track(const nlohmann::json& shape, const char* key, double fallback, const Track& window) {
    Track t{fallback, fallback, window.start, window.end};
    if (!shape.contains(key)) return t;
    const auto& value = shape[key];
    if (finite(value)) {
        t.from = t.to = value.get<double>();
    } else if (value.is_array() && value.size() == 2 && finite(value[0]) && finite(value[1])) {
        t.from = value[0].get<double>();
        t.to = value[1].get<double>();
    }
    return t;
}

}  // namespace

struct AnimationView::Shape {
    std::string kind;
    std::optional<Color> fill;
    std::optional<Color> stroke;
    Track width, alpha, scale, rotate, ox, oy;
    Track cx, cy, r;
    Track x, y, w, h, radius;
    Track trim;
    std::vector<Point> points;

    static std::shared_ptr<Shape> parse(const nlohmann::json& json) {
        if (!json.is_object() || !json.contains("type") || !json["type"].is_string()) return nullptr;
        auto s = std::make_shared<Shape>();
        s->kind = json["type"].get<std::string>();
        if (s->kind != "circle" && s->kind != "rect" && s->kind != "line") return nullptr;
        Track window;
        if (json.contains("t") && json["t"].is_array() && json["t"].size() == 2 && finite(json["t"][0]) &&
            finite(json["t"][1])) {
            window.start = json["t"][0].get<double>();
            window.end = json["t"][1].get<double>();
        }
        if (json.contains("fill")) s->fill = hexColor(json["fill"]);
        if (json.contains("stroke")) s->stroke = hexColor(json["stroke"]);
        s->width = track(json, "width", 1, window);
        s->alpha = track(json, "alpha", 1, window);
        s->scale = track(json, "scale", 1, window);
        s->rotate = track(json, "rotate", 0, window);
        s->ox = track(json, "ox", 0, window);
        s->oy = track(json, "oy", 0, window);
        s->cx = track(json, "cx", 0, window);
        s->cy = track(json, "cy", 0, window);
        s->r = track(json, "r", 0, window);
        s->x = track(json, "x", 0, window);
        s->y = track(json, "y", 0, window);
        s->w = track(json, "w", 0, window);
        s->h = track(json, "h", 0, window);
        s->radius = track(json, "radius", 0, window);
        s->trim = track(json, "trim", 1, window);
        if (json.contains("points") && json["points"].is_array()) {
            for (const auto& p : json["points"]) {
                if (!p.is_array() || p.size() != 2 || !finite(p[0]) || !finite(p[1])) return nullptr;
                s->points.push_back({p[0].get<double>(), p[1].get<double>()});
            }
        }
        return s;
    }

    // The line's points up to the trimmed share of its length.
    std::vector<Point> trimmedPoints(double share) const {
        if (points.size() < 2 || share >= 1) return points;
        double total = 0;
        for (size_t i = 1; i < points.size(); ++i)
            total += std::hypot(points[i].x - points[i - 1].x, points[i].y - points[i - 1].y);
        double left = std::max(0.0, share) * total;
        std::vector<Point> out{points.front()};
        for (size_t i = 1; i < points.size() && left > 0; ++i) {
            const double len = std::hypot(points[i].x - points[i - 1].x, points[i].y - points[i - 1].y);
            if (len <= left) {
                out.push_back(points[i]);
                left -= len;
                continue;
            }
            const double f = left / len;
            out.push_back({points[i - 1].x + (points[i].x - points[i - 1].x) * f,
                           points[i - 1].y + (points[i].y - points[i - 1].y) * f});
            break;
        }
        return out;
    }

    void draw(GraphicsContext& context, double p) const {
        const double a = std::clamp(alpha.at(p), 0.0, 1.0);
        if (a <= 0) return;
        BezierPath path;
        if (kind == "circle") {
            const double radiusNow = std::max(0.0, r.at(p));
            path = BezierPath::bezierPathWithOvalInRect(
                {cx.at(p) - radiusNow, cy.at(p) - radiusNow, radiusNow * 2, radiusNow * 2});
        } else if (kind == "rect") {
            const double rr = std::max(0.0, radius.at(p));
            path = BezierPath::bezierPathWithRoundedRect_xRadius_yRadius({x.at(p), y.at(p), w.at(p), h.at(p)},
                                                                         rr, rr);
        } else {
            const auto pts = trimmedPoints(trim.at(p));
            if (pts.size() < 2) return;
            path.moveToPoint(pts.front());
            for (size_t i = 1; i < pts.size(); ++i) path.lineToPoint(pts[i]);
        }
        const double ox0 = ox.at(p), oy0 = oy.at(p);
        const AffineTransform about = AffineTransform::translation(ox0, oy0)
                                          .concat(AffineTransform::rotation(rotate.at(p) * M_PI / 180.0))
                                          .concat(AffineTransform::scale(scale.at(p), scale.at(p)))
                                          .concat(AffineTransform::translation(-ox0, -oy0));
        path.transformUsingAffineTransform(about);
        context.saveGState();
        context.setAlpha(a);
        if (fill) {
            context.setFillColor(*fill);
            context.fillPath(path);
        }
        if (stroke) {
            path.setLineWidth(std::max(0.0, width.at(p)));
            context.setStrokeColor(*stroke);
            context.strokePath(path);
        }
        context.restoreGState();
    }
};

std::shared_ptr<AnimationView> AnimationView::animationNamed(const std::string& name) {
    const bool typed = name.size() > 5 && name.compare(name.size() - 5, 5, ".json") == 0;
    const std::string bare = typed ? name.substr(0, name.size() - 5) : name;
    auto path = platform::Bundle::main().pathForResource(bare, "json");
    std::string text;
    if (path) {
        if (auto bytes = platform::Files::read(*path)) text = bytes->toString();
    }
    if (text.empty()) platform::logf("AnimationView: no animation named %s", name.c_str());
    return animationFromText(name, text);
}

std::shared_ptr<AnimationView> AnimationView::animationFromText(const std::string& name,
                                                                const std::string& text) {
    auto view = make<AnimationView>();
    view->name_ = name;
    if (text.empty()) return view;
    const auto json = nlohmann::json::parse(text, nullptr, false);
    const auto number = [&json](const char* key, double fallback) {
        return json.contains(key) && finite(json[key]) ? json[key].get<double>() : fallback;
    };
    if (!json.is_object() || !finite(json.value("op", nlohmann::json())) || number("fr", 0) <= 0 ||
        number("op", 0) < number("ip", 0) || number("w", 0) <= 0 || number("h", 0) <= 0) {
        platform::logf("AnimationView: %s is not an animation", name.c_str());
        return view;
    }
    view->inFrame_ = number("ip", 0);
    view->outFrame_ = number("op", 0);
    view->frameRate_ = number("fr", 30);
    view->canvas_ = {number("w", 0), number("h", 0)};
    if (json.contains("shapes") && json["shapes"].is_array()) {
        for (const auto& item : json["shapes"]) {
            if (auto shape = Shape::parse(item)) view->shapes_.push_back(shape);
        }
    }
    view->setFrame({{0, 0}, view->canvas_});
    view->loaded_ = true;
    return view;
}

double AnimationView::animationDuration() const {
    return loaded_ ? (outFrame_ - inFrame_) / frameRate_ : 0;
}

void AnimationView::setAnimationProgress(double progress) {
    stop();
    heldProgress_ = std::clamp(progress, 0.0, 1.0);
    setNeedsDisplay(true);
}

double AnimationView::animationProgress() const {
    if (heldProgress_) return *heldProgress_;
    if (finished_) return 1;
    if (!playing_) return 0;
    const double duration = animationDuration();
    if (duration <= 0) return 1;
    const double elapsed = std::max(0.0, platform::Clock::now() - playStart_);
    if (!loop_) return std::min(1.0, elapsed / duration);
    return std::fmod(elapsed, duration) / duration;
}

void AnimationView::playWithCompletion(Completion completion) {
    reportEnd(false);
    ++generation_;
    completion_ = std::move(completion);
    finished_ = false;
    heldProgress_.reset();
    if (!loaded_) {
        reportEnd(false);
        return;
    }
    playing_ = true;
    ++playCount_;
    playStart_ = platform::Clock::now();
    setNeedsDisplay(true);
    // A looping play ends only when stopped; nothing is scheduled for it, so an idle run loop stays idle.
    if (loop_) return;
    std::weak_ptr<AnimationView> weak = sharedAs<AnimationView>();
    const uint64_t generation = generation_;
    platform::RunLoop::main().performAfterDelay(animationDuration(), [weak, generation] {
        if (auto view = weak.lock()) view->finishPlay(generation);
    });
}

void AnimationView::finishPlay(uint64_t generation) {
    if (generation != generation_ || !playing_) return;
    playing_ = false;
    finished_ = true;
    setNeedsDisplay(true);
    reportEnd(true);
}

void AnimationView::stop() {
    ++generation_;
    heldProgress_.reset();
    playing_ = false;
    finished_ = false;
    setNeedsDisplay(true);
    reportEnd(false);
}

void AnimationView::reportEnd(bool finished) {
    auto completion = std::move(completion_);
    completion_ = nullptr;
    if (completion) completion(finished);
}

void AnimationView::drawRect(Rect) {
    auto* context = GraphicsContext::current();
    if (!context || !loaded_ || canvas_.width <= 0 || canvas_.height <= 0) return;
    const Rect b = bounds();
    double sx = b.width() / canvas_.width, sy = b.height() / canvas_.height;
    if (contentMode_ == ScaleAspectFit) sx = sy = std::min(sx, sy);
    if (contentMode_ == ScaleAspectFill) sx = sy = std::max(sx, sy);
    const double dx = b.minX() + (b.width() - canvas_.width * sx) / 2;
    const double dy = b.minY() + (b.height() - canvas_.height * sy) / 2;
    // The canvas is drawn with y growing downward, as the files are written.
    const bool flip = !context->isFlipped();
    context->saveGState();
    context->clipToRect(b);
    AffineTransform place = AffineTransform::translation(dx, dy).concat(AffineTransform::scale(sx, sy));
    if (flip)
        place = AffineTransform::translation(dx, dy + canvas_.height * sy)
                    .concat(AffineTransform::scale(sx, -sy));
    context->concatCTM(place);
    const double progress = animationProgress();
    for (const auto& shape : shapes_) shape->draw(*context, progress);
    context->restoreGState();
}

}  // namespace platform::ui
