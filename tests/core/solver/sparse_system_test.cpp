// The sparse factorisation behind a real calculation: the same problems solved with the
// band and with the sparse solver give the same values (within 1e-14 of the solution's
// size) and the same result codes; the pattern made from the run's couplings holds
// every entry the assembly writes.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>

#include "editing/mesh_commands.hpp"
#include "editing/removal_commands.hpp"
#include "expressions/compiler.hpp"
#include "mesh/auto_mesh.hpp"
#include "mesh/reduce_mesh.hpp"
#include "model/messages.hpp"
#include "solver/assembly.hpp"
#include "solver/run_setup.hpp"
#include "solver/system_factor.hpp"
#include "solver/transient_solution.hpp"
#include "support/geometry_builders.hpp"
#include "support/mesh_builder.hpp"
#include "support/steady_run.hpp"

namespace kova::test {
namespace {

using Build = std::function<void(Problem&)>;

// Runs the problem `build` makes with each solver; both must end with `code`, and a
// solved problem must have the same stored values.
void ExpectSameWithBothSolvers(const Build& build, int code = 0) {
    Problem bandProblem, sparseProblem;
    build(bandProblem);
    build(sparseProblem);
    SteadyRun band(bandProblem), sparse(sparseProblem);
    sparse.solver = SolverKind::Sparse;
    ASSERT_EQ(band.Run(), code);
    ASSERT_EQ(sparse.Run(), code);
    if (code != 0) return;
    // The bandwidth shown is the numbering's, found beside the sparse calculation.
    EXPECT_EQ(sparse.bandwidth, band.bandwidth);
    EXPECT_EQ(sparse.iterations, band.iterations);
    // One analysis per run, and one factorisation per solve: the first one counts as the
    // property iteration's first.
    EXPECT_EQ(sparse.analyses, 1);
    EXPECT_EQ(sparse.factorisations, std::max(1, sparse.iterations));
    const std::vector<Real>& a = band.results.Level(0);
    const std::vector<Real>& b = sparse.results.Level(0);
    ASSERT_EQ(a.size(), b.size());
    Real size = 0, diff = 0;
    for (std::size_t i = 1; i < a.size(); ++i) {
        size = std::max(size, std::fabs(a[i]));
        diff = std::max(diff, std::fabs(a[i] - b[i]));
    }
    EXPECT_GT(size, 0);
    EXPECT_LE(diff, 1e-14L * size);
}

// A plate at 100 on the left, cooled to 20 on the right, with a lump along its whole top
// edge (coupled by convection, cooled by its own top): the lump is tied to every node of
// that edge.
void PlateWithLump(Problem& problem, int nx, int ny) {
    MeshBuilder b(problem);
    MeshRectangle(b, 0, 0, 1, 0.25L, nx, ny, 1);
    const int lump = b.Frame(2, FrameType::Lumped);
    std::vector<int> outline;
    for (int i = 0; i <= nx; ++i) outline.push_back(b.Node(static_cast<Real>(i) / nx, 0.25L));
    outline.push_back(b.Node(1, 0.35L));
    outline.push_back(b.Node(0, 0.35L));
    b.LumpOutline(lump, outline);
    b.Finish();
    SetMaterial(problem, 1, 2);
    SetMaterial(problem, 2, 1);
    SetValueWhere(
        problem, [](Real x, Real y) { return Near(x, 0) && y < 0.3L; },
        [](Real, Real) { return 100; });
    SetConvectionWhere(
        problem, [](Real x, Real y) { return Near(x, 1) && y < 0.3L; }, 5, 20);
    SetConvectionWhere(
        problem, [](Real, Real y) { return Near(y, 0.35L); }, 3, 10);
    const int h = FindOrAddSpecValue(problem, kSpecTransfer, 25);
    for (LineSegment& s : problem.lines)
        if ((s.frameA == lump) != (s.frameB == lump) && s.frameA != 0 && s.frameB != 0)
            s.transferSpec = h;
    InsulateRest(problem);
}

TEST(SparseSystem, RealProblemsSolveAsWithTheBand) {
    // A plain plate, a plate with a lump tied to 61 nodes, an L-shape with generation in
    // cylindrical geometry, and a conductivity that depends on the temperature (a
    // property iteration that refactorises on one analysis).
    ExpectSameWithBothSolvers([](Problem& problem) {
        MeshBuilder b(problem);
        MeshRectangle(b, 0, 0, 1, 0.6L, 30, 18, 1);
        b.Finish();
        SetMaterial(problem, 1, 3);
        SetValueWhere(
            problem, [](Real x, Real) { return Near(x, 0); }, [](Real, Real y) { return 50 * y; });
        SetConvectionWhere(
            problem, [](Real x, Real) { return Near(x, 1); }, 7, 20);
        InsulateRest(problem);
    });
    ExpectSameWithBothSolvers([](Problem& problem) { PlateWithLump(problem, 60, 12); });
    ExpectSameWithBothSolvers([](Problem& problem) {
        problem.SetCylindrical(true);
        MeshBuilder b(problem);
        MeshLShape(b, 0.5L, 12, 1);
        b.Finish();
        SetMaterial(problem, 1, 1.5L);
        problem.frames[1].generationSpec = FindOrAddSpecValue(problem, kSpecGeneration, 1000);
        SetConvectionWhere(
            problem, [](Real, Real y) { return Near(y, 1); }, 10, 0);
        InsulateRest(problem);
    });
    ExpectSameWithBothSolvers([](Problem& problem) {
        MeshBuilder b(problem);
        MeshRectangle(b, 0, 0, 1, 0.2L, 20, 4, 1);
        b.Finish();
        SetMaterial(problem, 1, 1);
        ASSERT_EQ(CompileExpression(problem, "1+0.01*T", problem.materials[1].conductivity), 0);
        SetValueWhere(
            problem, [](Real x, Real) { return Near(x, 0) || Near(x, 1); },
            [](Real x, Real) { return Near(x, 1) ? 100 : 0; });
        InsulateRest(problem);
    });
}

TEST(SparseSystem, RandomPlatesWithLumpsSolveAsWithTheBand) {
    // Plates of random size and cell shape with a lump along the top edge.
    std::mt19937 rng(17);
    for (int trial = 0; trial < 6; ++trial) {
        std::uniform_int_distribution<int> cells(3, 40);
        const int nx = cells(rng), ny = cells(rng) / 2 + 2;
        SCOPED_TRACE(nx * 100 + ny);
        ExpectSameWithBothSolvers([&](Problem& problem) { PlateWithLump(problem, nx, ny); });
    }
}

// What a random problem's boundary makes of it: solvable, singular (every side
// insulated) or not connected (a second meshed island beside the first).
enum class Variant { Regular, Insulated, Island };

// A random drawing meshed by AutoMesh and refined by Reduce Mesh: a star-shaped outline
// around (300, 250), sometimes with an inner frame that is a lump (tied to every node of
// its outline), a second material or a hole; random conductivity, anisotropy and
// geometry; held at 100 on its left part and cooled everywhere else. False when the
// drawing or its mesh came out unusable.
bool RandomMeshedProblem(Problem& problem, std::mt19937& rng, Variant variant = Variant::Regular) {
    problem.settings.pixelLength = 0.01L;
    std::uniform_real_distribution<double> unit(0, 1);
    auto outline = [&](int count, double rMin, double rMax) {
        std::vector<testing::Corner> corners;
        for (int j = 0; j < count; ++j) {
            const double a = (j + 0.3 * unit(rng)) * 2 * 3.141592653589793 / count;
            const double r = rMin + (rMax - rMin) * unit(rng);
            corners.push_back(
                {std::round(300 + r * std::cos(a)), std::round(250 + r * std::sin(a))});
        }
        return corners;
    };
    const int corners = 5 + static_cast<int>(unit(rng) * 7);
    if (testing::AddFrame(problem, outline(corners, 150, 200)) != 1) return false;
    // 0 none, 1 lump, 2 material, 3 hole
    const int inner = static_cast<int>(unit(rng) * 4);
    if (inner > 0 && testing::AddFrame(problem, outline(4 + corners / 2, 40, 70), 1) != 2)
        return false;
    problem.SetCylindrical(unit(rng) < 0.3);
    SetMaterial(problem, 1, 0.5L + 3 * unit(rng));
    SetMaterial(problem, 2, 0.5L + 3 * unit(rng));
    problem.frames[1].material = 1;
    if (inner > 0) problem.frames[2].material = 2;
    if (unit(rng) < 0.5) {
        problem.materials[1].anisotropic = 1;
        problem.materials[1].kyOverKx = 0.2L + 4 * unit(rng);
    }
    if (inner == 1) problem.frames[2].type = FrameType::Lumped;
    if (inner == 3) {
        problem.selection.items = {NumberItem(2)};
        problem.selection.state = SelectType::Frames;
        if (SubtractFrame(problem).frame != 2) return false;
    }
    // An island well to the right of the outline, meshed with it.
    if (variant == Variant::Island &&
        testing::AddFrame(problem, {{560, 200}, {640, 200}, {640, 280}, {560, 280}}) == 0)
        return false;
    if (variant == Variant::Island) problem.frames[problem.frameCount].material = 1;
    if (!AutoMesh(problem).failed.empty()) return false;
    const int reductions = 1 + static_cast<int>(unit(rng) * 2);
    for (int r = 0; r < reductions; ++r) {
        problem.selection.state = SelectType::None;
        problem.selection.items.clear();
        if (ReducemeshMClick(problem) != ReduceOutcome::Reduced) return false;
    }
    const Real h = 4 + 20 * unit(rng);
    if (variant != Variant::Insulated) {
        SetValueWhere(
            problem, [](Real x, Real) { return x < 1.6L; }, [](Real, Real) { return 100; });
        SetConvectionWhere(
            problem, [](Real, Real) { return true; }, h, 20);
    }
    if (inner == 3) {
        // The hole's edge is insulated.
        const int zero = FindOrAddSpecValue(problem, kSpecFlux, 0);
        for (LineSegment& s : problem.lines)
            if (s.active != 0 && (s.frameA == 2) != (s.frameB == 2)) s.fluxSpec = zero;
    }
    if (inner == 1) {
        const int h = FindOrAddSpecValue(problem, kSpecTransfer, 15);
        for (LineSegment& s : problem.lines)
            if ((s.frameA == 2) != (s.frameB == 2)) s.transferSpec = h;
    }
    InsulateRest(problem);
    return true;
}

// Runs every seed's random problem of the variant with both solvers; returns how many
// seeds gave a usable mesh.
int ExpectRandomMeshesSame(Variant variant, int code, unsigned seeds) {
    int solved = 0;
    for (unsigned seed = 1; seed <= seeds; ++seed) {
        SCOPED_TRACE(seed);
        RecordingReporter quiet;
        Problem probe;
        probe.SetReporter(&quiet);
        std::mt19937 rng(seed);
        const bool usable = RandomMeshedProblem(probe, rng, variant);
        probe.SetReporter(nullptr);
        if (!usable) continue;
        ++solved;
        ExpectSameWithBothSolvers(
            [seed, variant](Problem& problem) {
                RecordingReporter reporter;
                problem.SetReporter(&reporter);
                std::mt19937 again(seed);
                ASSERT_TRUE(RandomMeshedProblem(problem, again, variant));
                problem.SetReporter(nullptr);
            },
            code);
    }
    return solved;
}

TEST(SparseSystem, RandomMeshedDrawingsSolveAsWithTheBand) {
    EXPECT_GE(ExpectRandomMeshesSame(Variant::Regular, 0, 20), 10);
}

TEST(SparseSystem, RandomMeshedDrawingsFailAsWithTheBand) {
    // Insulated all round: singular (2); with an island beside it: not connected (7).
    EXPECT_GE(
        ExpectRandomMeshesSame(Variant::Insulated, SolverErrorNumber(SolverError::Singular), 6), 3);
    EXPECT_GE(ExpectRandomMeshesSame(Variant::Island, SolverErrorNumber(SolverError::Numbering), 6),
              3);
}

TEST(SparseSystem, SingularProblemsGiveTheSameCode) {
    // Every boundary insulated: nothing fixes the level of the solution.
    ExpectSameWithBothSolvers(
        [](Problem& problem) {
            MeshBuilder b(problem);
            MeshRectangle(b, 0, 0, 1, 1, 15, 15, 1);
            b.Finish();
            SetMaterial(problem, 1, 2);
            InsulateRest(problem);
        },
        SolverErrorNumber(SolverError::Singular));
}

// A run set up and assembled as the calculation does it, up to the factorisation.
struct AssembledRun {
    explicit AssembledRun(Problem& p, SolverKind kind = SolverKind::Sparse) : problem(p) {
        problem.SetReporter(&reporter);
        check = ConfigurationCheck(problem, checked);
        results.Allocate(1, ResultTable::ValuesFor(problem));
        run = std::make_unique<SolverRun>(problem, checked, results);
        run->factor.kind = kind;
        RunSetup(*run);
        if (run->solverError != SolverError::Ok) return;
        AllocateSystem(*run);
        ZeroSystem(*run);
        AssembleSystem(*run, 0);
    }
    ~AssembledRun() { problem.SetReporter(nullptr); }
    Problem& problem;
    RecordingReporter reporter;
    CheckedConfiguration checked;
    CheckResult check;
    ResultTable results;
    std::unique_ptr<SolverRun> run;
};

// A transient run driven as the calculation drives it (set-up, first assembly, the
// factorisation, the stepping) with the given solver; returns the result code and
// leaves in `counts` how often the run analysed and factorised.
SolverError RunTransient(Problem& problem, SolverKind solver, ResultTable& results,
                         std::pair<int, int>& counts) {
    RecordingReporter reporter;
    problem.SetReporter(&reporter);
    CheckedConfiguration checked;
    ConfigurationCheck(problem, checked);
    const int levels = static_cast<int>(std::lround(
        static_cast<double>((problem.settings.transientStop - problem.settings.transientStart) /
                            problem.settings.transientStep)));
    results.Allocate(levels + 1, ResultTable::ValuesFor(problem));
    SolverRun run(problem, checked, results);
    run.factor.kind = solver;
    run.runMode =
        problem.settings.transMethod == TransMethodType::Euler ? kRunEuler : kRunCrankNicolson;
    TransientState state;
    RunSetup(run);
    state.lastLevel = LastLevelFor(run.runMode, run.t, run.tStop, run.dt, run.currentLevel);
    if (run.solverError == SolverError::Ok) AllocateSystem(run);
    if (run.solverError == SolverError::Ok) {
        ZeroSystem(run);
        StoreInitialState(run);
        AssembleForRun(run, state, 0);
    }
    if (run.solverError == SolverError::Ok) FactorSystem(run);
    if (run.solverError == SolverError::Ok) TransientSolve(run, state);
    problem.SetReporter(nullptr);
    counts = {run.factor.analyses, run.factor.factorisations};
    return run.solverError;
}

TEST(SparseSystem, TransientRunsStepAsWithTheBand) {
    // Crank-Nicolson on the convective strip with constant properties (one factor for
    // every level), then with a conductivity that follows the temperature (a new
    // factorisation on the same analysis at every level).
    for (const bool varying : {false, true}) {
        SCOPED_TRACE(varying);
        ResultTable band, sparse;
        for (auto [solver, results] :
             {std::pair{SolverKind::Band, &band}, std::pair{SolverKind::Sparse, &sparse}}) {
            Problem problem;
            MakeConvectiveStrip(problem, true, 20);
            problem.settings.transientStop = 2;
            problem.settings.transientStep = varying ? 0.05L : 0.1L;
            if (varying) {
                ASSERT_EQ(CompileExpression(problem, "2+0.01*T", problem.materials[1].conductivity),
                          0);
            }
            std::pair<int, int> counts;
            ASSERT_EQ(RunTransient(problem, solver, *results, counts), SolverError::Ok);
            // The pattern is analysed once per run. The matrix is factorised once when
            // the properties are constant, and again at every re-assembly (each of the
            // 40 levels) when they follow the temperature.
            EXPECT_EQ(counts.first, solver == SolverKind::Sparse ? 1 : 0);
            EXPECT_EQ(counts.second, varying ? 41 : 1);
        }
        ASSERT_EQ(band.LevelCount(), sparse.LevelCount());
        ASSERT_GT(band.LevelCount(), 20);
        Real size = 0, diff = 0;
        for (int level = 0; level < band.LevelCount(); ++level)
            for (std::size_t i = 1; i < band.Level(level).size(); ++i) {
                size = std::max(size, std::fabs(band.Level(level)[i]));
                diff = std::max(diff, std::fabs(band.Level(level)[i] - sparse.Level(level)[i]));
            }
        EXPECT_GT(size, 20);
        EXPECT_LE(diff, 1e-14L * size);
        // The strip warms towards the fixed end's 100.
        EXPECT_GT(sparse.Level(sparse.LevelCount() - 1)[2], 20);
    }
}

TEST(SparseSystem, ThePatternHoldsEveryAssembledCoupling) {
    // Assembled into the band, every non-zero lies on the pattern; assembled straight
    // into the pattern, the same values arrive (nothing lands outside it).
    Problem bandProblem, sparseProblem;
    PlateWithLump(bandProblem, 16, 5);
    PlateWithLump(sparseProblem, 16, 5);
    AssembledRun band(bandProblem, SolverKind::Band), sparse(sparseProblem, SolverKind::Sparse);
    ASSERT_EQ(band.run->solverError, SolverError::Ok);
    ASSERT_EQ(sparse.run->solverError, SolverError::Ok);
    ASSERT_TRUE(sparse.run->A.IsSparse());
    SparsePattern pattern;
    ASSERT_TRUE(BuildSystemPattern(*band.run, pattern));
    EXPECT_TRUE(PatternConnected(pattern));
    const SolverRun& b = *band.run;
    const SolverRun& s = *sparse.run;
    const BandMatrix& a = b.A.Band();
    int nonZeros = 0;
    for (int i = 1; i <= a.Size(); ++i)
        for (int m = 1; m <= a.Bandwidth() && i + m - 1 <= a.Size(); ++m) {
            if (a.Entry(i, m) == 0) continue;
            ++nonZeros;
            EXPECT_GE(pattern.Find(i - 1, i + m - 2), 0) << i << " " << i + m - 1;
            // The sparse run keeps the unknowns' numbers as its equations.
            const int u = b.unknownOfEquation[static_cast<std::size_t>(i)];
            const int v = b.unknownOfEquation[static_cast<std::size_t>(i + m - 1)];
            EXPECT_NEAR(static_cast<double>(s.A(s.EquationOf(u), s.EquationOf(v))),
                        static_cast<double>(a.Entry(i, m)), 1e-12 * std::fabs(a.Entry(i, m)));
        }
    EXPECT_GT(nonZeros, a.Size());
    int sparseNonZeros = 0;
    for (std::size_t k = 0; k < s.A.ValueCount(); ++k) sparseNonZeros += s.A.Values()[k] != 0;
    EXPECT_EQ(sparseNonZeros, nonZeros);
    // The system right-hand sides agree unknown by unknown.
    for (int u = 1; u <= b.unknownCount; ++u)
        EXPECT_NEAR(static_cast<double>(s.solveVector[static_cast<std::size_t>(s.EquationOf(u))]),
                    static_cast<double>(b.solveVector[static_cast<std::size_t>(b.EquationOf(u))]),
                    1e-9);
}

TEST(SparseSystem, DisconnectedMeshesAreRefusedByBothSolversBeforeTheFactorisation) {
    // Two plates that share no node: the numbering refuses them (code 7), and so does
    // the sparse set-up's connectivity search, before anything is allocated.
    for (SolverKind kind : {SolverKind::Band, SolverKind::Sparse}) {
        Problem problem;
        MeshBuilder b(problem);
        MeshRectangle(b, 0, 0, 1, 1, 6, 6, 1);
        MeshRectangle(b, 2, 0, 1, 1, 6, 6, 1);
        b.Finish();
        SetMaterial(problem, 1, 1);
        SetValueWhere(
            problem, [](Real x, Real) { return Near(x, 0) || Near(x, 3); },
            [](Real, Real) { return 1; });
        InsulateRest(problem);
        AssembledRun r(problem, kind);
        EXPECT_EQ(r.run->solverError, SolverError::Numbering);
        EXPECT_TRUE(r.run->A.Empty());
        SparsePattern pattern;
        ASSERT_TRUE(BuildSystemPattern(*r.run, pattern));
        EXPECT_EQ(pattern.n, 2 * 49);
        EXPECT_FALSE(PatternConnected(pattern));
    }
}

TEST(SparseSystem, AFactorThatDoesNotFitEndsInTheMemoryMessage) {
    Problem problem;
    PlateWithLump(problem, 20, 6);
    AssembledRun r(problem);
    ASSERT_EQ(r.run->solverError, SolverError::Ok);
    r.run->factor.memoryLimit = 4096;
    FactorSystem(*r.run);
    EXPECT_EQ(r.run->solverError, SolverError::NoMemory);
    ASSERT_EQ(r.reporter.Errors().size(), 1u);
    EXPECT_EQ(r.reporter.Errors()[0], GetMessage(kMsgError, 5));
}

}  // namespace
}  // namespace kova::test
