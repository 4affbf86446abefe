// Steady solutions against answers that do not come from the code: closed-form
// solutions of the field equation on meshes built through the model.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "expressions/compiler.hpp"
#include "support/mesh_builder.hpp"
#include "support/steady_run.hpp"

namespace kova::test {
namespace {

constexpr Real kPi = std::numbers::pi_v<Real>;

// The largest difference between the stored values and `exact` over the active nodes.
template <typename Exact>
Real MaxError(const SteadyRun& run, Exact exact) {
    Real worst = 0;
    for (int n = 1; n <= run.problem.settings.activeNodeCount; ++n) {
        const auto [x, y] = Position(run.problem, n);
        worst = std::max(worst, std::fabs(run.Value(n) - exact(x, y)));
    }
    return worst;
}

TEST(SteadyAnalytic, PlaneWallWithSpecifiedTemperatureAndConvectionIsExactAtNodes) {
    // k = 2, L = 0.5: T(0) = 100, convection h = 10 to 20 at x = L. The heat flux is
    // q = (100 - 20) / (L/k + 1/h) = 80 / 0.35 and T(x) = 100 - q x / k. Linear
    // elements reproduce a linear field exactly: only rounding remains.
    Problem problem;
    MeshBuilder b(problem);
    MeshRectangle(b, 0, 0, 0.5L, 0.2L, 10, 4, 1);
    b.Finish();
    SetMaterial(problem, 1, 2);
    SetValueWhere(
        problem, [](Real x, Real) { return Near(x, 0); }, [](Real, Real) { return 100; });
    SetConvectionWhere(
        problem, [](Real x, Real) { return Near(x, 0.5L); }, 10, 20);
    InsulateRest(problem);
    SteadyRun run(problem);
    ASSERT_EQ(run.Run(), 0);
    const Real q = 80 / 0.35L;
    EXPECT_LT(MaxError(run, [&](Real x, Real) { return 100 - q * x / 2; }), 1e-12L);
    // The solution became the nodes' current values; no iteration was needed.
    const int corner = NodeAt(problem, 0.5L, 0.2L);
    EXPECT_EQ(problem.nodes[corner].currentValue, run.Value(corner));
    EXPECT_EQ(run.iterations, 0);
    EXPECT_EQ(run.results.Level(0)[0], 0);
    // A prescribed node keeps exactly its value.
    EXPECT_EQ(run.Value(NodeAt(problem, 0, 0.1L)), 100);
}

TEST(SteadyAnalytic, WallWithUniformGenerationIsParabolic) {
    // T = 0 at x = 0 and x = L, generation g: T = g x (L - x) / (2k). With a uniform
    // source the consistent load makes the nodal values exact in one dimension.
    Problem problem;
    MeshBuilder b(problem);
    const int frame = MeshRectangle(b, 0, 0, 1, 0.25L, 16, 4, 1);
    b.Finish();
    SetMaterial(problem, 1, 4);
    problem.frames[frame].generationSpec = FindOrAddSpecValue(problem, kSpecGeneration, 1000);
    SetValueWhere(
        problem, [](Real x, Real) { return Near(x, 0) || Near(x, 1); },
        [](Real, Real) { return 0; });
    InsulateRest(problem);
    SteadyRun run(problem);
    ASSERT_EQ(run.Run(), 0);
    EXPECT_LT(MaxError(run, [](Real x, Real) { return 1000 * x * (1 - x) / 8; }), 1e-10L);
}

// A cylindrical shell r0 <= r <= r1, height 0.5, meshed nr x nr/2 (square cells for a
// unit thickness).
struct Shell {
    Problem problem;
    int frame = 0;
    Shell(Real r0, Real r1, int nr, bool cylindrical = true) {
        problem.SetCylindrical(cylindrical);
        MeshBuilder b(problem);
        frame = MeshRectangle(b, r0, 0, r1 - r0, 0.5L, nr, std::max(nr / 2, 1), 1);
        b.Finish();
        SetMaterial(problem, 1, 3);
    }
};

TEST(SteadyAnalytic, RadialShellInCylindricalGeometryFollowsTheLogarithm) {
    // T(1) = 100, T(2) = 0: T = 100 (1 - ln r / ln 2). The nodal error of linear
    // elements is O(h^2): with h = 0.05 and |T''| <= 100/ln 2 it stays below
    // h^2/8 |T''| = 0.045, and halving h cuts it about fourfold.
    auto solve = [](int nr) {
        Shell shell(1, 2, nr);
        Problem& p = shell.problem;
        SetValueWhere(
            p, [](Real x, Real) { return Near(x, 1); }, [](Real, Real) { return 100; });
        SetValueWhere(
            p, [](Real x, Real) { return Near(x, 2); }, [](Real, Real) { return 0; });
        InsulateRest(p);
        SteadyRun run(p);
        EXPECT_EQ(run.Run(), 0);
        return MaxError(run, [](Real r, Real) { return 100 * (1 - std::log(r) / std::log(2.0L)); });
    };
    const Real coarse = solve(10);
    const Real fine = solve(20);
    EXPECT_LT(fine, 0.045L);
    EXPECT_GT(coarse / fine, 3.5L);
    EXPECT_LT(coarse / fine, 4.5L);
}

TEST(SteadyAnalytic, CylindricalShellWithOuterConvection) {
    // T(r0) = 200, convection h to 20 at r1: T = 200 - 180 ln(r/r0) / (ln(r1/r0) + k/(h r1)).
    // Tests the cylindrical convection terms; tolerance as for the shell above.
    Shell shell(0.5L, 1, 20);
    Problem& p = shell.problem;
    SetValueWhere(
        p, [](Real x, Real) { return Near(x, 0.5L); }, [](Real, Real) { return 200; });
    SetConvectionWhere(
        p, [](Real x, Real) { return Near(x, 1); }, 6, 20);
    InsulateRest(p);
    SteadyRun run(p);
    ASSERT_EQ(run.Run(), 0);
    const Real denominator = std::log(2.0L) + 3.0L / 6;
    EXPECT_LT(
        MaxError(run, [&](Real r, Real) { return 200 - 180 * std::log(r / 0.5L) / denominator; }),
        0.05L);
}

TEST(SteadyAnalytic, SolidCylinderWithGenerationTouchesTheAxis) {
    // 0 <= r <= 1 with T(1) = 0 and generation g: T = g (1 - r^2) / (4k). Elements with
    // two nodes on the axis still conduct through the third node's radius. The largest
    // error sits on the axis, where the weight r vanishes; it falls by more than 3x per
    // halving (about h^2) and is below 0.5 % of the peak value g/(4k) with h = 0.05.
    auto solve = [](int n) {
        Shell shell(0, 1, n);
        Problem& p = shell.problem;
        p.frames[shell.frame].generationSpec = FindOrAddSpecValue(p, kSpecGeneration, 1200);
        SetValueWhere(
            p, [](Real x, Real) { return Near(x, 1); }, [](Real, Real) { return 0; });
        InsulateRest(p);
        SteadyRun run(p);
        EXPECT_EQ(run.Run(), 0);
        return MaxError(run, [](Real r, Real) { return 100 * (1 - r * r); });
    };
    const Real coarse = solve(10);
    const Real fine = solve(20);
    EXPECT_LT(fine, 0.5L);
    EXPECT_GT(coarse / fine, 3.0L);
}

TEST(SteadyAnalytic, LaplaceOnASquareConvergesQuadratically) {
    // T = sin(pi x) sinh(pi y) / sinh(pi) on the unit square: T = sin(pi x) on the top,
    // 0 on the other sides. The nodal error of linear elements falls as h^2.
    auto solve = [](int n) {
        Problem problem;
        MeshBuilder b(problem);
        MeshRectangle(b, 0, 0, 1, 1, n, n, 1);
        b.Finish();
        SetMaterial(problem, 1, 1);
        SetValueWhere(
            problem, [](Real, Real) { return true; },
            [](Real x, Real y) { return Near(y, 1) ? std::sin(kPi * x) : 0; });
        SteadyRun run(problem);
        EXPECT_EQ(run.Run(), 0);
        return MaxError(run, [](Real x, Real y) {
            return std::sin(kPi * x) * std::sinh(kPi * y) / std::sinh(kPi);
        });
    };
    const Real e8 = solve(8);
    const Real e16 = solve(16);
    const Real e32 = solve(32);
    EXPECT_LT(e16, 0.01L);
    EXPECT_NEAR(static_cast<double>(e8 / e16), 4.0, 0.6);
    EXPECT_NEAR(static_cast<double>(e16 / e32), 4.0, 0.4);
}

TEST(SteadyAnalytic, TemperatureDependentConductivityMatchesTheKirchhoffTransform) {
    // k = 1 + 0.01 T on a wall with T(0) = 0, T(1) = 100. U = T + 0.005 T^2 is linear in x,
    // so T = (sqrt(1 + 0.02 U) - 1) / 0.01 with U = 150 x. The iteration stops when an
    // iterate changes by less than 0.1 % of the range; the element mean of k over
    // corners at two positions adds an O(h^2) error. 0.1 (0.1 % of the range) covers both.
    Problem problem;
    MeshBuilder b(problem);
    MeshRectangle(b, 0, 0, 1, 0.2L, 20, 2, 1);
    b.Finish();
    SetMaterial(problem, 1, 1);
    ASSERT_EQ(CompileExpression(problem, "1+0.01*T", problem.materials[1].conductivity), 0);
    SetValueWhere(
        problem, [](Real x, Real) { return Near(x, 0) || Near(x, 1); },
        [](Real x, Real) { return Near(x, 1) ? 100 : 0; });
    InsulateRest(problem);
    SteadyRun run(problem);
    ASSERT_EQ(run.Run(), 0);
    EXPECT_LT(
        MaxError(run, [](Real x, Real) { return (std::sqrt(1 + 0.02L * 150 * x) - 1) / 0.01L; }),
        0.1L);
    // Convergence is declared at the earliest on the third solution.
    EXPECT_GE(run.iterations, 3);
    EXPECT_LE(run.iterations, 31);
    EXPECT_EQ(run.results.Level(0)[0], 0);

    // A repeated calculation starts from the last solution: it needs the minimum.
    SteadyRun again(problem);
    ASSERT_EQ(again.Run(), 0);
    EXPECT_EQ(again.iterations, 3);
}

TEST(SteadyAnalytic, AnisotropicMaterialScalesTheSecondDirection) {
    // kx = 2, ky/kx = 4: generation g between T = 0 at y = 0 and y = 1 gives
    // T = g y (1 - y) / (2 kx a); the same wall across x does not see the ratio.
    auto solve = [](bool acrossY) {
        Problem problem;
        MeshBuilder b(problem);
        const int frame = MeshRectangle(b, 0, 0, 1, 1, 8, 8, 1);
        b.Finish();
        SetMaterial(problem, 1, 2);
        problem.materials[1].anisotropic = 1;
        problem.materials[1].kyOverKx = 4;
        problem.frames[frame].generationSpec = FindOrAddSpecValue(problem, kSpecGeneration, 160);
        SetValueWhere(
            problem,
            [acrossY](Real x, Real y) {
                const Real c = acrossY ? y : x;
                return Near(c, 0) || Near(c, 1);
            },
            [](Real, Real) { return 0; });
        InsulateRest(problem);
        SteadyRun run(problem);
        EXPECT_EQ(run.Run(), 0);
        return MaxError(run, [acrossY](Real x, Real y) {
            return acrossY ? 160 * y * (1 - y) / 16 : 160 * x * (1 - x) / 4;
        });
    };
    EXPECT_LT(solve(true), 1e-10L);
    EXPECT_LT(solve(false), 1e-10L);
}

TEST(SteadyAnalytic, AnisotropyIsIgnoredInCylindricalGeometry) {
    Shell shell(1, 2, 10);
    Problem& p = shell.problem;
    p.materials[1].anisotropic = 1;
    p.materials[1].kyOverKx = 5;
    SetValueWhere(
        p, [](Real x, Real) { return Near(x, 1); }, [](Real, Real) { return 100; });
    SetValueWhere(
        p, [](Real, Real y) { return Near(y, 0.5L); }, [](Real, Real) { return 0; });
    InsulateRest(p);
    SteadyRun run(p);
    ASSERT_EQ(run.Run(), 0);
    const std::vector<Real> anisotropic(run.results.Level(0));
    p.materials[1].anisotropic = 0;
    SteadyRun isotropic(p);
    ASSERT_EQ(isotropic.Run(), 0);
    for (int n = 1; n <= p.settings.activeNodeCount; ++n)
        EXPECT_NEAR(static_cast<double>(anisotropic[static_cast<std::size_t>(n)]),
                    static_cast<double>(isotropic.Value(n)), 1e-9);
}

TEST(SteadyAnalytic, LumpCoupledToTheMeshByConvection) {
    // A wall 0.4 x 0.2 (k = 2) at 100 on the left; its right edge exchanges (h1 = 25)
    // with a lump, which exchanges (h2 = 10) with 20 through its own right edge 0.2 long
    // (top and bottom insulated). Resistances in series per the 0.2 height:
    // R = 0.4/(2 * 0.2) + 1/(25 * 0.2) + 1/(10 * 0.2), Q = 80 / R; the wall stays linear.
    Problem problem;
    MeshBuilder b(problem);
    MeshRectangle(b, 0, 0, 0.4L, 0.2L, 8, 4, 1);
    const int lump = b.Frame(2, FrameType::Lumped);
    b.LumpOutline(lump, {b.Node(0.4L, 0), b.Node(0.5L, 0), b.Node(0.5L, 0.2L), b.Node(0.4L, 0.2L),
                         b.Node(0.4L, 0.15L), b.Node(0.4L, 0.1L), b.Node(0.4L, 0.05L)});
    b.Finish();
    SetMaterial(problem, 1, 2);
    SetMaterial(problem, 2, 1);
    SetValueWhere(
        problem, [](Real x, Real) { return Near(x, 0); }, [](Real, Real) { return 100; });
    SetConvectionWhere(
        problem, [](Real x, Real) { return Near(x, 0.5L); }, 10, 20);
    const int h1 = FindOrAddSpecValue(problem, kSpecTransfer, 25);
    for (LineSegment& s : problem.lines)
        if ((s.frameA == lump) != (s.frameB == lump) && s.frameA != 0 && s.frameB != 0)
            s.transferSpec = h1;
    InsulateRest(problem);
    SteadyRun run(problem);
    ASSERT_EQ(run.Run(), 0);
    const Real q = 80 / (0.4L / 0.4L + 1 / 5.0L + 1 / 2.0L);
    const Real wallRight = 100 - q * 0.4L / 0.4L;
    EXPECT_NEAR(static_cast<double>(run.LumpValue(lump)), static_cast<double>(20 + q / 2), 1e-9);
    EXPECT_LT(MaxError(run, [&](Real x, Real) { return 100 - (100 - wallRight) * x / 0.4L; }),
              1e-9L);
    EXPECT_EQ(problem.frames[lump].lumpResult, run.LumpValue(lump));
}

TEST(SteadyAnalytic, LumpBesideAFixedLumpSeesItAsAConstantAmbient) {
    // Free lump A (0..1 x 0..1) touches fixed lump B (value 50) along x = 1 with h = 4,
    // and the exterior (20) along x = 0 with h = 2; its top and bottom are insulated.
    // A = (4 * 50 + 2 * 20) / (4 + 2) = 40.
    Problem problem;
    MeshBuilder b(problem);
    const int a = b.Frame(1, FrameType::Lumped);
    const int fixed = b.Frame(1, FrameType::Lumped);
    const int n00 = b.Node(0, 0), n10 = b.Node(1, 0), n11 = b.Node(1, 1), n01 = b.Node(0, 1);
    b.LumpOutline(a, {n00, n10, n11, n01});
    b.LumpOutline(fixed, {n10, b.Node(2, 0), b.Node(2, 1), n11});
    b.Finish();
    SetMaterial(problem, 1, 1);
    problem.frames[fixed].lumpValueSpec = FindOrAddSpecValue(problem, kSpecValue, 50);
    SetConvectionWhere(
        problem, [](Real x, Real) { return Near(x, 0); }, 2, 20);
    for (LineSegment& s : problem.lines)
        if (s.frameA != 0 && s.frameB != 0)
            s.transferSpec = FindOrAddSpecValue(problem, kSpecTransfer, 4);
    InsulateRest(problem);
    SteadyRun run(problem);
    ASSERT_EQ(run.Run(), 0);
    EXPECT_EQ(run.unknowns, 1);
    EXPECT_NEAR(static_cast<double>(run.LumpValue(a)), 40.0, 1e-12);
    EXPECT_EQ(run.LumpValue(fixed), 50);
}

TEST(SteadyAnalytic, LumpGenerationIsIndependentOfTheZoom) {
    // A lump with generation g over its area A loses it all to the exterior through an
    // edge of length L: T = T_inf + g A / (h L). The frame's area is kept in physical
    // units, so zooming the drawing changes nothing.
    for (Real zoom : {1.0L, 2.0L}) {
        Problem problem;
        MeshBuilder b(problem, 100 * zoom);
        const int lump = b.Frame(1, FrameType::Lumped);
        b.LumpOutline(lump, {b.Node(0, 0), b.Node(0.5L, 0), b.Node(0.5L, 0.2L), b.Node(0, 0.2L)});
        b.Finish();
        problem.view.zoom = zoom;
        problem.settings.drawingScale = 96.0L / 100;
        problem.RecomputePixelLength();
        for (int k = 1; k <= problem.frameCount; ++k) problem.UpdateFrameMeasures(k);
        SetMaterial(problem, 1, 1);
        problem.frames[lump].generationSpec = FindOrAddSpecValue(problem, kSpecGeneration, 300);
        SetConvectionWhere(
            problem, [](Real x, Real) { return Near(x, 0.5L); }, 5, 20);
        InsulateRest(problem);
        SteadyRun run(problem);
        ASSERT_EQ(run.Run(), 0);
        EXPECT_NEAR(static_cast<double>(run.LumpValue(lump)), 20 + 300 * 0.1 / (5 * 0.2), 1e-9)
            << "zoom " << static_cast<double>(zoom);
    }
}

}  // namespace
}  // namespace kova::test
