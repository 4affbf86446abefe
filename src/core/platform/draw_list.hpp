// A picture as a plain list of primitives in drawing coordinates, computed by the core
// and replayed by a front end's painter (window, printer, clipboard, exported files).
// Colours are RGB values; nothing here knows a window system.
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "model/types.hpp"

namespace kova {

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};
inline constexpr Rgb kBlack{0, 0, 0};
inline constexpr Rgb kPureRed{255, 0, 0};

struct DrawPoint {
    Real x = 0, y = 0;
    bool operator==(const DrawPoint&) const = default;
};

enum class PenStyle : std::uint8_t { Solid, Dotted, DashDot };

struct Pen {
    Real width = 1;
    Rgb color = kBlack;
    PenStyle style = PenStyle::Solid;
    bool inverting = false;
};

// A polygon filled with the winding rule (solid, or hatched with style hatchStyle >= 0).
struct FilledPolygon {
    std::vector<DrawPoint> points;
    Rgb fill = kBlack;
    int hatchStyle = -1;
};

struct Polyline {
    std::vector<DrawPoint> points;
    Pen pen;
};

struct Ellipse {
    DrawPoint topLeft, bottomRight;
    Pen pen;
    bool filled = false;
    Rgb fill = kBlack;
};

struct Rectangle {
    DrawPoint topLeft, bottomRight;
    Pen pen;
    bool filled = false;
    Rgb fill = kBlack;
};

struct Pixel {
    DrawPoint at;
    Rgb color = kBlack;
};

struct TextItemPrimitive {
    DrawPoint anchor;
    std::string text;
    std::string font = "Arial";
    Real size = 10;
    std::uint8_t style = 0;  // bit 0 bold, 1 italic, 2 underline
    Real rotation = 0;       // degrees
    Rgb color = kBlack;
};

using DrawPrimitive =
    std::variant<FilledPolygon, Polyline, Ellipse, Rectangle, Pixel, TextItemPrimitive>;

struct DrawList {
    std::vector<DrawPrimitive> items;
    void Add(DrawPrimitive p) { items.push_back(std::move(p)); }
    bool Empty() const { return items.empty(); }
};

}  // namespace kova
