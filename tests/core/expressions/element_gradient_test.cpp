#include "expressions/element_gradient.hpp"

#include <gtest/gtest.h>

#include <array>

#include "core/expressions/expression_fixture.hpp"

namespace kova {
namespace {

using testing::ExpressionTest;

// One triangle in frame 1 with material 1 of conductivity 2; PixelLength 0.01.
class ElementGradientTest : public ExpressionTest {
protected:
    ElementGradientTest() {
        problem.frameCount = 1;
        problem.frames[1].material = 1;
        problem.materials[1].conductivity = BoundarySpec{};
        problem.materials[1].conductivity.value = 2;
        problem.settings.pixelLength = 0.01L;
        solution.elements = {ElementCorners{{1, 2, 3}, 1}};
    }
    // Places the corners and stores the field value f(x, y) of each as level 0.
    template <typename Field>
    void Place(const std::array<std::array<Real, 2>, 3>& corners, Field f) {
        std::vector<Real> level{0};
        for (const auto& c : corners) {
            problem.AddNode(c[0], c[1]);
            level.push_back(f(c[0], c[1]));
        }
        solution.levels = {level};
    }
    ElementGradient Flux(bool temperatureType = false) {
        return ElementFlux(problem, solution, 1, 0, temperatureType);
    }
    SolutionTables solution;
};

TEST_F(ElementGradientTest, LinearFieldGivesItsExactGradient) {
    Place({{{10, 20}, {50, 25}, {30, 70}}}, [](Real x, Real y) { return 3 * x - 2 * y + 5; });
    const ElementGradient g = Flux();
    EXPECT_EQ(g.errorCode, 0);
    EXPECT_EQ(g.dvdx, 3);
    EXPECT_EQ(g.dvdy, -2);
    EXPECT_REAL_NEAR(g.magnitude, 2 * std::sqrt(13.0L) / 0.01L, 1e-14L);
}

TEST_F(ElementGradientTest, FieldEqualToXHasUnitGradientAndMagnitude200) {
    Place({{{0, 0}, {7, 3}, {2, 9}}}, [](Real x, Real) { return x; });
    const ElementGradient g = Flux();
    EXPECT_EQ(g.dvdx, 1);
    EXPECT_EQ(g.dvdy, 0);
    EXPECT_REAL_NEAR(g.magnitude, 200, 1e-15L);
}

TEST_F(ElementGradientTest, FieldGrowingUpwardsHasNegativeDrawingGradient) {
    Place({{{0, 0}, {10, 0}, {0, 10}}}, [](Real, Real y) { return 100 - y; });
    EXPECT_EQ(Flux().dvdy, -1);
}

TEST_F(ElementGradientTest, UniformFieldHasNoFlux) {
    Place({{{0, 0}, {10, 0}, {0, 10}}}, [](Real, Real) { return 42; });
    EXPECT_EQ(Flux().magnitude, 0);
}

TEST_F(ElementGradientTest, ElementWithCornersOnOneLineHasNoFlux) {
    Place({{{0, 0}, {5, 5}, {10, 10}}}, [](Real x, Real) { return x; });  // on one line
    const ElementGradient g = Flux();
    EXPECT_EQ(g.errorCode, 0);
    EXPECT_EQ(g.magnitude, 0);
    EXPECT_EQ(g.dvdx, 0);
    EXPECT_EQ(g.dvdy, 0);
}

TEST_F(ElementGradientTest, GradientWindowAsksForThePlainTemperatureGradient) {
    Place({{{0, 0}, {7, 3}, {2, 9}}}, [](Real x, Real) { return x; });
    problem.selection.state = SelectType::FluxPt;
    EXPECT_REAL_NEAR(Flux(true).magnitude, 100, 1e-15L);
    EXPECT_REAL_NEAR(Flux(false).magnitude, 200, 1e-15L);
    problem.settings.subject = ProbTypeA::ElecFieldC;  // only heat subjects have it
    EXPECT_REAL_NEAR(Flux(true).magnitude, 200, 1e-15L);
}

TEST_F(ElementGradientTest, ConductivityIsTheMeanOverTheCorners) {
    Place({{{0, 0}, {7, 3}, {2, 9}}}, [](Real x, Real) { return x; });  // values 0, 7, 2
    BoundarySpec& k = problem.materials[1].conductivity;
    k.text = "T+1";
    ASSERT_EQ(CompileExpression(problem, k.text, k), 0);
    EXPECT_REAL_NEAR(Flux().magnitude, (1 + 8 + 3) / 3.0L / 0.01L, 1e-14L);
}

TEST_F(ElementGradientTest, ExpressionsSeeTheFluxOfTheirElement) {
    Place({{{0, 0}, {7, 3}, {2, 9}}}, [](Real x, Real y) { return 3 * x - 2 * y; });
    // The gradient variables are per unit length (PixelLength 0.01) with the second axis
    // upwards, against the drawing's y.
    ASSERT_EQ(Compile("DT\\DX*100+DT\\DY*10+FLUX"), 0);
    int error = -1;
    const Real v = EvaluateExpression(problem, spec.compiled, error, 1, 0, 0, 0, 0, &solution);
    EXPECT_EQ(error, 0);
    EXPECT_REAL_NEAR(v, 30000 + 2000 + 2 * std::sqrt(13.0L) / 0.01L, 1e-11L);
    EXPECT_EQ(EvaluateExpression(problem, spec.compiled, error, 2, 0, 0, 0, 0, &solution), 0);
    EXPECT_EQ(error, kEvalStack);  // no such element
}

TEST_F(ElementGradientTest, FluxInsideAnExpressionEvaluatesTheConductivityOnTheWay) {
    // FLUX evaluates the conductivity expression at each corner in the middle of the
    // outer expression; the outer one must carry on with its own program and values.
    Place({{{0, 0}, {7, 3}, {2, 9}}}, [](Real x, Real) { return x; });  // values 0, 7, 2
    BoundarySpec& k = problem.materials[1].conductivity;
    k.text = "T*T+1";
    ASSERT_EQ(CompileExpression(problem, k.text, k), 0);
    ASSERT_EQ(Compile("T*2+FLUX*10+T/4"), 0);
    const Real flux = (1 + 50 + 5) / 3.0L / 0.01L;
    for (int round = 0; round < 3; ++round) {
        int error = -1;
        const Real v = EvaluateExpression(problem, spec.compiled, error, 1, 8, 0, 0, 0, &solution);
        EXPECT_EQ(error, 0);
        EXPECT_REAL_NEAR(v, 16 + flux * 10 + 2, 1e-12L) << round;
    }
}

TEST_F(ElementGradientTest, ConductivityReferringToFluxIsCutOff) {
    Place({{{0, 0}, {7, 3}, {2, 9}}}, [](Real x, Real) { return x; });
    BoundarySpec& k = problem.materials[1].conductivity;
    k.text = "1+FLUX";
    ASSERT_EQ(CompileExpression(problem, k.text, k), 0);
    EXPECT_EQ(Flux().errorCode, kEvalStack);
    ASSERT_EQ(Compile("FLUX"), 0);
    int error = 0;
    EvaluateExpression(problem, spec.compiled, error, 1, 0, 0, 0, 0, &solution);
    EXPECT_EQ(error, kEvalStack);
    // A conductivity in the gradient components only is fine.
    k.text = "1+ABS(DT\\DX)";
    ASSERT_EQ(CompileExpression(problem, k.text, k), 0);
    EXPECT_REAL_NEAR(Flux().magnitude, (1 + 1 / 0.01L) / 0.01L, 1e-11L);
}

}  // namespace
}  // namespace kova
