#include "results/contours.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

#include "model/number_format.hpp"
#include "results/input_drawing.hpp"

namespace kova {

int ResultView::LastStep() const {
    const int stored = results.LevelCount() - 1;
    return std::min(lastStepIndex, stored);
}

int ResultView::Step() const {
    return std::clamp(displayedStep, 0, std::max(LastStep(), 0));
}

std::span<const Real> ResultView::Values(int step) const {
    if (pressures != nullptr) return *pressures;
    if (step < 0 || step > LastStep()) return {};
    return results.Level(step);
}

Real ResultView::TimeOf(int step) const {
    if (step < 0 || step > LastStep() || results.Level(step).empty()) return 0;
    return results.Level(step)[0];
}

ContourSettings ContourSettingsOf(const Problem& problem, ContourSettings base) {
    const ProblemSettings& s = problem.settings;
    base.scaleMin = s.contourScaleMin;
    base.scaleMax = s.contourScaleMax;
    base.bandCount = std::clamp<int>(s.bandCount, 5, 99);
    base.lineCount = std::clamp<int>(s.lineCount, 2, 99);
    base.palette =
        s.palette <= 2 ? static_cast<ContourPalette>(s.palette) : ContourPalette::FullSpectrum;
    return base;
}

void StoreContourSettings(Problem& problem, const ContourSettings& settings) {
    ProblemSettings& s = problem.settings;
    s.contourScaleMin = settings.scaleMin;
    s.contourScaleMax = settings.scaleMax;
    s.bandCount = settings.bandCount;
    s.lineCount = settings.lineCount;
    s.palette = static_cast<std::uint8_t>(settings.palette);
}

ContourLevels MakeContourLevels(const ContourSettings& settings) {
    ContourLevels levels;
    levels.n = settings.kind == ContourKind::Lines ? std::max(settings.lineCount, 1)
                                                   : std::max(settings.bandCount, 1);
    const int n = levels.n;
    levels.values.assign(static_cast<std::size_t>(n) + 3, 0);
    const Real step = (settings.scaleMax - settings.scaleMin) / n;
    for (int k = 0; k <= n; ++k) levels[k] = settings.scaleMin + k * step;
    levels[n] = settings.scaleMax;
    levels[n + 1] = levels[n];
    levels[-1] = levels[0];
    return levels;
}

Rgb PaletteColour(ContourPalette palette, int a) {
    a = std::clamp(a, 0, 255);
    const auto u8 = [](int v) { return static_cast<std::uint8_t>(std::clamp(v, 0, 255)); };
    switch (palette) {
        case ContourPalette::GrayScale:
            return {u8(a), u8(a), u8(a)};
        case ContourPalette::BlueToRed:
            return {u8(a), 0, u8(255 - a)};
        case ContourPalette::FullSpectrum:
            break;
    }
    const int c = 255 - a;
    if (c <= 85) return {255, u8(3 * c), 0};
    if (c <= 170) return {u8(255 - 3 * (c - 85)), 255, 0};
    return {0, u8(255 - 3 * (c - 170)), u8(3 * (c - 170))};
}

std::vector<Rgb> ContourColours(const ContourSettings& settings) {
    const int bands = std::max(settings.bandCount, 1);
    std::vector<Rgb> colours(static_cast<std::size_t>(bands) + 2);
    colours[0] = {128, 128, 128};
    for (int i = 1; i <= bands; ++i)
        colours[static_cast<std::size_t>(i)] =
            PaletteColour(settings.palette, (i - 1) * 254 / bands + 1);
    colours[static_cast<std::size_t>(bands) + 1] =
        settings.palette == ContourPalette::GrayScale ? kWhite : Rgb{128, 0, 0};
    return colours;
}

namespace {

// std::round of a long double without the library call, which the tracer would make
// for every point, and without a conversion to an integer, which on x87 reloads the
// control word: adding and taking away 2^63 rounds to the nearest integer (ties to
// even), and a tie is then moved away from zero.
Real RoundHalfAway(Real x) {
    if (!(std::fabs(x) < 0x1p62L)) return std::round(x);  // NaN, infinities, huge values
    const Real big = x < 0 ? -0x1p63L : 0x1p63L;
    Real r = (x + big) - big;
    const Real tie = x - r;  // exact
    if (x > 0 && tie == 0.5L) r += 1;
    if (x < 0 && tie == -0.5L) r -= 1;
    if (r == 0) return std::signbit(x) ? -Real(0) : Real(0);
    return r;
}

}  // namespace

int ColourIndex(const ContourSettings& settings, Real v) {
    const Real span = settings.scaleMax - settings.scaleMin;
    if (!(span > 0)) return 2;  // a scale of no width is one band
    const Real x = (v - settings.scaleMin) / span * 252;
    if (!(x >= -1)) return 2;  // NaN too
    if (x > 253) return 254;
    // Through double: a long double to int conversion reloads the x87 control word.
    return std::clamp(static_cast<int>(static_cast<double>(RoundHalfAway(x))) + 2, 2, 254);
}

std::pair<Real, Real> ComputeScaleRange(const ResultView& view, int firstStep, int lastStep) {
    Real low = 1e30L, high = -1e30L;
    const Problem& p = view.problem;
    const int nodeCount = p.nodes.Count();
    firstStep = std::max(firstStep, 0);
    lastStep = std::min(lastStep, view.LastStep());
    for (int step = firstStep; step <= lastStep; ++step) {
        const std::span<const Real> v = view.Values(step);
        const auto take = [&](std::size_t i) {
            if (i >= v.size()) return;
            low = std::min(low, v[i]);
            high = std::max(high, v[i]);
        };
        for (int n = 1; n <= nodeCount; ++n) take(static_cast<std::size_t>(n));
        if (view.pressures == nullptr) {
            for (int k = 1; k <= p.frameCount; ++k)
                if (p.ValidFrame(k) && p.frames[k].IsLump())
                    take(static_cast<std::size_t>(nodeCount + k));
        }
        if (view.pressures != nullptr) break;  // one vector, whatever the range
    }
    return {low, high};
}

int StepOfTime(const ResultView& view, Real t) {
    if (!view.problem.settings.transient) return 0;
    const int last = view.LastStep();
    for (int i = 0; i <= last; ++i)
        if (t <= view.TimeOf(i)) return i;
    return std::max(last, 0);
}

int NearestStep(const ResultView& view, Real t) {
    if (!view.problem.settings.transient) return 0;
    int best = 0;
    Real bestDistance = -1;
    for (int i = 0; i <= view.LastStep(); ++i) {
        const Real d = std::fabs(view.TimeOf(i) - t);
        if (bestDistance < 0 || d < bestDistance) {
            best = i;
            bestDistance = d;
        }
    }
    return best;
}

namespace {

struct Corner {
    Real x, y, t;
};

// The band and line tracer for one picture; see DrawContours.
class Tracer {
public:
    Tracer(const ContourSettings& s, ContourLevels& levels, const std::vector<Rgb>& colours,
           const ClipRect& clip, DrawList& out)
        : m_s(s), m_l(levels), m_c(colours), m_clip(clip), m_out(out), m_n(levels.n) {
        m_lines = s.kind == ContourKind::Lines;
        m_flat = !(s.scaleMax - s.scaleMin > 0);
        m_pen.width = 1;
        m_pen.color = kBlack;
        m_nearLeft = Real(clip.left) - 2;
        m_nearRight = Real(clip.right) + 2;
        m_nearTop = Real(clip.top) - 2;
        m_nearBottom = Real(clip.bottom) + 2;
    }

