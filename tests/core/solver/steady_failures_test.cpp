// Bad input and numerical trouble: each case ends in its result code (and its message
// where the solver reports one), never in a crash, a hang or a stored NaN; and the
// property iteration's convergence measure, relaxation and limit.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include <unistd.h>

#include "expressions/compiler.hpp"
#include "solver/assembly.hpp"
#include "solver/run_setup.hpp"
#include "solver/steady_solution.hpp"
#include "support/mesh_builder.hpp"
#include "support/steady_run.hpp"
#include "units/unit_labels.hpp"

namespace kova::test {
namespace {

bool Contains(const std::vector<std::string>& texts, const std::string& text) {
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

// A rectangle [0, 1] x [0, 0.5] of n x n/2 cells with material 1 (k = 1), no boundary
// conditions yet.
struct Plate {
    Problem problem;
    int frame = 0;
    explicit Plate(int n = 4) {
        MeshBuilder b(problem);
        frame = MeshRectangle(b, 0, 0, 1, 0.5L, n, std::max(n / 2, 1), 1);
        b.Finish();
        SetMaterial(problem, 1, 1);
    }
    void FixLeft(Real value) {
        SetValueWhere(
            problem, [](Real x, Real) { return Near(x, 0); }, [=](Real, Real) { return value; });
    }
    void FixRight(Real value) {
        SetValueWhere(
            problem, [](Real x, Real) { return Near(x, 1); }, [=](Real, Real) { return value; });
    }
    // Every node's current value, to show that a failed run leaves them alone.
    std::vector<Real> CurrentValues() const {
        std::vector<Real> v;
        for (int n = 1; n <= problem.nodes.Count(); ++n) v.push_back(problem.nodes[n].currentValue);
        return v;
    }
};

TEST(SteadyFailures, NothingPrescribedAndNoExchangeIsSingular) {
    Plate plate;
    InsulateRest(plate.problem);
    const std::vector<Real> before = plate.CurrentValues();
    SteadyRun run(plate.problem);
    EXPECT_EQ(run.Run(), SolverErrorNumber(SolverError::Singular));
    EXPECT_EQ(plate.CurrentValues(), before);
}

TEST(SteadyFailures, EveryNodePrescribedLeavesNoUnknown) {
    Plate plate(1);
    SetValueWhere(
        plate.problem, [](Real, Real) { return true; }, [](Real x, Real) { return 10 * x; });
    SteadyRun run(plate.problem);
    EXPECT_EQ(run.Run(), SolverErrorNumber(SolverError::NoUnknownsOrNotConverged));
}

TEST(SteadyFailures, TwoUnconnectedRegionsCannotBeNumbered) {
    Problem problem;
    MeshBuilder b(problem);
    MeshRectangle(b, 0, 0, 1, 1, 3, 3, 1);
    MeshRectangle(b, 2, 0, 1, 1, 3, 3, 1);
    b.Finish();
    SetMaterial(problem, 1, 1);
    SetValueWhere(
        problem, [](Real x, Real) { return Near(x, 0) || Near(x, 3); },
        [](Real, Real) { return 0; });
    InsulateRest(problem);
    SteadyRun run(problem);
    EXPECT_EQ(run.Run(), SolverErrorNumber(SolverError::Numbering));
}

TEST(SteadyFailures, ConductivityDividingByZeroAtANodeReportsTheProperty) {
    // k = 1/(X - 0.5) is infinite at the nodes on x = 0.5: the evaluator's code 4 and
    // "Error in evaluating " with the property's text; nothing is stored.
    Plate plate;
    Material& m = plate.problem.materials[1];
    ASSERT_EQ(CompileExpression(plate.problem, "1/(X-0.5)", m.conductivity), 0);
    m.conductivity.text = "1/(X-0.5)";  // as the properties dialog keeps it
    plate.FixLeft(0);
    plate.FixRight(1);
    InsulateRest(plate.problem);
    const std::vector<Real> before = plate.CurrentValues();
    SteadyRun run(plate.problem);
    EXPECT_EQ(run.Run(), 4);
    ASSERT_FALSE(run.reporter.Errors().empty());
    EXPECT_EQ(run.reporter.Errors().front(), "Error in evaluating 1/(X-0.5)");
    EXPECT_EQ(plate.CurrentValues(), before);
}

TEST(SteadyFailures, AZeroAreaElementEndsAsASingularSystem) {
    // The check passes; then a corner node is moved onto another node of its triangle,
    // leaving an element of no area, which the assembly refuses.
    Plate plate(2);
    plate.FixLeft(0);
    plate.FixRight(1);
    InsulateRest(plate.problem);
    Problem& p = plate.problem;
    CheckedConfiguration checked;
    ASSERT_FALSE(ConfigurationCheck(p, checked).errorFound);
    ResultTable results;
    ASSERT_TRUE(results.Allocate(1, ResultTable::ValuesFor(p)));
    const int moved = NodeAt(p, 0.5L, 0.5L);
    p.nodes[moved].y = p.nodes[NodeAt(p, 0.5L, 0)].y;
    SolverRun run(p, checked, results);
    RunSetup(run);
    ASSERT_EQ(run.solverError, SolverError::Ok);
    AllocateSystem(run);
    ZeroSystem(run);
    AssembleSystem(run, 0);
    EXPECT_EQ(run.solverError, SolverError::Singular);
}

// A data file whose second column makes the lookup's interpolation overflow: between
// -1e4932 and 1e4932 the difference is infinite, and at x = 0 it is multiplied by 0.
// Each test process writes its own file: tests run in parallel processes, and one
// rewriting the file while another reads it would make the lookup read a short file.
std::string NanDataFile() {
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() /
        ("kova_solver_nan_lookup_" + std::to_string(::getpid()) + ".txt");
    std::ofstream out(path);
    out << "0 -1e4932\n1 1e4932\n";
    return path.string();
}

TEST(SteadyFailures, NotANumberFromADataFileInAGenerationStopsTheRun) {
    Plate plate;
    Problem& p = plate.problem;
    const int spec = FindOrAddSpecValue(p, kSpecGeneration, 12345);
    ASSERT_EQ(CompileExpression(p, "'" + NanDataFile() + "',1,2,X", p.specs[spec]), 0);
    plate.problem.frames[plate.frame].generationSpec = spec;
    plate.FixLeft(0);
    InsulateRest(p);
    const std::vector<Real> before = plate.CurrentValues();
    SteadyRun run(p);
    EXPECT_EQ(run.Run(), SolverErrorNumber(SolverError::Evaluation));
    EXPECT_EQ(run.erroneousItem, spec);
    EXPECT_EQ(plate.CurrentValues(), before);
}

TEST(SteadyFailures, NotANumberFromADataFileInAConductivityReportsTheProperty) {
    Plate plate;
    Problem& p = plate.problem;
    Material& m = p.materials[1];
    ASSERT_EQ(CompileExpression(p, "'" + NanDataFile() + "',1,2,X", m.conductivity), 0);
    plate.FixLeft(0);
    plate.FixRight(1);
    InsulateRest(p);
    SteadyRun run(p);
    EXPECT_EQ(run.Run(), 9);
    ASSERT_FALSE(run.reporter.Errors().empty());
    EXPECT_EQ(run.reporter.Errors().front().rfind("Error in evaluating ", 0), 0u);
}

TEST(SteadyFailures, AResultBeyondTheLimitIsANumericalError) {
    Plate plate;
    plate.FixLeft(2e35L);
    InsulateRest(plate.problem);
    SteadyRun run(plate.problem);
    EXPECT_EQ(run.Run(), SolverErrorNumber(SolverError::NumericalError));
    EXPECT_TRUE(Contains(run.reporter.Errors(),
                         "A numerical error has resulted.  The problem may be improperly "
                         "described. "));
}

TEST(SteadyFailures, ALumpWithTooManyConnectionsIsRefused) {
    // A strip of 1001 cells whose whole top edge (1002 nodes) borders one lump.
    Problem problem;
    MeshBuilder b(problem);
    const int cells = 1001;
    MeshRectangle(b, 0, 0, cells * 0.01L, 0.01L, cells, 1, 1);
    const int lump = b.Frame(1, FrameType::Lumped);
    std::vector<int> outline;
    for (int i = cells; i >= 0; --i) outline.push_back(b.Node(i * 0.01L, 0.01L));
    outline.push_back(b.Node(0, 0.02L));
    outline.push_back(b.Node(cells * 0.01L, 0.02L));
    b.LumpOutline(lump, outline);
    b.Finish();
    SetMaterial(problem, 1, 1);
    const int h = FindOrAddSpecValue(problem, kSpecTransfer, 5);
    for (LineSegment& s : problem.lines)
        if (s.frameA != 0 && s.frameB != 0 && s.frameA != s.frameB) s.transferSpec = h;
    SetValueWhere(
        problem, [](Real, Real y) { return Near(y, 0); }, [](Real, Real) { return 0; });
    InsulateRest(problem);
    SteadyRun run(problem);
    EXPECT_EQ(run.Run(), SolverErrorNumber(SolverError::LumpConnections));
}

TEST(PropertyIteration, ANonConvergingIterationStopsAfterThirtyIterations) {
    // A generation -40 T on a wall fixed at 0 and 1: each substitution overshoots and
    // the relaxed iterates still oscillate with growing amplitude. Level 0 keeps the
    // last iterate with its count; the nodes' current values are not updated.
    Plate plate;
    Problem& p = plate.problem;
    const int spec = FindOrAddSpecValue(p, kSpecGeneration, 54321);
    ASSERT_EQ(CompileExpression(p, "-40*T", p.specs[spec]), 0);
    p.frames[plate.frame].generationSpec = spec;
    plate.FixLeft(0);
    plate.FixRight(1);
    InsulateRest(p);
    const std::vector<Real> before = plate.CurrentValues();
    SteadyRun run(p);
    EXPECT_EQ(run.Run(), SolverErrorNumber(SolverError::NoUnknownsOrNotConverged));
    EXPECT_EQ(run.iterations, 31);
    EXPECT_EQ(run.results.Level(0)[0], 31);
    EXPECT_EQ(plate.CurrentValues(), before);
    for (int n = 1; n <= p.settings.activeNodeCount; ++n) EXPECT_TRUE(std::isfinite(run.Value(n)));
}

TEST(PropertyIteration, ALinearProblemMarkedDependentTakesExactlyThreeSolutions) {
    // k = 1 + 0*T changes nothing, so the second solution repeats the first; the
    // iteration still makes a third before it may stop.
    Plate plate;
    Problem& p = plate.problem;
    ASSERT_EQ(CompileExpression(p, "1+0*T", p.materials[1].conductivity), 0);
    plate.FixLeft(0);
    plate.FixRight(1);
    InsulateRest(p);
    SteadyRun run(p);
    ASSERT_EQ(run.Run(), 0);
    EXPECT_EQ(run.iterations, 3);
    EXPECT_EQ(run.results.Level(0)[0], 0);
}

TEST(PropertyIteration, AContractingSubstitutionStopsAtTheFirstChangeBelowTheLimit) {
    // Insulated perfused tissue, w = 1, arterial 0, generation 10 + T/2: every solution
    // is uniform, T(n) = 10 + T(n-1)/2 from the start value 0, so T(n) = 20 (1 - 2^-n)
    // and the change of solution n is 20 / 2^n (absolute: the range is 0). It first
    // falls below 0.001 at n = 15 (6.1e-4; 1.2e-3 at n = 14), and never grows, so
    // nothing is relaxed.
    Plate plate;
    Problem& p = plate.problem;
    SetSubjectLabels(p, ProbTypeA::Bio, false);
    SetPerfusion(p, 1, 1, 1);
    p.blood.arterialSpec = FindOrAddSpecValue(p, kSpecValue, 0);
    const int spec = FindOrAddSpecValue(p, kSpecGeneration, 54321);
    ASSERT_EQ(CompileExpression(p, "10+T/2", p.specs[spec]), 0);
    p.frames[plate.frame].generationSpec = spec;
    InsulateRest(p);
    for (int n = 1; n <= p.nodes.Count(); ++n) p.nodes[n].currentValue = 0;
    SteadyRun run(p);
    ASSERT_EQ(run.Run(), 0);
    EXPECT_EQ(run.iterations, 15);
    for (int n = 1; n <= p.settings.activeNodeCount; ++n)
        EXPECT_NEAR(static_cast<double>(run.Value(n)), 20 * (1 - std::ldexp(1.0, -15)), 1e-9);
}

TEST(PropertyIteration, ALumpAloneIteratesOnItsOwnChange) {
    // A 0.1 m square lump, h = 10 on its sides to 20 (4 W/K), generating g = c0 + c1 T
    // per unit area (0.01 m2): each solution is T' = 20 + 0.0025 (c0 + c1 T), from the
    // lump result 0. The lump is the only unknown, so its change alone decides when
    // the iteration stops and whether an iterate is relaxed; the iteration is followed
    // here step by step as described for the property iteration.
    struct Case {
        const char* generation;
        Real c0, c1;
    };
    for (const Case& c : {Case{"400+20*T", 400, 20}, Case{"400-800*T", 400, -800}}) {
        SCOPED_TRACE(c.generation);
        Real t = 20 + 0.0025L * c.c0;  // the first solution
        Real previous = 9.99e99L;
        int count = 1;
        bool converged = false;
        do {
            ++count;
            Real next = 20 + 0.0025L * (c.c0 + c.c1 * t);
            const Real change = std::fabs(next - t);
            if (change > previous) next = 0.625L * t + 0.375L * next;
            t = next;
            converged = change < 0.001L && count >= 3;
            previous = change;
        } while (!converged && count <= 30);
        ASSERT_TRUE(converged);

        Problem p;
        MeshBuilder b(p);
        const int lump = b.Frame(1, FrameType::Lumped);
        b.LumpOutline(lump, {b.Node(0, 0), b.Node(0.1L, 0), b.Node(0.1L, 0.1L), b.Node(0, 0.1L)});
        b.Finish();
        SetMaterial(p, 1, 1);
        const int spec = FindOrAddSpecValue(p, kSpecGeneration, 54321);
        ASSERT_EQ(CompileExpression(p, c.generation, p.specs[spec]), 0);
        p.frames[lump].generationSpec = spec;
        p.frames[lump].lumpResult = 0;
        SetConvectionWhere(
            p, [](Real, Real) { return true; }, 10, 20);
        SteadyRun run(p);
        ASSERT_EQ(run.Run(), 0);
        EXPECT_EQ(run.iterations, count);
        EXPECT_NEAR(static_cast<double>(run.LumpValue(lump)), static_cast<double>(t), 1e-12);
    }
}

// Change and Relax on a run of two nodes whose stored and new values are set directly.
struct TwoNodes {
    Problem problem;
    CheckedConfiguration checked;
    ResultTable results;
    SolverRun run{problem, checked, results};
    TwoNodes(Real old1, Real old2, Real new1, Real new2) {
        problem.AddNode(0, 0);
        problem.AddNode(10, 0);
        results.Allocate(1, ResultTable::ValuesFor(problem));
        run.activeNodeCount = 2;
        run.unknownCount = 2;
        run.equationOfUnknown = {0, 2, 1};  // unknown 1 is equation 2
        run.solution = {0, new2, new1};
        results.Level(0)[1] = old1;
        results.Level(0)[2] = old2;
    }
};

TEST(PropertyIteration, ChangeIsRelativeToARangeAboveOneAndAbsoluteBelow) {
    TwoNodes wide(0, 10, 1, 11);  // range 10, largest change 1
    EXPECT_EQ(Change(wide.run, 0), 0.1L);
    TwoNodes narrow(0, 0.5L, 0.25L, 0.5L);  // range 0.25: absolute
    EXPECT_EQ(Change(narrow.run, 0), 0.25L);
}

TEST(PropertyIteration, RelaxWeightsTheNewSolutionThreeEighths) {
    TwoNodes t(8, 16, 0, 32);
    Relax(t.run, 0);
    EXPECT_EQ(t.run.solution[2], 5);   // 0.625 * 8 + 0.375 * 0
    EXPECT_EQ(t.run.solution[1], 22);  // 0.625 * 16 + 0.375 * 32
}

}  // namespace
}  // namespace kova::test
