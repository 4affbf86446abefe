// The table of shared specifications, numbered 1..S (0 means "no specification").
#pragma once

#include <string>
#include <vector>

#include "model/records.hpp"

namespace kova {

class SpecTable {
public:
    int Count() const { return static_cast<int>(m_entries.size()); }
    bool Full() const { return Count() >= kMaxSpecs; }
    bool Valid(int n) const { return n >= 1 && n <= Count(); }

    // Entry n (1-based); out of range is a programming error and throws.
    BoundarySpec& operator[](int n) { return m_entries.at(Index(n)); }
    const BoundarySpec& operator[](int n) const { return m_entries.at(Index(n)); }

    // Entry n, or null for 0 and numbers outside the table.
    const BoundarySpec* Find(int n) const { return Valid(n) ? &m_entries[Index(n)] : nullptr; }

    // The first constant entry of this kind holding exactly this value, or 0.
    int FindConstant(int kind, Real value) const;

    // The first entry of this kind with exactly this text, or 0.
    int FindText(int kind, const std::string& text) const;

    // Appends an entry and returns its number, or 0 when the table is full.
    int Append(const BoundarySpec& spec);

    void Clear() { m_entries.clear(); }

    const std::vector<BoundarySpec>& Entries() const { return m_entries; }

private:
    static std::size_t Index(int n) {
        return n >= 1 ? static_cast<std::size_t>(n - 1) : static_cast<std::size_t>(-1);
    }
    std::vector<BoundarySpec> m_entries;
};

}  // namespace kova