    void Element(std::array<Corner, 3> v) {
        // Sort by value: 1 with 2, 1 with 3, 2 with 3.
        if (v[0].t > v[1].t) std::swap(v[0], v[1]);
        if (v[0].t > v[2].t) std::swap(v[0], v[2]);
        if (v[1].t > v[2].t) std::swap(v[1], v[2]);
        const Real t1 = v[0].t, t2 = v[1].t, t3 = v[2].t;
        if (t3 > m_l[m_n + 1]) m_l[m_n + 1] = t3;
        if (t1 < m_l[0] && t1 < m_l[-1]) m_l[-1] = t1;
        // Every point drawn for the element is a rounded point between its corners, so an
        // element well away from the clip rectangle draws nothing: skip its tracing.
        if (!NearClip(v)) return;

        if (t3 < m_s.scaleMin) {
            if (!m_lines) Triangle(v, m_c.front());
            return;
        }
        if (t1 > m_s.scaleMax) {
            if (!m_lines) Triangle(v, m_c.back());
            return;
        }
        if (m_flat) {
            // A scale of no width: everything on it is one band.
            if (!m_lines) Triangle(v, m_c[1]);
            return;
        }
        m_v = v;
        const Real s = m_l[0] <= t1 ? m_l[0] : t1;
        Real fp = 0;
        DrawPoint p = Interp(0, 2, s, fp);
        Real fq = 0;
        bool q12 = t2 > s;
        DrawPoint q = q12 ? Interp(0, 1, s, fq) : Interp(1, 2, s, fq);
        const DrawPoint v2 = Round(v[1].x, v[1].y);
        // Levels at or below T1 are skipped without changing anything, and once a level
        // reaches vertex 3 every later one is: start at the first level above T1 and stop
        // after the level that reaches vertex 3.
        const auto first = std::upper_bound(m_l.values.begin() + 1, m_l.values.end(), t1);
        for (int k = static_cast<int>(first - m_l.values.begin()) - 1; k <= m_n + 1 && fp < 1;
             ++k) {
            const Real level = m_l[k];
            Real fp2 = 0;
            const DrawPoint p2 = Interp(0, 2, level, fp2);
            if (!(fp < 1 && fp2 > 0)) continue;
            std::array<DrawPoint, 6> list{};
            std::size_t count = 0;
            list[count++] = p;
            if (!m_lines || !(q == p)) list[count++] = q;
            DrawPoint q2 = q;
            bool q12next = false;
            if (fp2 == 1) {
                if (!m_lines) {
                    if (q12) list[count++] = v2;
                    list[count++] = p2;
                }
            } else {
                Real fq2 = 0;
                if (t2 > level) {
                    q2 = Interp(0, 1, level, fq2);
                    q12next = true;
                } else {
                    q2 = Interp(1, 2, level, fq2);
                    if (!m_lines && q12) list[count++] = v2;
                }
                if (!m_lines) {
                    list[count++] = q2;
                    list[count++] = p2;
                }
            }
            Emit(std::span<const DrawPoint>(list.data(), count), k);
            p = p2;
            q = q2;
            fp = fp2;
            q12 = q12next;
        }
    }

private:
    static DrawPoint Round(Real x, Real y) {
        return {static_cast<float>(RoundHalfAway(x)), static_cast<float>(RoundHalfAway(y))};
    }

