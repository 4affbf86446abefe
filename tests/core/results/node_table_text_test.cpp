// The table of nodal results as text: headers with units, cell texts of nodes, lumps and
// holes, the time row of a transient table, and the clipboard and file layouts.
#include <gtest/gtest.h>

#include <cmath>

#include "results/node_table_text.hpp"
#include "support/calculation_run.hpp"
#include "support/mesh_builder.hpp"

namespace kova::test {
namespace {

// A 0.1 m square of material (2 x 2 cells) held at 50 on its left side, with a lump to
// its right that convects to the exterior at 50: every value is 50.
void MakeSquareWithLump(Problem& problem) {
    MeshBuilder b(problem);
    MeshRectangle(b, 0, 0, 0.1L, 0.1L, 2, 2, 1);
    const int lump = b.Frame(2, FrameType::Lumped);
    b.LumpOutline(lump, {b.Node(0.1L, 0), b.Node(0.2L, 0), b.Node(0.2L, 0.1L), b.Node(0.1L, 0.1L)});
    b.Finish();
    SetMaterial(problem, 1, 1);
    SetMaterial(problem, 2, 1);
    SetValueWhere(
        problem, [](Real x, Real) { return Near(x, 0); }, [](Real, Real) { return 50; });
    SetConvectionWhere(
        problem, [](Real x, Real) { return x > 0.05L; }, 10, 50);
    InsulateRest(problem);
}

TEST(NodeTableText, SteadyTableHasNodesLumpsHeadersAndBalances) {
    Problem problem;
    MakeSquareWithLump(problem);
    CalculationRun run(problem);
    ASSERT_EQ(run.Calculate().code, SolverError::Ok);
    CombineSteadyBalances(problem, run.state.balances, {1, 2});
    const NodeTableText table(problem, run.state.results, &run.state.balances);
    const int active = problem.settings.activeNodeCount;
    ASSERT_EQ(active, 9);
    EXPECT_EQ(table.RowCount(), 1 + 9 + 1);
    EXPECT_EQ(table.ColumnCount(), 5);
    EXPECT_EQ(table.Header(0), std::make_pair(std::string("Node"), std::string()));
    EXPECT_EQ(table.Header(1), std::make_pair(std::string("X"), std::string("[m]")));
    EXPECT_EQ(table.Header(2), std::make_pair(std::string("Y"), std::string("[m]")));
    EXPECT_EQ(table.Header(3), std::make_pair(std::string("T"), std::string("[\u00b0C]")));
    EXPECT_EQ(table.Header(4), std::make_pair(std::string("Node Balance"), std::string("[W/m]")));
    const int held = NodeAt(problem, 0, 0.1L);
    bool specified = false;
    EXPECT_EQ(table.GetS(0, held, &specified), " " + std::to_string(held));
    EXPECT_TRUE(specified);
    EXPECT_EQ(table.GetS(1, held), "0");
    EXPECT_EQ(table.GetS(2, held), "0.1");
    EXPECT_EQ(table.GetS(3, held), "50");
    table.GetS(3, NodeAt(problem, 0.05L, 0.05L), &specified);
    EXPECT_FALSE(specified);
    // The lump's row.
    const int lumpRow = 10;
    const int frame = 2;
    EXPECT_EQ(table.GetS(0, lumpRow), " " + std::to_string(problem.nodes.Count() + frame));
    EXPECT_EQ(table.GetS(1, lumpRow), "Lump ");
    EXPECT_EQ(table.GetS(2, lumpRow), "Frame 2");
    EXPECT_EQ(table.GetS(1, lumpRow, nullptr, true), "0");
    EXPECT_EQ(table.GetS(2, lumpRow, nullptr, true), "2");
    EXPECT_EQ(table.GetS(3, lumpRow), "50");

    // The lookup layout: 3 rows by 2 columns begins "3 -2".
    const std::string lookup = table.SaveText(TableSelection{1, 3, 3, 4}, TableLayout::Lookup);
    EXPECT_EQ(lookup.substr(0, lookup.find('\n')), "3 -2");
    EXPECT_NE(lookup.find("\nA4 T [\u00b0C]\nA4 Node Balance [W/m]\n"), std::string::npos)
        << lookup;
    EXPECT_EQ(std::count(lookup.begin(), lookup.end(), '\n'), 1 + 2 + 3);
    // The clipboard: TAB between cells, CR LF between rows, no final break.
    const std::string copy = table.CopyText(TableSelection{held, held + 1, 0, 1});
    EXPECT_EQ(copy, " " + std::to_string(held) + "\t0\r\n " + std::to_string(held + 1) + "\t" +
                        table.GetS(1, held + 1));
    // The comma layout; a hole's value is empty.
    problem.frames[2].subtracted = 1;
    const NodeTableText holes(problem, run.state.results, &run.state.balances);
    EXPECT_EQ(holes.GetS(1, lumpRow), "hole");
    EXPECT_EQ(holes.GetS(3, lumpRow), "");
    EXPECT_EQ(holes.SaveText(TableSelection{lumpRow, lumpRow, 1, 3}, TableLayout::CommaSeparated),
              "hole, Frame 2, \n");
    EXPECT_EQ(holes.SaveText(TableSelection{lumpRow, lumpRow, 1, 2}, TableLayout::BlankSeparated),
              "hole Frame 2\n");
}

TEST(NodeTableText, CellsShowInfinityAndTheSystemDecimalSeparator) {
    Problem problem;
    MakeSquareWithLump(problem);
    CalculationRun run(problem);
    ASSERT_EQ(run.Calculate().code, SolverError::Ok);
    run.state.results.Level(0)[1] = kInfinityMarker;
    run.state.results.Level(0)[2] = 12.5L;
    TableFormats formats;
    formats.value = DecForm{0, 2};
    const NodeTableText table(problem, run.state.results, nullptr, formats, ',');
    EXPECT_EQ(table.ColumnCount(), 4);  // no balance columns without balances
    EXPECT_EQ(table.GetS(3, 1), "infinity");
    EXPECT_EQ(table.GetS(3, 2), "12,50");
    EXPECT_EQ(table.SaveText(TableSelection{2, 2, 3, 3}, TableLayout::CommaSeparated), "12,50\n");
}

TEST(NodeTableText, TransientTableHasATimeRowAndAColumnPerLevel) {
    Problem problem;
    MakeSquareWithLump(problem);
    problem.settings.transient = true;
    for (int n = 1; n <= problem.nodes.Count(); ++n) problem.nodes[n].initialValue = 20;
    problem.frames[2].lumpInitialValue = 20;
    CalculationRun run(problem);
    TransientSetupInput setup = TimeSettings(2, 0.5L);
    setup.doBalances = true;
    setup.balanceFrames = {1};
    ASSERT_EQ(run.Calculate(setup).code, SolverError::Ok);
    const NodeTableText table(problem, run.state.results, &run.state.balances);
    EXPECT_EQ(table.ColumnCount(), 3 + 5 + 5);
    EXPECT_EQ(table.RowCount(), 2 + 9 + 1);
    EXPECT_EQ(table.GetS(0, 1), " Time [sec]");
    EXPECT_EQ(table.GetS(1, 1), "");
    EXPECT_EQ(table.GetS(3, 1), "0");
    EXPECT_EQ(table.GetS(5, 1), "1");
    EXPECT_EQ(table.GetS(7, 1), "2");
    EXPECT_EQ(table.Header(4).first, "T (#1)");
    EXPECT_EQ(table.Header(8).first, "NB (#0)");
    EXPECT_EQ(table.Header(12).first, "NB (#4)");
    // Node k sits in row k + 1.
    const int held = NodeAt(problem, 0, 0);
    EXPECT_EQ(table.GetS(0, held + 1), " " + std::to_string(held));
    EXPECT_EQ(table.GetS(7, held + 1), "50");
}

}  // namespace
}  // namespace kova::test
