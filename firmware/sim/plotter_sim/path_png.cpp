#include "sim/plotter_sim/path_png.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "plotter/plotter_figure.h"

namespace plotter_sim {

namespace {

struct Colour {
    unsigned char r, g, b;
};
constexpr Colour kLaser{192, 0, 0}, kMove{160, 192, 255}, kGrid{232, 232, 232},
    kGrid10{200, 200, 200};

double units(std::int64_t steps) { return static_cast<double>(steps) / resolution; }

class Canvas {
public:
    Canvas(int width, int height)
        : width_(width), height_(height), pixels_(3u * width * height, 255) {}

    void set(int x, int y, Colour c) {
        if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
        unsigned char* p = &pixels_[3u * (static_cast<unsigned>(y) * width_ + x)];
        p[0] = c.r;
        p[1] = c.g;
        p[2] = c.b;
    }

    // A line of `width` pixels between two points in pixel coordinates: a
    // round pen stamped every half pixel.
    void line(double x0, double y0, double x1, double y1, double width, Colour c) {
        const double r = std::max(width / 2, 0.5);
        const int steps =
            std::max(1, static_cast<int>(std::ceil(std::hypot(x1 - x0, y1 - y0) * 2)));
        for (int s = 0; s <= steps; ++s) {
            const double t = static_cast<double>(s) / steps;
            const double px = x0 + (x1 - x0) * t, py = y0 + (y1 - y0) * t;
            set(static_cast<int>(std::floor(px)), static_cast<int>(std::floor(py)), c);
            for (int y = static_cast<int>(std::floor(py - r)); y <= static_cast<int>(py + r); ++y)
                for (int x = static_cast<int>(std::floor(px - r)); x <= static_cast<int>(px + r);
                     ++x)
                    if (std::hypot(x + 0.5 - px, y + 0.5 - py) <= r) set(x, y, c);
        }
    }

    std::string png() const {
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        image.width = static_cast<png_uint_32>(width_);
        image.height = static_cast<png_uint_32>(height_);
        image.format = PNG_FORMAT_RGB;
        png_alloc_size_t size = 0;
        if (!png_image_write_to_memory(&image, nullptr, &size, 0, pixels_.data(), 0, nullptr))
            return {};
        std::string bytes(size, '\0');
        if (!png_image_write_to_memory(&image, bytes.data(), &size, 0, pixels_.data(), 0, nullptr))
            return {};
        bytes.resize(size);
        return bytes;
    }

private:
    int width_, height_;
    std::vector<unsigned char> pixels_;
};

}  // namespace

Frame picture_frame(const RunResult& result) {
    double min_x = 0, max_x = 0, min_y = 0, max_y = 0;
    auto extend = [&](const PathPoint& p) {
        min_x = std::min(min_x, units(p.x));
        max_x = std::max(max_x, units(p.x));
        min_y = std::min(min_y, units(p.y));
        max_y = std::max(max_y, units(p.y));
    };
    for (const PathPoint& p : result.path) extend(p);
    for (const PathPoint& p : result.figure_points) extend(p);
    return {std::round(min_x) - 2, std::round(min_y) - 2, std::round(max_x) + 2,
            std::round(max_y) + 2};
}

std::string path_png(const RunResult& result, int dpi) {
    const Frame frame = picture_frame(result);
    const double px_per_mm = dpi / 25.4;
    const int width = static_cast<int>(std::lround((frame.right - frame.left) * px_per_mm));
    const int height = static_cast<int>(std::lround((frame.top - frame.bottom) * px_per_mm));
    Canvas canvas(width, height);
    auto px = [&](double x) { return (x - frame.left) * px_per_mm; };
    auto py = [&](double y) { return (frame.top - y) * px_per_mm; };

    // Grid lines on whole millimetres (when they are 3 pixels apart or more),
    // the tens drawn last so they stay visible.
    for (const bool tens : {false, true}) {
        auto shown = [&](int mm) { return (mm % 10 == 0) == tens && (tens || px_per_mm >= 3); };
        const Colour colour = tens ? kGrid10 : kGrid;
        for (int mm = static_cast<int>(frame.left); mm <= frame.right; ++mm)
            if (shown(mm)) canvas.line(px(mm), 0, px(mm), height, 1, colour);
        for (int mm = static_cast<int>(frame.bottom); mm <= frame.top; ++mm)
            if (shown(mm)) canvas.line(0, py(mm), width, py(mm), 1, colour);
    }

    // Moves first, so burnt lines are drawn over them.
    const double laser_width = std::max(1.5, 0.3 * px_per_mm);  // about a laser's spot
    for (const bool laser : {false, true})
        for (std::size_t v = 1; v < result.path.size(); ++v) {
            const PathPoint &a = result.path[v - 1], &b = result.path[v];
            if (a.laser != laser) continue;
            canvas.line(px(units(a.x)), py(units(a.y)), px(units(b.x)), py(units(b.y)),
                        laser ? laser_width : 1, laser ? kLaser : kMove);
        }
    return canvas.png();
}

}  // namespace plotter_sim
