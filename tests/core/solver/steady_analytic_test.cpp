// Steady solutions against answers that do not come from the code: closed-form
// solutions of the field equation on meshes built through the model.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "support/mesh_builder.hpp"
#include "support/steady_run.hpp"

namespace kova::test {
namespace {

constexpr Real kPi = std::numbers::pi_v<Real>;

bool Near(Real a, Real b) {
    return std::fabs(a - b) < 1e-9L;
}

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
    // q = (100 - 20) / (L/k + 1/h) = 80 / 0.35 and T(x) = 100 - q x / k.
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
    // The solution became the nodes' current values.
    const int corner = NodeAt(problem, 0.5L, 0.2L);
    EXPECT_EQ(problem.nodes[corner].currentValue, run.Value(corner));
}

TEST(SteadyAnalytic, WallWithUniformGenerationIsParabolic) {
    // T = 0 at x = 0 and x = L, generation g: T = g x (L - x) / (2k).
    Problem problem;
    MeshBuilder b(problem);
    const int frame = MeshRectangle(b, 0, 0, 1, 0.25L, 16, 4, 1);
    b.Finish();
    SetMaterial(problem, 1, 4);
    problem.frames[static_cast<std::size_t>(frame)].generationSpec =
        FindOrAddSpecValue(problem, kSpecGeneration, 1000);
    SetValueWhere(
        problem, [](Real x, Real) { return Near(x, 0) || Near(x, 1); },
        [](Real, Real) { return 0; });
    InsulateRest(problem);
    SteadyRun run(problem);
    ASSERT_EQ(run.Run(), 0);
    EXPECT_LT(MaxError(run, [](Real x, Real) { return 1000 * x * (1 - x) / 8; }), 1e-10L);
}

}  // namespace
}  // namespace kova::test
