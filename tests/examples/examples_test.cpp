// Every example problem is built through the model operations, passes the configuration
// check, solves, and shows a physical fact of its kind: a heat balance, an analytic
// profile, a symmetry or a steady limit.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <iostream>
#include <numbers>

#include "examples.hpp"
#include "files/problem_file.hpp"
#include "sketch.hpp"
#include "support/model_invariants.hpp"
#include "support/steady_run.hpp"
#include "support/triangulation_check.hpp"
#include "units/drawing_transform.hpp"

namespace kova {
namespace {

using examples::BuildExample;
using examples::FindExample;

constexpr Real kPi = std::numbers::pi_v<Real>;

struct Position {
    Real x = 0;
    Real y = 0;
};

class ExampleTest : public ::testing::Test {
protected:
    // Builds the example, checks its mesh and model, and runs the steady solution
    // (transient examples with their steady limit: the same problem run to its end).
    void BuildAndSolve(const std::string& name) {
        const examples::Example* example = FindExample(name);
        ASSERT_NE(example, nullptr);
        BuildExample(*example, problem);
        const auto invariants = testing::CheckModelInvariants(problem);
        ASSERT_TRUE(invariants.empty()) << testing::JoinViolations(invariants);
        const auto report = testing::CheckTriangulation(problem);
        ASSERT_TRUE(report.Valid()) << testing::JoinViolations(report.violations);
        ASSERT_TRUE(testing::CompareWithElementBuilder(problem, report).empty());
        std::cout << name << ": " << problem.nodes.Count() << " nodes, " << report.triangles.size()
                  << " elements, smallest angle "
                  << static_cast<double>(report.smallestAngleDegrees) << " degrees\n";

        if (problem.settings.transient) {
            // The transient problem as drawn passes the check with its initial values.
            test::SteadyRun check(problem);
            CheckedConfiguration checked;
            const CheckResult result = ConfigurationCheck(problem, checked);
            ASSERT_TRUE(result.ok && !result.errorFound)
                << check.reporter.StatusText(StatusPanel::Info);
            problem.settings.transient = false;
        }
        run = std::make_unique<test::SteadyRun>(problem);
        ASSERT_EQ(run->Run(), 0) << run->reporter.StatusText(StatusPanel::Info);
    }

    Position At(int n) const {
        const Coordinates c = DrawingToBase(problem, problem.nodes[n].x, problem.nodes[n].y);
        return {c.first, c.second};
    }
    Real Value(int n) const { return run->Value(n); }
    // The active node at (x, y), or 0.
    int NodeAt(Real x, Real y) const {
        for (int n = 1; n <= problem.settings.activeNodeCount; ++n) {
            const Position p = At(n);
            if (std::fabs(p.x - x) < 1e-9L && std::fabs(p.y - y) < 1e-9L) return n;
        }
        return 0;
    }
    // The largest |check(node)| over the active nodes.
    Real Worst(const std::function<Real(int)>& check) const {
        Real worst = 0;
        for (int n = 1; n <= problem.settings.activeNodeCount; ++n)
            worst = std::max(worst, std::fabs(check(n)));
        return worst;
    }
    // Over the nodes whose mirror image exists: the largest |combine(value, mirrored)|,
    // and how many pairs there were.
    std::pair<Real, int> WorstMirrored(const std::function<Position(Position)>& mirror,
                                       const std::function<Real(Real, Real)>& combine) const {
        Real worst = 0;
        int pairs = 0;
        for (int n = 1; n <= problem.settings.activeNodeCount; ++n) {
            const Position m = mirror(At(n));
            const int other = NodeAt(m.x, m.y);
            if (other == 0) continue;
            ++pairs;
            worst = std::max(worst, std::fabs(combine(Value(n), Value(other))));
        }
        return {worst, pairs};
    }