    DrawPoint Interp(int a, int b, Real value, Real& f) const {
        const Corner& A = m_v[static_cast<std::size_t>(a)];
        const Corner& B = m_v[static_cast<std::size_t>(b)];
        if (A.t != B.t)
            f = std::clamp((value - A.t) / (B.t - A.t), Real(0), Real(1));
        else
            f = value <= B.t ? 0 : 1;
        return Round(A.x + (B.x - A.x) * f, A.y + (B.y - A.y) * f);
    }

    // Whether a point list's bounding box meets the clip rectangle (a vertex test would
    // drop a large zoomed element that covers the whole clip rectangle).
    bool Visible(std::span<const DrawPoint> pts) const {
        float l = pts[0].x, r = l, t = pts[0].y, b = t;
        for (const DrawPoint& q : pts) {
            l = std::min(l, q.x);
            r = std::max(r, q.x);
            t = std::min(t, q.y);
            b = std::max(b, q.y);
        }
        return r >= m_clip.left && l <= m_clip.right && b >= m_clip.top && t <= m_clip.bottom;
    }

    // Whether the corners' box, widened by two pixels against rounding, meets the clip
    // rectangle: not all three corners beyond one of its sides.
    bool NearClip(const std::array<Corner, 3>& v) const {
        const auto beyond = [&](auto&& past) { return past(v[0]) && past(v[1]) && past(v[2]); };
        return !beyond([&](const Corner& c) { return c.x < m_nearLeft; }) &&
               !beyond([&](const Corner& c) { return c.x > m_nearRight; }) &&
               !beyond([&](const Corner& c) { return c.y < m_nearTop; }) &&
               !beyond([&](const Corner& c) { return c.y > m_nearBottom; });
    }

