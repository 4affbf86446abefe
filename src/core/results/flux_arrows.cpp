#include "results/flux_arrows.hpp"

#include <algorithm>
#include <array>
#include <cmath>

#include "expressions/element_gradient.hpp"
#include "results/flows.hpp"
#include "results/input_drawing.hpp"
#include "units/unit_labels.hpp"

namespace kova {

GradientSettings GradientSettingsOf(const Problem& problem, GradientSettings base) {
    base.fluxScaleMin = problem.settings.gradientScaleMin;
    base.fluxScaleMax = problem.settings.gradientScaleMax;
    return base;
}

void StoreGradientSettings(Problem& problem, const GradientSettings& settings) {
    problem.settings.gradientScaleMin = settings.fluxScaleMin;
    problem.settings.gradientScaleMax = settings.fluxScaleMax;
}

void FixFluxScale(GradientSettings& s) {
    if (s.fluxScaleMax <= s.fluxScaleMin) {
        // Just above the minimum; for a minimum of 0 or below, 1 % of its size above it
        // (a negative minimum times 1.01 would lie below it).
        s.fluxScaleMax = s.fluxScaleMin > 0 ? s.fluxScaleMin * 1.01L
                                            : s.fluxScaleMin + std::fabs(s.fluxScaleMin) * 0.01L;
    }
    if (s.fluxScaleMax == 0 || s.fluxScaleMax <= s.fluxScaleMin) s.fluxScaleMax = 0.01L;
    if (s.fluxScaleMax <= s.fluxScaleMin) s.fluxScaleMax = s.fluxScaleMin + 0.01L;
}

ElementArrowFlux ArrowFlux(const ResultView& view, int element, int step,
                           bool temperatureGradient) {
    ElementArrowFlux out;
    Problem& p = view.problem;
    const ResultSolutionData data(view.elements, view.results, step);
    const ProbTypeA subject = p.settings.subject;
    const bool thermal = subject == ProbTypeA::HeatTrans || subject == ProbTypeA::Bio ||
                         subject == ProbTypeA::ThinFins;
    ElementGradient g;
    if (temperatureGradient && thermal) {
        g = ElementGradientComponents(p, data, element, step);
        if (p.settings.pixelLength > 0)
            g.magnitude = std::sqrt(g.dvdx * g.dvdx + g.dvdy * g.dvdy) / p.settings.pixelLength;
    } else {
        g = ElementFlux(p, data, element, step, false);
    }
    out.ok = g.errorCode == 0;
    out.magnitude = g.magnitude;
    out.dvdx = g.dvdx;
    out.dvdy = g.dvdy;
    return out;
}

std::pair<Real, Real> GetFluxMinMax(const ResultView& view, int firstStep, int lastStep,
                                    bool temperatureGradient) {
    Real low = 1e30L, high = -1e30L;
    firstStep = std::max(firstStep, 0);
    lastStep = std::min(lastStep, view.LastStep());
    for (int step = firstStep; step <= lastStep; ++step) {
        for (int e = 1; e <= view.elements.Count(); ++e) {
            const ElementArrowFlux f = ArrowFlux(view, e, step, temperatureGradient);
            if (!f.ok) continue;
            low = std::min(low, f.magnitude);
            high = std::max(high, f.magnitude);
        }
    }
    if (high <= 0) high = 1e-6L;
    if (low <= 0) low = high * 0.01L;
    return {low, high};
}

namespace {

constexpr float kHeadLength = 6;
constexpr float kHeadHalfWidth = 3;

// A filled head at `tip` for an arrow coming from `tail`.
void Head(DrawPoint tail, DrawPoint tip, float scale, DrawList& heads) {
    const float dx = tip.x - tail.x, dy = tip.y - tail.y;
    const float length = std::hypot(dx, dy);
    if (!(length > 0)) return;
    const float ux = dx / length, uy = dy / length;
    const float l = std::min(kHeadLength * scale, length), w = kHeadHalfWidth * scale;
    const DrawPoint base{tip.x - ux * l, tip.y - uy * l};
    const std::array<DrawPoint, 3> tri{tip, DrawPoint{base.x - uy * w, base.y + ux * w},
                                       DrawPoint{base.x + uy * w, base.y - ux * w}};
    heads.AddPolygon(tri, SolidBrush(kBlack), Pen{});
}

void Outlines(const Problem& p, const GradientSettings& g, const ContourSettings& c,
              DrawList& out) {
    Pen black;
    Pen white;
    white.color = kWhite;
    for (const LineSegment& seg : p.lines) {
        if (!p.nodes.Valid(seg.node1) || !p.nodes.Valid(seg.node2)) continue;
        const bool inner = seg.frameA != 0 && seg.frameB != 0;
        const bool draw = !inner || (seg.frameA != seg.frameB && c.showOutlines) || g.showFluxLines;
        if (!draw) continue;
        const Node& a = p.nodes[seg.node1];
        const Node& b = p.nodes[seg.node2];
        // White only between two frames: a white boundary would vanish on the background.
        out.AddSegment({static_cast<float>(std::round(a.x)), static_cast<float>(std::round(a.y))},
                       {static_cast<float>(std::round(b.x)), static_cast<float>(std::round(b.y))},
                       c.whiteLines && inner ? white : black);
    }
}

int Sign(Real v) {
    return v < 0 ? -1 : 1;
}

bool InsideTriangle(const std::array<long long, 3>& X, const std::array<long long, 3>& Y,
                    long long x, long long y) {
    long long pos = 0, neg = 0;
    for (std::size_t i = 0; i < 3; ++i) {
        const std::size_t j = (i + 1) % 3;
        const long long cross = (X[j] - X[i]) * (y - Y[i]) - (Y[j] - Y[i]) * (x - X[i]);
        if (cross > 0) ++pos;
        if (cross < 0) ++neg;
    }
    return (pos == 0 || neg == 0) && (pos + neg > 0);
}

}  // namespace

ArrowPicture DrawFluxArrows(const ResultView& view, const GradientSettings& s,
                            ContourSettings& contourSettings, const ArrowDrawOptions& o) {
    ArrowPicture result;
    const Real d = o.deviceFactor, z = o.zoom;
    const int lmin = static_cast<int>(std::lround(4 * d * z));
    const int lmax = static_cast<int>(std::lround(s.arrowLength * d / 2));
    const int grid = std::max(1, static_cast<int>(std::lround(s.arrowSpacing * d * z)));
    result.shortest = lmin;
    result.longest = lmax;
    if (!view.HasResults()) return result;
    Problem& p = view.problem;
    DrawList& out = result.picture;
    if (s.superimpose) {
        contourSettings.whiteLines = true;
        ContourSettings shown = contourSettings;
        shown.showElementLines = s.showFluxLines;
        ContourDrawOptions co;
        co.clip = o.clip;
        result.contours = DrawContours(view, shown, co);
        out.Append(result.contours->picture);
    } else {
        if (o.showPatterns)
            for (int k = 1; k <= p.frameCount; ++k)
                if (p.ValidFrame(k) && p.frames[k].subtracted == 0 &&
                    p.frames[k].pixelPolygon.size() >= 3) {
                    std::vector<DrawPoint> ring;
                    for (const PixelPoint& q : p.frames[k].pixelPolygon)
                        ring.push_back({static_cast<float>(q.x), static_cast<float>(q.y)});
                    out.AddPolygon(ring, FrameBrush(p, p.frames[k]));
                }
        Outlines(p, s, contourSettings, out);
    }
    // The grid starts at the top left of all frames.
    long long ox = 0, oy = 0;
    bool first = true;
    for (int k = 1; k <= p.frameCount; ++k) {
        if (!p.ValidFrame(k)) continue;
        const IntRect& r = p.frames[k].bounds;
        ox = first ? r.left : std::min<long long>(ox, r.left);
        oy = first ? r.top : std::min<long long>(oy, r.top);
        first = false;
    }
    const int step = view.Step();
    const Real fmin = s.fluxScaleMin, fmax = s.fluxScaleMax;
    const long long g = grid;
    DrawList heads;
    Pen pen;
    pen.width = static_cast<float>(d);
    const float circle = static_cast<float>(std::lround(2 * d * o.pixelsPerInch / 96.0L));
    for (int e = 1; e <= view.elements.Count(); ++e) {
        const kova::Element& el = view.elements[e];
        std::array<long long, 3> X{}, Y{};
        bool valid = true;
        for (std::size_t i = 0; i < 3; ++i) {
            if (!p.nodes.Valid(el.nodes[i])) {
                valid = false;
                break;
            }
            X[i] = std::llround(p.nodes[el.nodes[i]].x);
            Y[i] = std::llround(p.nodes[el.nodes[i]].y);
        }
        if (!valid) continue;
        const long long xmin = std::min({X[0], X[1], X[2]}), xmax = std::max({X[0], X[1], X[2]});
        const long long ymin = std::min({Y[0], Y[1], Y[2]}), ymax = std::max({Y[0], Y[1], Y[2]});
        if (xmax < o.clip.left - lmax - 2 || xmin > o.clip.right + lmax + 2 ||
            ymax < o.clip.top - lmax - 2 || ymin > o.clip.bottom + lmax + 2)
            continue;
        const long long x0 = (xmin - ox) / g * g + ox - g / 2;
        const long long y0 = (ymin - oy) / g * g + oy - g / 2;
        bool computed = false;
        int il = 0, kl = 0;
        bool capped = false, draw = true;
        for (long long px = x0; px < xmax;) {
            const long long x = px + g;
            px = x;
            for (long long py = y0; py < ymax;) {
                const long long y = py + g;
                py = y;
                if (x < xmin || x >= xmax || y < ymin || y >= ymax) continue;
                if (!InsideTriangle(X, Y, x, y)) continue;
                if (!computed) {
                    computed = true;
                    const ElementArrowFlux f = ArrowFlux(view, e, step, s.temperatureGradient);
                    draw = f.ok;
                    const Real gx = f.dvdx, gy = f.dvdy;
                    const Real q = gx != 0 ? gy / gx : 1e20L;
                    long long l = lmin;
                    if (fmax != fmin)
                        l = std::llround((f.magnitude - fmin) / (fmax - fmin) * (lmax - lmin)) +
                            lmin;
                    if (f.magnitude > fmin && l > lmax + 1) {
                        l = lmax;
                        capped = true;
                    }
                    // Far below the scale's minimum the length would turn negative and
                    // flip the arrow: no arrow then.
                    if (l <= 0) draw = false;
                    const Real L = static_cast<Real>(std::max<long long>(l, 0));
                    const Real u = Sign(gx) * L / std::sqrt(q * q + 1);
                    const Real w = Sign(gy) * std::sqrt(std::max(Real(0), L * L - u * u));
                    il = static_cast<int>(std::lround(u));
                    kl = static_cast<int>(std::lround(w));
                }
                if (!draw) break;
                const DrawPoint tail{static_cast<float>(x + il), static_cast<float>(y + kl)};
                const DrawPoint tip{static_cast<float>(x - il), static_cast<float>(y - kl)};
                out.AddSegment(tail, tip, pen);
                Head(tail, tip, static_cast<float>(d), heads);
                ++result.arrows;
                if (capped) {
                    heads.AddMarker(tail, circle, pen, kNoBrush);
                    ++result.capped;
                }
            }
            if (!draw) break;
        }
    }
    out.Append(heads);
    return result;
}

DrawList ArrowLegend(const ArrowPicture& picture, const GradientSettings& s,
                     const std::string& unitLabel, const TextMetrics& metrics) {
    DrawList out;
    Pen pen;
    const auto arrow = [&](float x1, float x2) {
        out.AddSegment({x1, 6}, {x2, 6}, pen);
        Head({x1, 6}, {x2, 6}, 1, out);
    };
    const auto text = [&](const std::string& str, float x) {
        TextPrimitive t;
        t.at = {x, 0};
        t.text = str;
        t.size = kLegendFontSize;
        const float w = metrics.Measure(str, t.font, t.size, t.style).width;
        out.AddText(std::move(t));
        return w;
    };
    const float head1 = 2 + static_cast<float>(picture.shortest) + 6;
    arrow(2, head1);
    const float x = head1 + 6 + text(AutoText(s.fluxScaleMin, 4), head1 + 6) + 10;
    const float head2 = x + 2 * static_cast<float>(picture.longest) + 10;
    arrow(x, head2);
    text(AutoText(s.fluxScaleMax, 4) + "  " + unitLabel, head2 + 10);
    return out;
}

std::string FluxUnitLabel(const Problem& problem, bool temperatureGradient) {
    const ProblemSettings& st = problem.settings;
    std::string label;
    switch (st.subject) {
        case ProbTypeA::ElecFieldC:
            label = "[A/m2]";
            break;
        case ProbTypeA::ElecFieldNC:
            label = "[C/m2]";
            break;
        case ProbTypeA::MagField:
            label = "[Wb/m2]";
            break;
        case ProbTypeA::Potential:
            label = "[  ]";
            break;
        case ProbTypeA::Hydrodynamics:
            label = "[" + UnitLabel(problem, Quantity::Flux) + "]";
            break;
        default:
            label = temperatureGradient ? UnitLabel(problem, Quantity::Potential) + "/" +
                                              (st.unitSystem == Unittype::Eng ? "ft" : "m")
                                        : UnitLabel(problem, Quantity::Flux);
            break;
    }
    if (label.size() > kMaxUnitLabelLength) label.resize(kMaxUnitLabelLength);
    return label;
}

}  // namespace kova