    Problem problem;
    std::unique_ptr<test::SteadyRun> run;
};

TEST_F(ExampleTest, HeatedPlateLosesByConvectionExactlyWhatItGeneratesAndIsSymmetric) {
    BuildAndSolve("heated_plate");
    Real loss = 0;
    for (const LineSegment& s : problem.lines) {
        if (s.transferSpec == 0) continue;
        const Position a = At(s.node1), b = At(s.node2);
        const Real length = std::hypot(b.x - a.x, b.y - a.y);
        loss += 25 * length * ((Value(s.node1) + Value(s.node2)) / 2 - 20);
    }
    const Real generated = 1e5L * 0.3L * 0.2L;
    EXPECT_NEAR(loss / generated, 1, 1e-9);

    const auto [acrossX, pairsX] = WorstMirrored(
        [](Position p) {
            return Position{0.3L - p.x, p.y};
        },
        [](Real a, Real b) { return a - b; });
    const auto [acrossY, pairsY] = WorstMirrored(
        [](Position p) {
            return Position{p.x, 0.2L - p.y};
        },
        [](Real a, Real b) { return a - b; });
    EXPECT_EQ(pairsX, problem.settings.activeNodeCount) << "the mesh is symmetric";
    EXPECT_EQ(pairsY, problem.settings.activeNodeCount);
    EXPECT_LT(acrossX, 1e-9);
    EXPECT_LT(acrossY, 1e-9);
}

TEST_F(ExampleTest, CompositeWallHasTheLinearProfileOfEachLayerAndTheSeriesInterface) {
    BuildAndSolve("composite_wall");
    // Conductances per unit area 1/0.05 and 0.1/0.1 in series.
    const Real interface = 100 * 20 / 21.0L;
    const Real worst = Worst([&](int n) {
        const Real x = At(n).x;
        const Real exact =
            x <= 0.05L ? 100 - (100 - interface) * x / 0.05L : interface * (0.15L - x) / 0.1L;
        return Value(n) - exact;
    });
    EXPECT_LT(worst, 1e-8);
}

TEST_F(ExampleTest, CylindricalShellFollowsTheLogarithmicProfileNotTheLinearOne) {
    BuildAndSolve("cylindrical_shell");
    const auto exact = [](Real r) { return 100 * std::log(0.1L / r) / std::log(2.0L); };
    EXPECT_LT(Worst([&](int n) { return Value(n) - exact(At(n).x); }), 0.3);
    // Half way through the wall the log profile is 8.5 below the straight line.
    const int mid = NodeAt(0.075L, 0.05L);
    ASSERT_NE(mid, 0);
    EXPECT_NEAR(Value(mid), exact(0.075L), 0.3);
    EXPECT_LT(Value(mid), 50 - 8);
}

TEST_F(ExampleTest, FinMatchesTheInsulatedTipFinSolution) {
    BuildAndSolve("fin");
    // m^2 = 2h / (k t) = 100 per square metre; mL = 1.
    const auto exact = [](Real x) {
        return 20 + 80 * std::cosh(10 * (0.1L - x)) / std::cosh(1.0L);
    };
    EXPECT_LT(Worst([&](int n) { return Value(n) - exact(At(n).x); }), 0.2);
    const int tip = NodeAt(0.1L, 0.0L);
    ASSERT_NE(tip, 0);
    EXPECT_NEAR(Value(tip), 71.85, 0.2);
}

TEST_F(ExampleTest, QuenchedBlockEndsAtTheBathTemperature) {
    BuildAndSolve("transient_quench");
    EXPECT_LT(Worst([&](int n) { return Value(n) - 20; }), 1e-9);
}

TEST_F(ExampleTest, LumpAndSolidEndAtTheHeldTemperature) {
    BuildAndSolve("lump_beside_solid");
    EXPECT_LT(Worst([&](int n) { return Value(n) - 20; }), 1e-9);
    int lump = 0;
    for (int k = 1; k <= problem.frameCount; ++k)
        if (problem.frames[k].IsLump()) lump = k;
    ASSERT_NE(lump, 0);
    EXPECT_NEAR(run->LumpValue(lump), 20, 1e-9);
}

TEST_F(ExampleTest, TwoConductorsGiveAnAntisymmetricPotentialWithinTheirVoltages) {
    BuildAndSolve("two_conductors");
    // Between the conductors' 0 and 100 V; the box is symmetric, the voltages are not:
    // V(x) + V(0.2 - x) = 100, and the midline is at 50 V.
    EXPECT_LE(Worst([&](int n) { return Value(n) - 50; }), 50 + 1e-9);
    const auto [worst, pairs] = WorstMirrored(
        [](Position p) {
            return Position{0.2L - p.x, p.y};
        },
        [](Real a, Real b) { return a + b - 100; });
    EXPECT_GT(pairs, 20);
    // The two halves are meshed alike only roughly, and the field is singular at the
    // conductors' corners.
    EXPECT_LT(worst, 4);
    const Real midline =
        Worst([&](int n) { return std::fabs(At(n).x - 0.1L) < 1e-9L ? Value(n) - 50 : 0; });
    EXPECT_LT(midline, 1);
}

TEST_F(ExampleTest, SourceOnAWallSendsHalfItsFlowIntoTheStream) {
    BuildAndSolve("source_near_wall");
    const int source = problem.singularPoints.front().node;
    // Stream function: the uniform stream's y plus the source's s theta / 2 pi.
    const Real worst = Worst([&](int n) {
        if (n == source) return Real{0};
        const Position p = At(n);
        const Real theta = std::atan2(p.y, p.x);
        return Value(n) - (p.y + 0.1L * theta / (2 * kPi));
    });
    EXPECT_LT(worst, 1e-9);
    // The wall is two streamlines 0.05 apart: half of the source's 0.1 goes into the flow.
    const int left = NodeAt(-0.2L, 0), right = NodeAt(0.2L, 0);
    ASSERT_NE(left, 0);
    ASSERT_NE(right, 0);
    EXPECT_NEAR(Value(left) - Value(right), 0.05, 1e-12);
}

TEST_F(ExampleTest, SeepageHeadIsAntisymmetricAboutTheDamAndWithinTheBoundaryHeads) {
    BuildAndSolve("seepage_under_dam");
    EXPECT_LE(Worst([&](int n) { return Value(n) - 5; }), 5 + 1e-9);
    const auto [worst, pairs] = WorstMirrored(
        [](Position p) {
            return Position{0.6L - p.x, p.y};
        },
        [](Real a, Real b) { return a + b - 10; });
    EXPECT_GT(pairs, 10);
    EXPECT_LT(worst, 0.5);  // the ear-clipped mesh is not symmetric
    const int underDam = NodeAt(0.3L, 0);
    ASSERT_NE(underDam, 0);
    EXPECT_NEAR(Value(underDam), 5, 0.3);
}

TEST_F(ExampleTest, TissueLayerFollowsTheOneDimensionalPerfusionSolution) {
    BuildAndSolve("tissue_layer");
    // theta'' = m^2 theta with m^2 = w c_b / k; theta(0) = 0; -k theta' = h (T - 20) at
    // the skin.
    const Real m = std::sqrt(0.5L * 4200 / 0.5L), L = 0.03L, h = 10, k = 0.5L;
    const Real a = -h * (37 - 20) / (k * m * std::cosh(m * L) + h * std::sinh(m * L));
    const auto exact = [&](Real y) { return 37 + a * std::sinh(m * y); };
    EXPECT_LT(Worst([&](int n) { return Value(n) - exact(At(n).y); }), 0.05);
    EXPECT_LT(exact(L), 37 - 1);  // the skin is noticeably cooler than the core
}

TEST(ExampleFilesTest, EveryExampleIsWrittenAndReadBackWhole) {
    const auto folder = std::filesystem::temp_directory_path() / "kova_examples_test";
    std::filesystem::create_directories(folder);
    for (const examples::Example& e : examples::AllExamples()) {
        Problem built;
        BuildExample(e, built);
        const std::string path = (folder / (e.name + ".KVX")).string();
        ASSERT_TRUE(WriteProblemFile(built, path)) << e.name;
        Problem read;
        ASSERT_TRUE(ReadProblemFile(read, path)) << e.name;
        EXPECT_EQ(read.nodes.Count(), built.nodes.Count()) << e.name;
        EXPECT_EQ(read.lines.Count(), built.lines.Count()) << e.name;
        EXPECT_EQ(read.settings.subject, built.settings.subject) << e.name;
        EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(KOVA_SOURCE_DIR) / "examples" /
                                            "descriptions" / (e.name + ".txt")))
            << e.name << " has no description";
    }
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace kova
