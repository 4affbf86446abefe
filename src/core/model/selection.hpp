// The one selection of the program: the selected items in the order they were picked,
// and a state that says what they are or what the window in front is doing.
#pragma once

#include <vector>

#include "model/records.hpp"

namespace kova {

class Problem;

struct Selection {
    SelectType state = SelectType::Null;
    SelectType previousState = SelectType::Null;
    std::vector<SelectRec> items;

    int Count() const { return static_cast<int>(items.size()); }
    bool Contains(const SelectRec& item) const;
};

// Removes every item; the information panel is cleared, and the time panel too unless a
// transient problem's results window shows its time. Previous state Null, state None.
void ClearSelection(Problem& problem);

// Appends an item.
void AddToSelection(Problem& problem, const SelectRec& item);

// Removes an item that is selected (keeping the others in order), otherwise appends it.
void ToggleItem(Problem& problem, const SelectRec& item);

// Convenience for the common kinds.
inline SelectRec NumberItem(int number) {
    return SelectRec{number, nullptr};
}
inline SelectRec SegmentItem(LineSegment* segment) {
    return SelectRec{0, segment};
}

}  // namespace kova
