#include "model/types.hpp"

#include <cmath>

namespace kova {

long long RoundHalfEven(Real x) {
    // nearbyintl follows the current rounding mode, which is round-to-nearest-even
    // unless somebody changed it; compute the tie rule explicitly instead.
    Real fl = std::floor(x);
    Real diff = x - fl;
    long long f = static_cast<long long>(fl);
    if (diff > 0.5L) return f + 1;
    if (diff < 0.5L) return f;
    return (f % 2 == 0) ? f : f + 1;
}

}  // namespace kova
