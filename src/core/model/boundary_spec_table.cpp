#include "model/boundary_spec_table.hpp"

namespace kova {

int SpecTable::FindConstant(int kind, Real value) const {
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        const BoundarySpec& s = m_entries[i];
        if (s.kind == kind && s.value == value && s.compiled[0] == 0)
            return static_cast<int>(i) + 1;
    }
    return 0;
}

int SpecTable::FindText(int kind, const std::string& text) const {
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        const BoundarySpec& s = m_entries[i];
        if (s.kind == kind && s.text == text) return static_cast<int>(i) + 1;
    }
    return 0;
}

int SpecTable::Append(const BoundarySpec& spec) {
    if (Full()) return 0;
    m_entries.push_back(spec);
    return Count();
}

}  // namespace kova
