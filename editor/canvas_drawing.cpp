#include "editor/canvas_drawing.h"

#include <algorithm>
#include <cmath>

void Path::moveTo(double x, double y) { vertices.push_back({OutlineVertex::Move, x, y, 0, 0}); }
void Path::lineTo(double x, double y) { vertices.push_back({OutlineVertex::Line, x, y, 0, 0}); }
void Path::quadTo(double cx, double cy, double x, double y) {
    vertices.push_back({OutlineVertex::Curve, x, y, cx, cy});
}

void Path::rect(double x, double y, double width, double height) {
    moveTo(x, y);
    lineTo(x + width, y);
    lineTo(x + width, y + height);
    lineTo(x, y + height);
    lineTo(x, y);
}

void Path::rectOutline(double x, double y, double width, double height, double thickness) {
    rect(x, y, width, height);
    const double t = thickness;
    moveTo(x + t, y + t);
    lineTo(x + t, y + height - t);
    lineTo(x + width - t, y + height - t);
    lineTo(x + width - t, y + t);
    lineTo(x + t, y + t);
}

void Path::roundedRect(double x, double y, double width, double height, double radius, bool reversed) {
    const double r = std::clamp(radius, 0.0, std::min(width, height) / 2);
    const double left = x, top = y, right = x + width, bottom = y + height;
    // Eight points around, clockwise on screen from the top edge's start;
    // each corner a quarter circle through eight more control points.
    const Point corners[4] = {{right, top}, {right, bottom}, {left, bottom}, {left, top}};
    const Point starts[4] = {{right - r, top}, {right, bottom - r}, {left + r, bottom}, {left, top + r}};
    const Point ends[4] = {{right, top + r}, {right - r, bottom}, {left, bottom - r}, {left + r, top}};
    if (!reversed) {
        moveTo(left + r, top);
        for (int i = 0; i < 4; ++i) {
            lineTo(starts[i].x, starts[i].y);
            quadTo(corners[i].x, corners[i].y, ends[i].x, ends[i].y);
        }
        // ends[3] is where it began
    } else {
        moveTo(left + r, top);
        for (int i = 3; i >= 0; --i) {
            lineTo(ends[i].x, ends[i].y);
            quadTo(corners[i].x, corners[i].y, starts[i].x, starts[i].y);
        }
        lineTo(left + r, top);
    }
}

void Path::roundedRectOutline(double x, double y, double width, double height, double radius, double thickness) {
    roundedRect(x, y, width, height, radius);
    roundedRect(x + thickness, y + thickness, width - 2 * thickness, height - 2 * thickness,
                std::max(0.0, radius - thickness), true);
}

void Path::circle(double cx, double cy, double radius, bool reversed) {
    // Eight arcs of 45 degrees, each a quadratic curve whose control point
    // lies on the arc's middle direction at radius / cos(22.5 degrees). The
    // directions are constants, not the library's cosines, which may differ
    // in their last bit between targets.
    constexpr double c = 0.70710678118654752;  // cos 45
    constexpr double a = 0.92387953251128674, b = 0.38268343236508977;  // cos and sin 22.5
    constexpr Point ends[8] = {{c, c}, {0, 1}, {-c, c}, {-1, 0}, {-c, -c}, {0, -1}, {c, -c}, {1, 0}};
    constexpr Point middles[8] = {{a, b}, {b, a}, {-b, a}, {-a, b}, {-a, -b}, {-b, -a}, {b, -a}, {a, -b}};
    const double control = radius / a;
    // The other way round is the same circle mirrored top to bottom.
    const double down = reversed ? -1.0 : 1.0;
    moveTo(cx + radius, cy);
    for (int i = 0; i < 8; ++i) {
        quadTo(cx + control * middles[i].x, cy + control * middles[i].y * down, cx + radius * ends[i].x,
               cy + radius * ends[i].y * down);
    }
}

void Path::ring(double cx, double cy, double radius, double thickness) {
    circle(cx, cy, radius);
    circle(cx, cy, radius - thickness, true);
}

