#include "solver/result_table.hpp"

#include <new>
#include <stdexcept>

#include "model/problem.hpp"

namespace kova {

bool ResultTable::Allocate(int levels, int values) {
    m_levels.clear();
    if (levels < 0 || values < 1) return false;
    try {
        m_levels.assign(static_cast<std::size_t>(levels),
                        std::vector<Real>(static_cast<std::size_t>(values), 0.0L));
    } catch (const std::bad_alloc&) {
        m_levels.clear();
        return false;
    } catch (const std::length_error&) {
        m_levels.clear();
        return false;
    }
    return true;
}

int ResultTable::ValuesFor(const Problem& problem) {
    const int extra = problem.settings.subject == ProbTypeA::Potential ? 1 : 0;
    return problem.nodes.Count() + problem.frameCount + 1 + extra;
}

}  // namespace kova