    void Triangle(const std::array<Corner, 3>& v, Rgb colour) {
        const std::array<DrawPoint, 3> pts{Round(v[0].x, v[0].y), Round(v[1].x, v[1].y),
                                           Round(v[2].x, v[2].y)};
        if (Visible(pts)) m_out.AddPolygon(pts, SolidBrush(colour));
    }

    void Emit(std::span<const DrawPoint> pts, int k) {
        if (pts.size() < 2 || !Visible(pts)) return;
        if (m_lines) {
            if (pts.size() == 2)
                m_out.AddSegment(pts[0], pts[1], m_pen);
            else
                m_out.AddPolyline(pts, m_pen);
            return;
        }
        const std::size_t i = std::min(static_cast<std::size_t>(k), m_c.size() - 1);
        m_out.AddPolygon(pts, SolidBrush(m_c[i]));
    }

    const ContourSettings& m_s;
    ContourLevels& m_l;
    const std::vector<Rgb>& m_c;
    ClipRect m_clip;
    DrawList& m_out;
    int m_n;
    bool m_lines = false;
    bool m_flat = false;
    Pen m_pen;
    std::array<Corner, 3> m_v{};
    Real m_nearLeft = 0, m_nearRight = 0, m_nearTop = 0, m_nearBottom = 0;  // clip ± 2 px
};

bool LumpShown(const Problem& p, int k) {
    return p.ValidFrame(k) && p.frames[k].IsLump() && p.frames[k].subtracted == 0 &&
           p.frames[k].pixelPolygon.size() >= 3;
}

std::vector<DrawPoint> LumpRing(const Frame& f) {
    std::vector<DrawPoint> ring;
    ring.reserve(f.pixelPolygon.size());
    for (const PixelPoint& q : f.pixelPolygon)
        ring.push_back({static_cast<float>(q.x), static_cast<float>(q.y)});
    return ring;
}

bool ElementCorners(const ResultView& view, std::span<const Real> values, const kova::Element& e,
                    std::array<Corner, 3>& out) {
    const Problem& p = view.problem;
    for (std::size_t i = 0; i < 3; ++i) {
        const int n = e.nodes[i];
        if (!p.nodes.Valid(n) || static_cast<std::size_t>(n) >= values.size()) return false;
        const Node& node = p.nodes[n];
        out[i] = {node.x, node.y, values[static_cast<std::size_t>(n)]};
    }
    return true;
}

// n = q·d + r with 0 <= r < d (d > 0): a floor quotient that moves on by whole-number
// additions, so that stepping across a span costs no division.
template <typename I>
struct FloorQuotient {
    I q = 0, r = 0;
    static FloorQuotient Of(I n, I d) {
        FloorQuotient f{n / d, n % d};
        if (f.r < 0) {
            --f.q;
            f.r += d;
        }
        return f;
    }
    void Add(const FloorQuotient& s, I d) {
        q += s.q;
        r += s.r;
        if (r >= d) {
            ++q;
            r -= d;
        }
    }
    void Subtract(const FloorQuotient& s, I d) {
        q -= s.q;
        r -= s.r;
        if (r < 0) {
            --q;
            r += d;
        }
    }
    // n / d truncated towards zero.
    I Truncated() const { return q < 0 && r != 0 ? q + 1 : q; }
};

// Elements less than this many pixels across are shaded in 64-bit numbers (the plane's
// numerators stay below 2^62); larger ones, seen only at extreme zoom, in 128-bit ones.
constexpr std::int64_t kNarrowExtent = std::int64_t(1) << 26;
// Node positions beyond this are not whole numbers any more; elements reaching them are
// left unshaded rather than overflow.
constexpr double kLargestPixel = 9007199254740992.0;  // 2^53

__extension__ typedef __int128 WideInt;

// The shaded image and the colours of the indices.
struct ShadeRaster {
    Rgb* pixels = nullptr;
    std::int64_t x0 = 0, y0 = 0, width = 0, height = 0;
    const std::array<Rgb, 256>* table = nullptr;
};

// Shades one element whose rounded corners are (X, Y) with indices C: every column from
// the leftmost to the rightmost corner, the span between the edges by truncating
// integer interpolation, each pixel the truncated index of the plane through the
// corners, kept between the corners' indices. The edges and the plane are stepped
// column by column and pixel by pixel instead of divided anew.
template <typename I>
void ShadeElement(const std::array<std::int64_t, 3>& X64, const std::array<std::int64_t, 3>& Y64,
                  const std::array<int, 3>& C, const ShadeRaster& out) {
    const std::array<I, 3> X{X64[0], X64[1], X64[2]}, Y{Y64[0], Y64[1], Y64[2]};
    const I x0 = out.x0, y0 = out.y0, xEnd = out.x0 + out.width, yEnd = out.y0 + out.height;
    const I xl = std::max<I>(std::min({X[0], X[1], X[2]}), x0);
    const I xr = std::min<I>(std::max({X[0], X[1], X[2]}), xEnd - 1);
    const I yt = std::min({Y[0], Y[1], Y[2]});
    const I yb = std::max({Y[0], Y[1], Y[2]});
    if (xl > xr || yb < y0 || yt >= yEnd) return;
    const int cLow = std::min({C[0], C[1], C[2]});
    const int cHigh = std::max({C[0], C[1], C[2]});
    // The plane through the corners' indices: C0 + (a (x - X0) + b (y - Y0)) / d.
    I d = (X[1] - X[0]) * (Y[2] - Y[0]) - (X[2] - X[0]) * (Y[1] - Y[0]);
    I a = I(C[1] - C[0]) * (Y[2] - Y[0]) - I(C[2] - C[0]) * (Y[1] - Y[0]);
    I b = (X[1] - X[0]) * I(C[2] - C[0]) - (X[2] - X[0]) * I(C[1] - C[0]);
    const bool uniform = cLow == cHigh || d == 0;
    if (d < 0) {
        d = -d;
        a = -a;
        b = -b;
    }
    // Each edge i -> i+1 over the columns it spans: Y[i] + (Y[j] - Y[i]) (x - X[i]) / (X[j] -
    // X[i]).
    // Set member by member below: clearing them first costs more than the rest.
    struct Edge {
        I from, to;  // the columns within xl..xr
        bool vertical;
        I low, high;  // a vertical edge's ends
        I base, den;
        FloorQuotient<I> at, step;
    };
    std::array<Edge, 3> edges;
    for (std::size_t i = 0; i < 3; ++i) {
        const std::size_t j = (i + 1) % 3;
        Edge& e = edges[i];
        e.from = std::max(std::min(X[i], X[j]), xl);
        e.to = std::min(std::max(X[i], X[j]), xr);
        e.vertical = X[i] == X[j];
        if (e.vertical) {
            e.low = std::min(Y[i], Y[j]);
            e.high = std::max(Y[i], Y[j]);
            continue;
        }
        I dy = Y[j] - Y[i];
        e.den = X[j] - X[i];
        if (e.den < 0) {
            e.den = -e.den;
            dy = -dy;
        }
        e.base = Y[i];
        if (e.from <= e.to) {
            // The numerator of the first column, signed as the denominator's |dx|.
            const I t = X[j] > X[i] ? e.from - X[i] : X[i] - e.from;
            e.at = FloorQuotient<I>::Of((Y[j] - Y[i]) * t, e.den);
            e.step = FloorQuotient<I>::Of(dy, e.den);
        }
    }
    const FloorQuotient<I> stepX = uniform ? FloorQuotient<I>{} : FloorQuotient<I>::Of(a, d);
    const FloorQuotient<I> stepY = uniform ? FloorQuotient<I>{} : FloorQuotient<I>::Of(b, d);
    FloorQuotient<I> column;  // the plane at (x, columnTop)
    I columnTop = 0;
    bool started = false;
    const Rgb* table = out.table->data();
    for (I x = xl; x <= xr; ++x) {
        I top = yb, bottom = yt;
        bool any = false;
        for (Edge& e : edges) {
            if (x < e.from || x > e.to) continue;
            any = true;
            if (e.vertical) {
                top = std::min(top, e.low);
                bottom = std::max(bottom, e.high);
                continue;
            }
            const I y = e.base + e.at.Truncated();
            e.at.Add(e.step, e.den);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
        if (started) column.Add(stepX, d);
        if (!any) continue;
        top = std::max(top, y0);
        bottom = std::min(bottom, yEnd - 1);
        if (top > bottom) continue;
        Rgb* p = out.pixels + static_cast<std::ptrdiff_t>((top - y0) * out.width + (x - x0));
        const std::ptrdiff_t stride = static_cast<std::ptrdiff_t>(out.width);
        const I count = bottom - top + 1;
        if (uniform) {
            const Rgb c = table[cLow];
            for (I k = 0; k < count; ++k, p += stride) *p = c;
            continue;
        }
        // Move the column's start to this column's top: a few steps, or anew.
        const I shift = top - columnTop;
        if (!started || shift > 8 || shift < -8) {
            column = FloorQuotient<I>::Of(a * (x - X[0]) + b * (top - Y[0]), d);
            started = true;
        } else {
            for (I k = 0; k < shift; ++k) column.Add(stepY, d);
            for (I k = 0; k > shift; --k) column.Subtract(stepY, d);
        }
        columnTop = top;
        FloorQuotient<I> at = column;
        for (I k = 0; k < count; ++k, p += stride) {
            const I c = std::clamp<I>(C[0] + at.Truncated(), cLow, cHigh);
            *p = table[static_cast<int>(c)];
            at.Add(stepY, d);
        }
    }
}

// A node's rounded pixel position and colour index for the continuous shader.
struct ShadeNode {
    std::int64_t x = 0, y = 0;
    int c = 0;
    bool shown = false;  // a corner of an element drawn
};

void ContinuousShading(const ResultView& view, const ContourSettings& s,
                       const ContourDrawOptions& o, std::span<const Real> values,
                       ContourLevels& levels, DrawList& out) {
    const Problem& p = view.problem;
    const auto colourOf = [&](int c) { return PaletteColour(s.palette, c); };
    // Each node's position and index once, for the elements with all three corners known.
    const int nodeCount = p.nodes.Count();
    std::vector<ShadeNode> nodes(static_cast<std::size_t>(nodeCount) + 1);
    const auto known = [&](int n) {
        return p.nodes.Valid(n) && static_cast<std::size_t>(n) < values.size();
    };
    for (const kova::Element& e : view.elements)
        if (known(e.nodes[0]) && known(e.nodes[1]) && known(e.nodes[2]))
            for (const int n : e.nodes) nodes[static_cast<std::size_t>(n)].shown = true;
    // The shaded area: the elements' bounding box within the clip rectangle.
    float l = 1e30f, t = 1e30f, r = -1e30f, b = -1e30f;
    Real& high = levels[levels.n + 1];
    Real& low = levels[-1];
    for (int n = 1; n <= nodeCount; ++n) {
        ShadeNode& q = nodes[static_cast<std::size_t>(n)];
        if (!q.shown) continue;
        const Node& node = p.nodes[n];
        const double rx = std::round(static_cast<double>(node.x));
        const double ry = std::round(static_cast<double>(node.y));
        l = std::min(l, static_cast<float>(rx));
        r = std::max(r, static_cast<float>(rx));
        t = std::min(t, static_cast<float>(ry));
        b = std::max(b, static_cast<float>(ry));
        if (std::fabs(rx) < kLargestPixel && std::fabs(ry) < kLargestPixel) {
            q.x = static_cast<std::int64_t>(rx);
            q.y = static_cast<std::int64_t>(ry);
        } else {
            q.shown = false;
        }
        const Real v = values[static_cast<std::size_t>(n)];
        high = std::max(high, v);
        low = std::min(low, v);
        q.c = ColourIndex(s, v);
    }
    l = std::max(l, std::floor(o.clip.left));
    t = std::max(t, std::floor(o.clip.top));
    r = std::min(r, std::ceil(o.clip.right));
    b = std::min(b, std::ceil(o.clip.bottom));
    if (r < l || b < t) return;
    const int x0 = static_cast<int>(l), y0 = static_cast<int>(t);
    const int width = static_cast<int>(r) - x0 + 1, height = static_cast<int>(b) - y0 + 1;
    // The image is combined with what lies under it by AND: white pixels leave the
    // background, so the distributed frames are first cleared to white.
    for (int k = 1; k <= p.frameCount; ++k) {
        if (!p.ValidFrame(k) || p.frames[k].IsLump() || p.frames[k].subtracted != 0 ||
            p.frames[k].pixelPolygon.size() < 3)
            continue;
        out.AddPolygon(LumpRing(p.frames[k]), SolidBrush(kWhite));
    }
    ImagePrimitive image;
    image.topLeft = {static_cast<float>(x0), static_cast<float>(y0)};
    image.bottomRight = {static_cast<float>(x0 + width), static_cast<float>(y0 + height)};
    image.width = width;
    image.height = height;
    image.combine = ImagePrimitive::Combine::And;
    image.pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), kWhite);
    std::array<Rgb, 256> table{};
    for (int c = 0; c < 256; ++c) table[static_cast<std::size_t>(c)] = colourOf(c);
    const ShadeRaster raster{image.pixels.data(), x0, y0, width, height, &table};
    for (const kova::Element& e : view.elements) {
        std::array<std::int64_t, 3> X{}, Y{};
        std::array<int, 3> C{};
        bool shown = true;
        for (std::size_t i = 0; i < 3; ++i) {
            const int n = e.nodes[i];
            if (n < 1 || n > nodeCount || !nodes[static_cast<std::size_t>(n)].shown) {
                shown = false;
                break;
            }
            const ShadeNode& q = nodes[static_cast<std::size_t>(n)];
            X[i] = q.x;
            Y[i] = q.y;
            C[i] = q.c;
        }
        if (!shown) continue;
        const std::int64_t w = std::max({X[0], X[1], X[2]}) - std::min({X[0], X[1], X[2]});
        const std::int64_t h = std::max({Y[0], Y[1], Y[2]}) - std::min({Y[0], Y[1], Y[2]});
        if (w < kNarrowExtent && h < kNarrowExtent)
            ShadeElement<std::int64_t>(X, Y, C, raster);
        else
            ShadeElement<WideInt>(X, Y, C, raster);
    }
    out.AddImage(std::move(image));
    // Lumps over the shading, in the colour of their value.
    for (int k = 1; k <= p.frameCount; ++k) {
        if (!LumpShown(p, k) || static_cast<std::size_t>(nodeCount + k) >= values.size()) continue;
        const Rgb c = colourOf(ColourIndex(s, values[static_cast<std::size_t>(nodeCount + k)]));
        Pen pen;
        pen.color = c;
        out.AddPolygon(LumpRing(p.frames[k]), SolidBrush(c), pen);
    }
}

void OutlinePass(const Problem& p, const ContourSettings& s, DrawList& out) {
    if (!(s.kind == ContourKind::Lines || s.showOutlines || !s.runSequence)) return;
    Pen black;
    Pen white;
    white.color = kWhite;
    for (const LineSegment& seg : p.lines) {
        if (!p.nodes.Valid(seg.node1) || !p.nodes.Valid(seg.node2)) continue;
        const bool inner = seg.frameA != 0 && seg.frameB != 0;
        const bool draw = s.showElementLines ||
                          (s.showOutlines && inner && seg.frameA != seg.frameB) ||
                          (s.kind == ContourKind::Lines && !inner);
        if (!draw) continue;
        const Node& a = p.nodes[seg.node1];
        const Node& b = p.nodes[seg.node2];
        out.AddSegment({static_cast<float>(std::round(a.x)), static_cast<float>(std::round(a.y))},
                       {static_cast<float>(std::round(b.x)), static_cast<float>(std::round(b.y))},
                       s.whiteLines && inner ? white : black);
    }
}

}  // namespace

