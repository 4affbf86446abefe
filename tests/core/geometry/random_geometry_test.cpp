// Randomized drawings: star-shaped outlines from random points, nested up to three
// levels, with neighbours sharing sides; then random splits, outline rebuilds and
// point queries, with the model's invariants checked after every operation.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>

#include "geometry/frame_rebuild.hpp"
#include "geometry/primitives.hpp"
#include "geometry/region.hpp"
#include "support/geometry_builders.hpp"
#include "support/model_invariants.hpp"

namespace kova {
namespace {

using testing::Corner;

constexpr Real kPi = std::numbers::pi_v<Real>;

class RandomDrawing {
public:
    explicit RandomDrawing(unsigned seed) : m_random(seed) {
        m_problem.SetReporter(&m_reporter);
        m_problem.settings.pixelLength = 0.01L;
        m_problem.SetCylindrical(Uniform(0, 1) < 0.5L);
    }

    Real Uniform(Real lo, Real hi) {
        return std::uniform_real_distribution<Real>(lo, hi)(m_random);
    }
    int Pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(m_random); }

    // A star-shaped outline around (cx, cy): angles spread evenly with jitter, so that
    // no gap exceeds 0.6 pi and the disc of radius 0.58 * rMin about the centre lies
    // inside. Whole or fractional positions at random.
    std::vector<Corner> Star(Real cx, Real cy, Real rMin, Real rMax) {
        const int n = Pick(5, 10);
        const bool whole = Pick(0, 1) == 0;
        std::vector<Corner> corners;
        for (int j = 0; j < n; ++j) {
            const Real angle = 2 * kPi * (j + Uniform(0, 0.5L)) / n;
            const Real r = Uniform(rMin, rMax);
            Real x = cx + r * std::cos(angle), y = cy + r * std::sin(angle);
            if (whole) {
                x = std::round(x);
                y = std::round(y);
            }
            corners.push_back({x, y});
        }
        return corners;
    }

    void Build() {
        for (int cell = 0; cell < 4; ++cell) {
            const Real cx = 250 + 420 * (cell % 2), cy = 250 + 420 * (cell / 2);
            if (Pick(0, 2) == 0) {
                // Two rectangles sharing a side, the left one holding a star.
                const int left = Add(
                    {{cx - 180, cy - 120}, {cx, cy - 120}, {cx, cy + 120}, {cx - 180, cy + 120}},
                    0);
                Add({{cx, cy - 120}, {cx + 180, cy - 120}, {cx + 180, cy + 120}, {cx, cy + 120}},
                    0);
                Add(Star(cx - 90, cy, 40, 80), left);
                continue;
            }
            const int outer = Add(Star(cx, cy, 120, 180), 0);
            if (Pick(0, 3) == 0) continue;
            const int middle = Add(Star(cx, cy, 40, 65), outer);
            if (Pick(0, 1) == 0) Add(Star(cx, cy, 10, 20), middle);
        }
    }

    int Add(const std::vector<Corner>& corners, int enclosing) {
        const int k = testing::AddFrame(m_problem, corners, enclosing);
        EXPECT_GT(k, 0);
        return k;
    }

    // A node on a random segment, inserted into it; the frames on both sides are
    // rebuilt as the commands do.
    void RandomSplit() {
        const int count = m_problem.lines.Count();
        LineSegment* s = m_problem.lines.AtPosition(Pick(1, count));
        const Node& a = m_problem.nodes[s->node1];
        const Node& b = m_problem.nodes[s->node2];
        if (std::hypot(b.x - a.x, b.y - a.y) < 30) return;
        const Real t = Uniform(0.3L, 0.7L);
        const int sideA = s->frameA, sideB = s->frameB;
        const int k = m_problem.AddNode(a.x + t * (b.x - a.x), a.y + t * (b.y - a.y));
        ASSERT_TRUE(SplitSegmentAtNode(m_problem, k))
            << "segment " << a.x << "," << a.y << " - " << b.x << "," << b.y << " sides " << sideA
            << "," << sideB << " active " << int(s->active) << " t " << t;
        for (const int f : {sideA, sideB}) {
            if (f <= 0) continue;
            ASSERT_EQ(RebuildOutline(m_problem, f), OutlineResult::Rebuilt);
            RebuildFrameGeometry(m_problem, f, Pick(0, 1) == 1);
        }
    }

