// The problem file (.KVX): a fixed part with the settings and the nodes, then twelve
// sections (line segments, frames, specifications, materials, text items, template
// picture, selection groups, singular points, frame drawing order, two reserved values,
// blood settings, contour settings). Files of the current layout store integers in four
// bytes; legacy files store most of them in two.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "files/byte_stream.hpp"
#include "files/recompile.hpp"
#include "model/problem.hpp"

namespace kova {

inline constexpr const char* kMsgReadingFile = "Reading file... Please wait";

// Version edges of the stored layout.
inline constexpr Real kVersionPlotLineBytes = 7.009L;    // PlotSettings bytes 118 and 119
inline constexpr Real kVersionTextAngle = 7.14L;         // text items keep their angle
inline constexpr Real kVersionKyOverKx = 7.143L;         // materials keep ky/kx
inline constexpr Real kVersionContourSettings = 7.144L;  // contour settings at the end

// What the version string at the head of a file says.
struct FileFormat {
    IntegerWidth width = IntegerWidth::Wide;
    Real version = 0;  // the number after the first character; 0 when it is not a number
};

// Interprets the characters of a stored version string (without its length byte): a first
// character 'N' counts as 'X', and 'X' selects the current layout.
FileFormat ParseVersionString(std::string_view characters);

// The file image of the problem, in the layout and with the version that `versionString`
// names ("X8.035", the program's own, gives the current file; its first character is
// stored as 'N'). Renumbers the line segments. Throws std::range_error when a legacy
// layout cannot hold a value.
std::vector<std::uint8_t> EncodeProblemFile(Problem& problem,
                                            std::string_view versionString = kVersionString);

// Reads a file image into a problem that ProblemReset has emptied: the settings, the
// tables and the rebuilt frame geometry. Compiled forms are left as stored (see
// RecompileLoadedExpressions). Throws FileFormatError on anything that is not a valid
// image; the problem is then partly loaded and must be reset by the caller.
void DecodeProblemFile(Problem& problem, std::span<const std::uint8_t> bytes);

// Writes the problem to `path` through WriteFileSafely, so a failed save leaves the
// previous file as it was. Reports its failures (message 12 for a file that may not be
// written, 133 when the disk runs out) and sets ProblemSaved on success.
bool WriteProblemFile(Problem& problem, const std::string& path);

// Resets the problem and reads `path` into it, then compiles every expression again.
// A file that cannot be opened, read or understood is reported and leaves the problem
// empty as after ProblemReset. Sets ProblemSaved on success.
bool ReadProblemFile(Problem& problem, const std::string& path,
                     const ExpressionCompiler& compile = DefaultExpressionCompiler());

// The same for a file image already in memory; `path` names it in messages.
bool ReadProblemImage(Problem& problem, std::span<const std::uint8_t> bytes,
                      const std::string& path,
                      const ExpressionCompiler& compile = DefaultExpressionCompiler());

}  // namespace kova
