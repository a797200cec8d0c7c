#include "SplashArt.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>
#include <vector>

namespace {

struct Point {
    double x = 0;
    double y = 0;
};

// A centre line drawn with a round pen. Every letter is a few of these, which
// gives the even stroke weight and slab serifs of a typewriter face.
struct Stroke {
    std::vector<Point> path;
    double radius = 0;
};

using Glyph = std::vector<Stroke>;

// Letters are designed in a cell about 89 px wide; y is in picture pixels.
// Centre lines sit half a pen width inside the ink, so the ascender tops and
// the baseline land one pixel from the picture's top and bottom edges.
constexpr double kPen = 4.0;
constexpr double kAscender = 5.0;
constexpr double kXHeight = 21.5;
constexpr double kBaseline = 46.0;
constexpr double kArcStepDegrees = 3.0;
// Black kept between the outermost ink and the picture's left and right edges.
constexpr double kSideMargin = 1.0;

// The bevel is the outer band of each stroke that slopes down to the black;
// inside it the stroke is flat and shows the plain bright green.
constexpr double kBevel = 3.0;
constexpr double kMaxSlope = 4.0;
constexpr int kSubsamples = 4;

// Light falls from the upper left and a little in front, so the top and left
// flanks of every stroke catch it and the bottom and right flanks fall into shadow.
constexpr double kLightX = -1.0;
constexpr double kLightY = -1.2;
constexpr double kLightZ = 1.6;

// Green at the deepest shadow, and the red and blue added at the brightest highlight.
constexpr double kShadowGreen = 48.0;
constexpr double kHighlightTint = 205.0;

// The committed splash must come out byte for byte the same on every
// platform, but sine and cosine may differ in their last bit between C
// libraries. Snapping arc points to a fine grid absorbs those differences.
constexpr double kSnapGrid = 1024.0;

double snap(double value) {
    return std::round(value * kSnapGrid) / kSnapGrid;
}

Stroke line(Point from, Point to, double radius = kPen) {
    return {{from, to}, radius};
}

// An elliptical arc from one angle to another, in degrees; with y pointing
// down, 90 is the bottom of the ellipse and 270 its top.
Stroke arc(Point centre, double rx, double ry, double fromDegrees, double toDegrees,
           double radius = kPen) {
    Stroke stroke{{}, radius};
    const int steps = std::max(
        1, static_cast<int>(std::ceil(std::abs(toDegrees - fromDegrees) / kArcStepDegrees)));
    for (int i = 0; i <= steps; ++i) {
        const double degrees = fromDegrees + (toDegrees - fromDegrees) * i / steps;
        const double a = degrees * std::numbers::pi / 180.0;
        stroke.path.push_back(
            {snap(centre.x + rx * std::cos(a)), snap(centre.y + ry * std::sin(a))});
    }
    return stroke;
}

Glyph glyphFor(char letter) {
    switch (letter) {
    case 'V':
        return {line({4, kAscender}, {32, kAscender}), line({57, kAscender}, {85, kAscender}),
                line({18, kAscender}, {44.5, kBaseline}), line({71, kAscender}, {44.5, kBaseline})};
    case 'a':
        return {arc({43, 31}, 21, 9.5, 215, 360), line({64, 31}, {64, kBaseline}),
                line({64, kBaseline}, {77, kBaseline}), arc({41, 39.5}, 21, 7, 0, 360)};
    case 'n':
        return {line({22, kXHeight}, {22, kBaseline}),  line({11, kXHeight}, {22, kXHeight}),
                arc({44, 33}, 22, 11.5, 180, 360),      line({66, 33}, {66, kBaseline}),
                line({11, kBaseline}, {33, kBaseline}), line({55, kBaseline}, {77, kBaseline})};
    case 't':
        return {line({33, 9}, {33, 38}), arc({46, 38}, 13, 8.5, 180, 30),
                line({14, kXHeight}, {64, kXHeight})};
    case 'r':
        return {line({31, kXHeight}, {31, kBaseline}), line({19, kXHeight}, {31, kXHeight}),
                line({17, kBaseline}, {55, kBaseline}), arc({54, 34.5}, 23, 13, 180, 320)};
    case 'e':
        return {line({18, 33.5}, {68, 33.5}), arc({43, 34}, 25, 12.5, 0, -320)};
    case 'l':
        return {line({45, kAscender}, {45, kBaseline}), line({31, kAscender}, {45, kAscender}),
                line({20, kBaseline}, {70, kBaseline})};
    default:
        throw std::invalid_argument(std::string("the title lettering has no glyph for '") + letter +
                                    "'");
    }
}

struct Extent {
    double left = 0;
    double right = 0;
};

Extent inkExtent(const Glyph& glyph) {
    Extent e{1e9, -1e9};
    for (const Stroke& stroke : glyph) {
        for (const Point& p : stroke.path) {
            e.left = std::min(e.left, p.x - stroke.radius);
            e.right = std::max(e.right, p.x + stroke.radius);
        }
    }
    return e;
}

// Where a sample lies relative to the lettering: how deep inside the nearest
// stroke it is (negative outside) and the unit direction from that stroke's
// centre line towards the sample, which is the way the surface slopes down.
struct Depth {
    double depth = -1e9;
    double outX = 0;
    double outY = 0;
};

void deepen(Depth& best, const Stroke& stroke, Point p) {
    const std::size_t n = stroke.path.size();
    for (std::size_t i = 0; i + 1 < n || (n == 1 && i == 0); ++i) {
        const Point a = stroke.path[i];
        const Point b = n == 1 ? a : stroke.path[i + 1];
        const double dx = b.x - a.x;
        const double dy = b.y - a.y;
        const double lengthSquared = dx * dx + dy * dy;
        double t = lengthSquared > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / lengthSquared : 0;
        t = std::clamp(t, 0.0, 1.0);
        const double ox = p.x - (a.x + t * dx);
        const double oy = p.y - (a.y + t * dy);
        const double distance = std::sqrt(ox * ox + oy * oy);
        const double depth = stroke.radius - distance;
        if (depth > best.depth) {
            best.depth = depth;
            best.outX = distance > 1e-9 ? ox / distance : 0;
            best.outY = distance > 1e-9 ? oy / distance : 0;
        }
    }
}

struct Colour {
    double r = 0;
    double g = 0;
    double b = 0;
};

// Lights one sample inside a stroke. The cross-section of the bevel is a
// quarter circle, so its slope runs from flat at the inner edge to steep at the
// outer edge; the surface normal follows the slope away from the centre line.
Colour shade(const Depth& d) {
    const double lightLength = std::sqrt(kLightX * kLightX + kLightY * kLightY + kLightZ * kLightZ);
    const double flat = kLightZ / lightLength;

    const double t = std::min(d.depth / kBevel, 1.0);
    const double u = 1.0 - t;
    const double rise = std::sqrt(std::max(1.0 - u * u, 1e-12));
    const double slope = std::min(u / rise, kMaxSlope);

    const double nx = slope * d.outX;
    const double ny = slope * d.outY;
    const double nLength = std::sqrt(nx * nx + ny * ny + 1.0);
    const double lit = (nx * kLightX + ny * kLightY + kLightZ) / (nLength * lightLength);

    if (lit >= flat) {
        // Turned towards the light: bright green paling towards white-green.
        const double k = (lit - flat) / (1.0 - flat);
        return {kHighlightTint * k, 255.0, kHighlightTint * k};
    }
    // Turned away: bright green darkening towards deep green.
    const double k = std::min((flat - lit) / (flat + 1.0) * 2.0, 1.0);
    return {0.0, 255.0 - (255.0 - kShadowGreen) * k, 0.0};
}

std::uint8_t toByte(double value) {
    return static_cast<std::uint8_t>(std::lround(std::clamp(value, 0.0, 255.0)));
}

} // namespace

