#include "expressions/compiler.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/expressions/expression_fixture.hpp"
#include "expressions/data_files.hpp"
#include "model/subjects.hpp"
#include "units/unit_labels.hpp"

namespace kova {
namespace {

using testing::ExpressionTest;
using Entries = std::vector<Real>;
using Kind = RecordingReporter::Event::Kind;

// Markers and codes spelled out as the stored values, so that a changed constant in the
// code cannot go unnoticed.
constexpr Real C = -1.0L;     // a number follows
constexpr Real P = -2.001L;   // potential
constexpr Real X1 = -3.001L;  // first coordinate
constexpr Real X2 = -4.001L;  // second coordinate
constexpr Real TM = -5.01L;   // TIME
constexpr Real FL = -6.01L;   // FLUX
constexpr Real GX = -7.01L;   // gradient along the first axis
constexpr Real GY = -8.02L;   // gradient along the second axis

struct ProgramCase {
    const char* text;
    Entries expected;
};

class CompiledPrograms : public ExpressionTest,
                         public ::testing::WithParamInterface<ProgramCase> {};

TEST_P(CompiledPrograms, TextCompilesToExactPostfixEntries) {
    const ProgramCase& c = GetParam();
    ASSERT_EQ(Compile(c.text), 0) << c.text;
    EXPECT_EQ(spec.compiled[0], static_cast<Real>(c.expected.size())) << c.text;
    EXPECT_EQ(Program(), c.expected) << c.text;
    EXPECT_EQ(problem.errorCode, 0);
}

INSTANTIATE_TEST_SUITE_P(
    HeatTransferCartesian, CompiledPrograms,
    ::testing::Values(
        ProgramCase{"T^2", {C, 0, P, C, 2, 5, 3}}, ProgramCase{"-T", {C, 0, P, 11, 3}},
        ProgramCase{"2**3", {C, 0, C, 2, C, 3, 5, 3}},
        ProgramCase{"2^3^2", {C, 0, C, 2, C, 3, 5, C, 2, 5, 3}},
        ProgramCase{"-2^2", {C, 0, C, 2, 11, C, 2, 5, 3}},
        // "-" does not pop "+", "/" does not pop "*": A+(B-C), A*(B/C).
        ProgramCase{"X+Y-T", {C, 0, X1, 3, X2, P, 4, 3}},
        ProgramCase{"X*Y/T", {C, 0, X1, X2, P, 2, 1, 3}},
        ProgramCase{"1+2*3", {C, 0, C, 1, 3, C, 2, C, 3, 1, 3}},
        ProgramCase{"SIN(X)+T", {C, 0, X1, 14, 3, P, 3}},
        ProgramCase{"sin(x)+t", {C, 0, X1, 14, 3, P, 3}},
        ProgramCase{"-(SIN(X))", {C, 0, X1, 14, 11, 3}},
        ProgramCase{"0-SIN(X)", {C, 0, C, 0, X1, 14, 4, 3}},
        ProgramCase{"2^SIN(X)", {C, 0, C, 2, X1, 14, 5, 3}},
        ProgramCase{"MAX(X,Y)", {C, 0, X1, X2, 19, 3}},
        ProgramCase{"IF(T,2,10,20,30)", {C, 0, P, C, 2, C, 10, C, 20, C, 30, 22, 3}},
        ProgramCase{"TIME*FLUX", {C, 0, TM, FL, 1, 3}},
        ProgramCase{"DT\\DX+DT\\DY", {C, 0, GX, 3, GY, 3}},
        ProgramCase{"2E-3*X", {C, 0, C, 2E-3L, X1, 1, 3}}, ProgramCase{"1.5e+2", {C, 0, C, 150, 3}},
        ProgramCase{" X  + 1 ", {C, 0, X1, 3, C, 1, 3}}, ProgramCase{"+X", {C, 0, X1, 3}},
        ProgramCase{"X*-Y", {C, 0, X1, X2, 11, 1, 3}}, ProgramCase{"X---Y", {C, 0, X1, X2, 4, 3}},
        ProgramCase{"2^(-3)", {C, 0, C, 2, C, 3, 11, 5, 3}},
        ProgramCase{
            "EXP(1)+LOG(1)+COS(1)+LN(1)+SQRT(1)+ABS(1)",
            {C, 0, C, 1, 12, 3, C, 1, 13, 3, C, 1, 15, 3, C, 1, 16, 3, C, 1, 17, 3, C, 1, 18, 3}},
        ProgramCase{
            "MIN(1,2)+SQWV(1)+STEP(1)+MOD(1,2)+TRUNC(1)",
            {C, 0, C, 1, C, 2, 20, 3, C, 1, 21, 3, C, 1, 23, 3, C, 1, C, 2, 25, 3, C, 1, 26, 3}},
        ProgramCase{"1E999", {C, 0, C, 1E999L, 3}}));

TEST_F(ExpressionTest, SubjectAndGeometryLettersAreReadAtCompileTime) {
    SetSubjectLabels(problem, ProbTypeA::Potential, false);
    ASSERT_EQ(Compile("S+SIN(S)+DS\\DY"), 0);
    EXPECT_EQ(Program(), (Entries{C, 0, P, 3, P, 14, 3, GY, 3}));
    EXPECT_EQ(Compile("T"), kCompileIllegal);  // T means nothing in this subject

    SetSubjectLabels(problem, ProbTypeA::ElecFieldC, false);
    problem.SetCylindrical(true);
    ASSERT_EQ(Compile("R*Z+V+DV\\DX"), 0);
    EXPECT_EQ(Program(), (Entries{C, 0, X1, X2, 1, 3, P, 3, GX, 3}));
    EXPECT_EQ(Compile("X"), kCompileIllegal);
}

TEST_F(ExpressionTest, DependenceFlagsFollowTheNamesUsed) {
    struct Case {
        const char* text;
        int position, potential, time;
    };
    const Case cases[] = {
        {"3*2", 0, 0, 0},    {"X", 1, 0, 0},    {"Y+1", 1, 0, 0},
        {"T", 0, 1, 0},      {"FLUX", 0, 1, 0}, {"DT\\DX", 0, 1, 0},
        {"DT\\DY", 0, 1, 0}, {"TIME", 0, 0, 1}, {"X*T*TIME", 1, 1, 1},
    };
    for (const Case& c : cases) {
        spec = BoundarySpec{};
        spec.constant = 1;
        spec.dependsOnPosition = spec.dependsOnPotential = spec.dependsOnTime = 1;
        ASSERT_EQ(CompileExpression(problem, c.text, spec), 0) << c.text;
        EXPECT_EQ(spec.constant, 0) << c.text;
        EXPECT_EQ(spec.dependsOnPosition, c.position) << c.text;
        EXPECT_EQ(spec.dependsOnPotential, c.potential) << c.text;
        EXPECT_EQ(spec.dependsOnTime, c.time) << c.text;
    }
}

TEST_F(ExpressionTest, SyntaxErrorsGiveTheirCodesBeepsAndMessages) {
    struct Case {
        const char* text;
        int code;
        int beeps;
    };
    const Case cases[] = {
        {"", kCompileMissingOperand, 1},
        {"X+", kCompileMissingOperand, 1},
        {"(X*", kCompileMissingOperand, 1},
        {"SIN()", kCompileMissingOperand, 1},
        {"X*/Y", kCompileMissingOperand, 1},
        {"X+*Y", kCompileMissingOperand, 1},
        {"-SIN(X)", kCompileMissingOperand, 1},
        {"SIN SIN(X)", kCompileMissingOperand, 1},
        {"'DATA.TXT,1,2,T", kCompileMissingOperand, 1},
        {"X+1.2.3", kCompileBadNumber, 1},
        {"2T", kCompileBadNumber, 1},
        {"E5", kCompileBadNumber, 1},
        {"X+2E", kCompileBadNumber, 1},
        {"1E5000", kCompileBadNumber, 1},
        {"X+Q", kCompileIllegal, 0},
        {"X=3", kCompileIllegal, 0},
        {"X+\xA1(1)", kCompileIllegal, 0},
        {"T\xC3\xA9", kCompileIllegal, 0},
        {"X\t+1", kCompileIllegal, 0},
        {"X+'1'", kCompileIllegal, 0},
    };
    for (const Case& c : cases) {
        reporter.Clear();
        spec = BoundarySpec{};
        EXPECT_EQ(CompileExpression(problem, c.text, spec), c.code) << c.text;
        EXPECT_EQ(problem.errorCode, c.code) << c.text;
        EXPECT_EQ(reporter.BeepCount(), c.beeps) << c.text;
        EXPECT_TRUE(reporter.Errors().empty()) << c.text;
        EXPECT_TRUE(InfoTexts().empty()) << c.text;
        EXPECT_EQ(spec.compiled[0], 0) << c.text;
    }
}

TEST_F(ExpressionTest, UnmatchedParenthesesShowTheirMessage) {
    for (const char* text : {"(X", "X)", "X)+(Y", "((X)"}) {
        reporter.Clear();
        EXPECT_EQ(Compile(text), kCompileIllegal) << text;
        EXPECT_EQ(reporter.BeepCount(), 1) << text;
        EXPECT_EQ(InfoTexts(), std::vector<std::string>{"Unmatched parentheses."}) << text;
    }
}

TEST_F(ExpressionTest, PowerOfANegativeNumberNeedsParentheses) {
    EXPECT_EQ(Compile("2^-3"), kCompileUnusable);
    EXPECT_EQ(reporter.Errors(),
              std::vector<std::string>{"The character sequence ^- is not legal.  Use "
                                       "parentheses around the exponent."});
    EXPECT_EQ(reporter.BeepCount(), 1);
    EXPECT_REAL_NEAR(Trial("2^(-3)"), 0.125L, 1e-18L);
}

TEST_F(ExpressionTest, ProgramLimitCountsTheWrapperEntries) {
    auto sumOfOnes = [](int k) {
        std::string s = "1";
        for (int i = 1; i < k; ++i) s += "+1";
        return s;
    };
    ASSERT_EQ(Compile(sumOfOnes(16)), 0);  // 2 + 16 * 2 + 16 = 50 entries
    EXPECT_EQ(spec.compiled[0], 50);
    reporter.Clear();
    EXPECT_EQ(Compile(sumOfOnes(17)), kCompileTooLong);
    EXPECT_EQ(Compile(sumOfOnes(26)), kCompileTooLong);
    EXPECT_EQ(reporter.BeepCount(), 2);
}

TEST_F(ExpressionTest, FailedCompilationLeavesTheSpecificationAlone) {
    ASSERT_EQ(Compile("X*T+TIME"), 0);
    const BoundarySpec before = spec;
    for (const char* bad :
         {"X+", "(X", "2^-3", "X+Q", "1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1", "X*TIME+1.2.3"}) {
        EXPECT_NE(CompileExpression(problem, bad, spec), 0) << bad;
        EXPECT_EQ(spec, before) << bad;
    }
}

TEST_F(ExpressionTest, EntriesBeyondTheProgramKeepTheirValues) {
    spec = BoundarySpec{};
    spec.compiled[6] = 42;
    spec.compiled[50] = -7;
    ASSERT_EQ(CompileExpression(problem, "T", spec), 0);
    EXPECT_EQ(spec.compiled[0], 4);
    EXPECT_EQ(spec.compiled[6], 42);
    EXPECT_EQ(spec.compiled[50], -7);
}

TEST_F(ExpressionTest, LongTextsAreCutBeforeCompiling) {
    // 255 characters compile; what follows is never seen.
    std::string text = "1";
    while (text.size() < 253) text += "*1";
    ASSERT_EQ(text.size(), 253u);
    EXPECT_EQ(Compile(text + "+Q"), kCompileIllegal);        // "Q" is within the first 255
    EXPECT_EQ(Compile(text + "*1" + "Q"), kCompileTooLong);  // too long, "Q" cut off
}

TEST_F(ExpressionTest, LanguageConsequencesOfThePrecedenceRules) {
    EXPECT_REAL_NEAR(Trial("2^3^2"), 64, 1e-15L);
    EXPECT_REAL_NEAR(Trial("-2^2"), 4, 1e-15L);
    EXPECT_REAL_NEAR(Trial("2**3"), 8, 1e-15L);
    EXPECT_REAL_NEAR(Trial("10-4-3"), 3, 1e-15L);
    EXPECT_REAL_NEAR(Trial("12/6/2"), 1, 1e-15L);
    EXPECT_REAL_NEAR(Trial("8-2+1"), 7, 1e-15L);
    EXPECT_REAL_NEAR(Trial("8/2*4"), 16, 1e-15L);
    EXPECT_REAL_NEAR(Trial("2*3-4"), 2, 1e-15L);
    EXPECT_REAL_NEAR(Trial("-(SIN(1))"), -0.8414709848078965067L, 1e-18L);
    EXPECT_REAL_NEAR(Trial("2^SIN(1)"), Trial("2^(SIN(1))"), 1e-18L);
    EXPECT_REAL_NEAR(Trial("1E999/1E998"), 10, 1e-14L);
    EXPECT_EQ(Compile("-SIN(X)"), kCompileMissingOperand);
}

TEST_F(ExpressionTest, MissingFunctionArgumentsFailOnlyAtEvaluation) {
    int error = 0;
    Trial("MAX(X)", error);
    EXPECT_EQ(error, kEvalStack);
    Trial("SIN(1,2)", error);
    EXPECT_EQ(error, kEvalStack);
    Trial("1,2", error);
    EXPECT_EQ(error, kEvalStack);
}

TEST_F(ExpressionTest, DataFileFormBecomesTheFileFunction) {
    testing::ScratchFolder folder;
    folder.Write("first.txt", "0 10\n1 20\n2 40\n");
    folder.Write("second.txt", "0 1 2\n1 2 3\n");
    DataFilesOf(problem).currentDirectory = folder.Path();

    ASSERT_EQ(Compile("'first.txt',1,2,T"), 0);
    EXPECT_EQ(Program(), (Entries{C, 0, C, 0, C, 1, C, 2, P, 24, 3}));
    ASSERT_EQ(Compile("'second.txt',1,3,X*2"), 0);
    EXPECT_EQ(Program(), (Entries{C, 0, C, 1, C, 1, C, 3, X1, C, 2, 1, 24, 3}));
    ASSERT_EQ(Compile("'FIRST.TXT',2,1,T"), 0);  // the same file, already loaded
    EXPECT_EQ(Program()[3], 0);
    EXPECT_EQ(DataFilesOf(problem).Count(), 2);

    reporter.Clear();
    EXPECT_EQ(Compile("'missing.txt',1,2,T"), kCompileFileNotFound);
    EXPECT_EQ(problem.errorCode, -1);
    EXPECT_EQ(reporter.Errors(),
              std::vector<std::string>{"File " + (folder.Path() / "MISSING.TXT").string() +
                                       " was not found."});
}

}  // namespace
}  // namespace kova
