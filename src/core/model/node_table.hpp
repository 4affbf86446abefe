// The node table: node records numbered 1..N, densely, in slots that already exist up to
// the table's capacity.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <vector>

#include "model/records.hpp"

namespace kova {

class NodeTable {
public:
    // The table starts with one slot per node the geometry commands may create.
    explicit NodeTable(int capacity = kNodeLimit) { Reserve(capacity); }

    int Count() const { return m_count; }
    int Capacity() const { return static_cast<int>(m_slots.size()) - 1; }

    bool Valid(int i) const { return i >= 1 && i <= m_count; }

    // Nodes 1..Count(); an index outside the table is a programming error that is caught
    // rather than allowed to touch memory.
    Node& operator[](int i) { return m_slots.at(CheckedSlot(i)); }
    const Node& operator[](int i) const { return m_slots.at(CheckedSlot(i)); }

    // A slot beyond the node count (they keep records, see Reset and RemoveNode).
    Node& Slot(int i) { return m_slots.at(CheckedSlot(i, Capacity())); }
    const Node& Slot(int i) const { return m_slots.at(CheckedSlot(i, Capacity())); }

    // Adds a node at (x, y): current value 100, active, free, no initial value. The table
    // grows by 100 slots when it is full. Returns the new node number, or 0 when no memory
    // could be had.
    int Add(Real x, Real y);

    // Makes room for at least `capacity` nodes; new slots hold fresh records. Returns
    // false when the memory could not be had (the table is then unchanged).
    bool Reserve(int capacity);

    // Sets the node count (the slots must exist); used by readers that fill slots.
    void SetCount(int n);

    // Resets every slot's values as a new problem does (positions are kept) and empties
    // the table.
    void Reset();

    // Replaces the table by `capacity` fresh slots and no nodes.
    bool Reallocate(int capacity);

    void Swap(int i, int j);

    // Removes the last node: the count drops, the record stays in its slot.
    void PopLast() {
        if (m_count > 0) --m_count;
    }

private:
    std::size_t CheckedSlot(int i) const { return CheckedSlot(i, m_count); }
    static std::size_t CheckedSlot(int i, int limit) {
        if (i < 1 || i > limit) throw std::out_of_range("node number out of range");
        return static_cast<std::size_t>(i);
    }

    std::vector<Node> m_slots{Node::FreshSlot()};  // slot 0 is never used
    int m_count = 0;
};

}  // namespace kova
