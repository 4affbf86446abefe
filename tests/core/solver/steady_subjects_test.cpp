// One steady problem per subject against its closed-form answer: the subject's own
// terms (fin exchange, perfusion, point singularities) and the shared ones in the
// vocabulary of each subject.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "expressions/compiler.hpp"
#include "expressions/element_gradient.hpp"
#include "model/subjects.hpp"
#include "results/flows.hpp"
#include "results/pressures.hpp"
#include "solver/steady_solution.hpp"
#include "support/mesh_builder.hpp"
#include "support/steady_run.hpp"
#include "units/unit_labels.hpp"

namespace kova::test {
namespace {

constexpr Real kPi = std::numbers::pi_v<Real>;

template <typename Exact>
Real MaxError(const SteadyRun& run, Exact exact) {
    Real worst = 0;
    for (int n = 1; n <= run.problem.settings.activeNodeCount; ++n) {
        const auto [x, y] = Position(run.problem, n);
        worst = std::max(worst, std::fabs(run.Value(n) - exact(x, y)));
    }
    return worst;
}

// A problem of `subject` holding a rectangle [0, w] x [0, h] of n x m cells, material 1
// with conductivity k.
struct Slab {
    Problem problem;
    int frame = 0;
    Slab(ProbTypeA subject, Real w, Real h, int n, int m, Real k) {
        SetSubjectLabels(problem, subject, false);
        MeshBuilder b(problem);
        frame = MeshRectangle(b, 0, 0, w, h, n, m, 1);
        b.Finish();
        SetMaterial(problem, 1, k);
    }
    Frame& TheFrame() { return problem.frames[frame]; }
};

TEST(SteadySubjects, ExtendedSurfaceFinFollowsTheHyperbolicCosine) {
    // A fin of thickness t = 2 mm, k = 200, h = 25 on both faces to 20, base at 100,
    // insulated tip at L = 0.1: theta = 80 cosh(m (L - x)) / cosh(m L), m^2 = 2h/(k t).
    // Linear elements are O(h^2) accurate: the error falls about fourfold per halving and,
    // with h = 5 mm and theta'' <= m^2 * 80 = 1e4, stays below h^2 theta'' / 8 = 0.03.
    auto solve = [](int n) {
        Slab slab(ProbTypeA::ThinFins, 0.1L, 0.01L, n, n / 5, 200);
        Problem& p = slab.problem;
        Frame& f = slab.TheFrame();
        f.finThickness = 0.002L;
        f.finTransferSpec = static_cast<std::int16_t>(FindOrAddSpecValue(p, kSpecTransfer, 25));
        f.finFluidSpec = static_cast<std::int16_t>(FindOrAddSpecValue(p, kSpecValue, 20));
        SetValueWhere(
            p, [](Real x, Real) { return Near(x, 0); }, [](Real, Real) { return 100; });
        InsulateRest(p);
        SteadyRun run(p);
        EXPECT_EQ(run.Run(), 0);
        const Real m = std::sqrt(2 * 25 / (200 * 0.002L));
        return MaxError(run, [m](Real x, Real) {
            return 20 + 80 * std::cosh(m * (0.1L - x)) / std::cosh(m * 0.1L);
        });
    };
    const Real coarse = solve(10);
    const Real fine = solve(20);
    EXPECT_LT(fine, 0.03L);
    EXPECT_GT(coarse / fine, 3.0L);
}

TEST(SteadySubjects, ExtendedSurfaceGenerationScalesWithTheThickness) {
    // An insulated fin plate with generation g and surface flux q exchanging with the
    // fluid through both faces: the uniform balance 2h (T - Tf) = g t + q holds exactly.
    Slab slab(ProbTypeA::ThinFins, 0.2L, 0.1L, 4, 2, 50);
    Problem& p = slab.problem;
    Frame& f = slab.TheFrame();
    f.finThickness = 0.004L;
    f.finTransferSpec = static_cast<std::int16_t>(FindOrAddSpecValue(p, kSpecTransfer, 10));
    f.finFluidSpec = static_cast<std::int16_t>(FindOrAddSpecValue(p, kSpecValue, 30));
    f.finFluxSpec = static_cast<std::int16_t>(FindOrAddSpecValue(p, kSpecFlux, 200));
    f.generationSpec = FindOrAddSpecValue(p, kSpecGeneration, 1e5L);
    InsulateRest(p);
    SteadyRun run(p);
    ASSERT_EQ(run.Run(), 0);
    const Real expected = 30 + (1e5L * 0.004L + 200) / (2 * 10);
    EXPECT_LT(MaxError(run, [&](Real, Real) { return expected; }), 1e-9L);
}

TEST(SteadySubjects, BioHeatPerfusionGivesTheHyperbolicProfile) {
    // Pennes: k T'' - w (T - Ta) + g = 0, w = blood specific heat x perfusion = 20,
    // k = 0.5, g = 400, Ta = 37; T(0) = 20, insulated at L = 0.3.
    // T - Ta - g/w = (20 - 37 - 20) cosh(m (L - x)) / cosh(m L), m^2 = w/k = 40.
    // O(h^2) with h = 0.01 and |T''| <= 40 * 37: below h^2 |T''| / 8 = 0.02.
    Slab slab(ProbTypeA::Bio, 0.3L, 0.02L, 30, 2, 0.5L);
    Problem& p = slab.problem;
    SetPerfusion(p, 1, 0.005L, 4000);
    p.blood.arterialSpec = FindOrAddSpecValue(p, kSpecValue, 37);
    slab.TheFrame().generationSpec = FindOrAddSpecValue(p, kSpecGeneration, 400);
    SetValueWhere(
        p, [](Real x, Real) { return Near(x, 0); }, [](Real, Real) { return 20; });
    InsulateRest(p);
    SteadyRun run(p);
    ASSERT_EQ(run.Run(), 0);
    const Real mm = std::sqrt(40.0L);
    EXPECT_LT(MaxError(run,
                       [&](Real x, Real) {
                           return 57 - 37 * std::cosh(mm * (0.3L - x)) / std::cosh(mm * 0.3L);
                       }),
              0.02L);
}

TEST(SteadySubjects, PerfusionVaryingInSpaceHoldsInsulatedTissueAtTheArterialTemperature) {
    // Insulated tissue whose perfusion grows with the first coordinate: T = Ta solves
    // it exactly on any mesh, as the exchange matrix and the arterial load are the same
    // integral of w N_i (times r in cylindrical geometry).
    for (bool cylindrical : {false, true}) {
        Problem p;
        SetSubjectLabels(p, ProbTypeA::Bio, false);
        p.SetCylindrical(cylindrical);
        MeshBuilder b(p);
        MeshRectangle(b, 0, 0, 1, 0.5L, 4, 2, 1);
        b.Finish();
        SetMaterial(p, 1, 0.5L);
        ASSERT_EQ(CompileExpression(p, cylindrical ? "0.5*(1+3*R)" : "0.5*(1+3*X)",
                                    p.materials[1].perfusion),
                  0);
        p.blood.specificHeat = 4000;
        p.blood.arterialSpec = FindOrAddSpecValue(p, kSpecValue, 37);
        InsulateRest(p);
        SteadyRun run(p);
        ASSERT_EQ(run.Run(), 0) << cylindrical;
        EXPECT_LT(MaxError(run, [](Real, Real) { return 37; }), 1e-9L) << cylindrical;
    }
}

TEST(SteadySubjects, ElectricCurrentsThroughAPlate) {
    // A current density q enters at x = 0, V = 0 at x = L: V = q (L - x) / sigma.
    Slab slab(ProbTypeA::ElecFieldC, 2, 0.5L, 8, 2, 5);
    Problem& p = slab.problem;
    SetFluxWhere(
        p, [](Real x, Real) { return Near(x, 0); }, 30);
    SetValueWhere(
        p, [](Real x, Real) { return Near(x, 2); }, [](Real, Real) { return 0; });
    InsulateRest(p);
    SteadyRun run(p);
    ASSERT_EQ(run.Run(), 0);
    EXPECT_LT(MaxError(run, [](Real x, Real) { return 30 * (2 - x) / 5; }), 1e-10L);
}

TEST(SteadySubjects, ElectrostaticsOfACoaxialLine) {
    // An annulus 1 <= r <= 2 (Cartesian), V = 100 inside and 0 outside:
    // V = 100 ln(2/r) / ln 2. The polygonal circles and linear elements are O(h^2): the
    // error falls about fourfold when both directions are refined.
    auto solve = [](int nr, int nt) {
        Problem problem;
        SetSubjectLabels(problem, ProbTypeA::ElecFieldNC, false);
        MeshBuilder b(problem);
        MeshAnnulus(b, 1, 2, nr, nt, 1);
        b.Finish();
        SetMaterial(problem, 1, 8.85e-12L);
        auto radius = [](Real x, Real y) { return std::sqrt(x * x + y * y); };
        SetValueWhere(
            problem, [&](Real x, Real y) { return radius(x, y) < 1.5L; },
            [](Real, Real) { return 100; });
        SetValueWhere(
            problem, [&](Real x, Real y) { return radius(x, y) > 1.5L; },
            [](Real, Real) { return 0; });
        SteadyRun run(problem);
        EXPECT_EQ(run.Run(), 0);
        return MaxError(
            run, [&](Real x, Real y) { return 100 * std::log(2 / radius(x, y)) / std::log(2.0L); });
    };
    const Real coarse = solve(4, 24);
    const Real fine = solve(8, 48);
    EXPECT_LT(fine, 0.1L);
    EXPECT_GT(coarse / fine, 3.0L);
}

TEST(SteadySubjects, MagnetostaticsWithAUniformCurrentDensity) {
    // Reluctivity 1/mu = 800, current density J between A = 0 at x = 0 and x = 0.1:
    // A = J x (L - x) / (2 * 800), exact at the nodes.
    Slab slab(ProbTypeA::MagField, 0.1L, 0.02L, 10, 2, 800);
    Problem& p = slab.problem;
    slab.TheFrame().generationSpec = FindOrAddSpecValue(p, kSpecGeneration, 1e6L);
    SetValueWhere(
        p, [](Real x, Real) { return Near(x, 0) || Near(x, 0.1L); }, [](Real, Real) { return 0; });
    InsulateRest(p);
    SteadyRun run(p);
    ASSERT_EQ(run.Run(), 0);
    EXPECT_LT(MaxError(run, [](Real x, Real) { return 1e6L * x * (0.1L - x) / 1600; }), 1e-9L);
}

TEST(SteadySubjects, PorousMediaRadialFlowToAWell) {
    // Axisymmetric: a flux q enters at the well radius r0 = 0.1, head 50 at r1 = 1, K = 2:
    // h = 50 + q r0 ln(r1 / r) / K. O(h^2) with square cells; 12 x 6 cells of 0.075
    // and |h''| <= q r0 / (K r0^2) = 50 give an error below h^2 |h''| / 8 = 0.04.
    Problem problem;
    SetSubjectLabels(problem, ProbTypeA::Hydrodynamics, false);
    problem.SetCylindrical(true);
    MeshBuilder b(problem);
    MeshRectangle(b, 0.1L, 0, 0.9L, 0.45L, 12, 6, 1);
    b.Finish();
    SetMaterial(problem, 1, 2);
    SetFluxWhere(
        problem, [](Real x, Real) { return Near(x, 0.1L); }, 10);
    SetValueWhere(
        problem, [](Real x, Real) { return Near(x, 1); }, [](Real, Real) { return 50; });
    InsulateRest(problem);
    SteadyRun run(problem);
    ASSERT_EQ(run.Run(), 0);
    EXPECT_LT(MaxError(run, [](Real r, Real) { return 50 + 10 * 0.1L * std::log(1 / r) / 2; }),
              0.04L);
}

// The polar angle in [0, 2pi) measured independently of Angle.
Real PolarAngle(Real dx, Real dy) {
    const Real a = std::atan2(dy, dx);
    return a < 0 ? a + 2 * kPi : a;
}

// A Potential Flow square [-1, 1]^2 of 8 x 8 cells with the stream function U y on its
// whole boundary, so that the meshed part of the solution is U y.
struct Stream {
    Problem problem;
    explicit Stream(Real u) {
        SetSubjectLabels(problem, ProbTypeA::Potential, false);
        MeshBuilder b(problem);
        MeshRectangle(b, -1, -1, 2, 2, 8, 8, 1);
        b.Finish();
        SetMaterial(problem, 1, 1);
        SetValueWhere(
            problem, [](Real, Real) { return true; }, [u](Real, Real y) { return u * y; });
    }
    void Add(int kind, Real strength, Real x, Real y) {
        problem.singularPoints.push_back({strength, kind, NodeAt(problem, x, y)});
    }
};

TEST(SteadySubjects, PotentialFlowSourceInAUniformStream) {
    // A Rankine half-body: psi = U y + Q theta / 2pi around a source at the origin.
    Stream s(2);
    s.Add(1, 3, 0, 0);
    SteadyRun run(s.problem);
    ASSERT_EQ(run.Run(), 0);
    for (int n = 1; n <= s.problem.settings.activeNodeCount; ++n) {
        const auto [x, y] = Position(s.problem, n);
        const Real theta = x == 0 && y == 0 ? 2 * kPi : PolarAngle(x, y);
        EXPECT_NEAR(static_cast<double>(run.Value(n)),
                    static_cast<double>(2 * y + 3 * theta / (2 * kPi)), 1e-12)
            << static_cast<double>(x) << ", " << static_cast<double>(y);
    }
}

TEST(SteadySubjects, PotentialFlowSingularitiesOfEveryKind) {
    // With psi = 0 on the boundary the stored values are the singularities alone. The
    // centre is shifted to 0.99999 x of its node, so a source at (0.5, 0) adds about Q/4
    // straight above it and exactly Q/2 straight to its left.
    const Real xs = 0.99999L * 0.5L;
    struct Case {
        int kind;
        Real (*value)(Real r, Real theta);
    };
    const Case cases[] = {
        {1, [](Real, Real t) { return 4 * t / (2 * kPi); }},
        {2, [](Real, Real t) { return -4 * t / (2 * kPi); }},
        {3, [](Real r, Real) { return -4 * std::log(r) / (2 * kPi); }},
        {4, [](Real r, Real t) { return -4 * std::sin(t) / r; }},
        {5, [](Real r, Real t) { return -4 * std::cos(t) / r; }},
    };
    for (const Case& c : cases) {
        Stream s(0);
        s.Add(c.kind, 4, 0.5L, 0);
        SteadyRun run(s.problem);
        ASSERT_EQ(run.Run(), 0);
        for (int n = 1; n <= s.problem.settings.activeNodeCount; ++n) {
            const auto [x, y] = Position(s.problem, n);
            const Real dx = x - xs;
            const Real r = std::sqrt(dx * dx + y * y);
            Real theta = PolarAngle(dx, y);
            if (dx > 0 && y < 0 && std::atan(std::fabs(y / dx)) < 0.002L) theta = 0;
            EXPECT_NEAR(static_cast<double>(run.Value(n)), static_cast<double>(c.value(r, theta)),
                        1e-9)
                << "kind " << c.kind << " at " << static_cast<double>(x) << ", "
                << static_cast<double>(y);
        }
        if (c.kind == 1) {
            EXPECT_NEAR(static_cast<double>(run.Value(NodeAt(s.problem, 0.5L, 0.5L))), 1.0, 1e-4);
            EXPECT_NEAR(static_cast<double>(run.Value(NodeAt(s.problem, 0, 0))), 2.0, 1e-15);
        }
    }
}

TEST(SteadySubjects, PorousMediaColumnFedAtItsLabelledFlux) {
    // A column 1 m long, K = 1e-4 m/sec, fed 1e-4 m/sec at its foot, head 0 at its
    // outlet: H(0) = q L / K = 1 m, with flux and conductivity in the same units.
    Slab slab(ProbTypeA::Hydrodynamics, 1, 0.1L, 10, 1, 1e-4L);
    Problem& p = slab.problem;
    EXPECT_EQ(UnitLabel(p, Quantity::Flux), "m/sec");
    EXPECT_EQ(UnitLabel(p, Quantity::Conductivity), "m/sec");
    SetFluxWhere(
        p, [](Real x, Real) { return Near(x, 0); }, 1e-4L);
    SetValueWhere(
        p, [](Real x, Real) { return Near(x, 1); }, [](Real, Real) { return 0; });
    InsulateRest(p);
    SteadyRun run(p);
    ASSERT_EQ(run.Run(), 0);
    EXPECT_LT(MaxError(run, [](Real x, Real) { return 1 - x; }), 1e-9L);
}

TEST(SteadySubjects, PotentialFlowUsesTheDensityOnlyInThePressures) {
    // A channel 2 x 1 m of water (the material's density, 1000, is what its first
    // property holds), psi = 0 on the bottom, tangential velocity 2 m/s along the top:
    // psi = 2 y, u = 2 m/s everywhere and p - Pref = -rho u^2 / 2 = -2000 Pa.
    Slab slab(ProbTypeA::Potential, 2, 1, 4, 2, 1000);
    Problem& p = slab.problem;
    p.bernoulliConstant = 0;
    SetValueWhere(
        p, [](Real, Real y) { return Near(y, 0); }, [](Real, Real) { return 0; });
    SetFluxWhere(
        p, [](Real, Real y) { return Near(y, 1); }, 2);
    InsulateRest(p);
    SteadyRun run(p);
    ASSERT_EQ(run.Run(), 0);
    EXPECT_LT(MaxError(run, [](Real, Real y) { return 2 * y; }), 1e-9L);
    const FlowContext c{p, run.checked.elements, run.results, nullptr};
    const ResultSolutionData data(run.checked.elements, run.results, 0);
    for (int e = 1; e <= run.checked.elements.Count(); ++e)
        EXPECT_NEAR(static_cast<double>(ElementFlux(p, data, e, 0, false).magnitude), 2, 1e-9);
    std::vector<Real> pressures;
    ASSERT_TRUE(ComputePressures(c, 0, pressures));
    for (int n = 1; n <= p.settings.activeNodeCount; ++n)
        EXPECT_NEAR(static_cast<double>(pressures[static_cast<std::size_t>(n)]), -2000, 1e-6);
}

TEST(SteadySubjects, GradientVariablesArePerMetreUpwardsAtAnyZoom) {
    // A slab 0.1 m, k = 1, T(0) = 0, T(0.1) = 100, generation 10 dT/dx:
    // T'' + 10 T' = 0 gives T = 100 (1 - exp(-10 x)) / (1 - exp(-1)), T(0.05) = 62.25.
    // On 40 cells (h = 2.5 mm, cell Peclet number 1/80) the profile is within 0.1 of it.
    for (Real zoom : {1.0L, 2.0L}) {
        Problem problem;
        MeshBuilder b(problem, 100 * zoom);
        MeshRectangle(b, 0, 0, 0.1L, 0.01L, 40, 1, 1);
        b.Finish();
        problem.view.zoom = zoom;
        problem.settings.drawingScale = 96.0L / 100;
        problem.RecomputePixelLength();
        SetMaterial(problem, 1, 1);
        const int gen = FindOrAddSpec(problem, kSpecGeneration, false, "10*DT\\DX", 0);
        ASSERT_GT(gen, 0);
        problem.frames[1].generationSpec = gen;
        SetValueWhere(
            problem, [](Real x, Real) { return Near(x, 0); }, [](Real, Real) { return 0; });
        SetValueWhere(
            problem, [](Real x, Real) { return Near(x, 0.1L); }, [](Real, Real) { return 100; });
        InsulateRest(problem);
        SteadyRun run(problem);
        ASSERT_EQ(run.Run(), 0);
        const Real exact = 100 * (1 - std::exp(-0.5L)) / (1 - std::exp(-1.0L));
        EXPECT_NEAR(static_cast<double>(exact), 62.25, 0.005);
        EXPECT_NEAR(static_cast<double>(run.Value(NodeAt(problem, 0.05L, 0))),
                    static_cast<double>(exact), 0.1)
            << static_cast<double>(zoom);
    }
    // DT\DY is positive for a value that grows upwards.
    Problem problem;
    MeshBuilder b(problem);
    MeshRectangle(b, 0, 0, 0.01L, 0.1L, 1, 4, 1);
    b.Finish();
    SetMaterial(problem, 1, 1);
    const int gen = FindOrAddSpec(problem, kSpecGeneration, false, "DT\\DY", 0);
    ASSERT_GT(gen, 0);
    problem.frames[1].generationSpec = gen;
    SetValueWhere(
        problem, [](Real, Real y) { return Near(y, 0); }, [](Real, Real) { return 0; });
    SetValueWhere(
        problem, [](Real, Real y) { return Near(y, 0.1L); }, [](Real, Real) { return 100; });
    InsulateRest(problem);
    SteadyRun run(problem);
    ASSERT_EQ(run.Run(), 0);
    // T'' + T' = 0: T = 100 (1 - exp(-y)) / (1 - exp(-0.1)), 51.25 at y = 0.05 (the
    // source is about 1000 W/m3, so the middle rises above the straight line).
    const Real exact = 100 * (1 - std::exp(-0.05L)) / (1 - std::exp(-0.1L));
    EXPECT_NEAR(static_cast<double>(run.Value(NodeAt(problem, 0, 0.05L))),
                static_cast<double>(exact), 0.01);
}

TEST(SteadySubjects, AngleCoversTheWholeTurn) {
    EXPECT_EQ(Angle(0, 0), 2 * kPi);
    EXPECT_EQ(Angle(0, 1), kPi / 2);
    EXPECT_EQ(Angle(0, -1), 3 * kPi / 2);
    EXPECT_EQ(Angle(1, 0), 0);
    EXPECT_NEAR(static_cast<double>(Angle(1, 1)), static_cast<double>(kPi / 4), 1e-15);
    EXPECT_NEAR(static_cast<double>(Angle(-1, 1)), static_cast<double>(3 * kPi / 4), 1e-15);
    EXPECT_EQ(Angle(-1, 0), kPi);
    EXPECT_NEAR(static_cast<double>(Angle(-1, -1)), static_cast<double>(5 * kPi / 4), 1e-15);
    EXPECT_NEAR(static_cast<double>(Angle(1, -1)), static_cast<double>(7 * kPi / 4), 1e-15);
    // Just below the positive axis the angle is put on the axis.
    EXPECT_EQ(Angle(1, -0.0019L), 0);
    EXPECT_NEAR(static_cast<double>(Angle(1, -0.0021L)), static_cast<double>(2 * kPi - 0.0021L),
                1e-8);
}

}  // namespace
}  // namespace kova::test
