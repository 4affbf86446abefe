// Short strings live in memory as UTF-8 and in files as Windows-1252 bytes. The
// conversion happens at the file boundary only.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kova {

// Windows-1252 bytes to UTF-8. The five bytes the code page leaves undefined (0x81, 0x8D,
// 0x8F, 0x90, 0x9D) become the control characters of the same number, so that they
// survive a round trip unchanged.
std::string Windows1252ToUtf8(std::string_view bytes);

// UTF-8 to Windows-1252, at most maxChars characters (the rest is cut off at a character
// boundary). A character the code page cannot hold, and every byte of a malformed UTF-8
// sequence, becomes '?'.
std::string Utf8ToWindows1252(std::string_view utf8, std::size_t maxChars = std::string::npos);

}  // namespace kova
