// A unit-system switch changes the numbers a problem holds, never the problem: solved
// before and after the switch, the same physical answer comes out in the new units.
#include <gtest/gtest.h>

#include "model/subjects.hpp"
#include "support/mesh_builder.hpp"
#include "support/steady_run.hpp"
#include "units/unit_conversion.hpp"
#include "units/unit_labels.hpp"

namespace kova::test {
namespace {

TEST(UnitSwitchAnswers, AFinKeepsItsTipTemperatureAcrossTheSwitch) {
    // A fin 0.1 m long, t = 2 mm, k = 200, h = 25 on both faces to 20 C, base at 100 C.
    // The constants are rewritten with 4 or 5 digits, which moves the tip by well under
    // 0.05 F; a thickness left in the old number would be 3.28 times thicker in feet.
    Problem problem;
    SetSubjectLabels(problem, ProbTypeA::ThinFins, false);
    MeshBuilder b(problem);
    const int frame = MeshRectangle(b, 0, 0, 0.1L, 0.01L, 20, 2, 1);
    b.Finish();
    SetMaterial(problem, 1, 200);
    problem.materials[1].conductivity.constant = 1;
    Frame& f = problem.frames[frame];
    f.finThickness = 0.002L;
    f.finTransferSpec = static_cast<std::int16_t>(FindOrAddSpecValue(problem, kSpecTransfer, 25));
    f.finFluidSpec = static_cast<std::int16_t>(FindOrAddSpecValue(problem, kSpecValue, 20));
    SetValueWhere(
        problem, [](Real x, Real) { return Near(x, 0); }, [](Real, Real) { return 100; });
    InsulateRest(problem);
    const int tip = NodeAt(problem, 0.1L, 0);
    Real celsius = 0;
    {
        SteadyRun run(problem);
        ASSERT_EQ(run.Run(), 0);
        celsius = run.Value(tip);
    }
    // The scale dialog keeps the drawing's physical size across the switch.
    const Real metresPerPixel = problem.settings.pixelLength;
    ConvertUnitSystem(problem, Unittype::SI, Unittype::Eng);
    problem.settings.drawingScale *= metresPerPixel / 0.3048L / problem.settings.pixelLength;
    problem.RecomputePixelLength();
    EXPECT_NEAR(static_cast<double>(problem.frames[frame].finThickness), 0.002 / 0.3048, 1e-8);
    SteadyRun run(problem);
    ASSERT_EQ(run.Run(), 0);
    EXPECT_NEAR(static_cast<double>(run.Value(tip)), static_cast<double>(1.8L * celsius + 32),
                0.05);
}

}  // namespace
}  // namespace kova::test
