// A picture as a plain list of primitives in drawing coordinates, computed by the core
// and replayed by a front end's painter (window, printer, clipboard, exported files).
// Points live in one flat buffer of floats shared by every primitive, so that a picture
// of many thousand segments is a few allocations, not one per polygon. Colours are RGB
// values; nothing here knows a window system.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace kova {

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};
inline constexpr Rgb kBlack{0, 0, 0};
inline constexpr Rgb kWhite{255, 255, 255};
inline constexpr Rgb kPureRed{255, 0, 0};

// A colour stored in the problem as 0x00BBGGRR.
inline Rgb RgbFromStored(std::int32_t value) {
    const auto v = static_cast<std::uint32_t>(value);
    return {static_cast<std::uint8_t>(v & 0xFF), static_cast<std::uint8_t>((v >> 8) & 0xFF),
            static_cast<std::uint8_t>((v >> 16) & 0xFF)};
}

struct DrawPoint {
    float x = 0, y = 0;
    bool operator==(const DrawPoint&) const = default;
};

enum class PenStyle : std::uint8_t { Solid, Dotted, DashDot, None };

struct Pen {
    float width = 1;
    Rgb color = kBlack;
    PenStyle style = PenStyle::Solid;
    bool inverting = false;  // drawn so that a second drawing takes it away again
    bool operator==(const Pen&) const = default;
};
inline constexpr Pen kNoPen{1, kBlack, PenStyle::None, false};

// Hatch styles by their platform numbers; -1 is a solid fill.
enum HatchStyle : int {
    kHatchSolid = -1,
    kHatchHorizontal = 0,
    kHatchVertical = 1,
    kHatchForwardDiagonal = 2,
    kHatchBackwardDiagonal = 3,
    kHatchCross = 4,
    kHatchDiagonalCross = 5,
};

struct Brush {
    bool filled = true;
    Rgb color = kBlack;       // the fill, or the hatch lines' colour
    int hatch = kHatchSolid;  // kHatchSolid or a hatch style
    bool operator==(const Brush&) const = default;
};
inline constexpr Brush kNoBrush{false, kBlack, kHatchSolid};
inline constexpr Brush SolidBrush(Rgb c) {
    return {true, c, kHatchSolid};
}
inline constexpr Brush HatchBrush(Rgb c, int hatch) {
    return {true, c, hatch};
}

enum class PrimitiveKind : std::uint8_t {
    Region,     // rings: the first outlines, then holes, filled with the winding rule
    Polyline,   // points joined in order
    Lines,      // separate segments: points taken in pairs
    Ellipse,    // two points: the bounding box
    Rectangle,  // two points: top left and bottom right
    Pixels,     // single pixels
    Markers,    // equal circles of `size` radius centred at the points
    Text,       // one entry of texts
    Image,      // one entry of images
};

// Where a text's anchor point sits on its box.
enum class TextAnchor : std::uint8_t { TopLeft, Center, BaselineLeft };

struct TextPrimitive {
    DrawPoint at;
    std::string text;  // UTF-8
    std::string font = "Arial";
    float size = 10;         // pixel height of the font
    std::uint8_t style = 0;  // bit 0 bold, 1 italic, 2 underline, 3 strike-out
    float rotation = 0;      // degrees, counter-clockwise
    Rgb color = kBlack;
    bool opaque = false;  // draw the box in `background` first
    Rgb background = kWhite;
    TextAnchor anchor = TextAnchor::TopLeft;
};

// One picture stretched into a rectangle: either encoded bytes the platform decodes
// (a bitmap or metafile image, shared rather than copied), or pixels computed by the core
// (shaded contour images), row by row from the top.
struct ImagePrimitive {
    DrawPoint topLeft, bottomRight;
    enum class Combine : std::uint8_t { Copy, And } combine = Combine::Copy;
    std::shared_ptr<const std::vector<std::uint8_t>> encoded;
    int width = 0, height = 0;
    std::vector<Rgb> pixels;
};