ContourPicture DrawContours(const ResultView& view, const ContourSettings& settings,
                            const ContourDrawOptions& options) {
    ContourPicture result;
    result.levels = MakeContourLevels(settings);
    result.colours = ContourColours(settings);
    if (!view.HasResults()) return result;
    const Problem& p = view.problem;
    const std::span<const Real> values = view.Values(view.Step());
    ContourLevels& L = result.levels;
    DrawList& out = result.picture;
    if (settings.kind == ContourKind::Continuous) {
        ContinuousShading(view, settings, options, values, L, out);
    } else {
        const int nodeCount = p.nodes.Count();
        if (settings.kind == ContourKind::Bands) {
            for (int k = 1; k <= p.frameCount; ++k) {
                if (!LumpShown(p, k) || static_cast<std::size_t>(nodeCount + k) >= values.size())
                    continue;
                const Real value = values[static_cast<std::size_t>(nodeCount + k)];
                // Below the scale a lump is grey, as elements are.
                int i = L.n + 1;
                if (value < settings.scaleMin) {
                    i = 0;
                } else {
                    for (int j = 1; j <= L.n + 1; ++j)
                        if (L[j] > value) {
                            i = j;
                            break;
                        }
                }
                const std::size_t ci =
                    std::min(static_cast<std::size_t>(i), result.colours.size() - 1);
                out.AddPolygon(LumpRing(p.frames[k]), SolidBrush(result.colours[ci]));
            }
        } else if (options.showPatterns) {
            for (int k = 1; k <= p.frameCount; ++k)
                if (p.ValidFrame(k) && p.frames[k].subtracted == 0 &&
                    p.frames[k].pixelPolygon.size() >= 3)
                    out.AddPolygon(LumpRing(p.frames[k]), FrameBrush(p, p.frames[k]));
        }
        Tracer tracer(settings, L, result.colours, options.clip, out);
        std::array<Corner, 3> v{};
        for (const kova::Element& e : view.elements)
            if (ElementCorners(view, values, e, v)) tracer.Element(v);
    }
    if (options.outlines) OutlinePass(p, settings, out);
    return result;
}

