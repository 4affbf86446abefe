#include "model/node_table.hpp"

#include <new>
#include <utility>

namespace kova {

bool NodeTable::Reserve(int capacity) {
    if (capacity <= Capacity()) return true;
    try {
        m_slots.resize(static_cast<std::size_t>(capacity) + 1, Node::FreshSlot());
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
    return true;
}

int NodeTable::Add(Real x, Real y) {
    if (m_count == Capacity() && !Reserve(m_count + 100)) return 0;
    ++m_count;
    // A slot past the count may still hold the record of a node that was removed (the
    // last node is copied into a removed node's place); a new node must not inherit its
    // value specification, initial value or marks.
    Node& n = m_slots[static_cast<std::size_t>(m_count)];
    n = Node{};
    n.x = x;
    n.y = y;
    return m_count;
}

void NodeTable::SetCount(int n) {
    if (n < 0 || n > Capacity()) throw std::out_of_range("node count beyond the table");
    m_count = n;
}

void NodeTable::Reset() {
    for (std::size_t i = 1; i < m_slots.size(); ++i) {
        Node& n = m_slots[i];
        n.valueSpec = 0;
        n.initialValue = kUnspecified;
        n.currentValue = 100.0L;
        n.active = 1;
        n.nodeMark = 0;
        n.outputMark = 0;
    }
    m_count = 0;
}

bool NodeTable::Reallocate(int capacity) {
    std::vector<Node> fresh;
    try {
        fresh.assign(static_cast<std::size_t>(capacity) + 1, Node::FreshSlot());
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
    m_slots = std::move(fresh);
    m_count = 0;
    return true;
}

void NodeTable::Swap(int i, int j) {
    std::swap((*this)[i], (*this)[j]);
}

}  // namespace kova
