// What evaluation reads from a calculation: the element table and the stored result
// levels. Both belong to the solver and the application's document, not to the
// problem; the solver, the result windows and the tables pass a view of them to the
// evaluator. A plain implementation over vectors serves tests and simple callers.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "model/types.hpp"

namespace kova {

// The corners and frame of one linear triangle.
struct ElementCorners {
    std::array<std::int32_t, 3> nodes{};  // node numbers
    std::int32_t frame = 0;
};

class SolutionData {
public:
    virtual ~SolutionData() = default;

    // Elements are numbered 1..ElementCount().
    virtual int ElementCount() const = 0;
    virtual ElementCorners Element(int e) const = 0;

    // Stored result levels 0..LevelCount()-1; none when no results exist. A level holds
    // entry 0 = the time in the user's time unit, entries 1..N the nodes' values and
    // entry N + k the value of lump frame k.
    virtual int LevelCount() const = 0;
    virtual std::span<const Real> Level(int level) const = 0;

    // The level shown in the result windows; FLUX and the gradient variables use it.
    virtual int DisplayedStep() const = 0;

    // True during a transient calculation that has not stored any results yet: material
    // properties then take the nodes' initial values as the potential.
    virtual bool TransientBeforeResults() const = 0;

    // Entry `index` of level `level`, or nothing when either is out of range.
    const Real* StoredValue(int level, int index) const {
        if (level < 0 || level >= LevelCount() || index < 0) return nullptr;
        const std::span<const Real> values = Level(level);
        return static_cast<std::size_t>(index) < values.size()
                   ? &values[static_cast<std::size_t>(index)]
                   : nullptr;
    }
    bool ValidElement(int e) const { return e >= 1 && e <= ElementCount(); }
};

// Element table and result levels held in vectors.
class SolutionTables final : public SolutionData {
public:
    int ElementCount() const override { return static_cast<int>(elements.size()); }
    ElementCorners Element(int e) const override {
        return elements.at(static_cast<std::size_t>(e - 1));
    }
    int LevelCount() const override { return static_cast<int>(levels.size()); }
    std::span<const Real> Level(int level) const override {
        return levels.at(static_cast<std::size_t>(level));
    }
    int DisplayedStep() const override { return displayedStep; }
    bool TransientBeforeResults() const override { return transientBeforeResults; }

    std::vector<ElementCorners> elements;  // element e at index e - 1
    std::vector<std::vector<Real>> levels;
    int displayedStep = 0;
    bool transientBeforeResults = false;
};

}  // namespace kova
