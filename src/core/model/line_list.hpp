// The list of line segments. Segments keep their identity while others are added or
// removed, so selections and groups may refer to them by pointer.
#pragma once

#include <list>
#include <utility>
#include <vector>

#include "model/records.hpp"

namespace kova {

class LineList {
public:
    using iterator = std::list<LineSegment>::iterator;
    using const_iterator = std::list<LineSegment>::const_iterator;

    int Count() const { return static_cast<int>(m_segments.size()); }
    bool Empty() const { return m_segments.empty(); }

    iterator begin() { return m_segments.begin(); }
    iterator end() { return m_segments.end(); }
    const_iterator begin() const { return m_segments.begin(); }
    const_iterator end() const { return m_segments.end(); }

    LineSegment* First() { return m_segments.empty() ? nullptr : &m_segments.front(); }
    LineSegment* Last() { return m_segments.empty() ? nullptr : &m_segments.back(); }

    // Appends a segment with both nodes and frames 0, area factor 1, active, no
    // specifications, and the given own number.
    LineSegment& Append(int number);

    // Unlinks and releases one segment. Returns false when it is not in this list.
    bool Remove(const LineSegment* segment);

    bool Contains(const LineSegment* segment) const;

    // The segment whose own number is `number`, or null.
    LineSegment* FindByNumber(int number);

    // Gives the segments the numbers 1..L in list order.
    void Renumber();

    // The position (1-based) of a segment in list order, or 0.
    int PositionOf(const LineSegment* segment) const;

    // The segment at a 1-based list position, or null.
    LineSegment* AtPosition(int position);

    void Clear() { m_segments.clear(); }

    // Every segment with its address, in list order, for RestoreState.
    using SavedState = std::vector<std::pair<const LineSegment*, LineSegment>>;
    SavedState SaveState() const;

    // Puts the list back as it was saved: the saved segments in their order and with
    // their values, segments added since removed. A saved segment still in the list
    // keeps its identity, so pointers to it stay good; one removed since comes back as
    // a new record.
    void RestoreState(const SavedState& saved);

private:
    std::list<LineSegment> m_segments;
};

}  // namespace kova
