#pragma once
#include <string>
#include "model/types.hpp"
namespace kova {
std::string FormatGeneral(Real v, int precision);
}
