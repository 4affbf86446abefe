#include "expressions/evaluator.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

#include "core/expressions/expression_fixture.hpp"
#include "expressions/postfix.hpp"
#include "units/drawing_transform.hpp"

namespace kova {
namespace {

using testing::ExpressionTest;

class EvaluatorTest : public ExpressionTest {
protected:
    // Compiles `text` and evaluates it at potential t, drawing position (x, y), time.
    Real At(const std::string& text, Real t, Real x = 0, Real y = 0, Real time = 0) {
        EXPECT_EQ(Compile(text), 0) << text;
        return EvaluateExpression(problem, spec.compiled, error, 0, t, x, y, time);
    }
    Real Value(const std::string& text) {
        const Real v = At(text, 0);
        EXPECT_EQ(error, 0) << text;
        return v;
    }
    int ErrorOf(const std::string& text, Real t = 0) {
        At(text, t);
        return error;
    }
    int error = -1;
};

TEST_F(EvaluatorTest, FunctionsAgainstHandComputedValues) {
    const Real e = std::numbers::e_v<Real>;
    struct Case {
        const char* text;
        Real expected;
    };
    const Case cases[] = {
        {"EXP(1)", e},
        {"LOG(EXP(1))", 1},
        {"LN(EXP(2))", 2},
        {"LOG(100)", 4.605170185988091368L},  // natural, not base 10
        {"SIN(0.5)", 0.4794255386042030003L},
        {"COS(0.5)", 0.8775825618903727161L},
        {"SQRT(2)", 1.414213562373095049L},
        {"SQRT(0)", 0},
        {"ABS(0-3.5)", 3.5},
        {"MAX(2,5)", 5},
        {"MAX(5,2)", 5},
        {"MIN(2,5)", 2},
        {"MIN(5,2)", 2},
        {"SQWV(1)", 1},
        {"SQWV(4)", -1},
        {"SQWV(-1)", 1},
        {"SQWV(6.28318531)", -1},
        {"SQWV(7)", 1},
        {"SQWV(6.28318531*1000+1)", 1},
        // Exact multiples of the period end a cycle (the second half); the half period
        // itself starts the second half, just below it is still the first.
        {"SQWV(6.28318531*2)", -1},
        {"SQWV(0-6.28318531*4)", -1},
        {"SQWV(6.28318531*2+1)", 1},
        {"SQWV(3.14159265358979323846)", -1},
        {"SQWV(3.1415926535897932)", 1},
        {"MOD(6,3)", 0},
        {"MOD(0-7.5,2.5)", 0},
        {"SQWV(1E30)", std::fmod(1e30L, 6.28318531L) < std::numbers::pi_v<Real> ? 1 : -1},
        {"STEP(0)", 1},
        {"STEP(-1E-30)", 0},
        {"STEP(2)", 1},
        {"IF(1,2,10,20,30)", 10},
        {"IF(2,2,10,20,30)", 20},
        {"IF(3,2,10,20,30)", 30},
        {"MOD(7,3)", 1},
        {"MOD(-7,3)", -1},
        {"MOD(7.5,2)", 1.5},
        {"TRUNC(-2.7)", -2},
        {"TRUNC(2.7)", 2},
        {"TRUNC(1E30)", 1e30L},
        {"(-2)^0", 1},
        {"(-2)^(-2)", 0.25},
        {"(-2)^3", -8},
        {"0^0.5", 0},
        {"0^0", 1},
        {"2^10", 1024},
        {"4^0.5", 2},
        {"7/2", 3.5},
        {"-(3)", -3},
    };
    for (const Case& c : cases) {
        EXPECT_REAL_NEAR(Value(c.text), c.expected, 1e-17L) << c.text;
    }
    EXPECT_EQ(At("T^2", -3), 9);
    EXPECT_EQ(error, 0);
}

TEST_F(EvaluatorTest, ErrorsAreCodesNotNumbers) {
    struct Case {
        const char* text;
        Real t;
        int code;
    };
    const Case cases[] = {
        {"1/(T-T)", 5, kEvalDivisionByZero},
        {"MOD(5,T)", 0, kEvalDivisionByZero},
        {"0^(-2)", 0, kEvalDivisionByZero},
        {"T^0.5", -3, kEvalNegativePower},
        {"SQRT(-1)", 0, kEvalNegativeRoot},
        {"LOG(0)", 0, kEvalLogNonPositive},
        {"LN(-1)", 0, kEvalLogNonPositive},
        {"EXP(20000)", 0, kEvalOverflow},
        {"1E4000*1E4000", 0, kEvalOverflow},
        {"10^5000", 0, kEvalOverflow},
        {"MOD(1E4000,1E-4000)", 0, kEvalOverflow},
        {"T+1", std::numeric_limits<Real>::quiet_NaN(), kEvalOverflow},
        {"STEP(T)", std::numeric_limits<Real>::infinity(), kEvalOverflow},
        // An overflow that a later operator would turn into an ordinary number.
        {"1/(1E4000*1E4000)", 0, kEvalOverflow},
        {"1/(T*1E4000*1E4000)", 1, kEvalOverflow},
        {"EXP(0-1E4000*1E4000)", 0, kEvalOverflow},
        {"MIN(1E4000*1E4000,1)", 0, kEvalOverflow},
        {"IF(T*1E4000*1E4000,1,2,3,4)", 1, kEvalOverflow},
        {"2^(0-1E4000*1E4000)", 0, kEvalOverflow},
        {"T/0", 1, kEvalDivisionByZero},
        {"(T+1)/T", 0, kEvalDivisionByZero},
        {"MAX(1)", 0, kEvalStack},
        {"IF(1,2,3,4)", 0, kEvalStack},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ErrorOf(c.text, c.t), c.code) << c.text;
    }
}

TEST_F(EvaluatorTest, MessagesOfTheEvaluationErrors) {
    ErrorOf("T^0.5", -3);
    ErrorOf("LOG(T)", 0);
    ErrorOf("SQRT(T)", -1);
    ErrorOf("1/T", 0);
    EXPECT_EQ(InfoTexts(), (std::vector<std::string>{
                               "Attempt to raise a negative number to a non-integer power.",
                               "Log of a negative number."}));
    EXPECT_TRUE(reporter.Errors().empty());
    EXPECT_EQ(reporter.BeepCount(), 0);  // EvaluateExpression itself never beeps
}

TEST_F(EvaluatorTest, CoordinatesComeFromTheDrawingTransform) {
    problem.settings.originX = 10;
    problem.settings.originY = 400;
    problem.view.zoom = 2;
    problem.view.scrollX = 5;
    problem.view.scrollY = -3;
    const Coordinates c = DrawingToProblem(problem, 96, 304);
    EXPECT_EQ(At("X", 0, 96, 304), c.first);
    EXPECT_EQ(At("Y", 0, 96, 304), c.second);
    // (x + sx - X0 z) L and (Y0 z - y - sy) L with L = 2.54 / 96 / z.
    const Real l = 2.54L / 96 / 2;
    EXPECT_REAL_NEAR(c.first, (96 + 5 - 10 * 2) * l, 1e-18L);
    EXPECT_REAL_NEAR(c.second, (400 * 2 - 304 + 3) * l, 1e-18L);

    problem.SetCylindrical(true);
    EXPECT_EQ(Compile("R*Z"), 0);
    EXPECT_REAL_NEAR(EvaluateExpression(problem, spec.compiled, error, 0, 0, 96, 304, 0),
                     c.first * c.second, 1e-18L);
}

TEST_F(EvaluatorTest, TimeIsInTheUsersUnit) {
    problem.settings.unitSystem = Unittype::SI;
    problem.settings.timeInHours = true;
    EXPECT_REAL_NEAR(At("TIME", 0, 0, 0, 7200), 2, 1e-18L);
    problem.settings.timeInHours = false;
    EXPECT_REAL_NEAR(At("TIME", 0, 0, 0, 7200), 7200, 1e-15L);
    problem.settings.unitSystem = Unittype::Eng;  // solver time in hours
    EXPECT_REAL_NEAR(At("TIME", 0, 0, 0, 2), 7200, 1e-14L);
    problem.settings.timeInHours = true;
    EXPECT_REAL_NEAR(At("TIME", 0, 0, 0, 2), 2, 1e-18L);
}

TEST_F(EvaluatorTest, FluxVariablesAreZeroWithoutAnElement) {
    EXPECT_EQ(At("FLUX+DT\\DX+DT\\DY+1", 50), 1);
    EXPECT_EQ(error, 0);
    ASSERT_EQ(Compile("FLUX+1"), 0);
    SolutionTables none;
    EXPECT_EQ(EvaluateExpression(problem, spec.compiled, error, -3, 0, 0, 0, 0, &none), 1);
    EXPECT_EQ(error, 0);
}

TEST_F(EvaluatorTest, MalformedProgramsAreRejected) {
    auto run = [&](const CompiledForm& form) {
        EvaluateExpression(problem, form, error, 0, 0, 0, 0, 0);
        return error;
    };
    CompiledForm f{};
    EXPECT_EQ(run(f), kEvalStack);  // a constant's form holds no program
    f[0] = 51;
    EXPECT_EQ(run(f), kEvalStack);
    f[0] = std::numeric_limits<Real>::quiet_NaN();
    EXPECT_EQ(run(f), kEvalStack);
    f = CompiledForm{2, kMarkerConstant, 5};
    EXPECT_EQ(run(f), kEvalOk);
    f = CompiledForm{1, kMarkerConstant, 5};  // number cut off
    EXPECT_EQ(run(f), kEvalStack);
    f = CompiledForm{3, kMarkerConstant, std::numeric_limits<Real>::infinity(), 11};
    EXPECT_EQ(run(f), kEvalOverflow);
    for (Real bad : {Real{0}, Real{6}, Real{10}, Real{27}, Real{-9}, Real{1e30L}}) {
        f = CompiledForm{3, kMarkerConstant, 5, bad};
        EXPECT_EQ(run(f), kEvalStack) << static_cast<double>(bad);
    }
    // Items are classified by the nearest integer, halves going to the even neighbour.
    auto single = [&](Real item) {
        const CompiledForm g{1, item};
        return EvaluateExpression(problem, g, error, 0, 7, 0, 0, 0);
    };
    EXPECT_EQ(single(-2.5L), 7);  // -2: the potential
    EXPECT_EQ(error, 0);
    EXPECT_EQ(single(-1.6L), 7);
    EXPECT_EQ(single(-0.4L), 0);  // 0 is no item
    EXPECT_EQ(error, kEvalStack);
    EXPECT_EQ(single(-8.4999L), 0);  // -8: a gradient, 0 without an element
    EXPECT_EQ(error, 0);
    EXPECT_EQ(single(-8.5L), 0);  // -8 again
    EXPECT_EQ(error, 0);
    single(-9.5L);  // -10
    EXPECT_EQ(error, kEvalStack);
    // A stack filled to its 50 values still works.
    f = CompiledForm{};
    f[0] = 50;
    for (int i = 1; i <= 50; ++i) f[static_cast<std::size_t>(i)] = kMarkerPotential;
    EXPECT_EQ(run(f), kEvalStack);  // 50 values left, not one
}

class SpecEvaluationTest : public EvaluatorTest {
protected:
    int Add(int kind, const std::string& text) {
        const int i = FindOrAddSpec(problem, kind, false, text, 0);
        EXPECT_GT(i, 0) << text;
        return i;
    }
};

TEST_F(SpecEvaluationTest, EvaluateSpecUsesTheStoredValueOfAConstant) {
    const int c = Add(kSpecFlux, "12.5");
    EXPECT_EQ(EvaluateSpec(problem, c, error, 0, 1, 2, 3, 4), 12.5);
    EXPECT_EQ(error, 0);
    const int e = Add(kSpecFlux, "T*2+TIME");
    EXPECT_REAL_NEAR(EvaluateSpec(problem, e, error, 0, 3, 0, 0, 1), 7, 1e-18L);
    EXPECT_EQ(EvaluateSpec(problem, 0, error, 0, 3, 0, 0, 1), 0);
}

TEST_F(SpecEvaluationTest, FailedSpecEvaluationBeepsAndGivesOne) {
    const int e = Add(kSpecFlux, "1/(T-5)");
    reporter.Clear();
    EXPECT_EQ(EvaluateSpec(problem, e, error, 0, 5, 0, 0, 0), 1);
    EXPECT_EQ(error, kEvalDivisionByZero);
    EXPECT_EQ(problem.errorCode, kEvalDivisionByZero);
    EXPECT_EQ(reporter.BeepCount(), 1);
    EXPECT_EQ(EvaluateSpec(problem, 5000, error, 0, 5, 0, 0, 0), 1);
    EXPECT_EQ(error, kEvalStack);
}

TEST_F(SpecEvaluationTest, AtNodeTakesStoredResultsOrTheCurrentValue) {
    const int n = problem.AddNode(96, problem.settings.originY - 96);  // X = Y = 2.54
    problem.nodes[n].currentValue = 20;
    const int e = Add(kSpecFlux, "T+X*100");
    EXPECT_REAL_NEAR(EvaluateSpecAtNode(problem, n, e, 0, error, 0, 0), 20 + 254, 1e-15L);

    SolutionTables results;
    results.levels = {{0, 30}, {1, 40}};
    EXPECT_REAL_NEAR(EvaluateSpecAtNode(problem, n, e, 1, error, 0, 0, &results), 40 + 254, 1e-15L);
    EXPECT_REAL_NEAR(EvaluateSpecAtNode(problem, n, e, 0, error, 0, 0, &results), 30 + 254, 1e-15L);
    // A level that is not stored falls back to the current value.
    EXPECT_REAL_NEAR(EvaluateSpecAtNode(problem, n, e, 7, error, 0, 0, &results), 20 + 254, 1e-15L);
    EXPECT_EQ(EvaluateSpecAtNode(problem, n, 0, 0, error, 0, 0), 0);
    const int c = Add(kSpecFlux, "3");
    EXPECT_EQ(EvaluateSpecAtNode(problem, n, c, 0, error, 0, 0), 3);
}

TEST_F(SpecEvaluationTest, LumpsAreNumberedAfterTheNodesAndSitAtTheDrawingOrigin) {
    problem.AddNode(10, 10);
    problem.frameCount = 2;
    problem.frames[2].type = FrameType::Lumped;
    problem.frames[2].lumpInitialValue = 55;
    const int e = Add(kSpecFlux, "T+X");
    const Real x0 = DrawingToProblem(problem, 0, 0).first;
    EXPECT_REAL_NEAR(EvaluateSpecAtNode(problem, 1 + 2, e, 0, error, 0, 0), 55 + x0, 1e-15L);
    SolutionTables results;
    results.levels = {{0, 1, 2, 77}};
    EXPECT_REAL_NEAR(EvaluateSpecAtNode(problem, 3, e, 0, error, 0, 0, &results), 77 + x0, 1e-15L);
}

class MaterialPropertyTest : public SpecEvaluationTest {
protected:
    void SetUp() override {
        // Three nodes, one element in frame 1 (material 1), and lump frame 2 (material 2).
        problem.AddNode(0, 0);
        problem.AddNode(96, 0);
        problem.AddNode(0, 96);
        for (int i = 1; i <= 3; ++i) problem.nodes[i].currentValue = 10.0L * i;
        for (int i = 1; i <= 3; ++i) problem.nodes[i].initialValue = -5.0L * i;
        problem.frameCount = 2;
        problem.frames[1].material = 1;
        problem.frames[2].material = 2;
        problem.frames[2].type = FrameType::Lumped;
        problem.frames[2].lumpInitialValue = 7;
        solution.elements = {ElementCorners{{1, 2, 3}, 1}};
        solution.levels = {{0, 100, 200, 300, 0, 400}, {1, 101, 201, 301, 0, 401}};
        Material& m = problem.materials[1];
        SetExpression(m.conductivity, "T*2");
        SetExpression(m.density, "T+1");
        m.specificHeat = BoundarySpec{};
        m.specificHeat.value = 3;
        m.perfusion = BoundarySpec{};
        m.perfusion.value = 0.5;
        problem.materials[2].density = m.density;
        problem.materials[2].specificHeat = m.specificHeat;
    }
    void SetExpression(BoundarySpec& block, const std::string& text) {
        block = BoundarySpec{};
        block.kind = kSpecProperty;
        block.text = text;
        ASSERT_EQ(CompileExpression(problem, text, block), 0);
    }
    Real Property(int kind, int element, int corner, int step) {
        return EvaluateMaterialProperty(problem, kind, element, corner, error, 0, step, &solution);
    }
    SolutionTables solution;
};

TEST_F(MaterialPropertyTest, CornerPotentialComesFromTheRequestedLevel) {
    EXPECT_EQ(Property(kPropertyConductivity, 1, 2, 1), 402);  // node 2 at level 1
    EXPECT_EQ(Property(kPropertyConductivity, 1, 3, 0), 600);  // node 3 at level 0
    EXPECT_EQ(Property(kPropertySpecificHeat, 1, 1, 0), 3);
    EXPECT_EQ(Property(kPropertyPerfusion, 1, 1, 0), 0.5);
    EXPECT_EQ(Property(kPropertyCapacity, 1, 1, 1), (101 + 1) * 3);
    EXPECT_EQ(error, 0);
    solution.transientBeforeResults = true;  // initial values before any result
    EXPECT_EQ(Property(kPropertyConductivity, 1, 2, 0), -20);
    solution.levels.clear();
    solution.transientBeforeResults = false;  // nothing stored: current values
    EXPECT_EQ(Property(kPropertyConductivity, 1, 2, 0), 40);
}

TEST_F(MaterialPropertyTest, LumpsUseTheirStoredValueOrInitialValue) {
    EXPECT_EQ(Property(kPropertyDensity, -2, 0, 1), 402);  // entry N + 2 of level 1
    EXPECT_EQ(Property(kPropertyDensity, -2, 0, 0), 401);  // level 0 as stored
    solution.levels.clear();
    EXPECT_EQ(Property(kPropertyDensity, -2, 0, 0), 8);  // lump initial value 7
}

TEST_F(MaterialPropertyTest, GenerationIsTheFramesSpecification) {
    EXPECT_EQ(Property(kPropertyGeneration, 1, 1, 0), 0);  // none given
    problem.frames[1].generationSpec = Add(kSpecGeneration, "T/10");
    EXPECT_EQ(Property(kPropertyGeneration, 1, 3, 0), 30);
    problem.frames[1].generationSpec = Add(kSpecGeneration, "2.5");
    EXPECT_EQ(Property(kPropertyGeneration, 1, 3, 0), 2.5);
}

TEST_F(MaterialPropertyTest, FailuresGiveOneAndAreReportedWithTheText) {
    SetExpression(problem.materials[1].conductivity, "1/(T-200)");
    EXPECT_EQ(Property(kPropertyConductivity, 1, 2, 0), 1);
    EXPECT_EQ(error, kEvalDivisionByZero);
    reporter.Clear();
    ReportEvaluationError(problem, kPropertyConductivity, 1);
    EXPECT_EQ(reporter.Errors(), std::vector<std::string>{"Error in evaluating 1/(T-200)"});
    EXPECT_EQ(InfoTexts(), std::vector<std::string>{"Error in evaluating 1/(T-200)"});
    EXPECT_EQ(reporter.BeepCount(), 1);

    struct Bad {
        int kind, element, corner;
    };
    for (const Bad& b :
         {Bad{kPropertyConductivity, 2, 1}, Bad{kPropertyConductivity, 1, 4},
          Bad{kPropertyConductivity, 0, 1}, Bad{99, 1, 1}, Bad{kPropertyDensity, -9, 0}}) {
        const auto [kind, element, corner] = b;
        EXPECT_EQ(Property(kind, element, corner, 0), 1);
        EXPECT_EQ(error, kEvalStack);
    }
}

}  // namespace
}  // namespace kova
