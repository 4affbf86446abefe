// Small builders for test problems, shared by the test programs of every area.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "model/problem.hpp"

namespace kova::test {

// Adds a node at (x, y) drawing pixels and returns its number.
int AddTestNode(Problem& problem, Real x, Real y);

// Appends a segment between two nodes (smaller number first) with the frames on its two
// sides, and returns it.
LineSegment& AddTestSegment(Problem& problem, int a, int b, int frameA, int frameB);

// Makes frame F + 1 from a closed outline of node numbers (the first is repeated at the
// end by the builder) with a material and type, and returns its number.
int AddTestFrame(Problem& problem, std::initializer_list<int> outline, int material,
                 FrameType type = FrameType::Distributed);

// Makes a rectangle frame: four nodes, its four boundary segments (exterior on the other
// side) and the frame. Returns the frame number.
int AddRectangleFrame(Problem& problem, Real left, Real top, Real right, Real bottom, int material);

// Recomputes the derived geometry (frame measures and drawing order, area factors) the
// way the editing commands leave it.
void RefreshGeometry(Problem& problem);

// A stand-in for the expression compiler: any text without '!' "compiles" into a
// compiled form that depends only on the text (entry count = length, capped at 50; the
// entries the character codes) and a trial value equal to the length. A text with '!'
// fails. Tests use it to tell a compiled form made from the text from one taken
// elsewhere, without depending on the real compiler.
bool StandInCompile(Problem& problem, BoundarySpec& spec);

// An expression specification compiled with StandInCompile.
BoundarySpec StandInExpression(int kind, const std::string& text);

// A problem with every kind of record: two distributed frames and a lump with element
// lines and interfaces, constant and expression specifications on nodes, segments and
// frames, materials with expressions and anisotropy, text items with non-ASCII
// characters, groups of nodes, segments and frames, singular points, a template picture
// and non-default settings; cylindrical geometry, Bio-Heat subject, transient.
void BuildRichProblem(Problem& problem);

// A template picture image of `size` bytes with a recognisable pattern.
std::vector<std::uint8_t> TestPictureBytes(std::size_t size);

}  // namespace kova::test
