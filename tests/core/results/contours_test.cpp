// Contour pictures, flux arrows, pressures and the read-out on meshes with a hole and a
// lump, filled with known fields: the pictures are checked by what they show (band
// areas, the value at each band's centroid, where isolines end, where arrows stand and
// point), not by how they are built.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <map>
#include <numbers>
#include <random>
#include <set>

#include "results/contours.hpp"
#include "results/flux_arrows.hpp"
#include "results/pressures.hpp"
#include "results/readout.hpp"
#include "results/view_geometry.hpp"
#include "support/mesh_builder.hpp"

namespace kova::test {
namespace {

using Field = std::function<Real(Real, Real)>;  // of drawing pixels

// A meshed problem with stored results of a given field.
struct Solved {
    Problem problem;
    ElementTable elements;
    ResultTable results;
    int lump = 0;

    // An annulus (radii 0.5 and 1.5 m, 1 px = 1 mm) around a lump filling its hole.
    void Annulus() {
        MeshBuilder b(problem, 1000);
        MeshAnnulus(b, 0.5L, 1.5L, 6, 36, 1);
        lump = b.Frame(1, FrameType::Lumped);
        std::vector<int> ring;
        for (int j = 0; j < 36; ++j) {
            const Real a = 2 * std::numbers::pi_v<Real> * j / 36;
            ring.push_back(b.Node(0.5L * std::cos(a), 0.5L * std::sin(a)));
        }
        b.LumpOutline(lump, ring);
        b.Finish();
        Build();
    }
    // A rectangle w x h m in nx x ny cells at `ppm` pixels per metre.
    void Rectangle(Real w, Real h, int nx, int ny, Real ppm = 100) {
        MeshBuilder b(problem, ppm);
        MeshRectangle(b, 0, 0, w, h, nx, ny, 1);
        b.Finish();
        Build();
    }
    void Build() {
        SetMaterial(problem, 1, 2);
        CheckMarks marks;
        ASSERT_TRUE(BuildElements(problem, elements, marks));
        ASSERT_GT(elements.Count(), 0);
    }
    void Fill(const Field& f, Real lumpValue = 0, int levels = 1) {
        ASSERT_TRUE(results.Allocate(levels, ResultTable::ValuesFor(problem)));
        for (int l = 0; l < levels; ++l) {
            auto& v = results.Level(l);
            v[0] = l;
            for (int n = 1; n <= problem.nodes.Count(); ++n)
                v[static_cast<std::size_t>(n)] = f(problem.nodes[n].x, problem.nodes[n].y) + l;
            if (lump != 0) v[static_cast<std::size_t>(problem.nodes.Count() + lump)] = lumpValue;
        }
    }
    ResultView View(int step = 0) {
        return ResultView{problem, elements, results, results.LevelCount() - 1, step};
    }
};

double RingArea(std::span<const DrawPoint> r) {
    double a = 0;
    for (std::size_t i = 0; i < r.size(); ++i) {
        const DrawPoint& p = r[i];
        const DrawPoint& q = r[(i + 1) % r.size()];
        a += double(p.x) * q.y - double(q.x) * p.y;
    }
    return std::fabs(a) / 2;
}

double RoundedElementArea(Solved& s) {
    double total = 0;
    for (const Element& e : s.elements) {
        std::array<DrawPoint, 3> t{};
        for (std::size_t i = 0; i < 3; ++i)
            t[i] = {float(std::round(s.problem.nodes[e.nodes[i]].x)),
                    float(std::round(s.problem.nodes[e.nodes[i]].y))};
        total += RingArea(t);
    }
    return total;
}

int BandOf(const std::vector<Rgb>& colours, Rgb c) {
    for (std::size_t i = 0; i < colours.size(); ++i)
        if (colours[i] == c) return static_cast<int>(i);
    return -1;
}

ContourSettings Scale(Real low, Real high, ContourKind kind = ContourKind::Bands, int n = 10) {
    ContourSettings c;
    c.scaleMin = low;
    c.scaleMax = high;
    c.kind = kind;
    c.bandCount = c.lineCount = n;
    c.showOutlines = false;
    return c;
}

TEST(ContourColours, PaletteIndicesAndTheColoursOutsideTheScale) {
    ContourSettings s = Scale(0, 1, ContourKind::Bands, 5);
    const std::vector<Rgb> c = ContourColours(s);
    ASSERT_EQ(c.size(), 7u);
    const int expected[] = {1, 51, 102, 153, 204};
    for (int i = 1; i <= 5; ++i)
        EXPECT_EQ(c[i], PaletteColour(ContourPalette::FullSpectrum, expected[i - 1])) << i;
    EXPECT_EQ(c[0], (Rgb{128, 128, 128}));
    EXPECT_EQ(c[6], (Rgb{128, 0, 0}));
    EXPECT_EQ(PaletteColour(ContourPalette::FullSpectrum, 1), (Rgb{0, 3, 252}));  // blue
    EXPECT_EQ(PaletteColour(ContourPalette::FullSpectrum, 255), (Rgb{255, 0, 0}));
    s.palette = ContourPalette::GrayScale;
    EXPECT_EQ(ContourColours(s)[6], kWhite);
    EXPECT_EQ(ContourColours(s)[2], (Rgb{51, 51, 51}));
    EXPECT_EQ(ColourIndex(s, -5), 2);
    EXPECT_EQ(ColourIndex(s, 0.5L), 128);
    EXPECT_EQ(ColourIndex(s, 0.125L), 34);  // 31.5 rounds up
    EXPECT_EQ(ColourIndex(s, 7), 254);
}

// Band areas add up, each band holds its centroid's value, for a quadratic and a random
// field on a narrow user scale, over an annulus around a lump.
TEST(ContourBands, TileTheDomainAndHoldTheirCentroidValues) {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> noise(-40, 40);
    for (int field = 0; field < 3; ++field) {
        Solved s;
        s.Annulus();
        std::map<int, Real> jitter;
        const Field f = [&](Real x, Real y) {
            if (field == 0) return 0.5L * x + 0.25L * y;
            if (field == 1) return (x * x + y * y) / 2000;
            return x / 3 + static_cast<Real>(noise(random));
        };
        s.Fill(f, 300);
        const ResultView view = s.View();
        const auto [low, high] = ComputeScaleRange(view, 0, 0);
        ASSERT_LT(low, high);
        // A user scale narrower than the results: grey and dark red parts appear.
        const ContourSettings c = Scale(low + (high - low) / 4, high - (high - low) / 4);
        const ContourPicture pic = DrawContours(view, c);
        double area = 0;
        std::map<int, int> bands;
        for (const Primitive& item : pic.picture.items) {
            ASSERT_EQ(item.kind, PrimitiveKind::Region);
            const auto ring = pic.picture.PointsOf(item);
            const int k = BandOf(pic.colours, item.brush.color);
            ASSERT_GE(k, 0);
            const double a = RingArea(ring);
            area += a;
            ++bands[k];
            if (a < 20 || &item == &pic.picture.items.front()) continue;  // slivers; the lump
            double cx = 0, cy = 0;
            for (const DrawPoint& p : ring) {
                cx += p.x;
                cy += p.y;
            }
            cx /= ring.size();
            cy /= ring.size();
            const int e = ElementAt(view, cx, cy);
            ASSERT_NE(e, 0);
            const Real v = InterpolateAt(view, view.Values(0), e, cx, cy);
            const Real tolerance = 3;  // a pixel of rounding
            if (k > 0) {
                EXPECT_GE(v, pic.levels[k - 1] - tolerance) << field << " band " << k;
            }
            if (k <= pic.levels.n) {
                EXPECT_LE(v, pic.levels[k] + tolerance) << field << " band " << k;
            }
        }
        const double lumpArea =
            RingArea(std::vector<DrawPoint>(pic.picture.PointsOf(pic.picture.items.front()).begin(),
                                            pic.picture.PointsOf(pic.picture.items.front()).end()));
        EXPECT_NEAR(area, RoundedElementArea(s) + lumpArea, 0.002 * area) << field;
        EXPECT_GT(bands[0], 0) << field;
        EXPECT_GT(bands[c.bandCount + 1], 0) << field;
        // The outer levels end at the drawn extremes.
        Real nodeMax = -1e30L;
        for (int n = 1; n <= s.problem.nodes.Count(); ++n)
            if (s.problem.nodes.Valid(n)) nodeMax = std::max(nodeMax, view.Values(0)[n]);
        EXPECT_EQ(pic.levels[pic.levels.n + 1], nodeMax);
    }
}

TEST(ContourBands, UniformAndOnLevelFieldsLeaveNoGap) {
    Solved s;
    s.Rectangle(1, 0.5L, 8, 4, 200);
    const double domain = RoundedElementArea(s);
    // A uniform field under the automatic scale: one band, no division by zero.
    s.Fill([](Real, Real) { return 20; });
    ContourSettings c = Scale(20, 20);
    ContourPicture pic = DrawContours(s.View(), c);
    double area = 0;
    for (const Primitive& item : pic.picture.items) {
        EXPECT_EQ(item.brush.color, pic.colours[1]);
        area += RingArea(pic.picture.PointsOf(item));
    }
    EXPECT_NEAR(area, domain, 1e-6);
    EXPECT_EQ(ColourIndex(c, 20), 2);
    // A field whose nodes all sit on levels: bands still tile.
    s.Fill([](Real x, Real) { return std::round(x / 20) * 10; });
    const auto [low, high] = ComputeScaleRange(s.View(), 0, 0);
    pic = DrawContours(s.View(), Scale(low, high, ContourKind::Bands, int((high - low) / 10)));
    area = 0;
    for (const Primitive& item : pic.picture.items) area += RingArea(pic.picture.PointsOf(item));
    EXPECT_NEAR(area, domain, 1e-6);
}

// Isolines of a linear field are straight, each on its level, pieces meet their
// neighbours, and the levels are ΔL/|∇T| apart.
TEST(ContourLines, LinearFieldGivesStraightLevelLines) {
    Solved s;
    s.Rectangle(2, 1, 20, 10, 200);  // 400 x 200 px
    const Real a = 0.3L, b = 0.4L;   // |grad| = 0.5 per pixel
    s.Fill([&](Real x, Real y) { return a * x + b * y; });
    const ResultView view = s.View();
    const auto [low, high] = ComputeScaleRange(view, 0, 0);
    const ContourSettings c = Scale(low, high, ContourKind::Lines, 8);
    ContourDrawOptions o;
    o.outlines = false;
    const ContourPicture pic = DrawContours(view, c, o);
    std::map<std::pair<int, int>, int> ends;
    std::map<int, int> perLevel;
    int segments = 0;
    for (const Primitive& item : pic.picture.items) {
        ASSERT_EQ(item.kind, PrimitiveKind::Lines);
        const auto pts = pic.picture.PointsOf(item);
        for (std::size_t i = 0; i + 1 < pts.size(); i += 2) {
            ++segments;
            // Both ends on one level: the distance along the gradient fixes the level.
            const Real v1 = a * pts[i].x + b * pts[i].y, v2 = a * pts[i + 1].x + b * pts[i + 1].y;
            const Real step = (high - low) / c.lineCount;
            const int k = static_cast<int>(std::lround((v1 - low) / step));
            EXPECT_NEAR(v1, low + k * step, 0.36) << "a pixel of rounding";
            EXPECT_NEAR(v2, low + k * step, 0.36);
            ++perLevel[k];
            for (std::size_t j = i; j < i + 2; ++j) ++ends[{int(pts[j].x), int(pts[j].y)}];
        }
    }
    EXPECT_GT(segments, 0);
    // The lines at ScaleMin and ScaleMax degenerate to points: N - 1 lines show.
    EXPECT_EQ(perLevel.size(), static_cast<std::size_t>(c.lineCount - 1));
    EXPECT_EQ(perLevel.count(0), 0u);
    EXPECT_EQ(perLevel.count(c.lineCount), 0u);
    // Inside the domain each end meets another piece's end.
    for (const auto& [p, count] : ends) {
        const bool border = p.first <= 0 || p.first >= 400 || p.second >= 0 || p.second <= -200;
        if (!border) {
            EXPECT_GE(count, 2) << p.first << "," << p.second;
        }
    }
}

// Round the lump, a quadratic field's isolines: every end of every piece lies on an
// element edge where the edge's values reach the piece's level, and inside the domain
// it meets the end of another piece.
TEST(ContourLines, EndsLieOnElementEdgesAtTheirLevelAndMeetTheirNeighbours) {
    Solved s;
    s.Annulus();
    s.Fill([](Real x, Real y) { return (x * x + y * y) / 2000; }, 10);
    const ResultView view = s.View();
    const auto [low, high] = ComputeScaleRange(view, 0, 0);
    const ContourSettings c = Scale(low, high, ContourKind::Lines, 10);
    ContourDrawOptions o;
    o.outlines = false;
    const ContourPicture pic = DrawContours(view, c, o);
    // Where on an element edge a point lies, and the value there: NaN when on none.
    auto edgeValue = [&](double px, double py) {
        for (const Element& e : s.elements)
            for (std::size_t i = 0; i < 3; ++i) {
                const Node& a = s.problem.nodes[e.nodes[i]];
                const Node& b = s.problem.nodes[e.nodes[(i + 1) % 3]];
                const double ax = double(a.x), ay = double(a.y);
                const double dx = double(b.x) - ax, dy = double(b.y) - ay;
                const double t =
                    std::clamp(((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
                if (std::hypot(ax + t * dx - px, ay + t * dy - py) > 1) continue;
                const Real va = view.Values(0)[e.nodes[i]];
                const Real vb = view.Values(0)[e.nodes[(i + 1) % 3]];
                return double(va + static_cast<Real>(t) * (vb - va));
            }
        return std::nan("");
    };
    const double step = double(high - low) / c.lineCount;
    std::map<std::pair<int, int>, int> ends;
    int pieces = 0;
    for (const Primitive& item : pic.picture.items) {
        const auto pts = pic.picture.PointsOf(item);
        for (std::size_t i = 0; i + 1 < pts.size(); i += 2, ++pieces) {
            const double v1 = edgeValue(pts[i].x, pts[i].y);
            const double v2 = edgeValue(pts[i + 1].x, pts[i + 1].y);
            ASSERT_FALSE(std::isnan(v1) || std::isnan(v2)) << pts[i].x << "," << pts[i].y;
            const double level = double(low) + std::round((v1 - double(low)) / step) * step;
            EXPECT_NEAR(v1, level, 3) << "within a pixel of a level";
            EXPECT_NEAR(v2, level, 3) << "both ends on the same level";
            for (std::size_t j = i; j < i + 2; ++j)
                ++ends[{int(std::lround(pts[j].x)), int(std::lround(pts[j].y))}];
        }
    }
    EXPECT_GT(pieces, 100);
    for (const auto& [p, count] : ends) {
        const double r = std::hypot(p.first, p.second);
        if (std::fabs(r - 1500) > 4 && std::fabs(r - 500) > 4) {
            EXPECT_GE(count, 2) << p.first << "," << p.second;
        }
    }
}

TEST(ContourBands, LumpsBelowTheScaleAreGreyAndClippingUsesBoundingBoxes) {
    Solved s;
    s.Annulus();
    s.Fill([](Real x, Real) { return 100 + x / 10; }, -50);
    ContourPicture pic = DrawContours(s.View(), Scale(0, 300));
    EXPECT_EQ(pic.picture.items.front().brush.color, pic.colours[0]);
    // A clip rectangle inside one large element: no vertex lies in it, yet it is painted.
    Solved big;
    big.Rectangle(1, 1, 1, 1, 1000);
    big.Fill([](Real x, Real) { return x; });
    ContourDrawOptions o;
    o.clip = {600, -400, 620, -380};  // below the diagonal, in the lower right triangle
    pic = DrawContours(big.View(), Scale(0, 1000), o);
    EXPECT_GT(pic.picture.CountOf(PrimitiveKind::Region), 0u);
    // Clipping leaves out only what lies outside: bands and lines meeting a clip
    // rectangle are those of the whole picture that meet it, in the same order. Some
    // rectangles have a node on a corner, so that elements just touch their sides.
    std::mt19937 random(5);
    std::uniform_real_distribution<double> field(0, 300);
    s.Fill([&](Real, Real) { return Real(field(random)); }, 100);
    std::vector<ClipRect> clips{{-900, -700, -300, 200}};
    for (int n : {7, s.problem.nodes.Count() / 2, s.problem.nodes.Count() - 5}) {
        const float x = std::round(float(s.problem.nodes[n].x));
        const float y = std::round(float(s.problem.nodes[n].y));
        clips.push_back({x, y, x + 300, y + 300});
        clips.push_back({x - 300, y - 300, x, y});
    }
    for (const ClipRect& clip : clips)
        for (ContourKind kind : {ContourKind::Bands, ContourKind::Lines}) {
            o.clip = clip;
            // Each band ring, isoline or segment of a list that meets the clip rectangle.
            const auto meeting = [&](const DrawList& list) {
                std::vector<std::pair<std::vector<DrawPoint>, Rgb>> kept;
                const auto keep = [&](std::span<const DrawPoint> pts, Rgb colour) {
                    float l = pts[0].x, r = l, t = pts[0].y, b = t;
                    for (const DrawPoint& q : pts) {
                        l = std::min(l, q.x);
                        r = std::max(r, q.x);
                        t = std::min(t, q.y);
                        b = std::max(b, q.y);
                    }
                    if (r >= o.clip.left && l <= o.clip.right && b >= o.clip.top &&
                        t <= o.clip.bottom)
                        kept.push_back({{pts.begin(), pts.end()}, colour});
                };
                for (const Primitive& item : list.items) {
                    if (item.kind == PrimitiveKind::Region) {
                        for (const auto ring : list.RingsOf(item)) keep(ring, item.brush.color);
                    } else if (item.kind == PrimitiveKind::Lines) {
                        const auto pts = list.PointsOf(item);
                        for (std::size_t i = 0; i + 1 < pts.size(); i += 2)
                            keep(pts.subspan(i, 2), item.pen.color);
                    } else if (!list.PointsOf(item).empty()) {
                        keep(list.PointsOf(item), item.pen.color);
                    }
                }
                return kept;
            };
            const auto whole = meeting(DrawContours(s.View(), Scale(50, 250, kind)).picture);
            EXPECT_FALSE(whole.empty());
            EXPECT_EQ(meeting(DrawContours(s.View(), Scale(50, 250, kind), o).picture), whole);
        }
}

TEST(ContourLegend, AtMostTenBoxesWithMeasuredTexts) {
    Solved s;
    s.Rectangle(1, 0.5L, 8, 4);
    s.Fill([](Real x, Real) { return x; });
    const auto [low, high] = ComputeScaleRange(s.View(), 0, 0);
    ContourSettings c = Scale(low, high, ContourKind::Bands, 99);
    ContourPicture pic = DrawContours(s.View(), c);
    const FixedTextMetrics metrics;
    DrawList legend = ColourLegend(pic, c, "K", metrics);
    EXPECT_EQ(legend.CountOf(PrimitiveKind::Rectangle), 10u);
    EXPECT_EQ(legend.texts.back().text, AutoText(high, 4) + " K");
    // A first box for the values below a user scale; the boxes follow their labels.
    c = Scale(low + 20, high, ContourKind::Bands, 5);
    pic = DrawContours(s.View(), c);
    legend = ColourLegend(pic, c, "K", metrics);
    EXPECT_EQ(legend.CountOf(PrimitiveKind::Rectangle), 7u);
    EXPECT_EQ(legend.texts.front().text, AutoText(low, 4));
    const Primitive& firstBox = legend.items[1];
    EXPECT_EQ(firstBox.brush.color, pic.colours[0]);
    EXPECT_FLOAT_EQ(
        legend.PointsOf(firstBox)[0].x,
        2 + metrics.Measure(legend.texts[0].text, "Arial", kLegendFontSize, 0).width + 5);
    c.kind = ContourKind::Lines;
    pic = DrawContours(s.View(), c);
    legend = ContourLegend(pic, c, "K", metrics);
    EXPECT_EQ(legend.texts.at(0).text,
              "5 isopotential lines:  Minimum=" + AutoText(pic.levels[1], 4) +
                  "   Maximum=" + AutoText(high, 4) + " K");
}

TEST(ContourShading, PixelsFollowTheCornersAndLeaveTheHoleAlone) {
    Solved s;
    s.Rectangle(1, 0.5L, 4, 2, 400);  // 400 x 200 px
    s.Fill([](Real x, Real) { return x; });
    ContourSettings c = Scale(0, 400, ContourKind::Continuous);
    const ContourPicture pic = DrawContours(s.View(), c);
    ASSERT_EQ(pic.picture.images.size(), 1u);
    const ImagePrimitive& img = pic.picture.images[0];
    EXPECT_EQ(img.combine, ImagePrimitive::Combine::And);
    const auto at = [&](int x, int y) {
        return img.pixels[std::size_t(y - int(img.topLeft.y)) * img.width +
                          std::size_t(x - int(img.topLeft.x))];
    };
    for (int x : {0, 57, 200, 333, 399})
        for (int y : {-199, -120, -3}) {
            const int expected = ColourIndex(c, x);
            bool near = false;
            for (int d = -2; d <= 2; ++d)
                near = near || at(x, y) == PaletteColour(c.palette, expected + d);
            EXPECT_TRUE(near) << x << "," << y;
        }
    // Magnified 2^23 times, elements are nearly 10^9 pixels across: a small window near
    // x = 230 still shows that value's index.
    for (int n = 1; n <= s.problem.nodes.Count(); ++n) {
        s.problem.nodes[n].x *= 1 << 23;
        s.problem.nodes[n].y *= 1 << 23;
    }
    ContourDrawOptions o;
    o.clip = {230.0f * (1 << 23), -130.0f * (1 << 23), 230.0f * (1 << 23) + 128,
              -130.0f * (1 << 23) + 128};
    const ContourPicture far = DrawContours(s.View(), c, o);
    ASSERT_EQ(far.picture.images.size(), 1u);
    const std::vector<Rgb>& pixels = far.picture.images[0].pixels;
    ASSERT_EQ(pixels.size(), 129u * 129u);
    const int expected = ColourIndex(c, 230);
    for (const Rgb& px : pixels)
        ASSERT_TRUE(px == PaletteColour(c.palette, expected - 1) ||
                    px == PaletteColour(c.palette, expected) ||
                    px == PaletteColour(c.palette, expected + 1));
}

// The shaded image worked out plainly, pixel by pixel: for each element in order, every
// column from its leftmost to its rightmost rounded corner, the span between its edges
// by truncating integer interpolation, and each pixel the plane's index through the
// corners' indices with truncating division, kept between the corners' indices.
std::vector<Rgb> PlainShading(Solved& s, const ContourSettings& c, const ImagePrimitive& img) {
    const long long x0 = std::lround(img.topLeft.x), y0 = std::lround(img.topLeft.y);
    std::vector<Rgb> px(std::size_t(img.width) * std::size_t(img.height), kWhite);
    const auto values = s.results.Level(0);
    const auto index = [&](Real v) {
        const Real i = std::round((v - c.scaleMin) / (c.scaleMax - c.scaleMin) * 252) + 2;
        return int(std::clamp<Real>(i, 2, 254));
    };
    for (const Element& e : s.elements) {
        long long X[3], Y[3];
        int C[3];
        for (int i = 0; i < 3; ++i) {
            const Node& n = s.problem.nodes[e.nodes[i]];
            X[i] = std::llround(n.x);
            Y[i] = std::llround(n.y);
            C[i] = index(values[std::size_t(e.nodes[i])]);
        }
        const int low = std::min({C[0], C[1], C[2]}), high = std::max({C[0], C[1], C[2]});
        const long long d = (X[1] - X[0]) * (Y[2] - Y[0]) - (X[2] - X[0]) * (Y[1] - Y[0]);
        const long long a = (C[1] - C[0]) * (Y[2] - Y[0]) - (C[2] - C[0]) * (Y[1] - Y[0]);
        const long long b = (X[1] - X[0]) * (C[2] - C[0]) - (X[2] - X[0]) * (C[1] - C[0]);
        for (long long x = std::min({X[0], X[1], X[2]}); x <= std::max({X[0], X[1], X[2]}); ++x) {
            long long top = LLONG_MAX, bottom = LLONG_MIN;
            for (int i = 0; i < 3; ++i) {
                const int j = (i + 1) % 3;
                if (x < std::min(X[i], X[j]) || x > std::max(X[i], X[j])) continue;
                if (X[i] == X[j]) {
                    top = std::min({top, Y[i], Y[j]});
                    bottom = std::max({bottom, Y[i], Y[j]});
                } else {
                    const long long y = Y[i] + (Y[j] - Y[i]) * (x - X[i]) / (X[j] - X[i]);
                    top = std::min(top, y);
                    bottom = std::max(bottom, y);
                }
            }
            for (long long y = top; y <= bottom; ++y) {
                if (x < x0 || y < y0 || x >= x0 + img.width || y >= y0 + img.height) continue;
                const int ci =
                    low == high || d == 0
                        ? low
                        : std::clamp(C[0] + int((a * (x - X[0]) + b * (y - Y[0])) / d), low, high);
                px[std::size_t(y - y0) * std::size_t(img.width) + std::size_t(x - x0)] =
                    PaletteColour(c.palette, ci);
            }
        }
    }
    return px;
}

// A random field over the annulus around its lump, partly beyond a narrow scale, shaded
// whole, then magnified and clipped and in grey: the same image as worked out plainly.
TEST(ContourShading, EveryPixelAsWorkedOutPlainly) {
    Solved s;
    s.Annulus();
    std::mt19937 random(11);
    std::uniform_real_distribution<double> field(-30, 130);
    s.Fill([&](Real, Real) { return Real(field(random)); }, 50);
    ContourSettings c = Scale(0, 100, ContourKind::Continuous);
    const auto compare = [&](const ContourDrawOptions& o, std::size_t minimumShaded) {
        const ContourPicture pic = DrawContours(s.View(), c, o);
        ASSERT_EQ(pic.picture.images.size(), 1u);
        const ImagePrimitive& img = pic.picture.images[0];
        const std::vector<Rgb> expected = PlainShading(s, c, img);
        ASSERT_EQ(img.pixels.size(), expected.size());
        std::size_t shaded = 0, wrong = 0;
        for (std::size_t i = 0; i < expected.size(); ++i) {
            shaded += expected[i] != kWhite;
            wrong += img.pixels[i] != expected[i];
        }
        EXPECT_EQ(wrong, 0u) << "of " << expected.size();
        EXPECT_GT(shaded, minimumShaded);
    };
    compare({}, 4'000'000);  // pi (1500^2 - 500^2) px
    // Magnified five times about a point, so elements are hundreds of pixels across and
    // the window shows only part of the ring.
    for (int n = 1; n <= s.problem.nodes.Count(); ++n) {
        s.problem.nodes[n].x = (s.problem.nodes[n].x - 700) * 5;
        s.problem.nodes[n].y = (s.problem.nodes[n].y + 300) * 5;
    }
    c.palette = ContourPalette::GrayScale;
    ContourDrawOptions o;
    o.clip = {0, 0, 1600, 1000};
    compare(o, 400'000);
}

// Flux arrows of a linear field: equal, along -k grad T, at every grid point inside.
TEST(FluxArrows, LinearFieldArrowsStandOnTheGridAndPointWithTheFlux) {
    Solved s;
    s.Rectangle(2, 1, 10, 5, 200);  // 400 x 200 px, y from -200 to 0
    const Real a = 0.3L, b = -0.4L;
    s.Fill([&](Real x, Real y) { return a * x + b * y; });
    const ResultView view = s.View();
    const auto [low, high] = GetFluxMinMax(view, 0, 0, false);
    EXPECT_NEAR(double(high), 2 * 0.5 * 200, 1e-6);  // k |grad| per metre
    EXPECT_NEAR(double(low), double(high), 1e-6);
    GradientSettings g;
    g.fluxScaleMin = low / 2;
    g.fluxScaleMax = high;
    g.temperatureGradient = false;
    ContourSettings c;
    const ArrowPicture pic = DrawFluxArrows(view, g, c, {});
    // Grid: origin at the frames' top left (0, -200), points at -18 + 36 m.
    int inside = 0;
    for (long long x = -18 + 36; x < 400; x += 36)
        for (long long y = -200 - 18 + 36; y < 0; y += 36) ++inside;
    EXPECT_GE(pic.arrows, inside);  // points on shared edges count for each element
    std::set<std::pair<int, int>> centres;
    for (const Primitive& item : pic.picture.items) {
        if (item.kind != PrimitiveKind::Lines) continue;
        const auto pts = pic.picture.PointsOf(item);
        for (std::size_t i = 0; i + 1 < pts.size(); i += 2) {
            const float dx = pts[i + 1].x - pts[i].x, dy = pts[i + 1].y - pts[i].y;
            if (dx == 0 || dy == 0) continue;  // the outline
            // Against the gradient, y downwards: (-a, -b) per pixel.
            EXPECT_NEAR(std::atan2(dy, dx), std::atan2(-b, -a), 0.05);
            EXPECT_NEAR(std::hypot(dx, dy), 2 * pic.longest, 1.5);
            centres.insert({int(std::lround((pts[i].x + pts[i + 1].x) / 2)),
                            int(std::lround((pts[i].y + pts[i + 1].y) / 2))});
        }
    }
    EXPECT_EQ(centres.size(), static_cast<std::size_t>(inside));
    for (const auto& [x, y] : centres) {
        EXPECT_EQ((x + 18) % 36, 0);
        EXPECT_GT(x, 0);
        EXPECT_LT(x, 400);
        EXPECT_LT(y, 0);
        EXPECT_GT(y, -200);
    }
    EXPECT_EQ(pic.capped, 0);
    // A user maximum below the magnitude caps every arrow and circles its tail; far
    // below the minimum no arrow is drawn rather than a flipped one.
    g.fluxScaleMin = low / 100;
    g.fluxScaleMax = low / 10;
    EXPECT_EQ(DrawFluxArrows(view, g, c, {}).capped, pic.arrows);
    g.fluxScaleMin = high * 10;
    g.fluxScaleMax = high * 10.5L;
    EXPECT_EQ(DrawFluxArrows(view, g, c, {}).arrows, 0);
    // Zoom and scroll change no magnitude.
    ScrollBy(s.problem, 50, -30);
    EXPECT_NEAR(double(GetFluxMinMax(view, 0, 0, false).second), double(high), 1e-9);
}

TEST(FluxArrows, ScaleFixupsAndTemperatureGradientInEverySubject) {
    GradientSettings g;
    g.fluxScaleMin = 5;
    g.fluxScaleMax = 5;
    FixFluxScale(g);
    EXPECT_NEAR(double(g.fluxScaleMax), 5.05, 1e-12);
    g.fluxScaleMin = -2;
    g.fluxScaleMax = -3;
    FixFluxScale(g);
    EXPECT_GT(g.fluxScaleMax, g.fluxScaleMin);
    g.fluxScaleMin = 0;
    g.fluxScaleMax = 0;
    FixFluxScale(g);
    EXPECT_EQ(g.fluxScaleMax, Real(0.01L));

    Solved s;
    s.Rectangle(1, 0.5L, 4, 2);
    s.Fill([](Real, Real) { return 7; });
    const auto [low, high] = GetFluxMinMax(s.View(), 0, 0, true);
    EXPECT_EQ(high, Real(1e-6L));
    EXPECT_EQ(low, Real(1e-8L));
    // Extended surfaces: "Temperature" gives the plain gradient, not k times it.
    s.problem.settings.subject = ProbTypeA::ThinFins;
    s.Fill([](Real x, Real) { return x; });  // 1 per pixel = 100 per metre
    EXPECT_NEAR(double(ArrowFlux(s.View(), 1, 0, true).magnitude), 100, 1e-9);
    EXPECT_EQ(FluxUnitLabel(s.problem, true),
              "\xC2\xB0"
              "C/m");
}

TEST(Pressures, UniformStreamGivesTheBernoulliPressureAtEveryNode) {
    Solved s;
    s.problem.settings.subject = ProbTypeA::Potential;
    s.Rectangle(1, 0.5L, 6, 3);
    SetMaterial(s.problem, 1, 1.2L);  // density
    s.problem.bernoulliConstant = 1000;
    const Real u = 3;
    // psi = U y with y in metres up; node y pixels point down.
    s.Fill([&](Real, Real y) { return -u * y / 100; });
    std::vector<Real> p;
    FlowContext fc{s.problem, s.elements, s.results};
    ASSERT_TRUE(ComputePressures(fc, 0, p));
    for (int n = 1; n <= s.problem.nodes.Count(); ++n)
        EXPECT_NEAR(double(p[n]), 1000 - 1.2 * 9 / 2, 1e-9) << n;
    ResultView view = s.View();
    view.pressures = &p;
    const auto text = ReadoutText(view, {}, 50, -20);
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(*text, "P=" + AutoText(1000 - 1.2L * 9 / 2, 5) + " Pa");
}

TEST(Readout, LinearValueLumpValueNothingOutsideAndUnchangedByScrollAndZoom) {
    Solved s;
    s.Annulus();
    s.Fill([](Real x, Real y) { return 2 * x - y + 1000; }, 321.5L);
    const ResultView view = s.View();
    const auto text = [&](Real x, Real y) { return ReadoutText(view, {}, x, y); };
    const auto linear = text(1000, -10);
    ASSERT_TRUE(linear.has_value());
    EXPECT_NEAR(std::stod(*linear), 2 * 1000 + 10 + 1000, 1.0);  // corners rounded to pixels
    EXPECT_NE(linear->find(" \xC2\xB0"
                           "C"),
              std::string::npos);
    EXPECT_EQ(text(0, 0), AutoText(321.5L, 5) +
                              " \xC2\xB0"
                              "C");
    EXPECT_EQ(text(1600, 0), std::nullopt);
    // The same model point after scrolling and zooming reads the same.
    const Element& e = s.elements[17];
    const auto centroid = [&] {
        Real x = 0, y = 0;
        for (int n : e.nodes) {
            x += std::round(s.problem.nodes[n].x);
            y += std::round(s.problem.nodes[n].y);
        }
        return std::pair{x / 3, y / 3};
    };
    auto [x, y] = centroid();
    const auto before = text(x, y);
    ASSERT_TRUE(before.has_value());
    ScrollBy(s.problem, 50, 20);
    std::tie(x, y) = centroid();
    EXPECT_EQ(text(x, y), before);
    ZoomMemory memory;
    ASSERT_TRUE(ZoomIn(s.problem, memory, -100, -100, 400, 1600, 20));
    std::tie(x, y) = centroid();
    EXPECT_EQ(text(x, y), before);
}

TEST(Readout, CollinearRoundedCornersGiveNoNaNAndGradientsReadTheFlux) {
    Solved s;
    s.Rectangle(1, 0.5L, 4, 2);
    s.Fill([](Real x, Real) { return x; });
    // Squash element 1 onto a line.
    const Element& e = s.elements[1];
    const Real y = s.problem.nodes[e.nodes[0]].y;
    for (int n : e.nodes) s.problem.nodes[n].y = y;
    const Real v = InterpolateAt(s.View(), s.View().Values(0), 1, s.problem.nodes[e.nodes[0]].x, y);
    EXPECT_FALSE(std::isnan(v));
    Solved t;
    t.Rectangle(1, 0.5L, 4, 2);
    t.Fill([](Real x, Real) { return x; });
    ReadoutOptions o;
    o.window = ReadoutWindow::Gradients;
    o.temperatureGradient = false;
    EXPECT_EQ(ReadoutText(t.View(), o, 40, -20), AutoText(200, 5) + " W/m2");
}

TEST(ResultSteps, StepOfTimeNearestStepAndOnlyComputedLevels) {
    Solved s;
    s.Rectangle(1, 0.5L, 2, 1);
    s.problem.settings.transient = true;
    s.Fill([](Real x, Real) { return x; }, 0, 6);
    const Real times[] = {0, 1, 2, 3.5L, 5, 9};
    for (int l = 0; l < 6; ++l) s.results.Level(l)[0] = times[l];
    ResultView view = s.View();
    view.lastStepIndex = 4;  // a cancelled run: level 5 was never computed
    EXPECT_EQ(StepOfTime(view, 2.1L), 3);
    EXPECT_EQ(StepOfTime(view, 100), 4);
    EXPECT_EQ(NearestStep(view, 3.1L), 3);
    EXPECT_EQ(NearestStep(view, 100), 4);
    view.displayedStep = 5;
    EXPECT_EQ(view.Step(), 4);
    const auto [low, high] = ComputeScaleRange(view, 0, 5);
    EXPECT_LT(high, 100 + 5);  // level 5's values (x + 5) are not counted
    EXPECT_EQ(high, Real(100 + 4));
    EXPECT_EQ(low, 0);
    s.problem.settings.transient = false;
    EXPECT_EQ(StepOfTime(view, 3), 0);
}

}  // namespace
}  // namespace kova::test
