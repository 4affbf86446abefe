#include "results/node_table_text.hpp"

#include <algorithm>
#include <cctype>

#include "model/number_format.hpp"
#include "model/problem.hpp"
#include "units/drawing_transform.hpp"
#include "units/unit_labels.hpp"

namespace kova {
namespace {

// A unit in square brackets. Built by appending: "[" + temporary trips a false
// -Wrestrict warning in g++ 12's optimised builds.
std::string Bracketed(const std::string& unit) {
    std::string text;
    text.reserve(unit.size() + 2);
    return text.append("[").append(unit).append("]");
}

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

TableLayout LayoutForFileName(const std::string& fileName) {
    const std::string name = Upper(fileName);
    if (EndsWith(name, ".CSV") || EndsWith(name, ".DAT")) return TableLayout::CommaSeparated;
    if (EndsWith(name, ".TXT")) return TableLayout::Lookup;
    return TableLayout::BlankSeparated;
}

std::string BalanceUnitText(const Problem& problem) {
    const ProblemSettings& s = problem.settings;
    const char* suffix = "";
    if (!s.cylindrical && s.subject != ProbTypeA::ThinFins) {
        if (s.unitSystem == Unittype::Eng)
            suffix = "-ft";
        else
            suffix = s.subject == ProbTypeA::Hydrodynamics ? "-m" : "/m";
    }
    return Bracketed(UnitLabel(problem, Quantity::Flow) + suffix);
}

void CombineSteadyBalances(Problem& problem, ResultTable& balances,
                           const std::vector<int>& frames) {
    if (!balances.HasLevel(0)) return;
    std::vector<Real>& combined = balances.Level(0);
    if (problem.frameCount == 1 && balances.HasLevel(1)) {
        combined = balances.Level(1);
        problem.frames[1].balanceSelected = 1;
        return;
    }
    std::fill(combined.begin(), combined.end(), 0.0L);
    for (int k = 1; k <= problem.frameCount; ++k) {
        const bool chosen = std::find(frames.begin(), frames.end(), k) != frames.end();
        problem.frames[k].balanceSelected = chosen ? 1 : 0;
        if (!chosen || !balances.HasLevel(k)) continue;
        const std::vector<Real>& v = balances.Level(k);
        const std::size_t last =
            std::min({combined.size(), v.size(),
                      static_cast<std::size_t>(problem.nodes.Count() + problem.frameCount) + 1});
        for (std::size_t i = 0; i < last; ++i) combined[i] += v[i];
    }
}

NodeTableText::NodeTableText(const Problem& problem, const ResultTable& results,
                             const ResultTable* balances, const TableFormats& formats,
                             char decimalSeparator)
    : m_problem(problem),
      m_results(results),
      m_balances(balances != nullptr && !balances->Empty() ? balances : nullptr),
      m_separator(decimalSeparator),
      m_transient(problem.settings.transient) {
    m_firstDataRow = m_transient ? 2 : 1;
    m_valueColumns = m_transient ? std::max(results.LevelCount(), 1) : 1;
    if (m_balances == nullptr)
        m_balanceColumns = 0;
    else
        m_balanceColumns = m_transient ? std::min(m_balances->LevelCount(), m_valueColumns) : 1;
    const int active = std::clamp(problem.settings.activeNodeCount, 0, problem.nodes.Count());
    for (int n = 1; n <= active; ++n) m_rows.push_back({n, 0});
    for (int k = 1; k <= problem.frameCount; ++k) {
        const Frame& f = problem.frames[k];
        if (f.IsLump() || f.subtracted != 0) m_rows.push_back({0, k});
    }
    m_lengthUnit = problem.settings.unitSystem == Unittype::Eng ? "[ft]" : "[m]";
    m_valueUnit = Bracketed(UnitLabel(problem, Quantity::Potential));
    m_timeUnit = Bracketed(UnitLabel(problem, Quantity::Time));
    m_balanceUnit = BalanceUnitText(problem);
    dForm.assign(static_cast<std::size_t>(ColumnCount() - 1), formats.value);
    dForm[0] = dForm[1] = formats.coordinate;
    for (int c = FirstBalanceColumn(); c < ColumnCount(); ++c)
        dForm[static_cast<std::size_t>(c - 1)] = formats.balance;
}

TableSelection NodeTableText::Everything() const {
    return TableSelection{1, RowCount() - 1, 0, ColumnCount() - 1};
}

std::string NodeTableText::Number(int col, Real value) const {
    const DecForm& f = col >= 1 && col - 1 < static_cast<int>(dForm.size())
                           ? dForm[static_cast<std::size_t>(col - 1)]
                           : DecForm{2, 3};
    return FormatCell(f, value, m_separator);
}

const std::vector<Real>* NodeTableText::ValueVector(int col) const {
    const int level = col - FirstValueColumn();
    return m_results.HasLevel(level) ? &m_results.Level(level) : nullptr;
}

const std::vector<Real>* NodeTableText::BalanceVector(int col) const {
    if (m_balances == nullptr) return nullptr;
    const int set = m_transient ? col - FirstBalanceColumn() : 0;
    return m_balances->HasLevel(set) ? &m_balances->Level(set) : nullptr;
}

std::pair<std::string, std::string> NodeTableText::Header(int col) const {
    const bool cylindrical = m_problem.settings.cylindrical;
    const std::string letter(1, m_problem.vocabulary.variableLetter);
    if (col == 0) return {"Node", ""};
    if (col == 1) return {cylindrical ? "R" : "X", m_lengthUnit};
    if (col == 2) return {cylindrical ? "Z" : "Y", m_lengthUnit};
    if (col < FirstBalanceColumn()) {
        if (!m_transient) return {letter, m_valueUnit};
        return {letter + " (#" + std::to_string(col - FirstValueColumn()) + ")", m_valueUnit};
    }
    if (!m_transient) return {"Node Balance", m_balanceUnit};
    return {"NB (#" + std::to_string(col - FirstBalanceColumn()) + ")", m_balanceUnit};
}

std::string NodeTableText::GetS(int col, int row, bool* isSpecified, bool forVantra) const {
    if (isSpecified != nullptr) *isSpecified = false;
    if (col < 0 || col >= ColumnCount() || row < 0 || row >= RowCount()) return "";
    if (row == 0) {
        const auto [name, unit] = Header(col);
        return unit.empty() ? name : name + " " + unit;
    }
    if (m_transient && row == 1) {
        if (col == 0) return " Time " + m_timeUnit;
        if (col < FirstValueColumn()) return "";
        const std::vector<Real>* v =
            col < FirstBalanceColumn() ? ValueVector(col) : BalanceVector(col);
        return v != nullptr && !v->empty() ? Number(col, (*v)[0]) : "";
    }
    const Row& r = m_rows[static_cast<std::size_t>(row - m_firstDataRow)];
    const int nodeCount = m_problem.nodes.Count();
    const int entry = r.node != 0 ? r.node : nodeCount + r.frame;
    if (r.node != 0 && isSpecified != nullptr)
        *isSpecified = m_problem.nodes[r.node].valueSpec != 0;
    if (col == 0) return std::string(" ").append(std::to_string(entry));
    const Frame* frame = r.frame != 0 ? m_problem.FrameAt(r.frame) : nullptr;
    const bool hole = frame != nullptr && frame->subtracted != 0;
    if (col == 1 || col == 2) {
        if (frame != nullptr) {
            if (forVantra) return col == 1 ? "0" : std::to_string(r.frame);
            return col == 1 ? (hole ? "hole" : "Lump ") : "Frame " + std::to_string(r.frame);
        }
        const Node& n = m_problem.nodes[r.node];
        const Coordinates c = DrawingToBase(m_problem, n.x, n.y);
        return Number(col, col == 1 ? c.first : c.second);
    }
    if (hole && col < FirstBalanceColumn()) return "";
    const std::vector<Real>* v = col < FirstBalanceColumn() ? ValueVector(col) : BalanceVector(col);
    if (v == nullptr || static_cast<std::size_t>(entry) >= v->size()) return "";
    return Number(col, (*v)[static_cast<std::size_t>(entry)]);
}

std::string NodeTableText::CopyText(const TableSelection& s) const {
    std::string out;
    const int right = std::min(s.right, ColumnCount() - 1);
    for (int row = s.top; row <= s.bottom; ++row) {
        if (row > s.top) out += "\r\n";
        for (int col = s.left; col <= right; ++col) {
            if (col > s.left) out += '\t';
            out += GetS(col, row);
        }
    }
    return out;
}

std::string NodeTableText::SaveText(const TableSelection& s, TableLayout layout) const {
    const int right = std::min(s.right, ColumnCount() - 1);
    const std::string separator = layout == TableLayout::CommaSeparated ? ", " : " ";
    const bool lookup = layout == TableLayout::Lookup;
    std::string out;
    // About a dozen characters a cell, so that a large table is not copied as it grows.
    if (s.bottom >= s.top && right >= s.left)
        out.reserve(static_cast<std::size_t>(s.bottom - s.top + 1) *
                    static_cast<std::size_t>(right - s.left + 1) * 12);
    if (lookup) {
        out += std::to_string(s.bottom - s.top + 1) + " " + std::to_string(-(right - s.left + 1)) +
               "\n";
        for (int col = s.left; col <= right; ++col) {
            const auto [name, unit] = Header(col);
            out += "A4 " + name + " " + unit + "\n";
        }
    }
    for (int row = s.top; row <= s.bottom; ++row) {
        for (int col = s.left; col <= right; ++col) {
            if (col > s.left) out += separator;
            out += GetS(col, row, nullptr, lookup);
        }
        out += "\n";
    }
    return out;
}

}  // namespace kova