Image drawSplash() {
    // Monospaced: every letter gets the same pitch, chosen so that the ink of
    // the first and the last letter reaches the picture's side margins.
    std::vector<Glyph> glyphs;
    for (const char letter : kSplashTitle) {
        glyphs.push_back(glyphFor(letter));
    }
    const Extent first = inkExtent(glyphs.front());
    const Extent last = inkExtent(glyphs.back());
    const auto gaps = static_cast<double>(glyphs.size() - 1);
    const double pitch = (kSplashWidth - 2 * kSideMargin - (last.right - first.left)) / gaps;
    const double origin = kSideMargin - first.left;

    struct Placed {
        Glyph glyph;
        Extent ink;
    };
    std::vector<Placed> placed;
    for (std::size_t i = 0; i < glyphs.size(); ++i) {
        Glyph glyph = glyphs[i];
        const double shift = origin + pitch * static_cast<double>(i);
        for (Stroke& stroke : glyph) {
            for (Point& p : stroke.path) {
                p.x += shift;
            }
        }
        const Extent ink = inkExtent(glyph);
        placed.push_back({std::move(glyph), ink});
    }

    Image image(kSplashWidth, kSplashHeight);
    constexpr double kSamples = kSubsamples * kSubsamples;
    for (int y = 0; y < kSplashHeight; ++y) {
        for (int x = 0; x < kSplashWidth; ++x) {
            Colour sum;
            for (int sy = 0; sy < kSubsamples; ++sy) {
                for (int sx = 0; sx < kSubsamples; ++sx) {
                    const Point p{x + (sx + 0.5) / kSubsamples, y + (sy + 0.5) / kSubsamples};
                    Depth best;
                    for (const Placed& g : placed) {
                        if (p.x < g.ink.left || p.x > g.ink.right) {
                            continue;
                        }
                        for (const Stroke& stroke : g.glyph) {
                            deepen(best, stroke, p);
                        }
                    }
                    if (best.depth > 0) {
                        const Colour c = shade(best);
                        sum.r += c.r;
                        sum.g += c.g;
                        sum.b += c.b;
                    }
                }
            }
            image.setPixel(
                x, y,
                {toByte(sum.r / kSamples), toByte(sum.g / kSamples), toByte(sum.b / kSamples)});
        }
    }
    return image;
}