    // The innermost frame whose pixel polygon holds the point strictly, found by
    // brute force; -1 when the point lies on some outline.
    int ExpectedFrameAt(PixelPoint p) const {
        int best = 0;
        long double bestArea = 0;
        for (int k = 1; k <= m_problem.frameCount; ++k) {
            const auto& polygon = m_problem.frames[k].pixelPolygon;
            const PointLocation where = LocatePoint(polygon, p);
            if (where == PointLocation::OnBoundary) return -1;
            if (where != PointLocation::Inside) continue;
            const long double area = std::fabs(SignedDoubleArea(polygon));
            if (best == 0 || area < bestArea) {
                best = k;
                bestArea = area;
            }
        }
        return best;
    }

    void CheckPointQueries(int samples) {
        for (int j = 0; j < samples; ++j) {
            const PixelPoint p{Pick(0, 900), Pick(0, 900)};
            const int expected = ExpectedFrameAt(p);
            if (expected < 0) continue;
            EXPECT_EQ(FrameAtPoint(m_problem, p.x, p.y), expected) << p.x << "," << p.y;
            EXPECT_EQ(FramesAtPoint(m_problem, p.x, p.y).second, 0) << p.x << "," << p.y;
        }
    }

    // The frames partition the drawing: the net areas add up to the gross areas of the
    // frames that no other frame holds.
    void CheckAreasAddUp() {
        Real net = 0, outer = 0;
        for (int k = 1; k <= m_problem.frameCount; ++k) {
            net += m_problem.frames[k].area;
            if (!FramesHolding(m_problem, k).empty()) continue;
            const auto& v = m_problem.frames[k].vertices;
            Real twice = 0;
            for (std::size_t j = 0; j + 1 < v.size(); ++j) {
                const Node& a = m_problem.nodes[v[j]];
                const Node& b = m_problem.nodes[v[j + 1]];
                twice += a.x * b.y - b.x * a.y;
            }
            outer += std::fabs(twice) / 2 * 1e-4L;
        }
        EXPECT_NEAR(static_cast<double>(net), static_cast<double>(outer), 1e-9);
    }

    void CheckInvariants(const char* after) {
        const auto violations = testing::CheckModelInvariants(m_problem);
        EXPECT_TRUE(violations.empty()) << "after " << after << ":\n"
                                        << testing::JoinViolations(violations);
    }

    Problem& problem() { return m_problem; }
    RecordingReporter& reporter() { return m_reporter; }

private:
    std::mt19937 m_random;
    Problem m_problem;
    RecordingReporter m_reporter;
};

TEST(RandomGeometry, OperationsKeepTheModelConsistent) {
    for (unsigned seed = 1; seed <= 12; ++seed) {
        SCOPED_TRACE(::testing::Message() << "seed " << seed);
        RandomDrawing drawing(seed);
        drawing.Build();
        drawing.CheckInvariants("building");
        drawing.CheckAreasAddUp();
        drawing.CheckPointQueries(150);
        for (int step = 0; step < 25; ++step) {
            switch (drawing.Pick(0, 3)) {
                case 0:
                case 1:
                    drawing.RandomSplit();
                    drawing.CheckInvariants("a split");
                    break;
                case 2: {
                    const int k = drawing.Pick(1, drawing.problem().frameCount);
                    ASSERT_EQ(RebuildOutline(drawing.problem(), k), OutlineResult::Rebuilt);
                    RebuildFrameGeometry(drawing.problem(), k, true);
                    drawing.CheckInvariants("rebuilding one frame");
                    break;
                }
                default:
                    ASSERT_TRUE(RebuildAllFrames(drawing.problem()).empty());
                    drawing.CheckInvariants("rebuilding all frames");
                    break;
            }
            if (::testing::Test::HasFailure()) return;
        }
        drawing.CheckAreasAddUp();
        drawing.CheckPointQueries(150);
        EXPECT_TRUE(drawing.reporter().Errors().empty());
    }
}

}  // namespace
}  // namespace kova
