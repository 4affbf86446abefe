#include <cstdio>
#include "model/number_format.hpp"
namespace kova {
std::string GetMessage(int, int n) {
    return "msg" + std::to_string(n);
}
std::string MaterialLibraryEntry(int, int i) {
    return i == 1 ? "Air|15|15| 2.599e-2|1.177|1006|0.0" : "not specified|4|4|1|1|1|1";
}
std::string FormatGeneral(Real v, int p) {
    char b[64];
    std::snprintf(b, 64, "%.*Lg", p, v);
    return b;
}
}  // namespace kova
