#include "results/readout.hpp"

#include <array>
#include <cmath>

#include "results/flux_arrows.hpp"
#include "units/unit_labels.hpp"

namespace kova {
namespace {

bool Corners(const ResultView& view, int e, std::array<Real, 3>& X, std::array<Real, 3>& Y) {
    const Problem& p = view.problem;
    if (!view.elements.Valid(e)) return false;
    for (std::size_t i = 0; i < 3; ++i) {
        const int n = view.elements[e].nodes[i];
        if (!p.nodes.Valid(n)) return false;
        X[i] = std::round(p.nodes[n].x);
        Y[i] = std::round(p.nodes[n].y);
    }
    return true;
}

bool Contains(const std::array<Real, 3>& X, const std::array<Real, 3>& Y, Real x, Real y) {
    int pos = 0, neg = 0;
    for (std::size_t i = 0; i < 3; ++i) {
        const std::size_t j = (i + 1) % 3;
        const Real cross = (X[j] - X[i]) * (y - Y[i]) - (Y[j] - Y[i]) * (x - X[i]);
        if (cross > 0) ++pos;
        if (cross < 0) ++neg;
    }
    return (pos == 0 || neg == 0) && pos + neg > 0;
}

}  // namespace

int ElementAt(const ResultView& view, Real x, Real y, int frame) {
    int any = 0;
    std::array<Real, 3> X{}, Y{};
    for (int e = 1; e <= view.elements.Count(); ++e) {
        if (!Corners(view, e, X, Y) || !Contains(X, Y, x, y)) continue;
        if (frame == 0 || view.elements[e].frame == frame) return e;
        if (any == 0) any = e;
    }
    return any;
}

Real InterpolateAt(const ResultView& view, std::span<const Real> values, int element, Real x,
                   Real y) {
    std::array<Real, 3> X{}, Y{}, T{};
    if (!Corners(view, element, X, Y)) return 0;
    for (std::size_t i = 0; i < 3; ++i) {
        const auto n = static_cast<std::size_t>(view.elements[element].nodes[i]);
        T[i] = n < values.size() ? values[n] : 0;
    }
    const Real d = (X[1] - X[0]) * (Y[2] - Y[0]) - (X[2] - X[0]) * (Y[1] - Y[0]);
    if (d == 0) return (T[0] + T[1] + T[2]) / 3;
    const Real w1 = ((X[1] - x) * (Y[2] - y) - (X[2] - x) * (Y[1] - y)) / d;
    const Real w2 = ((X[2] - x) * (Y[0] - y) - (X[0] - x) * (Y[2] - y)) / d;
    const Real w3 = 1 - w1 - w2;
    return w1 * T[0] + w2 * T[1] + w3 * T[2];
}

std::optional<std::string> ReadoutText(const ResultView& view, const ReadoutOptions& o, Real x,
                                       Real y) {
    if (!view.HasResults()) return std::nullopt;
    Problem& p = view.problem;
    const bool pressure = view.pressures != nullptr;
    const bool gradients = o.window == ReadoutWindow::Gradients;
    std::string prefix, unit;
    if (pressure) {
        prefix = "P=";
        unit = "Pa";
    } else if (gradients) {
        const ProbTypeA s = p.settings.subject;
        unit = s == ProbTypeA::HeatTrans || s == ProbTypeA::Bio
                   ? FluxUnitLabel(p, o.temperatureGradient)
                   : UnitLabel(p, Quantity::Flux);
    } else {
        unit = UnitLabel(p, Quantity::Potential);
    }
    // The frame under the point, the last drawn first; one pixel up and left as a
    // second try for a point on an outline.
    int frame = 0;
    Real px = x, py = y;
    for (int k = p.frameCount; k >= 1 && frame == 0; --k) {
        if (!p.ValidFrame(k) || p.frames[k].subtracted != 0) continue;
        if (PointInFrameOutline(p, k, x, y)) {
            frame = k;
        } else if (PointInFrameOutline(p, k, x - 1, y - 1)) {
            frame = k;
            px = x - 1;
            py = y - 1;
        }
    }
    const int step = view.Step();
    Real value = 0;
    // A point in no frame outline may still lie in an element (a frame whose outline
    // does not describe its hole): the element decides then.
    if (frame != 0 && p.frames[frame].IsLump() && !gradients && !pressure) {
        const std::span<const Real> values = view.Values(step);
        const auto i = static_cast<std::size_t>(p.nodes.Count() + frame);
        if (i >= values.size()) return std::nullopt;
        value = values[i];
    } else {
        const int e = ElementAt(view, px, py, frame);
        if (e == 0) return std::nullopt;
        if (gradients && !pressure) {
            const ElementArrowFlux f = ArrowFlux(view, e, step, o.temperatureGradient);
            if (!f.ok) return std::nullopt;
            value = f.magnitude;
        } else {
            value = InterpolateAt(view, view.Values(step), e, px, py);
        }
    }
    return prefix + AutoText(value, 5) + " " + unit;
}

}  // namespace kova
