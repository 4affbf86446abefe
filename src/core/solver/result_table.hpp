// The stored results of a calculation: one vector of extended values per stored level.
// Entry 0 is the level's time in the user's unit (during a steady iteration the number of
// solutions so far), entries 1..node count the node values, then one entry per frame for
// the lumps. The application owns the table beside the problem; it is never stored in
// files and is rebuilt by every calculation.
#pragma once

#include <vector>

#include "model/types.hpp"

namespace kova {

class Problem;

class ResultTable {
public:
    // Makes `levels` zero-filled vectors of `values` entries; false (and empty) when the
    // memory cannot be had.
    bool Allocate(int levels, int values);
    // The vector size a problem needs: node count + frame count + 1, plus one for the
    // nodal pressures of Potential Flow.
    static int ValuesFor(const Problem& problem);

    void Release() { m_levels.clear(); }
    bool Empty() const { return m_levels.empty(); }
    int LevelCount() const { return static_cast<int>(m_levels.size()); }
    int ValueCount() const { return m_levels.empty() ? 0 : static_cast<int>(m_levels[0].size()); }
    bool HasLevel(int level) const { return level >= 0 && level < LevelCount(); }

    std::vector<Real>& Level(int level) { return m_levels.at(static_cast<std::size_t>(level)); }
    const std::vector<Real>& Level(int level) const {
        return m_levels.at(static_cast<std::size_t>(level));
    }

private:
    std::vector<std::vector<Real>> m_levels;
};

}  // namespace kova
