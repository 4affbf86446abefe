// Reading a problem file with the program's own expression compiler: every expression is
// compiled again from its text and comes back exactly as it was compiled before saving.
#include <gtest/gtest.h>

#include "expressions/compiler.hpp"
#include "files/problem_file.hpp"
#include "model/problem.hpp"

namespace kova {
namespace {

TEST(RecompileWithCompiler, ExpressionsComeBackCompiledAsBeforeSaving) {
    Problem p;
    const int number = FindOrAddSpec(p, kSpecValue, false, "25", 0);
    const int linear = FindOrAddSpec(p, kSpecFlux, false, "10+T/100", 0);
    const int timed = FindOrAddSpec(p, kSpecGeneration, false, "SIN(TIME)*X", 0);
    ASSERT_GT(number, 0);
    ASSERT_GT(linear, 0);
    ASSERT_GT(timed, 0);
    ASSERT_GT(p.specs[linear].compiled[0], 0);

    Problem q;
    RecordingReporter reporter;
    q.SetReporter(&reporter);
    ASSERT_TRUE(ReadProblemImage(q, EncodeProblemFile(p), "a.KVX"));
    EXPECT_TRUE(reporter.Errors().empty());
    ASSERT_EQ(q.specs.Count(), p.specs.Count());
    for (const int i : {number, linear, timed}) {
        EXPECT_EQ(q.specs[i].text, p.specs[i].text);
        EXPECT_EQ(q.specs[i].compiled, p.specs[i].compiled) << q.specs[i].text;
        EXPECT_EQ(q.specs[i].constant, p.specs[i].constant);
        EXPECT_EQ(q.specs[i].dependsOnPotential, p.specs[i].dependsOnPotential);
        EXPECT_EQ(q.specs[i].dependsOnTime, p.specs[i].dependsOnTime);
        EXPECT_EQ(q.specs[i].dependsOnPosition, p.specs[i].dependsOnPosition);
    }
}

TEST(RecompileWithCompiler, ATextThatNoLongerCompilesGivesOneListingMessage) {
    Problem p;
    const int i = FindOrAddSpec(p, kSpecFlux, false, "10+T/100", 0);
    ASSERT_GT(i, 0);
    p.specs[i].text = "10+(T";  // the stored compiled form still says it is an expression
    Problem q;
    RecordingReporter reporter;
    q.SetReporter(&reporter);
    ASSERT_TRUE(ReadProblemImage(q, EncodeProblemFile(p), "a.KVX"));
    ASSERT_EQ(reporter.Errors().size(), 1u);
    EXPECT_NE(reporter.Errors()[0].find("10+(T"), std::string::npos);
    EXPECT_EQ(q.specs[i].compiled, CompiledForm{});
}

}  // namespace
}  // namespace kova
