#include "model/line_list.hpp"

#include <unordered_map>

namespace kova {

LineSegment& LineList::Append(int number) {
    LineSegment& s = m_segments.emplace_back();
    s.number = number;
    return s;
}

bool LineList::Remove(const LineSegment* segment) {
    for (auto it = m_segments.begin(); it != m_segments.end(); ++it) {
        if (&*it == segment) {
            m_segments.erase(it);
            return true;
        }
    }
    return false;
}

bool LineList::Contains(const LineSegment* segment) const {
    return PositionOf(segment) != 0;
}

LineSegment* LineList::FindByNumber(int number) {
    for (auto& s : m_segments)
        if (s.number == number) return &s;
    return nullptr;
}

void LineList::Renumber() {
    int n = 0;
    for (auto& s : m_segments) s.number = ++n;
}

int LineList::PositionOf(const LineSegment* segment) const {
    int n = 0;
    for (const auto& s : m_segments) {
        ++n;
        if (&s == segment) return n;
    }
    return 0;
}

LineSegment* LineList::AtPosition(int position) {
    if (position < 1 || position > Count()) return nullptr;
    auto it = m_segments.begin();
    std::advance(it, position - 1);
    return &*it;
}

LineList::SavedState LineList::SaveState() const {
    SavedState saved;
    saved.reserve(m_segments.size());
    for (const LineSegment& s : m_segments) saved.emplace_back(&s, s);
    return saved;
}

void LineList::RestoreState(const SavedState& saved) {
    std::unordered_map<const LineSegment*, iterator> where;
    for (auto it = m_segments.begin(); it != m_segments.end(); ++it) where.emplace(&*it, it);
    std::list<LineSegment> restored;
    for (const auto& [address, value] : saved) {
        const auto found = where.find(address);
        if (found != where.end() && found->second != m_segments.end()) {
            restored.splice(restored.end(), m_segments, found->second);
            found->second = m_segments.end();  // taken
            restored.back() = value;
        } else {
            restored.push_back(value);
        }
    }
    m_segments.swap(restored);  // the segments added since go with `restored`
}

}  // namespace kova
