#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "core/expressions/expression_fixture.hpp"
#include "expressions/compiler.hpp"
#include "expressions/data_files.hpp"
#include "units/drawing_transform.hpp"

namespace kova {
namespace {

using testing::ExpressionTest;

class FindOrAddSpecTest : public ExpressionTest {
protected:
    int ByText(int kind, const std::string& text) {
        return FindOrAddSpec(problem, kind, false, text, 0);
    }
    int ByValue(int kind, Real value) { return FindOrAddSpec(problem, kind, true, "", value); }
    int Count() const { return problem.specs.Count(); }
};

TEST_F(FindOrAddSpecTest, EqualKindAndValueOrTextShareOneEntry) {
    const int start = Count();
    const int h = ByValue(kSpecTransfer, 10);
    EXPECT_EQ(ByValue(kSpecTransfer, 10), h);
    EXPECT_NE(ByValue(kSpecFlux, 10), h);  // another kind is another entry
    EXPECT_NE(ByValue(kSpecTransfer, 10.5L), h);

    const int e = ByText(kSpecFlux, "X*2+TIME");
    EXPECT_EQ(ByText(kSpecFlux, " X * 2 + TIME "), e);  // spaces do not count
    EXPECT_NE(ByText(kSpecGeneration, "X*2+TIME"), e);
    // Texts compare case-sensitively: the same program, another entry.
    EXPECT_NE(ByText(kSpecFlux, "x*2+time"), e);
    EXPECT_EQ(Count(), start + 6);
    EXPECT_EQ(problem.errorCode, 0);
}

TEST_F(FindOrAddSpecTest, ByValueIsTheModelsFindOrAdd) {
    const int a = FindOrAddSpec(problem, kSpecFlux, true, "ignored text", 3.25L);
    EXPECT_EQ(FindOrAddSpecValue(problem, kSpecFlux, 3.25L), a);
    const BoundarySpec& s = problem.specs[a];
    EXPECT_EQ(s.text, "3.25");
    EXPECT_EQ(s.constant, 1);
    EXPECT_EQ(s.compiled[0], 0);
    // A constant entry found by text is shared by value too, an expression is not.
    const int t = ByText(kSpecFlux, "7");
    EXPECT_EQ(ByValue(kSpecFlux, 7), t);
    ByText(kSpecFlux, "3+4");
    EXPECT_EQ(ByValue(kSpecFlux, 7), t);
}

TEST_F(FindOrAddSpecTest, UnspecifiedValueAndEmptyTextGiveNoSpecification) {
    const int start = Count();
    problem.errorCode = 99;
    EXPECT_EQ(ByValue(kSpecValue, kUnspecified), 0);
    EXPECT_EQ(problem.errorCode, 0);
    problem.errorCode = 99;
    EXPECT_EQ(ByText(kSpecValue, ""), 0);
    EXPECT_EQ(problem.errorCode, 0);
    EXPECT_EQ(ByText(kSpecValue, "    "), 0);
    EXPECT_EQ(Count(), start);
    EXPECT_TRUE(reporter.events.empty());
}

TEST_F(FindOrAddSpecTest, PlainNumbersAreConstants) {
    struct Case {
        const char* text;
        Real value;
    };
    for (const Case& c : {Case{"10", 10}, Case{"1.5e-3", 1.5e-3L}, Case{"2E+5", 2e5L},
                          Case{".5", 0.5L}, Case{"7.", 7}}) {
        const int i = ByText(kSpecTransfer, c.text);
        ASSERT_GT(i, 0) << c.text;
        const BoundarySpec& s = problem.specs[i];
        EXPECT_EQ(s.constant, 1) << c.text;
        EXPECT_EQ(s.value, c.value) << c.text;
        EXPECT_EQ(s.compiled[0], 0) << c.text;
        EXPECT_EQ(s.text, c.text);
        EXPECT_EQ(s.dependsOnPosition + s.dependsOnPotential + s.dependsOnTime, 0);
    }
    EXPECT_TRUE(IsPlainNumberText("1e-5"));
    EXPECT_FALSE(IsPlainNumberText("-5"));   // a leading sign makes an expression
    EXPECT_FALSE(IsPlainNumberText("e+5"));  // no sign after a leading E
    EXPECT_FALSE(IsPlainNumberText("5+1"));
}

TEST_F(FindOrAddSpecTest, NumbersBeyondTheExtendedRangeAreRefused) {
    // 1E999 lies inside the extended range and is an ordinary constant.
    const int big = ByText(kSpecFlux, "1e999");
    ASSERT_GT(big, 0);
    EXPECT_EQ(problem.specs[big].constant, 1);
    EXPECT_EQ(problem.specs[big].value, 1e999L);
    const int negative = ByText(kSpecFlux, "-1E999");
    ASSERT_GT(negative, 0);
    EXPECT_EQ(problem.specs[negative].value, -1e999L);

    const int start = Count();
    struct Case {
        const char* text;
        int code;
    };
    for (const Case& c : {Case{"1E5000", kCompileIllegal}, Case{"1e99999999999", kCompileIllegal},
                          Case{"-1E5000", kCompileBadNumber}, Case{"X+1E5000", kCompileBadNumber},
                          Case{"1E999*1E999*1E999*1E999*1E999*1E999", kEvalOverflow}}) {
        EXPECT_EQ(ByText(kSpecFlux, c.text), 0) << c.text;
        EXPECT_EQ(problem.errorCode, c.code) << c.text;
    }
    for (Real v : {std::numeric_limits<Real>::infinity(), -std::numeric_limits<Real>::infinity(),
                   std::numeric_limits<Real>::quiet_NaN()}) {
        EXPECT_EQ(ByValue(kSpecFlux, v), 0);
        EXPECT_EQ(problem.errorCode, kCompileIllegal);
    }
    EXPECT_EQ(Count(), start);
}

TEST_F(FindOrAddSpecTest, SignedNumbersAreExpressionsWithTheirTrialValue) {
    const int i = ByText(kSpecFlux, "-5");
    ASSERT_GT(i, 0);
    const BoundarySpec& s = problem.specs[i];
    EXPECT_EQ(s.constant, 0);
    EXPECT_EQ(s.compiled[0], 6);  // 0 + (-5)
    EXPECT_EQ(s.value, -5);
}

TEST_F(FindOrAddSpecTest, ExpressionsStoreTheTrialEvaluation) {
    const int i = ByText(kSpecFlux, "T+X*2");
    ASSERT_GT(i, 0);
    const Coordinates at = DrawingToProblem(problem, 1, 1);
    EXPECT_REAL_NEAR(problem.specs[i].value, 100 + at.first * 2, 1e-16L);
    EXPECT_EQ(problem.specs[i].dependsOnPotential, 1);
    EXPECT_EQ(problem.specs[i].dependsOnPosition, 1);

    problem.settings.originY = 1;  // moves the coordinates of the trial point
    const int j = ByText(kSpecFlux, "Y");
    EXPECT_REAL_NEAR(problem.specs[j].value, 0, 1e-18L);
}

TEST_F(FindOrAddSpecTest, FailuresAddNothingAndSetTheCode) {
    struct Case {
        int kind;
        const char* text;
        int code;
    };
    const Case cases[] = {
        {kSpecFlux, "1.2.3", kCompileIllegal},
        {kSpecFlux, "E5", kCompileIllegal},
        {kSpecFlux, "X+1.2.3", kCompileBadNumber},
        {kSpecFlux, "(X", kCompileIllegal},
        {kSpecFlux, "1/(T-100)", kEvalDivisionByZero},
        {kSpecFlux, "MAX(X)", kEvalStack},
        {kSpecFlux, "LN(T-100)", kEvalLogNonPositive},
        {kSpecFlux, "EXP(T*1000)", kEvalOverflow},
        {kSpecValue, "T+1", kCompileDependsOnPotential},
        {kSpecValue, "FLUX*2", kCompileDependsOnPotential},
    };
    const int start = Count();
    for (const Case& c : cases) {
        EXPECT_EQ(ByText(c.kind, c.text), 0) << c.text;
        EXPECT_EQ(problem.errorCode, c.code) << c.text;
    }
    EXPECT_EQ(Count(), start);
    // A transfer coefficient may depend on the potential; a value may depend on X.
    EXPECT_GT(ByText(kSpecFlux, "T+1"), 0);
    EXPECT_GT(ByText(kSpecValue, "X+1"), 0);
}

TEST_F(FindOrAddSpecTest, ValueDependingOnThePotentialNamesTheLetter) {
    ByText(kSpecValue, "T*2");
    EXPECT_EQ(InfoTexts(),
              std::vector<std::string>{"This specification can not be a function of T"});
}

TEST_F(FindOrAddSpecTest, TextIsCutTo128CharactersFirst) {
    const std::string text = "X" + std::string(125, ' ') + "*2";  // 128 characters
    ASSERT_EQ(text.size(), 128u);
    const int i = ByText(kSpecFlux, text + "+Q");
    ASSERT_GT(i, 0);
    EXPECT_EQ(problem.specs[i].text, "X*2");
    EXPECT_EQ(ByText(kSpecFlux, "X*2"), i);
    EXPECT_EQ(ByText(kSpecFlux, std::string(500, 'Q')), 0);
    EXPECT_EQ(problem.errorCode, kCompileIllegal);
}

TEST_F(FindOrAddSpecTest, TheThousandAndFirstEntryIsRefused) {
    for (int v = 1; Count() < kMaxSpecs; ++v) ASSERT_GT(ByValue(kSpecFlux, v), 0);
    reporter.Clear();
    EXPECT_EQ(ByValue(kSpecFlux, 5000), 0);
    EXPECT_EQ(problem.errorCode, 41);
    EXPECT_EQ(reporter.Errors(), std::vector<std::string>{"Error 41"});
    EXPECT_EQ(reporter.BeepCount(), 1);
    EXPECT_EQ(ByText(kSpecFlux, "X*3"), 0);
    EXPECT_EQ(problem.errorCode, 41);
    EXPECT_EQ(Count(), kMaxSpecs);
    // Existing entries are still found.
    EXPECT_EQ(ByValue(kSpecFlux, 7), problem.specs.FindConstant(kSpecFlux, 7));
    EXPECT_EQ(problem.errorCode, 0);
}

TEST_F(FindOrAddSpecTest, SharedExpressionIsCompiledAgainFromItsText) {
    testing::ScratchFolder folder;
    folder.Write("a.txt", "0 10\n10 20\n");
    folder.Write("b.txt", "0 1\n1 2\n");
    DataFilesOf(problem).currentDirectory = folder.Path();
    const std::string text = "'a.txt',1,2,T";
    const int i = ByText(kSpecFlux, text);
    ASSERT_GT(i, 0);
    EXPECT_EQ(problem.specs[i].compiled[4], 0);  // FILE(0, ...)
    EXPECT_REAL_NEAR(problem.specs[i].value, 110, 1e-15L);

    // A new problem empties the list; the next use of the text reloads the (edited) file
    // at its new place in the list.
    ClearDataFiles(problem);
    ASSERT_EQ(LoadDataFile(problem, "b.txt"), 0);
    folder.Write("a.txt", "0 0\n10 50\n");
    EXPECT_EQ(ByText(kSpecFlux, text), i);
    EXPECT_EQ(problem.errorCode, 0);
    EXPECT_EQ(problem.specs[i].compiled[4], 1);
    int error = 0;
    EXPECT_REAL_NEAR(EvaluateSpec(problem, i, error, 0, 2, 0, 0, 0), 10, 1e-15L);

    // When the file has gone, the entry keeps its last good program and the code says why.
    ClearDataFiles(problem);
    std::filesystem::remove(folder.Path() / "a.txt");
    const BoundarySpec before = problem.specs[i];
    EXPECT_EQ(ByText(kSpecFlux, text), i);
    EXPECT_EQ(problem.errorCode, kCompileFileNotFound);
    EXPECT_EQ(problem.specs[i], before);
}

TEST_F(FindOrAddSpecTest, SharedConstantStaysAConstant) {
    const int i = ByText(kSpecFlux, "12");
    EXPECT_EQ(ByText(kSpecFlux, "12"), i);
    EXPECT_EQ(problem.specs[i].compiled[0], 0);
    EXPECT_EQ(problem.specs[i].constant, 1);
}

}  // namespace
}  // namespace kova
