#include "platform/draw_list.hpp"

#include <array>

namespace kova {

void DrawList::Clear() {
    points.clear();
    ringSizes.clear();
    items.clear();
    texts.clear();
    images.clear();
}

std::uint32_t DrawList::PushPoints(std::span<const DrawPoint> pts) {
    const auto first = static_cast<std::uint32_t>(points.size());
    points.insert(points.end(), pts.begin(), pts.end());
    return first;
}

void DrawList::AddPolygon(std::span<const DrawPoint> polygon, const Brush& brush, const Pen& pen) {
    if (polygon.empty()) return;
    Primitive p;
    p.kind = PrimitiveKind::Region;
    p.ringFirst = static_cast<std::uint32_t>(ringSizes.size());
    p.ringCount = 1;
    p.first = PushPoints(polygon);
    p.count = static_cast<std::uint32_t>(polygon.size());
    p.brush = brush;
    p.pen = pen;
    ringSizes.push_back(p.count);
    p.index = 1;  // outline rings
    items.push_back(p);
}

void DrawList::AddRegion(const std::vector<std::vector<DrawPoint>>& rings, std::size_t outlineCount,
                         const Brush& brush, const Pen& pen) {
    if (rings.empty()) return;
    Primitive p;
    p.kind = PrimitiveKind::Region;
    p.ringFirst = static_cast<std::uint32_t>(ringSizes.size());
    p.ringCount = static_cast<std::uint32_t>(rings.size());
    p.first = static_cast<std::uint32_t>(points.size());
    p.brush = brush;
    p.pen = pen;
    p.index = static_cast<std::uint32_t>(outlineCount);
    for (const auto& ring : rings) {
        PushPoints(ring);
        ringSizes.push_back(static_cast<std::uint32_t>(ring.size()));
    }
    p.count = static_cast<std::uint32_t>(points.size()) - p.first;
    items.push_back(p);
}

void DrawList::AddItem(PrimitiveKind kind, std::span<const DrawPoint> pts, const Pen& pen,
                       const Brush& brush, float size, bool batch) {
    const auto n = static_cast<std::uint32_t>(pts.size());
    if (batch && !items.empty()) {
        Primitive& last = items.back();
        if (last.kind == kind && last.pen == pen && last.brush == brush && last.size == size &&
            last.first + last.count == points.size()) {
            PushPoints(pts);
            last.count += n;
            return;
        }
    }
    Primitive p;
    p.kind = kind;
    p.first = PushPoints(pts);
    p.count = n;
    p.pen = pen;
    p.brush = brush;
    p.size = size;
    items.push_back(p);
}

void DrawList::AddPolyline(std::span<const DrawPoint> line, const Pen& pen) {
    if (line.empty()) return;
    AddItem(PrimitiveKind::Polyline, line, pen, kNoBrush, 0, false);
}

void DrawList::AddSegment(DrawPoint a, DrawPoint b, const Pen& pen) {
    const std::array<DrawPoint, 2> pair{a, b};
    AddItem(PrimitiveKind::Lines, pair, pen, kNoBrush, 0, true);
}

void DrawList::AddEllipse(DrawPoint topLeft, DrawPoint bottomRight, const Pen& pen,
                          const Brush& brush) {
    const std::array<DrawPoint, 2> box{topLeft, bottomRight};
    AddItem(PrimitiveKind::Ellipse, box, pen, brush, 0, false);
}

void DrawList::AddRectangle(DrawPoint topLeft, DrawPoint bottomRight, const Pen& pen,
                            const Brush& brush) {
    const std::array<DrawPoint, 2> box{topLeft, bottomRight};
    AddItem(PrimitiveKind::Rectangle, box, pen, brush, 0, false);
}

void DrawList::AddPixel(DrawPoint at, Rgb color) {
    const std::array<DrawPoint, 1> one{at};
    Pen pen;
    pen.color = color;
    AddItem(PrimitiveKind::Pixels, one, pen, kNoBrush, 0, true);
}

void DrawList::AddMarker(DrawPoint centre, float radius, const Pen& pen, const Brush& brush) {
    const std::array<DrawPoint, 1> one{centre};
    AddItem(PrimitiveKind::Markers, one, pen, brush, radius, true);
}

void DrawList::AddText(TextPrimitive text) {
    Primitive p;
    p.kind = PrimitiveKind::Text;
    p.index = static_cast<std::uint32_t>(texts.size());
    texts.push_back(std::move(text));
    items.push_back(p);
}

void DrawList::AddImage(ImagePrimitive image) {
    Primitive p;
    p.kind = PrimitiveKind::Image;
    p.index = static_cast<std::uint32_t>(images.size());
    images.push_back(std::move(image));
    items.push_back(p);
}

void DrawList::Append(const DrawList& other) {
    const auto pointBase = static_cast<std::uint32_t>(points.size());
    const auto ringBase = static_cast<std::uint32_t>(ringSizes.size());
    const auto textBase = static_cast<std::uint32_t>(texts.size());
    const auto imageBase = static_cast<std::uint32_t>(images.size());
    points.insert(points.end(), other.points.begin(), other.points.end());
    ringSizes.insert(ringSizes.end(), other.ringSizes.begin(), other.ringSizes.end());
    texts.insert(texts.end(), other.texts.begin(), other.texts.end());
    images.insert(images.end(), other.images.begin(), other.images.end());
    for (Primitive p : other.items) {
        switch (p.kind) {
            case PrimitiveKind::Region:
                p.ringFirst += ringBase;
                p.first += pointBase;
                break;
            case PrimitiveKind::Text:
                p.index += textBase;
                break;
            case PrimitiveKind::Image:
                p.index += imageBase;
                break;
            default:
                p.first += pointBase;
                break;
        }
        items.push_back(p);
    }
}

std::span<const DrawPoint> DrawList::PointsOf(const Primitive& item) const {
    if (item.kind == PrimitiveKind::Text || item.kind == PrimitiveKind::Image) return {};
    return {points.data() + item.first, item.count};
}

std::vector<std::span<const DrawPoint>> DrawList::RingsOf(const Primitive& item) const {
    std::vector<std::span<const DrawPoint>> rings;
    if (item.kind != PrimitiveKind::Region) return rings;
    const std::span<const DrawPoint> all = PointsOf(item);
    std::size_t at = 0;
    for (std::uint32_t r = 0; r < item.ringCount; ++r) {
        const std::size_t n = ringSizes[item.ringFirst + r];
        rings.push_back(all.subspan(at, n));
        at += n;
    }
    return rings;
}

std::size_t DrawList::CountOf(PrimitiveKind kind) const {
    std::size_t n = 0;
    for (const Primitive& p : items) n += p.kind == kind ? 1 : 0;
    return n;
}

Rgb ColorGridColor(int index) {
    static constexpr std::array<Rgb, 16> kGrid{{{0, 0, 0},
                                                {128, 0, 0},
                                                {0, 128, 0},
                                                {128, 128, 0},
                                                {0, 0, 128},
                                                {128, 0, 128},
                                                {0, 128, 128},
                                                {128, 128, 128},
                                                {192, 192, 192},
                                                {255, 0, 0},
                                                {0, 255, 0},
                                                {255, 255, 0},
                                                {0, 0, 255},
                                                {255, 0, 255},
                                                {0, 255, 255},
                                                {255, 255, 255}}};
    if (index < 0 || index > 15) return kBlack;
    return kGrid[static_cast<std::size_t>(index)];
}

}  // namespace kova
