#pragma once
#include <string>
#include "platform/reporter.hpp"
namespace kova {
inline const char* const kNoMemoryForLineText = "Insuffient memory to allocate a new line";
inline const char* const kSpecTableFullText = "Error 41";
inline const char* const kSpecNoMemoryText = "Error 8";
std::string GetMessage(int category, int n);
std::string MaterialLibraryEntry(int subject, int i);
}  // namespace kova