struct Primitive {
    PrimitiveKind kind = PrimitiveKind::Polyline;
    std::uint32_t first = 0;      // first point
    std::uint32_t count = 0;      // points
    std::uint32_t ringFirst = 0;  // a region's first ring
    std::uint32_t ringCount = 0;  // a region's rings; the first `index` are outlines
    Pen pen;
    Brush brush = kNoBrush;
    float size = 0;           // marker radius
    std::uint32_t index = 0;  // the text or image entry, or a region's outline count
};

class DrawList {
public:
    std::vector<DrawPoint> points;
    std::vector<std::uint32_t> ringSizes;  // points per ring, rings in order
    std::vector<Primitive> items;
    std::vector<TextPrimitive> texts;
    std::vector<ImagePrimitive> images;

    bool Empty() const { return items.empty(); }
    void Clear();

    // A closed polygon (no need to repeat the first point).
    void AddPolygon(std::span<const DrawPoint> polygon, const Brush& brush,
                    const Pen& pen = kNoPen);
    void AddPolygon(std::initializer_list<DrawPoint> polygon, const Brush& brush,
                    const Pen& pen = kNoPen) {
        AddPolygon(std::span<const DrawPoint>(polygon.begin(), polygon.size()), brush, pen);
    }
    // A region of outlines less holes: holes are the rings after `outlineCount`.
    void AddRegion(const std::vector<std::vector<DrawPoint>>& rings, std::size_t outlineCount,
                   const Brush& brush, const Pen& pen = kNoPen);
    void AddPolyline(std::span<const DrawPoint> line, const Pen& pen);
    void AddPolyline(std::initializer_list<DrawPoint> line, const Pen& pen) {
        AddPolyline(std::span<const DrawPoint>(line.begin(), line.size()), pen);
    }
    // Starts a batch of separate segments with one pen; AddSegment appends to the batch
    // while the last item is that batch.
    void AddSegment(DrawPoint a, DrawPoint b, const Pen& pen);
    void AddEllipse(DrawPoint topLeft, DrawPoint bottomRight, const Pen& pen, const Brush& brush);
    void AddRectangle(DrawPoint topLeft, DrawPoint bottomRight, const Pen& pen, const Brush& brush);
    void AddPixel(DrawPoint at, Rgb color);
    // A circle of `radius` at `centre`, batched with the previous marker of the same look.
    void AddMarker(DrawPoint centre, float radius, const Pen& pen, const Brush& brush);
    void AddText(TextPrimitive text);
    void AddImage(ImagePrimitive image);

    // Appends every primitive of another list.
    void Append(const DrawList& other);

    // The points of an item (for a region, all its rings in order).
    std::span<const DrawPoint> PointsOf(const Primitive& item) const;
    // The rings of a region item.
    std::vector<std::span<const DrawPoint>> RingsOf(const Primitive& item) const;
    // Items of a kind.
    std::size_t CountOf(PrimitiveKind kind) const;

private:
    std::uint32_t PushPoints(std::span<const DrawPoint> pts);
    // Adds a primitive over `pts`. With `batch`, extends the last item instead when it has
    // the same kind and look and its points end the buffer (a batch's points stay
    // contiguous).
    void AddItem(PrimitiveKind kind, std::span<const DrawPoint> pts, const Pen& pen,
                 const Brush& brush, float size, bool batch);
};

// The size of a text as the front end will draw it, for layouts that need it.
struct TextExtent {
    float width = 0;
    float height = 0;
};

class TextMetrics {
public:
    virtual ~TextMetrics() = default;
    virtual TextExtent Measure(const std::string& text, const std::string& font, float size,
                               std::uint8_t style) const = 0;
};

// A stand-in for tests and batch use: every character is 0.6 of the size wide.
class FixedTextMetrics : public TextMetrics {
public:
    TextExtent Measure(const std::string& text, const std::string&, float size,
                       std::uint8_t) const override {
        return {0.6f * size * static_cast<float>(text.size()), size};
    }
};

// The sixteen colours of the colour grid; index 15 is white. Indices outside give black.
Rgb ColorGridColor(int index);

}  // namespace kova