void Path::polygon(std::span<const Point> points) {
    if (points.empty()) return;
    moveTo(points[0].x, points[0].y);
    for (std::size_t i = 1; i < points.size(); ++i) lineTo(points[i].x, points[i].y);
    lineTo(points[0].x, points[0].y);
}

void Path::stroke(std::span<const Point> points, double width) {
    const double half = width / 2;
    for (std::size_t i = 1; i < points.size(); ++i) {
        const Point a = points[i - 1], b = points[i];
        const double dx = b.x - a.x, dy = b.y - a.y;
        const double length = std::sqrt(dx * dx + dy * dy);
        if (length == 0) continue;
        // Across the segment, and half a width along it at both ends so
        // that neighbours overlap at their joint.
        const double nx = -dy / length * half, ny = dx / length * half;
        const double ex = dx / length * half, ey = dy / length * half;
        moveTo(a.x - ex + nx, a.y - ey + ny);
        lineTo(b.x + ex + nx, b.y + ey + ny);
        lineTo(b.x + ex - nx, b.y + ey - ny);
        lineTo(a.x - ex - nx, a.y - ey - ny);
        lineTo(a.x - ex + nx, a.y - ey + ny);
    }
}

void fillPath(Canvas& canvas, const Path& path, Argb color) {
    if (path.vertices.empty()) return;
    double minX = path.vertices[0].x, maxX = minX, minY = path.vertices[0].y, maxY = minY;
    for (const Path::Vertex& v : path.vertices) {
        // A shape with a point that is no number is not drawn at all.
        if (!std::isfinite(v.x) || !std::isfinite(v.y) || !std::isfinite(v.cx) || !std::isfinite(v.cy)) return;
        minX = std::min(minX, v.x);
        maxX = std::max(maxX, v.x);
        minY = std::min(minY, v.y);
        maxY = std::max(maxY, v.y);
        if (v.kind == OutlineVertex::Curve) {
            minX = std::min(minX, v.cx);
            maxX = std::max(maxX, v.cx);
            minY = std::min(minY, v.cy);
            maxY = std::max(maxY, v.cy);
        }
    }
    // The pixels the outline may touch, within the canvas.
    const int left = std::max(0, static_cast<int>(std::floor(minX)));
    const int top = std::max(0, static_cast<int>(std::floor(minY)));
    const int right = std::min(canvas.width, static_cast<int>(std::ceil(maxX)) + 1);
    const int bottom = std::min(canvas.height, static_cast<int>(std::ceil(maxY)) + 1);
    if (right <= left || bottom <= top) return;

    const auto units = [](double pixels) {
        const double u = std::round(pixels * kOutlineUnitsPerPixel);
        return static_cast<std::int16_t>(std::clamp(u, -32767.0, 32767.0));
    };
    std::vector<OutlineVertex> outline;
    outline.reserve(path.vertices.size());
    for (const Path::Vertex& v : path.vertices) {
        outline.push_back({v.kind, units(v.x - left), units(v.y - top), units(v.cx - left), units(v.cy - top)});
    }
    const int width = right - left, height = bottom - top;
    std::vector<std::uint8_t> coverage(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
    rasteriseOutline(outline, width, height, coverage.data());
    for (int y = 0; y < height; ++y) {
        std::uint32_t* row = canvas.pixels.data() + static_cast<std::size_t>(top + y) * canvas.width + left;
        const std::uint8_t* cover = coverage.data() + static_cast<std::size_t>(y) * width;
        for (int x = 0; x < width; ++x) {
            if (cover[x] != 0) blendPixel(row[x], color, cover[x]);
        }
    }
}

void fillPixels(Canvas& canvas, int x, int y, int width, int height, Argb color) {
    const int left = std::max(0, x), top = std::max(0, y);
    const int right = std::min(canvas.width, x + width), bottom = std::min(canvas.height, y + height);
    for (int row = top; row < bottom; ++row) {
        std::uint32_t* pixel = canvas.pixels.data() + static_cast<std::size_t>(row) * canvas.width;
        for (int column = left; column < right; ++column) blendPixel(pixel[column], color, 255);
    }
}
