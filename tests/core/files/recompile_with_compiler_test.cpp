// Reading a problem file with the program's own expression compiler: every expression is
// compiled again from its text and comes back exactly as it was compiled before saving.
#include <gtest/gtest.h>

#include "core/files/file_image.hpp"
#include "expressions/compiler.hpp"
#include "files/problem_file.hpp"
#include "model/problem.hpp"
#include "model/subjects.hpp"
#include "units/unit_labels.hpp"

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

TEST(RecompileWithCompiler, EveryMaterialBlockPerfusionIncludedIsCompiledFromItsText) {
    Problem p;
    SetSubjectLabels(p, ProbTypeA::Bio, false);
    Material& m = p.materials[4];
    const struct {
        BoundarySpec* block;
        const char* text;
    } blocks[] = {{&m.density, "1000+T/10"},
                  {&m.specificHeat, "3600-T"},
                  {&m.conductivity, "0.5+0.001*T"},
                  {&m.perfusion, "0.002*(1+T/40)"}};
    for (const auto& b : blocks) {
        b.block->text = b.text;
        ASSERT_EQ(CompileExpression(p, b.text, *b.block), kCompileOk) << b.text;
        ASSERT_GT(b.block->compiled[0], 0) << b.text;
    }
    // The library materials hold their numbers in a one-entry form that the first reading
    // compiles properly; compile them as a reader would, so the image is what it saves.
    ASSERT_TRUE(RecompileLoadedExpressions(p, DefaultExpressionCompiler()).failed.empty());
    const test::Bytes good = EncodeProblemFile(p);

    // A file whose compiled forms were tampered with, the perfusion program most of all:
    // the forms come from the texts, not from the file.
    test::Bytes tampered = good;
    const std::size_t material4 = test::Walk(good).materials + 4 + 3 * 2680;
    for (const std::size_t block : {34u, 689u, 1344u, 1999u}) {
        for (std::size_t e = 1; e < 51; ++e)
            test::PutExtAt(tampered, material4 + block + 145 + 10 * e, 1.0e300L);
    }
    Problem q;
    RecordingReporter reporter;
    q.SetReporter(&reporter);
    ASSERT_TRUE(ReadProblemImage(q, tampered, "a.KVX"));
    EXPECT_TRUE(reporter.Errors().empty());
    const Material& back = q.materials[4];
    EXPECT_EQ(back.density.compiled, m.density.compiled);
    EXPECT_EQ(back.specificHeat.compiled, m.specificHeat.compiled);
    EXPECT_EQ(back.conductivity.compiled, m.conductivity.compiled);
    EXPECT_EQ(back.perfusion.compiled, m.perfusion.compiled);
    const test::Bytes again = EncodeProblemFile(q);
    EXPECT_TRUE(again == good) << test::FirstDifference(again, good) << " materials at "
                               << test::Walk(good).materials;

    // A perfusion text that no longer compiles is reported and its program emptied.
    m.perfusion.text = "0.002*(1+T";
    Problem r;
    RecordingReporter rReporter;
    r.SetReporter(&rReporter);
    ASSERT_TRUE(ReadProblemImage(r, EncodeProblemFile(p), "b.KVX"));
    ASSERT_EQ(rReporter.Errors().size(), 1u);
    EXPECT_NE(rReporter.Errors()[0].find("material 4 perfusion: 0.002*(1+T"), std::string::npos);
    EXPECT_EQ(r.materials[4].perfusion.compiled, CompiledForm{});
}

}  // namespace
}  // namespace kova