DrawList ColourLegend(const ContourPicture& picture, const ContourSettings& settings,
                      const std::string& unitLabel, const TextMetrics& metrics) {
    DrawList out;
    if (settings.runSequence) return out;
    const ContourLevels& L = picture.levels;
    const int n = L.n;
    const Real step = n >= 3 ? L[3] - L[2] : L[n] - L[0];
    const int j0 = L[0] - L[-1] > 0.05L * step ? -1 : 0;
    const int jn = std::min(n + 1, 10);
    float x = 2;
    const auto text = [&](const std::string& s, float at) {
        TextPrimitive t;
        t.at = {at, 1};
        t.text = s;
        t.size = kLegendFontSize;
        const float w = metrics.Measure(s, t.font, t.size, t.style).width;
        out.AddText(std::move(t));
        return w;
    };
    Pen frame;
    for (int j = j0; j < jn; ++j) {
        // The box for the values below the scale (j = -1) starts at L[-1] and shows C[0];
        // truncating -N/jN towards zero would give band 1 and a label below L[0].
        const Real pos = j < 0 ? Real(-1) : Real(j) * n / jn;
        const int i = j < 0 ? -1 : j * n / jn;
        const Real label = L[i] + (L[i + 1] - L[i]) * (pos - i);
        x += text(AutoText(label, 4), x) + 5;
        const std::size_t ci =
            std::min(static_cast<std::size_t>(i + 1), picture.colours.size() - 1);
        out.AddRectangle({x, 2}, {x + 18, 13}, frame, SolidBrush(picture.colours[ci]));
        x += 20;
    }
    text(AutoText(L[n + 1], 4) + " " + unitLabel, x);
    return out;
}

DrawList LineLegend(const ContourPicture& picture, const std::string& unitLabel) {
    DrawList out;
    const ContourLevels& L = picture.levels;
    TextPrimitive t;
    t.at = {2, 0};
    t.size = kLegendFontSize;
    t.text = std::to_string(L.n) + " isopotential lines:  Minimum=" + AutoText(L[1], 4) +
             "   Maximum=" + AutoText(L[L.n], 4) + " " + unitLabel;
    out.AddText(std::move(t));
    return out;
}

DrawList ContourLegend(const ContourPicture& picture, const ContourSettings& settings,
                       const std::string& unitLabel, const TextMetrics& metrics) {
    if (settings.kind == ContourKind::Lines) return LineLegend(picture, unitLabel);
    return ColourLegend(picture, settings, unitLabel, metrics);
}

}  // namespace kova
