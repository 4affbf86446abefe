#include "results/flows.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>

#include "expressions/evaluator.hpp"
#include "geometry/primitives.hpp"
#include "model/messages.hpp"
#include "model/number_format.hpp"
#include "model/problem.hpp"
#include "model/selection.hpp"
#include "model/subjects.hpp"
#include "solver/assembly.hpp"
#include "units/unit_labels.hpp"

namespace kova {
namespace {

constexpr Real kMarkDistance = 6;

// The level's time in the solver's unit, for evaluations.
Real LevelTime(const FlowContext& c, int level) {
    if (!c.results.HasLevel(level)) return 0;
    return c.results.Level(level)[0] * TimeFactor(c.problem);
}

Real StoredValue(const FlowContext& c, int level, int index) {
    if (!c.results.HasLevel(level)) return 0;
    const std::vector<Real>& v = c.results.Level(level);
    return index >= 0 && static_cast<std::size_t>(index) < v.size()
               ? v[static_cast<std::size_t>(index)]
               : 0;
}

// The elements that hold both end nodes (at most two, in table order) with their third
// nodes.
struct Adjacent {
    int count = 0;
    int element[2] = {0, 0};
    int third[2] = {0, 0};
};

Adjacent AdjacentElements(const FlowContext& c, const LineSegment& s) {
    Adjacent a;
    for (int e = 1; e <= c.elements.Count() && a.count < 2; ++e) {
        const auto& nodes = c.elements[e].nodes;
        const bool has1 = std::find(nodes.begin(), nodes.end(), s.node1) != nodes.end();
        const bool has2 = std::find(nodes.begin(), nodes.end(), s.node2) != nodes.end();
        if (!has1 || !has2) continue;
        int third = 0;
        for (int n : nodes)
            if (n != s.node1 && n != s.node2) third = n;
        a.element[a.count] = e;
        a.third[a.count] = third;
        ++a.count;
    }
    return a;
}

Real SegmentLength(const Problem& p, const LineSegment& s) {
    const Node& a = p.nodes[s.node1];
    const Node& b = p.nodes[s.node2];
    return std::hypot(b.x - a.x, b.y - a.y);
}

// The direction from (x0, y0) to (x, y) in whole degrees, counter-clockwise on the
// screen, in -179..180.
int DirectionDegrees(Real x0, Real y0, Real x, Real y) {
    const Real degrees = std::atan2(-(y - y0), x - x0) * 180 / std::numbers::pi_v<Real>;
    int a = static_cast<int>(RoundHalfEven(degrees));
    if (a < 0) a += 360;
    if (a > 180) a -= 360;
    return a;
}

bool SharesNode(const LineSegment& s, int node) {
    return s.node1 == node || s.node2 == node;
}

void SignAlongPath(const FlowContext& c, FlowPath& path, int item, LineSegment& s) {
    const Problem& p = c.problem;
    const TestPointPair tp = TestPoints(p, s, kMarkDistance);
    const Node& first = p.nodes[s.node1];
    const int alpha[3] = {0, DirectionDegrees(first.x, first.y, tp.x1, tp.y1),
                          DirectionDegrees(first.x, first.y, tp.x2, tp.y2)};
    const int sIndex = s.flowDirection == 1 ? 1 : 2;
    const int oIndex = sIndex == 1 ? 2 : 1;
    int delta = alpha[oIndex] - alpha[sIndex];
    if (delta < -180) delta += 360;
    bool crossing = delta > 0 && delta < 180;
    const std::vector<SelectRec>& items = c.problem.selection.items;
    if (item == 0) {
        s.lineFlow = std::fabs(s.lineFlow);
        path.referenceSense = crossing;
        return;
    }
    if (item == 1 && items[0].segment != nullptr && SharesNode(s, items[0].segment->node1))
        path.referenceSense = !path.referenceSense;
    s.lineFlow = std::fabs(s.lineFlow);
    const LineSegment* previous = items[static_cast<std::size_t>(item - 1)].segment;
    if (previous != nullptr && SharesNode(*previous, s.node2)) crossing = !crossing;
    if (crossing != path.referenceSense) s.lineFlow = -s.lineFlow;
}

// Whether a flux specified on the segment enters frame A: the assembly gives it to the
// distributed frame beside the segment (frame A when both are), or else to the lump.
bool FluxEntersFrameA(const Problem& p, const LineSegment& s) {
    auto frame = [&](int k) -> const Frame* {
        const Frame* f = k >= 1 ? p.FrameAt(k) : nullptr;
        return f != nullptr && f->subtracted == 0 ? f : nullptr;
    };
    const Frame* a = frame(s.frameA);
    const Frame* b = frame(s.frameB);
    if (a == nullptr) return false;
    return !a->IsLump() || b == nullptr || b->IsLump();
}

std::string FlowSymbol(ProbTypeA subject) {
    switch (subject) {
        case ProbTypeA::ElecFieldC:
            return "I";
        case ProbTypeA::MagField:
            return "Phi";
        case ProbTypeA::Hydrodynamics:
            return "Flow";
        default:
            return "Q";
    }
}

// The flow label with the per-depth suffix of planar geometry.
std::string FlowUnit(const Problem& problem, bool finRule) {
    const ProblemSettings& s = problem.settings;
    const char* suffix = "";
    if (!s.cylindrical && !(finRule && s.subject == ProbTypeA::ThinFins)) {
        if (s.unitSystem == Unittype::Eng)
            suffix = "-ft";
        else
            suffix = s.subject == ProbTypeA::Hydrodynamics ? "-m" : "/m";
    }
    return UnitLabel(problem, Quantity::Flow) + suffix;
}

std::string Auto(Real value, Real chooser) {
    return FormatNumber(AutoFormat(chooser, 4), value);
}

}  // namespace

Real ElementValueAt(const FlowContext& c, int element, Real x, Real y, int level) {
    if (!c.elements.Valid(element)) return 0;
    const auto& nodes = c.elements[element].nodes;
    Real xs[3], ys[3], t[3];
    for (int i = 0; i < 3; ++i) {
        const Node& n = c.problem.nodes[nodes[static_cast<std::size_t>(i)]];
        xs[i] = static_cast<Real>(RoundHalfEven(n.x));
        ys[i] = static_cast<Real>(RoundHalfEven(n.y));
        t[i] = StoredValue(c, level, nodes[static_cast<std::size_t>(i)]);
    }
    const Real px = static_cast<Real>(RoundHalfEven(x));
    const Real py = static_cast<Real>(RoundHalfEven(y));
    const Real det = (xs[1] - xs[0]) * (ys[2] - ys[0]) - (xs[2] - xs[0]) * (ys[1] - ys[0]);
    if (det == 0) return (t[0] + t[1] + t[2]) / 3;
    const Real l1 = ((xs[1] - px) * (ys[2] - py) - (xs[2] - px) * (ys[1] - py)) / det;
    const Real l2 = ((xs[2] - px) * (ys[0] - py) - (xs[0] - px) * (ys[2] - py)) / det;
    const Real l3 = 1 - l1 - l2;
    return l1 * t[0] + l2 * t[1] + l3 * t[2];
}

SideFlowResult SideFlow(const FlowContext& c, int element, int opposite, int level,
                        Real areaFactor) {
    SideFlowResult r;
    if (!c.elements.Valid(element)) return r;
    Problem& p = c.problem;
    const Element& e = c.elements[element];
    Real x[3], y[3], t[3];
    int o = 0;
    for (int i = 0; i < 3; ++i) {
        const int n = e.nodes[static_cast<std::size_t>(i)];
        x[i] = p.nodes[n].x;
        y[i] = p.nodes[n].y;
        t[i] = StoredValue(c, level, n);
        if (n == opposite) o = i;
    }
    const Real w = (x[1] - x[0]) * (y[2] - y[1]) - (x[2] - x[1]) * (y[1] - y[0]);
    r.doubledArea = std::fabs(w);
    const ResultSolutionData data(c.elements, c.results, level);
    const Real time = LevelTime(c, level);
    Real k = 0;
    for (int corner = 1; corner <= 3; ++corner) {
        int error = 0;
        k += HasUnitConductivity(p.settings.subject)
                 ? 1.0L
                 : EvaluateMaterialProperty(p, kPropertyConductivity, element, corner, error, time,
                                            level, &data);
        if (error != 0) {
            ReportEvaluationError(p, kPropertyConductivity, e.frame);
            r.ok = false;
            return r;
        }
    }
    k /= 3;
    const Frame* frame = p.FrameAt(e.frame);
    const Material* m = frame != nullptr ? p.MaterialAt(frame->material) : nullptr;
    // The assembly uses the ratio ky/kx in Cartesian geometry only.
    const Real a =
        !p.settings.cylindrical && m != nullptr && m->anisotropic != 0 ? m->kyOverKx : 1.0L;
    if (w == 0) return r;
    const Real b[3] = {y[1] - y[2], y[2] - y[0], y[0] - y[1]};
    const Real cc[3] = {x[2] - x[1], x[0] - x[2], x[1] - x[0]};
    const Real pl = p.settings.pixelLength;
    const Real qx = -k * (b[0] * t[0] + b[1] * t[1] + b[2] * t[2]) / (w * pl);
    const Real qy = -a * k * (cc[0] * t[0] + cc[1] * t[1] + cc[2] * t[2]) / (w * pl);
    const Real s = w >= 0 ? 1 : -1;
    Real f = (b[o] * qx + cc[o] * qy) * s * pl;
    if (p.settings.cylindrical)
        f *= areaFactor;
    else
        f *= FinThickness(p, e.frame);
    r.flow = f;
    return r;
}

void LineFlow(const FlowContext& c, FlowPath& path, int item, LineSegment& s, int level) {
    Problem& p = c.problem;
    s.lineFlow = 0;
    if (!p.nodes.Valid(s.node1) || !p.nodes.Valid(s.node2)) return;
    const Real time = LevelTime(c, level);
    const ResultSolutionData data(c.elements, c.results, level);
    const Real pl = p.settings.pixelLength;
    const Real length = SegmentLength(p, s);
    const Real fa = p.settings.cylindrical ? s.areaFactor : 1.0L;
    const int nodeCount = p.nodes.Count();
    const TestPointPair tp = TestPoints(p, s, kMarkDistance);
    if (s.valueSpec <= 0 && (s.transferSpec > 0 || s.fluxSpec > 0)) {
        int direction = 1;
        if (s.transferSpec > 0) {
            int error = 0;
            const Real h1 =
                EvaluateSpecAtNode(p, s.node1, s.transferSpec, level, error, 0, time, &data);
            const Real h2 =
                EvaluateSpecAtNode(p, s.node2, s.transferSpec, level, error, 0, time, &data);
            const Real h = (h1 + h2) / 2;
            Real ambient = 0;
            if (s.ambientSpec > 0) {
                const Real a1 =
                    EvaluateSpecAtNode(p, s.node1, s.ambientSpec, level, error, 0, time, &data);
                const Real a2 =
                    EvaluateSpecAtNode(p, s.node2, s.ambientSpec, level, error, 0, time, &data);
                ambient = (a1 + a2) / 2;
            }
            const Real t1 = StoredValue(c, level, s.node1);
            const Real t2 = StoredValue(c, level, s.node2);
            auto sideTerm = [&](int k) -> Real {
                const Frame* f = p.FrameAt(k);
                if (k == 0 || f == nullptr || f->subtracted != 0) return h * ambient;
                if (f->IsLump()) return h * StoredValue(c, level, nodeCount + k);
                if (!p.settings.cylindrical) return ((2 * h1 + h2) * t1 + (h1 + 2 * h2) * t2) / 6;
                const Real r1 = p.RadiusPixels(p.nodes[s.node1].x);
                const Real r2 = p.RadiusPixels(p.nodes[s.node2].x);
                return h * ((2 * r1 + r2) * t1 + (r1 + 2 * r2) * t2) / (3 * r1 + 3 * r2);
            };
            // An extended surface's edge exchanges over its height, as in the assembly.
            s.lineFlow =
                length * fa * pl * (sideTerm(s.frameA) - sideTerm(s.frameB)) * EdgeThickness(p, s);
        }
        if (s.fluxSpec > 0) {
            const Adjacent adj = AdjacentElements(c, s);
            int error = 0;
            const Real q1 = EvaluateSpecAtNode(p, s.node1, s.fluxSpec, level, error, adj.element[0],
                                               time, &data);
            const Real q2 = EvaluateSpecAtNode(p, s.node2, s.fluxSpec, level, error, adj.element[0],
                                               time, &data);
            // The flux enters the frame that the assembly gives it to, over its edge's
            // height; a positive line flow leaves frame A.
            const Real inflow = length * ((q1 + q2) / 2) * fa * pl * EdgeThickness(p, s);
            s.lineFlow += FluxEntersFrameA(p, s) ? -inflow : inflow;
        }
        if (!(s.lineFlow >= 0)) direction = -direction;
        if (FrameAtPoint(p, tp.x1, tp.y1) != s.frameA) direction = -direction;
        s.flowDirection = direction < 0 ? 2 : 1;
    } else {
        const Adjacent adj = AdjacentElements(c, s);
        if (adj.count == 1) {
            const SideFlowResult f = SideFlow(c, adj.element[0], adj.third[0], level, fa);
            s.lineFlow = f.ok ? f.flow : 0;
        } else if (adj.count == 2) {
            const SideFlowResult f1 = SideFlow(c, adj.element[0], adj.third[0], level, fa);
            const SideFlowResult f2 =
                f1.ok ? SideFlow(c, adj.element[1], adj.third[1], level, fa) : SideFlowResult{};
            const Real areas = f1.doubledArea + f2.doubledArea;
            s.lineFlow = f1.ok && f2.ok && areas > 0
                             ? (f2.doubledArea * f1.flow - f1.doubledArea * f2.flow) / areas
                             : 0;
        }
        // Without an element the flow is 0 and the direction is taken as 1.
        s.flowDirection = 1;
        if (adj.count > 0) {
            const Real tp1 = ElementValueAt(c, adj.element[0], tp.x1, tp.y1, level);
            const Real tp2 = ElementValueAt(c, adj.element[0], tp.x2, tp.y2, level);
            s.flowDirection = tp2 < tp1 ? 1 : 2;
        }
    }
    SignAlongPath(c, path, item, s);
}

SelectionFlowResult SelectionFlow(const FlowContext& c, FlowPath& path, int level) {
    SelectionFlowResult r;
    Selection& sel = c.problem.selection;
    if (HoldsNodes(sel.state)) {
        if (c.balances != nullptr && c.balances->HasLevel(level)) {
            const std::vector<Real>& b = c.balances->Level(level);
            for (const SelectRec& item : sel.items)
                if (item.selectNo > 0 && static_cast<std::size_t>(item.selectNo) < b.size())
                    r.value += b[static_cast<std::size_t>(item.selectNo)];
        }
        if (!sel.items.empty()) r.direction = 1;
        return r;
    }
    if (sel.state == SelectType::Bounds || sel.state == SelectType::Flow) {
        for (std::size_t i = 0; i < sel.items.size(); ++i) {
            LineSegment* s = sel.items[i].segment;
            if (s == nullptr) continue;
            LineFlow(c, path, static_cast<int>(i), *s, level);
            r.value += s->lineFlow;
        }
        if (!sel.items.empty() && sel.items[0].segment != nullptr)
            r.direction = sel.items[0].segment->flowDirection;
    }
    return r;
}

void DrawFlowMark(const Problem& p, const LineSegment& s, DrawList& out) {
    if (!p.nodes.Valid(s.node1) || !p.nodes.Valid(s.node2)) return;
    const Node& a = p.nodes[s.node1];
    const Node& b = p.nodes[s.node2];
    const Real mx = static_cast<Real>(RoundHalfEven((a.x + b.x) / 2));
    const Real my = static_cast<Real>(RoundHalfEven((a.y + b.y) / 2));
    if (s.lineFlow == 0) {
        const float x = static_cast<float>(mx), y = static_cast<float>(my);
        out.AddPolygon({{x + 3, y - 6},
                        {x + 6, y - 3},
                        {x + 6, y + 3},
                        {x + 3, y + 6},
                        {x - 3, y + 6},
                        {x - 6, y + 3},
                        {x - 6, y - 3},
                        {x - 3, y - 6}},
                       SolidBrush(kPureRed));
        return;
    }
    const TestPointPair tp = TestPoints(p, s, kMarkDistance);
    DrawPoint from{static_cast<float>(tp.x1), static_cast<float>(tp.y1)};
    DrawPoint to{static_cast<float>(tp.x2), static_cast<float>(tp.y2)};
    out.AddPolyline({from, to}, Pen{});
    if (s.flowDirection == 2) std::swap(from, to);
    // The arrowhead sits at the destination and points away from the other point.
    const float dx = to.x - from.x, dy = to.y - from.y;
    const float len = std::hypot(dx, dy);
    if (!(len > 0)) return;
    const float ux = dx / len, uy = dy / len;
    out.AddPolygon({{to.x + 4 * ux, to.y + 4 * uy},
                    {to.x - 3 * uy, to.y + 3 * ux},
                    {to.x + 3 * uy, to.y - 3 * ux}},
                   SolidBrush(kBlack));
}

namespace {

// A node's or lump's value in a white circle that grows with the text (about 5 pixels a
// character at height 10); a selected item's circle is drawn heavy.
void ValueLabel(Real x, Real y, Real value, bool selected, DrawList& out) {
    Pen pen;
    if (selected) pen.width = 2;
    TextPrimitive t;
    t.text = FormatCell(DecForm{kAutomaticStyle, 1}, value);
    const float fx = static_cast<float>(x), fy = static_cast<float>(y);
    const float r = std::max(8.0f, 2.6f * static_cast<float>(t.text.size()) + 2);
    out.AddEllipse({fx - r, fy - 8}, {fx + r, fy + 8}, pen, SolidBrush(kWhite));
    t.at = {fx, fy};
    t.font = "Times New Roman";
    t.size = 10;
    t.anchor = TextAnchor::Center;
    out.AddText(t);
}

}  // namespace

void DrawBalanceLayout(const Problem& p, const ElementTable& elements, std::span<const Real> values,
                       DrawList& out) {
    const int nodeCount = p.nodes.Count();
    // One label per node however many chosen elements share it.
    std::vector<char> labelled(static_cast<std::size_t>(nodeCount) + 1, 0);
    Pen dotted;
    dotted.style = PenStyle::Dotted;
    auto chosen = [&](int k) { return p.ValidFrame(k) && p.frames[k].balanceSelected != 0; };
    for (int e = 1; e <= elements.Count(); ++e) {  // elements are numbered from 1
        const Element& el = elements[e];
        if (!chosen(el.frame)) continue;
        const Node& a = p.nodes[el.nodes[0]];
        const Node& b = p.nodes[el.nodes[1]];
        const Node& c = p.nodes[el.nodes[2]];
        const DrawPoint centre{static_cast<float>((a.x + b.x + c.x) / 3),
                               static_cast<float>((a.y + b.y + c.y) / 3)};
        for (const auto& [u, v] : {std::pair{&a, &b}, {&b, &c}, {&c, &a}})
            out.AddSegment(
                centre,
                {static_cast<float>((u->x + v->x) / 2), static_cast<float>((u->y + v->y) / 2)},
                dotted);
        for (const int n : el.nodes) labelled[static_cast<std::size_t>(n)] = 1;
    }
    auto valueOf = [&](int entry) -> std::optional<Real> {
        if (entry < 0 || static_cast<std::size_t>(entry) >= values.size()) return std::nullopt;
        return values[static_cast<std::size_t>(entry)];
    };
    for (int n = 1; n <= nodeCount; ++n)
        if (labelled[static_cast<std::size_t>(n)] != 0)
            if (const auto v = valueOf(n))
                ValueLabel(p.nodes[n].x, p.nodes[n].y, *v, p.selection.Contains(NumberItem(n)),
                           out);
    for (int k = 1; k <= p.frameCount; ++k) {
        const Frame& f = p.frames[static_cast<std::size_t>(k)];
        if (!f.IsLump() || f.subtracted != 0 || !chosen(k)) continue;
        if (const auto v = valueOf(nodeCount + k))
            ValueLabel(f.labelX, f.labelY, *v, p.selection.Contains(NumberItem(nodeCount + k)),
                       out);
    }
}

void DrawNodeValueLabels(const Problem& p, std::span<const Real> values, DrawList& out) {
    auto label = [&](Real x, Real y, std::size_t entry) {
        if (entry < values.size()) ValueLabel(x, y, values[entry], false, out);
    };
    const int nodeCount = p.nodes.Count();
    for (int n = 1; n <= nodeCount; ++n)
        if (p.nodes[n].active == 1) label(p.nodes[n].x, p.nodes[n].y, static_cast<std::size_t>(n));
    for (int k = 1; k <= p.frameCount; ++k) {
        const Frame& f = p.frames[static_cast<std::size_t>(k)];
        if (f.IsLump() && f.subtracted == 0)
            label(f.labelX, f.labelY, static_cast<std::size_t>(nodeCount + k));
    }
}

FlowClickResult FlowClick(const FlowContext& c, FlowPath& path, LineSegment& segment, int level) {
    FlowClickResult result;
    Problem& p = c.problem;
    Selection& sel = p.selection;
    sel.state = SelectType::Flow;
    const SelectRec clicked = SegmentItem(&segment);
    const int count = sel.Count();
    auto segmentAt = [&](int i) { return sel.items[static_cast<std::size_t>(i)].segment; };
    if (count >= 2 && path.pathEnd != 0 && SharesNode(segment, path.pathEnd)) {
        if (sel.Contains(clicked)) {
            ToggleItem(p, clicked);
            sel.state = SelectType::Flow;
            result.redraw = true;
            result.summary = FlowSummaryText(p);
            return result;
        }
        sel.items.push_back(clicked);
        LineFlow(c, path, count, segment, level);
        path.pathEnd = segment.node1 == path.pathEnd ? segment.node2 : segment.node1;
        if (path.pathEnd == path.pathStart) path.pathEnd = 0;
    } else if (count == 1 && segmentAt(0) != nullptr && segmentAt(0) != &segment &&
               (SharesNode(segment, segmentAt(0)->node1) ||
                SharesNode(segment, segmentAt(0)->node2))) {
        const LineSegment& first = *segmentAt(0);
        int shared = 0;
        for (int a : {first.node1, first.node2}) {
            for (int b : {segment.node1, segment.node2})
                if (shared == 0 && a == b) shared = a;
        }
        path.pathStart = first.node1 == shared ? first.node2 : first.node1;
        sel.items.push_back(clicked);
        LineFlow(c, path, 1, segment, level);
        path.pathEnd = segment.node1 == shared ? segment.node2 : segment.node1;
    } else {
        result.redraw = count > 0;
        sel.items.clear();
        sel.items.push_back(clicked);
        path.pathStart = path.pathEnd = 0;
        LineFlow(c, path, 0, segment, level);
    }
    DrawFlowMark(p, segment, result.marks);
    result.summary = FlowSummaryText(p);
    return result;
}

std::string FlowSummaryText(const Problem& p) {
    const Selection& sel = p.selection;
    if (sel.items.empty() || sel.items.back().segment == nullptr)
        return GetMessage(MessageId::SelectConnectedBoundaries);
    Real sum = 0;
    for (const SelectRec& item : sel.items)
        if (item.segment != nullptr) sum += item.segment->lineFlow;
    const LineSegment& last = *sel.items.back().segment;
    const std::string unit = " " + FlowUnit(p, true);
    const std::string symbol = FlowSymbol(p.settings.subject);
    std::string text = symbol + "[" + std::to_string(last.node1) + "," +
                       std::to_string(last.node2) + "]=" + Auto(last.lineFlow, sum) + unit;
    if (sel.items.size() >= 2) text += "    Sum(" + symbol + ")=" + Auto(sum, sum) + unit;
    return text;
}

std::string BalanceSummaryText(const FlowContext& c, int level) {
    const Problem& p = c.problem;
    const Selection& sel = p.selection;
    if (sel.items.empty()) return "Click on a node";
    const int set = p.settings.transient ? level : 0;
    const int valueLevel = p.settings.transient ? level : 0;
    auto entry = [](const ResultTable* t, int l, int n) -> Real {
        if (t == nullptr || !t->HasLevel(l) || n < 0) return 0;
        const std::vector<Real>& v = t->Level(l);
        return static_cast<std::size_t>(n) < v.size() ? v[static_cast<std::size_t>(n)] : 0;
    };
    Real sum = 0;
    for (const SelectRec& item : sel.items) sum += entry(c.balances, set, item.selectNo);
    const int n = sel.items.back().selectNo;
    const Real last = entry(c.balances, set, n);
    const Real value = entry(&c.results, valueLevel, n);
    const int nodeCount = p.nodes.Count();
    std::string label = std::to_string(n);
    if (n > nodeCount) {
        const Frame* f = p.FrameAt(n - nodeCount);
        label = std::string(1, static_cast<char>(f != nullptr ? f->lumpLetter : '?'));
    }
    // The balances of an extended surface are whole flows already (its terms carry the
    // thickness), so they have no per-depth suffix.
    const std::string unit = !p.settings.cylindrical && p.settings.subject == ProbTypeA::ThinFins
                                 ? UnitLabel(p, Quantity::Flow)
                                 : FlowUnit(p, false);
    const std::string symbol = FlowSymbol(p.settings.subject);
    std::string text = symbol + "[" + label + "]=" + Auto(last, last);
    if (sel.items.size() == 1) {
        text += " " + unit + "    " + std::string(1, p.vocabulary.variableLetter) + "[" + label +
                "]=" + FormatCell(DecForm{kAutomaticStyle, 1}, value);
    } else {
        text += "   Sum(" + symbol + ")=" + Auto(sum, last) + " " + unit;
    }
    return text;
}

bool SelectNodePath(const FlowContext& c, FlowPath& path, const std::vector<int>& nodes, int level,
                    int& badPair) {
    Problem& p = c.problem;
    badPair = -1;
    p.selection.items.clear();
    p.selection.state = SelectType::Flow;
    path = FlowPath{};
    for (std::size_t i = 0; i + 1 < nodes.size(); ++i) {
        const int a = std::min(nodes[i], nodes[i + 1]);
        const int b = std::max(nodes[i], nodes[i + 1]);
        LineSegment* found = nullptr;
        for (LineSegment& s : p.lines)
            if (std::min(s.node1, s.node2) == a && std::max(s.node1, s.node2) == b) found = &s;
        if (found == nullptr || found->active == 0) {
            badPair = static_cast<int>(i);
            p.selection.items.clear();
            return false;
        }
        FlowClick(c, path, *found, level);
        if (p.selection.Count() != static_cast<int>(i) + 1) {
            badPair = static_cast<int>(i);
            p.selection.items.clear();
            return false;
        }
    }
    return !p.selection.items.empty();
}

}  // namespace kova
