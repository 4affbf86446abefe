// The linear triangles of a calculation, built from the drawn line segments. The table
// is rebuilt by every configuration check and never stored; its owner is the caller of
// the check (the application's document, or a test).
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "model/records.hpp"

namespace kova {

class Problem;

struct Element {
    std::array<std::int32_t, 3> nodes{};  // ascending node numbers
    std::int32_t frame = 0;               // the frame whose material the element carries
    std::array<LineSegment*, 3> sides{};  // the segments (a, b), (a, c), (c, b)
};

// Elements numbered 1..Count().
class ElementTable {
public:
    int Count() const { return static_cast<int>(m_elements.size()); }
    const Element& operator[](int e) const { return m_elements[static_cast<std::size_t>(e - 1)]; }
    Element& operator[](int e) { return m_elements[static_cast<std::size_t>(e - 1)]; }
    bool Valid(int e) const { return e >= 1 && e <= Count(); }

    // Empties the table and makes room for `capacity` elements; false when the memory
    // cannot be had.
    bool Reset(int capacity);
    void Clear() { m_elements.clear(); }
    void Add(const Element& e) { m_elements.push_back(e); }

    std::vector<Element>::const_iterator begin() const { return m_elements.begin(); }
    std::vector<Element>::const_iterator end() const { return m_elements.end(); }

private:
    std::vector<Element> m_elements;
};

// Where marked items of a check go: the items are added to the problem's selection (the
// error marks the input window highlights) and the flag records that a problem was found.
struct CheckMarks {
    bool errorFound = false;
    void MarkSegment(Problem& problem, LineSegment& segment);
    void MarkFrame(Problem& problem, int frame);
    void MarkNode(Problem& problem, int number);  // a node, or node count + frame for a lump
};

// Rebuilds `elements` from the active line segments: every incomplete segment looks for
// third nodes among its neighbours, the nearest candidate on each side closes a triangle,
// the triangle's frame is decided from its sides (or the frame containing its centroid),
// triangles inside lumps are dropped, and segments left without their elements are
// marked. Returns false only when the table cannot be allocated (after the memory
// message). Segment element counts must be 0 on entry.
bool BuildElements(Problem& problem, ElementTable& elements, CheckMarks& marks);

// Whether the drawing point (x, y) lies inside frame k's outline (non-zero winding of the
// outline's vertex positions).
bool PointInFrameOutline(const Problem& problem, int k, Real x, Real y);

// The highest-numbered frame whose outline contains the point; 0 when none.
int FrameContainingPoint(const Problem& problem, Real x, Real y);

}  // namespace kova
