#include "geometry/exact_predicates.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace kova {
namespace {

// Splits a into two halves of at most half the mantissa each, so that their products
// are exact.
constexpr Real Splitter() {
    constexpr int half = (std::numeric_limits<Real>::digits + 1) / 2;
    Real s = 1;
    for (int j = 0; j < half; ++j) s *= 2;
    return s + 1;
}

// a + b = sum + error exactly.
void TwoSum(Real a, Real b, Real& sum, Real& error) {
    sum = a + b;
    const Real bVirtual = sum - a;
    const Real aVirtual = sum - bVirtual;
    error = (a - aVirtual) + (b - bVirtual);
}

void Split(Real a, Real& high, Real& low) {
    const Real c = Splitter() * a;
    const Real big = c - a;
    high = c - big;
    low = a - high;
}

// a * b = product + error exactly.
void TwoProduct(Real a, Real b, Real& product, Real& error) {
    product = a * b;
    Real ah = 0, al = 0, bh = 0, bl = 0;
    Split(a, ah, al);
    Split(b, bh, bl);
    const Real e1 = product - ah * bh;
    const Real e2 = e1 - al * bh;
    const Real e3 = e2 - ah * bl;
    error = al * bl - e3;
}

// A sum of floating-point numbers kept exactly as non-overlapping components in
// increasing magnitude; its sign is that of its largest non-zero component.
class Expansion {
public:
    void Add(Real v) {
        Real q = v;
        for (int j = 0; j < m_size; ++j) {
            Real sum = 0, error = 0;
            TwoSum(q, m_parts[static_cast<std::size_t>(j)], sum, error);
            m_parts[static_cast<std::size_t>(j)] = error;
            q = sum;
        }
        m_parts[static_cast<std::size_t>(m_size++)] = q;
    }
    void AddProduct(Real a, Real b) {
        Real product = 0, error = 0;
        TwoProduct(a, b, product, error);
        Add(error);
        Add(product);
    }
    int Sign() const {
        for (int j = m_size - 1; j >= 0; --j) {
            const Real v = m_parts[static_cast<std::size_t>(j)];
            if (v > 0) return 1;
            if (v < 0) return -1;
        }
        return 0;
    }

private:
    std::array<Real, 16> m_parts{};
    int m_size = 0;
};

bool Within(Real v, Real a, Real b) {
    return std::min(a, b) <= v && v <= std::max(a, b);
}

}  // namespace

int ExactOrientation(ExactPoint a, ExactPoint b, ExactPoint c) {
    // (b - a) x (c - a) expanded into six products of coordinates, the term a.x * a.y
    // cancelling. The pixel predicate counts a left turn positive with y growing
    // upwards; this sum is the same cross product.
    Expansion e;
    e.AddProduct(b.x, c.y);
    e.AddProduct(-b.x, a.y);
    e.AddProduct(-a.x, c.y);
    e.AddProduct(-b.y, c.x);
    e.AddProduct(b.y, a.x);
    e.AddProduct(a.y, c.x);
    return e.Sign();
}

bool ExactOnSegment(ExactPoint p, ExactPoint a, ExactPoint b) {
    return Within(p.x, a.x, b.x) && Within(p.y, a.y, b.y) && ExactOrientation(a, b, p) == 0;
}

SegmentContact ClassifyExact(ExactPoint p1, ExactPoint p2, ExactPoint q1, ExactPoint q2) {
    // A segment that is a single point touches what it lies on.
    const auto same = [](ExactPoint a, ExactPoint b) { return a.x == b.x && a.y == b.y; };
    if (same(p1, p2))
        return ExactOnSegment(p1, q1, q2) ? SegmentContact::Touch : SegmentContact::None;
    if (same(q1, q2))
        return ExactOnSegment(q1, p1, p2) ? SegmentContact::Touch : SegmentContact::None;
    const int o1 = ExactOrientation(p1, p2, q1);
    const int o2 = ExactOrientation(p1, p2, q2);
    const int o3 = ExactOrientation(q1, q2, p1);
    const int o4 = ExactOrientation(q1, q2, p2);
    if (o1 * o2 < 0 && o3 * o4 < 0) return SegmentContact::Cross;
    if (o1 == 0 && o2 == 0) {
        // On one line: compare the stretches along it.
        const bool useX = p1.x != p2.x || q1.x != q2.x;
        const Real pa = useX ? p1.x : p1.y, pb = useX ? p2.x : p2.y;
        const Real qa = useX ? q1.x : q1.y, qb = useX ? q2.x : q2.y;
        const Real lo = std::max(std::min(pa, pb), std::min(qa, qb));
        const Real hi = std::min(std::max(pa, pb), std::max(qa, qb));
        if (lo > hi) return SegmentContact::None;
        return lo < hi ? SegmentContact::Overlap : SegmentContact::Touch;
    }
    if ((o1 == 0 && ExactOnSegment(q1, p1, p2)) || (o2 == 0 && ExactOnSegment(q2, p1, p2)) ||
        (o3 == 0 && ExactOnSegment(p1, q1, q2)) || (o4 == 0 && ExactOnSegment(p2, q1, q2)))
        return SegmentContact::Touch;
    return SegmentContact::None;
}

}  // namespace kova
