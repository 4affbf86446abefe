#include "results/input_drawing.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "geometry/region.hpp"

namespace kova {
namespace {

constexpr Rgb kCyan{0, 255, 255};
constexpr Rgb kGrey{128, 128, 128};
constexpr float kNodeRadius = 3;
constexpr float kLumpRadius = 7;
constexpr float kBandWidth = 8;
constexpr float kAxisBand = 25;

DrawPoint Pt(Real x, Real y) {
    return {static_cast<float>(x), static_cast<float>(y)};
}

std::vector<DrawPoint> Ring(const std::vector<PixelPoint>& polygon) {
    std::vector<DrawPoint> ring;
    ring.reserve(polygon.size());
    for (const PixelPoint& p : polygon)
        ring.push_back({static_cast<float>(p.x), static_cast<float>(p.y)});
    return ring;
}

bool FrameShown(const Problem& problem, int k) {
    return problem.ValidFrame(k) && problem.frames[static_cast<std::size_t>(k)].subtracted == 0;
}

// A frame side that is open: the exterior or a subtracted frame.
bool OpenSide(const Problem& problem, int k) {
    return k == 0 ||
           (problem.ValidFrame(k) && problem.frames[static_cast<std::size_t>(k)].subtracted != 0);
}

bool ZeroFluxBoundary(const Problem& problem, const LineSegment& s) {
    if (BoundaryKind(s) != 2) return false;
    const BoundarySpec* flux = problem.specs.Find(s.fluxSpec);
    if (flux == nullptr || flux->IsExpression() || flux->value != 0) return false;
    return OpenSide(problem, s.frameA) != OpenSide(problem, s.frameB);
}

bool NodeCarriesSingularPoint(const Problem& problem, int n) {
    return std::any_of(problem.singularPoints.begin(), problem.singularPoints.end(),
                       [n](const SingularPoint& p) { return p.node == n; });
}

void AddZeroFluxBand(Problem& problem, LineSegment& s, const InputDrawingOptions& o,
                     DrawList& out) {
    const Node& a = problem.nodes[s.node1];
    const Node& b = problem.nodes[s.node2];
    const Real dx = b.x - a.x, dy = b.y - a.y;
    const Real length = std::hypot(dx, dy);
    if (!(length > 0)) return;
    const bool axisParallel = dx == 0 || dy == 0;
    const Real d = (axisParallel ? kBandWidth + 1 : kBandWidth) * o.deviceFactor;
    // Unit normal; the band goes to the side away from the frame.
    Real nx = -dy / length, ny = dx / length;
    if (!o.printing) {
        const int k = s.frameA != 0 && !OpenSide(problem, s.frameA) ? s.frameA : s.frameB;
        const Real mx = (a.x + b.x) / 2 + nx * 2, my = (a.y + b.y) / 2 + ny * 2;
        const Frame& f = problem.frames[static_cast<std::size_t>(k)];
        const bool towardsFrame =
            LocatePoint(f.pixelPolygon, RoundPoint(mx, my)) == PointLocation::Inside;
        s.bandSide = towardsFrame ? 1 : 0;
    }
    if (s.bandSide == 1) {
        nx = -nx;
        ny = -ny;
    }
    const DrawPoint quad[] = {Pt(a.x, a.y), Pt(b.x, b.y), Pt(b.x + nx * d, b.y + ny * d),
                              Pt(a.x + nx * d, a.y + ny * d)};
    const Real slope = dx == 0 ? 1e9 : std::fabs(dy / dx);
    const int hatch = (slope <= 0.6 || slope >= 1.6) ? kHatchForwardDiagonal : kHatchHorizontal;
    Pen white;
    white.color = kWhite;
    out.AddPolygon(quad, HatchBrush(kPureRed, hatch), white);
}

// What lies wholly outside the window (with a margin for pens, markers and bands) is
// left out of the window's list: zoomed, most of a large mesh is out of sight. Printing
// draws everything.
struct ViewBox {
    Real left, top, right, bottom;
    bool everything;
    explicit ViewBox(const InputDrawingOptions& o) {
        const Real margin = 16 * o.deviceFactor;
        everything = o.printing || !(o.clientWidth > 0) || !(o.clientHeight > 0);
        left = -margin;
        top = -margin;
        right = o.clientWidth + margin;
        bottom = o.clientHeight + margin;
    }
    bool Holds(Real x, Real y) const {
        return everything || (x >= left && x <= right && y >= top && y <= bottom);
    }
    bool Meets(const Node& a, const Node& b) const {
        return everything || !((a.x < left && b.x < left) || (a.x > right && b.x > right) ||
                               (a.y < top && b.y < top) || (a.y > bottom && b.y > bottom));
    }
};

void AddSegments(Problem& problem, const InputDrawingOptions& o, DrawList& out) {
    const ProblemSettings& st = problem.settings;
    Pen thin;
    thin.width = o.deviceFactor;
    Pen thick = thin;
    thick.width = 2 * o.deviceFactor;
    std::vector<LineSegment*> bands;
    const ViewBox view(o);
    for (LineSegment& s : problem.lines) {
        if (!problem.nodes.Valid(s.node1) || !problem.nodes.Valid(s.node2)) continue;
        if (!FrameShown(problem, s.frameA) && !FrameShown(problem, s.frameB)) continue;
        const bool outline = s.frameA != s.frameB;
        if (!outline && (!st.displayElementLines || s.active == 0)) continue;
        const bool marked = st.displayBoundaryConditions && BoundaryKind(s) > 0;
        const Node& a = problem.nodes[s.node1];
        const Node& b = problem.nodes[s.node2];
        // A band's side is remembered even out of sight, as printing reuses it.
        if (st.displayBoundaryConditions && ZeroFluxBoundary(problem, s)) bands.push_back(&s);
        if (!view.Meets(a, b)) continue;
        out.AddSegment(Pt(a.x, a.y), Pt(b.x, b.y), marked ? thick : thin);
    }
    for (LineSegment* s : bands) AddZeroFluxBand(problem, *s, o, out);
}

void AddNodes(const Problem& problem, const InputDrawingOptions& o, DrawList& out) {
    const ProblemSettings& st = problem.settings;
    if (!st.displayNodes) return;
    const Selection& sel = problem.selection;
    const bool labels = st.displayNodeNumbers || sel.state == SelectType::Temps;
    const bool onlySelected = labels && sel.Count() > 0 && sel.state != SelectType::Frames &&
                              sel.state != SelectType::None;
    Pen thin;
    thin.width = o.deviceFactor;
    Pen thick = thin;
    thick.width = 2 * o.deviceFactor;
    const float radius = kNodeRadius * o.deviceFactor;
    const int n = problem.nodes.Count();
    const bool allNodes = o.repositionMode || st.displayNodeNumbers;
    const ViewBox view(o);
    for (int i = 1; i <= n; ++i) {
        const Node& node = problem.nodes[i];
        if (node.active != 1 && !allNodes) continue;
        if (!view.Holds(node.x, node.y)) continue;
        if (labels) {
            if (onlySelected && !sel.Contains(NumberItem(i))) continue;
            TextPrimitive t;
            t.at = Pt(node.x, node.y);
            t.text = std::to_string(i);
            t.font = "Times New Roman";
            t.size = 10 * o.deviceFactor;
            t.anchor = TextAnchor::Center;
            out.AddEllipse(Pt(node.x - 8 * o.deviceFactor, node.y - 8 * o.deviceFactor),
                           Pt(node.x + 8 * o.deviceFactor, node.y + 8 * o.deviceFactor), thin,
                           SolidBrush(kWhite));
            out.AddText(t);
            continue;
        }
        const bool heavy = st.displayBoundaryConditions &&
                           (node.valueSpec > 0 || NodeCarriesSingularPoint(problem, i));
        out.AddMarker(Pt(node.x, node.y), radius, heavy ? thick : thin, SolidBrush(kWhite));
    }
    for (int k = 1; k <= problem.frameCount; ++k) {
        const Frame& f = problem.frames[static_cast<std::size_t>(k)];
        if (!f.IsLump() || f.subtracted != 0) continue;
        const float r = kLumpRadius * o.deviceFactor;
        out.AddEllipse(Pt(f.labelX - r, f.labelY - r), Pt(f.labelX + r, f.labelY + r), thin,
                       SolidBrush(kWhite));
        if (f.lumpLetter > 0 && f.lumpLetter < 128) {
            TextPrimitive t;
            t.at = Pt(f.labelX, f.labelY);
            t.text = std::string(1, static_cast<char>(f.lumpLetter));
            t.size = 10 * o.deviceFactor;
            t.anchor = TextAnchor::Center;
            out.AddText(t);
        }
    }
}

void AddCheckMarks(const Problem& problem, DrawList& out) {
    const Selection& sel = problem.selection;
    const int n = problem.nodes.Count();
    auto square = [&](Real x, Real y) {
        out.AddRectangle(Pt(x - 4, y - 4), Pt(x + 4, y + 4), kNoPen, SolidBrush(kBlack));
    };
    if (sel.state == SelectType::LineErrors) {
        for (const SelectRec& item : sel.items) {
            const LineSegment* s = item.segment;
            if (s == nullptr || !problem.nodes.Valid(s->node1) || !problem.nodes.Valid(s->node2))
                continue;
            const Node& a = problem.nodes[s->node1];
            const Node& b = problem.nodes[s->node2];
            square((a.x + b.x) / 2, (a.y + b.y) / 2);
        }
    } else if (sel.state == SelectType::NodeErrors) {
        for (const SelectRec& item : sel.items) {
            if (problem.nodes.Valid(item.selectNo)) {
                square(problem.nodes[item.selectNo].x, problem.nodes[item.selectNo].y);
            } else if (problem.ValidFrame(item.selectNo - n)) {
                const Frame& f = problem.frames[static_cast<std::size_t>(item.selectNo - n)];
                square(f.labelX, f.labelY);
            }
        }
    }
}

void AddTemplate(const Problem& problem, DrawList& out,
                 ImagePrimitive::Combine combine = ImagePrimitive::Combine::Copy) {
    const TemplatePicture& tp = problem.templatePicture;
    if (!tp.Present()) return;
    ImagePrimitive image;
    image.combine = combine;
    image.topLeft = Pt(tp.rect.left, tp.rect.top);
    image.bottomRight = Pt(tp.rect.right, tp.rect.bottom);
    // A metafile is not drawn: its frame stands for it, as for a picture that cannot be
    // decoded.
    if (tp.kind == 2) image.encoded = tp.bytes;
    out.AddImage(std::move(image));
}

}  // namespace

int BoundaryKind(const LineSegment& s) {
    if (s.valueSpec > 0) return 1;
    if (s.fluxSpec > 0) return 2;
    if (s.transferSpec > 0) return 3;
    return 0;
}

Brush MaterialBrush(int colorGridIndex, int fillPattern) {
    // The colour grid's index names the colour; a material from a library keeps only that.
    // Library entries may name indices beyond the grid's sixteen; they wrap around, and
    // black, which would hide the mesh, becomes silver.
    Rgb color = ColorGridColor(std::abs(colorGridIndex) % 16);
    if (colorGridIndex > 15 && color == kBlack) color = ColorGridColor(8);
    if (fillPattern < 0) return SolidBrush(color);
    return HatchBrush(color, std::clamp<int>(fillPattern, kHatchHorizontal, kHatchDiagonalCross));
}

Brush FrameBrush(const Problem& problem, const Frame& frame) {
    const Material* m = problem.MaterialAt(frame.material);
    if (m == nullptr || frame.material == 0) return SolidBrush(kWhite);
    return MaterialBrush(m->colorGridIndex, m->fillPattern);
}

void AddGridLayer(const Problem& problem, const InputDrawingOptions& o, DrawList& out) {
    const ProblemSettings& st = problem.settings;
    const Real z = problem.view.zoom > 0 ? problem.view.zoom : 1;
    const Real gx = st.gridSpacingX * z, gy = st.gridSpacingY * z;
    if (!(gx >= 2) || !(gy >= 2)) return;  // a grid finer than 2 pixels would be a fill
    Pen pen;
    if (o.printing) {
        pen.color = kGrey;
        pen.width = std::min(3.0f, std::round(o.deviceFactor));
    } else {
        pen.color = kCyan;
    }
    const Real x0 = st.originX * z - problem.view.scrollX;
    const Real y0 = st.originY * z - problem.view.scrollY;
    const Real w = o.clientWidth, h = o.clientHeight;
    Real xStart = x0;
    if (!st.cylindrical) xStart = x0 - std::ceil(x0 / gx) * gx;
    for (Real x = xStart; x <= w; x += gx)
        if (x >= -gx) out.AddSegment(Pt(x, 0), Pt(x, h), pen);
    const Real left = st.cylindrical ? std::max<Real>(0, x0) : 0;
    for (Real y = y0 - std::floor(y0 / gy) * gy; y <= h; y += gy)
        out.AddSegment(Pt(left, y), Pt(w, y), pen);
}

void AddAxesLayer(const Problem& problem, const InputDrawingOptions& o, DrawList& out) {
    const ProblemSettings& st = problem.settings;
    const Real z = problem.view.zoom > 0 ? problem.view.zoom : 1;
    const Real x0 = static_cast<Real>(RoundHalfEven(st.originX * z)) - problem.view.scrollX;
    const Real y0 = static_cast<Real>(RoundHalfEven(st.originY * z)) - problem.view.scrollY;
    Pen pen;
    pen.width = o.deviceFactor;
    if (!st.cylindrical) {
        out.AddSegment(Pt(x0, 0), Pt(x0, o.clientHeight), pen);
        out.AddSegment(Pt(0, y0), Pt(o.clientWidth, y0), pen);
        return;
    }
    out.AddSegment(Pt(x0, y0), Pt(o.clientWidth, y0), pen);
    Pen dashDot = pen;
    dashDot.style = PenStyle::DashDot;
    out.AddPolyline({Pt(x0, 0), Pt(x0, o.clientHeight)}, dashDot);
    const Real band = kAxisBand * o.deviceFactor;
    out.AddPolygon(
        {Pt(x0 - band, 0), Pt(x0, 0), Pt(x0, o.clientHeight), Pt(x0 - band, o.clientHeight)},
        HatchBrush(kBlack, kHatchBackwardDiagonal));
}

DrawList BuildTemplateSizingOverlay(const Problem& problem) {
    DrawList out;
    const TemplatePicture& tp = problem.templatePicture;
    if (!problem.settings.displayTemplate || !tp.Present()) return out;
    AddTemplate(problem, out, ImagePrimitive::Combine::And);
    Pen frame;
    frame.inverting = true;
    const IntRect& r = tp.rect;
    out.AddPolyline({Pt(r.left, r.top), Pt(r.right, r.top), Pt(r.right, r.bottom),
                     Pt(r.left, r.bottom), Pt(r.left, r.top)},
                    frame);
    out.AddRectangle(Pt(r.right - kTemplateGripSize, r.bottom - kTemplateGripSize),
                     Pt(r.right, r.bottom), frame, kNoBrush);
    return out;
}

DrawList BuildInputDrawing(Problem& problem, const InputDrawingOptions& o) {
    DrawList out;
    const ProblemSettings& st = problem.settings;
    // 1. Template; 2. grid; 3. axes.
    if (st.displayTemplate && !o.templateSizing) AddTemplate(problem, out);
    if (st.displayGrid) AddGridLayer(problem, o, out);
    if (st.displayAxes) AddAxesLayer(problem, o, out);
    // 4. Frame fills in the drawing order (larger first), then every segment once.
    std::vector<int> order;
    for (int i = 0; i < problem.frameCount && i < kMaxFrames; ++i) {
        const int k = st.frameDrawOrder[static_cast<std::size_t>(i)];
        if (problem.ValidFrame(k) && std::find(order.begin(), order.end(), k) == order.end())
            order.push_back(k);
    }
    for (int k = 1; k <= problem.frameCount; ++k)
        if (std::find(order.begin(), order.end(), k) == order.end()) order.push_back(k);
    for (const int k : order) {
        const Frame& f = problem.frames[static_cast<std::size_t>(k)];
        if (f.subtracted != 0 || f.region.Empty()) continue;
        Brush brush;
        if (st.displayPatterns)
            brush = FrameBrush(problem, f);
        else if (f.IsLump())
            brush = SolidBrush(kWhite);
        else
            continue;
        std::vector<std::vector<DrawPoint>> rings;
        for (const auto& poly : f.region.polygons) rings.push_back(Ring(poly));
        const std::size_t outlines = rings.size();
        for (const auto& hole : f.region.holes) rings.push_back(Ring(hole));
        // A hatch is drawn over white, as a platform brush paints its background.
        if (brush.hatch != kHatchSolid) out.AddRegion(rings, outlines, SolidBrush(kWhite));
        out.AddRegion(rings, outlines, brush);
    }
    AddSegments(problem, o, out);
    // 5. Nodes and lumps; 6. check marks; 7. texts.
    AddNodes(problem, o, out);
    AddCheckMarks(problem, out);
    if (st.displayText) AddTextItems(problem, o.textWindow, o.textMetrics, out);
    return out;
}

IntRect TextRectangle(const TextItem& item, const TextMetrics& metrics, Real zoom) {
    const float size = static_cast<float>(RoundHalfEven((std::abs(item.fSize) + 2) * zoom));
    const TextExtent e = metrics.Measure(item.theText, item.fontName, size, item.style);
    const Real a = item.angle * std::numbers::pi_v<Real> / 180;
    const Real right = item.theRect.left + e.width * std::cos(a) + e.height * std::sin(a);
    const Real bottom = item.theRect.top + e.height * std::cos(a) - e.width * std::sin(a);
    const auto r = static_cast<std::int32_t>(RoundHalfEven(right));
    const auto b = static_cast<std::int32_t>(RoundHalfEven(bottom));
    return IntRect{std::min(item.theRect.left, r), std::min(item.theRect.top, b),
                   std::max(item.theRect.left, r), std::max(item.theRect.top, b)};
}

void AddTextItems(const Problem& problem, int window, const TextMetrics* metrics, DrawList& out) {
    const Real zoom = problem.view.zoom;
    Pen dotted;
    dotted.style = PenStyle::Dotted;
    for (const TextItem& item : problem.texts) {
        if (item.winNo != window) continue;
        TextPrimitive t;
        t.at = Pt(item.theRect.left, item.theRect.top);
        t.text = item.theText;
        t.font = item.fontName.empty() ? "Arial" : item.fontName;
        // The font grows with the drawing, two points above the item's size.
        t.size = static_cast<float>(RoundHalfEven((std::abs(item.fSize) + 2) * zoom));
        t.style = item.style;
        t.rotation = item.angle;
        t.color = RgbFromStored(item.color);
        t.opaque = item.mode == TextMode::opaq;
        out.AddText(t);
        if (item.selected && metrics != nullptr) {
            const IntRect r = TextRectangle(item, *metrics, zoom);
            out.AddRectangle(Pt(r.left, r.top), Pt(r.right, r.bottom), dotted, kNoBrush);
        }
    }
}

DrawList BuildBlinkOverlay(const Problem& problem, int phase) {
    DrawList out;
    const Selection& sel = problem.selection;
    Pen black2;
    black2.width = 2;
    Pen white1;
    white1.color = kWhite;
    Pen black1;
    auto segment = [&](const LineSegment& s) {
        if (!problem.nodes.Valid(s.node1) || !problem.nodes.Valid(s.node2)) return;
        const Node& a = problem.nodes[s.node1];
        const Node& b = problem.nodes[s.node2];
        if (phase == 0) {
            out.AddSegment(Pt(a.x, a.y), Pt(b.x, b.y), black2);
        } else {
            out.AddSegment(Pt(a.x, a.y), Pt(b.x, b.y), white1);
        }
    };
    const int n = problem.nodes.Count();
    switch (sel.state) {
        case SelectType::Frames:
            for (const SelectRec& item : sel.items) {
                if (!problem.ValidFrame(item.selectNo)) continue;
                const Frame& f = problem.frames[static_cast<std::size_t>(item.selectNo)];
                std::vector<DrawPoint> ring = Ring(f.pixelPolygon);
                if (phase == 0) {
                    out.AddPolyline(ring, black2);
                } else {
                    out.AddPolyline(ring, white1);
                    out.AddPolyline(ring, black1);
                }
            }
            break;
        case SelectType::Lines:
        case SelectType::Bounds:
            for (const SelectRec& item : sel.items)
                if (item.segment != nullptr) segment(*item.segment);
            if (phase == 1)
                for (const SelectRec& item : sel.items)
                    if (item.segment != nullptr && problem.nodes.Valid(item.segment->node1) &&
                        problem.nodes.Valid(item.segment->node2)) {
                        const Node& a = problem.nodes[item.segment->node1];
                        const Node& b = problem.nodes[item.segment->node2];
                        out.AddSegment(Pt(a.x, a.y), Pt(b.x, b.y), black1);
                    }
            break;
        case SelectType::Points:
        case SelectType::Temps:
        case SelectType::Nodal:
        case SelectType::Lumps:
            for (const SelectRec& item : sel.items) {
                Real x = 0, y = 0;
                float r = kNodeRadius;
                if (problem.nodes.Valid(item.selectNo)) {
                    x = problem.nodes[item.selectNo].x;
                    y = problem.nodes[item.selectNo].y;
                } else if (problem.ValidFrame(item.selectNo - n)) {
                    const Frame& f = problem.frames[static_cast<std::size_t>(item.selectNo - n)];
                    x = f.labelX;
                    y = f.labelY;
                    r = kLumpRadius;
                } else {
                    continue;
                }
                out.AddMarker(Pt(x, y), r, black1, SolidBrush(phase == 0 ? kBlack : kWhite));
            }
            break;
        default:
            break;
    }
    return out;
}

}  // namespace kova
