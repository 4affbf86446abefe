// The table of nodal results as text: the grid's layout (a row per node and lump, a
// column per stored level and balance set), each cell's text, the column headers with
// their units, and the text of a selection for the clipboard and for the three file
// layouts. The table window draws these texts; kova-batch writes them.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "model/records.hpp"
#include "solver/result_table.hpp"

namespace kova {

class Problem;

// The remembered formats of the three kinds of columns; each starts automatic with 3
// digits.
struct TableFormats {
    DecForm coordinate{2, 3};
    DecForm value{2, 3};
    DecForm balance{2, 3};
};

// A rectangle of cells, rows and columns inclusive.
struct TableSelection {
    int top = 1;
    int bottom = 1;
    int left = 1;
    int right = 1;
};

// The three layouts of a saved selection, chosen by the file name's extension.
enum class TableLayout { CommaSeparated, BlankSeparated, Lookup };
TableLayout LayoutForFileName(const std::string& fileName);

class NodeTableText {
public:
    // `balances` holds the balance sets: for a steady problem vector 0 (the combined
    // set) is shown; for a transient one every vector, one per stored level. Null or
    // empty: no balance columns. Both tables must outlive this object.
    NodeTableText(const Problem& problem, const ResultTable& results, const ResultTable* balances,
                  const TableFormats& formats = {}, char decimalSeparator = '.');

    int RowCount() const { return m_firstDataRow + static_cast<int>(m_rows.size()); }
    int ColumnCount() const { return 3 + m_valueColumns + m_balanceColumns; }
    bool Transient() const { return m_transient; }
    int FirstValueColumn() const { return 3; }
    int FirstBalanceColumn() const { return 3 + m_valueColumns; }

    // The text of a cell; `isSpecified` tells whether the row's node carries a
    // specified value. With forVantra (the lookup layout) lump rows give "0" and the
    // bare frame number instead of words.
    std::string GetS(int col, int row, bool* isSpecified = nullptr, bool forVantra = false) const;

    // The two header lines of a column: its name and its unit.
    std::pair<std::string, std::string> Header(int col) const;

    // The text of a selection: TAB between cells and CR LF between rows, no final
    // line break (the clipboard's form).
    std::string CopyText(const TableSelection& selection) const;

    // The file text of a selection in a layout; it ends with a line break.
    std::string SaveText(const TableSelection& selection, TableLayout layout) const;

    // A selection of every row after the header and every column.
    TableSelection Everything() const;

    // Per-column formats (index = column - 1).
    std::vector<DecForm> dForm;

private:
    struct Row {
        int node = 0;   // node number, or 0 for a frame row
        int frame = 0;  // frame number of a lump or hole row
    };
    std::string Number(int col, Real value) const;
    const std::vector<Real>* ValueVector(int col) const;
    const std::vector<Real>* BalanceVector(int col) const;

    const Problem& m_problem;
    const ResultTable& m_results;
    const ResultTable* m_balances;
    char m_separator;
    bool m_transient;
    int m_firstDataRow;  // 1, or 2 below the time row of a transient table
    int m_valueColumns;
    int m_balanceColumns;
    std::vector<Row> m_rows;
    std::string m_lengthUnit;
    std::string m_valueUnit;
    std::string m_timeUnit;
    std::string m_balanceUnit;
};

// The balance unit "[" + flow label + suffix + "]": "-ft" (English) or "/m" (SI; "-m"
// for Porous Media Flow) in planar geometry, nothing in cylindrical geometry or for
// Extended Surfaces.
std::string BalanceUnitText(const Problem& problem);

// Vector 0 of a steady balance table: the sum of the vectors of the chosen frames
// (every entry 0..node count + frame count), with each frame's balance-selection flag
// set to whether it was chosen. One frame: vector 1 is copied.
void CombineSteadyBalances(Problem& problem, ResultTable& balances, const std::vector<int>& frames);

}  // namespace kova
