#include "solver/solver_run.hpp"

#include <new>
#include <stdexcept>

#include "model/problem.hpp"

namespace kova {

bool ConnectionLists::Reset(const std::vector<std::int32_t>& capacity) {
    try {
        m_start.assign(capacity.size(), 0);
        m_size.assign(capacity.size(), 0);
        m_capacity = capacity;
        std::int64_t total = 0;
        for (std::size_t u = 1; u < capacity.size(); ++u) {
            m_start[u] = total;
            total += capacity[u];
        }
        m_data.assign(static_cast<std::size_t>(total), 0);
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
    return true;
}

bool ConnectionLists::Add(int u, std::int32_t v) {
    const std::size_t i = static_cast<std::size_t>(u);
    if (u < 1 || i >= m_size.size() || m_size[i] >= m_capacity[i]) return false;
    m_data[static_cast<std::size_t>(m_start[i] + m_size[i])] = v;
    ++m_size[i];
    return true;
}

}  // namespace kova
