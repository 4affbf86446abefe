#include <cstdio>

#include "model/number_format.hpp"
namespace kova {
std::string FormatGeneral(Real v, int p) {
    char b[64];
    std::snprintf(b, 64, "%.*Lg", p, v);
    return b;
}
}  // namespace kova
